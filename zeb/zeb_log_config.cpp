#include "zeb_logging.h"

#include "zeb_text.h"

#include <cstring>

namespace
{
const WCHAR s_szLogsKey[] = ZEB_W("SOFTWARE\\Kelbix\\Logs");

// Fixed read sizes, in bytes.
const DWORD cbModuleValue = 260;
const DWORD cbObjectList = 1024;

// Reads one value of the logging key into a zeroed buffer of cbSize bytes, without looking
// at its type. Answers whether the value is present (anything but "not found"); *pbRead says
// whether its bytes were delivered.
bool readLogsValue(LPCWSTR szName, void* pBuffer, DWORD cbSize, bool* pbRead)
{
    *pbRead = false;
    std::memset(pBuffer, 0, cbSize);
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, s_szLogsKey, 0, KEY_READ, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD cbData = cbSize;
    const LONG lStatus =
        RegQueryValueExW(hKey, szName, nullptr, nullptr, static_cast<LPBYTE>(pBuffer), &cbData);
    RegCloseKey(hKey);
    if (lStatus == ERROR_SUCCESS)
        *pbRead = true;
    else
        std::memset(pBuffer, 0, cbSize); // bytes of a failed read are never used
    return lStatus != ERROR_FILE_NOT_FOUND;
}

// Reads a text value; false unless it was delivered whole and is terminated within the
// buffer. *pbPresent (when given) says whether the value exists at all.
bool readLogsText(LPCWSTR szName, LPWSTR szBuffer, DWORD cbSize, bool* pbPresent = nullptr)
{
    bool bRead = false;
    const bool bPresent = readLogsValue(szName, szBuffer, cbSize, &bRead);
    if (pbPresent)
        *pbPresent = bPresent;
    if (!bRead)
        return false;
    const DWORD cchBuffer = cbSize / sizeof(WCHAR);
    for (DWORD i = 0; i < cchBuffer; ++i)
        if (szBuffer[i] == 0)
            return true;
    std::memset(szBuffer, 0, cbSize);
    return false;
}

DWORD readLogsDword(LPCWSTR szName, bool* pbRead)
{
    BYTE data[sizeof(DWORD)] = {0};
    readLogsValue(szName, data, sizeof(data), pbRead);
    return static_cast<DWORD>(data[0]) | static_cast<DWORD>(data[1]) << 8 |
           static_cast<DWORD>(data[2]) << 16 | static_cast<DWORD>(data[3]) << 24;
}
} // namespace

bool CZEBLogConfig::isLoggingEnabled() const
{
    try
    {
        bool bRead = false;
        const DWORD ulLogging = readLogsDword(ZEB_W("Logging"), &bRead);
        return bRead && ulLogging != 0;
    }
    catch (...)
    {
        return false;
    }
}

WORD CZEBLogConfig::getLogDetail() const
{
    const WORD usDefault = LS_CRITICAL | LS_EXCEPTION_BAD | LS_ERROR | LS_WARNING;
    try
    {
        bool bRead = false;
        const DWORD ulDetail = readLogsDword(ZEB_W("LogDetail"), &bRead);
        return bRead ? static_cast<WORD>(ulDetail & 0xFFFF) : usDefault;
    }
    catch (...)
    {
        return usDefault;
    }
}

bool CZEBLogConfig::hasModuleSettings(LPCWSTR szModuleName) const
{
    try
    {
        if (!szModuleName || !*szModuleName)
            return false;
        WCHAR szValue[cbModuleValue / sizeof(WCHAR)];
        bool bRead = false;
        return readLogsValue(szModuleName, szValue, sizeof(szValue), &bRead);
    }
    catch (...)
    {
        return false;
    }
}

bool CZEBLogConfig::readModuleSettings(LPCWSTR szModuleName, WORD& usOutputTypes,
                                       WORD& usLogDetail) const
{
    try
    {
        if (!szModuleName || !*szModuleName)
            return false;
        WCHAR szValue[cbModuleValue / sizeof(WCHAR)];
        if (!readLogsText(szModuleName, szValue, sizeof(szValue)))
            return false;
        LPCWSTR pComma = zebWcsStr(szValue, ZEB_W(","));
        if (!pComma)
            return false;
        // Fields are read as the C runtime reads a decimal number; text after a second
        // comma is ignored.
        usOutputTypes = static_cast<WORD>(zebWcsToL(szValue, nullptr));
        usLogDetail = static_cast<WORD>(zebWcsToL(pComma + 1, nullptr));
        return true;
    }
    catch (...)
    {
        return false;
    }
}

WORD CZEBLogConfig::getModuleOutputTypes(LPCWSTR szModuleName) const
{
    WORD usOutputTypes = 0;
    WORD usLogDetail = 0;
    return readModuleSettings(szModuleName, usOutputTypes, usLogDetail) ? usOutputTypes : 0;
}

WORD CZEBLogConfig::getModuleLogDetail(LPCWSTR szModuleName) const
{
    WORD usOutputTypes = 0;
    WORD usLogDetail = 0;
    return readModuleSettings(szModuleName, usOutputTypes, usLogDetail) ? usLogDetail : 0;
}

bool CZEBLogConfig::getOutputPath(WORD usOutputType, LPWSTR szBuffer, DWORD cbSize) const
{
    try
    {
        LPCWSTR szValueName = nullptr;
        switch (usOutputType)
        {
        case OUTPUT_TEXT:
            szValueName = ZEB_W("TextOutput");
            break;
        case OUTPUT_XML:
            szValueName = ZEB_W("XMLOutput");
            break;
        case OUTPUT_SERVER:
            szValueName = ZEB_W("ServerOutput");
            break;
        case OUTPUT_HTML:
            szValueName = ZEB_W("HTMLOutput");
            break;
        case OUTPUT_NONE:
            return true;
        case OUTPUT_UNKNOWN:
            szValueName = ZEB_W("UnknownOutput");
            break;
        default:
            return false;
        }
        if (!szBuffer || cbSize < sizeof(WCHAR))
            return false;
        return readLogsText(szValueName, szBuffer, cbSize);
    }
    catch (...)
    {
        return false;
    }
}

bool CZEBLogConfig::isObjectListed(LPCWSTR szValueName, LPCWSTR szClassName, bool& bListed) const
{
    bListed = false;
    try
    {
        WCHAR szList[cbObjectList / sizeof(WCHAR)];
        bool bPresent = false;
        // A list that cannot be read whole lists nothing.
        const bool bText = readLogsText(szValueName, szList, sizeof(szList), &bPresent);
        if (!bPresent)
            return false;
        if (bText && szClassName && *szClassName)
            bListed = zebWcsStr(szList, szClassName) != nullptr;
        return true;
    }
    catch (...)
    {
        return false;
    }
}

bool CZEBLogConfig::isObjectAllowed(LPCWSTR szClassName, bool& bListed) const
{
    return isObjectListed(ZEB_W("AllowObjects"), szClassName, bListed);
}

bool CZEBLogConfig::isObjectExcluded(LPCWSTR szClassName, bool& bListed) const
{
    return isObjectListed(ZEB_W("ExcludeObjects"), szClassName, bListed);
}
