// Shared by the string operation tests: strings of every kind as inputs, outcomes shown as
// text, the records an operation wrote to the log, and a runner for tables of cases.
#pragma once

#include "zeb_wchar_string.h"
#include "zeb_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace zebtest
{
typedef CZEBWCharString Str;

// A string of ASCII text; null gives an invalid string.
inline CZEBWCharString text(const char* szText)
{
    if (!szText)
        return CZEBWCharString();
    WString units;
    for (const char* p = szText; *p; ++p)
        units.push_back(static_cast<WCHAR>(static_cast<unsigned char>(*p)));
    return CZEBWCharString(units.c_str());
}

// A string's text, or "<invalid>"; reads only up to the length (the storage may lack a NUL).
inline std::string shown(const CZEBWCharString& s)
{
    if (!s.isValid())
        return "<invalid>";
    return narrow(WString(s.getBuffer(), s.getLength()));
}

// The text and the storage size: "abc/4".
inline std::string shownStored(const CZEBWCharString& s)
{
    return shown(s) + "/" + std::to_string(s.getNumElems());
}

// A valid string of length 0: ulUnits NUL units.
inline CZEBWCharString validEmpty(DWORD ulUnits = 1)
{
    CZEBWCharString s;
    EXPECT_TRUE(s.create(ulUnits));
    return s;
}

// The text in storage of ulUnits units (a zero tail after the NUL).
inline CZEBWCharString withStorage(const WCHAR* szText, DWORD ulUnits)
{
    CZEBWCharString s(szText);
    EXPECT_TRUE(s.resize(ulUnits));
    return s;
}

// The text's units without any NUL in the storage.
inline CZEBWCharString unterminated(const WCHAR* szText)
{
    const WString text = W(szText);
    CZEBWCharString s;
    EXPECT_TRUE(s.create(static_cast<DWORD>(text.size())));
    for (size_t i = 0; i < text.size(); ++i)
        s[static_cast<DWORD>(i)] = static_cast<unsigned short>(text[i]);
    return s;
}

const char* const kStringFile = "zeb_wchar_string.cpp";

// A record as "message @file", the file without its line (nothing after @ when the record
// names no source file).
inline std::string record(const std::string& message, const char* szFile = kStringFile)
{
    return message + " @" + (szFile ? szFile : "");
}

inline std::string badArg(const std::string& argument, const std::string& problem,
                          const char* szFile = kStringFile)
{
    return record("A bad argument was provided ( " + argument + " ). " + problem, szFile);
}

inline std::string unhandled()
{
    return record("An unhandled exception occurred");
}

// The records of log lines in the form above.
inline std::vector<std::string> records(const std::vector<WString>& lines)
{
    std::vector<std::string> out;
    for (const WString& line : lines)
    {
        const size_t ulOpen = line.find(ZEB_W('"'));
        const size_t ulClose = ulOpen == WString::npos ? ulOpen : line.find(ZEB_W('"'), ulOpen + 1);
        if (ulClose == WString::npos)
        {
            out.push_back("unparsed: " + narrow(line));
            continue;
        }
        const WString rest = line.substr(ulClose + 1);
        std::string file;
        const size_t ulComma = rest.find(ZEB_W(", "));
        if (ulComma != WString::npos)
        {
            const size_t ulStart = rest.rfind(ZEB_W('<'), ulComma);
            file = narrow(rest.substr(ulStart + 1, ulComma - ulStart - 1));
        }
        out.push_back(narrow(line.substr(ulOpen + 1, ulClose - ulOpen - 1)) + " @" + file);
    }
    return out;
}

// The records that action writes with logging on.
inline std::vector<std::string> recordsOf(const std::function<void()>& action)
{
    LoggingOn logging;
    action();
    return records(logging.log.lines());
}

// What an operation answered and what it left: a string, a position, a list.
struct Outcome
{
    bool bResult;
    std::string shown;
};

// One row: an input, an operation with its arguments, the expected answer, what it leaves
// and the records it writes.
struct StringCase
{
    const char* szName;
    CZEBWCharString input;
    std::function<Outcome(CZEBWCharString&)> operation;
    bool bResult;
    std::string expected;
    std::vector<std::string> logged;
};

inline void runCases(const std::vector<StringCase>& cases)
{
    for (const StringCase& c : cases)
    {
        SCOPED_TRACE(c.szName);
        CZEBWCharString subject(c.input);
        Outcome outcome = {false, ""};
        const std::vector<std::string> logged = recordsOf([&] { outcome = c.operation(subject); });
        EXPECT_EQ(c.bResult, outcome.bResult);
        EXPECT_EQ(c.expected, outcome.shown);
        EXPECT_EQ(c.logged, logged);
    }
}

// Operations that edit the string in place show the string afterwards.
template <class Edit> std::function<Outcome(CZEBWCharString&)> inPlace(Edit edit)
{
    return [edit](CZEBWCharString& s)
    {
        const bool bResult = edit(s);
        return Outcome{bResult, shown(s)};
    };
}

// Operations with a result string show the result, which starts as "?" so that an
// untouched result shows.
template <class Produce> std::function<Outcome(CZEBWCharString&)> toResult(Produce produce)
{
    return [produce](CZEBWCharString& s)
    {
        CZEBWCharString result(ZEB_W("?"));
        const bool bResult = produce(s, result);
        return Outcome{bResult, shown(result)};
    };
}

// Operations with a number result show it, which starts as 777.
template <class Produce> std::function<Outcome(CZEBWCharString&)> toNumberResult(Produce produce)
{
    return [produce](CZEBWCharString& s)
    {
        DWORD ulResult = 777;
        const bool bResult = produce(s, ulResult);
        return Outcome{bResult, std::to_string(ulResult)};
    };
}

// Allocator hooks that make chosen allocations fail; the rest use the system heap.
struct FailingHeap
{
    static int& allocationsBeforeFailure()
    {
        static int s_n = 0;
        return s_n;
    }
    static int& failures()
    {
        static int s_n = 0;
        return s_n;
    }
    static void* allocate(size_t cbSize)
    {
        if (allocationsBeforeFailure() > 0)
            --allocationsBeforeFailure();
        else if (failures() > 0)
        {
            --failures();
            return nullptr;
        }
        return std::malloc(cbSize);
    }
    static bool release(void* p, size_t)
    {
        std::free(p);
        return true;
    }
    // Fails nFailures allocations after nBefore successful ones, until destroyed.
    FailingHeap(int nBefore, int nFailures)
    {
        allocationsBeforeFailure() = nBefore;
        failures() = nFailures;
        zebSetAllocatorHooks(&m_hooks);
    }
    ~FailingHeap()
    {
        zebSetAllocatorHooks(nullptr);
        failures() = 0;
    }
    FailingHeap(const FailingHeap&) = delete;
    FailingHeap& operator=(const FailingHeap&) = delete;

private:
    ZebAllocatorHooks m_hooks = {allocate, release};
};
} // namespace zebtest
