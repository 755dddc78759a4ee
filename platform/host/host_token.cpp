// The process token of the host: the privileges it holds, their enabled state, and the
// handles opened on it. Handles are closed by CloseHandle through the shared handle table.
#include "win32_host.h"

#include "host_paths.h"
#include "host_test_hooks.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace
{
// The privileges the system knows, with their identifiers (the LowPart of the LUID).
struct PrivilegeName
{
    const char* szName;
    DWORD ulId;
};
const PrivilegeName s_privileges[] = {
    {"SeCreateTokenPrivilege", 2},
    {"SeAssignPrimaryTokenPrivilege", 3},
    {"SeLockMemoryPrivilege", 4},
    {"SeIncreaseQuotaPrivilege", 5},
    {"SeMachineAccountPrivilege", 6},
    {"SeTcbPrivilege", 7},
    {"SeSecurityPrivilege", 8},
    {"SeTakeOwnershipPrivilege", 9},
    {"SeLoadDriverPrivilege", 10},
    {"SeSystemProfilePrivilege", 11},
    {"SeSystemtimePrivilege", 12},
    {"SeProfileSingleProcessPrivilege", 13},
    {"SeIncreaseBasePriorityPrivilege", 14},
    {"SeCreatePagefilePrivilege", 15},
    {"SeCreatePermanentPrivilege", 16},
    {"SeBackupPrivilege", 17},
    {"SeRestorePrivilege", 18},
    {"SeShutdownPrivilege", 19},
    {"SeDebugPrivilege", 20},
    {"SeAuditPrivilege", 21},
    {"SeSystemEnvironmentPrivilege", 22},
    {"SeChangeNotifyPrivilege", 23},
    {"SeRemoteShutdownPrivilege", 24},
    {"SeUndockPrivilege", 25},
    {"SeSyncAgentPrivilege", 26},
    {"SeEnableDelegationPrivilege", 27},
    {"SeManageVolumePrivilege", 28},
    {"SeImpersonatePrivilege", 29},
    {"SeCreateGlobalPrivilege", 30},
    {"SeTrustedCredManAccessPrivilege", 31},
    {"SeRelabelPrivilege", 32},
    {"SeIncreaseWorkingSetPrivilege", 33},
    {"SeTimeZonePrivilege", 34},
    {"SeCreateSymbolicLinkPrivilege", 35},
};

// The privileges of an elevated administrator's token, as Wine gives them.
const char s_szAdministrator[] =
    "SeChangeNotifyPrivilege,SeTcbPrivilege,SeSecurityPrivilege,SeBackupPrivilege,"
    "SeRestorePrivilege,"
    "SeSystemtimePrivilege,SeShutdownPrivilege,SeRemoteShutdownPrivilege,"
    "SeTakeOwnershipPrivilege,SeDebugPrivilege,SeSystemEnvironmentPrivilege,"
    "SeSystemProfilePrivilege,SeProfileSingleProcessPrivilege,SeIncreaseBasePriorityPrivilege,"
    "SeLoadDriverPrivilege,SeCreatePagefilePrivilege,SeIncreaseQuotaPrivilege,SeUndockPrivilege,"
    "SeManageVolumePrivilege,SeImpersonatePrivilege,SeCreateGlobalPrivilege";

bool isEnabledByDefault(DWORD ulId)
{
    return ulId == 10 || ulId == 23 || ulId == 29 || ulId == 30;
}

bool sameNameIgnoringCase(const char* szKnown, const std::string& name)
{
    const size_t ulLength = std::strlen(szKnown);
    if (ulLength != name.size())
        return false;
    for (size_t i = 0; i < ulLength; ++i)
    {
        char a = szKnown[i];
        char b = name[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z')
            b = static_cast<char>(b - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

bool findPrivilege(const std::string& name, DWORD* pulId)
{
    for (const PrivilegeName& privilege : s_privileges)
        if (sameNameIgnoringCase(privilege.szName, name))
        {
            *pulId = privilege.ulId;
            return true;
        }
    return false;
}

struct Token
{
    std::mutex lock;
    bool bLoaded = false;
    std::map<DWORD, DWORD> held;        // identifier -> attributes
    std::map<ULONG_PTR, DWORD> handles; // open token handle -> its access
};

Token& token()
{
    static Token t;
    return t;
}

// Fills the held set from a comma-separated list of names; unknown names are ignored.
void loadPrivileges(Token& t, const std::string& list)
{
    t.held.clear();
    size_t ulStart = 0;
    while (ulStart <= list.size())
    {
        size_t ulEnd = list.find(',', ulStart);
        if (ulEnd == std::string::npos)
            ulEnd = list.size();
        DWORD ulId = 0;
        if (findPrivilege(list.substr(ulStart, ulEnd - ulStart), &ulId))
            t.held[ulId] = isEnabledByDefault(ulId)
                               ? SE_PRIVILEGE_ENABLED | SE_PRIVILEGE_ENABLED_BY_DEFAULT
                               : 0;
        ulStart = ulEnd + 1;
    }
    t.bLoaded = true;
}

// With the lock held.
void ensureLoaded(Token& t)
{
    if (t.bLoaded)
        return;
    const char* szList = std::getenv("ZEB_HOST_TOKEN_PRIVILEGES");
    loadPrivileges(t, szList ? szList : s_szAdministrator);
}

BOOL fail(DWORD error)
{
    SetLastError(error);
    return FALSE;
}

std::string narrowName(LPCWSTR szName)
{
    std::string name;
    for (; *szName; ++szName)
        name.push_back(*szName < 0x80 ? static_cast<char>(*szName) : '\x7f');
    return name;
}
} // namespace

namespace zebhost
{
void setTokenPrivileges(const char* szNames)
{
    Token& t = token();
    std::lock_guard<std::mutex> guard(t.lock);
    if (szNames)
        loadPrivileges(t, szNames);
    else
    {
        t.held.clear();
        t.bLoaded = false;
    }
}
} // namespace zebhost

BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("OpenProcessToken", &error))
        return fail(error);
    if (ProcessHandle != GetCurrentProcess())
        return fail(ERROR_INVALID_HANDLE);
    if (!TokenHandle)
        return fail(ERROR_NOACCESS);
    // The handle is known only once registered; its close forgets it here too.
    std::shared_ptr<ULONG_PTR> pulHandle = std::make_shared<ULONG_PTR>(0);
    HANDLE hToken = zebhost::registerHandle(
        [pulHandle]
        {
            Token& t = token();
            std::lock_guard<std::mutex> guard(t.lock);
            t.handles.erase(*pulHandle);
        });
    *pulHandle = reinterpret_cast<ULONG_PTR>(hToken);
    {
        Token& t = token();
        std::lock_guard<std::mutex> guard(t.lock);
        ensureLoaded(t);
        t.handles[reinterpret_cast<ULONG_PTR>(hToken)] = DesiredAccess;
    }
    *TokenHandle = hToken;
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("LookupPrivilegeValueW", &error))
        return fail(error);
    if (lpSystemName && *lpSystemName)
        return fail(ERROR_INVALID_PARAMETER);
    if (!lpName || !lpLuid)
        return fail(ERROR_NOACCESS);
    DWORD ulId = 0;
    if (!findPrivilege(narrowName(lpName), &ulId))
        return fail(ERROR_NO_SUCH_PRIVILEGE);
    lpLuid->LowPart = ulId;
    lpLuid->HighPart = 0;
    return TRUE;
}

BOOL WINAPI AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                                  PTOKEN_PRIVILEGES NewState, DWORD BufferLength,
                                  PTOKEN_PRIVILEGES PreviousState, LPDWORD ReturnLength)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("AdjustTokenPrivileges", &error))
        return fail(error);
    Token& t = token();
    std::lock_guard<std::mutex> guard(t.lock);
    auto handle = t.handles.find(reinterpret_cast<ULONG_PTR>(TokenHandle));
    if (handle == t.handles.end())
        return fail(ERROR_INVALID_HANDLE);
    if (!(handle->second & TOKEN_ADJUST_PRIVILEGES))
        return fail(ERROR_ACCESS_DENIED);
    if (!DisableAllPrivileges && !NewState)
        return fail(ERROR_INVALID_PARAMETER);

    // The changes, decided before anything is written.
    std::map<DWORD, DWORD> changes; // identifier -> new attributes
    bool bNotAll = false;
    if (DisableAllPrivileges)
    {
        for (const auto& held : t.held)
            changes[held.first] = held.second & ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED);
    }
    else
    {
        for (DWORD i = 0; i < NewState->PrivilegeCount; ++i)
        {
            const LUID_AND_ATTRIBUTES& entry = NewState->Privileges[i];
            auto held = entry.Luid.HighPart == 0 ? t.held.find(entry.Luid.LowPart) : t.held.end();
            if (held == t.held.end())
            {
                bNotAll = true;
                continue;
            }
            const DWORD ulEnabled = entry.Attributes & SE_PRIVILEGE_ENABLED;
            changes[held->first] =
                (held->second & ~static_cast<DWORD>(SE_PRIVILEGE_ENABLED)) | ulEnabled;
        }
    }

    // The earlier state of the privileges whose enabled state changes.
    DWORD ulChanged = 0;
    for (const auto& change : changes)
        if ((t.held[change.first] ^ change.second) & SE_PRIVILEGE_ENABLED)
            ++ulChanged;
    if (PreviousState)
    {
        const DWORD cbNeeded = static_cast<DWORD>(sizeof(DWORD) + (ulChanged ? ulChanged : 1) *
                                                                      sizeof(LUID_AND_ATTRIBUTES));
        if (ReturnLength)
            *ReturnLength = cbNeeded;
        if (BufferLength < cbNeeded)
            return fail(ERROR_INSUFFICIENT_BUFFER);
        DWORD n = 0;
        for (const auto& change : changes)
        {
            const DWORD ulBefore = t.held[change.first];
            if (!((ulBefore ^ change.second) & SE_PRIVILEGE_ENABLED))
                continue;
            PreviousState->Privileges[n].Luid.LowPart = change.first;
            PreviousState->Privileges[n].Luid.HighPart = 0;
            PreviousState->Privileges[n].Attributes = ulBefore;
            ++n;
        }
        PreviousState->PrivilegeCount = n;
    }
    for (const auto& change : changes)
        t.held[change.first] = change.second;
    SetLastError(bNotAll ? ERROR_NOT_ALL_ASSIGNED : ERROR_SUCCESS);
    return TRUE;
}

BOOL WINAPI GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                LPVOID TokenInformation, DWORD TokenInformationLength,
                                LPDWORD ReturnLength)
{
    Token& t = token();
    std::lock_guard<std::mutex> guard(t.lock);
    auto handle = t.handles.find(reinterpret_cast<ULONG_PTR>(TokenHandle));
    if (handle == t.handles.end())
        return fail(ERROR_INVALID_HANDLE);
    if (TokenInformationClass != TokenPrivileges)
        return fail(ERROR_INVALID_PARAMETER);
    if (!(handle->second & TOKEN_QUERY))
        return fail(ERROR_ACCESS_DENIED);
    if (!ReturnLength)
        return fail(ERROR_NOACCESS);
    const DWORD ulCount = static_cast<DWORD>(t.held.size());
    const DWORD cbNeeded =
        static_cast<DWORD>(sizeof(DWORD) + ulCount * sizeof(LUID_AND_ATTRIBUTES));
    *ReturnLength = cbNeeded;
    if (!TokenInformation || TokenInformationLength < cbNeeded)
        return fail(ERROR_INSUFFICIENT_BUFFER);
    BYTE* pOut = static_cast<BYTE*>(TokenInformation);
    std::memcpy(pOut, &ulCount, sizeof(DWORD));
    DWORD n = 0;
    for (const auto& held : t.held)
    {
        LUID_AND_ATTRIBUTES entry;
        entry.Luid.LowPart = held.first;
        entry.Luid.HighPart = 0;
        entry.Attributes = held.second;
        std::memcpy(pOut + sizeof(DWORD) + n * sizeof(entry), &entry, sizeof(entry));
        ++n;
    }
    return TRUE;
}
