// CZEBRegistryMultiString: a REG_MULTI_SZ value with its cached list of texts, and
// CZEBRegistryMultiStringValue, the record of one such value in a list. The data is UTF-16LE
// texts, each followed by one NUL, and one more NUL after the last; an empty list is zero
// bytes. Reading ends at an empty text (two NULs in a row) or at the end of the data, which
// also ends a last text stored without its NUL.
#pragma once

#include "zeb_registry_value.h"

class CZEBRegistryMultiStringValue
{
public:
    CZEBRegistryMultiStringValue() = default;
    CZEBRegistryMultiStringValue(const CZEBWCharString& szName,
                                 const CZEBDblList<CZEBWCharString>& values)
        : m_szName(szName), m_values(values)
    {
    }
    CZEBRegistryMultiStringValue(const CZEBRegistryMultiStringValue& other) = default;
    // Throws when a field cannot be copied (see zebAssignWhole).
    CZEBRegistryMultiStringValue& operator=(const CZEBRegistryMultiStringValue& other)
    {
        if (this != &other)
        {
            zebAssignWhole(m_szName, other.m_szName);
            zebAssignWhole(m_values, other.m_values);
        }
        return *this;
    }
    bool operator==(const CZEBRegistryMultiStringValue& other) const
    {
        return m_szName == other.m_szName && m_values == other.m_values;
    }
    bool operator!=(const CZEBRegistryMultiStringValue& other) const { return !(*this == other); }

    CZEBWCharString m_szName;
    CZEBDblList<CZEBWCharString> m_values;
};

class CZEBRegistryMultiString : public CZEBRegistryValue
{
public:
    CZEBRegistryMultiString(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName,
                            REGSAM samDesired, bool bCreate, DWORD dwOptions);

    // The cached list when bUseCache is set and it is valid; otherwise the value read afresh.
    bool getValue(CZEBDblList<CZEBWCharString>& values, bool bUseCache);
    // The cache becomes a copy of the list (false, nothing written, when it cannot be
    // copied); then it is written. With bCacheOnly it is only kept, and the answer is false:
    // the value is not written.
    bool setValue(const CZEBDblList<CZEBWCharString>& values, bool bCacheOnly);
    // A missing value is created as an empty list when the create flag is set.
    bool readRegistry() override;
    bool writeRegistry() override;
    // Every REG_MULTI_SZ value of the key, keyed 0, 1, 2, ...
    bool enumValues(CZEBDblList<CZEBRegistryMultiStringValue>& values);

    // The texts of multi-string data, keyed 0, 1, 2, ...; no bytes give an empty list.
    static bool parseMultiString(const unsigned char* pData, DWORD cbData,
                                 CZEBDblList<CZEBWCharString>& values);

protected:
    bool m_bCacheValid;
    CZEBDblList<CZEBWCharString> m_regMultiStringCache;
};
