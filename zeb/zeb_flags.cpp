#include "zeb_flags.h"

// The constructor, operator!=, hasFlags and getIndex are the traced operations: each body
// stays in one piece so that the method's trace scope can open at its top.

CZEBFlags::CZEBFlags(DWORD ulFlags) : m_ulFlags(ulFlags) {}

bool CZEBFlags::operator==(const CZEBFlags& other) const
{
    return m_ulFlags == other.m_ulFlags;
}

bool CZEBFlags::operator!=(const CZEBFlags& other) const
{
    return m_ulFlags != other.m_ulFlags;
}

bool CZEBFlags::hasFlags(DWORD ulFlags) const
{
    return (ulFlags & m_ulFlags) == ulFlags;
}

bool CZEBFlags::getIndex(DWORD ulFlag, DWORD& ulIndex) const
{
    if (ulFlag == 0 || !hasFlags(ulFlag))
        return false;
    // Halving down to 1 counts the position of the highest set bit.
    DWORD ulHalvings = 0;
    for (DWORD ulValue = ulFlag; ulValue != 1; ulValue /= 2)
        ++ulHalvings;
    ulIndex = ulHalvings;
    return true;
}

DWORD CZEBFlags::getFlags() const
{
    return m_ulFlags;
}
