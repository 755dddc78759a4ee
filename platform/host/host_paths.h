// Windows path <-> host path mapping and the handle table of the host Win32 subset.
// Private to platform/host (and its host-only tests).
//
// The mapping follows the usual Windows-on-Unix layout: a prefix directory holds
// drive_c/ for C:, and Z: is the host root. The prefix is ZEB_HOST_PREFIX, or
// $HOME/.zeb-host when that is unset; drive_c/ is created the first time a C: path
// is mapped. No other drive exists.
//
// Names are looked up ignoring case, as Win32 does on the host's case-sensitive file
// system: "C:\FOO.TXT" names an existing "C:\foo.txt" (an exact match wins when names
// differ only in case), and a name that matches nothing keeps the case it was given, so a
// new file is created with it. Case is compared by ASCII and Latin-1 letters.
#pragma once

#include "win32_host.h"
#include <functional>
#include <string>

namespace zebhost
{
// The prefix directory (without a trailing slash); it is not created here.
std::string hostPrefix();

struct HostPath
{
    std::string path;       // absolute host path, "/" for the root, no trailing slash otherwise
    bool trailingSeparator; // the Windows path ended in a backslash after a name
};

// Maps a Windows path to the host path it names. The path may be absolute ("C:\x"),
// drive-relative ("C:x"), root-relative ("\x") or relative to the current directory;
// slashes count as backslashes, drive letters ignore case, "." and ".." are resolved
// by name and trailing dots and spaces of names are dropped, as Win32 does.
// Fails with the Win32 error code in *error: ERROR_PATH_NOT_FOUND for an empty path
// or an unknown drive (ERROR_FILE_NOT_FOUND for a name directly under its root),
// ERROR_INVALID_NAME for a name with one of < > " | ? * or a control character,
// ERROR_BAD_DEV_TYPE (66) for a UNC path, which has no host form. A name longer than 255
// characters names nothing: ERROR_FILE_NOT_FOUND when it is the last one and its directory
// exists, else ERROR_PATH_NOT_FOUND.
bool toHostPath(LPCWSTR windowsPath, HostPath* out, DWORD* error);

// The process's current directory in Windows form; false with the Win32 error in *error
// when the host cannot name it (for instance after it was removed).
bool currentWindowsDirectory(std::u16string* out, DWORD* error);

// mkdir -p; failures show up later, when the path is used.
void makeDirectories(const std::string& path);

// The Windows form of a host path: "C:\..." below the prefix's drive_c, else "Z:\...".
// A relative host path is taken relative to the current directory.
std::u16string toWindowsPath(const std::string& hostPath);

// The Win32 error code for a failed host file system call's errno.
DWORD errnoToWin32(int error);

// Why a host path could not be found: ERROR_FILE_NOT_FOUND when its directory exists,
// ERROR_PATH_NOT_FOUND when it does not.
DWORD notFoundError(const std::string& hostPath);

// Host modules that hand out HANDLEs closed by CloseHandle (other than files) register
// them here; CloseHandle runs `onClose` once and forgets the handle.
HANDLE registerHandle(std::function<void()> onClose);
} // namespace zebhost
