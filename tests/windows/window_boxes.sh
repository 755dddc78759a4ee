#!/usr/bin/env bash
# Runs the 64-bit program under wine64 on a virtual X display (Xvfb) on the demo
# installation of a scenario, answers every message box it shows by key (Return for OK,
# Escape for Cancel) in the order the scenario's expected_boxes.txt lists them, keeps a
# screenshot of each box, and then checks the patch log and the install directory against
# the scenario's expectations. Every wait has a time limit: a box that does not appear, or a
# program that does not end, fails the run instead of hanging it.
# Usage: window_boxes.sh <win64 build dir> <patch8108.exe> <scenario folder> <screenshot folder>
set -euo pipefail
build_dir=$1
program=$2
scenario_dir=$(cd "$3" && pwd)
shots=$4
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
# shellcheck source=../scenarios/lib.sh
. "$here/../scenarios/lib.sh"

fail() {
    echo "FAIL: $*"
    exit 1
}
need() {  # need <path> <package>
    [ -x "$1" ] || fail "$1 is missing: install the Debian package '$2'"
}
xvfb=${ZEB_XVFB:-/usr/bin/Xvfb}
xdotool=${ZEB_XDOTOOL:-/usr/bin/xdotool}
import=${ZEB_IMPORT:-/usr/bin/import}
need "$xvfb" xvfb
need "$xdotool" xdotool
need "$import" imagemagick

SCEN_BUILD=win64
SCEN_PROGRAM=$program
SCEN_WORK=$(mktemp -d "${TMPDIR:-/tmp}/patch8108-windows.XXXXXX")
name=$(basename "$scenario_dir")
mkdir -p "$shots"
rm -f "$shots/$name"-*.png

scen_use_tools "$build_dir"
scen_load_conf "$scenario_dir"
[ -f "$scenario_dir/expected_boxes.txt" ] || fail "$scenario_dir has no expected_boxes.txt"

xvfb_pid=''
program_pid=''
cleanup() {
    [ -n "$program_pid" ] && kill "$program_pid" 2>/dev/null
    [ -n "${prefix:-}" ] && WINEPREFIX=$prefix timeout 30 "$SCEN_WINESERVER" -k 2>/dev/null
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$SCEN_WORK"
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and writes it to the pipe.
mkfifo "$SCEN_WORK/display"
"$xvfb" -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$SCEN_WORK/display" >"$SCEN_WORK/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 30 display <"$SCEN_WORK/display" || fail "Xvfb did not start: $(cat "$SCEN_WORK/xvfb.log")"
export DISPLAY=:$display

# A prefix of our own, created on this display: Wine's desktop process, started with the
# prefix, decides the graphics driver of every later program, and without a display it is
# the null driver, whose boxes return at once without being shown.
prefix=$SCEN_WORK/wineprefix
SCEN_WINE_ENV=(WINEPREFIX="$prefix" WINEDEBUG=-all "WINEDLLOVERRIDES=mscoree,mshtml=" DISPLAY="$DISPLAY")
scen_wine 180 wineboot --init </dev/null >/dev/null 2>&1 || fail "wineboot could not create the prefix"
WINEPREFIX=$prefix timeout 120 "$SCEN_WINESERVER" -w || true

scen_select_drive
scen_make_payloads
scen_prepare_files
scen_seed_registry "$scenario_dir/setup.reg"
scen_prepare_locale

SCEN_TIMEOUT=120
# In a subshell of its own, whose exit status is the program's (124 when its time ran out).
(
    scen_run_program
    exit "$SCEN_RC"
) &
program_pid=$!

# Each expected box: caption, text, style, answer (tab separated).
n=0
while IFS=$'\t' read -r caption text _style answer; do
    n=$((n + 1))
    case $answer in 1) key=Return ;; 2) key=Escape ;; *) fail "box $n: no key for answer $answer" ;; esac
    wid=''
    for _ in $(seq 300); do
        wid=$("$xdotool" search --onlyvisible --name "^${caption}\$" 2>/dev/null | head -n 1) || true
        [ -n "$wid" ] && break
        kill -0 "$program_pid" 2>/dev/null || break
        sleep 0.1
    done
    [ -n "$wid" ] || fail "box $n (\"$text\") did not appear within 30 s"
    sleep 0.5 # let the box paint before the screenshot
    "$import" -window root "$shots/$name-$n.png" || fail "no screenshot of box $n"
    "$xdotool" windowactivate --sync "$wid" >/dev/null 2>&1 || "$xdotool" windowfocus --sync "$wid" || true
    "$xdotool" key --clearmodifiers "$key"
    # The box must go away once answered.
    for _ in $(seq 100); do
        "$xdotool" search --onlyvisible --name "^${caption}\$" 2>/dev/null | grep -qx "$wid" || break
        sleep 0.1
    done
    ! "$xdotool" search --onlyvisible --name "^${caption}\$" 2>/dev/null | grep -qx "$wid" ||
        fail "box $n did not close after $key"
    echo "box $n: \"$caption\" answered with $key, screenshot $shots/$name-$n.png"
done <"$scenario_dir/expected_boxes.txt"

# Any further box is unexpected: it is photographed and answered with Escape, so that the
# program still ends, and fails the run.
unexpected=0
for _ in $(seq 600); do
    kill -0 "$program_pid" 2>/dev/null || break
    wid=$("$xdotool" search --onlyvisible --name '^Hestrel - Password Manager$' 2>/dev/null | head -n 1) || true
    if [ -n "$wid" ]; then
        unexpected=$((unexpected + 1))
        sleep 0.5
        "$import" -window root "$shots/$name-unexpected-$unexpected.png" || true
        "$xdotool" windowactivate --sync "$wid" >/dev/null 2>&1 || true
        "$xdotool" key --clearmodifiers Escape
        for _ in $(seq 50); do
            "$xdotool" search --onlyvisible --name '^Hestrel - Password Manager$' 2>/dev/null | grep -qx "$wid" || break
            sleep 0.1
        done
    fi
    sleep 0.1
done
rc=0
wait "$program_pid" || rc=$?
program_pid=''
[ "$rc" -ne 124 ] || fail "the program did not end within $SCEN_TIMEOUT s"
[ "$unexpected" -eq 0 ] ||
    fail "$unexpected box(es) beyond the expected ones were shown (see $shots/$name-unexpected-*.png)"

failed=0
log=$(scen_log_file "$SCEN_LOG")
if [ ! -f "$log" ]; then
    echo "FAIL: no patch log at $log"
    failed=1
elif scen_log_text "$log" >"$SCEN_WORK/actual_log.txt"; then
    diff -u --label expected_log.txt --label "patch log" "$scenario_dir/expected_log.txt" \
        "$SCEN_WORK/actual_log.txt" || { echo "FAIL: the patch log differs (above)"; failed=1; }
else
    echo "FAIL: the patch log is malformed"
    failed=1
fi
scen_expected_tree_lines "$scenario_dir/expected_tree.txt" >"$SCEN_WORK/expected_tree.txt"
scen_tree_lines "$(scen_install_unix)" >"$SCEN_WORK/actual_tree.txt"
diff -u --label expected_tree.txt --label "install directory" "$SCEN_WORK/expected_tree.txt" \
    "$SCEN_WORK/actual_tree.txt" || { echo "FAIL: the install directory differs (above)"; failed=1; }
scen_restore_registry
[ "$failed" -eq 0 ] || exit 1
echo "$name: $n box(es) shown under Wine and answered by key; patch log and files as expected"
