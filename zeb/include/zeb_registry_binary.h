// CZEBRegistryBinary: a REG_BINARY value with its cached bytes, and CZEBRegistryBinaryValue,
// the record of one binary value in a list.
#pragma once

#include "zeb_registry_value.h"

class CZEBRegistryBinaryValue
{
public:
    CZEBRegistryBinaryValue() : m_bytes(0) {}
    CZEBRegistryBinaryValue(const CZEBWCharString& szName, const CZEBBuffer<unsigned char>& bytes)
        : m_szName(szName), m_bytes(bytes)
    {
    }
    CZEBRegistryBinaryValue(const CZEBRegistryBinaryValue& other) = default;
    // Throws when a field cannot be copied (see zebAssignWhole).
    CZEBRegistryBinaryValue& operator=(const CZEBRegistryBinaryValue& other)
    {
        if (this != &other)
        {
            zebAssignWhole(m_szName, other.m_szName);
            zebAssignWhole(m_bytes, other.m_bytes);
        }
        return *this;
    }
    bool operator==(const CZEBRegistryBinaryValue& other) const
    {
        return m_szName == other.m_szName && m_bytes == other.m_bytes;
    }
    bool operator!=(const CZEBRegistryBinaryValue& other) const { return !(*this == other); }

    CZEBWCharString m_szName;
    CZEBBuffer<unsigned char> m_bytes;
};

class CZEBRegistryBinary : public CZEBRegistryValue
{
public:
    // CZEBBufferInitException when the cache cannot be set up.
    CZEBRegistryBinary(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName, REGSAM samDesired,
                       bool bCreate, DWORD dwOptions);

    // The cached bytes when bUseCache is set and they are valid; otherwise the value read
    // afresh.
    bool getValue(CZEBBuffer<unsigned char>& bytes, bool bUseCache);
    // The cache becomes a copy of the bytes (false, nothing written, when they cannot be
    // copied); then they are written, or with bCacheOnly only kept.
    bool setValue(const CZEBBuffer<unsigned char>& bytes, bool bCacheOnly);
    // A missing value is created empty when the create flag is set.
    bool readRegistry() override;
    bool writeRegistry() override;
    // Every REG_BINARY value of the key, keyed 0, 1, 2, ...
    bool enumValues(CZEBDblList<CZEBRegistryBinaryValue>& values);

protected:
    bool m_bCacheValid;
    CZEBBuffer<unsigned char> m_regBinaryCache;
};
