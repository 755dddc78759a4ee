#!/usr/bin/env bash
# Builds the program and runs it silently ("/s"): the shipping 32-bit build under Wine's
# WoW64 mode, the 64-bit build under Wine and the host build natively, printing their exit
# codes.
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

prefix=$(mktemp -d)
trap 'WINEPREFIX="$prefix" "$ZEB_WINESERVER" -k 2>/dev/null || true; rm -rf "$prefix"' EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEDLLPATH="$ZEB_WOW64_DLLPATH"
"$ZEB_WINE64" wineboot --init >/dev/null 2>&1
set +e
timeout 120 "$ZEB_WINE64" build/win32/bin/patch8108.exe /s
echo "win32 under Wine (WoW64): patch8108.exe /s exited with $?"
timeout 120 "$ZEB_WINE64" build/win64/bin/patch8108.exe /s
echo "win64 under Wine: patch8108.exe /s exited with $?"
ZEB_HOST_PREFIX="$prefix/host" build/host/bin/patch8108 /s
echo "host: patch8108 /s exited with $?"
