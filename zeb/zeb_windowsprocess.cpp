#include "zeb_windowsprocess.h"

#include "zeb_guard.h"
#include "zeb_method_trace.h"

#define ZEB_WINDOWSPROCESS_SOURCE ZEB_W(".\\zeb_windowsprocess.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBWindowsProcess");

// A token opened by setPrivilege, closed when the call ends however it ends. A failed close
// writes a warning and changes nothing else.
class CZEBLocalToken
{
public:
    CZEBLocalToken() : m_hToken(nullptr) {}
    ~CZEBLocalToken()
    {
        if (!m_hToken)
            return;
        zebGuardedVoid(zesLastError, ZEB_WINDOWSPROCESS_SOURCE, __LINE__,
                       [&]
                       {
                           if (!CloseHandle(m_hToken))
                           {
                               CCloseHandleWarning warning(
                                   ZEB_W("hLocalToken"), static_cast<int>(GetLastError()),
                                   ZEB_WINDOWSPROCESS_SOURCE, __LINE__, OUTPUT_TEXT, true);
                           }
                       });
        m_hToken = nullptr;
    }
    CZEBLocalToken(const CZEBLocalToken&) = delete;
    CZEBLocalToken& operator=(const CZEBLocalToken&) = delete;

    HANDLE m_hToken;
};
} // namespace

CZEBWindowsProcess::CZEBWindowsProcess()
{
    ZebTrace trace(s_szClass, ZEB_W("Constructor"), ZEB_WINDOWSPROCESS_SOURCE, __LINE__);
    trace.passFail(true);
}

CZEBWindowsProcess::~CZEBWindowsProcess()
{
    ZebTrace trace(s_szClass, ZEB_W("Destructor ~CZEBWindowsProcess"), ZEB_WINDOWSPROCESS_SOURCE,
                   __LINE__);
    trace.passFail(true);
}

bool CZEBWindowsProcess::setPrivilege(const CZEBWCharString& szPrivilegeName, bool bEnable,
                                      HANDLE* phToken)
{
    ZebTrace trace(s_szClass, ZEB_W("setPrivilege"), ZEB_WINDOWSPROCESS_SOURCE, __LINE__);
    // Declared outside the guard, so that a token opened here is closed after any record
    // of the failure has been written.
    CZEBLocalToken localToken;
    return trace.passFail(zebGuarded(
        false, zesLastError, ZEB_WINDOWSPROCESS_SOURCE, __LINE__,
        [&]
        {
            HANDLE hToken = phToken ? *phToken : nullptr;
            if (!hToken)
            {
                if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES,
                                      &localToken.m_hToken))
                {
                    localToken.m_hToken = nullptr;
                    throw CZEBOpenProcessTokenException(
                        ZEB_W("GetCurrentProcess()"), static_cast<int>(GetLastError()),
                        ZEB_WINDOWSPROCESS_SOURCE, __LINE__, OUTPUT_TEXT, true);
                }
                hToken = localToken.m_hToken;
            }

            TOKEN_PRIVILEGES privileges;
            privileges.PrivilegeCount = 1;
            // A string without storage names no privilege: looked up as the empty name.
            LPCWSTR szName = szPrivilegeName.getBuffer() ? szPrivilegeName.getBuffer() : ZEB_W("");
            if (!LookupPrivilegeValueW(nullptr, szName, &privileges.Privileges[0].Luid))
                throw CZEBLookupPrivilegeValueException(
                    szPrivilegeName.getBuffer(), static_cast<int>(GetLastError()),
                    ZEB_WINDOWSPROCESS_SOURCE, __LINE__, OUTPUT_TEXT, true);
            privileges.Privileges[0].Attributes = bEnable ? SE_PRIVILEGE_ENABLED : 0;

            // Success with ERROR_NOT_ALL_ASSIGNED means the token lacks the privilege: for an
            // enable that is a failure, the privilege stays off.
            SetLastError(ERROR_SUCCESS);
            const BOOL bAdjusted = AdjustTokenPrivileges(hToken, FALSE, &privileges,
                                                         sizeof(privileges), nullptr, nullptr);
            const DWORD ulError = GetLastError();
            if (!bAdjusted || (bEnable && ulError == ERROR_NOT_ALL_ASSIGNED))
                throw CZEBAdjustTokenPrivilegesException(ZEB_W("hToken"), static_cast<int>(ulError),
                                                         ZEB_WINDOWSPROCESS_SOURCE, __LINE__,
                                                         OUTPUT_TEXT, true);
            return true;
        }));
}
