#include "zeb_registry_multi_string.h"

#include <cstring>

#define ZEB_REGMULTI_SOURCE ZEB_W(".\\zeb_registry_multi_string.cpp")

namespace
{
// How much a first read offers before it grows to the value's size.
const DWORD cbFirstRead = 512;
} // namespace

CZEBRegistryMultiString::CZEBRegistryMultiString(HKEY hRootKey, LPCWSTR szKeyPath,
                                                 LPCWSTR szValueName, REGSAM samDesired,
                                                 bool bCreate, DWORD dwOptions)
    : CZEBRegistryValue(hRootKey, szKeyPath, szValueName, samDesired, bCreate, dwOptions),
      m_bCacheValid(false)
{
}

bool CZEBRegistryMultiString::parseMultiString(const unsigned char* pData, DWORD cbData,
                                               CZEBDblList<CZEBWCharString>& values)
{
    if (!values.clear())
        return false;
    if (cbData == 0)
        return true;
    const CZEBBuffer<unsigned char> bytes(pData, cbData, 0);
    const CZEBBuffer<unsigned short> units = bytes.toWideBuffer();
    const unsigned short* pUnits = units.getBuffer();
    const DWORD ulCount = units.getNumElems();
    LONG lKey = 0;
    DWORD ulStart = 0;
    for (DWORD j = 0; j < ulCount; ++j)
    {
        if (pUnits[j] != 0)
            continue;
        const CZEBBuffer<unsigned short> text(pUnits + ulStart, j - ulStart, 0);
        const CZEBWCharString item(text);
        if (item.getLength() != j - ulStart || !values.add(item, lKey++))
            return false;
        if (j + 1 == ulCount || pUnits[j + 1] == 0)
            return true;
        ulStart = j + 1;
    }
    // The end of the data ends a last text stored without its NUL.
    const CZEBBuffer<unsigned short> text(pUnits + ulStart, ulCount - ulStart, 0);
    const CZEBWCharString item(text);
    return item.getLength() == ulCount - ulStart && values.add(item, lKey);
}

bool CZEBRegistryMultiString::getValue(CZEBDblList<CZEBWCharString>& values, bool bUseCache)
{
    return zebGuarded(false, zesLastError, ZEB_REGMULTI_SOURCE, __LINE__,
                      [&]
                      {
                          if (!(bUseCache && m_bCacheValid) && !readRegistry())
                              return false;
                          values = m_regMultiStringCache;
                          return values == m_regMultiStringCache;
                      });
}

bool CZEBRegistryMultiString::setValue(const CZEBDblList<CZEBWCharString>& values, bool bCacheOnly)
{
    return zebGuarded(false, zesLastError, ZEB_REGMULTI_SOURCE, __LINE__,
                      [&]
                      {
                          m_bCacheValid = false;
                          m_regMultiStringCache = values;
                          if (!(m_regMultiStringCache == values))
                              return false;
                          return bCacheOnly ? false : writeRegistry();
                      });
}

bool CZEBRegistryMultiString::readRegistry()
{
    return zebGuarded(false, zesLastError, ZEB_REGMULTI_SOURCE, __LINE__,
                      [&]
                      {
                          m_bCacheValid = false;
                          CZEBOpenScope scope(*this);
                          if (!scope.isOpen())
                              return false;
                          CZEBBuffer<unsigned char> data;
                          DWORD cbData = 0;
                          const LONG lResult = queryValue(data, cbData, cbFirstRead, 0);
                          if (lResult == ERROR_FILE_NOT_FOUND)
                              return m_bCreate && setValue(CZEBDblList<CZEBWCharString>(), false);
                          if (lResult != ERROR_SUCCESS)
                              return false;
                          m_bCacheValid =
                              parseMultiString(data.getBuffer(), cbData, m_regMultiStringCache);
                          return m_bCacheValid;
                      });
}

bool CZEBRegistryMultiString::writeRegistry()
{
    return zebGuarded(false, zesLastError, ZEB_REGMULTI_SOURCE, __LINE__,
                      [&]
                      {
                          m_bCacheValid = false;
                          CZEBOpenScope scope(*this);
                          if (!scope.isOpen())
                              return false;
                          // Each text with its one NUL, never the storage past it; one more NUL at
                          // the end.
                          CZEBBuffer<unsigned char> bytes;
                          const CZEBBuffer<unsigned char> terminator(sizeof(WCHAR));
                          for (bool bMore = m_regMultiStringCache.moveFirst(); bMore;
                               bMore = m_regMultiStringCache.moveNext())
                          {
                              CZEBWCharString text;
                              if (!m_regMultiStringCache.getCurrent(text))
                                  return false;
                              if (text.getLength() != 0)
                              {
                                  const CZEBBuffer<unsigned char> item(
                                      reinterpret_cast<const unsigned char*>(text.getBuffer()),
                                      text.getLength() * static_cast<DWORD>(sizeof(WCHAR)), 0);
                                  if (!bytes.append(item))
                                      return false;
                              }
                              if (!bytes.append(terminator))
                                  return false;
                          }
                          if (m_regMultiStringCache.getCount() != 0 && !bytes.append(terminator))
                              return false;
                          const LONG lResult =
                              RegSetValueExW(m_hKey, m_szValueName.getBuffer(), 0, REG_MULTI_SZ,
                                             bytes.getBuffer(), bytes.getNumElems());
                          if (lResult != ERROR_SUCCESS)
                              throw CZEBRegValueSetException(
                                  m_szKeyPath.getBuffer(), m_szValueName.getBuffer(), lResult,
                                  ZEB_W("CZEBRegistryMultiString"), ZEB_W("writeRegistry"),
                                  ZEB_REGMULTI_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                          m_bCacheValid = true;
                          return true;
                      });
}

bool CZEBRegistryMultiString::enumValues(CZEBDblList<CZEBRegistryMultiStringValue>& values)
{
    return zebGuarded(
        false, zesLastError, ZEB_REGMULTI_SOURCE, __LINE__,
        [&]
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
                if (valent.m_dwType != REG_MULTI_SZ)
                    continue;
                CZEBDblList<CZEBWCharString> texts;
                if (!parseMultiString(valent.m_data.getBuffer(), valent.m_data.getNumElems(),
                                      texts) ||
                    !values.add(CZEBRegistryMultiStringValue(valent.m_szValueName, texts), lKey++))
                    return false;
            }
            return true;
        });
}
