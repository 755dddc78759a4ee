// CZEBRegistryDword: a REG_DWORD value with its cached number, and CZEBRegistryDwordValue,
// the record of one DWORD value in a list. The stored type is not checked when reading: any
// value of at most four bytes is taken as those bytes (little-endian, the rest zero).
#pragma once

#include "zeb_registry_value.h"

class CZEBRegistryDwordValue
{
public:
    CZEBRegistryDwordValue() : m_dwValue(0) {}
    CZEBRegistryDwordValue(const CZEBWCharString& szName, DWORD dwValue)
        : m_szName(szName), m_dwValue(dwValue)
    {
    }
    CZEBRegistryDwordValue(const CZEBRegistryDwordValue& other) = default;
    // Throws when a field cannot be copied (see zebAssignWhole).
    CZEBRegistryDwordValue& operator=(const CZEBRegistryDwordValue& other)
    {
        if (this != &other)
        {
            zebAssignWhole(m_szName, other.m_szName);
            m_dwValue = other.m_dwValue;
        }
        return *this;
    }
    bool operator==(const CZEBRegistryDwordValue& other) const
    {
        return m_szName == other.m_szName && m_dwValue == other.m_dwValue;
    }
    bool operator!=(const CZEBRegistryDwordValue& other) const { return !(*this == other); }

    CZEBWCharString m_szName;
    DWORD m_dwValue;
};

class CZEBRegistryDword : public CZEBRegistryValue
{
public:
    CZEBRegistryDword(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName, REGSAM samDesired,
                      bool bCreate, DWORD dwOptions);

    // The cache when bUseCache is set and it is valid; otherwise the value read afresh.
    bool getValue(DWORD& dwValue, bool bUseCache);
    // Stores the number in the cache and writes it, or with bCacheOnly only stores it
    // (the cache is then no longer known to match the registry).
    bool setValue(DWORD dwValue, bool bCacheOnly);
    // A missing value is created with 0 when the create flag is set. A value longer than
    // four bytes is not read.
    bool readRegistry() override;
    bool writeRegistry() override;
    // Every REG_DWORD value of the key, keyed 0, 1, 2, ...
    bool enumValues(CZEBDblList<CZEBRegistryDwordValue>& values);

protected:
    bool m_bCacheValid;
    DWORD m_dwRegDwordCache;
};
