#include "zeb_windows_os_info.h"

#include "zeb_environment_variable.h"
#include "zeb_guard.h"
#include "zeb_method_trace.h"
#include "zeb_registry_dword.h"

#define ZEB_OSINFO_SOURCE ZEB_W(".\\zeb_windows_os_info.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBWindowsOSInfo");

// Shell queries asked at construction.
const DWORD s_ulOSXPOrGreater = 18;
const DWORD s_ulOSQuery37 = 37;
// IsOS is exported by ordinal only on some systems.
const WORD s_usIsOSOrdinal = 437;

typedef BOOL(WINAPI* IsOSFunction)(DWORD);

// Holds a loaded library until the end of the scope.
class CZEBLoadedLibrary
{
public:
    explicit CZEBLoadedLibrary(LPCWSTR szPath) : m_hModule(LoadLibraryW(szPath)) {}
    ~CZEBLoadedLibrary()
    {
        if (m_hModule)
            FreeLibrary(m_hModule);
    }
    CZEBLoadedLibrary(const CZEBLoadedLibrary&) = delete;
    CZEBLoadedLibrary& operator=(const CZEBLoadedLibrary&) = delete;

    HMODULE m_hModule;
};

// The shell library's full path in the system directory. It is never loaded by its bare
// name: the program runs elevated from download folders, where a planted DLL of that name
// would be found first.
bool shellLibraryPath(CZEBBuffer<unsigned short>& path)
{
    static const WCHAR s_szShellLibrary[] = ZEB_W("\\shlwapi.dll");
    const DWORD cchShellLibrary = sizeof(s_szShellLibrary) / sizeof(WCHAR) - 1;
    // The size the directory needs, with its terminator.
    const UINT cchNeeded = GetSystemDirectoryW(nullptr, 0);
    if (cchNeeded == 0)
        return false;
    if (!path.create(cchNeeded + cchShellLibrary))
        return false;
    unsigned short* pPath = path.getBuffer();
    const UINT cchDirectory = GetSystemDirectoryW(reinterpret_cast<LPWSTR>(pPath), cchNeeded);
    if (cchDirectory == 0 || cchDirectory >= cchNeeded)
        return false;
    // A root directory already ends with the separator.
    DWORD ulFrom = pPath[cchDirectory - 1] == ZEB_W('\\') ? 1 : 0;
    DWORD ulAt = cchDirectory;
    for (; ulFrom <= cchShellLibrary; ++ulFrom, ++ulAt)
        pPath[ulAt] = static_cast<unsigned short>(s_szShellLibrary[ulFrom]);
    return true;
}

// The service-pack major number from "CSDVersion" (0x0200 is service pack 2); 0 when the
// value cannot be read.
DWORD readServicePack()
{
    return zebGuarded(DWORD(0), zesLastError, ZEB_OSINFO_SOURCE, __LINE__,
                      [&]
                      {
                          CZEBRegistryDword csdVersion(
                              HKEY_LOCAL_MACHINE,
                              ZEB_W("SYSTEM\\CurrentControlSet\\Control\\Windows"),
                              ZEB_W("CSDVersion"), KEY_READ, false, 0);
                          DWORD ulValue = 0;
                          return csdVersion.getValue(ulValue, false) ? ulValue >> 8 : DWORD(0);
                      });
}
} // namespace

CZEBWindowsOSInfo::CZEBWindowsOSInfo()
    : m_bXPOrGreater(false), m_bOSQuery37(false), m_bWinPE(false), m_ulServicePack(0),
      m_dVersion(0.0)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBWindowsOSInfo"), ZEB_OSINFO_SOURCE, __LINE__);
    if (performPECheck())
        m_bWinPE = true;
    bool bAnswer = false;
    if (performOSQueryFunction(s_ulOSXPOrGreater, bAnswer))
    {
        m_bXPOrGreater = bAnswer;
        bAnswer = false;
        if (performOSQueryFunction(s_ulOSQuery37, bAnswer))
            m_bOSQuery37 = bAnswer;
    }
    m_ulServicePack = readServicePack();

    // The extended structure first, then the plain one for systems that refuse it.
    OSVERSIONINFOEXW info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOEXW);
    BOOL bRead = GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info));
    if (!bRead)
    {
        info = OSVERSIONINFOEXW();
        info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
        bRead = GetVersionExW(reinterpret_cast<LPOSVERSIONINFOW>(&info));
    }
    if (!bRead)
        throw CZEBWindowsOSInfoInitNeededException(ZEB_OSINFO_SOURCE, __LINE__);
    m_dVersion =
        static_cast<double>(info.dwMajorVersion) + static_cast<double>(info.dwMinorVersion) / 10.0;
    trace.passFail(true);
}

CZEBWindowsOSInfo::~CZEBWindowsOSInfo()
{
    ZebTrace trace(s_szClass, ZEB_W("~CZEBWindowsOSInfo"), ZEB_OSINFO_SOURCE, __LINE__);
    trace.passFail(true);
}

DWORD CZEBWindowsOSInfo::getPlatform()
{
    ZebTrace trace(s_szClass, ZEB_W("getPlatform"), ZEB_OSINFO_SOURCE, __LINE__);
    const DWORD ulPlatform = zebGuarded(DWORD(1), zesLastError, ZEB_OSINFO_SOURCE, __LINE__,
                                        [&]
                                        {
                                            SYSTEM_INFO info = {};
                                            GetNativeSystemInfo(&info);
                                            switch (info.wProcessorArchitecture)
                                            {
                                            case PROCESSOR_ARCHITECTURE_IA64:
                                            case PROCESSOR_ARCHITECTURE_AMD64:
                                            case PROCESSOR_ARCHITECTURE_IA32_ON_WIN64:
                                                return DWORD(2);
                                            default:
                                                return DWORD(1);
                                            }
                                        });
    trace.passFail(true);
    return ulPlatform;
}

bool CZEBWindowsOSInfo::isXP()
{
    ZebTrace trace(s_szClass, ZEB_W("isXP"), ZEB_OSINFO_SOURCE, __LINE__);
    return trace.logical(m_dVersion >= 5.1 && m_dVersion < 6.0);
}

bool CZEBWindowsOSInfo::isVista()
{
    ZebTrace trace(s_szClass, ZEB_W("isVista"), ZEB_OSINFO_SOURCE, __LINE__);
    return trace.logical(m_dVersion >= 6.0 && m_dVersion < 7.0);
}

bool CZEBWindowsOSInfo::isWin7()
{
    ZebTrace trace(s_szClass, ZEB_W("isWin7"), ZEB_OSINFO_SOURCE, __LINE__);
    return trace.logical(m_dVersion == 6.1);
}

bool CZEBWindowsOSInfo::performOSQueryFunction(DWORD ulQuery, bool& bAnswer)
{
    ZebTrace trace(s_szClass, ZEB_W("performOSQueryFunction"), ZEB_OSINFO_SOURCE, __LINE__);
    return trace.passFail(zebGuardedCatchAll(
        false, zesLastError, ZEB_OSINFO_SOURCE, __LINE__,
        [&]
        {
            CZEBBuffer<unsigned short> path;
            if (!shellLibraryPath(path))
                return false;
            CZEBLoadedLibrary library(reinterpret_cast<LPCWSTR>(path.getBuffer()));
            if (!library.m_hModule)
                return false;
            const FARPROC pProc =
                GetProcAddress(library.m_hModule, MAKEINTRESOURCEA(s_usIsOSOrdinal));
            if (!pProc)
                return false;
            // Through the generic function pointer type, which converts to any other.
            const IsOSFunction pIsOS =
                reinterpret_cast<IsOSFunction>(reinterpret_cast<void (*)()>(pProc));
            bAnswer = pIsOS(ulQuery) != FALSE;
            return true;
        }));
}

bool CZEBWindowsOSInfo::performPECheck()
{
    ZebTrace trace(s_szClass, ZEB_W("performPECheck"), ZEB_OSINFO_SOURCE, __LINE__);
    return trace.logical(
        zebGuardedCatchAll(false, zesLastError, ZEB_OSINFO_SOURCE, __LINE__,
                           [&]
                           {
                               CZEBEnvironmentVariable drive(CZEBWCharString(ZEB_W("ZEBDrive")));
                               CZEBWCharString value;
                               return drive.getValue(value) && value.getLength() > 0;
                           }));
}

double CZEBWindowsOSInfo::getVersion() const
{
    return m_dVersion;
}
