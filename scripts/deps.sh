#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when any is missing, and Wine's
# 32-bit DLLs for the WoW64 runs of the shipping build (scripts/wow64.sh).
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake g++ make perl llvm valgrind locales googletest libgtest-dev libbenchmark-dev
          clang libclang-rt-14-dev
          g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
          binutils-mingw-w64-i686 binutils-mingw-w64-x86-64 wine64
          openssl osslsigncode xvfb xdotool imagemagick)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

"${sudo_cmd[@]}" env ZEB_WOW64_DLLPATH="${ZEB_WOW64_DLLPATH:-/var/cache/patch8108/wow64}" \
  scripts/wow64.sh
