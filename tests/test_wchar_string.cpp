// CZEBWCharString: validity, storage sizes, assignment, concatenation, comparison, the
// in-place transforms, and what a failed allocation reports.
#include "zeb_wchar_string.h"
#include "string_cases.h"
#include "zeb_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

using namespace zebtest;

namespace
{
typedef CZEBBuffer<unsigned short> WideBuffer;

WString text(const CZEBWCharString& s)
{
    return s.isValid() ? W(s.getBuffer()) : WString();
}
} // namespace

TEST(WCharString, EmptyNullAndDefaultAreInvalidAndEqual)
{
    CZEBWCharString defaulted;
    CZEBWCharString empty(ZEB_W(""));
    CZEBWCharString null(static_cast<LPCWSTR>(nullptr));
    for (const CZEBWCharString* s : {&defaulted, &empty, &null})
    {
        EXPECT_FALSE(s->isValid());
        EXPECT_EQ(0u, s->getLength());
        EXPECT_EQ(nullptr, s->getBuffer());
    }
    EXPECT_TRUE(defaulted == empty);
    EXPECT_TRUE(empty == null);
    CZEBWCharString assigned(ZEB_W("x"));
    assigned = ZEB_W("");
    EXPECT_FALSE(assigned.isValid());
}

TEST(WCharString, StorageIsLengthPlusTerminator)
{
    CZEBWCharString abc(ZEB_W("abc"));
    EXPECT_EQ(4u, abc.getNumElems());
    EXPECT_EQ(3u, abc.getLength());
    EXPECT_EQ(0, abc[3]);
    EXPECT_THROW(abc[4], CZEBIndexOutOfBoundsException) << "bounds are the storage's";
}

TEST(WCharString, Concatenation)
{
    CZEBWCharString ab(ZEB_W("ab"));
    ab += CZEBWCharString(ZEB_W("cd"));
    EXPECT_EQ(W(ZEB_W("abcd")), text(ab));
    EXPECT_EQ(5u, ab.getNumElems());

    CZEBWCharString invalid;
    invalid += CZEBWCharString(ZEB_W("cd"));
    EXPECT_EQ(W(ZEB_W("cd")), text(invalid));

    CZEBWCharString kept(ZEB_W("ab"));
    kept += CZEBWCharString();
    EXPECT_EQ(W(ZEB_W("ab")), text(kept));
    EXPECT_EQ(3u, kept.getNumElems());

    CZEBWCharString twice(ZEB_W("xy"));
    twice += twice;
    EXPECT_EQ(W(ZEB_W("xyxy")), text(twice));

    const CZEBWCharString left(ZEB_W("l"));
    const CZEBWCharString sum = left + CZEBWCharString(ZEB_W("r"));
    EXPECT_EQ(W(ZEB_W("lr")), text(sum));
    EXPECT_EQ(W(ZEB_W("l")), text(left));
}

TEST(WCharString, ConcatenationCarriesTheRightSidesZeroTail)
{
    // A right side whose storage is longer than its text brings its zero tail along.
    CZEBWCharString rhs(ZEB_W("c"));
    ASSERT_TRUE(rhs.resize(4));
    CZEBWCharString left(ZEB_W("ab"));
    left += rhs;
    EXPECT_EQ(W(ZEB_W("abc")), text(left));
    EXPECT_EQ(6u, left.getNumElems());
    EXPECT_TRUE(left.compact());
    EXPECT_EQ(4u, left.getNumElems());
}

TEST(WCharString, ComparisonTable)
{
    const CZEBWCharString abc(ZEB_W("abc")), abd(ZEB_W("abd")), ABC(ZEB_W("ABC")),
        abcd(ZEB_W("abcd")), invalid;
    CZEBWCharString validEmpty(ZEB_W("x"));
    validEmpty.zero();
    ASSERT_TRUE(validEmpty.isValid());

    EXPECT_TRUE(abc == CZEBWCharString(ZEB_W("abc")));
    EXPECT_FALSE(abc == ABC);
    EXPECT_TRUE(abc != ABC);
    EXPECT_TRUE(abc <= abd);
    EXPECT_FALSE(abd <= abc);
    EXPECT_TRUE(abd >= abc);
    EXPECT_TRUE(abc <= abc);
    EXPECT_TRUE(abc < abd);
    EXPECT_FALSE(abc > abd);
    // Strings of different lengths have no order: both < and > hold.
    EXPECT_FALSE(abc <= abcd);
    EXPECT_FALSE(abc >= abcd);
    EXPECT_TRUE(abc < abcd);
    EXPECT_TRUE(abc > abcd);
    // A valid empty string differs from an invalid one.
    EXPECT_FALSE(validEmpty == invalid);
    EXPECT_TRUE(invalid == CZEBWCharString());
    EXPECT_FALSE(invalid <= invalid);
}

TEST(WCharString, BufferAssignmentStopsAtTheFirstNul)
{
    WideBuffer units(3);
    units[0] = 'a';
    units[1] = 0;
    units[2] = 'b';
    CZEBWCharString s(units);
    EXPECT_EQ(W(ZEB_W("a")), text(s));
    EXPECT_EQ(2u, s.getNumElems());

    WideBuffer unterminated(2);
    unterminated[0] = 'h';
    unterminated[1] = 'i';
    s = unterminated;
    EXPECT_EQ(W(ZEB_W("hi")), text(s));
    EXPECT_EQ(3u, s.getNumElems());

    WideBuffer nothing(2);
    s = nothing;
    EXPECT_FALSE(s.isValid());
    s = WideBuffer();
    EXPECT_FALSE(s.isValid());
}

TEST(WCharString, CharacterAndNumberConstructors)
{
    EXPECT_EQ(W(ZEB_W("Q")), text(CZEBWCharString(ZEB_W('Q'))));
    EXPECT_FALSE(CZEBWCharString(static_cast<WCHAR>(0)).isValid());
    struct Case
    {
        CZEBWCharString value;
        const WCHAR* szExpected;
    };
    const Case cases[] = {
        {CZEBWCharString(0), ZEB_W("0")},
        {CZEBWCharString(-2147483647 - 1), ZEB_W("-2147483648")},
        {CZEBWCharString(1234), ZEB_W("1234")},
        {CZEBWCharString(255u, CZEBWCharString::nsHex, 4, true), ZEB_W("0x00FF")},
        {CZEBWCharString(0x1234u, CZEBWCharString::nsHex, 2, false), ZEB_W("34")},
        {CZEBWCharString(5u, CZEBWCharString::nsBin, 0, false), ZEB_W("101")},
        {CZEBWCharString(8u, CZEBWCharString::nsOct, 0, true), ZEB_W("0o10")},
        {CZEBWCharString(0u, CZEBWCharString::nsHex, 0, false), ZEB_W("0")},
        {CZEBWCharString(0xFFFFFFFFu, CZEBWCharString::nsBin, 0, true),
         ZEB_W("0b11111111111111111111111111111111")},
        {CZEBWCharString(0xFFFFFFFFu, CZEBWCharString::nsDec, 9, true), ZEB_W("-1")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(W(c.szExpected), text(c.value)) << narrow(c.szExpected);
    EXPECT_THROW(CZEBWCharString(1u, static_cast<CZEBWCharString::NumberSystem>(3), 0, false),
                 CZEBBufferInitException);
}

TEST(WCharString, InPlaceTransforms)
{
    CZEBWCharString s(ZEB_W("\x00C4"
                            "BC"));
    EXPECT_TRUE(s.toLower());
    EXPECT_EQ(W(ZEB_W("\x00C4"
                      "bc")),
              text(s));
    CZEBWCharString abc(ZEB_W("abc"));
    EXPECT_TRUE(abc.reverse());
    EXPECT_EQ(W(ZEB_W("cba")), text(abc));
    CZEBWCharString a(ZEB_W("a"));
    EXPECT_TRUE(a.reverse());
    EXPECT_EQ(W(ZEB_W("a")), text(a));

    CZEBWCharString invalid;
    EXPECT_FALSE(invalid.reverse());
    EXPECT_FALSE(invalid.toLower());
    EXPECT_FALSE(invalid.compact());

    CZEBWCharString leadingNul(ZEB_W("xy"));
    leadingNul[0] = 0;
    EXPECT_TRUE(leadingNul.compact());
    EXPECT_FALSE(leadingNul.isValid());
}

TEST(WCharString, AssigningItsOwnTextIsSafe)
{
    CZEBWCharString s(ZEB_W("same"));
    s = s.getBuffer();
    EXPECT_EQ(W(ZEB_W("same")), text(s));
    s = s;
    EXPECT_EQ(W(ZEB_W("same")), text(s));
}

TEST(WCharString, Contains)
{
    const CZEBWCharString line(ZEB_W("x/silent"));
    EXPECT_TRUE(line.contains(CZEBWCharString(ZEB_W("/s"))));
    EXPECT_FALSE(line.contains(CZEBWCharString(ZEB_W("/S"))));
    EXPECT_FALSE(line.contains(CZEBWCharString()));
    EXPECT_FALSE(CZEBWCharString().contains(CZEBWCharString(ZEB_W("/s"))));
}

TEST(WCharString, ReleasedStorageIsZeroed)
{
    static size_t s_cbNonZero;
    s_cbNonZero = 0;
    struct Probe
    {
        static void* allocate(size_t cb) { return std::malloc(cb); }
        static bool release(void* p, size_t cb)
        {
            for (size_t i = 0; i < cb; ++i)
                s_cbNonZero += static_cast<unsigned char*>(p)[i] != 0;
            std::free(p);
            return true;
        }
    };
    const ZebAllocatorHooks hooks = {Probe::allocate, Probe::release};
    zebSetAllocatorHooks(&hooks);
    {
        CZEBWCharString s(ZEB_W("secret"));
        s += CZEBWCharString(ZEB_W(" password"));
        s = ZEB_W("other");
        CZEBWCharString copy = s + s;
        copy.compact();
    }
    zebSetAllocatorHooks(nullptr);
    EXPECT_EQ(0u, s_cbNonZero);
}

// ---- Allocation failures and widths -----------------------------------------

namespace
{
typedef std::vector<std::string> Records;

const std::string kAllocation = record("Unable to allocate memory ( m_pBuffer )", "zeb_buffer.h");
} // namespace

TEST(WCharString, PlusNeverThrows)
{
    const CZEBWCharString left(ZEB_W("left")), right(ZEB_W("right"));
    CZEBWCharString sum(ZEB_W("before"));
    // The copy of the left side fails: the buffer reports it and nothing is added.
    const Records copyFailed = recordsOf(
        [&]
        {
            FailingHeap heap(0, 1);
            EXPECT_NO_THROW(sum = left + right);
        });
    EXPECT_EQ(Records{kAllocation}, copyFailed);
    EXPECT_FALSE(sum.isValid());

    // The concatenation fails after the copy: the result holds the copy.
    sum = ZEB_W("before");
    const Records appendFailed = recordsOf(
        [&]
        {
            FailingHeap heap(1, 1);
            EXPECT_NO_THROW(sum = left + right);
        });
    EXPECT_EQ(1, std::count(appendFailed.begin(), appendFailed.end(), kAllocation));
    EXPECT_EQ("left", shown(sum));
    EXPECT_EQ("leftright", shown(left + right));
}

TEST(WCharString, NumberWidthsPadToAnySixteenBitWidth)
{
    EXPECT_EQ(std::string(32, '0') + "1",
              shown(CZEBWCharString(1u, CZEBWCharString::nsHex, 33, false)));
    const CZEBWCharString widest(1u, CZEBWCharString::nsHex, 65535, true);
    ASSERT_EQ(65537u, widest.getLength());
    EXPECT_EQ(65538u, widest.getNumElems());
    EXPECT_EQ("0x" + std::string(65534, '0') + "1", shown(widest));
    EXPECT_EQ(std::string(8, '0') + std::string(32, '1'),
              shown(CZEBWCharString(0xFFFFFFFFu, CZEBWCharString::nsBin, 40, false)));
    EXPECT_EQ("0o" + std::string(30, '0') + "777",
              shown(CZEBWCharString(0777u, CZEBWCharString::nsOct, 33, true)));
    // A width below the digits keeps the lowest-order ones.
    EXPECT_EQ("0b01", shown(CZEBWCharString(5u, CZEBWCharString::nsBin, 2, true)));
}

TEST(WCharString, OneRecordPerFailedTextAllocation)
{
    CZEBWCharString s(ZEB_W("old"));
    EXPECT_EQ(Records{kAllocation}, recordsOf(
                                        [&]
                                        {
                                            FailingHeap heap(0, 1);
                                            s = ZEB_W("new text");
                                        }));
    EXPECT_EQ("old", shown(s)) << "a failed assignment leaves the string as it was";

    // Its own text needs a copy first; that is still the only allocation.
    EXPECT_EQ(Records{kAllocation}, recordsOf(
                                        [&]
                                        {
                                            FailingHeap heap(0, 1);
                                            s = s.getBuffer() + 1;
                                        }));
    EXPECT_EQ("old", shown(s));

    WideBuffer units(2);
    units[0] = 'h';
    units[1] = 'i';
    EXPECT_EQ(Records{kAllocation}, recordsOf(
                                        [&]
                                        {
                                            FailingHeap heap(0, 1);
                                            s = units;
                                        }));
    EXPECT_EQ("old", shown(s));

    // A constructor adds its own init exception, from the string's module, written once
    // when the caller's handler is done with it.
    const Records constructed = recordsOf(
        []
        {
            FailingHeap heap(0, 1);
            EXPECT_THROW(CZEBWCharString(ZEB_W("text")), CZEBBufferInitException);
        });
    EXPECT_EQ((Records{kAllocation, record("Unable to initialize CZEBBuffer")}), constructed);
    const Records fromBuffer = recordsOf(
        [&]
        {
            FailingHeap heap(0, 1);
            EXPECT_THROW(CZEBWCharString{units}, CZEBBufferInitException);
        });
    EXPECT_EQ((Records{kAllocation, record("Unable to initialize CZEBBuffer")}), fromBuffer);
}
