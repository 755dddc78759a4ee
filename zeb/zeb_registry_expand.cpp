#include "zeb_registry_expand.h"

#define ZEB_REGEXPAND_SOURCE ZEB_W(".\\zeb_registry_expand.cpp")

CZEBRegistryStringExpand::CZEBRegistryStringExpand(HKEY hRootKey, LPCWSTR szKeyPath,
                                                   LPCWSTR szValueName, REGSAM samDesired,
                                                   bool bCreate, DWORD dwOptions)
    : CZEBRegistryString(hRootKey, szKeyPath, szValueName, samDesired, bCreate, dwOptions)
{
}

bool CZEBRegistryStringExpand::expand(const CZEBWCharString& szText, CZEBWCharString& szExpanded)
{
    // An empty text expands to itself; it never reaches the call as a null source.
    if (szText.getLength() == 0)
    {
        szExpanded = szText;
        return true;
    }
    const DWORD cchNeeded = ExpandEnvironmentStringsW(szText.getBuffer(), nullptr, 0);
    if (cchNeeded == 0)
        return false;
    CZEBBuffer<unsigned short> buffer(cchNeeded + 1);
    const DWORD cchWritten = ExpandEnvironmentStringsW(
        szText.getBuffer(), reinterpret_cast<LPWSTR>(buffer.getBuffer()), cchNeeded);
    if (cchWritten != cchNeeded)
        return false;
    szExpanded = buffer;
    return true;
}

bool CZEBRegistryStringExpand::getValue(CZEBWCharString& szValue, bool bUseCache, bool bExpand)
{
    return zebGuarded(false, zesLastError, ZEB_REGEXPAND_SOURCE, __LINE__,
                      [&]
                      {
                          CZEBWCharString text;
                          if (!CZEBRegistryString::getValue(text, bUseCache))
                              return false;
                          if (!bExpand)
                          {
                              szValue = text;
                              return szValue == text;
                          }
                          CZEBWCharString expanded;
                          if (!expand(text, expanded))
                              return false;
                          szValue = expanded;
                          return szValue == expanded;
                      });
}

bool CZEBRegistryStringExpand::writeRegistry()
{
    return zebGuarded(false, zesLastError, ZEB_REGEXPAND_SOURCE, __LINE__,
                      [&]
                      {
                          const DWORD ulSigns =
                              m_szRegStringCache.countOccurrences(CZEBWCharString(ZEB_W("%")));
                          if (ulSigns == 0 || ulSigns % 2 != 0)
                          {
                              m_bCacheValid = false;
                              throw CZEBBadArgException(
                                  ZEB_W("m_szRegStringCache"),
                                  ZEB_W("value doesn't represent an expandable value which is "
                                        "required"),
                                  ZEB_REGEXPAND_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                          }
                          return writeText(REG_EXPAND_SZ, ZEB_W("CZEBRegistryStringExpand"));
                      });
}

bool CZEBRegistryStringExpand::enumValues(CZEBDblList<CZEBRegistryStringValue>& values,
                                          bool bExpand)
{
    return zebGuarded(false, zesLastError, ZEB_REGEXPAND_SOURCE, __LINE__,
                      [&]
                      {
                          if (!enumTextValues(REG_EXPAND_SZ, values))
                              return false;
                          if (!bExpand)
                              return true;
                          // Each value read afresh in this object's view, never the other one.
                          const REGSAM samView = m_samDesired & (KEY_WOW64_32KEY | KEY_WOW64_64KEY);
                          for (bool bMore = values.moveFirst(); bMore; bMore = values.moveNext())
                          {
                              CZEBRegistryStringValue record;
                              if (!values.getCurrent(record))
                                  return false;
                              CZEBRegistryStringExpand value(m_hRootKey, m_szKeyPath.getBuffer(),
                                                             record.m_szName.getBuffer(),
                                                             KEY_READ | samView, false, 0);
                              CZEBWCharString expanded;
                              if (value.getValue(expanded, false, true))
                              {
                                  record.m_szValue = expanded;
                                  if (!values.setCurrent(record))
                                      return false;
                              }
                          }
                          return true;
                      });
}
