// Environment variables: GetEnvironmentVariableW as the library relies on it (the host subset
// against Wine), and CZEBEnvironmentVariable reading one variable by name.
#include "zeb_environment_variable.h"
#include "zeb_method_trace.h"
#include "zeb_test_support.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

using namespace zebtest;

namespace
{
const DWORD kUntouchedError = 0xdeadbeef;
const WCHAR kSentinel = 0xBDBD;

// A variable of the process environment set for one test and removed after it.
class ScopedVariable
{
public:
    ScopedVariable(LPCWSTR szName, LPCWSTR szValue) : m_name(szName)
    {
        EXPECT_TRUE(SetEnvironmentVariableW(szName, szValue));
    }
    ~ScopedVariable() { SetEnvironmentVariableW(m_name.c_str(), nullptr); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    WString m_name;
};

struct Answer
{
    DWORD ulResult;
    DWORD ulError;
    WString text; // the buffer up to its first NUL, or the sentinels' count when untouched
    bool bUntouched;
    bool bBeyondUntouched; // nothing written after the terminator
};

// One call with a buffer of cchSize units (null for 0), filled with sentinels first.
Answer query(LPCWSTR szName, DWORD cchSize)
{
    WCHAR buffer[80];
    for (WCHAR& c : buffer)
        c = kSentinel;
    SetLastError(kUntouchedError);
    Answer answer;
    answer.ulResult = GetEnvironmentVariableW(szName, cchSize ? buffer : nullptr, cchSize);
    answer.ulError = GetLastError();
    answer.bUntouched = true;
    for (WCHAR c : buffer)
        answer.bUntouched = answer.bUntouched && c == kSentinel;
    size_t ulEnd = 0;
    while (ulEnd < 80 && buffer[ulEnd] != 0 && buffer[ulEnd] != kSentinel)
        ++ulEnd;
    answer.text = WString(buffer, ulEnd);
    answer.bBeyondUntouched = true;
    for (size_t i = ulEnd + 1; i < 80; ++i)
        answer.bBeyondUntouched = answer.bBeyondUntouched && buffer[i] == kSentinel;
    return answer;
}

// The ENTRY/EXIT switch of method tracing, unread before and after each test.
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
} // namespace

// ---- GetEnvironmentVariableW and SetEnvironmentVariableW -----------------------

TEST(EnvironmentApi, AnswersForEachBufferSize)
{
    ScopedVariable c(ZEB_W("ZEBTEST_ENV_C"), ZEB_W("C:"));
    ScopedVariable empty(ZEB_W("ZEBTEST_ENV_EMPTY"), ZEB_W(""));
    SetEnvironmentVariableW(ZEB_W("ZEBTEST_ENV_MISSING"), nullptr);
    struct Case
    {
        LPCWSTR szName;
        DWORD cchSize;
        DWORD ulResult;
        DWORD ulError;
        LPCWSTR szText; // null: the buffer is left alone
    };
    const Case cases[] = {
        // Too short, the terminator included: the size needed, nothing written.
        {ZEB_W("ZEBTEST_ENV_C"), 0, 3, kUntouchedError, nullptr},
        {ZEB_W("ZEBTEST_ENV_C"), 1, 3, kUntouchedError, nullptr},
        {ZEB_W("ZEBTEST_ENV_C"), 2, 3, kUntouchedError, nullptr},
        // Room for the text and its terminator: the length, the last error alone.
        {ZEB_W("ZEBTEST_ENV_C"), 3, 2, kUntouchedError, ZEB_W("C:")},
        {ZEB_W("ZEBTEST_ENV_C"), 80, 2, kUntouchedError, ZEB_W("C:")},
        // Names compare without regard to case.
        {ZEB_W("zebtest_env_c"), 80, 2, kUntouchedError, ZEB_W("C:")},
        // An empty value: 0 like a missing one, but without an error.
        {ZEB_W("ZEBTEST_ENV_EMPTY"), 0, 1, kUntouchedError, nullptr},
        {ZEB_W("ZEBTEST_ENV_EMPTY"), 1, 0, kUntouchedError, ZEB_W("")},
        {ZEB_W("ZEBTEST_ENV_EMPTY"), 80, 0, kUntouchedError, ZEB_W("")},
        {ZEB_W("ZEBTEST_ENV_MISSING"), 0, 0, ERROR_ENVVAR_NOT_FOUND, nullptr},
        {ZEB_W("ZEBTEST_ENV_MISSING"), 80, 0, ERROR_ENVVAR_NOT_FOUND, nullptr},
        {ZEB_W(""), 80, 0, ERROR_ENVVAR_NOT_FOUND, nullptr},
        {ZEB_W("ZEBTEST_ENV_C=C:"), 80, 0, ERROR_ENVVAR_NOT_FOUND, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szName) + " in " + std::to_string(c.cchSize));
        const Answer answer = query(c.szName, c.cchSize);
        EXPECT_EQ(c.ulResult, answer.ulResult);
        EXPECT_EQ(c.ulError, answer.ulError);
        if (!c.szText)
        {
            EXPECT_TRUE(answer.bUntouched);
            continue;
        }
        EXPECT_EQ(W(c.szText), answer.text);
        EXPECT_TRUE(answer.bBeyondUntouched);
    }
}

TEST(EnvironmentApi, ValuesKeepEveryUtf16Unit)
{
    const WCHAR szValue[] = {0x00E9, 0x20AC, 0xD83D, 0xDE00, ZEB_W('x'), 0};
    ScopedVariable variable(ZEB_W("ZEBTEST_ENV_WIDE"), szValue);
    const Answer answer = query(ZEB_W("ZEBTEST_ENV_WIDE"), 80);
    EXPECT_EQ(5u, answer.ulResult);
    EXPECT_EQ(W(szValue), answer.text);
}

TEST(EnvironmentApi, SetAndRemove)
{
    SetLastError(kUntouchedError);
    ASSERT_TRUE(SetEnvironmentVariableW(ZEB_W("ZEBTEST_ENV_SET"), ZEB_W("one")));
    // A name in another case names the same variable.
    ASSERT_TRUE(SetEnvironmentVariableW(ZEB_W("zebtest_env_set"), ZEB_W("two")));
    EXPECT_EQ(kUntouchedError, GetLastError());
    EXPECT_EQ(W(ZEB_W("two")), query(ZEB_W("ZEBTEST_ENV_SET"), 80).text);
    // Removing one that exists and one that does not both succeed.
    EXPECT_TRUE(SetEnvironmentVariableW(ZEB_W("ZEBTEST_ENV_SET"), nullptr));
    EXPECT_TRUE(SetEnvironmentVariableW(ZEB_W("ZEBTEST_ENV_SET"), nullptr));
    EXPECT_EQ(ERROR_ENVVAR_NOT_FOUND, query(ZEB_W("zebtest_env_set"), 80).ulError);
    for (LPCWSTR szBad : {ZEB_W(""), ZEB_W("ZEBTEST=ENV")})
    {
        SCOPED_TRACE(narrow(szBad));
        SetLastError(kUntouchedError);
        EXPECT_FALSE(SetEnvironmentVariableW(szBad, ZEB_W("x")));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    }
}

// CTest hands this program ZEBTEST_PARENT_VALUE and an empty ZEBTEST_PARENT_EMPTY.
TEST(EnvironmentApi, TheParentsEnvironmentIsThere)
{
    if (query(ZEB_W("ZEBTEST_PARENT_VALUE"), 80).ulResult == 0)
        GTEST_SKIP() << "run through CTest, which sets ZEBTEST_PARENT_VALUE";
    const Answer value = query(ZEB_W("ZEBTEST_PARENT_VALUE"), 80);
    EXPECT_EQ(W(ZEB_W("from the parent")), value.text);
    const Answer empty = query(ZEB_W("ZEBTEST_PARENT_EMPTY"), 80);
    EXPECT_EQ(0u, empty.ulResult);
    EXPECT_EQ(kUntouchedError, empty.ulError);
}

// ---- CZEBEnvironmentVariable ---------------------------------------------------

TEST(EnvironmentVariable, GetValueTable)
{
    ScopedVariable c(ZEB_W("ZEBTEST_VAR_C"), ZEB_W("C:"));
    ScopedVariable empty(ZEB_W("ZEBTEST_VAR_EMPTY"), ZEB_W(""));
    SetEnvironmentVariableW(ZEB_W("ZEBTEST_VAR_MISSING"), nullptr);
    struct Case
    {
        LPCWSTR szName;
        bool bFound;
        LPCWSTR szValue;
    };
    const Case cases[] = {
        {ZEB_W("ZEBTEST_VAR_C"), true, ZEB_W("C:")},
        {ZEB_W("Zebtest_Var_C"), true, ZEB_W("C:")},
        // Not set and set to nothing are the same to the library: no value, out untouched.
        {ZEB_W("ZEBTEST_VAR_EMPTY"), false, nullptr},
        {ZEB_W("ZEBTEST_VAR_MISSING"), false, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szName));
        CZEBEnvironmentVariable variable{CZEBWCharString(c.szName)};
        CZEBWCharString value(ZEB_W("untouched"));
        EXPECT_EQ(c.bFound, variable.getValue(value));
        EXPECT_EQ(W(c.bFound ? c.szValue : ZEB_W("untouched")), W(value.getBuffer()));
    }
}

TEST(EnvironmentVariable, TheNameIsCopied)
{
    ScopedVariable c(ZEB_W("ZEBTEST_VAR_C"), ZEB_W("C:"));
    CZEBWCharString name(ZEB_W("ZEBTEST_VAR_C"));
    CZEBEnvironmentVariable variable(name);
    name = ZEB_W("ZEBTEST_VAR_OTHER");
    EXPECT_EQ(W(ZEB_W("ZEBTEST_VAR_C")), W(variable.m_name.getBuffer()));
    CZEBWCharString value;
    EXPECT_TRUE(variable.getValue(value));
    EXPECT_EQ(W(ZEB_W("C:")), W(value.getBuffer()));
}

TEST(EnvironmentVariable, TheLongestValueIsReadWhole)
{
    // 32766 characters and the terminator fill the 32767-character buffer exactly.
    const WString longest(32766, ZEB_W('v'));
    ScopedVariable variable(ZEB_W("ZEBTEST_VAR_LONG"), longest.c_str());
    CZEBEnvironmentVariable reader{CZEBWCharString(ZEB_W("ZEBTEST_VAR_LONG"))};
    CZEBWCharString value;
    ASSERT_TRUE(reader.getValue(value));
    EXPECT_EQ(32766u, value.getLength());
    EXPECT_TRUE(W(value.getBuffer()) == longest);
}

TEST(EnvironmentVariable, AnEmptyNameIsLoggedOnceAndAnswersFalse)
{
    LoggingOn logging;
    for (bool bStorage : {false, true})
    {
        SCOPED_TRACE(bStorage ? "no characters" : "no storage");
        const size_t ulBefore = countLinesWith(
            logging.log.lines(), ZEB_W("The environment variable name has not been initialized"));
        CZEBEnvironmentVariable variable{bStorage ? CZEBWCharString(ZEB_W("")) : CZEBWCharString()};
        CZEBWCharString value(ZEB_W("untouched"));
        SetLastError(0x1234);
        EXPECT_FALSE(variable.getValue(value));
        EXPECT_EQ(0x1234u, GetLastError());
        EXPECT_EQ(W(ZEB_W("untouched")), W(value.getBuffer()));
        const std::vector<WString> lines = logging.log.lines();
        EXPECT_EQ(
            ulBefore + 1,
            countLinesWith(lines, ZEB_W("The environment variable name has not been initialized")));
        EXPECT_EQ(0u, countLinesWith(lines, ZEB_W("An unhandled exception occurred")));
    }
}

TEST_F(TracedTest, EnvironmentVariableTracesItsCalls)
{
    ScopedVariable c(ZEB_W("ZEBTEST_VAR_C"), ZEB_W("C:"));
    LoggingOn logging(LS_ENTRY | LS_EXIT);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    {
        CZEBEnvironmentVariable found{CZEBWCharString(ZEB_W("ZEBTEST_VAR_C"))};
        CZEBWCharString value;
        EXPECT_TRUE(found.getValue(value));
        CZEBEnvironmentVariable missing{CZEBWCharString(ZEB_W("ZEBTEST_VAR_MISSING"))};
        EXPECT_FALSE(missing.getValue(value));
    }
    const std::vector<WString> lines = logging.log.lines();
    const std::vector<WString> ctor =
        linesWith(lines, ZEB_W("<CZEBEnvironmentVariable::CZEBEnvironmentVariable>"));
    const std::vector<WString> get = linesWith(lines, ZEB_W("<CZEBEnvironmentVariable::getValue>"));
    ASSERT_EQ(4u, ctor.size());
    ASSERT_EQ(4u, get.size());
    const LPCWSTR expected[] = {nullptr, ZEB_W("> <Passed> <"), nullptr,
                                ZEB_W("> <Failed Logical Result> <")};
    for (size_t i = 0; i < 4; ++i)
    {
        SCOPED_TRACE(narrow(get[i]));
        EXPECT_NE(WString::npos, get[i].find(i % 2 ? ZEB_W("<EXIT> ") : ZEB_W("<ENTRY> ")));
        EXPECT_NE(WString::npos, ctor[i].find(i % 2 ? ZEB_W("<EXIT> ") : ZEB_W("<ENTRY> ")));
        if (expected[i])
        {
            EXPECT_NE(WString::npos, get[i].find(expected[i]));
            EXPECT_NE(WString::npos, ctor[i].find(ZEB_W("> <Passed> <"))) << narrow(ctor[i]);
        }
        EXPECT_NE(WString::npos, get[i].find(ZEB_W("<zeb_environment_variable.cpp, ")));
    }
}

#ifndef _WIN32
// ---- Host only: values the buffer cannot hold, and a failing call -------------

TEST(HostOnlyEnvironmentVariable, AValueLongerThanTheBufferIsNoValue)
{
    // Windows keeps no longer value; the host environment can hold one.
    const WString tooLong(40000, ZEB_W('v'));
    ScopedVariable variable(ZEB_W("ZEBTEST_VAR_TOO_LONG"), tooLong.c_str());
    EXPECT_EQ(40001u, GetEnvironmentVariableW(ZEB_W("ZEBTEST_VAR_TOO_LONG"), nullptr, 0));
    CZEBEnvironmentVariable reader{CZEBWCharString(ZEB_W("ZEBTEST_VAR_TOO_LONG"))};
    CZEBWCharString value(ZEB_W("untouched"));
    EXPECT_FALSE(reader.getValue(value));
    EXPECT_EQ(W(ZEB_W("untouched")), W(value.getBuffer()));
}

TEST(HostOnlyEnvironmentVariable, AFailingCallIsNoValue)
{
    ScopedVariable c(ZEB_W("ZEBTEST_VAR_C"), ZEB_W("C:"));
    zebhost::failCall("GetEnvironmentVariableW", ERROR_NOT_ENOUGH_MEMORY);
    CZEBEnvironmentVariable reader{CZEBWCharString(ZEB_W("ZEBTEST_VAR_C"))};
    CZEBWCharString value(ZEB_W("untouched"));
    EXPECT_FALSE(reader.getValue(value));
    zebhost::clearFailures();
    EXPECT_EQ(W(ZEB_W("untouched")), W(value.getBuffer()));
    EXPECT_TRUE(reader.getValue(value));
}
#endif
