// Method tracing: the process-wide dynamic-logging switch and the ENTRY and EXIT lines of
// traced calls. The switch is read once per process; each test starts with it unread.
#include "zeb_flags.h"
#include "zeb_method_trace.h"
#include "zeb_test_support.h"
#include "zeb_wchar_string.h"

#include <gtest/gtest.h>

using namespace zebtest;

namespace
{
#define ZEB_PROBE_SOURCE ZEB_W(".\\test_method_trace.cpp")

int s_nEvenLine = 0;

// Traced the way library methods are.
bool isEven(int n)
{
    s_nEvenLine = __LINE__ + 1;
    ZebTrace trace(ZEB_W("CZEBTraceProbe"), ZEB_W("isEven"), ZEB_PROBE_SOURCE, __LINE__);
    return trace.logical(n % 2 == 0);
}

bool store(bool bSucceed)
{
    ZebTrace trace(ZEB_W("CZEBTraceProbe"), ZEB_W("store"), ZEB_PROBE_SOURCE, __LINE__);
    return trace.passFail(bSucceed);
}

int thrower()
{
    ZebTrace trace(ZEB_W("CZEBTraceProbe"), ZEB_W("thrower"), ZEB_PROBE_SOURCE, __LINE__);
    throw 42;
}

// The logging key with the dynamic-logging switch, and the switch unread.
class MethodTrace : public ::testing::Test
{
protected:
    void SetUp() override { g_ulDynamicLogging = 0; }
    void TearDown() override { g_ulDynamicLogging = 0; }
};

std::vector<WString> traceLines(const std::vector<WString>& lines)
{
    std::vector<WString> out;
    for (const WString& line : lines)
        if (line.find(ZEB_W("<CZEBTraceProbe::")) != WString::npos)
            out.push_back(line);
    return out;
}

TEST_F(MethodTrace, EntryAndExitLinesCarryTheResult)
{
    LoggingOn logging(LS_ENTRY | LS_EXIT | 0x1B);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    EXPECT_TRUE(isEven(2));
    EXPECT_EQ(1u, g_ulDynamicLogging);
    EXPECT_FALSE(isEven(3));
    EXPECT_TRUE(store(true));
    EXPECT_FALSE(store(false));
    EXPECT_THROW(thrower(), int);
    const std::vector<WString> lines = traceLines(logging.log.lines());
    ASSERT_EQ(10u, lines.size());
    const WString where = WString(ZEB_W("<test_method_trace.cpp, ")) +
                          WString(CZEBWCharString(s_nEvenLine).getBuffer()) + ZEB_W(">");
    struct Expect
    {
        LPCWSTR szSeverity;
        LPCWSTR szMethod;
        LPCWSTR szResult; // null: no result part
    };
    const Expect expected[] = {
        {ZEB_W("<ENTRY> "), ZEB_W("<CZEBTraceProbe::isEven> "), nullptr},
        {ZEB_W("<EXIT> "), ZEB_W("<CZEBTraceProbe::isEven> "), ZEB_W("> <Passed> <")},
        {ZEB_W("<ENTRY> "), ZEB_W("<CZEBTraceProbe::isEven> "), nullptr},
        {ZEB_W("<EXIT> "), ZEB_W("<CZEBTraceProbe::isEven> "),
         ZEB_W("> <Failed Logical Result> <")},
        {ZEB_W("<ENTRY> "), ZEB_W("<CZEBTraceProbe::store> "), nullptr},
        {ZEB_W("<EXIT> "), ZEB_W("<CZEBTraceProbe::store> "), ZEB_W("> <Passed> <")},
        {ZEB_W("<ENTRY> "), ZEB_W("<CZEBTraceProbe::store> "), nullptr},
        {ZEB_W("<EXIT> "), ZEB_W("<CZEBTraceProbe::store> "), ZEB_W("> <Failed> <")},
        // A throw ends the call too: its exit line reports the failure.
        {ZEB_W("<ENTRY> "), ZEB_W("<CZEBTraceProbe::thrower> "), nullptr},
        {ZEB_W("<EXIT> "), ZEB_W("<CZEBTraceProbe::thrower> "), ZEB_W("> <Failed> <")},
    };
    for (size_t i = 0; i < lines.size(); ++i)
    {
        SCOPED_TRACE(narrow(lines[i]));
        EXPECT_NE(WString::npos, lines[i].find(expected[i].szSeverity));
        EXPECT_NE(WString::npos, lines[i].find(expected[i].szMethod));
        if (expected[i].szResult)
        {
            EXPECT_NE(WString::npos, lines[i].find(expected[i].szResult));
        }
        else
        {
            EXPECT_EQ(WString::npos, lines[i].find(ZEB_W("<Passed>")));
            EXPECT_EQ(WString::npos, lines[i].find(ZEB_W("<Failed")));
        }
    }
    // Entry and exit name the line of the trace.
    EXPECT_NE(WString::npos, lines[0].find(where)) << narrow(lines[0]);
    EXPECT_NE(WString::npos, lines[1].find(where)) << narrow(lines[1]);
}

TEST_F(MethodTrace, TheFilterStillDecides)
{
    LoggingOn logging(0x1B); // the default detail holds neither ENTRY nor EXIT
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    EXPECT_TRUE(isEven(4));
    EXPECT_EQ(1u, g_ulDynamicLogging);
    EXPECT_EQ(0u, traceLines(logging.log.lines()).size());
    // Changing LogDetail or Logging while the process runs takes effect at once.
    logging.key.setDword(ZEB_W("LogDetail"), LS_ENTRY | LS_EXIT);
    EXPECT_TRUE(isEven(6));
    EXPECT_EQ(2u, traceLines(logging.log.lines()).size());
    logging.key.setDword(ZEB_W("Logging"), 0);
    EXPECT_TRUE(isEven(8));
    EXPECT_EQ(2u, traceLines(logging.log.lines()).size());
    // Only the exit line: the exit filter for passed calls drops it.
    logging.key.setDword(ZEB_W("Logging"), 1);
    logging.key.setDword(ZEB_W("LogDetail"), LS_EXIT | LEF_PASS_FAIL_FAILED);
    EXPECT_TRUE(store(true));
    EXPECT_FALSE(store(false));
    const std::vector<WString> lines = traceLines(logging.log.lines());
    ASSERT_EQ(3u, lines.size());
    EXPECT_NE(WString::npos, lines[2].find(ZEB_W("<Failed>")));
}

TEST_F(MethodTrace, ChangingDynamicLoggingDuringTheProcessHasNoEffect)
{
    struct Case
    {
        bool bFirst;         // DynamicLogging 1 at the first traced call
        DWORD ulLater;       // the value set afterwards
        size_t ulLaterLines; // trace lines of a later call
    };
    const Case cases[] = {{true, 0, 2}, {false, 1, 0}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.bFirst ? "on, then off" : "off, then on");
        g_ulDynamicLogging = 0;
        LoggingOn logging(LS_ENTRY | LS_EXIT);
        if (c.bFirst)
            logging.key.setDword(ZEB_W("DynamicLogging"), 1);
        EXPECT_TRUE(isEven(0));
        EXPECT_EQ(c.bFirst ? 1u : 2u, g_ulDynamicLogging);
        const size_t ulBefore = traceLines(logging.log.lines()).size();
        EXPECT_EQ(c.bFirst ? 2u : 0u, ulBefore);
        logging.key.setDword(ZEB_W("DynamicLogging"), c.ulLater);
        EXPECT_TRUE(isEven(10));
        EXPECT_EQ(c.ulLaterLines, traceLines(logging.log.lines()).size() - ulBefore);
    }
}

TEST_F(MethodTrace, ReadDynamicLoggingAcceptsExactlyOne)
{
    const BYTE three[] = {1, 0, 0};
    const DWORD ulOne = 1;
    const WCHAR szOne[] = ZEB_W("1");
    struct Case
    {
        const char* label;
        DWORD ulType;
        const void* pData;
        DWORD cbData;
        bool bRead;
        DWORD ulState;
    };
    const Case cases[] = {
        {"absent", REG_NONE, nullptr, 0, false, 2},
        {"1", REG_DWORD, &ulOne, 4, true, 1},
        {"1 in three bytes", REG_BINARY, three, 3, true, 1},
        {"the text 1 is the number 0x31", REG_SZ, szOne, 4, true, 2},
        {"eight bytes cannot be read", REG_QWORD, "\1\0\0\0\0\0\0\0", 8, false, 2},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        LogsKey key;
        if (c.pData)
            key.setRaw(ZEB_W("DynamicLogging"), c.ulType, c.pData, c.cbData);
        g_ulDynamicLogging = 0;
        EXPECT_EQ(c.bRead, readDynamicLogging());
        EXPECT_EQ(c.ulState, g_ulDynamicLogging);
    }
    for (DWORD ulValue : {0u, 2u, 7u})
    {
        SCOPED_TRACE(ulValue);
        LogsKey key;
        key.setDword(ZEB_W("DynamicLogging"), ulValue);
        g_ulDynamicLogging = 0;
        EXPECT_TRUE(readDynamicLogging());
        EXPECT_EQ(2u, g_ulDynamicLogging);
    }
    // Without the logging key at all.
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, LogsKey::path());
    g_ulDynamicLogging = 0;
    EXPECT_FALSE(readDynamicLogging());
    EXPECT_EQ(2u, g_ulDynamicLogging);
}

TEST_F(MethodTrace, TracedCallsBehaveTheSameWhenOff)
{
    LoggingOn logging(LS_ENTRY | LS_EXIT);
    g_ulDynamicLogging = 2;
    EXPECT_TRUE(isEven(2));
    EXPECT_FALSE(isEven(1));
    EXPECT_FALSE(store(false));
    EXPECT_THROW(thrower(), int);
    EXPECT_EQ(0u, traceLines(logging.log.lines()).size());
    EXPECT_EQ(2u, g_ulDynamicLogging);
}

TEST_F(MethodTrace, ATraceWithoutLoggingHasNoEntry)
{
    LogsKey key;
    key.setDword(ZEB_W("Logging"), 0);
    CZEBMethodTrace off(ZEB_W("C"), ZEB_W("m"), ZEB_PROBE_SOURCE, 1, OUTPUT_TEXT, true, true);
    EXPECT_EQ(nullptr, off.m_pEntry);
    off.setResult(RESULT_LOGICAL, 1); // nothing to record into
    key.setDword(ZEB_W("Logging"), 1);
    CZEBMethodTrace on(ZEB_W("C"), ZEB_W("m"), ZEB_PROBE_SOURCE, 1, OUTPUT_TEXT, false, false);
    ASSERT_NE(nullptr, on.m_pEntry);
    on.setResult(RESULT_LOGICAL, 1);
    EXPECT_EQ(RESULT_LOGICAL, on.m_pEntry->m_record.m_nResultKind);
    EXPECT_EQ(1, on.m_pEntry->m_record.m_nResultValue);
    EXPECT_EQ(LS_ENTRY, on.m_pEntry->m_record.m_nSeverity);
}
} // namespace

TEST_F(MethodTrace, StringAndFlagOperationsAreTraced)
{
    LoggingOn logging(LS_ENTRY | LS_EXIT);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    const CZEBWCharString text(ZEB_W("abc"));
    EXPECT_TRUE(text.beginsWith(CZEBWCharString(ZEB_W("ab"))));
    EXPECT_FALSE(text.endsWith(CZEBWCharString(ZEB_W("ab"))));
    const CZEBWCharString dump = text.getAsciiCodeString();
    EXPECT_EQ(8u, dump.getBufferFromAsciiCodeString().getNumElems());
    const CZEBFlags flags(6);
    EXPECT_TRUE(flags.hasFlags(4));
    EXPECT_TRUE(flags != CZEBFlags(1));
    DWORD ulIndex = 0;
    EXPECT_TRUE(flags.getIndex(4, ulIndex));
    const std::vector<WString> lines = logging.log.lines();
    struct Expect
    {
        LPCWSTR szMethod;
        LPCWSTR szResult; // in the EXIT line
        size_t ulCalls;
    };
    const Expect expected[] = {
        {ZEB_W("<CZEBWCharString::beginsWith> "), ZEB_W("> <Passed> <"), 1},
        {ZEB_W("<CZEBWCharString::endsWith> "), ZEB_W("> <Failed Logical Result> <"), 1},
        {ZEB_W("<CZEBWCharString::getAsciiCodeString> "), ZEB_W("> <Passed> <"), 1},
        {ZEB_W("<CZEBWCharString::getBufferFromAsciiCodeString> "), ZEB_W("> <Passed> <"), 1},
        {ZEB_W("<CZEBFlags::hasFlags> "), ZEB_W("> <Passed> <"), 2}, // getIndex asks it too
        {ZEB_W("<CZEBFlags::operator!=> "), ZEB_W("> <Passed> <"), 1},
        {ZEB_W("<CZEBFlags::getIndex> "), ZEB_W("> <Passed> <"), 1},
    };
    for (const Expect& e : expected)
    {
        SCOPED_TRACE(narrow(e.szMethod));
        size_t ulEntries = 0;
        size_t ulExits = 0;
        for (const WString& line : lines)
        {
            if (line.find(e.szMethod) == WString::npos)
                continue;
            if (line.find(ZEB_W("<ENTRY> ")) != WString::npos)
                ++ulEntries;
            if (line.find(ZEB_W("<EXIT> ")) != WString::npos)
            {
                ++ulExits;
                EXPECT_NE(WString::npos, line.find(e.szResult)) << narrow(line);
            }
        }
        EXPECT_EQ(e.ulCalls, ulEntries);
        EXPECT_EQ(e.ulCalls, ulExits);
    }
    EXPECT_GE(countLinesWith(lines, ZEB_W("<CZEBFlags::CZEBFlags> ")), 4u)
        << "each flag set built writes its entry and exit";
}
