#!/usr/bin/env bash
# Builds the four configurations (host, sanitized host, win32, win64) and runs every test:
# natively, under AddressSanitizer/UBSan, under valgrind, the shipping 32-bit build under
# Wine's WoW64 mode (with the inspection of its image), the 64-bit build under Wine (with
# its message boxes answered under Xvfb), the reproducibility and signature of the shipping
# program, and the libFuzzer targets of the string operations.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh

jobs=$(nproc)
for preset in host host-asan win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
done

ctest --preset host -j "$jobs"
ASAN_OPTIONS=detect_leaks=1 ctest --preset host-asan -j "$jobs"

# The plain host tests once more under valgrind: no leak, no invalid access.
. build/host/zeb_tools.sh
ZEB_TEST_WRAPPER="$ZEB_VALGRIND -q --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect" \
  ctest --preset host -j "$jobs"

ctest --preset win32
ctest --preset win64

# Two clean builds of the shipping program give the same bytes; a copy of that image is
# signed with a throw-away test certificate and the signature verified.
ZEB_JOBS="$jobs" tests/check_reproducible.sh . build/reproducible
ZEB_OPENSSL="$ZEB_OPENSSL" ZEB_OSSLSIGNCODE="$ZEB_OSSLSIGNCODE" \
  scripts/sign.sh build/reproducible/patch8108.exe build/reproducible/signed

# The string operations under libFuzzer for a bounded time (ZEB_FUZZ_SECONDS each).
scripts/fuzz.sh
