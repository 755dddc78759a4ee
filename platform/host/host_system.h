// Private to the host Win32 subset: the bitness of the process and of the system it
// models, read from the environment on first use (or set by a test hook), and the Windows
// version, processor and shell answers it reports, read from the environment at every call
// (the variables are listed in win32_host.h).
#pragma once

#include "win32_host.h"

#include <string>

namespace zebhost
{
// A 32-bit process (the shipping program's situation) or a 64-bit one.
bool processIs32Bit();
// A 64-bit system, where a 32-bit process runs under WoW64 and the registry has two views.
bool systemIs64Bit();

// The version GetVersionExW reports (ZEB_HOST_WINDOWS_VERSION).
struct WindowsVersion
{
    DWORD major;
    DWORD minor;
    DWORD build;
    WORD servicePackMajor;
    WORD suiteMask;
    std::u16string servicePack; // "Service Pack 1", or empty
};
WindowsVersion windowsVersion();
// A GetVersionExW call with this structure size is to fail (ZEB_HOST_GETVERSION_FAILS).
bool versionCallFails(DWORD structureSize);
// The native processor architecture (ZEB_HOST_PROCESSOR_ARCHITECTURE, or from the system's
// bitness).
WORD processorArchitecture();
// The answer of the shell query IsOS (ZEB_HOST_ISOS_TRUE, or from version and bitness).
bool isOSAnswer(DWORD query);
// A variable of the process environment, its name compared case-insensitively.
bool environmentVariable(const std::u16string& name, std::u16string* value);
} // namespace zebhost
