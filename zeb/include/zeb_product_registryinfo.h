// CZEBProductRegistryInfo: one place where a product may have recorded its installation: a
// key path below HKEY_LOCAL_MACHINE (no leading or trailing backslash) and the names of the
// values there that hold its version text and its install directory. The record reads
// nothing itself; a product asks its records in turn. The constructors throw
// CZEBBufferInitException when a string cannot be copied; nothing else throws.
#pragma once

#include "zeb_wchar_string.h"

class CZEBProductRegistryInfo
{
public:
    CZEBProductRegistryInfo(const CZEBWCharString& szKeyPath,
                            const CZEBWCharString& szVersionValueName,
                            const CZEBWCharString& szInstallPathValueName);
    CZEBProductRegistryInfo(const CZEBProductRegistryInfo& other);
    virtual ~CZEBProductRegistryInfo();

    // Key path, version value name and install-path value name from the other record.
    virtual CZEBProductRegistryInfo& operator=(const CZEBProductRegistryInfo& other);
    // The same from a record given by address; a null address changes nothing.
    virtual CZEBProductRegistryInfo& operator=(const CZEBProductRegistryInfo* pOther);

    // The three names equal, case-sensitively.
    bool operator==(const CZEBProductRegistryInfo& other) const;
    bool operator!=(const CZEBProductRegistryInfo& other) const;

    CZEBWCharString m_szKeyPath;
    CZEBWCharString m_szVersionValueName;
    CZEBWCharString m_szInstallPathValueName;
};
