// CZEBRegistryString: a REG_SZ value with its cached text, and CZEBRegistryStringValue, the
// record of one text value in a list (REG_SZ and REG_EXPAND_SZ). The class reads texts of up
// to 259 characters; a longer value is not read. The stored type is not checked: an
// expandable text is read unexpanded, other types as their bytes taken as text. A read does
// not mark the cache valid (only a successful write does), so getValue with the cache reads
// the registry until the object has written once.
#pragma once

#include "zeb_registry_value.h"

class CZEBRegistryStringValue
{
public:
    CZEBRegistryStringValue() = default;
    CZEBRegistryStringValue(const CZEBWCharString& szName, const CZEBWCharString& szValue)
        : m_szName(szName), m_szValue(szValue)
    {
    }
    CZEBRegistryStringValue(const CZEBRegistryStringValue& other) = default;
    // Throws when a field cannot be copied (see zebAssignWhole).
    CZEBRegistryStringValue& operator=(const CZEBRegistryStringValue& other)
    {
        if (this != &other)
        {
            zebAssignWhole(m_szName, other.m_szName);
            zebAssignWhole(m_szValue, other.m_szValue);
        }
        return *this;
    }
    bool operator==(const CZEBRegistryStringValue& other) const
    {
        return m_szName == other.m_szName && m_szValue == other.m_szValue;
    }
    bool operator!=(const CZEBRegistryStringValue& other) const { return !(*this == other); }

    CZEBWCharString m_szName;
    CZEBWCharString m_szValue;
};

class CZEBRegistryString : public CZEBRegistryValue
{
public:
    // The longest text the class reads, in characters.
    static const DWORD s_cchMaxText = 259;

    CZEBRegistryString(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName, REGSAM samDesired,
                       bool bCreate, DWORD dwOptions);
    // Empties the cache before it is released.
    ~CZEBRegistryString() override;

    bool getValue(CZEBWCharString& szValue, bool bUseCache);
    // The cache becomes the text (false, nothing written, when it cannot be copied); then it
    // is written, or with bCacheOnly only kept (no longer known to match the registry).
    bool setValue(const CZEBWCharString& szValue, bool bCacheOnly);
    // A missing value is created empty when the create flag is set.
    bool readRegistry() override;
    bool writeRegistry() override;
    // Every REG_SZ value of the key, keyed 0, 1, 2, ...
    bool enumValues(CZEBDblList<CZEBRegistryStringValue>& values);

protected:
    // Writes the cache as a value of this type; szClassName names the writer in the record.
    bool writeText(DWORD dwType, LPCWSTR szClassName);
    // Every value of dwType as a text record.
    bool enumTextValues(DWORD dwType, CZEBDblList<CZEBRegistryStringValue>& values);

    bool m_bCacheValid;
    CZEBWCharString m_szRegStringCache;
};
