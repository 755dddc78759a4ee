// CZEBDblList and its node kinds: the cursor rules, keys, copies and equality of object,
// value and pointer node lists, ownership of pointed objects, and the failure paths of node
// allocation and release with their records.
#include "zeb_dbllist.h"
#include "zeb_test_support.h"
#include "zeb_wchar_string.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

using namespace zebtest;

namespace
{
typedef CZEBDblList<CZEBWCharString> StringList;

enum Colour
{
    coRed = 1,
    coGreen = 2,
    coBlue = 3
};
typedef CZEBDblList<Colour, CZEBStdNode<Colour>> ColourList;
typedef CZEBDblList<int, CZEBStdNode<int>> IntList;

// A heap object that counts its lives, to prove that pointer nodes delete exactly once.
struct Counted
{
    static int s_nLive;
    static int s_nDestroyed;

    explicit Counted(int nValue) : m_nValue(nValue) { ++s_nLive; }
    Counted(const Counted& other) : m_nValue(other.m_nValue) { ++s_nLive; }
    Counted& operator=(const Counted&) = default;
    ~Counted()
    {
        --s_nLive;
        ++s_nDestroyed;
    }
    bool operator==(const Counted& other) const { return m_nValue == other.m_nValue; }
    bool operator!=(const Counted& other) const { return m_nValue != other.m_nValue; }
    bool operator<(const Counted& other) const { return m_nValue < other.m_nValue; }
    bool operator>(const Counted& other) const { return m_nValue > other.m_nValue; }

    int m_nValue;
};
int Counted::s_nLive = 0;
int Counted::s_nDestroyed = 0;
typedef CZEBPtrNode<Counted> CountedNode;
typedef CZEBDblList<Counted, CountedNode> CountedList;

// A record type without an ordering, like the registry value records.
struct Unordered
{
    int m_nValue;
    bool operator==(const Unordered& other) const { return m_nValue == other.m_nValue; }
    bool operator!=(const Unordered& other) const { return m_nValue != other.m_nValue; }
};

// An object whose destructor fails, to see a pointer node log the failed deletion.
struct FailingDestructor
{
    ~FailingDestructor() noexcept(false) { throw 7; }
    bool operator==(const FailingDestructor&) const { return true; }
    bool operator!=(const FailingDestructor&) const { return false; }
};

// An object whose copy throws something that is not a library record.
struct ThrowingCopy
{
    ThrowingCopy() = default;
    ThrowingCopy(const ThrowingCopy&) { throw 42; }
    ThrowingCopy& operator=(const ThrowingCopy&) = default;
    bool operator==(const ThrowingCopy&) const { return true; }
    bool operator!=(const ThrowingCopy&) const { return false; }
};

struct Entry
{
    WString text;
    LONG lKey;
    bool operator==(const Entry& other) const { return text == other.text && lKey == other.lKey; }
};

std::ostream& operator<<(std::ostream& out, const Entry& entry)
{
    return out << '"' << narrow(entry.text) << "\"/" << entry.lKey;
}

WString text(const CZEBWCharString& string)
{
    return W(string.getBuffer());
}

StringList strings(const std::vector<Entry>& entries)
{
    StringList list;
    for (const Entry& entry : entries)
        EXPECT_TRUE(list.add(CZEBWCharString(entry.text.c_str()), entry.lKey));
    return list;
}

// The walking pattern: moveFirst, then getCurrent / moveNext until moveNext fails.
std::vector<Entry> walk(StringList& list)
{
    std::vector<Entry> entries;
    if (!list.moveFirst())
        return entries;
    do
    {
        CZEBWCharString value;
        LONG lKey = -99;
        EXPECT_TRUE(list.getCurrent(value));
        EXPECT_TRUE(list.getCurrentKey(lKey));
        entries.push_back({text(value), lKey});
    } while (list.moveNext());
    return entries;
}

Entry current(const StringList& list)
{
    CZEBWCharString value;
    LONG lKey = -99;
    EXPECT_TRUE(list.getCurrent(value));
    EXPECT_TRUE(list.getCurrentKey(lKey));
    return {text(value), lKey};
}

// The links agree in both directions and with head, tail and count.
template <class List> void expectConsistentLinks(const List& list)
{
    if (list.getCount() == 0)
    {
        EXPECT_EQ(nullptr, list.m_pHead);
        EXPECT_EQ(nullptr, list.m_pTail);
        EXPECT_EQ(nullptr, list.m_pCursor);
        return;
    }
    ASSERT_NE(nullptr, list.m_pHead);
    EXPECT_EQ(nullptr, list.m_pHead->m_pPrev);
    EXPECT_EQ(nullptr, list.m_pTail->m_pNext);
    DWORD ulCount = 0;
    bool bCursorFound = false;
    typedef decltype(list.m_pHead->m_pNext) NodePointer; // links point at the base
    for (NodePointer pNode = list.m_pHead; pNode; pNode = pNode->m_pNext)
    {
        ++ulCount;
        bCursorFound = bCursorFound || pNode == list.m_pCursor;
        if (pNode->m_pNext)
            EXPECT_EQ(pNode, pNode->m_pNext->m_pPrev);
        else
            EXPECT_EQ(list.m_pTail, pNode);
    }
    EXPECT_EQ(list.getCount(), ulCount);
    EXPECT_TRUE(bCursorFound) << "the cursor is a node of the list";
}

// Allocator hooks that check released memory and can make a call fail.
struct HeapProbe
{
    static int s_nFailAllocations;
    static int s_nAllocationsBeforeFailure;
    static int s_nFailReleases;
    static size_t s_cbReleasedNonZero;
    static size_t s_nReleases;
    static size_t s_nAllocations;

    // Blocks allocated and not yet released.
    static size_t live() { return s_nAllocations - s_nReleases; }

    static void* allocate(size_t cbSize)
    {
        ++s_nAllocations;
        if (s_nAllocationsBeforeFailure > 0)
            --s_nAllocationsBeforeFailure;
        else if (s_nFailAllocations > 0)
        {
            --s_nFailAllocations;
            --s_nAllocations;
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
size_t HeapProbe::s_nAllocations = 0;

class ListHeap : public ::testing::Test
{
protected:
    void SetUp() override
    {
        HeapProbe::s_nFailAllocations = 0;
        HeapProbe::s_nAllocationsBeforeFailure = 0;
        HeapProbe::s_nFailReleases = 0;
        HeapProbe::s_cbReleasedNonZero = 0;
        HeapProbe::s_nReleases = 0;
        HeapProbe::s_nAllocations = 0;
        Counted::s_nLive = 0;
        zebSetAllocatorHooks(&m_hooks);
    }
    void TearDown() override
    {
        zebSetAllocatorHooks(nullptr);
        EXPECT_EQ(0, Counted::s_nLive) << "every pointed object is deleted";
    }

    // Lines of the log that hold the message and name the list's source file.
    static size_t listRecords(const LoggingOn& logging, LPCWSTR szMessage)
    {
        size_t n = 0;
        for (const WString& line : logging.log.lines())
            if (line.find(szMessage) != WString::npos &&
                line.find(ZEB_W("<zeb_dbllist.h, ")) != WString::npos)
                ++n;
        return n;
    }

    ZebAllocatorHooks m_hooks = {HeapProbe::allocate, HeapProbe::release};
};

class PointerList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        Counted::s_nLive = 0;
        Counted::s_nDestroyed = 0;
    }
    void TearDown() override
    {
        EXPECT_EQ(0, Counted::s_nLive) << "every pointed object is deleted";
    }
};

std::vector<int> values(CountedList& list)
{
    std::vector<int> result;
    if (!list.moveFirst())
        return result;
    do
    {
        Counted* pCounted = nullptr;
        EXPECT_TRUE(list.getCurrentPointer(pCounted));
        result.push_back(pCounted ? pCounted->m_nValue : -1);
    } while (list.moveNext());
    return result;
}
} // namespace

// ---- Cursor and keys -------------------------------------------------------------------

TEST(DblList, EmptyListAnswersFalseAndLeavesOutputsUntouched)
{
    StringList list;
    EXPECT_EQ(0u, list.getCount());
    EXPECT_FALSE(list.moveFirst());
    EXPECT_FALSE(list.moveNext());
    EXPECT_FALSE(list.findKey(0));
    CZEBWCharString value(ZEB_W("keep"));
    EXPECT_FALSE(list.getCurrent(value));
    EXPECT_EQ(W(ZEB_W("keep")), text(value));
    LONG lKey = 5;
    EXPECT_FALSE(list.getCurrentKey(lKey));
    EXPECT_EQ(5, lKey);
    EXPECT_FALSE(list.setCurrent(CZEBWCharString(ZEB_W("x"))));
    EXPECT_TRUE(list.clear()) << "clearing an empty list succeeds";
    EXPECT_FALSE(list.addNode(nullptr));
    expectConsistentLinks(list);
}

TEST(DblList, TheFirstNodeTakesTheCursorAndLaterOnesLeaveIt)
{
    StringList list;
    ASSERT_TRUE(list.add(CZEBWCharString(ZEB_W("one")), 10));
    EXPECT_EQ((Entry{ZEB_W("one"), 10}), current(list));
    EXPECT_EQ(list.m_pHead, list.m_pTail);
    EXPECT_EQ(nullptr, list.m_pHead->m_pNext);
    EXPECT_EQ(nullptr, list.m_pHead->m_pPrev);
    ASSERT_TRUE(list.add(CZEBWCharString(ZEB_W("two")), 20));
    ASSERT_TRUE(list.add(CZEBWCharString(ZEB_W("three")), 30));
    EXPECT_EQ(3u, list.getCount());
    EXPECT_EQ((Entry{ZEB_W("one"), 10}), current(list)) << "appending does not move the cursor";
    expectConsistentLinks(list);
    const std::vector<Entry> expected = {
        {ZEB_W("one"), 10}, {ZEB_W("two"), 20}, {ZEB_W("three"), 30}};
    EXPECT_EQ(expected, walk(list)) << "insertion order";
}

TEST(DblList, MoveNextStopsOnTheLastNode)
{
    StringList list = strings({{ZEB_W("a"), 0}, {ZEB_W("b"), 1}});
    ASSERT_TRUE(list.moveFirst());
    EXPECT_TRUE(list.moveNext());
    EXPECT_FALSE(list.moveNext());
    EXPECT_FALSE(list.moveNext());
    EXPECT_EQ((Entry{ZEB_W("b"), 1}), current(list));
    EXPECT_TRUE(list.moveFirst());
    EXPECT_EQ((Entry{ZEB_W("a"), 0}), current(list));
}

TEST(DblList, FindKeyStopsAtTheFirstMatchOrOnTheLastNode)
{
    StringList list = strings({{ZEB_W("a"), 5}, {ZEB_W("b"), 7}, {ZEB_W("c"), 5}});
    struct Case
    {
        LONG lKey;
        bool bFound;
        Entry cursor;
    };
    const Case cases[] = {
        {5, true, {ZEB_W("a"), 5}}, // keys are not unique: the first from the head
        {7, true, {ZEB_W("b"), 7}},
        {9, false, {ZEB_W("c"), 5}}, // missing: the cursor rests on the third node
        {-5, false, {ZEB_W("c"), 5}},
    };
    for (const Case& c : cases)
    {
        ASSERT_TRUE(list.moveFirst());
        ASSERT_TRUE(list.moveNext()); // start elsewhere than the head
        EXPECT_EQ(c.bFound, list.findKey(c.lKey)) << c.lKey;
        EXPECT_EQ(c.cursor, current(list)) << c.lKey;
    }
}

TEST(DblList, SetCurrentReplacesOnlyTheCursorValue)
{
    StringList list = strings({{ZEB_W("a"), 1}, {ZEB_W("b"), 2}, {ZEB_W("c"), 3}});
    ASSERT_TRUE(list.findKey(2));
    EXPECT_TRUE(list.setCurrent(CZEBWCharString(ZEB_W("changed"))));
    const std::vector<Entry> expected = {{ZEB_W("a"), 1}, {ZEB_W("changed"), 2}, {ZEB_W("c"), 3}};
    EXPECT_EQ(expected, walk(list));
}

TEST(DblList, ClearEmptiesTheListForReuse)
{
    StringList list = strings({{ZEB_W("a"), 1}, {ZEB_W("b"), 2}});
    EXPECT_TRUE(list.clear());
    EXPECT_EQ(0u, list.getCount());
    expectConsistentLinks(list);
    EXPECT_FALSE(list.moveFirst());
    ASSERT_TRUE(list.add(CZEBWCharString(ZEB_W("again")), 4));
    EXPECT_EQ((Entry{ZEB_W("again"), 4}), current(list));
    expectConsistentLinks(list);
}

TEST(DblList, AddNodeAppendsABuiltNode)
{
    StringList list = strings({{ZEB_W("a"), 1}});
    CZEBObjNode<CZEBWCharString>* pNode =
        zebNewNode<CZEBObjNode<CZEBWCharString>>(CZEBWCharString(ZEB_W("built")), 8);
    ASSERT_NE(nullptr, pNode);
    ASSERT_TRUE(list.addNode(pNode));
    EXPECT_EQ(pNode, list.m_pTail);
    EXPECT_EQ((Entry{ZEB_W("a"), 1}), current(list));
    const std::vector<Entry> expected = {{ZEB_W("a"), 1}, {ZEB_W("built"), 8}};
    EXPECT_EQ(expected, walk(list));
    expectConsistentLinks(list);
}

TEST(DblList, ValueNodesHoldEnumerationsAndIntegers)
{
    ColourList colours;
    ASSERT_TRUE(colours.add(coGreen, 0));
    ASSERT_TRUE(colours.add(coBlue, 1));
    Colour colour = coRed;
    ASSERT_TRUE(colours.findKey(1));
    EXPECT_TRUE(colours.getCurrent(colour));
    EXPECT_EQ(coBlue, colour);
    EXPECT_TRUE(colours.setCurrent(coRed));
    EXPECT_TRUE(colours.getCurrent(colour));
    EXPECT_EQ(coRed, colour);

    IntList numbers;
    for (int n : {-3, 0, 2147483647})
        ASSERT_TRUE(numbers.add(n, n));
    ColourList copy(colours);
    EXPECT_TRUE(copy == colours);
    IntList numbersCopy;
    numbersCopy = numbers;
    EXPECT_TRUE(numbersCopy == numbers);
    ASSERT_TRUE(numbersCopy.findKey(0));
    EXPECT_TRUE(numbersCopy.setCurrent(1));
    EXPECT_FALSE(numbersCopy == numbers);
}

// ---- Copies and equality ---------------------------------------------------------------

TEST(DblList, AssignmentCopiesIndependentStringsWithTheirKeys)
{
    StringList original = strings({{ZEB_W("a"), 0}, {ZEB_W("bb"), 1}, {ZEB_W("ccc"), 2}});
    StringList copy = strings({{ZEB_W("old"), 9}});
    copy = original;
    EXPECT_EQ(walk(original), walk(copy)) << "the old contents are gone";
    EXPECT_TRUE(copy == original);
    expectConsistentLinks(copy);
    ASSERT_TRUE(copy.findKey(1));
    ASSERT_TRUE(original.findKey(1));
    EXPECT_NE(copy.m_pCursor, original.m_pCursor);
    EXPECT_NE(copy.m_pCursor->getValue()->getBuffer(), original.m_pCursor->getValue()->getBuffer())
        << "each list has its own storage";
    EXPECT_TRUE(copy.setCurrent(CZEBWCharString(ZEB_W("changed"))));
    EXPECT_EQ((Entry{ZEB_W("bb"), 1}), current(original));
    EXPECT_FALSE(copy == original);
}

TEST(DblList, CopyConstructionCopiesTheNodes)
{
    StringList original = strings({{ZEB_W("a"), 3}, {ZEB_W("b"), 4}});
    {
        StringList copy(original);
        EXPECT_TRUE(copy == original);
        EXPECT_NE(copy.m_pHead, original.m_pHead) << "the lists never share nodes";
        EXPECT_TRUE(copy.moveFirst());
        EXPECT_TRUE(copy.setCurrent(CZEBWCharString(ZEB_W("z"))));
    } // the copy deletes only its own nodes
    const std::vector<Entry> expected = {{ZEB_W("a"), 3}, {ZEB_W("b"), 4}};
    EXPECT_EQ(expected, walk(original));
    StringList emptyCopy{StringList()};
    EXPECT_EQ(0u, emptyCopy.getCount());
}

TEST(DblList, SelfAssignmentLeavesTheListUnchanged)
{
    StringList list = strings({{ZEB_W("a"), 1}, {ZEB_W("b"), 2}});
    ASSERT_TRUE(list.findKey(2));
    StringList& same = list;
    list = same;
    EXPECT_EQ(2u, list.getCount());
    EXPECT_EQ((Entry{ZEB_W("b"), 2}), current(list)) << "the cursor stays too";
    const std::vector<Entry> expected = {{ZEB_W("a"), 1}, {ZEB_W("b"), 2}};
    EXPECT_EQ(expected, walk(list));
}

TEST(DblList, EqualityWalksKeysAndValuesInStep)
{
    struct Case
    {
        const char* name;
        std::vector<Entry> left;
        std::vector<Entry> right;
        bool bEqual;
    };
    const Case cases[] = {
        {"both empty", {}, {}, true},
        {"same", {{ZEB_W("a"), 0}, {ZEB_W("b"), 1}}, {{ZEB_W("a"), 0}, {ZEB_W("b"), 1}}, true},
        {"keys swapped",
         {{ZEB_W("a"), 0}, {ZEB_W("b"), 1}},
         {{ZEB_W("a"), 1}, {ZEB_W("b"), 0}},
         false},
        {"values swapped",
         {{ZEB_W("a"), 0}, {ZEB_W("b"), 0}},
         {{ZEB_W("b"), 0}, {ZEB_W("a"), 0}},
         false},
        {"one value differs", {{ZEB_W("a"), 0}}, {{ZEB_W("A"), 0}}, false},
        {"longer", {{ZEB_W("a"), 0}}, {{ZEB_W("a"), 0}, {ZEB_W("a"), 0}}, false},
        {"empty against one", {}, {{ZEB_W(""), 0}}, false},
    };
    for (const Case& c : cases)
    {
        const StringList left = strings(c.left);
        const StringList right = strings(c.right);
        EXPECT_EQ(c.bEqual, left == right) << c.name;
        EXPECT_EQ(c.bEqual, right == left) << c.name;
    }
}

// ---- Node kinds ------------------------------------------------------------------------

TEST(DblListNodes, StringNodesOrderByTheNegatedStringComparisons)
{
    struct Case
    {
        LPCWSTR szNode;
        LPCWSTR szArgument;
    };
    const Case cases[] = {
        {ZEB_W("ab"), ZEB_W("ac")},  {ZEB_W("ac"), ZEB_W("ab")}, {ZEB_W("ab"), ZEB_W("ab")},
        {ZEB_W("ab"), ZEB_W("abc")}, {ZEB_W("b"), ZEB_W("abc")},
    };
    for (const Case& c : cases)
    {
        const CZEBWCharString node(c.szNode);
        const CZEBWCharString argument(c.szArgument);
        CZEBObjNode<CZEBWCharString> objNode(node, 0);
        const CZEBNode<const CZEBWCharString&>& base = objNode;
        EXPECT_EQ(node == argument, base == argument) << narrow(c.szNode);
        EXPECT_EQ(node != argument, base != argument) << narrow(c.szNode);
        EXPECT_EQ(!(node >= argument), base < argument) << narrow(c.szNode);
        EXPECT_EQ(!(node <= argument), base > argument) << narrow(c.szNode);
    }
    // Between equal lengths this is the plain order.
    CZEBObjNode<CZEBWCharString> ab(CZEBWCharString(ZEB_W("ab")), 0);
    EXPECT_TRUE(ab < CZEBWCharString(ZEB_W("ac")));
    EXPECT_FALSE(ab > CZEBWCharString(ZEB_W("ac")));
    EXPECT_FALSE(ab < CZEBWCharString(ZEB_W("ab")));
    EXPECT_EQ(&ab.m_object, ab.getValue()) << "an object node answers the object's address";
}

TEST(DblListNodes, ValueAndPointerNodesCompareTheirValues)
{
    struct Case
    {
        int nNode;
        int nArgument;
    };
    const Case cases[] = {{1, 2}, {2, 1}, {2, 2}, {-1, 0}};
    for (const Case& c : cases)
    {
        CZEBStdNode<int> value(c.nNode, 0);
        const CZEBNode<int>& valueBase = value;
        EXPECT_EQ(c.nNode == c.nArgument, valueBase == c.nArgument);
        EXPECT_EQ(c.nNode != c.nArgument, valueBase != c.nArgument);
        EXPECT_EQ(c.nNode < c.nArgument, valueBase < c.nArgument);
        EXPECT_EQ(c.nNode > c.nArgument, valueBase > c.nArgument);
        EXPECT_EQ(c.nNode, valueBase.getValue());

        CountedNode pointer(new Counted(c.nNode), 0);
        const CZEBNode<const Counted*>& pointerBase = pointer;
        const Counted argument(c.nArgument);
        EXPECT_EQ(c.nNode == c.nArgument, pointerBase == &argument);
        EXPECT_EQ(c.nNode != c.nArgument, pointerBase != &argument);
        EXPECT_EQ(c.nNode < c.nArgument, pointerBase < &argument);
        EXPECT_EQ(c.nNode > c.nArgument, pointerBase > &argument);
        EXPECT_EQ(pointer.m_pPointer, pointerBase.getValue());
    }
    // A pointer node never dereferences a missing object.
    CountedNode empty(nullptr, 0);
    const Counted one(1);
    EXPECT_FALSE(empty == &one);
    EXPECT_TRUE(empty != &one);
    EXPECT_FALSE(empty < &one);
    EXPECT_FALSE(empty > &one);
    EXPECT_TRUE(empty == nullptr);
    CountedNode full(new Counted(1), 0);
    EXPECT_FALSE(full == nullptr);
    EXPECT_FALSE(full < nullptr);
}

TEST(DblListNodes, TypesWithoutOrderingAnswerFalseToOrdering)
{
    CZEBObjNode<Unordered> node(Unordered{4}, 0);
    EXPECT_TRUE(node == Unordered{4});
    EXPECT_TRUE(node != Unordered{5});
    EXPECT_FALSE(node < Unordered{5});
    EXPECT_FALSE(node > Unordered{3});
    CZEBDblList<Unordered> list;
    ASSERT_TRUE(list.add(Unordered{1}, 2));
    Unordered value{0};
    EXPECT_TRUE(list.getCurrent(value));
    EXPECT_EQ(1, value.m_nValue);
}

// ---- Pointer node lists ----------------------------------------------------------------

TEST(DblListTraits, PointerCopyingIsChosenByTheNodeType)
{
    static_assert(ZebIsPointerNode<CZEBPtrNode<Counted>>::value, "pointer nodes own objects");
    static_assert(ZebIsPointerNode<CZEBPtrNode<CZEBWCharString>>::value, "");
    static_assert(!ZebIsPointerNode<CZEBObjNode<CZEBWCharString>>::value, "object nodes copy");
    static_assert(!ZebIsPointerNode<CZEBStdNode<int>>::value, "value nodes copy");
    EXPECT_TRUE(CountedList::s_bPointerNodes);
    EXPECT_FALSE(StringList::s_bPointerNodes);
    EXPECT_FALSE(IntList::s_bPointerNodes);
}

TEST_F(PointerList, NodesOwnTheirObjectsAndDeleteThemOnce)
{
    {
        CountedList list;
        Counted* pFirst = new Counted(1);
        ASSERT_TRUE(list.addPointer(pFirst));
        ASSERT_TRUE(list.addPointer(new Counted(2)));
        EXPECT_EQ(2u, list.getCount());
        Counted* pCurrent = nullptr;
        EXPECT_TRUE(list.getCurrentPointer(pCurrent));
        EXPECT_EQ(pFirst, pCurrent) << "the node keeps the very object";
        LONG lKey = -1;
        EXPECT_TRUE(list.getCurrentKey(lKey));
        EXPECT_EQ(0, lKey);
        Counted copy(0);
        EXPECT_TRUE(list.getCurrent(copy));
        EXPECT_EQ(1, copy.m_nValue);
        EXPECT_EQ(3, Counted::s_nLive);
        EXPECT_TRUE(list.clear());
        EXPECT_EQ(1, Counted::s_nLive) << "clear deletes the pointed objects";
        EXPECT_EQ(2, Counted::s_nDestroyed);
        ASSERT_TRUE(list.addPointer(new Counted(3)));
    } // the destructor deletes the rest
    EXPECT_EQ(0, Counted::s_nLive);
    EXPECT_EQ(4, Counted::s_nDestroyed) << "three pointed objects and the local copy, once each";
}

TEST_F(PointerList, ANullPointerIsRefused)
{
    CountedList list;
    EXPECT_FALSE(list.addPointer(nullptr));
    EXPECT_EQ(0u, list.getCount());
    ASSERT_TRUE(list.addPointer(new Counted(1)));
    EXPECT_FALSE(list.addPointer(nullptr));
    EXPECT_EQ(1u, list.getCount());
    CountedNode* pEmpty = zebNewNode<CountedNode>(nullptr, 0);
    ASSERT_NE(nullptr, pEmpty);
    EXPECT_FALSE(list.addNode(pEmpty)) << "a node without an object is refused as well";
    EXPECT_TRUE(zebDeleteNode(pEmpty));
    EXPECT_FALSE(list.setCurrent(static_cast<Counted*>(nullptr)));
    EXPECT_EQ((std::vector<int>{1}), values(list));
    CountedList copy;
    copy = list;
    EXPECT_TRUE(copy == list);
}

TEST_F(PointerList, SetCurrentDeletesTheObjectHeldBefore)
{
    CountedList list;
    ASSERT_TRUE(list.addPointer(new Counted(1)));
    ASSERT_TRUE(list.addPointer(new Counted(2)));
    ASSERT_TRUE(list.moveFirst());
    ASSERT_TRUE(list.moveNext());
    Counted* pNew = new Counted(20);
    EXPECT_TRUE(list.setCurrent(pNew));
    EXPECT_EQ(2, Counted::s_nLive) << "the replaced object is deleted";
    EXPECT_EQ(1, Counted::s_nDestroyed);
    EXPECT_TRUE(list.setCurrent(pNew)) << "setting the held object again keeps it";
    EXPECT_EQ(2, Counted::s_nLive);
    Counted* pCurrent = nullptr;
    EXPECT_TRUE(list.getCurrentPointer(pCurrent));
    EXPECT_EQ(pNew, pCurrent);
    EXPECT_EQ((std::vector<int>{1, 20}), values(list));
}

TEST_F(PointerList, AssignmentCopiesTheObjectsWithTheirKeys)
{
    CountedList original;
    ASSERT_TRUE(original.addNode(zebNewNode<CountedNode>(new Counted(1), 7)));
    ASSERT_TRUE(original.addNode(zebNewNode<CountedNode>(new Counted(2), -3)));
    {
        CountedList copy;
        ASSERT_TRUE(copy.addPointer(new Counted(99)));
        copy = original;
        EXPECT_EQ(4, Counted::s_nLive) << "the old object is gone, two copies made";
        EXPECT_TRUE(copy == original);
        EXPECT_EQ((std::vector<int>{1, 2}), values(copy));
        ASSERT_TRUE(copy.findKey(-3));
        ASSERT_TRUE(original.findKey(-3));
        Counted* pCopy = nullptr;
        Counted* pOriginal = nullptr;
        ASSERT_TRUE(copy.getCurrentPointer(pCopy));
        ASSERT_TRUE(original.getCurrentPointer(pOriginal));
        EXPECT_NE(pCopy, pOriginal) << "each list owns its own objects";
        pCopy->m_nValue = 5;
        EXPECT_EQ(2, pOriginal->m_nValue);
        EXPECT_FALSE(copy == original);
        CountedList constructed(original);
        EXPECT_TRUE(constructed == original);
        EXPECT_EQ(6, Counted::s_nLive);
    }
    EXPECT_EQ(2, Counted::s_nLive);
    CountedList& same = original;
    original = same;
    EXPECT_EQ((std::vector<int>{1, 2}), values(original));
    EXPECT_EQ(2, Counted::s_nLive);
}

TEST(DblListLog, AFailedObjectDeletionIsLoggedAndThePointerCleared)
{
    LoggingOn logging;
    CZEBPtrNode<FailingDestructor>* pNode =
        zebNewNode<CZEBPtrNode<FailingDestructor>>(new FailingDestructor, 0);
    ASSERT_NE(nullptr, pNode);
    EXPECT_TRUE(pNode->setValue(new FailingDestructor)) << "the replaced object fails to delete";
    EXPECT_NE(nullptr, pNode->m_pPointer);
    EXPECT_TRUE(zebDeleteNode(pNode));
    size_t n = 0;
    for (const WString& line : logging.log.lines())
        if (line.find(ZEB_W("\"Unable to free memory ( m_pPointer )\"")) != WString::npos &&
            line.find(ZEB_W("<zeb_dbllist.h, ")) != WString::npos)
            ++n;
    EXPECT_EQ(2u, n) << "once for setValue, once for the destructor";
}

// ---- Allocation and release ------------------------------------------------------------

TEST_F(ListHeap, NodesAreReleasedZeroed)
{
    {
        StringList list = strings({{ZEB_W("secret"), 1}, {ZEB_W("other"), 2}});
        StringList copy(list);
        IntList numbers;
        numbers.add(12345, 6);
        CountedList pointers;
        pointers.addPointer(new Counted(4));
    }
    EXPECT_GE(HeapProbe::s_nReleases, 10u);
    EXPECT_EQ(0u, HeapProbe::s_cbReleasedNonZero);
}

TEST_F(ListHeap, AFailedNodeAllocationIsLoggedAndLeavesTheListUnchanged)
{
    LoggingOn logging;
    StringList list = strings({{ZEB_W("a"), 1}});
    const CZEBWCharString value(ZEB_W("b"));
    HeapProbe::s_nFailAllocations = 1;
    EXPECT_FALSE(list.add(value, 2));
    EXPECT_EQ(1u, list.getCount());
    expectConsistentLinks(list);

    IntList numbers;
    HeapProbe::s_nFailAllocations = 1;
    EXPECT_FALSE(numbers.add(5, 5));
    EXPECT_EQ(0u, numbers.getCount());
    EXPECT_EQ(nullptr, numbers.m_pCursor);

    CountedList pointers;
    Counted* pRefused = new Counted(1);
    HeapProbe::s_nFailAllocations = 1;
    EXPECT_FALSE(pointers.addPointer(pRefused));
    EXPECT_EQ(0u, pointers.getCount());
    EXPECT_EQ(1, pRefused->m_nValue) << "a refused object stays the caller's";
    delete pRefused;

    EXPECT_EQ(3u, listRecords(logging, ZEB_W("\"Unable to allocate memory ( pNewNode )\"")));
}

TEST_F(ListHeap, AFailedObjectCopyReleasesTheNode)
{
    StringList list;
    const CZEBWCharString value(ZEB_W("text"));
    const size_t nLive = HeapProbe::live();
    HeapProbe::s_nAllocationsBeforeFailure = 1; // the node's memory
    HeapProbe::s_nFailAllocations = 1;          // the string's copy in it
    EXPECT_FALSE(list.add(value, 1));
    EXPECT_EQ(0u, list.getCount());
    EXPECT_EQ(nLive, HeapProbe::live()) << "the node's memory is returned";

    LoggingOn logging;
    CZEBDblList<ThrowingCopy> throwing;
    const size_t nLiveBefore = HeapProbe::live();
    EXPECT_FALSE(throwing.add(ThrowingCopy(), 0));
    EXPECT_EQ(0u, throwing.getCount());
    EXPECT_EQ(nLiveBefore, HeapProbe::live()) << "the node's memory is returned";
    EXPECT_EQ(1u, listRecords(logging, ZEB_W("\"An unhandled exception occurred\"")));
}

TEST_F(ListHeap, AFailedCopyStopsAndKeepsTheNodesCopied)
{
    LoggingOn logging;
    const StringList original = strings({{ZEB_W("a"), 1}, {ZEB_W("b"), 2}, {ZEB_W("c"), 3}});
    StringList copy;
    HeapProbe::s_nAllocationsBeforeFailure = 2; // first node and its string
    HeapProbe::s_nFailAllocations = 1;          // the second node
    copy = original;
    const std::vector<Entry> expected = {{ZEB_W("a"), 1}};
    EXPECT_EQ(expected, walk(copy));
    expectConsistentLinks(copy);
    EXPECT_EQ(1u, listRecords(logging, ZEB_W("\"Unable to allocate memory ( pNewNode )\"")));

    CountedList pointers;
    ASSERT_TRUE(pointers.addNode(zebNewNode<CountedNode>(new Counted(1), 4)));
    ASSERT_TRUE(pointers.addNode(zebNewNode<CountedNode>(new Counted(2), 5)));
    CountedList pointerCopy;
    HeapProbe::s_nAllocationsBeforeFailure = 1;
    HeapProbe::s_nFailAllocations = 1;
    pointerCopy = pointers;
    EXPECT_EQ((std::vector<int>{1}), values(pointerCopy));
    EXPECT_EQ(3, Counted::s_nLive) << "the object copied for the failed node is deleted";
    EXPECT_EQ(1u, listRecords(logging, ZEB_W("\"Unable to allocate memory ( pNode )\"")));
}

TEST_F(ListHeap, AFailedNodeReleaseIsLoggedAndTheWalkGoesOn)
{
    LoggingOn logging;
    IntList numbers;
    for (int n : {1, 2, 3})
        ASSERT_TRUE(numbers.add(n, n));
    const size_t nLive = HeapProbe::live();
    HeapProbe::s_nFailReleases = 1;
    EXPECT_TRUE(numbers.clear()) << "a failed release is a warning, not a failed clear";
    EXPECT_EQ(nLive - 3, HeapProbe::live()) << "the walk continues after the failure";
    EXPECT_EQ(0u, numbers.getCount());
    expectConsistentLinks(numbers);
    EXPECT_EQ(1u, listRecords(logging, ZEB_W("\"Unable to free memory ( pTempCursor )\"")));
    ASSERT_TRUE(numbers.add(4, 4));
    EXPECT_TRUE(numbers.clear());
}
