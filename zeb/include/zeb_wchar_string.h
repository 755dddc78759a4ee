// CZEBWCharString: the library's one string type, NUL-terminated UTF-16 text stored in a
// CZEBBuffer<unsigned short>. A string without storage is "invalid", the normal value of an
// absent or empty text. Operations answer false (or leave the string as far as they got)
// after logging a failure; constructors throw CZEBBufferInitException when they cannot
// complete, and operator[] throws CZEBIndexOutOfBoundsException past the storage.
#pragma once

#include "zeb_buffer.h"

class CZEBWCharString : public CZEBBuffer<unsigned short>
{
public:
    enum NumberSystem
    {
        nsHex = 1,
        nsBin = 2,
        nsOct = 4,
        nsDec = 8
    };

    CZEBWCharString();
    CZEBWCharString(LPCWSTR szText);
    CZEBWCharString(const CZEBWCharString& other);
    CZEBWCharString(const CZEBBuffer<unsigned short>& buffer);
    explicit CZEBWCharString(WCHAR chCharacter);
    // Decimal text of a signed 32-bit number.
    explicit CZEBWCharString(int nNumber);
    // Text of an unsigned 32-bit number in the given system: hexadecimal (upper case),
    // binary or octal, padded with "0" to (or cut to the lowest digits of) a non-zero width,
    // with "0x", "0b" or "0o" in front when bPrefix is set; nsDec writes it as signed decimal.
    CZEBWCharString(DWORD ulNumber, NumberSystem asNumberSystem, WORD usWidth, bool bPrefix);

    CZEBWCharString& operator=(const CZEBWCharString& other);
    CZEBWCharString& operator=(LPCWSTR szText);
    CZEBWCharString& operator=(const CZEBBuffer<unsigned short>& buffer);
    CZEBWCharString& operator=(WCHAR chCharacter);

    CZEBWCharString& operator+=(const CZEBWCharString& rhs);
    CZEBWCharString operator+(const CZEBWCharString& rhs) const;

    // Both invalid: equal; exactly one invalid: different; otherwise equal lengths and units.
    bool operator==(const CZEBWCharString& other) const;
    bool operator!=(const CZEBWCharString& other) const;
    // Ordering is defined only between valid strings of equal length.
    bool operator<=(const CZEBWCharString& other) const;
    bool operator>=(const CZEBWCharString& other) const;
    bool operator<(const CZEBWCharString& other) const;
    bool operator>(const CZEBWCharString& other) const;

    // Code units before the first NUL; 0 when invalid.
    DWORD getLength() const;
    // The text; null when invalid.
    LPCWSTR getBuffer() const;
    // Shrinks the storage to length + 1; an empty text becomes invalid.
    bool compact();
    bool reverse();
    // Adds 0x20 to every unit in 'A'..'Z'; nothing else changes.
    bool toLower();
    // Whether subString occurs in the text (exact case).
    bool contains(const CZEBWCharString& subString) const;

private:
    bool assignText(LPCWSTR szText);
    bool assignBuffer(const CZEBBuffer<unsigned short>& buffer);
    bool assignCharacter(WCHAR chCharacter);
    bool assignNumber(DWORD ulNumber, NumberSystem asNumberSystem, WORD usWidth, bool bPrefix);
    // Runs an assignment for a constructor; throws CZEBBufferInitException when it failed.
    template <class Assign> void construct(Assign&& assign);
};
