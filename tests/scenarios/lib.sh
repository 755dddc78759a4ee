# shellcheck shell=bash
# Setting up and running whole-program runs of patch8108: a demo installation of the suite
# (registry, the six old files in the install directory, the six new files beside the
# program), one run of the program on the host or under Wine, and readable reports of the
# patch log and the install directory. Sourced by tests/scenarios/run_scenario.sh,
# scripts/demo.sh and scripts/bench_patch.sh.
#
# The caller sets, before calling the functions below:
#   SCEN_BUILD    host, win64 (the 64-bit program under wine64) or win32 (the shipping
#                 32-bit program under Wine's WoW64 mode)
#   SCEN_WORK     an empty working folder (payloads, host prefix, registry, reports)
#   SCEN_PROGRAM  the built program; SCEN_HOLD_PROGRAM the hold_file helper (only for holds)
#   for Wine:     SCEN_WINE64 and SCEN_WINE_ENV (an array of VAR=value, WINEPREFIX among
#                 them), as the build's zeb_tools.sh gives them (scen_use_tools)
# and loads a scenario description with scen_load_conf, or sets the SCEN_* values itself.
# The SCEN_* values are shared with the scripts that source this file.
# shellcheck disable=SC2034,SC2153

SCEN_LIB_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The six files, in the order the patch replaces them: destination under the install
# directory, and source beside the program. Index 0 is unused so that steps count from 1.
SCEN_DESTINATIONS=(''
    'QAV Firefox Extension\2.0b12\chrome\content\overlay.xul'
    'QAV Firefox Extension\2.0b12\chrome\content\zebqav_jsctypes.js'
    'QAV Firefox Extension\2.0b12\chrome.manifest'
    'QAV Firefox Extension\2.0b12\install.rdf'
    'zebqav_jsctypes.xpi'
    'zebqav_moz_jsctypes.dll')
SCEN_SOURCES=(''
    '2.0b12\chrome\content\overlay.xul'
    '2.0b12\chrome\content\zebqav_jsctypes.js'
    '2.0b12\chrome.manifest'
    '2.0b12\install.rdf'
    'zebqav_jsctypes.xpi'
    'zebqav_moz_jsctypes.dll')
SCEN_STEPS=(1 2 3 4 5 6)
SCEN_LOG_NAME=patchlog8108.txt
# Where the program and its new files are put, and the current directory of its runs.
SCEN_PATCH_DIR_WIN='C:\scenario\patch'
SCEN_CWD_WIN='C:\scenario\cwd'

# Every registry key a scenario may seed, deleted before and after each Wine run in both
# views (the 32-bit view of HKLM\Software is its Wow6432Node).
SCEN_CLEANED_KEYS=(
    'HKEY_LOCAL_MACHINE\Software\Kelbix'
    'HKEY_LOCAL_MACHINE\Software\Wow6432Node\Kelbix'
    'HKEY_LOCAL_MACHINE\Software\Qel Copperfennel'
    'HKEY_LOCAL_MACHINE\Software\Wow6432Node\Qel Copperfennel'
    'HKEY_LOCAL_MACHINE\Software\Policies\Kelbix'
    'HKEY_LOCAL_MACHINE\Software\Wow6432Node\Policies\Kelbix'
    'HKEY_CURRENT_USER\Software\Kelbix'
    'HKEY_CURRENT_USER\Software\Policies\Kelbix')

scen_die() {
    echo "scenario: $*" >&2
    exit 2
}

# ---- tools -----------------------------------------------------------------

# Reads a build's zeb_tools.sh: the Wine programs and the environment of its runs.
scen_use_tools() {
    local build_dir=$1
    [ -f "$build_dir/zeb_tools.sh" ] || scen_die "$build_dir/zeb_tools.sh is missing (configure the build first)"
    # shellcheck source=/dev/null
    . "$build_dir/zeb_tools.sh"
    SCEN_WINE64=${ZEB_WINE64:-}
    SCEN_WINESERVER=${ZEB_WINESERVER:-}
    SCEN_WINE_ENV=()
    if [ -n "${ZEB_WINE_ENV:-}" ]; then
        read -r -a SCEN_WINE_ENV <<<"$ZEB_WINE_ENV"
    fi
}

# The WINEPREFIX among SCEN_WINE_ENV.
scen_wineprefix() {
    local item
    for item in "${SCEN_WINE_ENV[@]}"; do
        case $item in WINEPREFIX=*) echo "${item#WINEPREFIX=}"; return 0 ;; esac
    done
    scen_die "no WINEPREFIX in the Wine environment"
}

# Runs a Wine program with the build's environment and a time limit: scen_wine <seconds> <args...>
scen_wine() {
    local seconds=$1
    shift
    timeout -k 10 "$seconds" env "${SCEN_WINE_ENV[@]}" "$SCEN_WINE64" "$@"
}

# ---- the scenario description ------------------------------------------------

# Loads <scenario folder>/scenario.conf (see tests/scenarios/README.md) into SCEN_* values.
scen_load_conf() {
    local dir=$1 line key value n
    SCEN_NAME=$(basename "$dir")
    SCEN_TITLE=''
    SCEN_COMMAND=()
    SCEN_BUILDS='host win64 win32'
    SCEN_ANSWERS=''
    SCEN_WINDOWS='6.1'
    SCEN_LANG='en_US.UTF-8'
    SCEN_INSTALL_DIR='C:\Program Files\Kelbix\Hestrel'
    SCEN_OLD_ABSENT=''
    SCEN_NEW_ABSENT=''
    SCEN_PRIOR_BAK=''
    declare -g -A SCEN_OLD_SIZE=() SCEN_NEW_SIZE=()
    SCEN_REMOVE_DIRS=()
    SCEN_FAULTS=()
    SCEN_HOST_ENV=()
    SCEN_RUNS=1
    SCEN_LOG='install'
    [ -f "$dir/scenario.conf" ] || scen_die "$dir/scenario.conf is missing"
    n=0
    while IFS= read -r line || [ -n "$line" ]; do
        n=$((n + 1))
        case $line in
        '# '*) [ -n "$SCEN_TITLE" ] || SCEN_TITLE=${line#\# } ; continue ;;
        '#'* | '') continue ;;
        *=*) ;;
        *) scen_die "$dir/scenario.conf:$n: not key=value: $line" ;;
        esac
        key=${line%%=*}
        value=${line#*=}
        case $key in
        command) read -r -a SCEN_COMMAND <<<"$value" ;;
        builds) SCEN_BUILDS=$value ;;
        answers) SCEN_ANSWERS=$value ;;
        windows) SCEN_WINDOWS=$value ;;
        lang) SCEN_LANG=$value ;;
        install_dir) SCEN_INSTALL_DIR=$value ;;
        old_absent) SCEN_OLD_ABSENT=$value ;;
        new_absent) SCEN_NEW_ABSENT=$value ;;
        prior_bak) SCEN_PRIOR_BAK=$value ;;
        old_size | new_size)
            local item
            for item in $value; do
                [[ $item =~ ^[1-6]:[0-9]+$ ]] || scen_die "$dir/scenario.conf:$n: $key wants step:bytes, not $item"
                if [ "$key" = old_size ]; then SCEN_OLD_SIZE[${item%%:*}]=${item#*:}; else SCEN_NEW_SIZE[${item%%:*}]=${item#*:}; fi
            done
            ;;
        remove_dir) SCEN_REMOVE_DIRS+=("$value") ;;
        fault) SCEN_FAULTS+=("$value") ;;
        host_env) SCEN_HOST_ENV+=("$value") ;;
        runs) SCEN_RUNS=$value ;;
        log) SCEN_LOG=$value ;;
        *) scen_die "$dir/scenario.conf:$n: unknown key $key" ;;
        esac
    done <"$dir/scenario.conf"
    case $SCEN_LOG in install | cwd | none) ;; *) scen_die "$dir/scenario.conf: log is install, cwd or none" ;; esac
    [[ $SCEN_RUNS =~ ^[1-9]$ ]] || scen_die "$dir/scenario.conf: runs is 1 to 9"
    local fault
    for fault in "${SCEN_FAULTS[@]}"; do
        [[ $fault =~ ^(readonly|hold):[1-6](\.bak)?$ || $fault =~ ^(source|dest)_folder:[1-6]$ || $fault = log_folder ]] ||
            scen_die "$dir/scenario.conf: unknown fault $fault"
    done
}

# Whether a word is in a blank-separated list: scen_in <word> <list>
scen_in() {
    case " $2 " in *" $1 "*) return 0 ;; esac
    return 1
}

# ---- paths -----------------------------------------------------------------

# The host path of a Windows path on C: (the host build's prefix or the Wine prefix).
scen_unix_path() {
    local windows=$1 rest
    case $windows in
    [Cc]:\\*) rest=${windows:3} ;;
    *) scen_die "not a path on C: $windows" ;;
    esac
    printf '%s/%s\n' "$SCEN_DRIVE_C" "${rest//\\//}"
}

# The destination of a step relative to the install directory, with slashes.
scen_dest_rel() {
    local rel=${SCEN_DESTINATIONS[$1]}
    printf '%s\n' "${rel//\\//}"
}

scen_install_unix() {
    scen_unix_path "$SCEN_INSTALL_DIR"
}

# The file of the patch log where the scenario expects it: install or cwd.
scen_log_file() {
    case $1 in
    install) printf '%s/%s\n' "$(scen_install_unix)" "$SCEN_LOG_NAME" ;;
    cwd) printf '%s/%s\n' "$(scen_unix_path "$SCEN_CWD_WIN")" "$SCEN_LOG_NAME" ;;
    esac
}

# ---- payloads ----------------------------------------------------------------

# The generated contents of the files: for each step an old file (installed), a new file
# (beside the program) and a prior backup (a .bak left by an earlier update). Contents of
# one step differ only in their last four bytes, so that files of equal size are told apart
# only by comparing every byte. Written to $SCEN_WORK/payload/<kind>/<step>.
scen_default_size() {
    echo $((1000 + 37 * $1))
}

scen_write_payload() {
    local file=$1 kind=$2 step=$3 size=$4 tail
    case $kind in old) tail=$'old\n' ;; new) tail=$'new\n' ;; prior) tail=$'bak\n' ;; esac
    perl -e '
        my ($size, $line, $tail) = @ARGV;
        binmode STDOUT;
        if ($size <= length $tail) { print substr($tail, length($tail) - $size); exit 0; }
        my $body = $size - length $tail;
        my $chunk = $line x int(65536 / length($line) + 1);
        while ($body > 0) {
            my $n = $body < length $chunk ? $body : length $chunk;
            print substr($chunk, 0, $n);
            $body -= $n;
        }
        print $tail;' "$size" "Hestrel extension file, step $step: $(scen_dest_rel "$step")"$'\n' "$tail" >"$file"
}

scen_make_payloads() {
    local step size
    mkdir -p "$SCEN_WORK/payload/old" "$SCEN_WORK/payload/new" "$SCEN_WORK/payload/prior"
    for step in "${SCEN_STEPS[@]}"; do
        size=${SCEN_OLD_SIZE[$step]:-$(scen_default_size "$step")}
        scen_write_payload "$SCEN_WORK/payload/old/$step" old "$step" "$size"
        size=${SCEN_NEW_SIZE[$step]:-$(scen_default_size "$step")}
        scen_write_payload "$SCEN_WORK/payload/new/$step" new "$step" "$size"
        scen_write_payload "$SCEN_WORK/payload/prior/$step" prior "$step" "$(scen_default_size "$step")"
    done
}

# ---- the machine ---------------------------------------------------------------

# SCEN_DRIVE_C for the build: the host prefix in the work folder, or the Wine prefix's.
scen_select_drive() {
    if [ "$SCEN_BUILD" = host ]; then
        SCEN_HOST_PREFIX=$SCEN_WORK/host-prefix
        SCEN_DRIVE_C=$SCEN_HOST_PREFIX/drive_c
    else
        local prefix
        prefix=$(scen_wineprefix)
        [ -d "$prefix/drive_c" ] || scen_die "the Wine prefix $prefix has no drive_c (run the wine_prefix_setup test first)"
        SCEN_DRIVE_C=$prefix/drive_c
    fi
}

# Removes what earlier runs left on C: (read-only files included).
scen_clear_drive() {
    local dir
    for dir in "$SCEN_DRIVE_C/Program Files/Kelbix" "$SCEN_DRIVE_C/Program Files/Qel Copperfennel" \
        "$SCEN_DRIVE_C/scenario"; do
        if [ -e "$dir" ]; then
            chmod -R u+w "$dir"
            rm -rf "$dir"
        fi
    done
}

# The demo installation: the old files in the install directory (with the scenario's
# absent files, prior backups, removed folders and faults), the program and its new files
# in C:\scenario\patch, and the empty current directory C:\scenario\cwd.
scen_prepare_files() {
    local install step dest fault dir src
    scen_clear_drive
    install=$(scen_install_unix)
    mkdir -p "$install"
    for step in "${SCEN_STEPS[@]}"; do
        dest="$install/$(scen_dest_rel "$step")"
        mkdir -p "$(dirname "$dest")"
        scen_in "$step" "$SCEN_OLD_ABSENT" || cp "$SCEN_WORK/payload/old/$step" "$dest"
        ! scen_in "$step" "$SCEN_PRIOR_BAK" || cp "$SCEN_WORK/payload/prior/$step" "$dest.bak"
    done
    for dir in "${SCEN_REMOVE_DIRS[@]}"; do
        rm -rf "${install:?}/$dir"
    done
    for fault in "${SCEN_FAULTS[@]}"; do
        case $fault in
        readonly:*) chmod a-w "$install/$(scen_dest_rel "${fault:9:1}")${fault:10}" ;;
        log_folder) mkdir -p "$install/$SCEN_LOG_NAME" ;;
        dest_folder:*)
            rm -f "$install/$(scen_dest_rel "${fault:12:1}")"
            mkdir -p "$install/$(scen_dest_rel "${fault:12:1}")"
            ;;
        esac
    done

    local patch
    patch=$(scen_unix_path "$SCEN_PATCH_DIR_WIN")
    mkdir -p "$patch" "$(scen_unix_path "$SCEN_CWD_WIN")"
    cp "$SCEN_PROGRAM" "$patch/$(scen_program_name)"
    for step in "${SCEN_STEPS[@]}"; do
        scen_in "$step" "$SCEN_NEW_ABSENT" && continue
        src=${SCEN_SOURCES[$step]}
        mkdir -p "$(dirname "$patch/${src//\\//}")"
        cp "$SCEN_WORK/payload/new/$step" "$patch/${src//\\//}"
    done
    for fault in "${SCEN_FAULTS[@]}"; do
        case $fault in
        source_folder:*)
            src=${SCEN_SOURCES[${fault:14:1}]}
            rm -f "$patch/${src//\\//}"
            mkdir -p "$patch/${src//\\//}"
            ;;
        esac
    done
}

scen_program_name() {
    if [ "$SCEN_BUILD" = host ]; then echo patch8108; else echo patch8108.exe; fi
}

# The Version value of HKCU\Software\Wine that makes GetVersionExW answer major.minor.
scen_wine_version_name() {
    case $1 in
    5.0) echo win2k ;; 5.1) echo winxp ;; 5.2) echo winxp64 ;; 6.0) echo vista ;;
    6.1) echo win7 ;; 6.2) echo win8 ;; 6.3) echo win81 ;; 10.0) echo win10 ;;
    *) scen_die "no Wine version name for Windows $1" ;;
    esac
}

# A .reg file that deletes every key a scenario may seed, in both views, and sets (or with
# "-" removes) the Windows version Wine reports.
scen_write_cleanup_reg() {
    local file=$1 version=$2 key
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        for key in "${SCEN_CLEANED_KEYS[@]}"; do printf '[-%s]\r\n' "$key"; done
        printf '\r\n[HKEY_CURRENT_USER\\Software\\Wine]\r\n'
        if [ "$version" = - ]; then printf '"Version"=-\r\n'; else printf '"Version"="%s"\r\n' "$version"; fi
    } >"$file"
}

# The Windows form of a host path, for Wine (Z: is the host root).
scen_z_path() {
    local path=$1
    printf 'Z:%s\n' "${path//\//\\}"
}

# Seeds the registry from a .reg file. On the host the program reads a copy of it. Under
# Wine the scenario keys are first deleted in both views, then the file is imported by the
# regedit of the program's own bitness: the 32-bit one for the shipping build, so that the
# suite's keys land in the 32-bit view, where a 32-bit installer records them.
scen_seed_registry() {
    local reg=$1
    if [ "$SCEN_BUILD" = host ]; then
        cp "$reg" "$SCEN_WORK/registry.reg"
        return 0
    fi
    scen_write_cleanup_reg "$SCEN_WORK/cleanup.reg" "$(scen_wine_version_name "$SCEN_WINDOWS")"
    scen_wine 60 regedit /S "$(scen_z_path "$SCEN_WORK/cleanup.reg")" ||
        scen_die "regedit could not clean the registry"
    local regedit=regedit
    [ "$SCEN_BUILD" = win32 ] && regedit='C:\windows\syswow64\regedit.exe'
    cp "$reg" "$SCEN_WORK/setup.reg"
    scen_wine 60 "$regedit" /S "$(scen_z_path "$SCEN_WORK/setup.reg")" ||
        scen_die "regedit could not import $reg"
}

# Under Wine: deletes the scenario keys again and gives the prefix back its own version.
scen_restore_registry() {
    [ "$SCEN_BUILD" = host ] && return 0
    scen_write_cleanup_reg "$SCEN_WORK/cleanup-after.reg" -
    scen_wine 60 regedit /S "$(scen_z_path "$SCEN_WORK/cleanup-after.reg")" ||
        echo "scenario: regedit could not clean the registry after the run" >&2
}

# The patch markers present now, one "<location> <view>" line each (view 32 or 64), for the
# suite's two locations.
scen_markers() {
    local location
    if [ "$SCEN_BUILD" = host ]; then
        [ -f "$SCEN_WORK/registry.reg" ] || return 0
        perl -ne '
            s/\r?\n$//;
            print "$2 " . ($1 ? "32" : "64") . "\n"
                if /^\[HKEY_LOCAL_MACHINE\\Software\\(Wow6432Node\\)?(Kelbix\\Hestrel|Qel Copperfennel\\Tamberlin)\\Patch\\8108\]$/i;
        ' < <(scen_reg_as_utf8 "$SCEN_WORK/registry.reg") | sort -u
        return 0
    fi
    {
        for location in 'Kelbix\Hestrel' 'Qel Copperfennel\Tamberlin'; do
            printf '@reg query "HKLM\\Software\\%s\\Patch\\8108" /reg:64 >nul 2>&1\r\n@if not errorlevel 1 echo %s 64\r\n' "$location" "$location"
            printf '@reg query "HKLM\\Software\\%s\\Patch\\8108" /reg:32 >nul 2>&1\r\n@if not errorlevel 1 echo %s 32\r\n' "$location" "$location"
        done
        printf '@exit /b 0\r\n'
    } >"$SCEN_WORK/markers.cmd"
    scen_wine 60 cmd /c "$(scen_z_path "$SCEN_WORK/markers.cmd")" </dev/null | tr -d '\r' | sort -u
}

# A .reg file's text as UTF-8 (regedit writes UTF-16, our scenario files are UTF-8).
scen_reg_as_utf8() {
    perl -e '
        use Encode qw(decode);
        local $/; binmode STDIN; binmode STDOUT, ":encoding(UTF-8)";
        my $b = <STDIN>;
        print substr($b, 0, 2) eq "\xFF\xFE" ? decode("UTF-16LE", substr($b, 2)) : decode("UTF-8", $b);
    ' <"$1"
}

# The markers a seed file holds, in the view it seeds for this build.
scen_seeded_markers() {
    local view=64
    [ "$SCEN_BUILD" = win32 ] && view=32
    perl -ne '
        s/\r?\n$//;
        print "$1 '"$view"'\n" if /^\[HKEY_LOCAL_MACHINE\\Software\\(Kelbix\\Hestrel|Qel Copperfennel\\Tamberlin)\\Patch\\8108\]$/i;
    ' "$1" | sort -u
}

# Wine takes the language of its string lookups from the C library's locale, which must
# exist: for Wine, a scenario's locale other than en_US is compiled once into SCEN_LOCALES (from the
# build's localedef) and found through LOCPATH. SCEN_LOCALE_ENV receives the LOCPATH setting.
scen_prepare_locale() {
    SCEN_LOCALE_ENV=()
    if [ "$SCEN_LANG" = en_US.UTF-8 ] || [ "$SCEN_BUILD" = host ]; then
        return 0
    fi
    local dir=${SCEN_LOCALES:-$SCEN_WORK/locales} name=${SCEN_LANG%%.*}
    if [ ! -d "$dir/$SCEN_LANG" ]; then
        mkdir -p "$dir"
        "${ZEB_LOCALEDEF:-localedef}" -c -i "$name" -f UTF-8 "$dir/$SCEN_LANG" >/dev/null 2>&1 || true
        [ -d "$dir/$SCEN_LANG" ] || scen_die "cannot compile the locale $SCEN_LANG"
    fi
    SCEN_LOCALE_ENV=(LOCPATH="$dir")
}

# ---- a run -----------------------------------------------------------------------

# Starts the hold_file helper on every file a "hold" fault names and waits until each holds
# its file. SCEN_HOLD_PIDS receives their process ids.
scen_start_holds() {
    local fault step suffix target ready stop i=0 waited
    SCEN_HOLD_PIDS=()
    SCEN_HOLD_STOPS=()
    for fault in "${SCEN_FAULTS[@]}"; do
        case $fault in hold:*) ;; *) continue ;; esac
        i=$((i + 1))
        step=${fault:5:1}
        suffix=${fault:6}
        target="$SCEN_INSTALL_DIR\\${SCEN_DESTINATIONS[$step]}$suffix"
        ready="C:\\scenario\\hold$i.ready"
        stop="C:\\scenario\\hold$i.stop"
        rm -f "$(scen_unix_path "$ready")" "$(scen_unix_path "$stop")"
        if [ "$SCEN_BUILD" = host ]; then
            ZEB_HOST_PREFIX=$SCEN_HOST_PREFIX timeout -k 5 300 "$SCEN_HOLD_PROGRAM" "$target" "$ready" "$stop" 240 </dev/null &
        else
            scen_wine 300 "$SCEN_HOLD_PROGRAM" "$target" "$ready" "$stop" 240 </dev/null &
        fi
        SCEN_HOLD_PIDS+=($!)
        SCEN_HOLD_STOPS+=("$(scen_unix_path "$stop")")
        waited=0
        while [ ! -e "$(scen_unix_path "$ready")" ]; do
            if ! kill -0 "${SCEN_HOLD_PIDS[-1]}" 2>/dev/null; then
                wait "${SCEN_HOLD_PIDS[-1]}" || true
                scen_die "hold_file could not open $target"
            fi
            waited=$((waited + 1))
            [ "$waited" -lt 600 ] || scen_die "hold_file did not hold $target within 60 s"
            sleep 0.1
        done
    done
}

# Tells every holder to let go and waits for it; answers non-zero if one did not stop.
scen_stop_holds() {
    local stop pid status=0
    for stop in "${SCEN_HOLD_STOPS[@]}"; do : >"$stop"; done
    for pid in "${SCEN_HOLD_PIDS[@]}"; do
        wait "$pid" || status=1
    done
    SCEN_HOLD_PIDS=()
    SCEN_HOLD_STOPS=()
    return $status
}

# Runs the program once with the scenario's command line, from C:\scenario\cwd, with a time
# limit. SCEN_RC receives its exit code (124 when the time ran out).
scen_run_program() {
    local seconds=${SCEN_TIMEOUT:-120} cwd
    cwd=$(scen_unix_path "$SCEN_CWD_WIN")
    SCEN_RC=0
    if [ "$SCEN_BUILD" = host ]; then
        local wrapper=() env=(ZEB_HOST_PREFIX="$SCEN_HOST_PREFIX" ZEB_HOST_REGISTRY="$SCEN_WORK/registry.reg"
            ZEB_HOST_WINDOWS_VERSION="$SCEN_WINDOWS" ZEB_HOST_MSGBOX_LOG="$SCEN_WORK/boxes.txt"
            LC_ALL= LC_MESSAGES= LANG="$SCEN_LANG" "${SCEN_LOCALE_ENV[@]}")
        [ -n "$SCEN_ANSWERS" ] && env+=(ZEB_HOST_MSGBOX_ANSWERS="$SCEN_ANSWERS")
        env+=("${SCEN_HOST_ENV[@]}")
        [ -n "${ZEB_TEST_WRAPPER:-}" ] && read -r -a wrapper <<<"$ZEB_TEST_WRAPPER"
        (cd "$cwd" && exec timeout -k 5 "$seconds" env "${env[@]}" "${wrapper[@]}" \
            "$(scen_unix_path "$SCEN_PATCH_DIR_WIN")/patch8108" "${SCEN_COMMAND[@]}" </dev/null) || SCEN_RC=$?
    else
        (cd "$cwd" && exec timeout -k 10 "$seconds" env "${SCEN_WINE_ENV[@]}" LC_ALL= LC_MESSAGES= \
            LANG="$SCEN_LANG" "${SCEN_LOCALE_ENV[@]}" "$SCEN_WINE64" "$SCEN_PATCH_DIR_WIN\\patch8108.exe" "${SCEN_COMMAND[@]}" </dev/null) ||
            SCEN_RC=$?
    fi
}

# ---- reports ---------------------------------------------------------------------

# The patch log as text, one entry per line (fails on a malformed log).
scen_log_text() {
    perl "$SCEN_LIB_DIR/patchlog_text.pl" "$1"
}

# The install directory as "<path> <kind>" lines, sorted by path: every file (the patch log
# at the top excepted) with the payload its bytes equal (new, old or prior, for the step its
# name belongs to; "other" for anything else), and every empty folder as "dir".
scen_tree_lines() {
    local install=$1 line rel base step kind s k
    (
        cd "$install" || exit 1
        find . -mindepth 1 \( -type f ! -path "./$SCEN_LOG_NAME" -o -type d -empty \) -printf '%y %P\n'
    ) | while IFS= read -r line; do
        rel=${line:2}
        if [ "${line:0:1}" = d ]; then
            printf '%s dir\n' "$rel"
            continue
        fi
        base=${rel%.bak}
        step=''
        for s in "${SCEN_STEPS[@]}"; do
            [ "$(scen_dest_rel "$s")" = "$base" ] && step=$s
        done
        kind=other
        if [ -n "$step" ]; then
            for k in new old prior; do
                if cmp -s "$install/$rel" "$SCEN_WORK/payload/$k/$step"; then
                    kind=$k
                    break
                fi
            done
        fi
        printf '%s %s\n' "$rel" "$kind"
    done | LC_ALL=C sort
}

# An expected tree file as "<path> <kind>" lines, sorted by path (blanks between the two
# are free; comments start with #).
scen_expected_tree_lines() {
    perl -ne '
        next if /^\s*(#|$)/;
        s/\r?\n$//;
        /^(.*\S)\s+(new|old|prior|other|dir)$/ or die "bad tree line: $_\n";
        print "$1 $2\n";' "$1" | LC_ALL=C sort
}

# The install directory for a person: each file with its size and what it holds.
scen_print_tree() {
    local install=$1 rel kind what size
    echo "  $SCEN_INSTALL_DIR\\"
    scen_tree_lines "$install" | while IFS= read -r line; do
        kind=${line##* }
        rel=${line% *}
        case $kind in
        dir) printf '    %-66s %s\n' "${rel//\//\\}\\" '(empty folder)'; continue ;;
        new) what='the new file of the patch' ;;
        old) what='the previous file of the suite' ;;
        prior) what='an older backup' ;;
        *) what='unknown contents' ;;
        esac
        size=$(stat -c %s "$install/$rel")
        printf '    %-66s %9s bytes  %s\n' "${rel//\//\\}" "$size" "$what"
    done
    if [ -f "$install/$SCEN_LOG_NAME" ]; then
        printf '    %-66s %9s bytes  the patch log\n' "$SCEN_LOG_NAME" "$(stat -c %s "$install/$SCEN_LOG_NAME")"
    fi
}
