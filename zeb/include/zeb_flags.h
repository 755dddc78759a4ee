// CZEBFlags: a 32-bit set of bit flags, copied by value. String operations take their trim
// sides and whitespace sets as flags; policy settings turn a single flag into a table index.
#pragma once

#include "zeb_platform.h"

class CZEBFlags
{
public:
    // Implicit on purpose: a plain DWORD of flags converts where a set is expected.
    CZEBFlags(DWORD ulFlags = 0);

    bool operator==(const CZEBFlags& other) const;
    bool operator!=(const CZEBFlags& other) const;

    // True when every bit of ulFlags is set here; hasFlags(0) is true.
    bool hasFlags(DWORD ulFlags) const;

    // For a non-zero ulFlag whose bits are all set here, stores the position (0-31) of its
    // highest set bit in ulIndex. Otherwise false, ulIndex untouched.
    bool getIndex(DWORD ulFlag, DWORD& ulIndex) const;

    DWORD getFlags() const;

    DWORD m_ulFlags;
};
