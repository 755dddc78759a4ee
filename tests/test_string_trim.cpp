// CZEBWCharString trimming and fields: the whitespace table and its flag bits, trimming a
// character and whitespace at either end, stripping whitespace with trimWhitespace, and
// cutting fields with getToken and tokenize (separated and enclosed).
#include "string_cases.h"

#include <gtest/gtest.h>

using namespace zebtest;

namespace
{
const Str::ParseMode F = Str::pmForward;
const Str::ParseMode B = Str::pmBackward;

// A list of strings as "key:text|key:text".
std::string shownList(CZEBDblList<Str>& list)
{
    std::string out;
    if (!list.moveFirst())
        return out;
    do
    {
        Str value;
        LONG lKey = -1;
        EXPECT_TRUE(list.getCurrent(value));
        EXPECT_TRUE(list.getCurrentKey(lKey));
        out += (out.empty() ? "" : "|") + std::to_string(lKey) + ":" + shown(value);
    } while (list.moveNext());
    return out;
}
} // namespace

TEST(StringWhitespace, EachFlagSelectsItsUnit)
{
    const WCHAR units[] = {0x20, 0x09, 0x0C, 0x07, 0x0A, 0x08, 0x0D, 0x0B};
    for (DWORD k = 0; k < 8; ++k)
    {
        const WCHAR szText[] = {units[k], 'x', 0};
        const Str s(szText);
        DWORD ulPos = 9;
        EXPECT_TRUE(s.findNonWhitespace(1u << k, F, ulPos)) << k;
        EXPECT_EQ(1u, ulPos) << "bit " << k << " selects its own unit";
        EXPECT_TRUE(s.findNonWhitespace(Str::wsAll & ~(1u << k), F, ulPos)) << k;
        EXPECT_EQ(0u, ulPos) << "the other bits do not select unit " << k;
    }
    EXPECT_EQ(255u, static_cast<DWORD>(Str::wsAll));
}

TEST(StringWhitespace, FindNonWhitespace)
{
    auto nonWhite = [](DWORD ulSet, Str::ParseMode mode)
    {
        return toNumberResult([=](Str& s, DWORD& ulPos)
                              { return s.findNonWhitespace(ulSet, mode, ulPos); });
    };
    runCases({
        {"forward", text(" \ta b\n"), nonWhite(Str::wsAll, F), true, "2", {}},
        {"backward", text(" \ta b\n"), nonWhite(Str::wsAll, B), true, "4", {}},
        {"a tab is text for wsSpace", text("\t a"), nonWhite(Str::wsSpace, F), true, "0", {}},
        {"spaces and tabs", text(" \t a"), nonWhite(Str::wsSpace | Str::wsTab, F), true, "3", {}},
        {"only whitespace", text("  \t "), nonWhite(Str::wsAll, F), false, "777", {}},
        {"only whitespace backward", text("  \t "), nonWhite(Str::wsAll, B), false, "777", {}},
        {"no set", text("  "), nonWhite(0, B), true, "1", {}},
        {"bits past the table select nothing", text("  "), nonWhite(0xFFFFFF00, F), true, "0", {}},
        {"bad mode",
         text("a"),
         nonWhite(Str::wsAll, static_cast<Str::ParseMode>(3)),
         false,
         "777",
         {}},
        {"valid empty", validEmpty(), nonWhite(Str::wsAll, F), false, "777", {}},
        {"invalid", Str(), nonWhite(Str::wsAll, F), false, "777", {}},
        {"zero tail is not text",
         withStorage(ZEB_W("a "), 6),
         nonWhite(Str::wsAll, B),
         true,
         "0",
         {}},
    });
}

TEST(StringTrim, Trim)
{
    auto trim = [](char ch, DWORD ulSides, DWORD ulSet)
    {
        return [=](Str& s)
        {
            const bool bResult = s.trim(static_cast<WCHAR>(ch), ulSides, ulSet);
            return Outcome{bResult, shownStored(s)};
        };
    };
    runCases({
        {"both ends", text(" 12 "), trim(' ', Str::tsBoth, Str::wsAll), true, "12/3", {}},
        {"end keeps the storage",
         text(" 12 "),
         trim(' ', Str::tsEnd, Str::wsAll),
         true,
         " 12/5",
         {}},
        {"start rebuilds", text(" 12 "), trim(' ', Str::tsStart, Str::wsAll), true, "12 /4", {}},
        {"a character without whitespace",
         text("xx1x2xx"),
         trim('x', Str::tsBoth, 0),
         true,
         "1x2/4",
         {}},
        {"whitespace of the set",
         text("\t\n12\r "),
         trim(' ', Str::tsBoth, Str::wsAll),
         true,
         "12/3",
         {}},
        {"whitespace outside the set",
         text("\t12 "),
         trim(' ', Str::tsBoth, Str::wsSpace),
         true,
         "\t12/5",
         {}},
        {"start of only whitespace",
         text("   "),
         trim(' ', Str::tsStart, 0),
         true,
         "<invalid>/0",
         {}},
        // The end trim leaves nothing for the start trim to count.
        {"both of only whitespace", text("   "), trim(' ', Str::tsBoth, 0), true, "/4", {}},
        {"no side", text(" 1 "), trim(' ', 4, Str::wsAll), true, " 1 /4", {}},
        {"invalid", Str(), trim(' ', Str::tsBoth, Str::wsAll), false, "<invalid>/0", {}},
    });
}

TEST(StringTrim, TrimWhitespace)
{
    auto trimWs = [](DWORD ulSides, DWORD ulSet)
    {
        return [=](Str& s)
        {
            const bool bResult = s.trimWhitespace(ulSides, ulSet);
            return Outcome{bResult, shownStored(s)};
        };
    };
    runCases({
        {"start", text("  a b  "), trimWs(Str::tsStart, Str::wsAll), true, "a b  /6", {}},
        {"end", text("  a b  "), trimWs(Str::tsEnd, Str::wsAll), true, "  a b/6", {}},
        {"both also inside", text("  a b  "), trimWs(Str::tsBoth, Str::wsAll), true, "ab/3", {}},
        {"only the set", text("\ta\t b "), trimWs(Str::tsBoth, Str::wsSpace), true, "\ta\tb/5", {}},
        {"only whitespace, start", text(" \t "), trimWs(Str::tsStart, Str::wsAll), true, " /2", {}},
        {"only whitespace, end", text("\t  "), trimWs(Str::tsEnd, Str::wsAll), true, "\t/2", {}},
        {"only whitespace, both",
         text(" \t "),
         trimWs(Str::tsBoth, Str::wsAll),
         true,
         "<invalid>/0",
         {}},
        {"no sides", withStorage(ZEB_W(" a "), 6), trimWs(0, Str::wsAll), true, " a /6", {}},
        {"no whitespace", withStorage(ZEB_W(" a "), 6), trimWs(Str::tsBoth, 0), true, " a /6", {}},
        {"a side bit outside the two", text(" a "), trimWs(4, Str::wsAll), true, " a /4", {}},
        {"valid empty", validEmpty(3), trimWs(Str::tsStart, Str::wsAll), true, "<invalid>/0", {}},
        {"invalid", Str(), trimWs(Str::tsBoth, Str::wsAll), true, "<invalid>/0", {}},
        {"unterminated",
         unterminated(ZEB_W(" ab ")),
         trimWs(Str::tsBoth, Str::wsAll),
         true,
         "ab/3",
         {}},
    });
}

TEST(StringToken, GetToken)
{
    auto token = [](Str separator, DWORD ulOccurrance, DWORD ulMode, DWORD ulSides, DWORD ulSet)
    {
        return toResult(
            [=](Str& s, Str& result)
            {
                return s.getToken(result, separator, ulOccurrance,
                                  static_cast<Str::TokenMode>(ulMode), ulSides, ulSet);
            });
    };
    const Str dot = text("."), quote = text("'"), comma = text(",");
    const std::string kZeroField = badArg("ulOccurrance", "ulOccurrance must be greater than 0");
    runCases({
        {"version field 1",
         text("8.21.0020"),
         token(dot, 1, Str::tmSeparated, 0, 0),
         true,
         "8",
         {}},
        {"version field 2",
         text("8.21.0020"),
         token(dot, 2, Str::tmSeparated, 0, 0),
         true,
         "21",
         {}},
        {"version field 3",
         text("8.21.0020"),
         token(dot, 3, Str::tmSeparated, 0, 0),
         true,
         "0020",
         {}},
        {"version field 4",
         text("8.21.0020"),
         token(dot, 4, Str::tmSeparated, 0, 0),
         false,
         "?",
         {}},
        {"no separator", text("8"), token(dot, 1, Str::tmSeparated, 0, 0), true, "8", {}},
        {"no separator, field 2", text("8"), token(dot, 2, Str::tmSeparated, 0, 0), false, "?", {}},
        {"enclosed 1", text("'a' 'b'"), token(quote, 1, Str::tmEnclosed, 0, 0), true, "a", {}},
        {"enclosed 3", text("'a' 'b'"), token(quote, 3, Str::tmEnclosed, 0, 0), true, "b", {}},
        {"enclosed between the fields",
         text("'a' 'b'"),
         token(quote, 2, Str::tmEnclosed, 0, 0),
         true,
         " ",
         {}},
        {"enclosed without a closing separator",
         text("'a' 'b"),
         token(quote, 3, Str::tmEnclosed, 0, 0),
         false,
         "?",
         {}},
        {"empty field", text("a..b"), token(dot, 2, Str::tmSeparated, 0, 0), true, "<invalid>", {}},
        {"empty first field",
         text(",a"),
         token(comma, 1, Str::tmSeparated, 0, 0),
         true,
         "<invalid>",
         {}},
        {"empty last field",
         text("a,"),
         token(comma, 2, Str::tmSeparated, 0, 0),
         true,
         "<invalid>",
         {}},
        {"long separator",
         text("a::b::c"),
         token(text("::"), 2, Str::tmSeparated, 0, 0),
         true,
         "b",
         {}},
        {"trimmed",
         text(" a , b "),
         token(comma, 2, Str::tmSeparated, Str::tsBoth, Str::wsAll),
         true,
         "b",
         {}},
        {"trimmed at the start",
         text(" a , b "),
         token(comma, 2, Str::tmSeparated, Str::tsStart, Str::wsAll),
         true,
         "b ",
         {}},
        {"whole string trimmed",
         text(" 8 "),
         token(dot, 1, Str::tmSeparated, Str::tsBoth, Str::wsAll),
         true,
         "8",
         {}},
        {"field 0",
         text("a.b"),
         token(dot, 0, Str::tmSeparated, 0, 0),
         false,
         "?",
         {kZeroField, unhandled()}},
        {"field near 2^32",
         text("a.b"),
         token(dot, 0xFFFFFFFF, Str::tmSeparated, 0, 0),
         false,
         "?",
         {}},
        {"enclosed near 2^32",
         text("a.b"),
         token(dot, 0xFFFFFFFF, Str::tmEnclosed, 0, 0),
         false,
         "?",
         {}},
        {"mode 3", text("a.b"), token(dot, 1, 3, 0, 0), false, "?", {}},
        {"mode 0 without separators", text("ab"), token(dot, 1, 0, 0, 0), false, "?", {}},
        {"invalid separator", text("a.b"), token(Str(), 1, Str::tmSeparated, 0, 0), false, "?", {}},
        {"invalid", Str(), token(dot, 1, Str::tmSeparated, 0, 0), false, "?", {}},
    });
    // The result may be the string itself.
    Str s = text("x.y");
    EXPECT_TRUE(s.getToken(s, text("."), 2, Str::tmSeparated, 0, 0));
    EXPECT_EQ("y", shown(s));
}

TEST(StringToken, Tokenize)
{
    auto tokens = [](Str separator, DWORD ulMode, DWORD ulSides, DWORD ulSet)
    {
        return [=](Str& s)
        {
            CZEBDblList<Str> list;
            EXPECT_TRUE(list.add(text("old"), 7));
            const bool bResult =
                s.tokenize(list, separator, static_cast<Str::TokenMode>(ulMode), ulSides, ulSet);
            return Outcome{bResult, shownList(list)};
        };
    };
    const Str comma = text(",");
    runCases({
        {"three fields",
         text("x,y,z"),
         tokens(comma, Str::tmSeparated, 0, 0),
         true,
         "0:x|1:y|2:z",
         {}},
        {"one field", text("xyz"), tokens(comma, Str::tmSeparated, 0, 0), true, "0:xyz", {}},
        {"empty fields",
         text(",a,,"),
         tokens(comma, Str::tmSeparated, 0, 0),
         true,
         "0:<invalid>|1:a|2:<invalid>|3:<invalid>",
         {}},
        {"enclosed",
         text("'a' 'b' 'c'"),
         tokens(text("'"), Str::tmEnclosed, 0, 0),
         true,
         "0:a|1:b|2:c",
         {}},
        {"trimmed",
         text(" 8 . 21 "),
         tokens(text("."), Str::tmSeparated, Str::tsBoth, Str::wsAll),
         true,
         "0:8|1:21",
         {}},
        {"bad mode empties the list", text("x,y"), tokens(comma, 5, 0, 0), false, "", {}},
        {"invalid separator leaves the list",
         text("x,y"),
         tokens(Str(), Str::tmSeparated, 0, 0),
         false,
         "7:old",
         {}},
        {"invalid leaves the list",
         Str(),
         tokens(comma, Str::tmSeparated, 0, 0),
         false,
         "7:old",
         {}},
    });
}

TEST(StringToken, TokenizeCopiesIndependentFields)
{
    CZEBDblList<Str> list;
    ASSERT_TRUE(text("a;b").tokenize(list, text(";"), Str::tmSeparated, 0, 0));
    CZEBDblList<Str> copy;
    copy = list;
    ASSERT_TRUE(copy.findKey(1));
    ASSERT_TRUE(copy.setCurrent(text("changed")));
    EXPECT_EQ("0:a|1:changed", shownList(copy));
    EXPECT_EQ("0:a|1:b", shownList(list));
}
