#include "zeb_wchar_string.h"

#include "zeb_text.h"

#define ZEB_STRING_SOURCE ZEB_W(".\\zeb_wchar_string.cpp")

namespace
{
// Storage units and text units are the same 16-bit code units.
inline const unsigned short* toUnits(LPCWSTR szText)
{
    return reinterpret_cast<const unsigned short*>(szText);
}
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

// ---- Assignment ------------------------------------------------------------

bool CZEBWCharString::assignText(LPCWSTR szText)
{
    const DWORD ulLength = zebWcsLen(szText);
    if (ulLength == 0)
        return destroy();
    // The text may live in this string's own storage: copy it out before reallocating.
    const CZEBBuffer<unsigned short> text(toUnits(szText), ulLength + 1, 0);
    if (!create(ulLength + 1))
        return false;
    copyElements(m_pBuffer, text.getBuffer(), ulLength + 1);
    return true;
}

bool CZEBWCharString::assignBuffer(const CZEBBuffer<unsigned short>& buffer)
{
    if (!buffer.isValid())
        return destroy();
    const CZEBBuffer<unsigned short> terminator(1);
    CZEBBuffer<unsigned short> text(buffer);
    if (!text.append(terminator) || !copyStorage(text))
        return false;
    // Sized length + 1; a buffer without text before its first NUL ends invalid.
    return compact();
}

bool CZEBWCharString::assignCharacter(WCHAR chCharacter)
{
    if (!create(2))
        return false;
    m_pBuffer[0] = static_cast<unsigned short>(chCharacter);
    return compact(); // the NUL character gives an invalid string
}

bool CZEBWCharString::assignNumber(DWORD ulNumber, NumberSystem asNumberSystem, WORD usWidth,
                                   bool bPrefix)
{
    // Digits are produced from the least significant end and reversed at the end.
    WCHAR szDigits[40] = {0};
    DWORD ulCount = 0;
    if (asNumberSystem == nsDec)
    {
        const bool bNegative = static_cast<int>(ulNumber) < 0;
        DWORD ulMagnitude = bNegative ? 0u - ulNumber : ulNumber;
        do
        {
            szDigits[ulCount++] = static_cast<WCHAR>('0' + ulMagnitude % 10);
            ulMagnitude /= 10;
        } while (ulMagnitude);
        if (bNegative)
            szDigits[ulCount++] = '-';
    }
    else
    {
        DWORD ulBase = 0;
        WCHAR chMarker = 0;
        switch (asNumberSystem)
        {
        case nsHex:
            ulBase = 16;
            chMarker = 'x';
            break;
        case nsBin:
            ulBase = 2;
            chMarker = 'b';
            break;
        case nsOct:
            ulBase = 8;
            chMarker = 'o';
            break;
        default:
            throw CZEBBadArgException(ZEB_W("asNumberSystem"),
                                      ZEB_W("mode isn't supported, must be hex,bin,or oct"),
                                      ZEB_STRING_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
        }
        static const char s_digits[] = "0123456789ABCDEF";
        DWORD ulValue = ulNumber;
        do
        {
            szDigits[ulCount++] = static_cast<WCHAR>(s_digits[ulValue % ulBase]);
            ulValue /= ulBase;
        } while (ulValue);
        if (usWidth)
        {
            // Pad with zeros up to the width, or keep only the lowest-order digits.
            while (ulCount < usWidth && ulCount < 32)
                szDigits[ulCount++] = '0';
            if (ulCount > usWidth)
                ulCount = usWidth;
        }
        if (bPrefix)
        {
            szDigits[ulCount++] = chMarker;
            szDigits[ulCount++] = '0';
        }
    }
    szDigits[ulCount] = 0;
    if (!assignText(szDigits))
        return false;
    return reverse();
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
    CZEBWCharString result(*this);
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

bool CZEBWCharString::contains(const CZEBWCharString& subString) const
{
    return zebGuarded(false, zesErrno, ZEB_STRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (getLength() == 0 || subString.getLength() == 0)
                              return false;
                          return zebWcsStr(getBuffer(), subString.getBuffer()) != nullptr;
                      });
}
