// The portable 16-bit text helpers and wsprintfW as the library uses it.
#include "zeb_text.h"
#include "zeb_test_support.h"

#include <gtest/gtest.h>

#include <cerrno>

using namespace zebtest;

TEST(Text, LengthCompareAndSearch)
{
    EXPECT_EQ(0u, zebWcsLen(nullptr));
    EXPECT_EQ(0u, zebWcsLen(ZEB_W("")));
    EXPECT_EQ(3u, zebWcsLen(ZEB_W("abc")));
    EXPECT_EQ(0, zebWcsCmp(ZEB_W("abc"), ZEB_W("abc")));
    EXPECT_LT(zebWcsCmp(ZEB_W("abc"), ZEB_W("abd")), 0);
    EXPECT_GT(zebWcsCmp(ZEB_W("abcd"), ZEB_W("abc")), 0);
    EXPECT_GT(zebWcsCmp(ZEB_W("\x00C4"), ZEB_W("Z")), 0) << "code units compare unsigned";
    const WCHAR szText[] = ZEB_W("xx/silent");
    EXPECT_EQ(szText + 2, zebWcsStr(szText, ZEB_W("/s")));
    EXPECT_EQ(szText, zebWcsStr(szText, ZEB_W("")));
    EXPECT_EQ(nullptr, zebWcsStr(szText, ZEB_W("/S")));
    EXPECT_EQ(nullptr, zebWcsStr(ZEB_W("ab"), ZEB_W("abc")));
}

TEST(Text, DecimalConversionFollowsTheCRuntime)
{
    struct Case
    {
        const WCHAR* szText;
        LONG lValue;
        DWORD ulConsumed;
        bool bRange;
    };
    const Case cases[] = {
        {ZEB_W("1,512"), 1, 1, false},
        {ZEB_W("  \t-42x"), -42, 6, false},
        {ZEB_W("+7"), 7, 2, false},
        {ZEB_W("x1"), 0, 0, false},
        {ZEB_W("-"), 0, 0, false},
        {ZEB_W(""), 0, 0, false},
        {ZEB_W("2147483647"), 2147483647, 10, false},
        {ZEB_W("2147483648"), 2147483647, 10, true},
        {ZEB_W("-2147483648"), -2147483647 - 1, 11, false},
        {ZEB_W("-99999999999999999999"), -2147483647 - 1, 21, true},
        {ZEB_W("65537"), 65537, 5, false},
    };
    for (const Case& c : cases)
    {
        errno = 0;
        LPCWSTR szEnd = nullptr;
        EXPECT_EQ(c.lValue, zebWcsToL(c.szText, &szEnd)) << narrow(c.szText);
        EXPECT_EQ(c.ulConsumed, static_cast<DWORD>(szEnd - c.szText)) << narrow(c.szText);
        EXPECT_EQ(c.bRange, errno == ERANGE) << narrow(c.szText);
    }
}

TEST(Wsprintf, ConversionsTheLibraryUses)
{
    WCHAR szOut[1100];
    EXPECT_EQ(30, wsprintfW(szOut, ZEB_W("%s|%d|%u|%x|%08x|%%"), ZEB_W("ab"), -5, 4294967295u, 255,
                            0x1b));
    EXPECT_EQ(W(ZEB_W("ab|-5|4294967295|ff|0000001b|%")), W(szOut));
    EXPECT_EQ(10, wsprintfW(szOut, ZEB_W("0x%08x"), -1));
    EXPECT_EQ(W(ZEB_W("0xffffffff")), W(szOut));
    wsprintfW(szOut, ZEB_W("%d %d"), -2147483647 - 1, 0);
    EXPECT_EQ(W(ZEB_W("-2147483648 0")), W(szOut));
    wsprintfW(szOut, ZEB_W("[%5d|%-5d|%05d|%X|%c]"), 42, 42, 42, 0xabc, ZEB_W('Z'));
    EXPECT_EQ(W(ZEB_W("[   42|42   |00042|ABC|Z]")), W(szOut));
}

TEST(Wsprintf, OutputIsBoundedAt1024Characters)
{
    // Wine is the reference: 1023 characters and the terminator, and the count 1024.
    static WCHAR szLong[3000];
    for (int i = 0; i < 2999; ++i)
        szLong[i] = 'a';
    szLong[2999] = 0;
    static WCHAR szOut[2048];
    for (WCHAR& c : szOut)
        c = 0xbdbd;
    EXPECT_EQ(1024, wsprintfW(szOut, ZEB_W("%s"), szLong));
    EXPECT_EQ(1023u, zebWcsLen(szOut));
    for (int i = 1024; i < 2048; ++i)
        ASSERT_EQ(0xbdbd, szOut[i]) << "written past the bound at " << i;

    // 1022 characters are reported as such; 1023 already count as cut.
    szLong[1022] = 0;
    EXPECT_EQ(1022, wsprintfW(szOut, ZEB_W("%s"), szLong));
    EXPECT_EQ(1022u, zebWcsLen(szOut));
    szLong[1022] = 'a';
    szLong[1023] = 0;
    EXPECT_EQ(1024, wsprintfW(szOut, ZEB_W("%s"), szLong));
    EXPECT_EQ(1023u, zebWcsLen(szOut));
}
