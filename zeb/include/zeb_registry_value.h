// CZEBRegistryValue: a registry key plus the name of one value in it. The concrete classes
// keep the value in a typed cache, read it (readRegistry) and write it (writeRegistry); like
// the key, a value object opens its key for each operation and closes it afterwards. Every
// operation answers false after its failure has been written once; out arguments are left
// untouched on failure. Nothing here is traced.
#pragma once

#include "zeb_registry_key.h"

class CZEBRegistryValue : public CZEBRegistryKey
{
public:
    // An empty name addresses the key's default value. When the key or the name cannot be
    // set up, the failure is written and CZEBRegKeyInitException is thrown to the caller.
    CZEBRegistryValue(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName, REGSAM samDesired,
                      bool bCreate, DWORD dwOptions);

    virtual bool readRegistry() = 0;
    virtual bool writeRegistry() = 0;

    const CZEBWCharString& getValueName() const { return m_szValueName; }

protected:
    // Reads the value's data from the open key into data, growing the buffer from cbInitial
    // bytes to what the registry reports; a value longer than cbLimit bytes (0: no limit) is
    // not read and gives ERROR_MORE_DATA. On success cbData holds the size and data has
    // cbData bytes followed by at least one zero code unit, so text in it is always
    // terminated inside the buffer. Answers the Win32 result; throws on allocation failure.
    LONG queryValue(CZEBBuffer<unsigned char>& data, DWORD& cbData, DWORD cbInitial, DWORD cbLimit);

    // The text of cbData bytes taken as UTF-16 code units (an odd last byte is the low byte
    // of a last unit), up to the first NUL or the end of the data.
    static bool textFromBytes(const unsigned char* pData, DWORD cbData, CZEBWCharString& text);

    // The raw bytes of text: its length + 1 units (text and terminator), nothing for an empty
    // text.
    static DWORD textByteCount(const CZEBWCharString& text);

    CZEBWCharString m_szValueName;
};
