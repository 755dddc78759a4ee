// Numbers in CZEBWCharString: the number constructors in all four systems must produce
// the documented text and read back with toNumber; toNumber of arbitrary text must agree
// with a reference for plain and marked digits and for decimal text, must write its result
// only on success, and must leave the string as it was.
#include "fuzz_support.h"

#include <climits>
#include <cstdint>

using namespace zebfuzz;

namespace
{
typedef CZEBWCharString S;

const unsigned short aWhitespace[] = {0x20, 0x09, 0x0C, 0x07, 0x0A, 0x08, 0x0D, 0x0B};

bool isWhitespace(unsigned short usUnit)
{
    for (unsigned short usSpace : aWhitespace)
        if (usUnit == usSpace)
            return true;
    return false;
}

unsigned short lower(unsigned short usUnit)
{
    return usUnit >= 'A' && usUnit <= 'Z' ? static_cast<unsigned short>(usUnit + 0x20) : usUnit;
}

struct System
{
    DWORD ulSystem;
    DWORD ulBase;
    size_t ulMaxDigits;
    unsigned short usMarker; // lower case
    char chPrefix;
};

const System aSystems[] = {
    {S::nsHex, 16, 8, 'x', 'x'},
    {S::nsBin, 2, 32, 'b', 'b'},
    {S::nsOct, 8, 12, 'o', 'o'},
};

const System* systemOf(DWORD ulSystem)
{
    for (const System& system : aSystems)
        if (system.ulSystem == ulSystem)
            return &system;
    return nullptr;
}

// The digit's value in the base, or -1.
int digitValue(unsigned short usUnit, DWORD ulBase)
{
    int nValue = -1;
    if (usUnit >= '0' && usUnit <= '9')
        nValue = usUnit - '0';
    else if (lower(usUnit) >= 'a' && lower(usUnit) <= 'f')
        nValue = lower(usUnit) - 'a' + 10;
    return nValue >= 0 && static_cast<DWORD>(nValue) < ulBase ? nValue : -1;
}

bool allDigits(const Units& units, size_t ulStart, size_t ulEnd, DWORD ulBase)
{
    for (size_t i = ulStart; i < ulEnd; ++i)
        if (digitValue(units[i], ulBase) < 0)
            return false;
    return true;
}

// The value of digits [ulStart, ulEnd) reduced modulo 2^32.
DWORD digitsValue(const Units& units, size_t ulStart, size_t ulEnd, DWORD ulBase)
{
    uint64_t ullValue = 0;
    for (size_t i = ulStart; i < ulEnd; ++i)
        ullValue = (ullValue * ulBase + static_cast<uint64_t>(digitValue(units[i], ulBase))) &
                   0xFFFFFFFFull;
    return static_cast<DWORD>(ullValue);
}

Units trimmed(const Units& units)
{
    size_t ulStart = 0;
    size_t ulEnd = units.size();
    while (ulStart < ulEnd && isWhitespace(units[ulStart]))
        ++ulStart;
    while (ulEnd > ulStart && isWhitespace(units[ulEnd - 1]))
        --ulEnd;
    return Units(units.begin() + ulStart, units.begin() + ulEnd);
}

enum Verdict
{
    vdFails,
    vdValue,
    vdUnknown // a marked form the reference does not model
};

// What toNumber must answer for a valid text.
Verdict reference(const Units& text, DWORD ulSystem, DWORD& ulValue)
{
    const Units t = trimmed(text);
    if (ulSystem == S::nsDec)
    {
        const size_t ulStart = !t.empty() && t[0] == '-' ? 1 : 0;
        if (t.size() <= ulStart || !allDigits(t, ulStart, t.size(), 10))
            return vdFails;
        int64_t llValue = 0;
        for (size_t i = ulStart; i < t.size(); ++i)
        {
            llValue = llValue * 10 + (t[i] - '0');
            if (llValue > static_cast<int64_t>(INT_MAX) + 1)
                llValue = static_cast<int64_t>(INT_MAX) + 1;
        }
        if (ulStart)
            llValue = -llValue;
        if (llValue > INT_MAX)
            llValue = INT_MAX;
        ulValue = static_cast<DWORD>(static_cast<int32_t>(llValue));
        return vdValue;
    }
    const System* pSystem = systemOf(ulSystem);
    if (!pSystem)
        return vdFails;
    const DWORD ulBase = pSystem->ulBase;
    size_t ulStart = 0;
    size_t ulEnd = t.size();
    const unsigned short usSuffix = ulSystem == S::nsHex ? 'h' : pSystem->usMarker;
    if (!t.empty() && allDigits(t, 0, t.size(), ulBase))
        ; // plain digits
    else if (t.size() >= 3 && t[0] == '0' && lower(t[1]) == pSystem->usMarker &&
             allDigits(t, 2, t.size(), ulBase))
        ulStart = 2;
    else if (t.size() >= 3 && lower(t.back()) == usSuffix && allDigits(t, 0, t.size() - 1, ulBase))
        ulEnd = t.size() - 1;
    else
    {
        // Any unit that is neither a digit of the system nor one of its markers: no number.
        for (unsigned short usUnit : t)
            if (digitValue(usUnit, ulBase) < 0 && lower(usUnit) != pSystem->usMarker &&
                lower(usUnit) != usSuffix)
                return vdFails;
        return t.empty() ? vdFails : vdUnknown;
    }
    if (ulEnd - ulStart > pSystem->ulMaxDigits)
        return vdFails;
    ulValue = digitsValue(t, ulStart, ulEnd, ulBase);
    return vdValue;
}

// The text the number constructor must write.
Units formatted(DWORD ulNumber, DWORD ulSystem, WORD usWidth, bool bPrefix)
{
    Units digits;
    if (ulSystem == S::nsDec)
    {
        const int64_t llValue = static_cast<int32_t>(ulNumber);
        uint64_t ullMagnitude = llValue < 0 ? static_cast<uint64_t>(-llValue) : llValue;
        do
        {
            digits.insert(digits.begin(), static_cast<unsigned short>('0' + ullMagnitude % 10));
            ullMagnitude /= 10;
        } while (ullMagnitude);
        if (llValue < 0)
            digits.insert(digits.begin(), '-');
        return digits;
    }
    const System* pSystem = systemOf(ulSystem);
    DWORD ulValue = ulNumber;
    do
    {
        const DWORD ulDigit = ulValue % pSystem->ulBase;
        digits.insert(digits.begin(), static_cast<unsigned short>(
                                          ulDigit < 10 ? '0' + ulDigit : 'A' + ulDigit - 10));
        ulValue /= pSystem->ulBase;
    } while (ulValue);
    if (usWidth)
    {
        while (digits.size() < usWidth)
            digits.insert(digits.begin(), '0');
        if (digits.size() > usWidth)
            digits.erase(digits.begin(), digits.end() - usWidth);
    }
    if (bPrefix)
    {
        digits.insert(digits.begin(), static_cast<unsigned short>(pSystem->chPrefix));
        digits.insert(digits.begin(), '0');
    }
    return digits;
}

// toNumber must agree with the reference, write only on success and change nothing.
void checkToNumber(const CZEBWCharString& string, DWORD ulSystem)
{
    const Units before = textOf(string);
    const DWORD ulNumElems = string.getNumElems();
    const DWORD ulSentinel = 0xA5A5A5A5u;
    DWORD ulValue = ulSentinel;
    const bool bDone = string.toNumber(ulValue, static_cast<S::NumberSystem>(ulSystem));
    checkString(string);
    ZEB_FUZZ_CHECK(sameText(string, before));
    ZEB_FUZZ_CHECK(string.getNumElems() == ulNumElems);
    if (!bDone)
        ZEB_FUZZ_CHECK(ulValue == ulSentinel);
    if (!string.isValid())
    {
        ZEB_FUZZ_CHECK(!bDone);
        return;
    }
    DWORD ulExpected = 0;
    switch (reference(before, ulSystem, ulExpected))
    {
    case vdFails:
        ZEB_FUZZ_CHECK(!bDone);
        break;
    case vdValue:
        ZEB_FUZZ_CHECK(bDone);
        ZEB_FUZZ_CHECK(ulValue == ulExpected);
        break;
    case vdUnknown:
        break;
    }
}

void fuzzConstructors(Input& input)
{
    const DWORD ulNumber = input.dword();
    const DWORD ulSystem = input.mode({S::nsHex, S::nsBin, S::nsOct, S::nsDec});
    const WORD usWidth = static_cast<WORD>(input.byte() % 40);
    const bool bPrefix = input.flag();
    const bool bSupported = ulSystem == S::nsHex || ulSystem == S::nsBin || ulSystem == S::nsOct ||
                            ulSystem == S::nsDec;
    try
    {
        const CZEBWCharString number(ulNumber, static_cast<S::NumberSystem>(ulSystem), usWidth,
                                     bPrefix);
        ZEB_FUZZ_CHECK(bSupported);
        checkString(number);
        const Units expected = formatted(ulNumber, ulSystem, usWidth, bPrefix);
        ZEB_FUZZ_CHECK(sameText(number, expected));
        ZEB_FUZZ_CHECK(number.getNumElems() == expected.size() + 1);
        // Read back in its own system: the value, reduced to the digits written, unless
        // there are more digits than 32 bits hold.
        DWORD ulValue = 0;
        const bool bRead = number.toNumber(ulValue, static_cast<S::NumberSystem>(ulSystem));
        if (ulSystem == S::nsDec)
        {
            ZEB_FUZZ_CHECK(bRead && ulValue == ulNumber);
        }
        else
        {
            const System* pSystem = systemOf(ulSystem);
            const size_t ulDigits = expected.size() - (bPrefix ? 2 : 0);
            ZEB_FUZZ_CHECK(bRead == (ulDigits <= pSystem->ulMaxDigits));
            if (bRead)
                ZEB_FUZZ_CHECK(ulValue == digitsValue(expected, bPrefix ? 2 : 0, expected.size(),
                                                      pSystem->ulBase));
        }
        for (DWORD ulOther : {S::nsHex, S::nsBin, S::nsOct, S::nsDec})
            checkToNumber(number, ulOther);
    }
    catch (CZEBBufferInitException&)
    {
        ZEB_FUZZ_CHECK(!bSupported);
    }

    const int nNumber = static_cast<int>(ulNumber);
    const CZEBWCharString decimal(nNumber);
    checkString(decimal);
    ZEB_FUZZ_CHECK(sameText(decimal, formatted(ulNumber, S::nsDec, 0, false)));
    DWORD ulValue = 0;
    ZEB_FUZZ_CHECK(decimal.toNumber(ulValue, S::nsDec) && ulValue == ulNumber);
}

void fuzzText(Input& input)
{
    static const Units alphabet = {'0', '1', '0', '1', '2', '7',  '8',  '9',   'a', 'b',
                                   'f', 'A', 'B', 'F', 'g', 'x',  'X',  'h',   'H', 'o',
                                   'O', '-', '+', '.', ' ', '\t', '\n', 0x0660};
    static const Units spaces = {' ', '\t', '\n', '\r', 0x0B, 0x0C, 0x07, 0x08, 0xA0};
    Units units = input.units(3, spaces);
    const Units body = input.units(40, alphabet);
    units.insert(units.end(), body.begin(), body.end());
    const Units tail = input.units(3, spaces);
    units.insert(units.end(), tail.begin(), tail.end());
    const CZEBWCharString text = makeString(units, terminatedShape(input), input);
    checkString(text);
    for (DWORD ulSystem : {S::nsHex, S::nsBin, S::nsOct, S::nsDec})
        checkToNumber(text, ulSystem);
    checkToNumber(text, input.mode({0, 3, 16}));

    // The recognisers read only.
    const Units before = textOf(text);
    text.isNumeric(input.flag(), input.flag());
    text.isBinNumber();
    text.isOctNumber();
    text.isHexNumber();
    ZEB_FUZZ_CHECK(text.isBinDigits() ==
                   (text.isValid() && allDigits(before, 0, before.size(), 2)));
    ZEB_FUZZ_CHECK(text.isOctDigits() ==
                   (text.isValid() && allDigits(before, 0, before.size(), 8)));
    ZEB_FUZZ_CHECK(text.isHexDigits() ==
                   (text.isValid() && allDigits(before, 0, before.size(), 16)));
    ZEB_FUZZ_CHECK(sameText(text, before));
    CZEBWCharString stripped(text);
    stripped.stripNumberSystemMarker();
    checkString(stripped);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t cbData)
{
    Input input(pData, cbData);
    if (input.flag())
        fuzzConstructors(input);
    else
        fuzzText(input);
    return 0;
}
