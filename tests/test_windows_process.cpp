// Process privileges: switching one privilege of the process token, or of a token handed
// in, on and off. The same tests run on the host subset and under Wine; the state of a
// privilege is read back from the token itself.
#include "zeb_method_trace.h"
#include "zeb_storage_test_support.h"
#include "zeb_windowsprocess.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

using namespace zebtest;

namespace
{
// A token of the current process opened by the test, closed at the end.
class TestToken
{
public:
    explicit TestToken(DWORD ulAccess = TOKEN_QUERY | TOKEN_ADJUST_PRIVILEGES)
    {
        EXPECT_TRUE(OpenProcessToken(GetCurrentProcess(), ulAccess, &m_hToken));
    }
    ~TestToken()
    {
        if (m_hToken)
            CloseHandle(m_hToken);
    }
    TestToken(const TestToken&) = delete;
    TestToken& operator=(const TestToken&) = delete;

    HANDLE handle() const { return m_hToken; }

private:
    HANDLE m_hToken = nullptr;
};

enum class State
{
    Missing, // the token does not hold it
    Disabled,
    Enabled,
    Unreadable
};

// The state of a privilege in the process token, read through a token of its own.
State privilegeState(HANDLE hToken, LPCWSTR szName)
{
    LUID luid;
    if (!LookupPrivilegeValueW(nullptr, szName, &luid))
        return State::Unreadable;
    DWORD cbNeeded = 0;
    GetTokenInformation(hToken, TokenPrivileges, nullptr, 0, &cbNeeded);
    if (cbNeeded < sizeof(DWORD))
        return State::Unreadable;
    std::vector<BYTE> buffer(cbNeeded);
    if (!GetTokenInformation(hToken, TokenPrivileges, buffer.data(), cbNeeded, &cbNeeded))
        return State::Unreadable;
    const TOKEN_PRIVILEGES* pPrivileges = reinterpret_cast<const TOKEN_PRIVILEGES*>(buffer.data());
    for (DWORD i = 0; i < pPrivileges->PrivilegeCount; ++i)
    {
        const LUID_AND_ATTRIBUTES& entry = pPrivileges->Privileges[i];
        if (entry.Luid.LowPart == luid.LowPart && entry.Luid.HighPart == luid.HighPart)
            return (entry.Attributes & SE_PRIVILEGE_ENABLED) ? State::Enabled : State::Disabled;
    }
    return State::Missing;
}

State privilegeState(LPCWSTR szName)
{
    TestToken token(TOKEN_QUERY);
    return privilegeState(token.handle(), szName);
}

// Puts a privilege back as it was when the test started.
class RestorePrivilege
{
public:
    explicit RestorePrivilege(LPCWSTR szName) : m_szName(szName), m_before(privilegeState(szName))
    {
    }
    ~RestorePrivilege()
    {
        if (m_before != State::Enabled && m_before != State::Disabled)
            return;
        TestToken token;
        TOKEN_PRIVILEGES privileges;
        privileges.PrivilegeCount = 1;
        LookupPrivilegeValueW(nullptr, m_szName, &privileges.Privileges[0].Luid);
        privileges.Privileges[0].Attributes = m_before == State::Enabled ? SE_PRIVILEGE_ENABLED : 0;
        AdjustTokenPrivileges(token.handle(), FALSE, &privileges, sizeof(privileges), nullptr,
                              nullptr);
    }
    RestorePrivilege(const RestorePrivilege&) = delete;
    RestorePrivilege& operator=(const RestorePrivilege&) = delete;

    State before() const { return m_before; }

private:
    LPCWSTR m_szName;
    State m_before;
};

// The log line of a record: its message text and its error code.
bool hasRecord(const std::vector<WString>& lines, const WString& message, DWORD ulCode)
{
    WCHAR szCode[32] = {0};
    wsprintfW(szCode, ZEB_W("<Error: 0x%08x>"), static_cast<int>(ulCode));
    const WString code(szCode);
    for (const WString& line : lines)
        if (line.find(message) != WString::npos && line.find(code) != WString::npos)
            return true;
    return false;
}

const LPCWSTR s_szShutdown = ZEB_W("SeShutdownPrivilege");
const LPCWSTR s_szBackup = ZEB_W("SeBackupPrivilege");
const LPCWSTR s_szRestore = ZEB_W("SeRestorePrivilege");

TEST(WindowsProcess, TheProcessTokenIsAnAdministrators)
{
    struct Case
    {
        LPCWSTR szName;
        bool bHeld;
    };
    const Case cases[] = {
        {ZEB_W("SeBackupPrivilege"), true},       {ZEB_W("SeRestorePrivilege"), true},
        {ZEB_W("SeShutdownPrivilege"), true},     {ZEB_W("SeTcbPrivilege"), true},
        {ZEB_W("SeDebugPrivilege"), true},        {ZEB_W("SeSecurityPrivilege"), true},
        {ZEB_W("SeCreateTokenPrivilege"), false}, {ZEB_W("SeAssignPrimaryTokenPrivilege"), false},
        {ZEB_W("SeLockMemoryPrivilege"), false},  {ZEB_W("SeMachineAccountPrivilege"), false},
        {ZEB_W("SeAuditPrivilege"), false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szName));
        const State state = privilegeState(c.szName);
        EXPECT_NE(State::Unreadable, state);
        EXPECT_EQ(c.bHeld, state != State::Missing);
    }
    EXPECT_EQ(State::Enabled, privilegeState(ZEB_W("SeChangeNotifyPrivilege")));
}

TEST(WindowsProcess, AnUnknownNameFailsWithOneLookupRecord)
{
    const LPCWSTR names[] = {ZEB_W("SeNoSuchPrivilege"), ZEB_W("Backup"),
                             ZEB_W("SeBackupPrivilege "), ZEB_W("")};
    for (LPCWSTR szName : names)
    {
        SCOPED_TRACE(narrow(szName));
        LoggingOn logging;
        CZEBWindowsProcess process;
        EXPECT_FALSE(process.setPrivilege(CZEBWCharString(szName), true, nullptr));
        const std::vector<WString> lines = logging.log.lines();
        EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("LookupPrivilegeValue call failed")));
        EXPECT_TRUE(hasRecord(
            lines, ZEB_W("LookupPrivilegeValue call failed for privilege:") + WString(szName),
            ERROR_NO_SUCH_PRIVILEGE));
    }
    // A string without storage is refused the same way, its insert printed as "Unknown".
    LoggingOn logging;
    CZEBWindowsProcess process;
    EXPECT_FALSE(process.setPrivilege(CZEBWCharString(), true, nullptr));
    EXPECT_TRUE(hasRecord(logging.log.lines(),
                          ZEB_W("LookupPrivilegeValue call failed for privilege:"),
                          ERROR_NO_SUCH_PRIVILEGE));
}

TEST(WindowsProcess, DisablesAndEnablesAgain)
{
    // Each name in the case it is written and in another: the system compares without case.
    const LPCWSTR names[] = {s_szShutdown, ZEB_W("seshutdownprivilege"), s_szBackup};
    for (LPCWSTR szName : names)
    {
        SCOPED_TRACE(narrow(szName));
        RestorePrivilege restore(szName);
        ASSERT_NE(State::Missing, restore.before());
        ASSERT_NE(State::Unreadable, restore.before());
        LoggingOn logging;
        CZEBWindowsProcess process;
        EXPECT_TRUE(process.setPrivilege(CZEBWCharString(szName), false, nullptr));
        EXPECT_EQ(State::Disabled, privilegeState(szName));
        EXPECT_TRUE(process.setPrivilege(CZEBWCharString(szName), true, nullptr));
        EXPECT_EQ(State::Enabled, privilegeState(szName));
        EXPECT_TRUE(process.setPrivilege(CZEBWCharString(szName), true, nullptr));
        EXPECT_EQ(State::Enabled, privilegeState(szName));
        EXPECT_TRUE(process.setPrivilege(CZEBWCharString(szName), false, nullptr));
        EXPECT_EQ(State::Disabled, privilegeState(szName));
        EXPECT_TRUE(logging.log.lines().empty());
    }
}

TEST(WindowsProcess, APrivilegeTheTokenLacksCannotBeEnabled)
{
    // Enabling fails with the adjust record carrying ERROR_NOT_ALL_ASSIGNED; disabling
    // leaves the privilege off, which is what was asked.
    const LPCWSTR names[] = {ZEB_W("SeCreateTokenPrivilege"), ZEB_W("SeLockMemoryPrivilege")};
    for (LPCWSTR szName : names)
    {
        SCOPED_TRACE(narrow(szName));
        ASSERT_EQ(State::Missing, privilegeState(szName));
        LoggingOn logging;
        CZEBWindowsProcess process;
        EXPECT_FALSE(process.setPrivilege(CZEBWCharString(szName), true, nullptr));
        EXPECT_EQ(State::Missing, privilegeState(szName));
        std::vector<WString> lines = logging.log.lines();
        EXPECT_EQ(1u, lines.size());
        EXPECT_TRUE(hasRecord(lines, ZEB_W("AdjustTokenPrivileges call failed for handle:hToken"),
                              ERROR_NOT_ALL_ASSIGNED));

        HANDLE hNone = nullptr;
        EXPECT_TRUE(process.setPrivilege(CZEBWCharString(szName), false, &hNone));
        EXPECT_EQ(nullptr, hNone);
        EXPECT_EQ(1u, logging.log.lines().size());
    }
}

TEST(WindowsProcess, AHandleHandedInIsUsedAndLeftOpen)
{
    RestorePrivilege restore(s_szShutdown);
    TestToken token;
    HANDLE hToken = token.handle();
    LoggingOn logging;
    {
        CZEBWindowsProcess process;
        EXPECT_TRUE(process.setPrivilege(CZEBWCharString(s_szShutdown), true, &hToken));
        EXPECT_EQ(token.handle(), hToken);
        EXPECT_EQ(State::Enabled, privilegeState(hToken, s_szShutdown));
        EXPECT_TRUE(process.setPrivilege(CZEBWCharString(s_szShutdown), false, &hToken));
        EXPECT_EQ(token.handle(), hToken);
    }
    // Still open after the call and after the object: it can be queried.
    EXPECT_EQ(State::Disabled, privilegeState(hToken, s_szShutdown));
    EXPECT_TRUE(logging.log.lines().empty());
}

TEST(WindowsProcess, AHandleWithoutAdjustAccessFails)
{
    RestorePrivilege restore(s_szShutdown);
    TestToken token(TOKEN_QUERY);
    HANDLE hToken = token.handle();
    LoggingOn logging;
    CZEBWindowsProcess process;
    const State before = privilegeState(hToken, s_szShutdown);
    EXPECT_FALSE(
        process.setPrivilege(CZEBWCharString(s_szShutdown), before != State::Enabled, &hToken));
    EXPECT_EQ(before, privilegeState(hToken, s_szShutdown));
    EXPECT_TRUE(hasRecord(logging.log.lines(),
                          ZEB_W("AdjustTokenPrivileges call failed for handle:hToken"),
                          ERROR_ACCESS_DENIED));
}

TEST(WindowsProcess, TheChangeOutlivesTheObject)
{
    const LPCWSTR names[] = {s_szBackup, s_szRestore};
    for (LPCWSTR szName : names)
    {
        SCOPED_TRACE(narrow(szName));
        RestorePrivilege restore(szName);
        {
            CZEBWindowsProcess process;
            ASSERT_TRUE(process.setPrivilege(CZEBWCharString(szName), false, nullptr));
        }
        EXPECT_EQ(State::Disabled, privilegeState(szName));
        {
            CZEBWindowsProcess process;
            EXPECT_TRUE(process.setPrivilege(CZEBWCharString(szName), true, nullptr));
        }
        EXPECT_EQ(State::Enabled, privilegeState(szName));
    }
}

TEST(WindowsProcess, IsTraced)
{
    g_ulDynamicLogging = 0;
    LoggingOn logging(LS_ENTRY | LS_EXIT | 0x1B);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    {
        RestorePrivilege restore(s_szShutdown);
        CZEBWindowsProcess process;
        EXPECT_TRUE(process.setPrivilege(CZEBWCharString(s_szShutdown), true, nullptr));
        EXPECT_FALSE(
            process.setPrivilege(CZEBWCharString(ZEB_W("SeNoSuchPrivilege")), true, nullptr));
    }
    const LPCWSTR szPassed = ZEB_W("<Passed>");
    const LPCWSTR szFailed = ZEB_W("<Failed>");
    expectTraceLines(logging.log.lines(), ZEB_W("CZEBWindowsProcess"),
                     {
                         {ZEB_W("Constructor"), nullptr},
                         {ZEB_W("Constructor"), szPassed},
                         {ZEB_W("setPrivilege"), nullptr},
                         {ZEB_W("setPrivilege"), szPassed},
                         {ZEB_W("setPrivilege"), nullptr},
                         {ZEB_W("setPrivilege"), szFailed},
                         {ZEB_W("Destructor ~CZEBWindowsProcess"), nullptr},
                         {ZEB_W("Destructor ~CZEBWindowsProcess"), szPassed},
                     });
    g_ulDynamicLogging = 0;
}

#ifndef _WIN32
// Failures only the host can bring about: a token that cannot be opened, adjusted or
// closed, and a token configured without the backup privilege.
class HostOnlyWindowsProcess : public ::testing::Test
{
protected:
    void TearDown() override
    {
        zebhost::clearFailures();
        zebhost::setTokenPrivileges(nullptr);
    }
};

TEST_F(HostOnlyWindowsProcess, FailedCallsAreRecorded)
{
    struct Case
    {
        const char* szFunction;
        DWORD ulError;
        LPCWSTR szRecord;
        bool bResult;
    };
    const Case cases[] = {
        {"OpenProcessToken", ERROR_ACCESS_DENIED,
         ZEB_W("OpenProcessToken call failed for handle:GetCurrentProcess()"), false},
        {"LookupPrivilegeValueW", ERROR_NOT_ENOUGH_MEMORY,
         ZEB_W("LookupPrivilegeValue call failed for privilege:SeShutdownPrivilege"), false},
        {"AdjustTokenPrivileges", ERROR_INVALID_PARAMETER,
         ZEB_W("AdjustTokenPrivileges call failed for handle:hToken"), false},
        // The token opened for the call is closed: a failed close is a warning only.
        {"CloseHandle", ERROR_INVALID_HANDLE, ZEB_W("Unable to free memory ( hLocalToken )"), true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szFunction);
        RestorePrivilege restore(s_szShutdown);
        LoggingOn logging;
        zebhost::failCall(c.szFunction, c.ulError);
        CZEBWindowsProcess process;
        EXPECT_EQ(c.bResult, process.setPrivilege(CZEBWCharString(s_szShutdown), true, nullptr));
        zebhost::clearFailures();
        const std::vector<WString> lines = logging.log.lines();
        EXPECT_EQ(1u, lines.size());
        EXPECT_TRUE(hasRecord(lines, c.szRecord, c.ulError));
    }
}

TEST_F(HostOnlyWindowsProcess, AHandedInTokenIsNeverClosed)
{
    TestToken token;
    HANDLE hToken = token.handle();
    LoggingOn logging;
    // A close would fail and leave a warning.
    zebhost::failCall("CloseHandle", ERROR_INVALID_HANDLE);
    CZEBWindowsProcess process;
    EXPECT_TRUE(process.setPrivilege(CZEBWCharString(s_szShutdown), true, &hToken));
    EXPECT_TRUE(logging.log.lines().empty());
}

TEST_F(HostOnlyWindowsProcess, TheTokenHoldsTheConfiguredPrivileges)
{
    zebhost::setTokenPrivileges("SeChangeNotifyPrivilege,SeRestorePrivilege");
    EXPECT_EQ(State::Missing, privilegeState(s_szBackup));
    EXPECT_EQ(State::Disabled, privilegeState(s_szRestore));
    EXPECT_EQ(State::Enabled, privilegeState(ZEB_W("SeChangeNotifyPrivilege")));
    EXPECT_EQ(State::Missing, privilegeState(ZEB_W("SeTcbPrivilege")));
    LoggingOn logging;
    CZEBWindowsProcess process;
    EXPECT_FALSE(process.setPrivilege(CZEBWCharString(s_szBackup), true, nullptr));
    EXPECT_TRUE(process.setPrivilege(CZEBWCharString(s_szRestore), true, nullptr));
    EXPECT_EQ(State::Enabled, privilegeState(s_szRestore));
    EXPECT_TRUE(hasRecord(logging.log.lines(),
                          ZEB_W("AdjustTokenPrivileges call failed for handle:hToken"),
                          ERROR_NOT_ALL_ASSIGNED));
}
#endif
} // namespace
