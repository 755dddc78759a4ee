// The Windows version and platform: the Win32 calls as the library relies on them (the host
// subset against Wine) and CZEBWindowsOSInfo. The suite WindowsVersion runs once per
// configured Windows version; ZEB_TEST_WINDOWS_VERSION names the version the run expects
// ("fails" when GetVersionExW is made to fail), ZEB_TEST_PLATFORM the platform answer.
#include "zeb_exceptions.h"
#include "zeb_method_trace.h"
#include "zeb_windows_os_info.h"
#include "zeb_registry_test_support.h"
#include "zeb_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

using namespace zebtest;

namespace
{
const DWORD kUntouchedError = 0xdeadbeef;
const BYTE kSentinelByte = 0xBD;

// A variable of this process's environment, empty when it is not set.
WString variable(LPCWSTR szName)
{
    WCHAR buffer[256] = {0};
    const DWORD cch = GetEnvironmentVariableW(szName, buffer, 256);
    return cch > 0 && cch < 256 ? WString(buffer, cch) : WString();
}

// Sets a variable for one test and puts back what was there.
class ScopedVariable
{
public:
    ScopedVariable(LPCWSTR szName, LPCWSTR szValue) : m_name(szName)
    {
        WCHAR buffer[256] = {0};
        SetLastError(0);
        const DWORD cch = GetEnvironmentVariableW(szName, buffer, 256);
        m_bHad = cch < 256 && (cch > 0 || GetLastError() != ERROR_ENVVAR_NOT_FOUND);
        m_old = WString(buffer, m_bHad ? cch : 0);
        EXPECT_TRUE(SetEnvironmentVariableW(szName, szValue));
    }
    ~ScopedVariable() { SetEnvironmentVariableW(m_name.c_str(), m_bHad ? m_old.c_str() : nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    WString m_name;
    WString m_old;
    bool m_bHad = false;
};

struct Version
{
    DWORD ulMajor;
    DWORD ulMinor;
};

// major.minor as the class computes it, rounded to a double (the x87 unit of the 32-bit
// build would otherwise compare its wider intermediate).
double versionNumber(DWORD ulMajor, DWORD ulMinor)
{
    volatile double dVersion = static_cast<double>(ulMajor) + static_cast<double>(ulMinor) / 10.0;
    return dVersion;
}

// The version the system reports, read directly.
bool systemVersion(Version& version)
{
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info)))
        return false;
    version = {info.dwMajorVersion, info.dwMinorVersion};
    return true;
}

// IsOS of the system directory's shell library, asked directly.
bool directIsOS(DWORD ulQuery, bool& bAnswer)
{
    WCHAR szPath[MAX_PATH + 32] = {0};
    const UINT cch = GetSystemDirectoryW(szPath, MAX_PATH);
    if (cch == 0 || cch >= MAX_PATH)
        return false;
    const WString path = WString(szPath, cch) + ZEB_W("\\shlwapi.dll");
    HMODULE hModule = LoadLibraryW(path.c_str());
    if (!hModule)
        return false;
    const FARPROC pProc = GetProcAddress(hModule, MAKEINTRESOURCEA(437));
    if (pProc)
    {
        typedef BOOL(WINAPI * IsOSFunction)(DWORD);
        bAnswer =
            reinterpret_cast<IsOSFunction>(reinterpret_cast<void (*)()>(pProc))(ulQuery) != FALSE;
    }
    FreeLibrary(hModule);
    return pProc != nullptr;
}

// The predicates for each version: isVista covers 6.0 up to 7.0, 6.2 included.
struct Row
{
    DWORD ulMajor;
    DWORD ulMinor;
    bool bXP;
    bool bVista;
    bool bWin7;
};
const Row kVersionTable[] = {
    {5, 0, false, false, false}, {5, 1, true, false, false},   {5, 2, true, false, false},
    {6, 0, false, true, false},  {6, 1, false, true, true},    {6, 2, false, true, false},
    {6, 3, false, true, false},  {10, 0, false, false, false},
};

const Row* rowFor(double dVersion)
{
    for (const Row& row : kVersionTable)
        if (versionNumber(row.ulMajor, row.ulMinor) == dVersion)
            return &row;
    return nullptr;
}

// "6.1" into its two numbers.
bool parseVersion(const WString& text, Version& version)
{
    const size_t ulDot = text.find(ZEB_W('.'));
    if (ulDot == WString::npos || ulDot == 0 || ulDot + 1 == text.size())
        return false;
    DWORD ulParts[2] = {0, 0};
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (i == ulDot)
            continue;
        if (text[i] < ZEB_W('0') || text[i] > ZEB_W('9'))
            return false;
        DWORD& ulPart = ulParts[i < ulDot ? 0 : 1];
        ulPart = ulPart * 10 + static_cast<DWORD>(text[i] - ZEB_W('0'));
    }
    version = {ulParts[0], ulParts[1]};
    return true;
}

// "CSDVersion" under HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\Windows, put back
// as it was (a Wine prefix has one) when the test ends.
class CsdVersionValue
{
public:
    CsdVersionValue()
    {
        DWORD ulDisposition = 0;
        EXPECT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE, path(), 0, nullptr, 0, KEY_READ | KEY_WRITE,
                                  nullptr, &m_hKey, &ulDisposition));
        m_bCreatedKey = ulDisposition == REG_CREATED_NEW_KEY;
        m_cbOld = sizeof(m_old);
        m_bHad = m_hKey && RegQueryValueExW(m_hKey, ZEB_W("CSDVersion"), nullptr, &m_ulOldType,
                                            m_old, &m_cbOld) == ERROR_SUCCESS;
    }
    ~CsdVersionValue()
    {
        if (!m_hKey)
            return;
        if (m_bHad)
            RegSetValueExW(m_hKey, ZEB_W("CSDVersion"), 0, m_ulOldType, m_old, m_cbOld);
        else
            RegDeleteValueW(m_hKey, ZEB_W("CSDVersion"));
        RegCloseKey(m_hKey);
        if (m_bCreatedKey)
            RegDeleteKeyW(HKEY_LOCAL_MACHINE, path());
    }
    CsdVersionValue(const CsdVersionValue&) = delete;
    CsdVersionValue& operator=(const CsdVersionValue&) = delete;

    static LPCWSTR path() { return ZEB_W("SYSTEM\\CurrentControlSet\\Control\\Windows"); }
    void set(DWORD ulType, const void* pData, DWORD cbData)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(m_hKey, ZEB_W("CSDVersion"), 0, ulType,
                                                static_cast<const BYTE*>(pData), cbData));
    }
    void remove() { RegDeleteValueW(m_hKey, ZEB_W("CSDVersion")); }
    // The value read directly: false when it is not a readable DWORD.
    bool read(DWORD& ulValue) const
    {
        DWORD ulType = 0;
        DWORD cbData = sizeof(ulValue);
        return RegQueryValueExW(m_hKey, ZEB_W("CSDVersion"), nullptr, &ulType,
                                reinterpret_cast<BYTE*>(&ulValue), &cbData) == ERROR_SUCCESS &&
               ulType == REG_DWORD && cbData == sizeof(ulValue);
    }

private:
    HKEY m_hKey = nullptr;
    bool m_bCreatedKey = false;
    bool m_bHad = false;
    DWORD m_ulOldType = 0;
    BYTE m_old[64] = {0};
    DWORD m_cbOld = 0;
};

class TracedTest : public ::testing::Test
{
protected:
    void SetUp() override { g_ulDynamicLogging = 0; }
    void TearDown() override { g_ulDynamicLogging = 0; }
};

std::vector<WString> linesWith(const std::vector<WString>& lines, const WString& text)
{
    std::vector<WString> out;
    for (const WString& line : lines)
        if (line.find(text) != WString::npos)
            out.push_back(line);
    return out;
}

const WCHAR kInitFailed[] =
    ZEB_W("CZEBWindowsOSInfo construction failed. Cannot call member functions.");
} // namespace

// ---- The Win32 calls -----------------------------------------------------------

TEST(Win32Version, BothStructureSizesAreFilledUpToTheirSize)
{
    Version extended = {0, 0};
    for (DWORD cbSize : {DWORD(sizeof(OSVERSIONINFOEXW)), DWORD(sizeof(OSVERSIONINFOW))})
    {
        SCOPED_TRACE(cbSize);
        BYTE raw[sizeof(OSVERSIONINFOEXW) + 16];
        std::memset(raw, kSentinelByte, sizeof(raw));
        std::memset(raw, 0, cbSize);
        OSVERSIONINFOEXW* pInfo = reinterpret_cast<OSVERSIONINFOEXW*>(raw);
        pInfo->dwOSVersionInfoSize = cbSize;
        SetLastError(kUntouchedError);
        ASSERT_TRUE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(pInfo)));
        EXPECT_EQ(kUntouchedError, GetLastError());
        EXPECT_EQ(cbSize, pInfo->dwOSVersionInfoSize);
        EXPECT_EQ(static_cast<DWORD>(VER_PLATFORM_WIN32_NT), pInfo->dwPlatformId);
        EXPECT_GE(pInfo->dwMajorVersion, 5u);
        EXPECT_LT(pInfo->dwMinorVersion, 10u);
        if (cbSize == sizeof(OSVERSIONINFOEXW))
        {
            extended = {pInfo->dwMajorVersion, pInfo->dwMinorVersion};
            EXPECT_EQ(static_cast<BYTE>(VER_NT_WORKSTATION), pInfo->wProductType);
        }
        else
        {
            EXPECT_EQ(extended.ulMajor, pInfo->dwMajorVersion);
            EXPECT_EQ(extended.ulMinor, pInfo->dwMinorVersion);
        }
        // The service-pack text is terminated inside its field; nothing past the size.
        EXPECT_LT(WString(pInfo->szCSDVersion).size(), 128u);
        for (size_t i = cbSize; i < sizeof(raw); ++i)
            ASSERT_EQ(kSentinelByte, raw[i]) << "byte " << i;
    }
}

TEST(Win32Version, OtherSizesAreRefusedWithoutAnError)
{
    for (DWORD cbSize : {0u, 100u, 280u, 288u})
    {
        SCOPED_TRACE(cbSize);
        OSVERSIONINFOEXW info;
        std::memset(&info, kSentinelByte, sizeof(info));
        info.dwOSVersionInfoSize = cbSize;
        SetLastError(kUntouchedError);
        EXPECT_FALSE(GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info)));
        EXPECT_EQ(kUntouchedError, GetLastError());
        EXPECT_EQ(0xBDBDBDBDu, info.dwMajorVersion);
    }
}

TEST(Win32Version, NativeSystemInfoOfThe64BitSystem)
{
    SYSTEM_INFO info;
    std::memset(&info, kSentinelByte, sizeof(info));
    GetNativeSystemInfo(&info);
    // Wine's prefixes and the host's default are 64-bit x64 systems, for 32-bit processes too.
    EXPECT_EQ(PROCESSOR_ARCHITECTURE_AMD64, info.wProcessorArchitecture);
    EXPECT_EQ(4096u, info.dwPageSize);
    EXPECT_EQ(65536u, info.dwAllocationGranularity);
    EXPECT_GE(info.dwNumberOfProcessors, 1u);
    EXPECT_NE(0u, info.dwActiveProcessorMask);
}

TEST(Win32Version, SystemDirectoryForEachBufferSize)
{
    const WString expected = ZEB_W("C:\\windows\\system32");
    struct Case
    {
        UINT cchSize;
        UINT ulResult;
        bool bWritten;
    };
    const Case cases[] = {
        {0, 20, false}, {1, 20, false}, {19, 20, false}, {20, 19, true}, {64, 19, true}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.cchSize);
        WCHAR buffer[64];
        for (WCHAR& ch : buffer)
            ch = 0xBDBD;
        SetLastError(kUntouchedError);
        EXPECT_EQ(c.ulResult, GetSystemDirectoryW(c.cchSize ? buffer : nullptr, c.cchSize));
        EXPECT_EQ(kUntouchedError, GetLastError());
        if (c.bWritten)
        {
            EXPECT_EQ(expected, WString(buffer));
            EXPECT_EQ(0xBDBD, buffer[20]);
        }
        else
        {
            EXPECT_EQ(0xBDBD, buffer[0]);
        }
    }
}

TEST(Win32Version, TheShellLibraryAndItsIsOSExport)
{
    struct Case
    {
        LPCWSTR szPath;
        bool bLoads;
    };
    const Case cases[] = {
        {ZEB_W("C:\\windows\\system32\\shlwapi.dll"), true},
        {ZEB_W("C:\\WINDOWS\\SYSTEM32\\SHLWAPI.DLL"), true},
        {ZEB_W("shlwapi.dll"), true},
        {ZEB_W("SHLWAPI"), true},
        {ZEB_W("C:\\nowhere\\shlwapi.dll"), false},
        {ZEB_W("nosuch.dll"), false},
        {ZEB_W(""), false},
    };
    HMODULE hFirst = nullptr;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szPath));
        SetLastError(kUntouchedError);
        HMODULE hModule = LoadLibraryW(c.szPath);
        if (!c.bLoads)
        {
            EXPECT_EQ(nullptr, hModule);
            EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
            continue;
        }
        ASSERT_NE(nullptr, hModule);
        if (!hFirst)
            hFirst = hModule;
        EXPECT_EQ(hFirst, hModule);
        SetLastError(kUntouchedError);
        const FARPROC pByOrdinal = GetProcAddress(hModule, MAKEINTRESOURCEA(437));
        EXPECT_NE(nullptr, pByOrdinal);
        EXPECT_EQ(pByOrdinal, GetProcAddress(hModule, "IsOS"));
        EXPECT_EQ(kUntouchedError, GetLastError());
        for (LPCSTR szMissing :
             {static_cast<LPCSTR>(MAKEINTRESOURCEA(9999)), static_cast<LPCSTR>("NoSuchExport")})
        {
            SetLastError(kUntouchedError);
            EXPECT_EQ(nullptr, GetProcAddress(hModule, szMissing));
            EXPECT_EQ(static_cast<DWORD>(ERROR_PROC_NOT_FOUND), GetLastError());
        }
        SetLastError(kUntouchedError);
        EXPECT_TRUE(FreeLibrary(hModule));
        EXPECT_EQ(kUntouchedError, GetLastError());
    }
    SetLastError(kUntouchedError);
    EXPECT_FALSE(FreeLibrary(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
}

// ---- The version predicates, once per configured version ------------------------

TEST(WindowsVersion, PredicatesFollowTheVersion)
{
    const WString expected = variable(ZEB_W("ZEB_TEST_WINDOWS_VERSION"));
    if (expected == ZEB_W("fails"))
    {
        LoggingOn logging;
        SetLastError(kUntouchedError);
        DWORD ulError = 0;
        bool bThrown = false;
        try
        {
            CZEBWindowsOSInfo info;
        }
        catch (CZEBWindowsOSInfoInitNeededException&)
        {
            bThrown = true;
            ulError = GetLastError();
        }
        EXPECT_TRUE(bThrown);
        // The record is written once, at the throw, and keeps the failed call's error.
        EXPECT_EQ(1u, countLinesWith(logging.log.lines(), kInitFailed));
        EXPECT_NE(kUntouchedError, ulError);
        EXPECT_NE(0u, ulError);
        return;
    }
    CZEBWindowsOSInfo info;
    Version system = {0, 0};
    ASSERT_TRUE(systemVersion(system));
    EXPECT_EQ(versionNumber(system.ulMajor, system.ulMinor), info.getVersion());
    EXPECT_EQ(info.getVersion(), info.m_dVersion);
    if (!expected.empty())
    {
        Version wanted = {0, 0};
        ASSERT_TRUE(parseVersion(expected, wanted)) << narrow(expected);
        EXPECT_EQ(versionNumber(wanted.ulMajor, wanted.ulMinor), info.getVersion())
            << "expected " << narrow(expected);
    }
    const Row* pRow = rowFor(info.getVersion());
    ASSERT_NE(nullptr, pRow) << "no row for version " << info.getVersion();
    EXPECT_EQ(pRow->bXP, info.isXP());
    EXPECT_EQ(pRow->bVista, info.isVista());
    EXPECT_EQ(pRow->bWin7, info.isWin7());
    // The shell's first query is asked of the same system.
    bool bXPOrGreater = false;
    ASSERT_TRUE(directIsOS(18, bXPOrGreater));
    EXPECT_EQ(bXPOrGreater, info.m_bXPOrGreater);
}

// ---- The rest of the class, in the default configuration ------------------------

TEST(WindowsOSInfo, PlatformIsTheNativeProcessors)
{
    const WString expected = variable(ZEB_W("ZEB_TEST_PLATFORM"));
    CZEBWindowsOSInfo info;
    // Two for a 64-bit system whatever this process is: the win32 build runs under WoW64.
    const DWORD ulExpected = expected == ZEB_W("1") ? 1 : 2;
    EXPECT_EQ(ulExpected, info.getPlatform());
    SYSTEM_INFO system = {};
    GetNativeSystemInfo(&system);
    EXPECT_EQ(ulExpected == 2, system.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64);
}

TEST(WindowsOSInfo, ShellQueriesAnswerAsTheSystemsShellLibrary)
{
    CZEBWindowsOSInfo info;
    bool bDirect = false;
    ASSERT_TRUE(directIsOS(18, bDirect));
    EXPECT_EQ(bDirect, info.m_bXPOrGreater);
    ASSERT_TRUE(directIsOS(37, bDirect));
    EXPECT_EQ(bDirect, info.m_bOSQuery37);
    for (DWORD ulQuery : {0u, 1u, 18u, 30u, 37u, 1000u})
    {
        SCOPED_TRACE(ulQuery);
        ASSERT_TRUE(directIsOS(ulQuery, bDirect));
        for (bool bStart : {false, true})
        {
            bool bAnswer = bStart;
            EXPECT_TRUE(info.performOSQueryFunction(ulQuery, bAnswer));
            EXPECT_EQ(bDirect, bAnswer);
        }
    }
}

TEST(WindowsOSInfo, PreinstallationMarkerTable)
{
    struct Case
    {
        LPCWSTR szValue; // null: not set
        bool bWinPE;
    };
    const Case cases[] = {
        {ZEB_W("C:"), true}, {ZEB_W("X"), true}, {ZEB_W(""), false}, {nullptr, false}};
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szValue ? narrow(c.szValue) : "not set");
        ScopedVariable drive(ZEB_W("ZEBDrive"), c.szValue);
        CZEBWindowsOSInfo info;
        EXPECT_EQ(c.bWinPE, info.m_bWinPE);
        EXPECT_EQ(c.bWinPE, info.performPECheck());
    }
}

TEST(WindowsOSInfo, ServicePackFromCsdVersion)
{
    CsdVersionValue csd;
    {
        // What the system itself records.
        DWORD ulSystem = 0;
        const bool bReadable = csd.read(ulSystem);
        CZEBWindowsOSInfo info;
        EXPECT_EQ(bReadable ? ulSystem >> 8 : 0u, info.m_ulServicePack);
    }
    const DWORD ulSp3 = 0x0300;
    const DWORD ulSp2Build = 0x0201;
    const BYTE twoBytes[] = {0x00, 0x02};
    const BYTE eightBytes[] = {0, 3, 0, 0, 0, 0, 0, 0};
    struct Case
    {
        const char* label;
        DWORD ulType; // REG_NONE: the value is removed
        const void* pData;
        DWORD cbData;
        DWORD ulServicePack;
    };
    const Case cases[] = {
        {"0x0300", REG_DWORD, &ulSp3, 4, 3},
        {"0x0201", REG_DWORD, &ulSp2Build, 4, 2},
        {"missing", REG_NONE, nullptr, 0, 0},
        {"two bytes", REG_BINARY, twoBytes, 2, 2},
        {"eight bytes cannot be read", REG_BINARY, eightBytes, 8, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        if (c.ulType == REG_NONE)
            csd.remove();
        else
            csd.set(c.ulType, c.pData, c.cbData);
        CZEBWindowsOSInfo info;
        EXPECT_EQ(c.ulServicePack, info.m_ulServicePack);
    }
}

TEST_F(TracedTest, EveryMethodIsTraced)
{
    ScopedVariable drive(ZEB_W("ZEBDrive"), nullptr);
    LoggingOn logging(LS_ENTRY | LS_EXIT);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    bool bXP = false;
    bool bVista = false;
    bool bWin7 = false;
    {
        CZEBWindowsOSInfo info;
        bXP = info.isXP();
        bVista = info.isVista();
        bWin7 = info.isWin7();
        bool bAnswer = false;
        EXPECT_TRUE(info.performOSQueryFunction(18, bAnswer));
        EXPECT_EQ(2u, info.getPlatform());
        EXPECT_FALSE(info.performPECheck());
    }
    const std::vector<WString> lines = logging.log.lines();
    struct Expect
    {
        LPCWSTR szMethod;
        size_t ulCalls;
        LPCWSTR szLastResult;
    };
    const auto logical = [](bool b)
    { return b ? ZEB_W("> <Passed> <") : ZEB_W("> <Failed Logical Result> <"); };
    const Expect expected[] = {
        {ZEB_W("<CZEBWindowsOSInfo::CZEBWindowsOSInfo>"), 1, ZEB_W("> <Passed> <")},
        {ZEB_W("<CZEBWindowsOSInfo::~CZEBWindowsOSInfo>"), 1, ZEB_W("> <Passed> <")},
        {ZEB_W("<CZEBWindowsOSInfo::isXP>"), 1, logical(bXP)},
        {ZEB_W("<CZEBWindowsOSInfo::isVista>"), 1, logical(bVista)},
        {ZEB_W("<CZEBWindowsOSInfo::isWin7>"), 1, logical(bWin7)},
        // Two in the constructor and one asked here.
        {ZEB_W("<CZEBWindowsOSInfo::performOSQueryFunction>"), 3, ZEB_W("> <Passed> <")},
        {ZEB_W("<CZEBWindowsOSInfo::getPlatform>"), 1, ZEB_W("> <Passed> <")},
        {ZEB_W("<CZEBWindowsOSInfo::performPECheck>"), 2, logical(false)},
    };
    for (const Expect& e : expected)
    {
        SCOPED_TRACE(narrow(e.szMethod));
        const std::vector<WString> method = linesWith(lines, e.szMethod);
        ASSERT_EQ(2 * e.ulCalls, method.size());
        EXPECT_EQ(e.ulCalls, linesWith(method, ZEB_W("<ENTRY> ")).size());
        const std::vector<WString> exits = linesWith(method, ZEB_W("<EXIT> "));
        ASSERT_EQ(e.ulCalls, exits.size());
        EXPECT_NE(WString::npos, exits.back().find(e.szLastResult)) << narrow(exits.back());
        EXPECT_NE(WString::npos, exits.back().find(ZEB_W("<zeb_windows_os_info.cpp, ")));
    }
}

#ifndef _WIN32
// ---- Host only: configured processors, failing calls and the loaded path ---------

namespace
{
WString shellLibraryInSystemDirectory()
{
    WCHAR szDirectory[64] = {0};
    const UINT cch = GetSystemDirectoryW(szDirectory, 64);
    return WString(szDirectory, cch) + ZEB_W("\\shlwapi.dll");
}
} // namespace

class HostOnlyWindowsOSInfo : public ::testing::Test
{
protected:
    void SetUp() override
    {
        zebhost::clearFailures();
        zebhost::clearLoadLibraryPaths();
    }
    void TearDown() override
    {
        zebhost::clearFailures();
        zebhost::clearLoadLibraryPaths();
        zebhost::setBitness(0, 0); // back to what the environment says
    }
};

TEST_F(HostOnlyWindowsOSInfo, PlatformTable)
{
    struct Case
    {
        LPCWSTR szArchitecture;
        DWORD ulPlatform;
    };
    const Case cases[] = {
        {ZEB_W("0"), 1},  {ZEB_W("5"), 1},  {ZEB_W("6"), 2},     {ZEB_W("9"), 2},
        {ZEB_W("10"), 2}, {ZEB_W("12"), 1}, {ZEB_W("65535"), 1},
    };
    CZEBWindowsOSInfo info;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szArchitecture));
        // Asked at every call: the same object follows the system.
        ScopedVariable architecture(ZEB_W("ZEB_HOST_PROCESSOR_ARCHITECTURE"), c.szArchitecture);
        EXPECT_EQ(c.ulPlatform, info.getPlatform());
    }
    // Without a configured processor the system's bitness decides.
    zebhost::setBitness(32, 32);
    EXPECT_EQ(1u, info.getPlatform());
    zebhost::setBitness(32, 64);
    EXPECT_EQ(2u, info.getPlatform());
}

TEST_F(HostOnlyWindowsOSInfo, TheShellLibraryIsLoadedFromTheSystemDirectory)
{
    const DWORD ulReferences = zebhost::libraryReferences();
    {
        CZEBWindowsOSInfo info;
        bool bAnswer = false;
        EXPECT_TRUE(info.performOSQueryFunction(18, bAnswer));
    }
    const std::vector<std::u16string> paths = zebhost::loadLibraryPaths();
    ASSERT_EQ(3u, paths.size()); // queries 18 and 37 at construction, 18 again
    for (const std::u16string& path : paths)
    {
        EXPECT_EQ(shellLibraryInSystemDirectory(), WString(path));
        EXPECT_EQ(WString(ZEB_W("C:\\windows\\system32\\shlwapi.dll")), WString(path));
    }
    // Every load was freed.
    EXPECT_EQ(ulReferences, zebhost::libraryReferences());
}

TEST_F(HostOnlyWindowsOSInfo, ShellQueryFailures)
{
    struct Case
    {
        const char* function;
        DWORD ulError;
        size_t ulLoads; // LoadLibraryW calls made
    };
    const Case cases[] = {
        // Without the system directory nothing is loaded, not even by bare name.
        {"GetSystemDirectoryW", ERROR_NOT_ENOUGH_MEMORY, 0},
        {"LoadLibraryW", ERROR_MOD_NOT_FOUND, 1},
        {"GetProcAddress", ERROR_PROC_NOT_FOUND, 1},
    };
    CZEBWindowsOSInfo info;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.function);
        for (bool bStart : {false, true})
        {
            zebhost::clearLoadLibraryPaths();
            const DWORD ulReferences = zebhost::libraryReferences();
            zebhost::failCall(c.function, c.ulError);
            bool bAnswer = bStart;
            EXPECT_FALSE(info.performOSQueryFunction(18, bAnswer));
            zebhost::clearFailures();
            // The answer is left alone, and whatever was loaded is freed.
            EXPECT_EQ(bStart, bAnswer);
            EXPECT_EQ(c.ulLoads, zebhost::loadLibraryPaths().size());
            EXPECT_EQ(ulReferences, zebhost::libraryReferences());
        }
    }
}

TEST_F(HostOnlyWindowsOSInfo, ShellAnswersAtConstruction)
{
    struct Case
    {
        LPCWSTR szTrue;      // ZEB_HOST_ISOS_TRUE
        const char* failing; // a call that fails once, or null
        bool bXPOrGreater;
        bool bOSQuery37;
        size_t ulLoads;
    };
    const Case cases[] = {
        {ZEB_W("18,37"), nullptr, true, true, 2},
        {ZEB_W("37"), nullptr, false, true, 2},
        {ZEB_W("18"), nullptr, true, false, 2},
        {ZEB_W("30"), nullptr, false, false, 2},
        // The second query is asked only when the first could be.
        {ZEB_W("18,37"), "LoadLibraryW", false, false, 1},
        {ZEB_W("18,37"), "GetProcAddress", false, false, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szTrue) + (c.failing ? std::string(" ") + c.failing : ""));
        ScopedVariable answers(ZEB_W("ZEB_HOST_ISOS_TRUE"), c.szTrue);
        zebhost::clearLoadLibraryPaths();
        if (c.failing)
            zebhost::failCall(c.failing, ERROR_MOD_NOT_FOUND);
        CZEBWindowsOSInfo info;
        zebhost::clearFailures();
        EXPECT_EQ(c.bXPOrGreater, info.m_bXPOrGreater);
        EXPECT_EQ(c.bOSQuery37, info.m_bOSQuery37);
        EXPECT_EQ(c.ulLoads, zebhost::loadLibraryPaths().size());
    }
}

TEST_F(HostOnlyWindowsOSInfo, VersionFallsBackToThePlainStructure)
{
    struct Case
    {
        const char* label;
        LPCWSTR szFails; // ZEB_HOST_GETVERSION_FAILS, or null
        int nInjected;   // GetVersionExW calls made to fail by the hook
        bool bConstructs;
    };
    const Case cases[] = {
        {"the extended size refused", ZEB_W("284"), 0, true},
        {"the plain size refused", ZEB_W("276"), 0, true},
        {"every size refused", ZEB_W("1"), 0, false},
        {"first call fails", nullptr, 1, true},
        {"both calls fail", nullptr, 2, false},
    };
    LoggingOn logging;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        ScopedVariable version(ZEB_W("ZEB_HOST_WINDOWS_VERSION"), ZEB_W("5.2"));
        ScopedVariable fails(ZEB_W("ZEB_HOST_GETVERSION_FAILS"), c.szFails);
        if (c.nInjected)
            zebhost::failCall("GetVersionExW", ERROR_NOT_ENOUGH_MEMORY, c.nInjected);
        const size_t ulBefore = countLinesWith(logging.log.lines(), kInitFailed);
        try
        {
            CZEBWindowsOSInfo info;
            EXPECT_TRUE(c.bConstructs);
            EXPECT_EQ(versionNumber(5, 2), info.getVersion());
            EXPECT_TRUE(info.isXP());
        }
        catch (CZEBWindowsOSInfoInitNeededException&)
        {
            EXPECT_FALSE(c.bConstructs);
            // The error of the failed call is kept through the record's writing.
            EXPECT_EQ(
                static_cast<DWORD>(c.nInjected ? ERROR_NOT_ENOUGH_MEMORY : ERROR_INVALID_PARAMETER),
                GetLastError());
        }
        zebhost::clearFailures();
        EXPECT_EQ(ulBefore + (c.bConstructs ? 0 : 1),
                  countLinesWith(logging.log.lines(), kInitFailed));
    }
}
#endif
