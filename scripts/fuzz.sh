#!/usr/bin/env bash
# Builds the libFuzzer targets of the string operations (preset host-fuzz, clang) and runs
# each for a bounded time, ZEB_FUZZ_SECONDS (default 30), over a copy of its seed corpus in
# the build tree; the committed corpus is never written. A crash, a sanitizer finding, a
# leak or a broken invariant fails the run and leaves the input in the target's folder.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${ZEB_FUZZ_SECONDS:-30}
jobs=$(nproc)
targets=(fuzz_string_search fuzz_string_numbers fuzz_string_tokens fuzz_string_bytes)

cmake --preset host-fuzz >/dev/null
cmake --build --preset host-fuzz -j "$jobs"

build=build/host-fuzz
status=0
for target in "${targets[@]}"; do
  work="$build/fuzz/runs/$target"
  rm -rf "$work"
  mkdir -p "$work/corpus" "$work/findings"
  cp tests/fuzz/corpus/"$target"/* "$work/corpus/"
  echo "fuzz: $target for ${seconds} s"
  if ! ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
      -artifact_prefix="$work/findings/" -print_final_stats=1 "$work/corpus" \
      >"$work/log" 2>&1; then
    tail -n 60 "$work/log"
    echo "fuzz: $target FAILED; the input is in $work/findings, the log in $work/log" >&2
    status=1
  else
    grep -E '^stat::number_of_executed_units|^#[0-9]+.*DONE' "$work/log" | tail -n 2 || true
  fi
done
exit "$status"
