#!/usr/bin/env bash
# Builds the program and shows what it does on a demo installation of the suite: the
# shipping 32-bit build under Wine's WoW64 mode, the 64-bit build under Wine and the host
# build natively, each run silently ("/s") on a fresh installation, with the patch log and
# the install directory it leaves; then an interactive host run answered Cancel, which
# leaves every file untouched. The installation is the one of the happy-path scenario
# (tests/scenarios/happy_path/setup.reg, generated old and new files), set up by the same
# functions the scenario tests use.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

for preset in host win64 win32; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" --target patch8108 -j "$(nproc)" >/dev/null
done
. build/win32/zeb_tools.sh
file_type=$("$ZEB_LLVM_READOBJ" --file-headers build/win32/bin/patch8108.exe | grep -m1 'Format:' || true)
echo "shipping program: build/win32/bin/patch8108.exe (${file_type#*: })"

# shellcheck source=tests/scenarios/lib.sh
. tests/scenarios/lib.sh
scenario=tests/scenarios/happy_path
scen_load_conf "$scenario"
scen_use_tools build/win32

work=$(mktemp -d)
prefix=$work/wineprefix
trap 'WINEPREFIX="$prefix" "$SCEN_WINESERVER" -k 2>/dev/null || true; chmod -R u+w "$work"; rm -rf "$work"' EXIT
# One throw-away prefix for both Windows builds; it sees Wine's 32-bit DLLs (WoW64).
SCEN_WINE_ENV=(WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEDLLPATH="$ZEB_WOW64_DLLPATH")
echo "preparing a fresh Wine prefix ..."
scen_wine 300 wineboot --init >/dev/null 2>&1

echo
echo "The demo installation of the suite (registry from $scenario/setup.reg, Windows $SCEN_WINDOWS):"
sed -e '/^$/d' -e 's/^/  /' "$scenario/setup.reg"
echo "  the six previous files of the extension in $SCEN_INSTALL_DIR\\"
echo "  the program and the six new files in $SCEN_PATCH_DIR_WIN\\"

# show <title>: one run on a fresh installation, then its exit code, log and install tree.
show() {
  local title=$1 log
  scen_make_payloads
  scen_prepare_files
  scen_seed_registry "$scenario/setup.reg"
  echo
  echo "=== $title"
  echo "    $SCEN_PATCH_DIR_WIN\\$(scen_program_name) ${SCEN_COMMAND[*]}"
  scen_run_program
  echo "exit code: $SCEN_RC"
  log=$(scen_log_file install)
  if [ -f "$log" ]; then
    echo "patch log ($SCEN_INSTALL_DIR\\$SCEN_LOG_NAME, UTF-16LE, $(scen_log_text "$log" | wc -l) entries):"
    scen_log_text "$log" | sed 's/^/  /'
  else
    echo "patch log ($SCEN_INSTALL_DIR\\$SCEN_LOG_NAME): none"
  fi
  echo "install directory:"
  scen_print_tree "$(scen_install_unix)"
}

run_build() {
  SCEN_BUILD=$1
  SCEN_PROGRAM=$2
  SCEN_WORK=$work/$1
  mkdir -p "$SCEN_WORK"
  scen_select_drive
  show "$3"
}

run_build win32 build/win32/bin/patch8108.exe "win32 (the shipping program) under Wine's WoW64 mode, silent"
run_build win64 build/win64/bin/patch8108.exe "win64 under Wine, silent"
run_build host build/host/bin/patch8108 "host build, silent"

# The same installation, run without the switch: the confirmation is shown and answered
# with Cancel (2).
SCEN_COMMAND=()
SCEN_ANSWERS=2
SCEN_WORK=$work/host-cancel
mkdir -p "$SCEN_WORK"
scen_select_drive
show "host build, interactive, the confirmation answered Cancel (ZEB_HOST_MSGBOX_ANSWERS=2)"
echo "message boxes shown (caption | text | style | answer):"
sed -e 's/\t/ | /g' -e 's/^/  /' "$SCEN_WORK/boxes.txt"
untouched=yes
for step in "${SCEN_STEPS[@]}"; do
  cmp -s "$(scen_install_unix)/$(scen_dest_rel "$step")" "$SCEN_WORK/payload/old/$step" || untouched=no
  [ ! -e "$(scen_install_unix)/$(scen_dest_rel "$step").bak" ] || untouched=no
done
echo "every file untouched, no .bak made: $untouched"
