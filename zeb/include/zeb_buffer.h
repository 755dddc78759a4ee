// CZEBBuffer<T>: an owned heap array whose element count is its allocation size. Storage is
// zero-filled when allocated and overwritten with zeros before release; copies are deep.
// All sizes and offsets count elements of T, never bytes. Every operation answers its
// failure value (false, or the unchanged reference) after the failure has been logged; only
// the constructors (CZEBBufferInitException) and operator[] (CZEBIndexOutOfBoundsException)
// let an exception reach the caller.
#pragma once

#include "zeb_guard.h"
#include "zeb_memory.h"

#include <cstdint>
#include <cstring>

#define ZEB_BUFFER_SOURCE ZEB_W(".\\zeb_buffer.h")

template <class T> class CZEBBuffer
{
public:
    explicit CZEBBuffer(DWORD ulNumElems = 0) : m_pBuffer(nullptr), m_ulNumElems(0)
    {
        if (!create(ulNumElems))
            throw CZEBBufferInitException(ZEB_BUFFER_SOURCE, __LINE__, true);
    }

    // Copies ulNumElems elements of pData to index ulOffset of a new buffer of
    // ulNumElems + ulOffset elements (the first ulOffset stay zero). Null data with a count
    // gives that many zeros; data with a count of 0 gives an empty buffer.
    CZEBBuffer(const T* pData, DWORD ulNumElems, DWORD ulOffset)
        : m_pBuffer(nullptr), m_ulNumElems(0)
    {
        try
        {
            if (ulNumElems == 0)
                return;
            if (!pData)
            {
                if (!create(ulNumElems))
                    throw CZEBBufferInitException(ZEB_BUFFER_SOURCE, __LINE__, true);
                return;
            }
            if (static_cast<uint64_t>(ulNumElems) + ulOffset > UINT32_MAX ||
                !create(ulNumElems + ulOffset))
                throw CZEBBufferInitException(ZEB_BUFFER_SOURCE, __LINE__, true);
            copyElements(m_pBuffer + ulOffset, pData, ulNumElems);
        }
        catch (CZEBLogging& record)
        {
            zebReportRecord(record);
            throw;
        }
        catch (...)
        {
            zebReportUnhandled(zesErrno, ZEB_BUFFER_SOURCE, __LINE__);
            throw CZEBBufferInitException(ZEB_BUFFER_SOURCE, __LINE__, true);
        }
    }

    CZEBBuffer(const CZEBBuffer& other) : m_pBuffer(nullptr), m_ulNumElems(0)
    {
        if (!zebGuarded(false, zesErrno, ZEB_BUFFER_SOURCE, __LINE__,
                        [&] { return copyStorage(other); }))
            throw CZEBBufferInitException(ZEB_BUFFER_SOURCE, __LINE__, true);
    }

    // Not virtual: buffers are never deleted through a base pointer.
    ~CZEBBuffer()
    {
        try
        {
            destroy();
        }
        catch (...)
        {
            zebReportUnhandled(zesErrno, ZEB_BUFFER_SOURCE, __LINE__);
        }
    }

    // Discards the contents and allocates ulNumElems zeroed elements (0: empty).
    virtual bool create(DWORD ulNumElems)
    {
        return zebGuarded(false, zesErrno, ZEB_BUFFER_SOURCE, __LINE__,
                          [&]
                          {
                              if (!destroy())
                                  return false;
                              if (ulNumElems == 0)
                                  return true;
                              const uint64_t cbSize = static_cast<uint64_t>(ulNumElems) * sizeof(T);
                              T* pBuffer = nullptr;
                              if (cbSize <= UINT32_MAX)
                                  pBuffer = static_cast<T*>(
                                      zebAllocateZeroed(static_cast<size_t>(cbSize)));
                              if (!pBuffer)
                                  throw CZEBMemAllocException(ZEB_W("m_pBuffer"), ZEB_BUFFER_SOURCE,
                                                              __LINE__, OUTPUT_TEXT, true, false);
                              m_pBuffer = pBuffer;
                              m_ulNumElems = ulNumElems;
                              return true;
                          });
    }

    // Zeroes and releases the storage; the buffer is empty afterwards whatever happened.
    virtual bool destroy()
    {
        return zebGuarded(false, zesErrno, ZEB_BUFFER_SOURCE, __LINE__,
                          [&]
                          {
                              T* pBuffer = m_pBuffer;
                              const size_t cbSize = static_cast<size_t>(m_ulNumElems) * sizeof(T);
                              m_pBuffer = nullptr;
                              m_ulNumElems = 0;
                              if (pBuffer && !zebReleaseZeroed(pBuffer, cbSize))
                              {
                                  CMemDestroyFailWarning warning(ZEB_W("m_pBuffer"),
                                                                 ZEB_BUFFER_SOURCE, __LINE__,
                                                                 OUTPUT_TEXT, true, false);
                                  return false;
                              }
                              return true;
                          });
    }

    // Keeps the leading min(old, new) elements; a grown tail is zero. On a failed
    // allocation the buffer is left empty.
    virtual bool resize(DWORD ulNumElems)
    {
        return zebGuarded(false, zesErrno, ZEB_BUFFER_SOURCE, __LINE__,
                          [&]
                          {
                              CZEBBuffer previous(*this);
                              if (!create(ulNumElems))
                                  return false;
                              const DWORD ulKeep = previous.m_ulNumElems < ulNumElems
                                                       ? previous.m_ulNumElems
                                                       : ulNumElems;
                              copyElements(m_pBuffer, previous.m_pBuffer, ulKeep);
                              return true;
                          });
    }

    void zero()
    {
        if (m_pBuffer)
            std::memset(m_pBuffer, 0, static_cast<size_t>(m_ulNumElems) * sizeof(T));
    }

    // Becomes a deep copy of other (empty when other is).
    CZEBBuffer& copy(const CZEBBuffer& other)
    {
        zebGuardedVoid(zesErrno, ZEB_BUFFER_SOURCE, __LINE__, [&] { copyStorage(other); });
        return *this;
    }

    CZEBBuffer& operator=(const CZEBBuffer& other) { return copy(other); }

    // Grows by other's count and copies other's elements there; an empty other is nothing to
    // do.
    bool append(const CZEBBuffer& other)
    {
        return other.m_ulNumElems == 0 || appendAt(other, m_ulNumElems);
    }

    // Writes other at ulOffset and ends the buffer right after it, dropping any older tail.
    bool appendAt(const CZEBBuffer& other, DWORD ulOffset)
    {
        return zebGuarded(
            false, zesErrno, ZEB_BUFFER_SOURCE, __LINE__,
            [&]
            {
                if (ulOffset > m_ulNumElems)
                    throw CZEBBadArgException(
                        ZEB_W("ulOffset"),
                        ZEB_W("can't append a buffer at an offset past the bounds of this buffer"),
                        nullptr, 0, OUTPUT_TEXT, true, false);
                if (&other == this)
                {
                    const CZEBBuffer source(other);
                    return appendAt(source, ulOffset);
                }
                if (static_cast<uint64_t>(ulOffset) + other.m_ulNumElems > UINT32_MAX)
                    throw CZEBMemAllocException(ZEB_W("m_pBuffer"), ZEB_BUFFER_SOURCE, __LINE__,
                                                OUTPUT_TEXT, true, false);
                if (!resize(ulOffset + other.m_ulNumElems))
                    return false;
                return write(other, ulOffset, false);
            });
    }

    // Copies other over the elements from ulOffset; when it does not fit, bGrow extends the
    // buffer as appendAt does, otherwise the write fails.
    bool write(const CZEBBuffer& other, DWORD ulOffset, bool bGrow)
    {
        return zebGuarded(
            false, zesErrno, ZEB_BUFFER_SOURCE, __LINE__,
            [&]
            {
                if (other.m_ulNumElems == 0)
                    throw CZEBBadArgException(
                        ZEB_W("buffer"), ZEB_W("buffer is of zero size - can't write"),
                        ZEB_BUFFER_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                if (static_cast<uint64_t>(ulOffset) + other.m_ulNumElems <= m_ulNumElems)
                {
                    if (&other != this)
                        copyElements(m_pBuffer + ulOffset, other.m_pBuffer, other.m_ulNumElems);
                    return true;
                }
                if (bGrow)
                    return appendAt(other, ulOffset);
                throw CZEBBadArgException(ZEB_W("buffer"),
                                          ZEB_W("buffer + offset will overrun this buffer"),
                                          ZEB_BUFFER_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            });
    }

    // Reads ulNumElems elements from ulOffset into out (emptied first). When the range runs
    // past the end, ulNumElems is set to the count left after ulOffset and the read fails.
    bool read(CZEBBuffer& out, DWORD ulOffset, DWORD& ulNumElems) const
    {
        return zebGuarded(false, zesErrno, ZEB_BUFFER_SOURCE, __LINE__,
                          [&]
                          {
                              if (&out == this)
                              {
                                  CZEBBuffer result;
                                  const bool bRead = read(result, ulOffset, ulNumElems);
                                  out.copy(result);
                                  return bRead && out.m_ulNumElems == result.m_ulNumElems;
                              }
                              out.destroy();
                              if (ulNumElems == 0)
                                  return true;
                              if (static_cast<uint64_t>(ulOffset) + ulNumElems > m_ulNumElems)
                              {
                                  ulNumElems = m_ulNumElems - ulOffset;
                                  throw CZEBBadArgException(
                                      ZEB_W("ulNumElems + ulOffset"),
                                      ZEB_W("can't read more elements than are in this buffer"),
                                      ZEB_BUFFER_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                              }
                              if (!out.create(ulNumElems))
                                  return false;
                              copyElements(out.m_pBuffer, m_pBuffer + ulOffset, ulNumElems);
                              return true;
                          });
    }

    // The same into caller memory of at least ulNumElems elements.
    bool read(T* pBuffer, DWORD ulOffset, DWORD& ulNumElems) const
    {
        return zebGuarded(false, zesErrno, ZEB_BUFFER_SOURCE, __LINE__,
                          [&]
                          {
                              if (!pBuffer)
                                  throw CZEBBadArgException(
                                      ZEB_W("pBuffer"), ZEB_W("value is NULL"), ZEB_BUFFER_SOURCE,
                                      __LINE__, OUTPUT_TEXT, true, false);
                              CZEBBuffer elements;
                              if (!read(elements, ulOffset, ulNumElems))
                                  return false;
                              copyElements(pBuffer, elements.m_pBuffer, elements.m_ulNumElems);
                              return true;
                          });
    }

    // Bounds-checked element access; an index past the end throws to the caller.
    T& operator[](DWORD ulIndex)
    {
        if (ulIndex >= m_ulNumElems)
            throw CZEBIndexOutOfBoundsException(ZEB_BUFFER_SOURCE, __LINE__);
        return m_pBuffer[ulIndex];
    }

    T operator[](DWORD ulIndex) const
    {
        if (ulIndex >= m_ulNumElems)
            throw CZEBIndexOutOfBoundsException(ZEB_BUFFER_SOURCE, __LINE__);
        return m_pBuffer[ulIndex];
    }

    CZEBBuffer& operator+=(const CZEBBuffer& other)
    {
        append(other);
        return *this;
    }

    // Equal counts and identical bytes; two empty buffers are equal.
    bool operator==(const CZEBBuffer& other) const
    {
        if (m_ulNumElems != other.m_ulNumElems)
            return false;
        return m_ulNumElems == 0 || std::memcmp(m_pBuffer, other.m_pBuffer,
                                                static_cast<size_t>(m_ulNumElems) * sizeof(T)) == 0;
    }

    bool isValid() const { return m_pBuffer != nullptr && m_ulNumElems != 0; }
    T* getBuffer() const { return m_pBuffer; }
    DWORD getNumElems() const { return m_ulNumElems; }

    // The storage's bytes in memory order (low byte of each wide element first).
    CZEBBuffer<unsigned char> toByteBuffer() const
    {
        const uint64_t cbSize = static_cast<uint64_t>(m_ulNumElems) * sizeof(T);
        if (cbSize > UINT32_MAX)
            throw CZEBBufferInitException(ZEB_BUFFER_SOURCE, __LINE__, true);
        return CZEBBuffer<unsigned char>(reinterpret_cast<const unsigned char*>(m_pBuffer),
                                         static_cast<DWORD>(cbSize), 0);
    }

    // The storage's bytes as wide elements in memory order; an odd last byte becomes the
    // low byte of the last element.
    CZEBBuffer<unsigned short> toWideBuffer() const
    {
        const uint64_t cbSize = static_cast<uint64_t>(m_ulNumElems) * sizeof(T);
        CZEBBuffer<unsigned short> wide(static_cast<DWORD>((cbSize + 1) / 2));
        if (cbSize)
            std::memcpy(wide.getBuffer(), m_pBuffer, static_cast<size_t>(cbSize));
        return wide;
    }

protected:
    // A byte copy whose returned destination is checked, as the C runtime's contract says.
    static void copyElements(T* pDestination, const T* pSource, DWORD ulNumElems)
    {
        if (ulNumElems == 0)
            return;
        void* pResult =
            std::memcpy(pDestination, pSource, static_cast<size_t>(ulNumElems) * sizeof(T));
        if (pResult != pDestination)
            throw CZEBMemoryCopyException(errno, ZEB_BUFFER_SOURCE, __LINE__, true);
    }

    // Becomes a deep copy of other; throws on failure (callers guard).
    bool copyStorage(const CZEBBuffer& other)
    {
        if (&other == this)
            return true;
        if (!create(other.m_ulNumElems))
            return false;
        copyElements(m_pBuffer, other.m_pBuffer, other.m_ulNumElems);
        return true;
    }

    T* m_pBuffer;
    DWORD m_ulNumElems;
};
