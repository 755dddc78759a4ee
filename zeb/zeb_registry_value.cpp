#include "zeb_registry_value.h"

#include <cstring>

#define ZEB_REGVALUE_SOURCE ZEB_W(".\\zeb_registry_value.cpp")

namespace
{
// How often a read is repeated when the value grew between two queries.
const int nReadAttempts = 4;
} // namespace

CZEBRegistryValue::CZEBRegistryValue(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName,
                                     REGSAM samDesired, bool bCreate, DWORD dwOptions)
    : CZEBRegistryKey(hRootKey, szKeyPath, samDesired, bCreate, dwOptions)
{
    // A name lost in copying would silently address the default value instead.
    if (!zebGuarded(false, zesLastError, ZEB_REGVALUE_SOURCE, __LINE__,
                    [&] { return zebCopyText(m_szValueName, szValueName); }))
        throw CZEBRegKeyInitException(ZEB_REGVALUE_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
}

LONG CZEBRegistryValue::queryValue(CZEBBuffer<unsigned char>& data, DWORD& cbData, DWORD cbInitial,
                                   DWORD cbLimit)
{
    DWORD cbBuffer = cbInitial;
    for (int nAttempt = 0;; ++nAttempt)
    {
        // One zero unit more than the registry may fill.
        if (!data.create(cbBuffer + sizeof(WCHAR)))
            throw CZEBMemAllocException(ZEB_W("pData"), ZEB_REGVALUE_SOURCE, __LINE__, OUTPUT_TEXT,
                                        true, false);
        DWORD cbSize = cbBuffer;
        const LONG lResult = RegQueryValueExW(m_hKey, m_szValueName.getBuffer(), nullptr, nullptr,
                                              data.getBuffer(), &cbSize);
        if (lResult == ERROR_MORE_DATA && cbSize > cbBuffer &&
            (cbLimit == 0 || cbSize <= cbLimit) && nAttempt + 1 < nReadAttempts)
        {
            cbBuffer = cbSize;
            continue;
        }
        if (lResult != ERROR_SUCCESS)
            return lResult;
        if (cbSize > cbBuffer)
            return ERROR_MORE_DATA;
        // Whatever the registry left past the data is not part of it.
        std::memset(data.getBuffer() + cbSize, 0, data.getNumElems() - cbSize);
        cbData = cbSize;
        return lResult;
    }
}

bool CZEBRegistryValue::textFromBytes(const unsigned char* pData, DWORD cbData,
                                      CZEBWCharString& text)
{
    if (cbData == 0)
    {
        text = static_cast<LPCWSTR>(nullptr);
        return !text.isValid();
    }
    const CZEBBuffer<unsigned char> bytes(pData, cbData, 0);
    const CZEBBuffer<unsigned short> units = bytes.toWideBuffer();
    // Assignment from a buffer ends the text at its first NUL and terminates it.
    text = units;
    DWORD ulLength = 0;
    while (ulLength < units.getNumElems() && units.getBuffer()[ulLength] != 0)
        ++ulLength;
    return text.getLength() == ulLength;
}

DWORD CZEBRegistryValue::textByteCount(const CZEBWCharString& text)
{
    const DWORD ulLength = text.getLength();
    return ulLength ? (ulLength + 1) * static_cast<DWORD>(sizeof(WCHAR)) : 0;
}
