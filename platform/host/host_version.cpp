// The Windows version, the native processor, the system directory and the shell library
// with its IsOS export, as the host models them (configured in host_system.cpp).
#include "host_system.h"
#include "host_test_hooks.h"
#include "host_text.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace
{
const char16_t kSystemDirectory[] = u"C:\\windows\\system32";
const size_t kSystemDirectoryLength = sizeof(kSystemDirectory) / sizeof(char16_t) - 1;

struct LibraryState
{
    DWORD references = 0;
    std::vector<std::u16string> paths;
};

LibraryState& libraries()
{
    static LibraryState state;
    return state;
}

// The shell library's handle: the address of an object of ours, never dereferenced.
char s_shellModule;
HMODULE shellModule()
{
    return reinterpret_cast<HMODULE>(&s_shellModule);
}

BOOL WINAPI hostIsOS(DWORD dwOS)
{
    return zebhost::isOSAnswer(dwOS) ? TRUE : FALSE;
}

bool isShellLibrary(const std::u16string& path)
{
    const std::u16string inSystem = std::u16string(kSystemDirectory) + u"\\shlwapi.dll";
    return zebhost::equalsNoCase(path, u"shlwapi") || zebhost::equalsNoCase(path, u"shlwapi.dll") ||
           zebhost::equalsNoCase(path, inSystem);
}
} // namespace

namespace zebhost
{
std::vector<std::u16string> loadLibraryPaths()
{
    return libraries().paths;
}

void clearLoadLibraryPaths()
{
    libraries().paths.clear();
}

DWORD libraryReferences()
{
    return libraries().references;
}
} // namespace zebhost

BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW lpVersionInformation)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("GetVersionExW", &error))
    {
        SetLastError(error);
        return FALSE;
    }
    // Wine leaves the last error alone for a size it does not know.
    const DWORD size = lpVersionInformation->dwOSVersionInfoSize;
    if (size != sizeof(OSVERSIONINFOW) && size != sizeof(OSVERSIONINFOEXW))
        return FALSE;
    if (zebhost::versionCallFails(size))
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const zebhost::WindowsVersion version = zebhost::windowsVersion();
    lpVersionInformation->dwMajorVersion = version.major;
    lpVersionInformation->dwMinorVersion = version.minor;
    lpVersionInformation->dwBuildNumber = version.build;
    lpVersionInformation->dwPlatformId = VER_PLATFORM_WIN32_NT;
    std::memset(lpVersionInformation->szCSDVersion, 0, sizeof(lpVersionInformation->szCSDVersion));
    std::copy(version.servicePack.begin(), version.servicePack.end(),
              lpVersionInformation->szCSDVersion);
    if (size == sizeof(OSVERSIONINFOEXW))
    {
        // The extended structure begins with the plain one.
        auto* pEx = reinterpret_cast<LPOSVERSIONINFOEXW>(lpVersionInformation);
        pEx->wServicePackMajor = version.servicePackMajor;
        pEx->wServicePackMinor = 0;
        pEx->wSuiteMask = version.suiteMask;
        pEx->wProductType = VER_NT_WORKSTATION;
        pEx->wReserved = 0;
    }
    return TRUE;
}

void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo)
{
    const WORD architecture = zebhost::processorArchitecture();
    const bool b64 = architecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                     architecture == PROCESSOR_ARCHITECTURE_IA64 ||
                     architecture == PROCESSOR_ARCHITECTURE_ARM64;
    const unsigned processors = std::max(1u, std::min(64u, std::thread::hardware_concurrency()));
    SYSTEM_INFO info{};
    info.wProcessorArchitecture = architecture;
    info.dwPageSize = 4096;
    info.lpMinimumApplicationAddress = reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(0x10000));
    info.lpMaximumApplicationAddress =
        reinterpret_cast<LPVOID>(static_cast<ULONG_PTR>(b64 ? 0x7FFFFFFEFFFFull : 0x7FFEFFFFull));
    info.dwActiveProcessorMask =
        processors >= 64 ? ~DWORD_PTR(0) : (DWORD_PTR(1) << processors) - 1;
    info.dwNumberOfProcessors = processors;
    info.dwProcessorType = architecture == PROCESSOR_ARCHITECTURE_AMD64 ? 8664 : 586;
    info.dwAllocationGranularity = 65536;
    info.wProcessorLevel = 6;
    *lpSystemInfo = info;
}

UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("GetSystemDirectoryW", &error))
    {
        SetLastError(error);
        return 0;
    }
    if (!lpBuffer || uSize <= kSystemDirectoryLength)
        return static_cast<UINT>(kSystemDirectoryLength + 1);
    std::copy(kSystemDirectory, kSystemDirectory + kSystemDirectoryLength + 1, lpBuffer);
    return static_cast<UINT>(kSystemDirectoryLength);
}

HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName)
{
    const std::u16string path =
        lpLibFileName ? std::u16string(lpLibFileName, zebhost::wideLength(lpLibFileName))
                      : std::u16string();
    libraries().paths.push_back(path);
    DWORD error = 0;
    if (zebhost::injectedFailure("LoadLibraryW", &error))
    {
        SetLastError(error);
        return nullptr;
    }
    if (!isShellLibrary(path))
    {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++libraries().references;
    return shellModule();
}

FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("GetProcAddress", &error))
    {
        SetLastError(error);
        return nullptr;
    }
    const ULONG_PTR ulName = reinterpret_cast<ULONG_PTR>(lpProcName);
    const bool bIsOS =
        ulName >> 16 == 0 ? ulName == 437 : lpProcName && std::strcmp(lpProcName, "IsOS") == 0;
    if (hModule != shellModule() || libraries().references == 0 || !bIsOS)
    {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    // Through the generic function pointer type, as every caller casts it back.
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&hostIsOS));
}

BOOL WINAPI FreeLibrary(HMODULE hLibModule)
{
    if (hLibModule != shellModule() || libraries().references == 0)
    {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --libraries().references;
    return TRUE;
}
