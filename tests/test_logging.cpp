// Log records, the registry-driven filter, the text output's line layout and file
// handling, and the exception classes with their handling discipline.
#include "zeb_guard.h"
#include "zeb_logging_output.h"
#include "zeb_wchar_string.h"
#include "zeb_test_support.h"

#include <gtest/gtest.h>

#include <functional>

#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

using namespace zebtest;

namespace
{
const WCHAR szSource[] = ZEB_W(".\\zeb\\zeb_example.cpp");

// A record object that is not written when built.
struct Probe : CZEBDetailedLog
{
    Probe(int nSeverity, int nKind = RESULT_PASS_FAIL, int nValue = 0, LPCWSTR szClass = nullptr,
          LPCWSTR szModule = nullptr)
        : CZEBDetailedLog(nSeverity, ZEB_W("probe"), nValue, nKind, szClass, ZEB_W("method"),
                          szSource, 7, false, false, OUTPUT_TEXT, szModule, nullptr)
    {
    }
};

bool loggable(int nSeverity, int nKind = RESULT_PASS_FAIL, int nValue = 0,
              LPCWSTR szClass = nullptr)
{
    Probe probe(nSeverity, nKind, nValue, szClass);
    return probe.isLoggable(probe.m_record);
}

WString repeat(WCHAR c, size_t n)
{
    return WString(n, c);
}
} // namespace

// ---- The filter ------------------------------------------------------------

TEST(LogFilter, NothingIsWrittenWithoutTheKey)
{
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, LogsKey::path());
    EXPECT_FALSE(loggable(LS_CRITICAL));
    EXPECT_FALSE(loggable(LS_EXCEPTION_BAD));
    CZEBLogConfig config;
    EXPECT_FALSE(config.isLoggingEnabled());
    EXPECT_EQ(0x1B, config.getLogDetail());
}

TEST(LogFilter, DecisionTable)
{
    const WString module = moduleName();
    struct Case
    {
        const char* name;
        std::function<void(LogsKey&)> configure;
        int nSeverity;
        int nKind;
        int nValue;
        LPCWSTR szClass;
        bool bExpected;
    };
    auto on = [](LogsKey& key) { key.setDword(ZEB_W("Logging"), 1); };
    auto detail = [on](DWORD ulDetail)
    {
        return [on, ulDetail](LogsKey& key)
        {
            on(key);
            key.setDword(ZEB_W("LogDetail"), ulDetail);
        };
    };
    auto moduleValue = [on, module](const WString& value)
    {
        return [on, module, value](LogsKey& key)
        {
            on(key);
            key.setDword(ZEB_W("LogDetail"), 0);
            key.setText(module.c_str(), value);
        };
    };
    auto lists = [on](LPCWSTR szAllow, LPCWSTR szExclude)
    {
        return [on, szAllow, szExclude](LogsKey& key)
        {
            on(key);
            if (szAllow)
                key.setText(ZEB_W("AllowObjects"), szAllow);
            if (szExclude)
                key.setText(ZEB_W("ExcludeObjects"), szExclude);
        };
    };
    const WString longList = repeat('A', 600) + ZEB_W("CZEBIni");
    const Case cases[] = {
        {"Logging 0", [](LogsKey& k) { k.setDword(ZEB_W("Logging"), 0); }, LS_CRITICAL, 1, 0,
         nullptr, false},
        {"default detail: exception", on, LS_EXCEPTION_BAD, 0, 5, nullptr, true},
        {"default detail: warning", on, LS_WARNING, 0, 0, nullptr, true},
        {"default detail: error", on, LS_ERROR, 0, 0, nullptr, true},
        {"default detail: debug", on, LS_DEBUG, 0, 0, nullptr, false},
        {"default detail: entry", on, LS_ENTRY, 1, 0, nullptr, false},
        {"default detail: exit", on, LS_EXIT, 1, 0, nullptr, false},
        {"severity 0 always passes", on, LS_UNSPECIFIED, 1, 0, nullptr, true},
        {"0x2300 entry", detail(0x2300), LS_ENTRY, 1, 0, nullptr, true},
        {"0x2300 failed exit", detail(0x2300), LS_EXIT, RESULT_PASS_FAIL, 0, nullptr, true},
        {"0x2300 passed exit", detail(0x2300), LS_EXIT, RESULT_PASS_FAIL, 1, nullptr, false},
        {"0x2300 pass/fail low byte", detail(0x2300), LS_EXIT, RESULT_PASS_FAIL, 0x100, nullptr,
         true},
        {"0x2300 logical exit", detail(0x2300), LS_EXIT, RESULT_LOGICAL, 0, nullptr, false},
        {"0x2300 error-code exit", detail(0x2300), LS_EXIT, RESULT_ERROR_CODE, 5, nullptr, false},
        {"0x1200 code 5", detail(0x1200), LS_EXIT, RESULT_ERROR_CODE, 5, nullptr, true},
        {"0x1200 code 0", detail(0x1200), LS_EXIT, RESULT_ERROR_CODE, 0, nullptr, false},
        {"0x1200 code 0x100", detail(0x1200), LS_EXIT, RESULT_ERROR_CODE, 0x100, nullptr, true},
        {"0x4200 false", detail(0x4200), LS_EXIT, RESULT_LOGICAL, 0, nullptr, true},
        {"0x4200 true", detail(0x4200), LS_EXIT, RESULT_LOGICAL, 1, nullptr, false},
        {"0x4200 return code", detail(0x4200), LS_EXIT, RESULT_RETURN_CODE, 0, nullptr, false},
        {"0x0200 any exit", detail(0x0200), LS_EXIT, RESULT_PASS_FAIL, 1, nullptr, true},
        {"0x0200 return code", detail(0x0200), LS_EXIT, RESULT_RETURN_CODE, 3, nullptr, true},
        {"detail lacks the bit", detail(0x0010), LS_EXCEPTION_BAD, 0, 0, nullptr, false},
        {"detail 0x10000 truncated", detail(0x10002), LS_EXCEPTION_BAD, 0, 0, nullptr, true},
        {"module 1,512 entry", moduleValue(ZEB_W("1,512")), LS_ENTRY, 1, 0, nullptr, true},
        {"module 1,512 exit", moduleValue(ZEB_W("1,512")), LS_EXIT, 1, 1, nullptr, true},
        {"module 1,4095,x debug", moduleValue(ZEB_W("1,4095,x")), LS_DEBUG, 0, 0, nullptr, true},
        {"module without comma", moduleValue(ZEB_W("1")), LS_CRITICAL, 0, 0, nullptr, false},
        {"module value too long", moduleValue(ZEB_W("1,512") + repeat(' ', 200)), LS_CRITICAL, 0, 0,
         nullptr, false},
        {"allow empty: class", lists(ZEB_W(""), ZEB_W("x")), LS_CRITICAL, 0, 0, ZEB_W("CZEBIni"),
         false},
        {"allow empty: no class", lists(ZEB_W(""), nullptr), LS_CRITICAL, 0, 0, nullptr, true},
        {"allow lists both", lists(ZEB_W("CZEBRegistryKey;CZEBIni"), nullptr), LS_CRITICAL, 0, 0,
         ZEB_W("CZEBIni"), true},
        {"allow substring", lists(ZEB_W("CZEBRegistryKey"), nullptr), LS_CRITICAL, 0, 0,
         ZEB_W("CZEBRegistry"), true},
        {"allow is case-sensitive", lists(ZEB_W("CZEBINI"), nullptr), LS_CRITICAL, 0, 0,
         ZEB_W("CZEBIni"), false},
        {"allow wins over exclude", lists(ZEB_W("CZEBIni"), ZEB_W("CZEBIni")), LS_CRITICAL, 0, 0,
         ZEB_W("CZEBIni"), true},
        {"exclude listed", lists(nullptr, ZEB_W("CZEBIni")), LS_CRITICAL, 0, 0, ZEB_W("CZEBIni"),
         false},
        {"exclude other", lists(nullptr, ZEB_W("CZEBIni")), LS_CRITICAL, 0, 0,
         ZEB_W("CZEBDirectory"), true},
        {"allow list too long", lists(longList.c_str(), nullptr), LS_CRITICAL, 0, 0,
         ZEB_W("CZEBIni"), false},
        {"module value filling its buffer unterminated",
         [on, module](LogsKey& k)
         {
             on(k);
             const WString text = ZEB_W("1,512") + repeat(' ', 125); // 260 bytes, no NUL
             k.setRaw(module.c_str(), REG_BINARY, text.data(),
                      static_cast<DWORD>(text.size() * sizeof(WCHAR)));
         },
         LS_CRITICAL, 0, 0, nullptr, false},
        {"allow list filling its buffer unterminated",
         [on](LogsKey& k)
         {
             on(k);
             const WString text = ZEB_W("CZEBIni") + repeat(';', 505); // 1024 bytes, no NUL
             k.setRaw(ZEB_W("AllowObjects"), REG_BINARY, text.data(),
                      static_cast<DWORD>(text.size() * sizeof(WCHAR)));
         },
         LS_CRITICAL, 0, 0, ZEB_W("CZEBIni"), false},
        {"Logging as a too long value",
         [](LogsKey& k)
         {
             const BYTE data[8] = {1, 0, 0, 0, 0, 0, 0, 0};
             k.setRaw(ZEB_W("Logging"), REG_BINARY, data, sizeof(data));
         },
         LS_CRITICAL, 0, 0, nullptr, false},
        {"Logging as one byte",
         [](LogsKey& k)
         {
             const BYTE data[1] = {1};
             k.setRaw(ZEB_W("Logging"), REG_BINARY, data, sizeof(data));
         },
         LS_CRITICAL, 0, 0, nullptr, true},
    };
    for (const Case& c : cases)
    {
        LogsKey key;
        c.configure(key);
        EXPECT_EQ(c.bExpected, loggable(c.nSeverity, c.nKind, c.nValue, c.szClass)) << c.name;
    }
}

TEST(LogFilter, ModuleSettingsReplaceOutputTypesAndDetail)
{
    LogsKey key;
    key.setDword(ZEB_W("Logging"), 1);
    key.setText(moduleName().c_str(), ZEB_W(" 4,-1"));
    Probe probe(LS_ENTRY);
    EXPECT_TRUE(probe.isLevelEnabled(probe.m_record));
    EXPECT_EQ(4, probe.m_usOutputTypes);
    EXPECT_EQ(0xFFFF, probe.m_usLogDetail);
    EXPECT_EQ(moduleName(), W(probe.m_record.m_szModuleName));
    CZEBLogConfig config;
    EXPECT_EQ(4, config.getModuleOutputTypes(moduleName().c_str()));
    EXPECT_EQ(0xFFFF, config.getModuleLogDetail(moduleName().c_str()));
    EXPECT_FALSE(config.hasModuleSettings(nullptr));
}

TEST(LogFilter, OutputPathTypes)
{
    LogsKey key;
    key.setText(ZEB_W("XMLOutput"), ZEB_W("C:\\x.xml"));
    CZEBLogConfig config;
    WCHAR szPath[128];
    EXPECT_TRUE(config.getOutputPath(OUTPUT_XML, szPath, sizeof(szPath)));
    EXPECT_EQ(W(ZEB_W("C:\\x.xml")), W(szPath));
    EXPECT_FALSE(config.getOutputPath(OUTPUT_TEXT, szPath, sizeof(szPath)));
    EXPECT_TRUE(config.getOutputPath(OUTPUT_NONE, nullptr, 0));
    EXPECT_FALSE(config.getOutputPath(3, szPath, sizeof(szPath)));
    EXPECT_FALSE(config.getOutputPath(OUTPUT_XML, nullptr, sizeof(szPath)));
    EXPECT_FALSE(config.getOutputPath(OUTPUT_XML, szPath, 0));
}

// Runs only from a folder whose full path has 128 characters or more.
TEST(LongProgramPath, NoRecordWithoutASuppliedModuleName)
{
    ASSERT_GE(programPath().size(), 128u) << narrow(programPath());
    // The log itself needs a path short enough for "TextOutput".
    LoggingOn logging(0x0FFF, ZEB_W("Z:\\tmp\\zebtest_long_path\\"));
    Probe plain(LS_CRITICAL);
    EXPECT_FALSE(plain.isLoggable(plain.m_record));
    EXPECT_FALSE(plain.log());
    Probe named(LS_CRITICAL, RESULT_PASS_FAIL, 0, nullptr, ZEB_W("supplied"));
    EXPECT_TRUE(named.log());
    const std::vector<WString> lines = logging.log.lines();
    ASSERT_EQ(1u, lines.size());
    EXPECT_NE(WString::npos, lines[0].find(ZEB_W("<supplied> ")));
}

// ---- Line layout -----------------------------------------------------------

TEST(LogLine, LayoutTable)
{
    struct Case
    {
        int nSeverity;
        LPCWSTR szMessage;
        int nValue;
        int nKind;
        LPCWSTR szClass;
        LPCWSTR szMethod;
        LPCWSTR szFile;
        int nLine;
        LPCWSTR szExpected;
    };
    const Case cases[] = {
        {LS_EXCEPTION_BAD, ZEB_W("Unable to allocate memory ( m_pBuffer )"), -1, RESULT_ERROR_CODE,
         nullptr, nullptr, ZEB_W(".\\zeb_buffer.h"), 120,
         ZEB_W("<T>: <EXCEPTION_BAD> <prog> \"Unable to allocate memory ( m_pBuffer )\" "
               "<zeb_buffer.h, 120> ")},
        {LS_EXCEPTION_BAD, ZEB_W("m"), 5, RESULT_ERROR_CODE, nullptr, nullptr, nullptr, 0,
         ZEB_W("<T>: <EXCEPTION_BAD> <prog> \"m\" <Error: 0x00000005> ")},
        {LS_EXCEPTION_BAD, nullptr, -2, RESULT_ERROR_CODE, nullptr, nullptr, nullptr, 0,
         ZEB_W("<T>: <EXCEPTION_BAD> <prog> <Error: 0xfffffffe> ")},
        {LS_EXCEPTION_BAD, nullptr, 0, RESULT_ERROR_CODE, nullptr, nullptr, nullptr, 0,
         ZEB_W("<T>: <EXCEPTION_BAD> <prog> ")},
        {LS_EXIT, nullptr, 0, RESULT_LOGICAL, ZEB_W("CZEBIni"), ZEB_W("exists"),
         ZEB_W(".\\zeb\\zeb_ini.cpp"), 33,
         ZEB_W("<T>: <EXIT> <prog> <CZEBIni::exists> <Failed Logical Result> "
               "<zeb_ini.cpp, 33> ")},
        {LS_EXIT, nullptr, 1, RESULT_LOGICAL, ZEB_W("C"), ZEB_W("m"), nullptr, 0,
         ZEB_W("<T>: <EXIT> <prog> <C::m> <Passed> ")},
        {LS_EXIT, nullptr, 0, RESULT_PASS_FAIL, ZEB_W("C"), nullptr, nullptr, 0,
         ZEB_W("<T>: <EXIT> <prog> <C> <Failed> ")},
        {LS_ENTRY, nullptr, 0, RESULT_PASS_FAIL, nullptr, ZEB_W("m"), nullptr, 0,
         ZEB_W("<T>: <ENTRY> <prog> <::m> ")},
        {LS_WARNING, nullptr, 0x1A, RESULT_RETURN_CODE, nullptr, nullptr, ZEB_W("file.cpp"), 0,
         ZEB_W("<T>: <WARNING> <prog> <Return Code: 0x0000001a> <file.cpp>")},
        {LS_DEBUG, nullptr, 0, RESULT_RETURN_CODE, nullptr, nullptr, nullptr, 12,
         ZEB_W("<T>: <DEBUG> <prog> <Return Code: 0x00000000> <12> ")},
        {3, nullptr, 0, 9, nullptr, nullptr, nullptr, 0, ZEB_W("<T>: <UNSPECIFIED> <prog> ")},
    };
    for (const Case& c : cases)
    {
        CZEBLogRecord record;
        record.m_nSeverity = c.nSeverity;
        CZEBLogRecord::setString(record.m_szMessage, c.szMessage);
        CZEBLogRecord::setString(record.m_szModuleName, ZEB_W("prog"));
        record.m_nResultValue = c.nValue;
        record.m_nResultKind = c.nKind;
        CZEBLogRecord::setString(record.m_szClassName, c.szClass);
        CZEBLogRecord::setString(record.m_szMethodName, c.szMethod);
        CZEBLogRecord::setString(record.m_szSourceFile, c.szFile);
        record.m_nLine = c.nLine;
        DWORD cchLine = 0;
        LPWSTR szLine = zebFormatLogLine(record, ZEB_W("T"), false, &cchLine);
        ASSERT_NE(nullptr, szLine);
        EXPECT_EQ(W(c.szExpected) + ZEB_W("\r\n"), WString(szLine, cchLine))
            << narrow(c.szExpected);
        zebReleaseLogLine(szLine, cchLine);
    }
}

TEST(LogLine, ShortFormKeepsTimeSeverityModuleMessageAndResult)
{
    CZEBLogRecord record;
    record.m_nSeverity = LS_EXIT;
    record.m_nResultKind = RESULT_LOGICAL;
    CZEBLogRecord::setString(record.m_szMessage, ZEB_W("m"));
    CZEBLogRecord::setString(record.m_szClassName, ZEB_W("C"));
    CZEBLogRecord::setString(record.m_szSourceFile, ZEB_W("f.cpp"));
    record.m_nLine = 3;
    DWORD cchLine = 0;
    LPWSTR szLine = zebFormatLogLine(record, ZEB_W("T"), true, &cchLine);
    ASSERT_NE(nullptr, szLine);
    EXPECT_EQ(W(ZEB_W("<T>: <EXIT> <> \"m\" <Failed Comparison>\r\n")), WString(szLine, cchLine));
    zebReleaseLogLine(szLine, cchLine);
}

TEST(LogFile, MarkOnceThenLinesWithTheTimeOfTheWrite)
{
    LoggingOn logging;
    Probe first(LS_CRITICAL);
    EXPECT_TRUE(first.log());
    Probe second(LS_WARNING);
    EXPECT_TRUE(second.log());
    const std::vector<BYTE> bytes = readFileBytes(logging.log.file());
    ASSERT_GT(bytes.size(), 4u);
    size_t nMarks = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        nMarks += bytes[i] == 0xFF && bytes[i + 1] == 0xFE;
    EXPECT_EQ(1u, nMarks);
    const std::vector<WString> lines = logging.log.lines();
    ASSERT_EQ(2u, lines.size());
    for (const WString& line : lines)
    {
        // "<Www Mmm dd hh:mm:ss yyyy>: " with a two-digit day.
        ASSERT_GE(line.size(), 28u);
        EXPECT_EQ(ZEB_W('<'), line[0]);
        EXPECT_EQ(W(ZEB_W(">: ")), line.substr(25, 3)) << narrow(line);
        for (size_t i : {4u, 8u, 11u, 20u})
            EXPECT_EQ(ZEB_W(' '), line[i]) << narrow(line);
        for (size_t i : {9u, 10u, 12u, 13u, 15u, 16u, 18u, 19u, 21u, 22u, 23u, 24u})
            EXPECT_TRUE(line[i] >= '0' && line[i] <= '9') << narrow(line) << " at " << i;
        EXPECT_EQ(W(ZEB_W(":")), line.substr(14, 1));
    }
    const WString tail =
        ZEB_W("<") + moduleName() + ZEB_W("> <::method> \"probe\" <zeb_example.cpp, 7> ");
    EXPECT_EQ(W(ZEB_W("<CRITICAL> ")) + tail, lines[0].substr(28));
    EXPECT_EQ(W(ZEB_W("<WARNING> ")) + tail, lines[1].substr(28));
}

TEST(LogFile, DispatchAnswersForTheLastOutput)
{
    LoggingOn logging;
    CZEBDetailedLog both(LS_CRITICAL, ZEB_W("both"), 0, 1, nullptr, nullptr, nullptr, 0, false,
                         false, OUTPUT_TEXT | OUTPUT_XML, nullptr, nullptr);
    EXPECT_FALSE(both.log()) << "the XML output answers last";
    EXPECT_FALSE(both.m_bLogged);
    EXPECT_EQ(1u, countLinesWith(logging.log.lines(), ZEB_W("\"both\"")));
    CZEBDetailedLog none(LS_CRITICAL, ZEB_W("none"), 0, 1, nullptr, nullptr, nullptr, 0, false,
                         false, OUTPUT_NONE, nullptr, nullptr);
    EXPECT_FALSE(none.log());
}

TEST(LogFile, BadDestinationsWriteNothingAndKeepTheResult)
{
    const WString folder = programFolder();
    struct Case
    {
        const char* name;
        WString path;
    };
    const Case cases[] = {
        {"relative", W(ZEB_W("logs\\zeb.log"))},
        {"UNC", W(ZEB_W("\\\\server\\share\\zeb.log"))},
        {"drive-relative", W(ZEB_W("C:zeb.log"))},
        {"folder two levels missing", folder + ZEB_W("zeb_missing_a\\zeb_missing_b\\zeb.log")},
        {"longer than the read buffer", folder + repeat('d', 130) + ZEB_W("\\zeb.log")},
    };
    for (const Case& c : cases)
    {
        LogsKey key;
        key.setDword(ZEB_W("Logging"), 1);
        key.setText(ZEB_W("TextOutput"), c.path);
        SetLastError(0xdeadbeef);
        Probe probe(LS_CRITICAL);
        EXPECT_FALSE(probe.log()) << c.name;
        EXPECT_FALSE(probe.m_bLogged) << c.name;
        EXPECT_EQ(0xdeadbeefu, GetLastError()) << c.name;
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES,
              GetFileAttributesW((folder + ZEB_W("zeb_missing_a")).c_str()));
}

TEST(LogFile, TextOutputFillingItsBufferUnterminatedWritesNothing)
{
    // 128 characters in 256 bytes: a read of exactly the buffer with no terminator.
    ScratchLog log;
    WString path = log.file();
    path.insert(path.rfind(ZEB_W('\\')) + 1, repeat('p', 128 - path.size()));
    ASSERT_EQ(128u, path.size());
    LogsKey key;
    key.setDword(ZEB_W("Logging"), 1);
    key.setRaw(ZEB_W("TextOutput"), REG_BINARY, path.data(),
               static_cast<DWORD>(path.size() * sizeof(WCHAR)));
    Probe probe(LS_CRITICAL);
    EXPECT_FALSE(probe.log());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
}

TEST(LogFile, TextOutputOfTheWrongTypeWritesNothing)
{
    LogsKey key;
    key.setDword(ZEB_W("Logging"), 1);
    key.setDword(ZEB_W("TextOutput"), 0x0043); // reads as the text "C"
    Probe probe(LS_CRITICAL);
    EXPECT_FALSE(probe.log());
}

TEST(LogFile, LockedLogWritesNothing)
{
    LoggingOn logging;
    ASSERT_TRUE(Probe(LS_CRITICAL).log());
    const size_t cbBefore = readFileBytes(logging.log.file()).size();
    HANDLE hLock = CreateFileW(logging.log.file().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                               0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hLock);
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(Probe(LS_CRITICAL).log());
    EXPECT_EQ(0xdeadbeefu, GetLastError());
    CloseHandle(hLock);
    EXPECT_EQ(cbBefore, readFileBytes(logging.log.file()).size());
}

#ifndef _WIN32
// Wine run as root writes read-only files; Windows and the host refuse.
TEST(LogFile, HostOnly_ReadOnlyLogWritesNothing)
{
    LoggingOn logging;
    ASSERT_TRUE(Probe(LS_CRITICAL).log());
    const size_t cbBefore = readFileBytes(logging.log.file()).size();
    ASSERT_TRUE(SetFileAttributesW(logging.log.file().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(Probe(LS_CRITICAL).log());
    SetFileAttributesW(logging.log.file().c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(cbBefore, readFileBytes(logging.log.file()).size());
}
#endif

#ifndef _WIN32
// When the first open of an existing file fails and the second one opens it, the mark is
// not written over the start of that file.
TEST(LogFile, HostOnly_SecondOpenOfAnExistingFileWritesNoMark)
{
    LoggingOn logging;
    CreateDirectoryW(logging.log.folder().c_str(), nullptr);
    HANDLE hFile =
        CreateFileW(logging.log.file().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFile);
    DWORD cbWritten = 0;
    WriteFile(hFile, "ABCD", 4, &cbWritten, nullptr);
    CloseHandle(hFile);

    zebhost::failCall("CreateFileW", ERROR_SHARING_VIOLATION, 1);
    EXPECT_TRUE(Probe(LS_WARNING).log());
    zebhost::clearFailures();
    const std::vector<BYTE> bytes = readFileBytes(logging.log.file());
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ((std::vector<BYTE>{'A', 'B', 'C', 'D'}),
              std::vector<BYTE>(bytes.begin(), bytes.begin() + 4));
}
#endif

// ---- Records ---------------------------------------------------------------

TEST(LogRecord, WritingKeepsTheLastError)
{
    for (bool bLoggingOn : {false, true})
    {
        LogsKey key;
        ScratchLog log;
        key.setDword(ZEB_W("Logging"), bLoggingOn ? 1 : 0);
        key.setText(ZEB_W("TextOutput"), log.file());
        SetLastError(0xdeadbeef);
        Probe probe(LS_CRITICAL);
        EXPECT_EQ(bLoggingOn, probe.log());
        EXPECT_EQ(0xdeadbeefu, GetLastError());
        SetLastError(12345);
        CZEBBadArgException raised(ZEB_W("a"), ZEB_W("b"), szSource, 1, OUTPUT_TEXT, true, false);
        EXPECT_EQ(bLoggingOn, raised.m_bLogged);
        EXPECT_EQ(12345u, GetLastError());
    }
}

TEST(LogRecord, StringFieldsAndCopies)
{
    LPWSTR szField = nullptr;
    EXPECT_TRUE(CZEBLogRecord::setString(szField, nullptr));
    EXPECT_EQ(nullptr, szField);
    EXPECT_FALSE(CZEBLogRecord::setString(szField, ZEB_W("")));
    EXPECT_EQ(nullptr, szField);
    EXPECT_TRUE(CZEBLogRecord::setString(szField, ZEB_W("x")));
    ASSERT_NE(nullptr, szField);
    EXPECT_TRUE(CZEBLogRecord::setString(szField, nullptr));
    EXPECT_EQ(nullptr, szField);

    CZEBDetailedLog empty(LS_CRITICAL, ZEB_W(""), 0, 1, nullptr, nullptr, nullptr, 0, false, false,
                          OUTPUT_TEXT, nullptr, nullptr);
    EXPECT_EQ(nullptr, empty.m_record.m_szMessage) << "an empty message is stored as none";

    LoggingOn logging;
    CZEBBadArgException original(ZEB_W("arg"), nullptr, szSource, 9, OUTPUT_TEXT, true, false);
    ASSERT_TRUE(original.m_bLogged);
    CZEBBadArgException copy(original);
    EXPECT_TRUE(copy.m_bLogged) << "the logged flag travels with copies";
    EXPECT_EQ(W(original.m_record.m_szMessage), W(copy.m_record.m_szMessage));
    EXPECT_NE(original.m_record.m_szMessage, copy.m_record.m_szMessage) << "deep copy";
}

TEST(LogRecord, EntryWritesEntryThenExit)
{
    LoggingOn logging(0x0FFF);
    _CZEBLogEntry* pEntry =
        new _CZEBLogEntry(ZEB_W("CZEBIni"), ZEB_W("exists"), szSource, 5, OUTPUT_TEXT, true, true);
    EXPECT_TRUE(pEntry->m_bLogged);
    pEntry->m_record.m_nResultKind = RESULT_LOGICAL;
    pEntry->m_record.m_nResultValue = 0;
    delete pEntry;
    const std::vector<WString> lines = logging.log.lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(WString::npos, lines[0].find(ZEB_W("<ENTRY> ")));
    EXPECT_NE(WString::npos, lines[1].find(ZEB_W("<EXIT> ")));
    EXPECT_NE(
        WString::npos,
        lines[1].find(ZEB_W("<CZEBIni::exists> <Failed Logical Result> <zeb_example.cpp, 5> ")));
}

// ---- Exceptions ------------------------------------------------------------

TEST(Exceptions, MessagesAndRecordFields)
{
    struct Case
    {
        std::function<CZEBDetailedLog*()> make;
        int nSeverity;
        int nKind;
        int nValue;
        LPCWSTR szMessage;
    };
    const WCHAR* f = szSource;
    const Case cases[] = {
        {[f] { return new CZEBUnhandledExceptionException(22, f, 1, OUTPUT_TEXT, false, false); },
         2, 0, 22, ZEB_W("An unhandled exception occurred")},
        {[f] {
             return new CZEBBadArgException(nullptr, ZEB_W("value is NULL"), f, 1, 1, false, false);
         },
         2, 0, 0, ZEB_W("A bad argument was provided ( Unknown ). value is NULL")},
        {[f] { return new CZEBMemAllocException(ZEB_W("m_pBuffer"), f, 1, 1, false, false); }, 2, 0,
         -1, ZEB_W("Unable to allocate memory ( m_pBuffer )")},
        {[f] { return new CZEBMemoryCopyException(4, f, 1, false); }, 2, 0, 4,
         ZEB_W("memcpy() function failed")},
        {[f] { return new CZEBBufferInitException(f, 1, false); }, 2, 0, -1,
         ZEB_W("Unable to initialize CZEBBuffer")},
        {[f] { return new CMemDestroyFailWarning(ZEB_W("m_pBuffer"), f, 1, 1, false, false); }, 16,
         0, -1, ZEB_W("Unable to free memory ( m_pBuffer )")},
        {[f] { return new CZEBWindowsOSInfoInitNeededException(f, 1); }, 2, 0, -1,
         ZEB_W("CZEBWindowsOSInfo construction failed. Cannot call member functions.")},
        {[f] { return new CZEBLogException1(ZEB_W("Policy source is not supported."), 0, f, 1); },
         2, 0, 0, ZEB_W("Policy source is not supported.")},
        {[] { return new CZEBLogDebug(ZEB_W("pValent.ve_valuename = NULL")); }, 32, 1, 0,
         ZEB_W("pValent.ve_valuename = NULL")},
        {[f] {
             return new CZEBRegEnumKeyException(nullptr, 5, ZEB_W("C"), ZEB_W("m"), f, 1, 1, false,
                                                false);
         },
         2, 0, 5, ZEB_W("Unable to enumerate subkeys from key ( \"Unknown\" )")},
        {[f] {
             return new CZEBRegKeyCreateException(ZEB_W("K"), 5, nullptr, nullptr, f, 1, 1, false,
                                                  false);
         },
         2, 1, 5, ZEB_W("Unable to create registry key ( \"K\" )")},
        {[f]
         { return new CZEBRegQueryMultipleValuesException(ZEB_W("K"), 6, f, 1, 1, false, false); },
         2, 1, 6, ZEB_W("Unable to query multiple values from registry key ( \"K\" )")},
        {[f]
         {
             return new CZEBRegValueSetException(ZEB_W("SOFTWARE\\A"), ZEB_W("B"), 5, nullptr,
                                                 nullptr, f, 1, 1, false, false);
         },
         2, 1, 5, ZEB_W("Unable to Set registry value ( \"SOFTWARE\\A\\B\" )")},
        {[f] {
             return new CZEBRegCloseKeyWarning(ZEB_W("K"), 6, nullptr, nullptr, f, 1, 1, false,
                                               false);
         },
         16, 0, 6, ZEB_W("Unable to close registry key ( K )")},
        {[f] {
             return new CZEBRegKeyAlreadyOpenWarning(ZEB_W("K"), nullptr, nullptr, f, 1, 1, false,
                                                     false);
         },
         16, 1, -1, ZEB_W("Registry key is already open ( K )")},
        {[f] { return new CCloseHandleWarning(ZEB_W("h"), 6, f, 1, 1, false); }, 16, 0, 6,
         ZEB_W("Unable to free memory ( h )")},
        {[f] {
             return new CZEBWritePrivateProfileStringException(ZEB_W("S"), nullptr, 5, f, 1, 1,
                                                               false);
         },
         2, 0, 5, ZEB_W("Unable to write profile string ( section: S, key name: Unknown )")},
        {[f] { return new CZEBGetPolicySettingWarning(7, f, 1, 1, false, false); }, 16, 0, 0,
         ZEB_W("Could not find policy setting with ID ( 7 )")},
        {[f] { return new CZEBGetPolicySettingWarning(-3, f, 1, 1, false, false); }, 16, 0, 0,
         ZEB_W("Could not find policy setting with ID ( -3 )")},
        {[f]
         {
             return new CZEBSIgetStoragePathException(ZEB_W("Kelbix"), 5, nullptr, nullptr, f, 1, 1,
                                                      false, false);
         },
         2, 0, 5,
         ZEB_W("Unable to obtain Windows shell folder path for folder ( \"Kelbix\" ).  Shell "
               "folder error 5.")},
        {[f]
         {
             return new CZEBSIgetStoragePathException(nullptr, static_cast<int>(0x80004005u),
                                                      nullptr, nullptr, f, 1, 1, false, false);
         },
         2, 0, static_cast<int>(0x80004005u),
         ZEB_W("Unable to obtain Windows shell folder path for folder ( \"Unknown\" ).  Path does "
               "not exist.")},
        {[f]
         {
             return new CZEBSIgetStoragePathException(ZEB_W("x"), static_cast<int>(0x80070057u),
                                                      nullptr, nullptr, f, 1, 1, false, false);
         },
         2, 0, static_cast<int>(0x80070057u),
         ZEB_W("Unable to obtain Windows shell folder path for folder ( \"x\" ).  Shell folder "
               "does not exist.")},
    };
    for (const Case& c : cases)
    {
        CZEBDetailedLog* pRecord = c.make();
        EXPECT_EQ(c.nSeverity, pRecord->m_record.m_nSeverity) << narrow(c.szMessage);
        EXPECT_EQ(c.nKind, pRecord->m_record.m_nResultKind) << narrow(c.szMessage);
        EXPECT_EQ(c.nValue, pRecord->m_record.m_nResultValue) << narrow(c.szMessage);
        EXPECT_EQ(W(c.szMessage), W(pRecord->m_record.m_szMessage));
        delete pRecord;
    }
    CZEBRegEnumValueException named(ZEB_W("K"), 1, ZEB_W("CZEBRegistryKey"), ZEB_W("enumValues"),
                                    szSource, 3, OUTPUT_TEXT, false, false);
    EXPECT_EQ(W(ZEB_W("CZEBRegistryKey")), W(named.m_record.m_szClassName));
    EXPECT_EQ(W(ZEB_W("enumValues")), W(named.m_record.m_szMethodName));
    EXPECT_EQ(3, named.m_record.m_nLine);
}

TEST(Exceptions, LongInsertIsCutNotOverrun)
{
    const WString insert = repeat('x', 5000);
    CZEBMemAllocException raised(insert.c_str(), szSource, 1, OUTPUT_TEXT, false, false);
    ASSERT_NE(nullptr, raised.m_record.m_szMessage);
    const WString message = W(raised.m_record.m_szMessage);
    EXPECT_EQ(1023u, message.size());
    EXPECT_EQ(W(ZEB_W("Unable to allocate memory ( xxx")), message.substr(0, 31));
}

TEST(Exceptions, FreeTextIsCutAndNeverAFormat)
{
    struct Case
    {
        const char* name;
        WString text;
        WString message;
    };
    const WString longText = repeat('y', 1500);
    const Case cases[] = {
        {"1500 characters", longText, longText.substr(0, 1023)},
        {"format directives stay text", W(ZEB_W("%s %d %x %%")), W(ZEB_W("%s %d %x %%"))},
        {"plain", W(ZEB_W("Policy source is not supported.")),
         W(ZEB_W("Policy source is not supported."))},
    };
    for (const Case& c : cases)
    {
        CZEBLogException1 raised(c.text.c_str(), 0, szSource, 1);
        CZEBLogDebug note(c.text.c_str());
        for (const CZEBDetailedLog* pRecord : {static_cast<const CZEBDetailedLog*>(&raised),
                                               static_cast<const CZEBDetailedLog*>(&note)})
        {
            ASSERT_NE(nullptr, pRecord->m_record.m_szMessage) << c.name;
            EXPECT_EQ(c.message, W(pRecord->m_record.m_szMessage)) << c.name;
        }
    }
}

TEST(Exceptions, CopyAndInitExceptionsAreWrittenTwiceOthersOnce)
{
    LoggingOn logging;
    // A failed copy: written by the handler, then again when the exception is destroyed.
    EXPECT_FALSE(zebGuarded(false, zesErrno, szSource, 1,
                            []() -> bool
                            {
                                throw CZEBMemoryCopyException(0, szSource, 2, true);
                                return true;
                            }));
    // A constructor that cannot allocate: the allocation record once, the init exception
    // once by the caller's handler and once at its destruction.
    static int s_nFail;
    s_nFail = 1;
    struct Failing
    {
        static void* allocate(size_t cb) { return s_nFail-- > 0 ? nullptr : std::malloc(cb); }
        static bool release(void* p, size_t)
        {
            std::free(p);
            return true;
        }
    };
    const ZebAllocatorHooks hooks = {Failing::allocate, Failing::release};
    zebSetAllocatorHooks(&hooks);
    zebGuardedVoid(zesErrno, szSource, 3, [] { CZEBBuffer<unsigned char> buffer(16); });
    zebSetAllocatorHooks(nullptr);
    // An ordinary failure is written once.
    CZEBBuffer<unsigned char> small(2);
    EXPECT_FALSE(small.write(CZEBBuffer<unsigned char>(), 0, true));

    const std::vector<WString> lines = logging.log.lines();
    EXPECT_EQ(2u, countLinesWith(lines, ZEB_W("\"memcpy() function failed\"")));
    EXPECT_EQ(2u, countLinesWith(lines, ZEB_W("\"Unable to initialize CZEBBuffer\"")));
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("\"Unable to allocate memory ( m_pBuffer )\"")));
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("buffer is of zero size - can't write\" "
                                              "<zeb_buffer.h, ")));
}

TEST(Exceptions, ForeignExceptionsBecomeUnhandledRecordsWithErrno)
{
    LoggingOn logging;
    errno = 34;
    EXPECT_FALSE(zebGuarded(false, zesErrno, ZEB_W(".\\zeb_wchar_string.cpp"), 77,
                            []() -> bool
                            {
                                throw 42;
                                return true;
                            }));
    SetLastError(1234);
    EXPECT_FALSE(zebGuarded(false, zesLastError, ZEB_W(".\\zeb_registry_key.cpp"), 88,
                            []() -> bool
                            {
                                throw 42;
                                return true;
                            }));
    const std::vector<WString> lines = logging.log.lines();
    ASSERT_EQ(2u, lines.size());
    EXPECT_NE(WString::npos,
              lines[0].find(ZEB_W("\"An unhandled exception occurred\" "
                                  "<Error: 0x00000022> <zeb_wchar_string.cpp, 77> ")));
    EXPECT_NE(WString::npos,
              lines[1].find(ZEB_W("<Error: 0x000004d2> <zeb_registry_key.cpp, 88> ")));
}

TEST(Exceptions, WithLoggingOffTheyAreHandledTheSame)
{
    LogsKey key; // present but "Logging" absent
    CZEBBuffer<unsigned char> buffer(2);
    EXPECT_FALSE(buffer.appendAt(buffer, 3));
    EXPECT_EQ(2u, buffer.getNumElems());
    try
    {
        buffer[2];
        FAIL() << "no exception";
    }
    catch (CZEBIndexOutOfBoundsException& e)
    {
        EXPECT_FALSE(e.m_bLogged);
    }
}
