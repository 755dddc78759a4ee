// CZEBFlags: equality, subset tests and the index of a single flag.
#include "zeb_flags.h"

#include <gtest/gtest.h>

TEST(Flags, StoresTheBitsAndConvertsFromADword)
{
    const CZEBFlags none;
    EXPECT_EQ(0u, none.getFlags());
    const CZEBFlags flags(0x80000005u);
    EXPECT_EQ(0x80000005u, flags.getFlags());
    EXPECT_EQ(0x80000005u, flags.m_ulFlags);
    const CZEBFlags converted = 6u; // implicit, as the string operations take their sets
    EXPECT_EQ(6u, converted.getFlags());
}

TEST(Flags, EqualityComparesEveryBit)
{
    struct Case
    {
        DWORD ulLeft;
        DWORD ulRight;
        bool bEqual;
    };
    const Case cases[] = {
        {0, 0, true},
        {0, 1, false},
        {1, 0, false},
        {3, 3, true},
        {3, 7, false},
        {0x80000000u, 0, false},
        {0xFFFFFFFFu, 0xFFFFFFFFu, true},
        {0xFFFFFFFFu, 0x7FFFFFFFu, false},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(c.bEqual, CZEBFlags(c.ulLeft) == CZEBFlags(c.ulRight))
            << c.ulLeft << " == " << c.ulRight;
        EXPECT_EQ(!c.bEqual, CZEBFlags(c.ulLeft) != CZEBFlags(c.ulRight))
            << c.ulLeft << " != " << c.ulRight;
    }
}

TEST(Flags, HasFlagsIsTrueWhenEveryAskedBitIsSet)
{
    struct Case
    {
        DWORD ulSet;
        DWORD ulAsked;
        bool bHas;
    };
    const Case cases[] = {
        {3, 1, true},
        {3, 2, true},
        {3, 3, true},
        {3, 4, false},
        {3, 0, true},
        {0, 0, true},
        {0, 1, false},
        {3, 5, false},
        {0xFFFFFFFFu, 0x80000001u, true},
        {0x7FFFFFFFu, 0x80000000u, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.bHas, CZEBFlags(c.ulSet).hasFlags(c.ulAsked))
            << c.ulSet << " has " << c.ulAsked;
}

TEST(Flags, GetIndexGivesTheHighestBitOfAFlagThatIsSet)
{
    struct Case
    {
        DWORD ulSet;
        DWORD ulFlag;
        bool bResult;
        DWORD ulIndex; // expected index, or the untouched sentinel on failure
    };
    const DWORD ulUntouched = 77;
    const Case cases[] = {
        {0xFF, 1, true, 0},
        {0xFF, 4, true, 2},
        {0xFF, 6, true, 2}, // several bits: the highest one
        {0xFF, 8, true, 3},
        {7, 8, false, ulUntouched},    // not in the set
        {0xFF, 0, false, ulUntouched}, // no flag at all, although hasFlags(0) holds
        {0, 0, false, ulUntouched},
        {0xFFFFFFFFu, 0x80000000u, true, 31},
        {0xFFFFFFFFu, 0xFFFFFFFFu, true, 31},
        {0x80000000u, 0x80000000u, true, 31},
        {0x10, 0x11, false, ulUntouched}, // one bit of the flag missing
    };
    for (const Case& c : cases)
    {
        DWORD ulIndex = ulUntouched;
        EXPECT_EQ(c.bResult, CZEBFlags(c.ulSet).getIndex(c.ulFlag, ulIndex))
            << c.ulSet << " index of " << c.ulFlag;
        EXPECT_EQ(c.ulIndex, ulIndex) << c.ulSet << " index of " << c.ulFlag;
    }
}

TEST(Flags, EverySingleBitHasItsPosition)
{
    const CZEBFlags all(0xFFFFFFFFu);
    for (DWORD ulBit = 0; ulBit < 32; ++ulBit)
    {
        DWORD ulIndex = 99;
        ASSERT_TRUE(all.getIndex(1u << ulBit, ulIndex)) << ulBit;
        EXPECT_EQ(ulBit, ulIndex);
    }
}
