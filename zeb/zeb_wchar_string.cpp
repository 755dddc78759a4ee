#include "zeb_wchar_string.h"

#include "zeb_method_trace.h"
#include "zeb_text.h"

#include <cstdint>

#define ZEB_STRING_SOURCE ZEB_W(".\\zeb_wchar_string.cpp")

namespace
{
// The class name of the traced string operations.
const WCHAR s_szStringClass[] = ZEB_W("CZEBWCharString");
} // namespace

namespace
{
// Storage units and text units are the same 16-bit code units.
inline const unsigned short* toUnits(LPCWSTR szText)
{
    return reinterpret_cast<const unsigned short*>(szText);
}

// The whitespace table that the bits of a whitespace set select; scanning stops at the
// sentinel.
const unsigned short s_whitespace[] = {0x0020, 0x0009, 0x000C, 0x0007, 0x000A,
                                       0x0008, 0x000D, 0x000B, 0xFFFF};

bool isWhitespaceUnit(unsigned short usUnit, const CZEBFlags& whitespace)
{
    const DWORD ulSet = whitespace.getFlags();
    for (DWORD k = 0; s_whitespace[k] != 0xFFFF; ++k)
        if ((ulSet >> k) & 1 && usUnit == s_whitespace[k])
            return true;
    return false;
}

inline unsigned short lowerUnit(unsigned short usUnit)
{
    return usUnit >= 'A' && usUnit <= 'Z' ? static_cast<unsigned short>(usUnit + 0x20) : usUnit;
}

bool isDigitOf(unsigned short usUnit, DWORD ulBase)
{
    if (ulBase == 16)
        return (usUnit >= '0' && usUnit <= '9') || (usUnit >= 'A' && usUnit <= 'F') ||
               (usUnit >= 'a' && usUnit <= 'f');
    return usUnit >= '0' && usUnit < '0' + ulBase;
}

// The value of a unit already known to be a digit of its system.
DWORD digitValue(unsigned short usUnit)
{
    if (usUnit >= 'a')
        return usUnit - 0x57u;
    if (usUnit < 'A')
        return usUnit - 0x30u;
    return usUnit - 0x37u;
}

const char s_hexDigits[] = "0123456789ABCDEF";
} // namespace

template <class Assign> void CZEBWCharString::construct(Assign&& assign)
{
    if (!zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__, std::forward<Assign>(assign)))
        throw CZEBBufferInitException(ZEB_STRING_SOURCE, __LINE__, true);
}

// ---- Construction ----------------------------------------------------------

CZEBWCharString::CZEBWCharString() : CZEBBuffer<unsigned short>(0) {}

CZEBWCharString::CZEBWCharString(LPCWSTR szText) : CZEBBuffer<unsigned short>(0)
{
    construct([&] { return assignText(szText); });
}

CZEBWCharString::CZEBWCharString(const CZEBWCharString& other) : CZEBBuffer<unsigned short>(other)
{
}

CZEBWCharString::CZEBWCharString(const CZEBBuffer<unsigned short>& buffer)
    : CZEBBuffer<unsigned short>(0)
{
    construct([&] { return assignBuffer(buffer); });
}

CZEBWCharString::CZEBWCharString(WCHAR chCharacter) : CZEBBuffer<unsigned short>(0)
{
    construct([&] { return assignCharacter(chCharacter); });
}

CZEBWCharString::CZEBWCharString(int nNumber) : CZEBBuffer<unsigned short>(0)
{
    construct([&] { return assignNumber(static_cast<DWORD>(nNumber), nsDec, 0, false); });
}

CZEBWCharString::CZEBWCharString(DWORD ulNumber, NumberSystem asNumberSystem, WORD usWidth,
                                 bool bPrefix)
    : CZEBBuffer<unsigned short>(0)
{
    construct([&] { return assignNumber(ulNumber, asNumberSystem, usWidth, bPrefix); });
}

// ---- Storage ---------------------------------------------------------------

// The new text is built in storage of its own before the old one is released, so a range
// may point into this string, and a failed allocation (logged once by the buffer) leaves
// the string unchanged.
bool CZEBWCharString::assignUnits(std::initializer_list<UnitRange> ranges)
{
    uint64_t ullTotal = 0;
    for (const UnitRange& range : ranges)
        ullTotal += range.ulCount;
    CZEBWCharString result;
    if (ullTotal != 0)
    {
        if (ullTotal >= UINT32_MAX)
            throw CZEBMemAllocException(ZEB_W("m_pBuffer"), ZEB_STRING_SOURCE, __LINE__,
                                        OUTPUT_TEXT, true, false);
        if (!result.create(static_cast<DWORD>(ullTotal) + 1))
            return false;
        DWORD ulAt = 0;
        for (const UnitRange& range : ranges)
        {
            copyElements(result.m_pBuffer + ulAt, range.pUnits, range.ulCount);
            ulAt += range.ulCount;
        }
    }
    swapStorage(result);
    return true;
}

void CZEBWCharString::swapStorage(CZEBWCharString& other)
{
    std::swap(m_pBuffer, other.m_pBuffer);
    std::swap(m_ulNumElems, other.m_ulNumElems);
}

// ---- Assignment ------------------------------------------------------------

bool CZEBWCharString::assignText(LPCWSTR szText)
{
    return assignUnits({{toUnits(szText), zebWcsLen(szText)}});
}

bool CZEBWCharString::assignBuffer(const CZEBBuffer<unsigned short>& buffer)
{
    if (!buffer.isValid())
        return destroy();
    // Sized length + 1; a buffer without text before its first NUL ends invalid.
    const unsigned short* pUnits = buffer.getBuffer();
    DWORD ulLength = 0;
    while (ulLength < buffer.getNumElems() && pUnits[ulLength])
        ++ulLength;
    return assignUnits({{pUnits, ulLength}});
}

bool CZEBWCharString::assignCharacter(WCHAR chCharacter)
{
    // The NUL character gives an invalid string.
    const unsigned short usUnit = static_cast<unsigned short>(chCharacter);
    return assignUnits({{&usUnit, usUnit ? 1u : 0u}});
}

bool CZEBWCharString::assignNumber(DWORD ulNumber, NumberSystem asNumberSystem, WORD usWidth,
                                   bool bPrefix)
{
    // The natural digits, least significant first: at most 32 (binary).
    unsigned short digits[32];
    DWORD ulNatural = 0;
    if (asNumberSystem == nsDec)
    {
        const bool bNegative = (ulNumber & 0x80000000u) != 0;
        DWORD ulMagnitude = bNegative ? 0u - ulNumber : ulNumber;
        do
        {
            digits[ulNatural++] = static_cast<unsigned short>('0' + ulMagnitude % 10);
            ulMagnitude /= 10;
        } while (ulMagnitude);
        const DWORD ulLength = ulNatural + (bNegative ? 1 : 0);
        if (!create(ulLength + 1))
            return false;
        DWORD ulAt = 0;
        if (bNegative)
            m_pBuffer[ulAt++] = '-';
        while (ulNatural)
            m_pBuffer[ulAt++] = digits[--ulNatural];
        return true;
    }
    DWORD ulBase = 0;
    unsigned short usMarker = 0;
    switch (asNumberSystem)
    {
    case nsHex:
        ulBase = 16;
        usMarker = 'x';
        break;
    case nsBin:
        ulBase = 2;
        usMarker = 'b';
        break;
    case nsOct:
        ulBase = 8;
        usMarker = 'o';
        break;
    default:
        throw CZEBBadArgException(ZEB_W("asNumberSystem"),
                                  ZEB_W("mode isn't supported, must be hex,bin,or oct"),
                                  ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
    }
    DWORD ulValue = ulNumber;
    do
    {
        digits[ulNatural++] = static_cast<unsigned short>(s_hexDigits[ulValue % ulBase]);
        ulValue /= ulBase;
    } while (ulValue);
    // A width pads with zeros up to it, or keeps only the lowest-order digits.
    const DWORD ulDigits = usWidth ? usWidth : ulNatural;
    const DWORD ulLength = ulDigits + (bPrefix ? 2 : 0);
    if (!create(ulLength + 1))
        return false;
    DWORD ulAt = 0;
    if (bPrefix)
    {
        m_pBuffer[ulAt++] = '0';
        m_pBuffer[ulAt++] = usMarker;
    }
    for (DWORD i = ulDigits; i-- > 0;)
        m_pBuffer[ulAt++] = i < ulNatural ? digits[i] : static_cast<unsigned short>('0');
    return true;
}

CZEBWCharString& CZEBWCharString::operator=(const CZEBWCharString& other)
{
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__,
                   [&]
                   {
                       if (!other.isValid())
                           destroy();
                       else
                           copy(other);
                   });
    return *this;
}

CZEBWCharString& CZEBWCharString::operator=(LPCWSTR szText)
{
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__, [&] { assignText(szText); });
    return *this;
}

CZEBWCharString& CZEBWCharString::operator=(const CZEBBuffer<unsigned short>& buffer)
{
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__, [&] { assignBuffer(buffer); });
    return *this;
}

CZEBWCharString& CZEBWCharString::operator=(WCHAR chCharacter)
{
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__, [&] { assignCharacter(chCharacter); });
    return *this;
}

// ---- Concatenation ---------------------------------------------------------

CZEBWCharString& CZEBWCharString::operator+=(const CZEBWCharString& rhs)
{
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__,
                   [&]
                   {
                       if (rhs.getLength() != 0)
                           appendAt(rhs, getLength());
                   });
    return *this;
}

CZEBWCharString CZEBWCharString::operator+(const CZEBWCharString& rhs) const
{
    // Assignment rather than the copy constructor, which would throw on a failed copy.
    CZEBWCharString result;
    result = *this;
    if (isValid() && !result.isValid())
        return result; // the copy failed (logged by the buffer): nothing to add to
    result += rhs;
    return result;
}

// ---- Comparison ------------------------------------------------------------

bool CZEBWCharString::operator==(const CZEBWCharString& other) const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!isValid() || !other.isValid())
                              return !isValid() && !other.isValid();
                          const DWORD ulLength = getLength();
                          if (ulLength != other.getLength())
                              return false;
                          return ulLength == 0 ||
                                 std::memcmp(m_pBuffer, other.m_pBuffer,
                                             ulLength * sizeof(unsigned short)) == 0;
                      });
}

bool CZEBWCharString::operator!=(const CZEBWCharString& other) const
{
    return !(*this == other);
}

bool CZEBWCharString::operator<=(const CZEBWCharString& other) const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!isValid() || !other.isValid())
                              return false;
                          const DWORD ulLength = getLength();
                          if (ulLength != other.getLength())
                              return false;
                          for (DWORD i = 0; i < ulLength; ++i)
                              if (m_pBuffer[i] != other.m_pBuffer[i])
                                  return m_pBuffer[i] < other.m_pBuffer[i];
                          return true;
                      });
}

bool CZEBWCharString::operator>=(const CZEBWCharString& other) const
{
    return other <= *this;
}

bool CZEBWCharString::operator<(const CZEBWCharString& other) const
{
    return !(*this >= other);
}

bool CZEBWCharString::operator>(const CZEBWCharString& other) const
{
    return !(*this <= other);
}

// ---- Accessors and transforms ----------------------------------------------

DWORD CZEBWCharString::getLength() const
{
    DWORD ulLength = 0;
    while (ulLength < m_ulNumElems && m_pBuffer[ulLength])
        ++ulLength;
    return ulLength;
}

LPCWSTR CZEBWCharString::getBuffer() const
{
    return reinterpret_cast<LPCWSTR>(m_pBuffer);
}

bool CZEBWCharString::compact()
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!isValid())
                              return false;
                          const DWORD ulLength = getLength();
                          if (ulLength == 0)
                              return destroy();
                          if (m_ulNumElems == ulLength + 1)
                              return true;
                          return resize(ulLength + 1);
                      });
}

bool CZEBWCharString::reverse()
{
    if (!isValid())
        return false;
    const DWORD ulLength = getLength();
    for (DWORD i = 0; i < ulLength / 2; ++i)
    {
        const unsigned short usUnit = m_pBuffer[i];
        m_pBuffer[i] = m_pBuffer[ulLength - 1 - i];
        m_pBuffer[ulLength - 1 - i] = usUnit;
    }
    return true;
}

bool CZEBWCharString::toLower()
{
    if (!isValid())
        return false;
    const DWORD ulLength = getLength();
    for (DWORD i = 0; i < ulLength; ++i)
        if (m_pBuffer[i] >= 'A' && m_pBuffer[i] <= 'Z')
            m_pBuffer[i] = static_cast<unsigned short>(m_pBuffer[i] + 0x20);
    return true;
}

// ---- Search ----------------------------------------------------------------

bool CZEBWCharString::matchesAt(const CZEBWCharString& subString, DWORD ulPos) const
{
    return std::memcmp(m_pBuffer + ulPos, subString.m_pBuffer,
                       static_cast<size_t>(subString.getLength()) * sizeof(unsigned short)) == 0;
}

bool CZEBWCharString::locate(const CZEBWCharString& subString, DWORD ulOccurrance, DWORD parseMode,
                             DWORD& ulPos) const
{
    const DWORD ulLength = getLength();
    const DWORD ulSubLength = subString.getLength();
    if (!isValid() || ulSubLength == 0 || ulSubLength > ulLength || ulOccurrance == 0 ||
        ulOccurrance > ulLength)
        return false;
    const DWORD ulLast = ulLength - ulSubLength; // the last start a match can have
    DWORD ulFound = 0;
    if (parseMode == pmForward)
    {
        for (DWORD j = 0; j <= ulLast; ++j)
            if (matchesAt(subString, j) && ++ulFound == ulOccurrance)
            {
                ulPos = j;
                return true;
            }
    }
    else if (parseMode == pmBackward)
    {
        for (DWORD j = ulLast + 1; j-- > 0;)
            if (matchesAt(subString, j) && ++ulFound == ulOccurrance)
            {
                ulPos = j;
                return true;
            }
    }
    return false;
}

bool CZEBWCharString::find(const CZEBWCharString& subString, DWORD ulOccurrance,
                           ParseMode parseMode, DWORD& ulPos) const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          const DWORD ulLength = getLength();
                          const DWORD ulSubLength = subString.getLength();
                          if (!isValid() || ulSubLength == 0 || ulSubLength > ulLength)
                              return false;
                          if (ulOccurrance > ulLength)
                              throw CZEBBadArgException(
                                  ZEB_W("ulOccurrance"),
                                  ZEB_W("value is impossible since it is larger than the length "
                                        "of this string"),
                                  ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                          if (ulOccurrance == 0)
                              throw CZEBBadArgException(
                                  ZEB_W("ulOccurrance"), ZEB_W("value must be greater than 0"),
                                  ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                          return locate(subString, ulOccurrance, parseMode, ulPos);
                      });
}

DWORD CZEBWCharString::countOccurrences(const CZEBWCharString& subString) const
{
    return zebGuarded(static_cast<DWORD>(0), zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]() -> DWORD
                      {
                          const DWORD ulLength = getLength();
                          const DWORD ulSubLength = subString.getLength();
                          if (!isValid() || ulSubLength == 0 || ulSubLength > ulLength)
                              return 0;
                          // Overlapping matches count; there are never more than the length.
                          DWORD ulCount = 0;
                          for (DWORD j = 0; j <= ulLength - ulSubLength; ++j)
                              if (matchesAt(subString, j))
                                  ++ulCount;
                          return ulCount;
                      });
}

bool CZEBWCharString::contains(const CZEBWCharString& subString) const
{
    DWORD ulPos = 0;
    return find(subString, 1, pmForward, ulPos);
}

bool CZEBWCharString::getOccurrenceAtPosition(const CZEBWCharString& subString, DWORD ulPos,
                                              ParseMode parseMode, DWORD& ulOccurrance) const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          const DWORD ulLength = getLength();
                          const DWORD ulSubLength = subString.getLength();
                          if (!isValid() || ulSubLength == 0 || ulSubLength > ulLength ||
                              ulPos > ulLength - ulSubLength || !matchesAt(subString, ulPos))
                              return false;
                          if (parseMode != pmForward && parseMode != pmBackward)
                              return false;
                          // Its number is the count of matches from the counting end up to it.
                          DWORD ulNumber = 0;
                          for (DWORD j = 0; j <= ulLength - ulSubLength; ++j)
                              if ((parseMode == pmForward ? j <= ulPos : j >= ulPos) &&
                                  matchesAt(subString, j))
                                  ++ulNumber;
                          ulOccurrance = ulNumber;
                          return true;
                      });
}

bool CZEBWCharString::getOppositeOccurrence(const CZEBWCharString& subString, DWORD ulOccurrance,
                                            ParseMode parseMode, DWORD& ulResult) const
{
    return zebGuardedCatchAll(
        false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
        [&]
        {
            if (!isValid())
                return false;
            if (subString.getLength() == 0)
                throw CZEBBadArgException(ZEB_W("subString"), ZEB_W("must contain a string"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            if (parseMode != pmForward && parseMode != pmBackward)
                throw CZEBBadArgException(ZEB_W("parseMode"), ZEB_W("invalid parse mode"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            DWORD ulPos = 0;
            if (!find(subString, ulOccurrance, parseMode, ulPos))
                return false;
            ulResult = countOccurrences(subString) - ulOccurrance + 1;
            return true;
        });
}

bool CZEBWCharString::beginsWith(const CZEBWCharString& subString) const
{
    ZebTrace trace(s_szStringClass, ZEB_W("beginsWith"), ZEB_STRING_SOURCE, __LINE__);
    return trace.logical(zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                                    [&]
                                    {
                                        DWORD ulPos = 0;
                                        return find(subString, 1, pmForward, ulPos) && ulPos == 0;
                                    }));
}

bool CZEBWCharString::endsWith(const CZEBWCharString& subString) const
{
    ZebTrace trace(s_szStringClass, ZEB_W("endsWith"), ZEB_STRING_SOURCE, __LINE__);
    return trace.logical(zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                                    [&]
                                    {
                                        DWORD ulPos = 0;
                                        return find(subString, 1, pmBackward, ulPos) &&
                                               ulPos + subString.getLength() == getLength();
                                    }));
}

// ---- Cutting ---------------------------------------------------------------

CZEBWCharString CZEBWCharString::withoutRight(DWORD ulCount) const
{
    CZEBWCharString result;
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__,
                   [&]
                   {
                       const DWORD ulLength = getLength();
                       if (ulCount == 0)
                           result = *this;
                       else if (ulCount < ulLength)
                           result.assignUnits({{m_pBuffer, ulLength - ulCount}});
                   });
    return result;
}

CZEBWCharString CZEBWCharString::withoutLeft(DWORD ulCount) const
{
    CZEBWCharString result;
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__,
                   [&]
                   {
                       const DWORD ulLength = getLength();
                       if (ulCount == 0)
                           result = *this;
                       else if (ulCount < ulLength)
                           result.assignUnits({{m_pBuffer + ulCount, ulLength - ulCount}});
                   });
    return result;
}

// In place: removing nothing keeps the storage, removing everything makes it invalid.
bool CZEBWCharString::dropRight(DWORD ulCount)
{
    const DWORD ulLength = getLength();
    if (ulCount == 0)
        return true;
    if (ulCount >= ulLength)
        return destroy();
    return assignUnits({{m_pBuffer, ulLength - ulCount}});
}

bool CZEBWCharString::dropLeft(DWORD ulCount)
{
    const DWORD ulLength = getLength();
    if (ulCount == 0)
        return true;
    if (ulCount >= ulLength)
        return destroy();
    return assignUnits({{m_pBuffer + ulCount, ulLength - ulCount}});
}

CZEBWCharString& CZEBWCharString::removeRight(DWORD ulCount)
{
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__, [&] { dropRight(ulCount); });
    return *this;
}

CZEBWCharString& CZEBWCharString::removeLeft(DWORD ulCount)
{
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__, [&] { dropLeft(ulCount); });
    return *this;
}

bool CZEBWCharString::occurrenceRange(const CZEBWCharString& subString, DWORD ulOccurrance,
                                      DWORD parseMode, bool bRemoveSubString, DWORD& ulStart,
                                      DWORD& ulCount) const
{
    if (!isValid() || (parseMode != pmForward && parseMode != pmBackward))
        return false;
    DWORD ulPos = 0;
    if (!find(subString, ulOccurrance, static_cast<ParseMode>(parseMode), ulPos))
        return false;
    const DWORD ulLength = getLength();
    const DWORD ulSubLength = subString.getLength(); // ulPos + ulSubLength <= ulLength
    if (parseMode == pmForward)
    {
        ulStart = bRemoveSubString ? ulPos + ulSubLength : ulPos;
        ulCount = ulLength - ulStart;
    }
    else
    {
        ulStart = 0;
        ulCount = bRemoveSubString ? ulPos : ulPos + ulSubLength;
    }
    return true;
}

bool CZEBWCharString::cutAtOccurrence(const CZEBWCharString& subString, DWORD ulOccurrance,
                                      ParseMode parseMode, bool bRemoveSubString)
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          DWORD ulStart = 0, ulCount = 0;
                          if (!occurrenceRange(subString, ulOccurrance, parseMode, bRemoveSubString,
                                               ulStart, ulCount))
                              return false;
                          return assignUnits({{m_pBuffer + ulStart, ulCount}});
                      });
}

bool CZEBWCharString::parse(CZEBWCharString& result, const CZEBWCharString& subString,
                            DWORD ulOccurrance, ParseMode parseMode, bool bIncludeSubString) const
{
    return zebGuarded(
        false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
        [&]
        {
            // The same occurrence, counted from the other end, bounds the part.
            DWORD ulOpposite = 0, ulStart = 0, ulCount = 0;
            if (!getOppositeOccurrence(subString, ulOccurrance, parseMode, ulOpposite))
                return false;
            const DWORD otherMode = parseMode == pmForward ? pmBackward : pmForward;
            if (!occurrenceRange(subString, ulOpposite, otherMode, !bIncludeSubString, ulStart,
                                 ulCount))
                return false;
            return result.assignUnits({{m_pBuffer + ulStart, ulCount}});
        });
}

// ---- Ranges ----------------------------------------------------------------

bool CZEBWCharString::deleteRange(DWORD ulStartPos, DWORD ulEndPos, bool bDeleteStart,
                                  bool bDeleteEnd)
{
    return zebGuardedCatchAll(
        false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
        [&]
        {
            if (!isValid())
                return false;
            const DWORD ulLength = getLength();
            if (ulStartPos >= ulLength)
                throw CZEBBadArgException(ZEB_W("ulStartPos"),
                                          ZEB_W("start position is past the end of the string"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            if (ulEndPos >= ulLength)
                throw CZEBBadArgException(ZEB_W("ulEndPos"),
                                          ZEB_W("end position is past the end of the string"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            if (ulStartPos == ulEndPos)
                throw CZEBBadArgException(ZEB_W("ulEndPos & ulStartPos"),
                                          ZEB_W("start and end positions can't be equal"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            // Both positions are below the length, so neither + 1 overflows.
            const DWORD ulLeftEnd = bDeleteStart ? ulStartPos : ulStartPos + 1;
            const DWORD ulRightStart = bDeleteEnd ? ulEndPos + 1 : ulEndPos;
            if (ulStartPos < ulEndPos)
                return assignUnits(
                    {{m_pBuffer, ulLeftEnd}, {m_pBuffer + ulRightStart, ulLength - ulRightStart}});
            // Wrapping around the end keeps only the units from the end to the start position.
            return assignUnits({{m_pBuffer + ulRightStart, ulLeftEnd - ulRightStart}});
        });
}

bool CZEBWCharString::extractInside(CZEBWCharString& result, DWORD ulStartPos, DWORD ulEndPos,
                                    bool bIncludeStart, bool bIncludeEnd) const
{
    return zebGuardedCatchAll(
        false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
        [&]
        {
            if (ulEndPos < ulStartPos)
                throw CZEBBadArgException(ZEB_W("ulStartPos"),
                                          ZEB_W("start position can't be greater than end "
                                                "position - use extractOutside( ) or "
                                                "deleteRange( ) instead"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            if (ulEndPos == ulStartPos)
            {
                if (!bIncludeStart && !bIncludeEnd)
                    return result.destroy();
                // Bounds-tested: a position past the storage throws to the guard.
                const unsigned short usUnit = (*this)[ulStartPos];
                return result.assignUnits({{&usUnit, usUnit ? 1u : 0u}});
            }
            result = *this;
            return result.deleteRange(ulEndPos, ulStartPos, !bIncludeEnd, !bIncludeStart);
        });
}

bool CZEBWCharString::extractBetween(CZEBWCharString& result, const CZEBWCharString& startString,
                                     DWORD ulStartOccurrance, const CZEBWCharString& endString,
                                     DWORD ulEndOccurrance, bool bIncludeStart,
                                     bool bIncludeEnd) const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          DWORD ulStart = 0, ulEnd = 0;
                          if (!find(startString, ulStartOccurrance, pmForward, ulStart) ||
                              !find(endString, ulEndOccurrance, pmBackward, ulEnd))
                              return false;
                          // Both were found, so both lengths are at least 1 and each delimiter ends
                          // inside the text.
                          const DWORD ulStartLast = ulStart + startString.getLength() - 1;
                          const DWORD ulEndLast = ulEnd + endString.getLength() - 1;
                          if (bIncludeStart && bIncludeEnd)
                              return extractInside(result, ulStart, ulEndLast, true, true);
                          if (bIncludeStart)
                              return extractInside(result, ulStart, ulEnd, true, false);
                          if (bIncludeEnd)
                              return extractInside(result, ulStartLast, ulEndLast, false, true);
                          return extractInside(result, ulStartLast, ulEnd, false, false);
                      });
}

// ---- Editing ---------------------------------------------------------------

bool CZEBWCharString::insert(const CZEBWCharString& string, DWORD ulPos)
{
    return zebGuardedCatchAll(
        false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
        [&]
        {
            if (!isValid() && ulPos != 0)
                return false;
            if (!string.isValid())
                throw CZEBBadArgException(ZEB_W("string"), ZEB_W("can't insert an invalid string"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            const DWORD ulLength = getLength();
            if (ulPos > ulLength)
                throw CZEBBadArgException(ZEB_W("ulPos"), ZEB_W("position is out of string bounds"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            return assignUnits({{m_pBuffer, ulPos},
                                {string.m_pBuffer, string.getLength()},
                                {m_pBuffer + ulPos, ulLength - ulPos}});
        });
}

bool CZEBWCharString::deleteSubString(const CZEBWCharString& subString, DWORD ulOccurrance,
                                      SubStringMode subStringMode)
{
    return zebGuardedCatchAll(
        false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
        [&]
        {
            if (!isValid())
                return false;
            // Deleting this string from itself must not change the text being searched for.
            CZEBWCharString copy;
            if (&subString == this && !copy.copyStorage(subString))
                return false;
            const CZEBWCharString& search = &subString == this ? copy : subString;
            const DWORD ulCount = countOccurrences(search);
            if (ulCount == 0)
                return false;
            DWORD ulNumber = 1, ulPasses = 0;
            switch (subStringMode)
            {
            case ssmAll:
                ulPasses = ulCount;
                break;
            case ssmOccur:
                if (ulOccurrance == 0)
                    throw CZEBBadArgException(
                        ZEB_W("ulOccurrance"),
                        ZEB_W("ssmOccur mode requires ulOccurrance to be greater than 0"),
                        ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                if (ulCount < ulOccurrance)
                    throw CZEBBadArgException(
                        ZEB_W("ulOccurrance"),
                        ZEB_W("there aren't enough strings to accommodate ulOccurrance"),
                        ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                ulNumber = ulOccurrance;
                ulPasses = 1;
                break;
            case ssmNum:
                if (ulOccurrance == 0)
                    throw CZEBBadArgException(
                        ZEB_W("ulOccurrance"),
                        ZEB_W("ssmNum mode requires ulOccurrance to be greater than 0"),
                        ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                if (ulCount < ulOccurrance)
                    throw CZEBBadArgException(
                        ZEB_W("ulOccurrance"),
                        ZEB_W("there aren't enough strings to accommodate ulOccurrance"),
                        ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                ulPasses = ulOccurrance;
                break;
            default:
                throw CZEBBadArgException(ZEB_W("subStringMode"), ZEB_W("invalid mode"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            }
            const DWORD ulSubLength = search.getLength();
            for (DWORD k = 0; k < ulPasses; ++k)
            {
                // An occurrence an earlier removal consumed is skipped.
                DWORD ulPos = 0;
                if (!locate(search, ulNumber, pmForward, ulPos))
                    continue;
                const DWORD ulTail = ulPos + ulSubLength;
                if (!assignUnits({{m_pBuffer, ulPos}, {m_pBuffer + ulTail, getLength() - ulTail}}))
                    return false;
            }
            return true;
        });
}

bool CZEBWCharString::replace(const CZEBWCharString& oldString, const CZEBWCharString& newString,
                              DWORD ulOccurrance, SubStringMode subStringMode)
{
    return zebGuarded(
        false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
        [&]
        {
            if (!isValid())
                return false;
            if (!oldString.isValid())
                throw CZEBBadArgException(ZEB_W("oldString"), ZEB_W("string is invalid"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            // Arguments that are this string itself must not change while it is edited.
            CZEBWCharString oldCopy, newCopy;
            if (&oldString == this && !oldCopy.copyStorage(oldString))
                return false;
            if (&newString == this && !newCopy.copyStorage(newString))
                return false;
            const CZEBWCharString& search = &oldString == this ? oldCopy : oldString;
            const CZEBWCharString& text = &newString == this ? newCopy : newString;
            const DWORD ulCount = countOccurrences(search);
            if (ulCount == 0)
                return false;
            uint64_t ullNumber = 1;
            DWORD ulPasses = 0;
            switch (subStringMode)
            {
            case ssmAll:
                ulPasses = ulCount;
                break;
            case ssmOccur:
                if (ulOccurrance == 0)
                    throw CZEBBadArgException(
                        ZEB_W("ulOccurrance"),
                        ZEB_W("ssmOccur mode requires ulOccurrance to be greater than 0"),
                        ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                if (ulCount < ulOccurrance)
                    throw CZEBBadArgException(
                        ZEB_W("ulOccurrance"), ZEB_W("occurrance is out of bounds"),
                        ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                ullNumber = ulOccurrance;
                ulPasses = 1;
                break;
            case ssmNum:
                if (ulOccurrance == 0)
                    throw CZEBBadArgException(
                        ZEB_W("ulOccurrance"),
                        ZEB_W("ssmNum mode requires ulOccurrance to be greater than 0"),
                        ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                if (ulCount < ulOccurrance)
                    throw CZEBBadArgException(
                        ZEB_W("ulOccurrance"),
                        ZEB_W("there aren't enough strings to accommodate ulOccurrance"),
                        ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                ulPasses = ulOccurrance;
                break;
            default:
                throw CZEBBadArgException(ZEB_W("subStringMode"), ZEB_W("invalid mode"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            }
            // The numbering skips the occurrences the inserted text brings along (none
            // when the new text does not contain the old one).
            const DWORD ulStep = text.countOccurrences(search);
            const DWORD ulOldLength = search.getLength();
            const DWORD ulNewLength = text.getLength();
            for (DWORD k = 0; k < ulPasses; ++k)
            {
                DWORD ulPos = 0;
                if (ullNumber > UINT32_MAX ||
                    !locate(search, static_cast<DWORD>(ullNumber), pmForward, ulPos))
                    return k != 0; // consumed by an earlier pass: skipped
                const DWORD ulTail = ulPos + ulOldLength;
                if (!assignUnits({{m_pBuffer, ulPos},
                                  {text.m_pBuffer, ulNewLength},
                                  {m_pBuffer + ulTail, getLength() - ulTail}}))
                    return false;
                ullNumber += ulStep;
            }
            return true;
        });
}

// ---- Trimming and fields ---------------------------------------------------

bool CZEBWCharString::findNonWhitespace(const CZEBFlags& whitespace, ParseMode parseMode,
                                        DWORD& ulPos) const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!isValid())
                              return false;
                          const DWORD ulLength = getLength();
                          if (parseMode == pmForward)
                          {
                              for (DWORD i = 0; i < ulLength; ++i)
                                  if (!isWhitespaceUnit(m_pBuffer[i], whitespace))
                                  {
                                      ulPos = i;
                                      return true;
                                  }
                          }
                          else if (parseMode == pmBackward)
                          {
                              for (DWORD i = ulLength; i-- > 0;)
                                  if (!isWhitespaceUnit(m_pBuffer[i], whitespace))
                                  {
                                      ulPos = i;
                                      return true;
                                  }
                          }
                          return false;
                      });
}

bool CZEBWCharString::trim(WCHAR chTrim, const CZEBFlags& sides, const CZEBFlags& whitespace)
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!isValid())
                              return false;
                          const unsigned short usTrim = static_cast<unsigned short>(chTrim);
                          const DWORD ulLength = getLength();
                          auto trimmed = [&](unsigned short usUnit)
                          { return usUnit == usTrim || isWhitespaceUnit(usUnit, whitespace); };
                          if (sides.hasFlags(tsEnd))
                              for (DWORD i = ulLength; i-- > 0 && trimmed(m_pBuffer[i]);)
                                  m_pBuffer[i] = 0;
                          if (sides.hasFlags(tsStart))
                          {
                              DWORD ulLeading = 0;
                              while (ulLeading < ulLength && trimmed(m_pBuffer[ulLeading]))
                                  ++ulLeading;
                              return dropLeft(ulLeading);
                          }
                          return true;
                      });
}

bool CZEBWCharString::trimWhitespace(const CZEBFlags& sides, const CZEBFlags& whitespace)
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!isValid() || sides.getFlags() == 0 || whitespace.getFlags() == 0)
                              return true;
                          const DWORD ulLength = getLength();
                          // The text splits into leading whitespace [0, d), the middle [d, f] and
                          // trailing whitespace (f, L). Without any other unit the middle is the
                          // first unit alone and the rest is dropped.
                          DWORD ulFirst = 0, ulLast = 0;
                          const bool bFound = findNonWhitespace(whitespace, pmForward, ulFirst) &&
                                              findNonWhitespace(whitespace, pmBackward, ulLast);
                          if (!bFound)
                              ulFirst = ulLast = 0;
                          const bool bStart = sides.hasFlags(tsStart);
                          const bool bEnd = sides.hasFlags(tsEnd);
                          const bool bBoth = sides.hasFlags(tsBoth);
                          const DWORD ulLeading = bFound && !bStart ? ulFirst : 0;
                          const DWORD ulTrailing = bFound && !bEnd ? ulLength - ulLast - 1 : 0;
                          auto keptInMiddle = [&](DWORD i)
                          { return !(bBoth && isWhitespaceUnit(m_pBuffer[i], whitespace)); };
                          DWORD ulMiddle = 0;
                          if (ulLength != 0)
                              for (DWORD i = ulFirst; i <= ulLast; ++i)
                                  ulMiddle += keptInMiddle(i) ? 1 : 0;
                          CZEBWCharString result;
                          const uint64_t ullTotal =
                              static_cast<uint64_t>(ulLeading) + ulMiddle + ulTrailing;
                          if (ullTotal != 0)
                          {
                              if (!result.create(static_cast<DWORD>(ullTotal) + 1))
                                  return false;
                              DWORD ulAt = 0;
                              copyElements(result.m_pBuffer, m_pBuffer, ulLeading);
                              ulAt += ulLeading;
                              for (DWORD i = ulFirst; i <= ulLast; ++i)
                                  if (keptInMiddle(i))
                                      result.m_pBuffer[ulAt++] = m_pBuffer[i];
                              copyElements(result.m_pBuffer + ulAt,
                                           m_pBuffer + ulLength - ulTrailing, ulTrailing);
                          }
                          swapStorage(result);
                          return true;
                      });
}

bool CZEBWCharString::getToken(CZEBWCharString& result, const CZEBWCharString& separator,
                               DWORD ulOccurrance, TokenMode tokenMode, const CZEBFlags& sides,
                               const CZEBFlags& whitespace) const
{
    return zebGuardedCatchAll(
        false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
        [&]
        {
            if (!isValid() || !separator.isValid())
                return false;
            const DWORD ulSeparators = countOccurrences(separator);
            if (ulOccurrance == 0)
                throw CZEBBadArgException(ZEB_W("ulOccurrance"),
                                          ZEB_W("ulOccurrance must be greater than 0"),
                                          ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            if (ulSeparators < ulOccurrance - 1)
                return false;
            if (tokenMode != tmSeparated && tokenMode != tmEnclosed)
                return false;
            CZEBWCharString field;
            bool bExtracted = false;
            DWORD ulOpposite = 0;
            if (ulSeparators == 0)
                bExtracted = field.assignUnits({{m_pBuffer, getLength()}});
            else if (tokenMode == tmSeparated)
            {
                if (ulOccurrance == 1)
                    bExtracted = parse(field, separator, 1, pmForward, false);
                else if (ulOccurrance - 1 == ulSeparators)
                    bExtracted = parse(field, separator, 1, pmBackward, false);
                else
                    bExtracted =
                        getOppositeOccurrence(separator, ulOccurrance, pmForward, ulOpposite) &&
                        extractBetween(field, separator, ulOccurrance - 1, separator, ulOpposite,
                                       false, false);
            }
            else
            {
                // An enclosed field needs the separator after it.
                if (static_cast<uint64_t>(ulOccurrance) + 1 > ulSeparators)
                    return false;
                bExtracted =
                    getOppositeOccurrence(separator, ulOccurrance + 1, pmForward, ulOpposite) &&
                    extractBetween(field, separator, ulOccurrance, separator, ulOpposite, false,
                                   false);
            }
            if (!bExtracted || !field.trimWhitespace(sides, whitespace))
                return false;
            result.swapStorage(field);
            return true;
        });
}

bool CZEBWCharString::tokenize(CZEBDblList<CZEBWCharString>& list, const CZEBWCharString& separator,
                               TokenMode tokenMode, const CZEBFlags& sides,
                               const CZEBFlags& whitespace) const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!isValid() || !separator.isValid())
                              return false;
                          list.clear();
                          const DWORD ulStep = tokenMode == tmEnclosed ? 2 : 1;
                          for (uint64_t n = 1; n <= UINT32_MAX; n += ulStep)
                          {
                              CZEBWCharString field;
                              if (!getToken(field, separator, static_cast<DWORD>(n), tokenMode,
                                            sides, whitespace))
                                  break;
                              const uint64_t ullKey = (n - 1) / ulStep;
                              if (!list.add(field, static_cast<LONG>(ullKey)))
                              {
                                  list.clear();
                                  break;
                              }
                          }
                          return list.getCount() != 0;
                      });
}

// ---- Numbers ---------------------------------------------------------------

bool CZEBWCharString::isNumeric(bool bAllowNegative, bool bAllowDecimal) const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          const DWORD ulLength = getLength();
                          if (!isValid() || ulLength == 0)
                              return false;
                          bool bDecimal = false;
                          for (DWORD i = 0; i < ulLength; ++i)
                          {
                              const unsigned short usUnit = m_pBuffer[i];
                              if (usUnit >= '0' && usUnit <= '9')
                                  continue;
                              if (usUnit == '-' && i == 0 && bAllowNegative)
                                  continue;
                              if (usUnit == '.' && bAllowDecimal && !bDecimal && i != 0 &&
                                  i != ulLength - 1)
                              {
                                  bDecimal = true;
                                  continue;
                              }
                              return false;
                          }
                          return true;
                      });
}

bool CZEBWCharString::allDigits(DWORD ulBase) const
{
    if (!isValid())
        return false;
    const DWORD ulLength = getLength();
    for (DWORD i = 0; i < ulLength; ++i)
        if (!isDigitOf(m_pBuffer[i], ulBase))
            return false;
    return true;
}

bool CZEBWCharString::isBinDigits() const
{
    return allDigits(2);
}

bool CZEBWCharString::isHexDigits() const
{
    return allDigits(16);
}

bool CZEBWCharString::isOctDigits() const
{
    return allDigits(8);
}

// Exactly one marker (any case), at index 1 or last, and digits of the system around it.
bool CZEBWCharString::isMarkedNumber(unsigned short usMarker, DWORD ulBase) const
{
    if (!isValid())
        return false;
    const DWORD ulLength = getLength();
    DWORD ulMarkers = 0, ulMarkerPos = 0;
    for (DWORD i = 0; i < ulLength; ++i)
    {
        const unsigned short usUnit = lowerUnit(m_pBuffer[i]);
        if (usUnit == usMarker)
        {
            ++ulMarkers;
            ulMarkerPos = i;
        }
        else if (!isDigitOf(usUnit, ulBase))
            return false;
    }
    return ulMarkers == 1 && ulLength >= 2 && (ulMarkerPos == 1 || ulMarkerPos == ulLength - 1);
}

bool CZEBWCharString::isBinNumber() const
{
    return isMarkedNumber('b', 2);
}

bool CZEBWCharString::isOctNumber() const
{
    return isMarkedNumber('o', 8);
}

// "0x" in front or "h" last (any case), never both, and hexadecimal digits besides.
bool CZEBWCharString::isHexNumber() const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!isValid())
                              return false;
                          const DWORD ulLength = getLength();
                          DWORD ulX = 0, ulH = 0, ulFirstX = 0, ulLastH = 0;
                          for (DWORD i = 0; i < ulLength; ++i)
                          {
                              const unsigned short usUnit = lowerUnit(m_pBuffer[i]);
                              if (usUnit == 'x')
                              {
                                  if (ulX++ == 0)
                                      ulFirstX = i;
                              }
                              else if (usUnit == 'h')
                              {
                                  ++ulH;
                                  ulLastH = i;
                              }
                              else if (!isDigitOf(usUnit, 16))
                                  return false;
                          }
                          if (ulX > 1 || ulH > 1 || (ulX && ulH) || ulLength == ulX + ulH)
                              return false;
                          return (ulX == 1 && ulFirstX == 1 && m_pBuffer[0] == '0') ||
                                 (ulH == 1 && ulLastH == ulLength - 1);
                      });
}

bool CZEBWCharString::markedDigits(NumberSystem asNumberSystem, DWORD& ulStart,
                                   DWORD& ulCount) const
{
    const DWORD ulLength = getLength();
    bool bPrefix = false;
    switch (asNumberSystem)
    {
    case nsBin:
    case nsOct:
    {
        const unsigned short usMarker = asNumberSystem == nsBin ? 'b' : 'o';
        if (!isMarkedNumber(usMarker, asNumberSystem == nsBin ? 2 : 8))
            return false;
        // A two-unit text such as "1b" carries its marker last: its digit stays.
        bPrefix = ulLength > 2 && lowerUnit(m_pBuffer[1]) == usMarker;
        break;
    }
    case nsHex:
        if (!isHexNumber())
            return false;
        bPrefix = lowerUnit(m_pBuffer[1]) == 'x';
        break;
    default:
        return false;
    }
    ulStart = bPrefix ? 2 : 0;
    ulCount = bPrefix ? ulLength - 2 : ulLength - 1;
    return true;
}

bool CZEBWCharString::stripNumberSystemMarker()
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!isValid())
                              return false;
                          DWORD ulStart = 0, ulCount = 0;
                          for (NumberSystem asNumberSystem : {nsBin, nsOct, nsHex})
                              if (markedDigits(asNumberSystem, ulStart, ulCount))
                                  return assignUnits({{m_pBuffer + ulStart, ulCount}});
                          return false;
                      });
}

// On trimmed, terminated text: plain digits, or digits marked for this system only.
bool CZEBWCharString::parseDigits(DWORD& ulValue, NumberSystem asNumberSystem) const
{
    const DWORD ulLength = getLength();
    if (asNumberSystem == nsDec)
    {
        // A sign alone is no number.
        if (!isNumeric(true, false) || (ulLength == 1 && m_pBuffer[0] == '-'))
            return false;
        ulValue = static_cast<DWORD>(zebWcsToL(getBuffer(), nullptr));
        return true;
    }
    DWORD ulBase = 0, ulLimit = 0;
    LPCWSTR szArgument = nullptr;
    LPCWSTR szProblem = nullptr;
    switch (asNumberSystem)
    {
    case nsHex:
        ulBase = 16;
        ulLimit = 8;
        szArgument = ZEB_W("this string");
        szProblem = ZEB_W("too many hex digits in string - will overflow unsigned long value");
        break;
    case nsBin:
        ulBase = 2;
        ulLimit = 32;
        szArgument = ZEB_W("this");
        szProblem = ZEB_W("too many binary digits in string - will overflow unsigned long value");
        break;
    case nsOct:
        ulBase = 8;
        ulLimit = 12;
        szArgument = ZEB_W("this string");
        szProblem = ZEB_W("too many octal digits in string - will overflow unsigned long value");
        break;
    default:
        return false;
    }
    DWORD ulStart = 0, ulCount = ulLength;
    if (!allDigits(ulBase) && !markedDigits(asNumberSystem, ulStart, ulCount))
        return false;
    if (ulCount == 0)
        return false;
    if (ulCount > ulLimit)
        throw CZEBBadArgException(szArgument, szProblem, nullptr, 0, OUTPUT_TEXT, true, false);
    // Exact in 64 bits (12 octal digits need 36); the result keeps the low 32.
    uint64_t ullValue = 0;
    for (DWORD i = ulStart; i < ulStart + ulCount; ++i)
        ullValue = ullValue * ulBase + digitValue(m_pBuffer[i]);
    ulValue = static_cast<DWORD>(ullValue);
    return true;
}

bool CZEBWCharString::toNumber(DWORD& ulValue, NumberSystem asNumberSystem) const
{
    return zebGuardedCatchAll(
        false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
        [&]
        {
            if (!isValid())
                return false;
            CZEBWCharString text;
            if (!text.assignUnits({{m_pBuffer, getLength()}}) || !text.trim(' ', tsBoth, wsAll))
                return false;
            return text.parseDigits(ulValue, asNumberSystem);
        });
}

// ---- Character-code dumps --------------------------------------------------

void CZEBWCharString::writeAsciiCodes(CZEBWCharString& result) const
{
    if (!isValid())
    {
        result.destroy();
        return;
    }
    // Two digits per byte and a space between bytes.
    const uint64_t ullBytes = static_cast<uint64_t>(m_ulNumElems) * 2;
    const uint64_t ullUnits = ullBytes * 3;
    if (ullUnits >= UINT32_MAX)
        throw CZEBMemAllocException(ZEB_W("m_pBuffer"), ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT,
                                    true, false);
    CZEBWCharString text;
    if (!text.create(static_cast<DWORD>(ullUnits)))
        return;
    for (size_t i = 0; i < static_cast<size_t>(ullBytes); ++i)
    {
        const unsigned short usUnit = m_pBuffer[i / 2];
        const unsigned usByte = i % 2 ? usUnit >> 8 : usUnit & 0xFF;
        text.m_pBuffer[3 * i] = static_cast<unsigned short>(s_hexDigits[usByte >> 4]);
        text.m_pBuffer[3 * i + 1] = static_cast<unsigned short>(s_hexDigits[usByte & 0xF]);
        if (i + 1 < ullBytes)
            text.m_pBuffer[3 * i + 2] = ' ';
    }
    result.swapStorage(text);
}

CZEBWCharString CZEBWCharString::getAsciiCodeString() const
{
    ZebTrace trace(s_szStringClass, ZEB_W("getAsciiCodeString"), ZEB_STRING_SOURCE, __LINE__);
    trace.passFail(true);
    CZEBWCharString result;
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__, [&] { writeAsciiCodes(result); });
    return result;
}

// Pairs of hexadecimal digits three units apart; the first pair that is not two digits, or
// a unit left alone at the end, ends the conversion.
void CZEBWCharString::readAsciiCodes(CZEBBuffer<unsigned char>& bytes) const
{
    const DWORD ulLength = getLength();
    DWORD ulPairs = 0;
    for (uint64_t i = 0; i + 2 <= ulLength; i += 3, ++ulPairs)
        if (!isDigitOf(m_pBuffer[i], 16) || !isDigitOf(m_pBuffer[i + 1], 16))
            break;
    if (!bytes.create(ulPairs))
        return;
    for (DWORD k = 0; k < ulPairs; ++k)
    {
        const size_t i = static_cast<size_t>(k) * 3;
        bytes.getBuffer()[k] = static_cast<unsigned char>(digitValue(m_pBuffer[i]) * 16 +
                                                          digitValue(m_pBuffer[i + 1]));
    }
}

CZEBBuffer<unsigned char> CZEBWCharString::getBufferFromAsciiCodeString() const
{
    ZebTrace trace(s_szStringClass, ZEB_W("getBufferFromAsciiCodeString"), ZEB_STRING_SOURCE,
                   __LINE__);
    trace.passFail(true);
    CZEBBuffer<unsigned char> bytes;
    zebGuardedVoid(zesErrno, ZEB_STRING_SOURCE, __LINE__, [&] { readAsciiCodes(bytes); });
    return bytes;
}
