// Helpers shared by the string fuzz targets: reading arguments from the fuzzer's bytes,
// building strings of every shape (invalid, empty, with a zero or garbage tail after the
// terminator), the invariants every string must keep, and naive reference versions of
// the searches.
#pragma once

#include "zeb_wchar_string.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <vector>

namespace zebfuzz
{
typedef std::vector<unsigned short> Units;

// Stops the run at a broken invariant; the fuzzer records the input as a crash.
#define ZEB_FUZZ_CHECK(condition)                                                                  \
    do                                                                                             \
    {                                                                                              \
        if (!(condition))                                                                          \
        {                                                                                          \
            std::fprintf(stderr, "invariant broken at %s:%d: %s\n", __FILE__, __LINE__,            \
                         #condition);                                                              \
            __builtin_trap();                                                                      \
        }                                                                                          \
    } while (0)

// The fuzzer's bytes as a stream of arguments; an exhausted stream answers zeros.
class Input
{
public:
    Input(const uint8_t* pData, size_t cbData) : m_pData(pData), m_cbData(cbData) {}

    bool empty() const { return m_cbData == 0; }

    uint8_t byte()
    {
        if (m_cbData == 0)
            return 0;
        --m_cbData;
        return *m_pData++;
    }
    bool flag() { return (byte() & 1) != 0; }
    unsigned short unit() { return static_cast<unsigned short>(byte() | (byte() << 8)); }
    DWORD dword()
    {
        DWORD ulValue = 0;
        for (int i = 0; i < 4; ++i)
            ulValue = (ulValue << 8) | byte();
        return ulValue;
    }

    // A count or position around ulLength: the interesting values (0, 1, the ends, past
    // the ends, near 2^32) and arbitrary ones.
    DWORD number(DWORD ulLength)
    {
        switch (byte() % 12)
        {
        case 0:
            return 0;
        case 1:
            return 1;
        case 2:
            return 2;
        case 3:
            return ulLength;
        case 4:
            return ulLength + 1;
        case 5:
            return ulLength ? ulLength - 1 : 0;
        case 6:
            return 0xFFFFFFFFu - (byte() % 4);
        case 7:
            return 0x80000000u;
        case 8:
            return dword();
        default:
            return ulLength ? byte() % (ulLength + 2) : byte() % 3;
        }
    }

    // A mode: usually one of the listed values, sometimes anything.
    DWORD mode(std::initializer_list<DWORD> values)
    {
        const uint8_t uChoice = byte();
        if (uChoice % 8 == 7)
            return uChoice < 128 ? uChoice % 8 : dword();
        return values.begin()[uChoice % values.size()];
    }

    // Units of a text: from the small alphabet (so that matches are frequent) or, now and
    // then, any 16-bit unit other than NUL.
    Units units(size_t ulMaxUnits, const Units& alphabet)
    {
        Units units;
        const size_t ulCount = byte() % (ulMaxUnits + 1);
        for (size_t i = 0; i < ulCount && !empty(); ++i)
        {
            const uint8_t uChoice = byte();
            unsigned short usUnit = 0;
            if (uChoice >= 0xF0)
                usUnit = unit();
            else
                usUnit = alphabet[uChoice % alphabet.size()];
            units.push_back(usUnit ? usUnit : 1);
        }
        return units;
    }

private:
    const uint8_t* m_pData;
    size_t m_cbData;
};

// The string's storage as units (null when it has none).
inline const unsigned short* storageOf(const CZEBWCharString& string)
{
    return static_cast<const CZEBBuffer<unsigned short>&>(string).getBuffer();
}

// The units before the first NUL (all of them in storage without a terminator).
inline Units textOf(const CZEBWCharString& string)
{
    Units units;
    const unsigned short* pUnits = storageOf(string);
    for (DWORD i = 0; pUnits && i < string.getNumElems() && pUnits[i] != 0; ++i)
        units.push_back(pUnits[i]);
    return units;
}

// A valid string keeps a NUL inside its storage and its length before it; an invalid
// string has no storage, no text and length 0.
inline void checkString(const CZEBWCharString& string)
{
    if (!string.isValid())
    {
        ZEB_FUZZ_CHECK(string.getBuffer() == nullptr);
        ZEB_FUZZ_CHECK(string.getLength() == 0);
        return;
    }
    const DWORD ulNumElems = string.getNumElems();
    const unsigned short* pUnits = storageOf(string);
    ZEB_FUZZ_CHECK(pUnits != nullptr);
    DWORD ulFirstNul = ulNumElems;
    for (DWORD i = 0; i < ulNumElems; ++i)
        if (pUnits[i] == 0)
        {
            ulFirstNul = i;
            break;
        }
    ZEB_FUZZ_CHECK(ulFirstNul < ulNumElems);
    ZEB_FUZZ_CHECK(string.getLength() == ulFirstNul);
    ZEB_FUZZ_CHECK(string.getLength() <= ulNumElems - 1);
}

inline bool sameText(const CZEBWCharString& string, const Units& units)
{
    return textOf(string) == units;
}

// Shapes of input strings.
enum Shape
{
    shInvalid,     // no storage
    shCompact,     // the text and one NUL
    shZeroTail,    // the text and several NULs
    shGarbageTail, // the text, a NUL, then units that are not NUL
    shEmptyValid,  // storage of NULs only
    shUnterminated // the text and no NUL at all (only for operations that read)
};

// Builds a string of the given shape holding units.
inline CZEBWCharString makeString(const Units& units, Shape shape, Input& input)
{
    CZEBWCharString string;
    DWORD ulTail = 0;
    switch (shape)
    {
    case shInvalid:
        return string;
    case shCompact:
        ulTail = 1;
        break;
    case shZeroTail:
    case shGarbageTail:
        ulTail = 2 + input.byte() % 3;
        break;
    case shEmptyValid:
        string.create(1 + input.byte() % 3);
        return string;
    case shUnterminated:
        if (units.empty())
            return string;
        ulTail = 0;
        break;
    }
    const DWORD ulNumElems = static_cast<DWORD>(units.size()) + ulTail;
    if (!string.create(ulNumElems))
        return string;
    for (DWORD i = 0; i < units.size(); ++i)
        string[i] = units[i];
    if (shape == shGarbageTail)
        for (DWORD i = static_cast<DWORD>(units.size()) + 1; i < ulNumElems; ++i)
            string[i] = static_cast<unsigned short>(input.byte() | 0x40);
    return string;
}

// A terminated shape chosen by the input (invalid now and then).
inline Shape terminatedShape(Input& input)
{
    switch (input.byte() % 10)
    {
    case 0:
        return shInvalid;
    case 1:
        return shEmptyValid;
    case 2:
        return shZeroTail;
    case 3:
        return shGarbageTail;
    default:
        return shCompact;
    }
}

inline bool matchesAt(const Units& text, const Units& sub, size_t ulPos)
{
    if (ulPos + sub.size() > text.size())
        return false;
    for (size_t i = 0; i < sub.size(); ++i)
        if (text[ulPos + i] != sub[i])
            return false;
    return true;
}

// The start positions of all occurrences, overlapping ones included, from the start.
inline std::vector<DWORD> occurrences(const Units& text, const Units& sub)
{
    std::vector<DWORD> positions;
    if (sub.empty() || sub.size() > text.size())
        return positions;
    for (size_t j = 0; j + sub.size() <= text.size(); ++j)
        if (matchesAt(text, sub, j))
            positions.push_back(static_cast<DWORD>(j));
    return positions;
}

// countOccurrences counted naively: overlapping matches, at most the text's length.
inline DWORD naiveCount(const Units& text, const Units& sub)
{
    const DWORD ulCount = static_cast<DWORD>(occurrences(text, sub).size());
    return ulCount < text.size() ? ulCount : static_cast<DWORD>(text.size());
}

// find counted naively; false for occurrence 0, above the length, or not present.
inline bool naiveFind(const Units& text, const Units& sub, DWORD ulOccurrance, DWORD parseMode,
                      DWORD& ulPos)
{
    const std::vector<DWORD> positions = occurrences(text, sub);
    if (ulOccurrance == 0 || ulOccurrance > text.size() || ulOccurrance > positions.size())
        return false;
    if (parseMode == CZEBWCharString::pmForward)
        ulPos = positions[ulOccurrance - 1];
    else if (parseMode == CZEBWCharString::pmBackward)
        ulPos = positions[positions.size() - ulOccurrance];
    else
        return false;
    return true;
}
} // namespace zebfuzz
