// CZEBBuffer: sizes, copies, the offset rules of appendAt/write/read, byte and wide views,
// zeroing before release and the failure paths of allocation and release.
#include "zeb_buffer.h"
#include "zeb_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace zebtest;

namespace
{
typedef CZEBBuffer<unsigned char> ByteBuffer;
typedef CZEBBuffer<unsigned short> WideBuffer;

ByteBuffer bytes(std::vector<unsigned char> values)
{
    return ByteBuffer(values.data(), static_cast<DWORD>(values.size()), 0);
}

std::vector<unsigned char> contents(const ByteBuffer& buffer)
{
    return std::vector<unsigned char>(buffer.getBuffer(),
                                      buffer.getBuffer() + buffer.getNumElems());
}

// Allocator hooks that check released memory and can make a call fail.
struct HeapProbe
{
    static int s_nFailAllocations;
    static int s_nAllocationsBeforeFailure;
    static int s_nFailReleases;
    static size_t s_cbReleasedNonZero;
    static size_t s_nReleases;

    static void* allocate(size_t cbSize)
    {
        if (s_nAllocationsBeforeFailure > 0)
            --s_nAllocationsBeforeFailure;
        else if (s_nFailAllocations > 0)
        {
            --s_nFailAllocations;
            return nullptr;
        }
        return std::malloc(cbSize);
    }
    static bool release(void* p, size_t cbSize)
    {
        const unsigned char* pByte = static_cast<const unsigned char*>(p);
        for (size_t i = 0; i < cbSize; ++i)
            if (pByte[i] != 0)
                ++s_cbReleasedNonZero;
        ++s_nReleases;
        std::free(p); // the block is always returned, even when a failure is reported
        if (s_nFailReleases > 0)
        {
            --s_nFailReleases;
            return false;
        }
        return true;
    }
};
int HeapProbe::s_nFailAllocations = 0;
int HeapProbe::s_nAllocationsBeforeFailure = 0;
int HeapProbe::s_nFailReleases = 0;
size_t HeapProbe::s_cbReleasedNonZero = 0;
size_t HeapProbe::s_nReleases = 0;

class BufferHeap : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HeapProbe::s_nFailAllocations = 0;
        HeapProbe::s_nAllocationsBeforeFailure = 0;
        HeapProbe::s_nFailReleases = 0;
        HeapProbe::s_cbReleasedNonZero = 0;
        HeapProbe::s_nReleases = 0;
        zebSetAllocatorHooks(&m_hooks);
    }
    void TearDown() override { zebSetAllocatorHooks(nullptr); }

    ZebAllocatorHooks m_hooks = {HeapProbe::allocate, HeapProbe::release};
};
} // namespace

TEST(Buffer, CreateZeroFillsAndCreateZeroEmpties)
{
    ByteBuffer buffer(4);
    ASSERT_TRUE(buffer.isValid());
    EXPECT_EQ((std::vector<unsigned char>{0, 0, 0, 0}), contents(buffer));
    buffer[1] = 7;
    EXPECT_TRUE(buffer.create(0));
    EXPECT_FALSE(buffer.isValid());
    EXPECT_EQ(nullptr, buffer.getBuffer());
    EXPECT_EQ(0u, buffer.getNumElems());
    EXPECT_TRUE(buffer.create(3));
    EXPECT_EQ((std::vector<unsigned char>{0, 0, 0}), contents(buffer)) << "old contents kept";
}

TEST(Buffer, DataConstructorPlacesDataAtOffset)
{
    const unsigned char data[] = {1, 2, 3};
    ByteBuffer shifted(data, 3, 2);
    EXPECT_EQ((std::vector<unsigned char>{0, 0, 1, 2, 3}), contents(shifted));
    ByteBuffer zeros(nullptr, 3, 0);
    EXPECT_EQ((std::vector<unsigned char>{0, 0, 0}), contents(zeros));
    ByteBuffer none(data, 0, 0);
    EXPECT_FALSE(none.isValid());
}

TEST(Buffer, ResizeKeepsLeadingElements)
{
    ByteBuffer buffer = bytes({1, 2, 3, 4});
    EXPECT_TRUE(buffer.resize(2));
    EXPECT_EQ((std::vector<unsigned char>{1, 2}), contents(buffer));
    EXPECT_TRUE(buffer.resize(5));
    EXPECT_EQ((std::vector<unsigned char>{1, 2, 0, 0, 0}), contents(buffer));
}

TEST(Buffer, CopiesAreDeepAndEmptyCopiesEmpty)
{
    ByteBuffer source = bytes({9, 8});
    ByteBuffer copy(source);
    source[0] = 1;
    EXPECT_EQ((std::vector<unsigned char>{9, 8}), contents(copy));
    ByteBuffer target = bytes({5, 5, 5});
    target = copy;
    EXPECT_EQ((std::vector<unsigned char>{9, 8}), contents(target));
    target = ByteBuffer();
    EXPECT_FALSE(target.isValid());
    target = target; // self-assignment keeps the (empty) state
    EXPECT_FALSE(target.isValid());
}

TEST(Buffer, AppendAtFollowsTheOffsetRules)
{
    struct Case
    {
        const char* name;
        std::vector<unsigned char> start;
        DWORD ulOffset;
        bool bResult;
        std::vector<unsigned char> end;
    };
    const Case cases[] = {
        {"at the end appends", {1, 2, 3}, 3, true, {1, 2, 3, 7, 8}},
        {"inside overwrites and drops the tail", {1, 2, 3, 4, 5}, 1, true, {1, 7, 8}},
        {"at 0 replaces", {1, 2, 3}, 0, true, {7, 8}},
        {"past the end fails unchanged", {1, 2, 3}, 4, false, {1, 2, 3}},
        {"on an empty buffer at 0", {}, 0, true, {7, 8}},
    };
    for (const Case& c : cases)
    {
        ByteBuffer buffer = bytes(c.start);
        EXPECT_EQ(c.bResult, buffer.appendAt(bytes({7, 8}), c.ulOffset)) << c.name;
        EXPECT_EQ(c.end, contents(buffer)) << c.name;
    }
}

TEST(Buffer, AppendToItselfDoublesTheContents)
{
    ByteBuffer buffer = bytes({1, 2});
    EXPECT_TRUE(buffer.append(buffer));
    EXPECT_EQ((std::vector<unsigned char>{1, 2, 1, 2}), contents(buffer));
    buffer += bytes({3});
    EXPECT_EQ((std::vector<unsigned char>{1, 2, 1, 2, 3}), contents(buffer));
}

TEST(Buffer, AppendingAnEmptyBufferChangesNothingAndLogsNothing)
{
    LoggingOn logging;
    for (const std::vector<unsigned char>& start :
         {std::vector<unsigned char>{1, 2, 3}, std::vector<unsigned char>{}})
    {
        ByteBuffer buffer = bytes(start);
        EXPECT_TRUE(buffer.append(ByteBuffer()));
        buffer += ByteBuffer();
        EXPECT_EQ(start, contents(buffer));
        EXPECT_EQ(start.empty(), buffer.getBuffer() == nullptr);
    }
    EXPECT_TRUE(logging.log.lines().empty()) << narrow(logging.log.lines().front());
}

TEST(Buffer, WriteFitsGrowsOrFails)
{
    ByteBuffer buffer = bytes({1, 2, 3, 4});
    EXPECT_TRUE(buffer.write(bytes({9, 9}), 1, false));
    EXPECT_EQ((std::vector<unsigned char>{1, 9, 9, 4}), contents(buffer));
    EXPECT_FALSE(buffer.write(bytes({7, 7}), 3, false));
    EXPECT_EQ((std::vector<unsigned char>{1, 9, 9, 4}), contents(buffer));
    EXPECT_TRUE(buffer.write(bytes({7, 7}), 3, true));
    EXPECT_EQ((std::vector<unsigned char>{1, 9, 9, 7, 7}), contents(buffer));
    EXPECT_FALSE(buffer.write(ByteBuffer(), 0, false));
    EXPECT_FALSE(buffer.write(ByteBuffer(), 0, true)) << "an empty source never writes";
    EXPECT_FALSE(buffer.write(bytes({1}), 6, true)) << "growing still refuses a gap";
    EXPECT_EQ((std::vector<unsigned char>{1, 9, 9, 7, 7}), contents(buffer));
}

TEST(Buffer, ReadChecksTheRangeAndReportsWhatIsLeft)
{
    ByteBuffer buffer(10);
    for (DWORD i = 0; i < 10; ++i)
        buffer[i] = static_cast<unsigned char>(i);
    ByteBuffer out = bytes({0xbd});
    DWORD ulCount = 3;
    EXPECT_FALSE(buffer.read(out, 8, ulCount));
    EXPECT_EQ(2u, ulCount);
    EXPECT_FALSE(out.isValid());

    ulCount = 0;
    out = bytes({0xbd});
    EXPECT_TRUE(buffer.read(out, 4, ulCount));
    EXPECT_FALSE(out.isValid());

    ulCount = 3;
    EXPECT_TRUE(buffer.read(out, 7, ulCount));
    EXPECT_EQ((std::vector<unsigned char>{7, 8, 9}), contents(out));

    // A range whose end overflows 32 bits is refused, never read.
    ulCount = 0xFFFFFFFF;
    EXPECT_FALSE(buffer.read(out, 2, ulCount));
}

TEST(Buffer, ReadIntoCallerMemoryStaysWithinTheCount)
{
    ByteBuffer buffer = bytes({1, 2, 3, 4});
    unsigned char target[6];
    std::memset(target, 0xbd, sizeof(target));
    DWORD ulCount = 2;
    EXPECT_TRUE(buffer.read(target + 1, 1, ulCount));
    EXPECT_EQ(0xbd, target[0]);
    EXPECT_EQ(2, target[1]);
    EXPECT_EQ(3, target[2]);
    EXPECT_EQ(0xbd, target[3]);
    ulCount = 1;
    EXPECT_FALSE(buffer.read(static_cast<unsigned char*>(nullptr), 0, ulCount));
}

TEST(Buffer, IndexPastTheEndThrowsToTheCaller)
{
    ByteBuffer buffer(3);
    EXPECT_NO_THROW(buffer[2]);
    EXPECT_THROW(buffer[3], CZEBIndexOutOfBoundsException);
    const ByteBuffer& constant = buffer;
    EXPECT_THROW(constant[3], CZEBIndexOutOfBoundsException);
    ByteBuffer empty;
    EXPECT_THROW(empty[0], CZEBIndexOutOfBoundsException);
}

TEST(Buffer, EqualityComparesCountsAndBytes)
{
    EXPECT_TRUE(ByteBuffer() == ByteBuffer());
    EXPECT_TRUE(bytes({1, 2}) == bytes({1, 2}));
    EXPECT_FALSE(bytes({1, 2}) == bytes({1, 3}));
    EXPECT_FALSE(bytes({1, 2}) == bytes({1, 2, 0}));
    EXPECT_FALSE(ByteBuffer() == bytes({0}));
}

TEST(Buffer, ByteAndWideViewsUseMemoryOrder)
{
    ByteBuffer three = bytes({0x41, 0x42, 0x43});
    WideBuffer wide = three.toWideBuffer();
    ASSERT_EQ(2u, wide.getNumElems());
    EXPECT_EQ(0x4241, wide[0]);
    EXPECT_EQ(0x0043, wide[1]);
    ByteBuffer back = wide.toByteBuffer();
    EXPECT_EQ((std::vector<unsigned char>{0x41, 0x42, 0x43, 0x00}), contents(back));
    EXPECT_FALSE(ByteBuffer().toWideBuffer().isValid());
    EXPECT_FALSE(WideBuffer().toByteBuffer().isValid());
}

TEST_F(BufferHeap, EveryReleasedBlockIsZeroed)
{
    {
        ByteBuffer buffer = bytes({0xAA, 0xBB, 0xCC});
        buffer.resize(8);
        buffer[7] = 0xDD;
        buffer.append(bytes({0xEE}));
        WideBuffer wide = buffer.toWideBuffer();
        buffer.create(2);
        buffer[0] = 0x11;
    }
    EXPECT_GT(HeapProbe::s_nReleases, 4u);
    EXPECT_EQ(0u, HeapProbe::s_cbReleasedNonZero);
}

TEST_F(BufferHeap, AllocationFailureEmptiesAndThrowsFromConstructors)
{
    ByteBuffer buffer = bytes({1, 2});
    HeapProbe::s_nFailAllocations = 1;
    EXPECT_FALSE(buffer.create(4));
    EXPECT_FALSE(buffer.isValid());

    buffer = bytes({1, 2});
    HeapProbe::s_nAllocationsBeforeFailure = 1; // the temporary copy succeeds
    HeapProbe::s_nFailAllocations = 1;          // the new storage does not
    EXPECT_FALSE(buffer.resize(4));
    EXPECT_FALSE(buffer.isValid()) << "a failed resize leaves the buffer empty";

    HeapProbe::s_nFailAllocations = 1;
    EXPECT_THROW(ByteBuffer(5), CZEBBufferInitException);
    HeapProbe::s_nFailAllocations = 1;
    const unsigned char data[] = {1};
    EXPECT_THROW(ByteBuffer(data, 1, 0), CZEBBufferInitException);
    ByteBuffer source = bytes({3});
    HeapProbe::s_nFailAllocations = 1;
    EXPECT_THROW(ByteBuffer copy(source), CZEBBufferInitException);
}

TEST_F(BufferHeap, ReleaseFailureIsReportedAndStillClears)
{
    ByteBuffer buffer = bytes({1, 2});
    HeapProbe::s_nFailReleases = 1;
    EXPECT_FALSE(buffer.destroy());
    EXPECT_FALSE(buffer.isValid());
    EXPECT_EQ(0u, buffer.getNumElems());
    EXPECT_TRUE(buffer.destroy()) << "an empty buffer destroys successfully";
}

TEST(Buffer, RequestBeyondThirtyTwoBitBytesFailsAsAllocation)
{
    WideBuffer wide;
    EXPECT_FALSE(wide.create(0x80000000u)) << "2^31 elements of 2 bytes overflow 32 bits";
    EXPECT_FALSE(wide.isValid());
}
