#!/bin/sh
# Builds the shipping program (preset win32, target patch8108) twice, each time from a clean
# copy of the source tree at a different path, and requires the two images to be identical
# byte for byte: no time stamp, build path or other trace of the build machine in the PE.
# Usage: check_reproducible.sh [<source dir>] [<folder to keep the image in>]
# With a second argument the reproducible image is copied there (for signing or release).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
src=$(cd "${1:-$here/..}" && pwd)
keep=${2:-}
jobs=${ZEB_JOBS:-2}

work=$(mktemp -d "${TMPDIR:-/tmp}/patch8108-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT INT TERM

# The two copies differ in path and path length, so any build path left in the image shows.
copy_a=$work/a/src
copy_b=$work/second-build/a-longer-folder-name/src
build() {
    mkdir -p "$1"
    (cd "$src" && tar --exclude=./build --exclude=./.git -cf - .) | (cd "$1" && tar -xf -)
    (cd "$1" && cmake --preset win32 >"$1.configure.log" 2>&1) ||
        { cat "$1.configure.log"; echo "FAIL: configuring $1"; exit 1; }
    (cd "$1" && cmake --build --preset win32 --target patch8108 -j "$jobs" >"$1.build.log" 2>&1) ||
        { cat "$1.build.log"; echo "FAIL: building $1"; exit 1; }
}
build "$copy_a"
build "$copy_b"

exe_a=$copy_a/build/win32/bin/patch8108.exe
exe_b=$copy_b/build/win32/bin/patch8108.exe
for exe in "$exe_a" "$exe_b"; do
    [ -s "$exe" ] || { echo "FAIL: $exe was not built"; exit 1; }
done

if ! cmp "$exe_a" "$exe_b"; then
    echo "FAIL: two clean builds of patch8108.exe differ"
    cmp -l "$exe_a" "$exe_b" | head -20
    exit 1
fi
# Identical images could still both name their build folder; neither path may appear.
for dir in "$copy_a" "$copy_b" "$work"; do
    if grep -q -a -F "$dir" "$exe_a"; then
        echo "FAIL: patch8108.exe contains the build path $dir"
        exit 1
    fi
done

if [ -n "$keep" ]; then
    mkdir -p "$keep"
    cp "$exe_a" "$keep/patch8108.exe"
fi
echo "patch8108.exe is reproducible: two clean builds give the same $(wc -c <"$exe_a") bytes," \
     "sha256 $(sha256sum "$exe_a" | cut -d' ' -f1)"
