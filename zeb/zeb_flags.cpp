#include "zeb_flags.h"

#include "zeb_method_trace.h"

#define ZEB_FLAGS_SOURCE ZEB_W(".\\zeb_flags.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBFlags");
}

// The constructor, operator!=, hasFlags and getIndex are traced.

CZEBFlags::CZEBFlags(DWORD ulFlags) : m_ulFlags(ulFlags)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBFlags"), ZEB_FLAGS_SOURCE, __LINE__);
    trace.passFail(true);
}

bool CZEBFlags::operator==(const CZEBFlags& other) const
{
    return m_ulFlags == other.m_ulFlags;
}

bool CZEBFlags::operator!=(const CZEBFlags& other) const
{
    ZebTrace trace(s_szClass, ZEB_W("operator!="), ZEB_FLAGS_SOURCE, __LINE__);
    return trace.logical(m_ulFlags != other.m_ulFlags);
}

bool CZEBFlags::hasFlags(DWORD ulFlags) const
{
    ZebTrace trace(s_szClass, ZEB_W("hasFlags"), ZEB_FLAGS_SOURCE, __LINE__);
    return trace.logical((ulFlags & m_ulFlags) == ulFlags);
}

bool CZEBFlags::getIndex(DWORD ulFlag, DWORD& ulIndex) const
{
    ZebTrace trace(s_szClass, ZEB_W("getIndex"), ZEB_FLAGS_SOURCE, __LINE__);
    if (ulFlag == 0 || !hasFlags(ulFlag))
        return trace.passFail(false);
    // Halving down to 1 counts the position of the highest set bit.
    DWORD ulHalvings = 0;
    for (DWORD ulValue = ulFlag; ulValue != 1; ulValue /= 2)
        ++ulHalvings;
    ulIndex = ulHalvings;
    return trace.passFail(true);
}

DWORD CZEBFlags::getFlags() const
{
    return m_ulFlags;
}
