#include "zeb_registry_string.h"

#include "zeb_text.h"

#define ZEB_REGSTRING_SOURCE ZEB_W(".\\zeb_registry_string.cpp")

CZEBRegistryString::CZEBRegistryString(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName,
                                       REGSAM samDesired, bool bCreate, DWORD dwOptions)
    : CZEBRegistryValue(hRootKey, szKeyPath, szValueName, samDesired, bCreate, dwOptions),
      m_bCacheValid(false)
{
}

CZEBRegistryString::~CZEBRegistryString()
{
    zebGuardedVoid(zesLastError, ZEB_REGSTRING_SOURCE, __LINE__,
                   [&]
                   {
                       m_szRegStringCache.zero();
                       m_szRegStringCache.destroy();
                   });
}

bool CZEBRegistryString::getValue(CZEBWCharString& szValue, bool bUseCache)
{
    return zebGuarded(false, zesLastError, ZEB_REGSTRING_SOURCE, __LINE__,
                      [&]
                      {
                          if (!(bUseCache && m_bCacheValid) && !readRegistry())
                              return false;
                          szValue = m_szRegStringCache;
                          return szValue == m_szRegStringCache;
                      });
}

bool CZEBRegistryString::setValue(const CZEBWCharString& szValue, bool bCacheOnly)
{
    return zebGuarded(false, zesLastError, ZEB_REGSTRING_SOURCE, __LINE__,
                      [&]
                      {
                          m_bCacheValid = false;
                          m_szRegStringCache = szValue;
                          if (m_szRegStringCache != szValue)
                              return false;
                          return bCacheOnly ? true : writeRegistry();
                      });
}

bool CZEBRegistryString::readRegistry()
{
    return zebGuarded(false, zesLastError, ZEB_REGSTRING_SOURCE, __LINE__,
                      [&]
                      {
                          CZEBOpenScope scope(*this);
                          if (!scope.isOpen())
                              return false;
                          const DWORD cbText = (s_cchMaxText + 1) * sizeof(WCHAR);
                          CZEBBuffer<unsigned char> data;
                          DWORD cbData = 0;
                          const LONG lResult = queryValue(data, cbData, cbText, cbText);
                          if (lResult == ERROR_FILE_NOT_FOUND)
                              return m_bCreate && setValue(CZEBWCharString(), false);
                          if (lResult != ERROR_SUCCESS)
                          {
                              m_bCacheValid = false;
                              return false;
                          }
                          // The data is followed by zeros inside the buffer (an odd last
                          // byte is the low byte of a last unit): the text is terminated.
                          LPCWSTR szText = reinterpret_cast<LPCWSTR>(data.getBuffer());
                          // A full buffer without a terminator is a text over the limit.
                          if (zebWcsLen(szText) > s_cchMaxText ||
                              !zebCopyText(m_szRegStringCache, szText))
                          {
                              m_bCacheValid = false;
                              return false;
                          }
                          return true;
                      });
}

bool CZEBRegistryString::writeText(DWORD dwType, LPCWSTR szClassName)
{
    m_bCacheValid = false;
    CZEBOpenScope scope(*this);
    if (!scope.isOpen())
        return false;
    // The text and its terminator, never the storage past them.
    const LONG lResult =
        RegSetValueExW(m_hKey, m_szValueName.getBuffer(), 0, dwType,
                       reinterpret_cast<const BYTE*>(m_szRegStringCache.getBuffer()),
                       textByteCount(m_szRegStringCache));
    if (lResult != ERROR_SUCCESS)
        throw CZEBRegValueSetException(m_szKeyPath.getBuffer(), m_szValueName.getBuffer(), lResult,
                                       szClassName, ZEB_W("writeRegistry"), ZEB_REGSTRING_SOURCE,
                                       __LINE__, OUTPUT_TEXT, true, false);
    m_bCacheValid = true;
    return true;
}

bool CZEBRegistryString::writeRegistry()
{
    return zebGuarded(false, zesLastError, ZEB_REGSTRING_SOURCE, __LINE__,
                      [&] { return writeText(REG_SZ, ZEB_W("CZEBRegistryValue")); });
}

bool CZEBRegistryString::enumTextValues(DWORD dwType, CZEBDblList<CZEBRegistryStringValue>& values)
{
    values.clear();
    CZEBDblList<CZEBRegistryValent> all;
    if (!queryMultipleValues(all))
        return false;
    LONG lKey = 0;
    for (bool bMore = all.moveFirst(); bMore; bMore = all.moveNext())
    {
        CZEBRegistryValent valent;
        if (!all.getCurrent(valent))
            return false;
        if (valent.m_dwType != dwType)
            continue;
        CZEBWCharString text;
        if (!textFromBytes(valent.m_data.getBuffer(), valent.m_data.getNumElems(), text) ||
            !values.add(CZEBRegistryStringValue(valent.m_szValueName, text), lKey++))
            return false;
    }
    return true;
}

bool CZEBRegistryString::enumValues(CZEBDblList<CZEBRegistryStringValue>& values)
{
    return zebGuarded(false, zesLastError, ZEB_REGSTRING_SOURCE, __LINE__,
                      [&] { return enumTextValues(REG_SZ, values); });
}
