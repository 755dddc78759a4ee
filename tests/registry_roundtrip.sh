#!/bin/sh
# One registry, two implementations: values written through the library on the host registry
# are saved as a .reg file, imported into a fresh Wine prefix with regedit /S and checked
# there; Wine's own regedit /E export of them is then loaded into the host registry and
# checked again.
#
# usage: registry_roundtrip.sh <host test_registry_values> [<win64 test_registry_values.exe>]
# Without the win64 program the Wine side is checked with Wine's "reg query" only.
set -eu

HOST_TEST=$1
WIN_TEST=${2:-}
WINE=${ZEB_WINE64:?the build names wine64 in ZEB_WINE64}
WINESERVER=${ZEB_WINESERVER:?the build names wineserver in ZEB_WINESERVER}
KEY='HKEY_CURRENT_USER\Software\ZebTest\RoundTrip'

WORK=$(mktemp -d "${TMPDIR:-/tmp}/zeb_roundtrip.XXXXXX")
export WINEPREFIX="$WORK/prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree,mshtml='
cleanup() {
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT

# A host path as Wine names it: drive Z: is the root.
winpath() {
    printf 'Z:%s' "$1" | tr / '\\'
}

fail() {
    echo "registry_roundtrip: $*" >&2
    exit 1
}

# 1. The host writes; its registry is saved to host.reg when the program ends.
ZEB_HOST_REGISTRY="$WORK/host.reg" ZEB_ROUNDTRIP=write \
    "$HOST_TEST" --gtest_filter=RegistryRoundTrip.Write >"$WORK/write.log" 2>&1 ||
    { cat "$WORK/write.log"; fail "the host could not write the values"; }
[ -s "$WORK/host.reg" ] || fail "the host saved no registry file"

# 2. Wine imports the host's file.
"$WINE" wineboot --init >/dev/null 2>&1 || fail "wineboot failed"
"$WINE" regedit /S "$(winpath "$WORK/host.reg")" >/dev/null 2>&1 || fail "regedit /S failed"

# 3. The same values read back under Wine.
query() {
    "$WINE" reg query "$KEY" /v "$1" 2>/dev/null | tr -d '\r' | grep -F "$1" || true
}
query Number | grep -q 'REG_DWORD *0x1a$' || fail "Wine reads Number as: $(query Number)"
query Text | grep -qF 'REG_SZ    Demo "quoted" \ text' || fail "Wine reads Text as: $(query Text)"
query Expand | grep -qF 'REG_EXPAND_SZ    %TEMP%\x' || fail "Wine reads Expand as: $(query Expand)"
query Bytes | grep -q 'REG_BINARY *0001FF7F80$' || fail "Wine reads Bytes as: $(query Bytes)"
if [ -n "$WIN_TEST" ]; then
    ZEB_ROUNDTRIP=check "$WINE" "$WIN_TEST" --gtest_filter=RegistryRoundTrip.Check \
        >"$WORK/wine_check.log" 2>&1 ||
        { cat "$WORK/wine_check.log"; fail "the library under Wine reads other values"; }
    grep -q '\[  PASSED  \] 1 test' "$WORK/wine_check.log" || fail "the Wine check did not run"
fi

# 4. Wine exports the key; the host registry loads Wine's file and finds the same values.
"$WINE" regedit /E "$(winpath "$WORK/wine.reg")" "$KEY" >/dev/null 2>&1 ||
    fail "regedit /E failed"
[ -s "$WORK/wine.reg" ] || fail "Wine exported nothing"
ZEB_HOST_REGISTRY="$WORK/wine.reg" ZEB_ROUNDTRIP=check \
    "$HOST_TEST" --gtest_filter=RegistryRoundTrip.Check >"$WORK/host_check.log" 2>&1 ||
    { cat "$WORK/host_check.log"; fail "the host reads other values from Wine's export"; }
grep -q '\[  PASSED  \] 1 test' "$WORK/host_check.log" || fail "the host check did not run"
echo "registry_roundtrip: the host and Wine read the same values"
