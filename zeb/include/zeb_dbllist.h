// CZEBDblList: an ordered, doubly linked list with a built-in cursor, in which every node
// carries a signed key beside its value. The node kind decides how a value is held:
// CZEBObjNode<T> keeps its own copy of an object, CZEBPtrNode<T> owns a heap object and
// deletes it, CZEBStdNode<T> keeps a plain value (an enumeration or an integer). Nodes live
// in zeroed library memory (zebNewNode / zebDeleteNode) and are zeroed before release.
// Appending never moves the cursor except into an empty list; order is insertion order.
// Every operation answers false after its failure has been logged.
#pragma once

#include "zeb_guard.h"
#include "zeb_memory.h"

#include <new>
#include <type_traits>
#include <utility>

#define ZEB_DBLLIST_SOURCE ZEB_W(".\\zeb_dbllist.h")

// ---- Ordering of held objects ----

// Whether the comparison operators exist for T (types such as registry value records have
// no ordering; their nodes answer false to < and >).
template <class T, class = void> struct ZebHasGreaterEqual : std::false_type
{
};
template <class T>
struct ZebHasGreaterEqual<T, std::void_t<decltype(static_cast<bool>(std::declval<const T&>() >=
                                                                    std::declval<const T&>()))>>
    : std::true_type
{
};
template <class T, class = void> struct ZebHasLessEqual : std::false_type
{
};
template <class T>
struct ZebHasLessEqual<T, std::void_t<decltype(static_cast<bool>(std::declval<const T&>() <=
                                                                 std::declval<const T&>()))>>
    : std::true_type
{
};
template <class T, class = void> struct ZebHasLess : std::false_type
{
};
template <class T>
struct ZebHasLess<T, std::void_t<decltype(static_cast<bool>(
                         std::declval<const T&>() < std::declval<const T&>()))>> : std::true_type
{
};
template <class T, class = void> struct ZebHasGreater : std::false_type
{
};
template <class T>
struct ZebHasGreater<T, std::void_t<decltype(static_cast<bool>(
                            std::declval<const T&>() > std::declval<const T&>()))>> : std::true_type
{
};

// "Less" is the negation of >= where the type has one, so a type whose ordering is partial
// (strings order only at equal lengths) keeps its own rule; otherwise <; otherwise false.
template <class T> bool zebObjectLess(const T& left, const T& right)
{
    if constexpr (ZebHasGreaterEqual<T>::value)
        return !(left >= right);
    else if constexpr (ZebHasLess<T>::value)
        return left < right;
    else
        return false;
}

// "Greater" is the negation of <= where the type has one; otherwise >; otherwise false.
template <class T> bool zebObjectGreater(const T& left, const T& right)
{
    if constexpr (ZebHasLessEqual<T>::value)
        return !(left <= right);
    else if constexpr (ZebHasGreater<T>::value)
        return left > right;
    else
        return false;
}

// ---- Nodes ----

// The value getValue answers: the object's address for an object node (A = const T&), the
// pointer for a pointer node (A = const T*), the value for a value node (A = T).
template <class A> struct ZebNodeValue
{
    using type = A;
};
template <class A> struct ZebNodeValue<A&>
{
    using type = A*;
};

// The common part of every node; A is the argument type of its comparisons.
template <class A> class CZEBNode
{
public:
    using Argument = A;
    using Value = typename ZebNodeValue<A>::type;

    explicit CZEBNode(LONG lKey) : m_pNext(nullptr), m_pPrev(nullptr), m_lKey(lKey) {}
    CZEBNode(const CZEBNode&) = delete;
    CZEBNode& operator=(const CZEBNode&) = delete;

    virtual ~CZEBNode()
    {
        m_pNext = nullptr;
        m_pPrev = nullptr;
    }

    virtual bool operator==(A argument) const = 0;
    virtual bool operator!=(A argument) const = 0;
    virtual bool operator<(A argument) const = 0;
    virtual bool operator>(A argument) const = 0;
    virtual Value getValue() const = 0;
    // Answers false when the value was not stored.
    virtual bool setValue(A argument) = 0;

    CZEBNode* m_pNext;
    CZEBNode* m_pPrev;
    LONG m_lKey;
};

// Holds its own copy of an object.
template <class T> class CZEBObjNode : public CZEBNode<const T&>
{
public:
    using ValueType = T;

    explicit CZEBObjNode(const T& object, LONG lKey = 0)
        : CZEBNode<const T&>(lKey), m_object(object)
    {
    }

    bool operator==(const T& argument) const override { return m_object == argument; }
    bool operator!=(const T& argument) const override { return m_object != argument; }
    bool operator<(const T& argument) const override { return zebObjectLess(m_object, argument); }
    bool operator>(const T& argument) const override
    {
        return zebObjectGreater(m_object, argument);
    }
    const T* getValue() const override { return &m_object; }
    bool setValue(const T& argument) override
    {
        m_object = argument;
        return true;
    }

    // The held object as a comparison argument.
    const T& getArgument() const { return m_object; }

    T m_object;
};

// Owns a heap object (made with new) and deletes it. Comparisons compare the objects; a
// node without an object equals only another node without one and orders with nothing.
template <class T> class CZEBPtrNode : public CZEBNode<const T*>
{
public:
    using ValueType = T;

    explicit CZEBPtrNode(T* pPointer, LONG lKey = 0)
        : CZEBNode<const T*>(lKey), m_pPointer(pPointer)
    {
    }

    ~CZEBPtrNode() override { releasePointer(); }

    bool operator==(const T* pArgument) const override
    {
        if (!m_pPointer || !pArgument)
            return !m_pPointer && !pArgument;
        return *m_pPointer == *pArgument;
    }
    bool operator!=(const T* pArgument) const override { return !(*this == pArgument); }
    bool operator<(const T* pArgument) const override
    {
        return m_pPointer && pArgument && zebObjectLess(*m_pPointer, *pArgument);
    }
    bool operator>(const T* pArgument) const override
    {
        return m_pPointer && pArgument && zebObjectGreater(*m_pPointer, *pArgument);
    }
    const T* getValue() const override { return m_pPointer; }

    // Takes ownership of pArgument and deletes the object held before; a null pointer is
    // refused (false, nothing changes).
    bool setValue(const T* pArgument) override
    {
        if (!pArgument)
            return false;
        if (pArgument != m_pPointer)
        {
            releasePointer();
            m_pPointer = const_cast<T*>(pArgument);
        }
        return true;
    }

    const T* getArgument() const { return m_pPointer; }

    T* m_pPointer;

private:
    // Deletes the held object and clears the pointer, whatever the object's destructor does.
    void releasePointer() noexcept
    {
        T* pPointer = m_pPointer;
        m_pPointer = nullptr;
        try
        {
            delete pPointer;
        }
        catch (...)
        {
            try
            {
                CMemDestroyFailWarning warning(ZEB_W("m_pPointer"), ZEB_DBLLIST_SOURCE, __LINE__,
                                               OUTPUT_TEXT, true, false);
            }
            catch (...)
            {
            }
        }
    }
};

// Holds a plain value (an enumeration or an integer).
template <class T> class CZEBStdNode : public CZEBNode<T>
{
public:
    using ValueType = T;

    explicit CZEBStdNode(T value, LONG lKey = 0) : CZEBNode<T>(lKey), m_value(value) {}

    bool operator==(T argument) const override { return m_value == argument; }
    bool operator!=(T argument) const override { return m_value != argument; }
    bool operator<(T argument) const override { return m_value < argument; }
    bool operator>(T argument) const override { return m_value > argument; }
    T getValue() const override { return m_value; }
    bool setValue(T argument) override
    {
        m_value = argument;
        return true;
    }

    T getArgument() const { return m_value; }

    T m_value;
};

// Whether a node kind owns a heap object (decides how a list copies its nodes).
template <class TNode> struct ZebIsPointerNode : std::false_type
{
};
template <class T> struct ZebIsPointerNode<CZEBPtrNode<T>> : std::true_type
{
};

// Builds a node of exactly type TNode in zeroed library memory; null when the memory
// cannot be allocated. An exception of the node's constructor propagates after the memory
// has been released.
template <class TNode, class... Args> TNode* zebNewNode(Args&&... args)
{
    void* pMemory = zebAllocateZeroed(sizeof(TNode));
    if (!pMemory)
        return nullptr;
    try
    {
        return new (pMemory) TNode(std::forward<Args>(args)...);
    }
    catch (...)
    {
        zebReleaseZeroed(pMemory, sizeof(TNode));
        throw;
    }
}

// Destroys a node made by zebNewNode<TNode> and zeroes and releases its memory. A null node
// is deleted successfully; false when the memory could not be released.
template <class TNode> bool zebDeleteNode(TNode* pNode)
{
    if (!pNode)
        return true;
    pNode->~TNode();
    return zebReleaseZeroed(pNode, sizeof(TNode));
}

// ---- The list ----

template <class T, class TNode = CZEBObjNode<T>> class CZEBDblList
{
public:
    static constexpr bool s_bPointerNodes = ZebIsPointerNode<TNode>::value;

    CZEBDblList() : m_pHead(nullptr), m_pTail(nullptr), m_pCursor(nullptr), m_ulCount(0) {}

    // Copies other's nodes as operator= does; never shares them.
    CZEBDblList(const CZEBDblList& other)
        : m_pHead(nullptr), m_pTail(nullptr), m_pCursor(nullptr), m_ulCount(0)
    {
        *this = other;
    }

    // Not virtual: lists are never deleted through a base pointer.
    ~CZEBDblList() { clear(); }

    // Deletes every node from the head; a node that cannot be released is logged and the walk
    // goes on. The list is empty afterwards; false only when something unexpected stopped it.
    bool clear()
    {
        const bool bResult =
            zebGuarded(false, zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
                       [&]
                       {
                           while (m_pHead)
                           {
                               TNode* pTempCursor = m_pHead;
                               m_pHead = nextOf(pTempCursor);
                               pTempCursor->m_pNext = nullptr;
                               pTempCursor->m_pPrev = nullptr;
                               if (!zebDeleteNode(pTempCursor))
                                   CMemDestroyFailWarning(ZEB_W("pTempCursor"), ZEB_DBLLIST_SOURCE,
                                                          __LINE__, OUTPUT_TEXT, true, false);
                           }
                           return true;
                       });
        m_pHead = nullptr;
        m_pTail = nullptr;
        m_pCursor = nullptr;
        m_ulCount = 0;
        return bResult;
    }

    // Appends a node made by zebNewNode<TNode>; the list owns it from then on. Into an empty
    // list it becomes head, tail and cursor; otherwise the cursor stays where it is. Null,
    // and a pointer node without an object, are refused.
    bool addNode(TNode* pNewNode)
    {
        return zebGuarded(false, zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
                          [&]
                          {
                              if (!pNewNode)
                                  return false;
                              if constexpr (s_bPointerNodes)
                                  if (!pNewNode->m_pPointer)
                                      return false;
                              link(pNewNode);
                              return true;
                          });
    }

    // Object and value node lists: appends a node holding a copy of value with key lKey.
    bool add(const T& value, LONG lKey)
    {
        static_assert(!s_bPointerNodes, "pointer node lists take addPointer");
        return zebGuarded(false, zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
                          [&]
                          {
                              TNode* pNewNode = zebNewNode<TNode>(value, lKey);
                              if (!pNewNode)
                                  throw CZEBMemAllocException(ZEB_W("pNewNode"), ZEB_DBLLIST_SOURCE,
                                                              __LINE__, OUTPUT_TEXT, true, false);
                              link(pNewNode);
                              return true;
                          });
    }

    // Pointer node lists: appends a node with key 0 that owns pPointer (made with new). On
    // false the caller still owns the object. A null pointer is refused.
    bool addPointer(T* pPointer)
    {
        static_assert(s_bPointerNodes, "only pointer node lists take addPointer");
        return zebGuarded(false, zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
                          [&]
                          {
                              if (!pPointer)
                                  return false;
                              TNode* pNewNode = zebNewNode<TNode>(pPointer, 0);
                              if (!pNewNode)
                                  throw CZEBMemAllocException(ZEB_W("pNewNode"), ZEB_DBLLIST_SOURCE,
                                                              __LINE__, OUTPUT_TEXT, true, false);
                              link(pNewNode);
                              return true;
                          });
    }

    DWORD getCount() const { return m_ulCount; }

    // Cursor to the head; false when the list is empty.
    bool moveFirst()
    {
        m_pCursor = m_pHead;
        return m_pCursor != nullptr;
    }

    // Cursor to its successor; false, the cursor staying, on the last node or without one.
    bool moveNext()
    {
        if (!m_pCursor || !m_pCursor->m_pNext)
            return false;
        m_pCursor = nextOf(m_pCursor);
        return true;
    }

    // Copies the cursor node's object or value into value; false (value untouched) without
    // a cursor, or on a pointer node without an object.
    bool getCurrent(T& value) const
    {
        return zebGuarded(false, zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
                          [&]
                          {
                              if (!m_pCursor)
                                  return false;
                              if constexpr (s_bPointerNodes)
                              {
                                  if (!m_pCursor->m_pPointer)
                                      return false;
                                  value = *m_pCursor->m_pPointer;
                              }
                              else
                                  value = m_pCursor->getArgument();
                              return true;
                          });
    }

    // Pointer node lists: the cursor node's pointer; the node keeps ownership.
    bool getCurrentPointer(T*& pPointer) const
    {
        static_assert(s_bPointerNodes, "only pointer node lists hold pointers");
        if (!m_pCursor)
            return false;
        pPointer = m_pCursor->m_pPointer;
        return true;
    }

    bool getCurrentKey(LONG& lKey) const
    {
        if (!m_pCursor)
            return false;
        lKey = m_pCursor->m_lKey;
        return true;
    }

    // Object and value node lists: the cursor node takes a copy of value.
    bool setCurrent(const T& value)
    {
        static_assert(!s_bPointerNodes, "pointer node lists take setCurrent(T*)");
        return zebGuarded(false, zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
                          [&] { return m_pCursor && m_pCursor->setValue(value); });
    }

    // Pointer node lists: the cursor node takes ownership of pPointer and deletes the object
    // it held before; a null pointer is refused.
    bool setCurrent(T* pPointer)
    {
        static_assert(s_bPointerNodes, "only pointer node lists hold pointers");
        return zebGuarded(false, zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
                          [&] { return m_pCursor && m_pCursor->setValue(pPointer); });
    }

    // Cursor to the first node from the head whose key is lKey. Not found: false, the cursor
    // on the last node.
    bool findKey(LONG lKey)
    {
        m_pCursor = m_pHead;
        if (!m_pCursor)
            return false;
        for (;;)
        {
            if (m_pCursor->m_lKey == lKey)
                return true;
            if (!m_pCursor->m_pNext)
                return false;
            m_pCursor = nextOf(m_pCursor);
        }
    }

    // Becomes a copy of other, node by node with the same keys; a pointer node list copies
    // the objects. Copying stops at the first failure (logged), keeping the nodes copied so
    // far. Assigning a list to itself leaves it unchanged.
    CZEBDblList& operator=(const CZEBDblList& other)
    {
        if (&other == this)
            return *this;
        zebGuardedVoid(zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
                       [&]
                       {
                           if (m_ulCount != 0)
                               clear();
                           for (const TNode* pNode = other.m_pHead; pNode; pNode = nextOf(pNode))
                               if (!copyNode(*pNode))
                                   break;
                       });
        return *this;
    }

    // Same count, and node by node equal keys and equal values.
    bool operator==(const CZEBDblList& other) const
    {
        return zebGuarded(
            false, zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
            [&]
            {
                if (m_ulCount != other.m_ulCount)
                    return false;
                const TNode* pMine = m_pHead;
                const TNode* pTheirs = other.m_pHead;
                for (; pMine && pTheirs; pMine = nextOf(pMine), pTheirs = nextOf(pTheirs))
                    if (pMine->m_lKey != pTheirs->m_lKey || !(*pMine == pTheirs->getArgument()))
                        return false;
                return !pMine && !pTheirs;
            });
    }

    TNode* m_pHead;
    TNode* m_pTail;
    TNode* m_pCursor;
    DWORD m_ulCount;

private:
    // Every node of a list is a TNode (addNode takes nothing else).
    static TNode* nextOf(const TNode* pNode) { return static_cast<TNode*>(pNode->m_pNext); }

    void link(TNode* pNewNode)
    {
        pNewNode->m_pNext = nullptr;
        pNewNode->m_pPrev = m_pTail;
        if (m_pTail)
            m_pTail->m_pNext = pNewNode;
        else
        {
            m_pHead = pNewNode;
            m_pCursor = pNewNode;
        }
        m_pTail = pNewNode;
        ++m_ulCount;
    }

    // Appends a copy of one node of another list; false (logged) when it failed.
    bool copyNode(const TNode& node)
    {
        if constexpr (s_bPointerNodes)
        {
            return zebGuarded(false, zesErrno, ZEB_DBLLIST_SOURCE, __LINE__,
                              [&]
                              {
                                  T* pCopy = node.m_pPointer ? new T(*node.m_pPointer) : nullptr;
                                  TNode* pNode = nullptr;
                                  try
                                  {
                                      pNode = zebNewNode<TNode>(pCopy, node.m_lKey);
                                  }
                                  catch (...)
                                  {
                                      delete pCopy;
                                      throw;
                                  }
                                  if (!pNode)
                                  {
                                      delete pCopy;
                                      throw CZEBMemAllocException(ZEB_W("pNode"),
                                                                  ZEB_DBLLIST_SOURCE, __LINE__,
                                                                  OUTPUT_TEXT, true, false);
                                  }
                                  link(pNode);
                                  return true;
                              });
        }
        else
            return add(node.getArgument(), node.m_lKey);
    }
};
