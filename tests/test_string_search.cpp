// CZEBWCharString search, substrings and editing: occurrence numbering in both directions,
// cutting at the ends and at occurrences, ranges, insertion, deletion and replacement, each
// argument error with the records it writes, and inputs at the edges (invalid strings,
// occurrence 0 and numbers near 2^32, positions past the end, modes outside the lists).
#include "string_cases.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zebtest;

namespace
{
const Str::ParseMode F = Str::pmForward;
const Str::ParseMode B = Str::pmBackward;

Str::ParseMode parseMode(DWORD ulMode)
{
    return static_cast<Str::ParseMode>(ulMode);
}

Str::SubStringMode subMode(DWORD ulMode)
{
    return static_cast<Str::SubStringMode>(ulMode);
}

const std::string kTooLarge =
    badArg("ulOccurrance", "value is impossible since it is larger than the length of this string");
const std::string kZero = badArg("ulOccurrance", "value must be greater than 0");
const std::string kNoSubString = badArg("subString", "must contain a string");
const std::string kBadParseMode = badArg("parseMode", "invalid parse mode");
const std::string kStartPast = badArg("ulStartPos", "start position is past the end of the string");
const std::string kEndPast = badArg("ulEndPos", "end position is past the end of the string");
const std::string kEqual =
    badArg("ulEndPos & ulStartPos", "start and end positions can't be equal");
const std::string kStartGreater =
    badArg("ulStartPos", "start position can't be greater than end position - use "
                         "extractOutside( ) or deleteRange( ) instead");
const std::string kInvalidInsert = badArg("string", "can't insert an invalid string");
const std::string kOutOfBounds = badArg("ulPos", "position is out of string bounds");
const std::string kInvalidMode = badArg("subStringMode", "invalid mode");
const std::string kOccurZero =
    badArg("ulOccurrance", "ssmOccur mode requires ulOccurrance to be greater than 0");
const std::string kNumZero =
    badArg("ulOccurrance", "ssmNum mode requires ulOccurrance to be greater than 0");
const std::string kNotEnough =
    badArg("ulOccurrance", "there aren't enough strings to accommodate ulOccurrance");
const std::string kOccurOut = badArg("ulOccurrance", "occurrance is out of bounds");
const std::string kOldInvalid = badArg("oldString", "string is invalid");
const std::string kIndex = record("Index out of array bounds", "zeb_buffer.h");

std::function<Outcome(Str&)> findOp(Str sub, DWORD ulOccurrance, Str::ParseMode mode)
{
    return toNumberResult([=](Str& s, DWORD& ulPos)
                          { return s.find(sub, ulOccurrance, mode, ulPos); });
}
} // namespace

// ---- Search ----------------------------------------------------------------

TEST(StringFind, Table)
{
    runCases({
        {"forward 1", text("aaaa"), findOp(text("aa"), 1, F), true, "0", {}},
        {"forward overlaps", text("aaaa"), findOp(text("aa"), 2, F), true, "1", {}},
        {"forward last", text("aaaa"), findOp(text("aa"), 3, F), true, "2", {}},
        {"too few matches", text("aaaa"), findOp(text("aa"), 4, F), false, "777", {}},
        {"backward 1 is the last match", text("aaaa"), findOp(text("aa"), 1, B), true, "2", {}},
        {"backward 3", text("aaaa"), findOp(text("aa"), 3, B), true, "0", {}},
        {"backward whole", text("abc"), findOp(text("abc"), 1, B), true, "0", {}},
        {"occurrence above the length",
         text("abc"),
         findOp(text("a"), 4, F),
         false,
         "777",
         {kTooLarge}},
        {"occurrence near 2^32",
         text("abc"),
         findOp(text("a"), 0xFFFFFFFF, B),
         false,
         "777",
         {kTooLarge}},
        {"occurrence 2 silently missing", text("abc"), findOp(text("a"), 2, F), false, "777", {}},
        {"longer substring", text("abc"), findOp(text("abcd"), 9, F), false, "777", {}},
        {"occurrence 0", text("abc"), findOp(text("a"), 0, F), false, "777", {kZero}},
        {"occurrence checked before the mode",
         text("abc"),
         findOp(text("a"), 0, parseMode(3)),
         false,
         "777",
         {kZero}},
        {"mode 3", text("abc"), findOp(text("a"), 1, parseMode(3)), false, "777", {}},
        {"mode 0", text("abc"), findOp(text("a"), 1, parseMode(0)), false, "777", {}},
        {"mode 2^32-1", text("abc"), findOp(text("a"), 1, parseMode(0xFFFFFFFF)), false, "777", {}},
        {"invalid string", Str(), findOp(text("a"), 0, F), false, "777", {}},
        {"invalid substring", text("abc"), findOp(Str(), 0, F), false, "777", {}},
        {"substring of length 0 never occurs",
         text("abc"),
         findOp(validEmpty(3), 1, F),
         false,
         "777",
         {}},
        {"valid empty string", validEmpty(), findOp(text("a"), 1, F), false, "777", {}},
        {"case-sensitive", text("abc"), findOp(text("B"), 1, F), false, "777", {}},
        {"zero tail is not text",
         withStorage(ZEB_W("ab"), 6),
         findOp(text("b"), 1, B),
         true,
         "1",
         {}},
        {"storage without a NUL",
         unterminated(ZEB_W("abc")),
         findOp(text("c"), 1, B),
         true,
         "2",
         {}},
        {"substring without a NUL",
         text("xabc"),
         findOp(unterminated(ZEB_W("bc")), 1, F),
         true,
         "2",
         {}},
    });
}

// Every search agrees with a plain count on every text over {a, b} up to 6 units.
TEST(StringFind, AgreesWithANaiveScan)
{
    std::vector<std::string> texts = {""};
    for (size_t n = 0; n < texts.size() && texts[n].size() < 6; ++n)
        for (char c : {'a', 'b'})
            texts.push_back(texts[n] + c);
    for (const std::string& hay : texts)
        for (const std::string& needle : texts)
        {
            if (needle.empty() || needle.size() > 3)
                continue;
            std::vector<DWORD> starts;
            for (size_t j = 0; j + needle.size() <= hay.size(); ++j)
                if (hay.compare(j, needle.size(), needle) == 0)
                    starts.push_back(static_cast<DWORD>(j));
            const Str s = text(hay.empty() ? nullptr : hay.c_str());
            const Str sub = text(needle.c_str());
            SCOPED_TRACE(hay + " / " + needle);
            const DWORD ulCount = static_cast<DWORD>(starts.size());
            EXPECT_EQ(ulCount, s.countOccurrences(sub));
            EXPECT_EQ(ulCount != 0, s.contains(sub));
            for (DWORD n = 1; n <= hay.size(); ++n)
            {
                DWORD ulPos = 999;
                EXPECT_EQ(n <= ulCount, s.find(sub, n, F, ulPos));
                EXPECT_EQ(n <= ulCount ? starts[n - 1] : 999u, ulPos);
                ulPos = 999;
                EXPECT_EQ(n <= ulCount, s.find(sub, n, B, ulPos));
                EXPECT_EQ(n <= ulCount ? starts[ulCount - n] : 999u, ulPos);
                DWORD ulOpposite = 0;
                EXPECT_EQ(n <= ulCount, s.getOppositeOccurrence(sub, n, F, ulOpposite));
                if (n <= ulCount)
                {
                    EXPECT_EQ(ulCount - n + 1, ulOpposite);
                }
            }
            for (DWORD j = 0; j <= hay.size() + 1; ++j)
            {
                const auto match = std::find(starts.begin(), starts.end(), j);
                DWORD ulForward = 0, ulBackward = 0;
                EXPECT_EQ(match != starts.end(), s.getOccurrenceAtPosition(sub, j, F, ulForward));
                EXPECT_EQ(match != starts.end(), s.getOccurrenceAtPosition(sub, j, B, ulBackward));
                if (match != starts.end())
                {
                    EXPECT_EQ(static_cast<DWORD>(match - starts.begin()) + 1, ulForward);
                    EXPECT_EQ(static_cast<DWORD>(starts.end() - match), ulBackward);
                }
            }
            const bool bBegins = !starts.empty() && starts.front() == 0;
            const bool bEnds = !starts.empty() && starts.back() + needle.size() == hay.size();
            EXPECT_EQ(bBegins, s.beginsWith(sub));
            EXPECT_EQ(bEnds, s.endsWith(sub));
        }
}

TEST(StringSearch, CountContainsAndPositions)
{
    auto count = [](Str sub)
    {
        return toNumberResult(
            [=](Str& s, DWORD& ulCount)
            {
                ulCount = s.countOccurrences(sub);
                return true;
            });
    };
    auto contains = [](Str sub) { return inPlace([=](Str& s) { return s.contains(sub); }); };
    auto at = [](Str sub, DWORD ulPos, Str::ParseMode mode)
    {
        return toNumberResult(
            [=](Str& s, DWORD& ulOccurrance)
            { return s.getOccurrenceAtPosition(sub, ulPos, mode, ulOccurrance); });
    };
    runCases({
        {"count overlapping", text("aaaa"), count(text("aa")), true, "3", {}},
        {"count separate", text("abcabc"), count(text("abc")), true, "2", {}},
        {"count every unit", text("aaa"), count(text("a")), true, "3", {}},
        {"count invalid string", Str(), count(text("a")), true, "0", {}},
        {"count invalid substring", text("abc"), count(Str()), true, "0", {}},
        {"count longer substring", text("ab"), count(text("abc")), true, "0", {}},
        {"contains", text("x/silent"), contains(text("/s")), true, "x/silent", {}},
        {"contains exact case", text("x/silent"), contains(text("/S")), false, "x/silent", {}},
        {"contains invalid", text("x/silent"), contains(Str()), false, "x/silent", {}},
        {"invalid contains", Str(), contains(text("/s")), false, "<invalid>", {}},
        {"occurrence at position forward", text("abab"), at(text("ab"), 2, F), true, "2", {}},
        {"occurrence at position backward", text("abab"), at(text("ab"), 2, B), true, "1", {}},
        {"no occurrence starts there", text("abab"), at(text("ab"), 1, F), false, "777", {}},
        {"position past the end", text("abab"), at(text("ab"), 0xFFFFFFFF, F), false, "777", {}},
        {"position bad mode", text("abab"), at(text("ab"), 0, parseMode(7)), false, "777", {}},
        {"position invalid string", Str(), at(text("ab"), 0, F), false, "777", {}},
    });
}

TEST(StringSearch, OppositeOccurrence)
{
    auto opposite = [](Str sub, DWORD ulOccurrance, Str::ParseMode mode)
    {
        return toNumberResult(
            [=](Str& s, DWORD& ulResult)
            { return s.getOppositeOccurrence(sub, ulOccurrance, mode, ulResult); });
    };
    runCases({
        {"forward 1 is backward 3", text("aaaa"), opposite(text("aa"), 1, F), true, "3", {}},
        {"backward 3 is forward 1", text("aaaa"), opposite(text("aa"), 3, B), true, "1", {}},
        {"middle", text("a.b.c.d"), opposite(text("."), 2, F), true, "2", {}},
        {"invalid string", Str(), opposite(Str(), 1, parseMode(9)), false, "777", {}},
        // The catch-all guard reports argument errors as unhandled exceptions too.
        {"invalid substring",
         text("abc"),
         opposite(Str(), 1, F),
         false,
         "777",
         {kNoSubString, unhandled()}},
        {"substring of length 0",
         text("abc"),
         opposite(validEmpty(), 1, F),
         false,
         "777",
         {kNoSubString, unhandled()}},
        {"bad mode",
         text("abc"),
         opposite(text("a"), 1, parseMode(3)),
         false,
         "777",
         {kBadParseMode, unhandled()}},
        // An occurrence error belongs to find, which reports nothing more.
        {"occurrence 0", text("abc"), opposite(text("a"), 0, F), false, "777", {kZero}},
        {"occurrence too large",
         text("abc"),
         opposite(text("a"), 0xFFFFFFFF, B),
         false,
         "777",
         {kTooLarge}},
        {"not found", text("abc"), opposite(text("x"), 1, F), false, "777", {}},
    });
}

TEST(StringSearch, BeginsAndEndsWith)
{
    auto begins = [](Str sub) { return inPlace([=](Str& s) { return s.beginsWith(sub); }); };
    auto ends = [](Str sub) { return inPlace([=](Str& s) { return s.endsWith(sub); }); };
    runCases({
        {"begins with itself", text("abc"), begins(text("abc")), true, "abc", {}},
        {"begins with a longer text", text("abc"), begins(text("abcd")), false, "abc", {}},
        {"begins with a later unit", text("abc"), begins(text("b")), false, "abc", {}},
        {"begins invalid", Str(), begins(text("a")), false, "<invalid>", {}},
        {"begins with invalid", text("abc"), begins(Str()), false, "abc", {}},
        {"ends with c", text("abc"), ends(text("c")), true, "abc", {}},
        {"ends with itself", text("abc"), ends(text("abc")), true, "abc", {}},
        {"ends with the last of several", text("abab"), ends(text("ab")), true, "abab", {}},
        {"does not end with b", text("abc"), ends(text("b")), false, "abc", {}},
        {"ends with a longer text", text("bc"), ends(text("abc")), false, "bc", {}},
        {"ends with invalid", text("abc"), ends(Str()), false, "abc", {}},
        {"ends on a zero tail", withStorage(ZEB_W("abc"), 8), ends(text("bc")), true, "abc", {}},
    });
}

// ---- Cutting ---------------------------------------------------------------

TEST(StringCut, WithoutAndRemove)
{
    auto right = [](DWORD n) {
        return [=](Str& s) { return Outcome{true, shownStored(s.withoutRight(n))}; };
    };
    auto left = [](DWORD n) {
        return [=](Str& s) { return Outcome{true, shownStored(s.withoutLeft(n))}; };
    };
    runCases({
        {"right 2", text("abcdef"), right(2), true, "abcd/5", {}},
        {"right 0 is a copy", withStorage(ZEB_W("ab"), 5), right(0), true, "ab/5", {}},
        {"right all", text("abc"), right(3), true, "<invalid>/0", {}},
        {"right more", text("abc"), right(0xFFFFFFFF), true, "<invalid>/0", {}},
        {"right 0 of an empty text", validEmpty(2), right(0), true, "/2", {}},
        {"right of invalid", Str(), right(1), true, "<invalid>/0", {}},
        {"left 2 sized exactly", withStorage(ZEB_W("abcdef"), 9), left(2), true, "cdef/5", {}},
        {"left 0 is a copy", text("abc"), left(0), true, "abc/4", {}},
        {"left all", text("abc"), left(3), true, "<invalid>/0", {}},
        {"left near 2^32", text("abc"), left(0xFFFFFFFF), true, "<invalid>/0", {}},
        {"left of unterminated", unterminated(ZEB_W("abc")), left(1), true, "bc/3", {}},
    });
    Str s = text("abcdef");
    EXPECT_EQ(&s, &s.removeLeft(1));
    EXPECT_EQ("bcdef", shown(s));
    EXPECT_EQ(&s, &s.removeRight(2));
    EXPECT_EQ("bcd/4", shownStored(s));
    s.removeRight(3);
    EXPECT_FALSE(s.isValid());
    s.removeLeft(1);
    EXPECT_FALSE(s.isValid());
}

TEST(StringCut, CutAtOccurrence)
{
    auto cut = [](Str sub, DWORD ulOccurrance, Str::ParseMode mode, bool bRemove) {
        return inPlace([=](Str& s) { return s.cutAtOccurrence(sub, ulOccurrance, mode, bRemove); });
    };
    const Str slash = text("\\");
    runCases({
        {"forward keeps the occurrence",
         text("a\\b\\c"),
         cut(slash, 1, F, false),
         true,
         "\\b\\c",
         {}},
        {"forward removes it", text("a\\b\\c"), cut(slash, 1, F, true), true, "b\\c", {}},
        {"forward second", text("a\\b\\c"), cut(slash, 2, F, true), true, "c", {}},
        {"backward keeps it", text("a\\b\\c"), cut(slash, 1, B, false), true, "a\\b\\", {}},
        {"backward removes it", text("a\\b\\c"), cut(slash, 1, B, true), true, "a\\b", {}},
        {"nothing left", text("ab"), cut(text("ab"), 1, F, true), true, "<invalid>", {}},
        {"bad mode", text("a\\b"), cut(slash, 1, parseMode(3), true), false, "a\\b", {}},
        {"not found", text("a\\b"), cut(text("/"), 1, F, true), false, "a\\b", {}},
        {"occurrence 0", text("a\\b"), cut(slash, 0, F, true), false, "a\\b", {kZero}},
        {"invalid", Str(), cut(slash, 1, F, true), false, "<invalid>", {}},
    });
}

TEST(StringCut, Parse)
{
    auto parse = [](Str sub, DWORD ulOccurrance, Str::ParseMode mode, bool bInclude)
    {
        return toResult([=](Str& s, Str& result)
                        { return s.parse(result, sub, ulOccurrance, mode, bInclude); });
    };
    const Str slash = text("\\");
    const Str path = text("C:\\dir\\file.txt");
    runCases({
        {"file name", path, parse(slash, 1, B, false), true, "file.txt", {}},
        {"file name with the slash", path, parse(slash, 1, B, true), true, "\\file.txt", {}},
        {"drive", path, parse(slash, 1, F, false), true, "C:", {}},
        {"drive with the slash", path, parse(slash, 1, F, true), true, "C:\\", {}},
        {"before the second", path, parse(slash, 2, F, false), true, "C:\\dir", {}},
        {"after the second from the end",
         path,
         parse(slash, 2, B, false),
         true,
         "dir\\file.txt",
         {}},
        {"nothing before", text("\\x"), parse(slash, 1, F, false), true, "<invalid>", {}},
        {"not found: result untouched", path, parse(text("/"), 1, F, false), false, "?", {}},
        {"bad mode",
         path,
         parse(slash, 1, parseMode(4), false),
         false,
         "?",
         {kBadParseMode, unhandled()}},
        {"invalid substring",
         path,
         parse(Str(), 1, F, false),
         false,
         "?",
         {kNoSubString, unhandled()}},
        {"occurrence 0", path, parse(slash, 0, F, false), false, "?", {kZero}},
        {"invalid", Str(), parse(slash, 1, F, false), false, "?", {}},
    });
    // The result may be the string itself.
    Str s = text("C:\\dir\\file.txt");
    EXPECT_TRUE(s.parse(s, text("\\"), 1, B, false));
    EXPECT_EQ("file.txt", shown(s));
}

// ---- Ranges ----------------------------------------------------------------

TEST(StringRange, DeleteRange)
{
    auto del = [](DWORD ulStart, DWORD ulEnd, bool bStart, bool bEnd)
    { return inPlace([=](Str& s) { return s.deleteRange(ulStart, ulEnd, bStart, bEnd); }); };
    runCases({
        {"between", text("abcdef"), del(1, 4, false, false), true, "abef", {}},
        {"with both ends", text("abcdef"), del(1, 4, true, true), true, "af", {}},
        {"with the start", text("abcdef"), del(1, 4, true, false), true, "aef", {}},
        {"with the end", text("abcdef"), del(1, 4, false, true), true, "abf", {}},
        {"neighbours", text("abcdef"), del(1, 2, false, false), true, "abcdef", {}},
        {"wrapping around", text("abcdef"), del(4, 1, false, false), true, "bcde", {}},
        {"wrapping with both ends", text("abcdef"), del(4, 1, true, true), true, "cd", {}},
        {"wrapping leaves nothing", text("abcdef"), del(2, 1, true, true), true, "<invalid>", {}},
        {"everything between the ends",
         text("abcdef"),
         del(0, 5, true, true),
         true,
         "<invalid>",
         {}},
        {"start past the end",
         text("abc"),
         del(3, 1, false, false),
         false,
         "abc",
         {kStartPast, unhandled()}},
        {"start near 2^32",
         text("abc"),
         del(0xFFFFFFFF, 1, false, false),
         false,
         "abc",
         {kStartPast, unhandled()}},
        {"end past the end",
         text("abc"),
         del(1, 3, false, false),
         false,
         "abc",
         {kEndPast, unhandled()}},
        {"equal", text("abc"), del(1, 1, false, false), false, "abc", {kEqual, unhandled()}},
        {"valid empty string",
         validEmpty(),
         del(0, 1, false, false),
         false,
         "",
         {kStartPast, unhandled()}},
        {"invalid", Str(), del(0, 1, false, false), false, "<invalid>", {}},
        {"unterminated", unterminated(ZEB_W("abcd")), del(0, 3, false, false), true, "ad", {}},
    });
}

TEST(StringRange, ExtractInside)
{
    auto inside = [](DWORD ulStart, DWORD ulEnd, bool bStart, bool bEnd)
    {
        return toResult([=](Str& s, Str& result)
                        { return s.extractInside(result, ulStart, ulEnd, bStart, bEnd); });
    };
    runCases({
        {"both included", text("abcdef"), inside(1, 3, true, true), true, "bcd", {}},
        {"neither", text("abcdef"), inside(1, 3, false, false), true, "c", {}},
        {"start only", text("abcdef"), inside(1, 3, true, false), true, "bc", {}},
        {"end only", text("abcdef"), inside(1, 3, false, true), true, "cd", {}},
        {"neighbours, neither", text("abcdef"), inside(1, 2, false, false), true, "<invalid>", {}},
        {"whole", text("abcdef"), inside(0, 5, true, true), true, "abcdef", {}},
        {"reversed",
         text("abcdef"),
         inside(3, 1, true, true),
         false,
         "?",
         {kStartGreater, unhandled()}},
        {"equal, included", text("abcdef"), inside(2, 2, true, false), true, "c", {}},
        {"equal, not included", text("abcdef"), inside(2, 2, false, false), true, "<invalid>", {}},
        {"equal on the NUL", text("abcdef"), inside(6, 6, false, true), true, "<invalid>", {}},
        {"equal past the storage",
         text("abcdef"),
         inside(7, 7, true, true),
         false,
         "?",
         {kIndex, unhandled()}},
        {"equal near 2^32",
         text("abc"),
         inside(0xFFFFFFFF, 0xFFFFFFFF, true, true),
         false,
         "?",
         {kIndex, unhandled()}},
        // The range runs through deleteRange on a copy, which names its own arguments and
        // leaves the copy in the result.
        {"end past the text",
         text("abcdef"),
         inside(0, 6, true, true),
         false,
         "abcdef",
         {kStartPast, unhandled()}},
        {"invalid", Str(), inside(0, 1, true, true), false, "<invalid>", {}},
    });
    const Str path = text("C:\\dir\\file.txt");
    DWORD ulPos = 0;
    ASSERT_TRUE(path.find(text("\\"), 1, B, ulPos));
    Str folder;
    EXPECT_TRUE(path.extractInside(folder, 0, ulPos, true, true));
    EXPECT_EQ("C:\\dir\\", shown(folder));
}

TEST(StringRange, ExtractBetween)
{
    auto between = [](Str start, DWORD ulStart, Str end, DWORD ulEnd, bool bStart, bool bEnd)
    {
        return toResult(
            [=](Str& s, Str& result)
            { return s.extractBetween(result, start, ulStart, end, ulEnd, bStart, bEnd); });
    };
    const Str open = text("<"), close = text(">");
    runCases({
        {"both delimiters",
         text("<a><b>"),
         between(open, 1, close, 1, true, true),
         true,
         "<a><b>",
         {}},
        {"start delimiter",
         text("<a><b>"),
         between(open, 1, close, 1, true, false),
         true,
         "<a><b",
         {}},
        {"end delimiter",
         text("<a><b>"),
         between(open, 1, close, 1, false, true),
         true,
         "a><b>",
         {}},
        {"no delimiter",
         text("<a><b>"),
         between(open, 1, close, 1, false, false),
         true,
         "a><b",
         {}},
        {"delimiters out of order",
         text("<a><b>"),
         between(open, 2, close, 2, false, false),
         false,
         "?",
         {kStartGreater, unhandled()}},
        {"long delimiters",
         text("x[[y]]z"),
         between(text("[["), 1, text("]]"), 1, false, false),
         true,
         "y",
         {}},
        {"long delimiters kept",
         text("x[[y]]z"),
         between(text("[["), 1, text("]]"), 1, true, true),
         true,
         "[[y]]",
         {}},
        {"adjacent delimiters",
         text("x[]z"),
         between(text("["), 1, text("]"), 1, false, false),
         true,
         "<invalid>",
         {}},
        {"reversed delimiters",
         text("]x["),
         between(text("["), 1, text("]"), 1, false, false),
         false,
         "?",
         {kStartGreater, unhandled()}},
        {"start missing", text("a>"), between(open, 1, close, 1, false, false), false, "?", {}},
        {"end missing", text("<a"), between(open, 1, close, 1, false, false), false, "?", {}},
        {"occurrence 0",
         text("<a>"),
         between(open, 0, close, 1, false, false),
         false,
         "?",
         {kZero}},
    });
}

// ---- Editing ---------------------------------------------------------------

TEST(StringEdit, Insert)
{
    auto ins = [](Str string, DWORD ulPos)
    { return inPlace([=](Str& s) { return s.insert(string, ulPos); }); };
    const Str xy = text("XY");
    runCases({
        {"inside", text("abcd"), ins(xy, 2), true, "abXYcd", {}},
        {"at the end", text("abcd"), ins(xy, 4), true, "abcdXY", {}},
        {"at the start", text("abcd"), ins(xy, 0), true, "XYabcd", {}},
        {"past the end", text("abcd"), ins(xy, 5), false, "abcd", {kOutOfBounds, unhandled()}},
        {"near 2^32",
         text("abcd"),
         ins(xy, 0xFFFFFFFF),
         false,
         "abcd",
         {kOutOfBounds, unhandled()}},
        {"invalid string inserted",
         text("abcd"),
         ins(Str(), 1),
         false,
         "abcd",
         {kInvalidInsert, unhandled()}},
        {"into invalid at 0", Str(), ins(xy, 0), true, "XY", {}},
        {"into invalid elsewhere", Str(), ins(Str(), 1), false, "<invalid>", {}},
        {"into a zero tail", withStorage(ZEB_W("ab"), 7), ins(xy, 1), true, "aXYb", {}},
    });
    Str s = text("ab");
    EXPECT_TRUE(s.insert(s, 1));
    EXPECT_EQ("aabb/5", shownStored(s));
}

TEST(StringEdit, DeleteSubString)
{
    auto del = [](Str sub, DWORD ulOccurrance, Str::SubStringMode mode)
    { return inPlace([=](Str& s) { return s.deleteSubString(sub, ulOccurrance, mode); }); };
    const Str ab = text("ab");
    runCases({
        {"all", text("xabyab"), del(ab, 0, Str::ssmAll), true, "xy", {}},
        {"second", text("xabyab"), del(ab, 2, Str::ssmOccur), true, "xaby", {}},
        {"first one", text("xabyab"), del(ab, 1, Str::ssmNum), true, "xyab", {}},
        {"first two", text("xabyab"), del(ab, 2, Str::ssmNum), true, "xy", {}},
        {"mode 3",
         text("xabyab"),
         del(ab, 1, subMode(3)),
         false,
         "xabyab",
         {kInvalidMode, unhandled()}},
        {"mode 0",
         text("xabyab"),
         del(ab, 1, subMode(0)),
         false,
         "xabyab",
         {kInvalidMode, unhandled()}},
        {"occurrence 0",
         text("xabyab"),
         del(ab, 0, Str::ssmOccur),
         false,
         "xabyab",
         {kOccurZero, unhandled()}},
        {"occurrence 3 of 2",
         text("xabyab"),
         del(ab, 3, Str::ssmOccur),
         false,
         "xabyab",
         {kNotEnough, unhandled()}},
        {"number 0",
         text("xabyab"),
         del(ab, 0, Str::ssmNum),
         false,
         "xabyab",
         {kNumZero, unhandled()}},
        {"number near 2^32",
         text("xabyab"),
         del(ab, 0xFFFFFFFF, Str::ssmNum),
         false,
         "xabyab",
         {kNotEnough, unhandled()}},
        {"not found: the mode is not examined",
         text("xy"),
         del(ab, 0, subMode(3)),
         false,
         "xy",
         {}},
        {"everything", text("abab"), del(ab, 0, Str::ssmAll), true, "<invalid>", {}},
        // The second overlapping occurrence is consumed by the first removal.
        {"overlapping", text("aaa"), del(text("aa"), 0, Str::ssmAll), true, "a", {}},
        {"invalid substring", text("ab"), del(Str(), 1, Str::ssmAll), false, "ab", {}},
        {"invalid", Str(), del(ab, 1, Str::ssmAll), false, "<invalid>", {}},
        {"zero tail dropped",
         withStorage(ZEB_W("xab"), 9),
         del(ab, 1, Str::ssmOccur),
         true,
         "x",
         {}},
    });
    Str s = text("self");
    EXPECT_TRUE(s.deleteSubString(s, 1, Str::ssmOccur));
    EXPECT_FALSE(s.isValid());
}

TEST(StringEdit, Replace)
{
    auto rep = [](Str oldString, Str newString, DWORD ulOccurrance, Str::SubStringMode mode) {
        return inPlace([=](Str& s) { return s.replace(oldString, newString, ulOccurrance, mode); });
    };
    const Str a = text("a"), ab = text("ab"), percent = text("%s");
    runCases({
        {"first %s",
         text("%s and %s"),
         rep(percent, text("C:\\p"), 1, Str::ssmOccur),
         true,
         "C:\\p and %s",
         {}},
        {"second %s",
         text("%s and %s"),
         rep(percent, text("x"), 2, Str::ssmOccur),
         true,
         "%s and x",
         {}},
        {"by a text holding it", text("aa"), rep(a, ab, 1, Str::ssmAll), true, "abab", {}},
        {"by a text holding it twice",
         text("aaa"),
         rep(a, text("aa"), 0, Str::ssmAll),
         true,
         "aaaaaa",
         {}},
        {"first two by a text holding it twice",
         text("aaa"),
         rep(a, text("aa"), 2, Str::ssmNum),
         true,
         "aaaaa",
         {}},
        // The new text lies inside the old one: the numbering does not advance.
        {"by a part of it", text("abab"), rep(ab, a, 0, Str::ssmAll), true, "aa", {}},
        {"by a part of it, first one", text("abab"), rep(ab, a, 1, Str::ssmNum), true, "aab", {}},
        // An occurrence consumed by an earlier pass is skipped.
        {"overlapping", text("aaa"), rep(text("aa"), text("b"), 0, Str::ssmAll), true, "ba", {}},
        {"by nothing", text("aaa"), rep(a, Str(), 0, Str::ssmAll), true, "<invalid>", {}},
        {"by an empty text", text("xax"), rep(a, validEmpty(), 0, Str::ssmAll), true, "xx", {}},
        {"not found", text("xyz"), rep(a, ab, 1, Str::ssmOccur), false, "xyz", {}},
        {"not found: the mode is not examined",
         text("xyz"),
         rep(a, ab, 0, subMode(0)),
         false,
         "xyz",
         {}},
        // replace reports its argument errors once.
        {"occurrence out of bounds",
         text("aa"),
         rep(a, ab, 3, Str::ssmOccur),
         false,
         "aa",
         {kOccurOut}},
        {"occurrence near 2^32",
         text("aa"),
         rep(a, ab, 0xFFFFFFFF, Str::ssmOccur),
         false,
         "aa",
         {kOccurOut}},
        {"occurrence 0", text("aa"), rep(a, ab, 0, Str::ssmOccur), false, "aa", {kOccurZero}},
        {"number 0", text("aa"), rep(a, ab, 0, Str::ssmNum), false, "aa", {kNumZero}},
        {"number too large", text("aa"), rep(a, ab, 3, Str::ssmNum), false, "aa", {kNotEnough}},
        {"mode 3", text("aa"), rep(a, ab, 1, subMode(3)), false, "aa", {kInvalidMode}},
        {"mode near 2^32",
         text("aa"),
         rep(a, ab, 1, subMode(0xFFFFFFFF)),
         false,
         "aa",
         {kInvalidMode}},
        {"invalid old string",
         text("aa"),
         rep(Str(), ab, 1, Str::ssmAll),
         false,
         "aa",
         {kOldInvalid}},
        {"invalid", Str(), rep(Str(), ab, 1, Str::ssmAll), false, "<invalid>", {}},
    });
    Str s = text("self");
    EXPECT_TRUE(s.replace(s, text("other"), 1, Str::ssmOccur));
    EXPECT_EQ("other", shown(s));
    Str t = text("ab");
    EXPECT_TRUE(t.replace(text("b"), t, 1, Str::ssmAll));
    EXPECT_EQ("aab", shown(t));
}

// Every mode ends after its passes, however the replacement feeds the search.
TEST(StringEdit, ReplaceAlwaysTerminates)
{
    const Str texts[] = {text("a"), text("aaaa"), text("abababab"), text("baaab")};
    const Str news[] = {Str(), text("a"), text("aa"), text("aaa"), text("b"), text("ab")};
    for (const Str& start : texts)
        for (const Str& news_ : news)
            for (DWORD ulMode : {1u, 2u, 4u})
                for (DWORD ulOccurrance : {1u, 2u, 0xFFFFFFFFu})
                {
                    Str s(start);
                    s.replace(text("a"), news_, ulOccurrance, subMode(ulMode));
                    EXPECT_LE(s.getLength(), start.getLength() * 3) << shown(start);
                }
}
