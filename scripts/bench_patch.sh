#!/usr/bin/env bash
# Benchmark (not a test, not run by CI): a silent run of the host build on a demo
# installation with six 1 MiB files, against a shell doing the same six mv and cp, each
# repeated on a fresh installation; prints the mean times, their ratio, and the registry
# calls one silent run makes (counted with valgrind's callgrind).
#   scripts/bench_patch.sh [host build dir] [repetitions]
# Without a build dir the host preset is built (build/host).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${1:-}
repetitions=${2:-20}
if [ -z "$build_dir" ]; then
  cmake --preset host >/dev/null
  cmake --build --preset host --target patch8108 -j "$(nproc)" >/dev/null
  build_dir=build/host
fi
build_dir=$(cd "$build_dir" && pwd)

# shellcheck source=tests/scenarios/lib.sh
. tests/scenarios/lib.sh
scen_load_conf tests/scenarios/happy_path
scen_use_tools "$build_dir"
SCEN_BUILD=host
SCEN_PROGRAM=$build_dir/bin/patch8108
[ -x "$SCEN_PROGRAM" ] || scen_die "no host program at $SCEN_PROGRAM"
SCEN_WORK=$(mktemp -d)
trap 'chmod -R u+w "$SCEN_WORK"; rm -rf "$SCEN_WORK"' EXIT
for step in "${SCEN_STEPS[@]}"; do
  SCEN_OLD_SIZE[$step]=1048576
  SCEN_NEW_SIZE[$step]=1048576
done
scen_select_drive
scen_make_payloads

install=$(scen_install_unix)
patch=$(scen_unix_path "$SCEN_PATCH_DIR_WIN")
cwd=$(scen_unix_path "$SCEN_CWD_WIN")
program_env=(ZEB_HOST_PREFIX="$SCEN_HOST_PREFIX" ZEB_HOST_REGISTRY="$SCEN_WORK/registry.reg"
  ZEB_HOST_WINDOWS_VERSION="$SCEN_WINDOWS" LC_ALL= LC_MESSAGES= LANG=en_US.UTF-8)

# The shell's version of the replacement: per file, the old one to .bak and the new one over it.
shell_script=''
for step in "${SCEN_STEPS[@]}"; do
  dest=$install/$(scen_dest_rel "$step")
  src=${SCEN_SOURCES[$step]}
  shell_script+="mv -f '$dest' '$dest.bak' && cp '$patch/${src//\\//}' '$dest'"$'\n'
done

fresh() {
  scen_prepare_files
  scen_seed_registry tests/scenarios/happy_path/setup.reg
  sync
}

# Microseconds taken by a command.
elapsed_us() {
  local start end
  start=${EPOCHREALTIME/./}
  "$@"
  end=${EPOCHREALTIME/./}
  echo $((end - start))
}

run_program() {
  (cd "$cwd" && env "${program_env[@]}" "$patch/patch8108" /s </dev/null)
}
run_shell() {
  bash -c "$shell_script"
}

program_total=0
shell_total=0
for ((i = 1; i <= repetitions; i++)); do
  fresh
  us=$(elapsed_us run_program)
  program_total=$((program_total + us))
  for step in "${SCEN_STEPS[@]}"; do
    cmp -s "$install/$(scen_dest_rel "$step")" "$SCEN_WORK/payload/new/$step" || scen_die "run $i: step $step was not replaced"
  done
  fresh
  us=$(elapsed_us run_shell)
  shell_total=$((shell_total + us))
done

program_mean=$((program_total / repetitions))
shell_mean=$((shell_total / repetitions))
echo "six 1 MiB files, $repetitions runs each, a fresh installation before every run:"
printf '  patch8108 /s (host build)   %8d us per run\n' "$program_mean"
printf '  shell: six mv + cp          %8d us per run\n' "$shell_mean"
perl -e 'printf "  ratio program / shell       %8.2f\n", $ARGV[0] / $ARGV[1]' "$program_mean" "$shell_mean"

# The registry calls of one silent run, counted by callgrind (which counts every call).
fresh
(cd "$cwd" && env "${program_env[@]}" "$ZEB_VALGRIND" -q --tool=callgrind \
  --callgrind-out-file="$SCEN_WORK/callgrind.out" "$patch/patch8108" /s </dev/null)
echo "Win32 calls of one silent run:"
perl -ne '
  if (/^(c?)fn=\((\d+)\)(?: (.*))?$/) {
    my ($is_call, $id, $text) = ($1, $2, $3);
    $name{$id} = $text if defined $text;
    $callee = $name{$id} if $is_call;
    next;
  }
  if (/^calls=(\d+)/ && defined $callee) {
    my $calls = $1;
    (my $base = $callee) =~ s/\(.*//;
    $count{$base} += $calls;
  }
  END {
    for (qw(RegOpenKeyExW RegCreateKeyExW RegQueryValueExW RegCloseKey CreateFileW MoveFileExW CopyFileW)) {
      printf "  %-18s %5d\n", $_, $count{$_} // 0;
    }
    printf "registry opens of one silent run: %d\n", ($count{RegOpenKeyExW} // 0) + ($count{RegCreateKeyExW} // 0);
  }' "$SCEN_WORK/callgrind.out"
