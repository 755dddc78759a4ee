#!/usr/bin/env bash
# Runs one whole-program scenario against one build and compares the outcome with the
# scenario's expectations:
#   run_scenario.sh <host|win64|win32> <build dir> <scenario folder> <patch8108> <hold_file>
# The scenario folder holds scenario.conf (the run), setup.reg (the machine), expected_log.txt
# (the patch log, one entry per line), expected_tree.txt (the install directory) and, for
# runs that show message boxes on the host, expected_boxes.txt. tests/scenarios/README.md
# describes them. Exit code 0 when everything matched, 1 on a mismatch, 2 when the run
# could not be set up.
set -euo pipefail

[ $# -eq 5 ] || { echo "usage: $0 <host|win64|win32> <build dir> <scenario folder> <patch8108> <hold_file>" >&2; exit 2; }
SCEN_BUILD=$1
build_dir=$(cd "$2" && pwd)
scenario_dir=$(cd "$3" && pwd)
SCEN_PROGRAM=$4
SCEN_HOLD_PROGRAM=$5
case $SCEN_BUILD in host | win64 | win32) ;; *) echo "unknown build $SCEN_BUILD" >&2; exit 2 ;; esac

# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

scen_load_conf "$scenario_dir"
scen_in "$SCEN_BUILD" "$SCEN_BUILDS" || scen_die "$SCEN_NAME does not run on $SCEN_BUILD (builds=$SCEN_BUILDS)"
[ -f "$SCEN_PROGRAM" ] || scen_die "no program at $SCEN_PROGRAM"
scen_use_tools "$build_dir"

SCEN_WORK=$build_dir/scenario-runs/$SCEN_NAME
if [ -e "$SCEN_WORK" ]; then
    chmod -R u+w "$SCEN_WORK"
    rm -rf "$SCEN_WORK"
fi
mkdir -p "$SCEN_WORK"
scen_select_drive
SCEN_LOCALES=$build_dir/scenario-locales
scen_prepare_locale

SCEN_HOLD_PIDS=()
SCEN_HOLD_STOPS=()
cleanup() {
    local stop
    for stop in "${SCEN_HOLD_STOPS[@]}"; do : >"$stop" 2>/dev/null || true; done
    scen_restore_registry
}
trap cleanup EXIT

failures=0
mismatch() {
    echo "MISMATCH: $*"
    failures=$((failures + 1))
}

echo "scenario $SCEN_NAME on $SCEN_BUILD: $SCEN_TITLE"
scen_make_payloads
scen_prepare_files
scen_seed_registry "$scenario_dir/setup.reg"

for ((run = 1; run <= SCEN_RUNS; run++)); do
    scen_start_holds
    scen_run_program
    scen_stop_holds || mismatch "run $run: a hold_file helper did not end cleanly"
    case $SCEN_RC in
    0) ;;
    124) mismatch "run $run: the program did not end within ${SCEN_TIMEOUT:-120} s" ;;
    *) mismatch "run $run: exit code $SCEN_RC, expected 0" ;;
    esac
done

# The patch log: where it is expected, nowhere else, and entry by entry.
for place in install cwd; do
    log=$(scen_log_file "$place")
    if [ "$place" = "$SCEN_LOG" ]; then
        if [ ! -f "$log" ]; then
            mismatch "no patch log at $log"
        elif scen_log_text "$log" >"$SCEN_WORK/actual_log.txt"; then
            diff -u --label expected_log.txt --label "patch log ($place)" "$scenario_dir/expected_log.txt" \
                "$SCEN_WORK/actual_log.txt" || mismatch "the patch log differs (above)"
        else
            mismatch "the patch log is malformed"
        fi
    elif [ -f "$log" ]; then
        mismatch "a patch log was written at $log:"
        scen_log_text "$log" || true
    fi
done

# The install directory, file by file and byte by byte.
scen_expected_tree_lines "$scenario_dir/expected_tree.txt" >"$SCEN_WORK/expected_tree.txt"
scen_tree_lines "$(scen_install_unix)" >"$SCEN_WORK/actual_tree.txt"
diff -u --label expected_tree.txt --label "install directory" "$SCEN_WORK/expected_tree.txt" \
    "$SCEN_WORK/actual_tree.txt" || mismatch "the install directory differs (above)"

# The sources beside the program are never changed.
for step in "${SCEN_STEPS[@]}"; do
    scen_in "$step" "$SCEN_NEW_ABSENT" && continue
    src=${SCEN_SOURCES[$step]}
    if scen_in "source_folder:$step" "${SCEN_FAULTS[*]}"; then
        [ -d "$(scen_unix_path "$SCEN_PATCH_DIR_WIN")/${src//\\//}" ] || mismatch "the folder at the source $src is gone"
        continue
    fi
    cmp -s "$SCEN_WORK/payload/new/$step" "$(scen_unix_path "$SCEN_PATCH_DIR_WIN")/${src//\\//}" ||
        mismatch "the new file $src beside the program was changed"
done

# The program only reads the patch marker: the markers after the runs are the seeded ones.
scen_seeded_markers "$scenario_dir/setup.reg" >"$SCEN_WORK/expected_markers.txt"
scen_markers >"$SCEN_WORK/actual_markers.txt"
diff -u --label "seeded patch markers" --label "patch markers after the run" \
    "$SCEN_WORK/expected_markers.txt" "$SCEN_WORK/actual_markers.txt" ||
    mismatch "the patch markers changed (above)"

# Message boxes, recorded on the host only: the expected ones, or none at all.
if [ "$SCEN_BUILD" = host ]; then
    : >>"$SCEN_WORK/boxes.txt"
    if [ -f "$scenario_dir/expected_boxes.txt" ]; then
        diff -u --label expected_boxes.txt --label "message boxes shown" "$scenario_dir/expected_boxes.txt" \
            "$SCEN_WORK/boxes.txt" || mismatch "the message boxes differ (above)"
    elif [ -s "$SCEN_WORK/boxes.txt" ]; then
        mismatch "message boxes were shown:"
        cat "$SCEN_WORK/boxes.txt"
    fi
fi

if [ "$failures" -ne 0 ]; then
    echo "scenario $SCEN_NAME on $SCEN_BUILD: $failures mismatch(es); the run is kept in $SCEN_WORK"
    exit 1
fi
# A run that went as expected leaves nothing behind (the 64 MiB payloads are large).
trap - EXIT
cleanup
scen_clear_drive
chmod -R u+w "$SCEN_WORK"
rm -rf "$SCEN_WORK"
echo "scenario $SCEN_NAME on $SCEN_BUILD: as expected"
