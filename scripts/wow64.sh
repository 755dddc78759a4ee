#!/usr/bin/env bash
# Makes Wine's WoW64 mode available: Debian's wine64 runs 32-bit Windows programs when it is
# given the 32-bit Windows DLLs of exactly its own version. They come from the libwine:i386
# package, downloaded with a private apt state configured for i386 (nothing is installed and
# the machine's architectures are left alone), unpacked, stripped of debug information and
# kept in a cache folder (ZEB_WOW64_DLLPATH, default /var/cache/patch8108/wow64). A second
# run with the same Wine version costs nothing.
set -euo pipefail

dest=${ZEB_WOW64_DLLPATH:-/var/cache/patch8108/wow64}
version=$(dpkg-query -W -f='${Version}' libwine 2>/dev/null) || {
    echo "wow64.sh: the Debian package libwine is not installed (scripts/deps.sh installs wine64)" >&2
    exit 1
}
stamp=$dest/.libwine-i386-version
if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$version" ] && [ -f "$dest/i386-windows/kernel32.dll" ]; then
    exit 0
fi
for tool in apt-get dpkg-deb i686-w64-mingw32-strip; do
    command -v "$tool" >/dev/null || { echo "wow64.sh: $tool is missing (run scripts/deps.sh)" >&2; exit 1; }
done

echo "Preparing Wine's 32-bit DLLs (libwine:i386 $version) in $dest"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/state/lists/partial" "$work/cache/archives/partial" "$work/deb"
touch "$work/state/status"
apt_opts=(-o "Dir::State=$work/state" -o "Dir::State::Lists=$work/state/lists"
          -o "Dir::State::status=$work/state/status" -o "Dir::Cache=$work/cache"
          -o APT::Architecture=i386 -o APT::Architectures::=i386 -o Debug::NoLocking=1
          -o APT::Sandbox::User=root)
if ! apt-get "${apt_opts[@]}" update -qq >"$work/apt.log" 2>&1; then
    cat "$work/apt.log" >&2
    echo "wow64.sh: the i386 package lists could not be fetched from the machine's Debian sources" >&2
    exit 1
fi
if ! (cd "$work/deb" && apt-get "${apt_opts[@]}" download "libwine:i386=$version" >"$work/apt.log" 2>&1); then
    cat "$work/apt.log" >&2
    echo "wow64.sh: the download of libwine:i386=$version was refused; the 32-bit build's tests cannot run" >&2
    exit 1
fi
dpkg-deb -x "$work"/deb/libwine_*_i386.deb "$work/root"
dlls=$work/root/usr/lib/i386-linux-gnu/wine/i386-windows
[ -f "$dlls/kernel32.dll" ] || { echo "wow64.sh: the package holds no i386-windows/kernel32.dll" >&2; exit 1; }
# Debug information is most of the size (550 MB against 205 MB).
find "$dlls" -type f ! -name '*.a' -print0 |
    xargs -0 -n 64 i686-w64-mingw32-strip --strip-debug 2>/dev/null || true

mkdir -p "$(dirname "$dest")"
rm -rf "$dest.new"
mkdir -p "$dest.new"
mv "$dlls" "$dest.new/i386-windows"
echo "$version" >"$dest.new/.libwine-i386-version"
rm -rf "$dest"
mv "$dest.new" "$dest"
echo "Wine's 32-bit DLLs are ready in $dest"
