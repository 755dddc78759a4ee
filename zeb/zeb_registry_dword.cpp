#include "zeb_registry_dword.h"

#include <cstring>

#define ZEB_REGDWORD_SOURCE ZEB_W(".\\zeb_registry_dword.cpp")

CZEBRegistryDword::CZEBRegistryDword(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName,
                                     REGSAM samDesired, bool bCreate, DWORD dwOptions)
    : CZEBRegistryValue(hRootKey, szKeyPath, szValueName, samDesired, bCreate, dwOptions),
      m_bCacheValid(false), m_dwRegDwordCache(0)
{
}

bool CZEBRegistryDword::getValue(DWORD& dwValue, bool bUseCache)
{
    return zebGuarded(false, zesLastError, ZEB_REGDWORD_SOURCE, __LINE__,
                      [&]
                      {
                          if (!(bUseCache && m_bCacheValid) && !readRegistry())
                              return false;
                          dwValue = m_dwRegDwordCache;
                          return true;
                      });
}

bool CZEBRegistryDword::setValue(DWORD dwValue, bool bCacheOnly)
{
    return zebGuarded(false, zesLastError, ZEB_REGDWORD_SOURCE, __LINE__,
                      [&]
                      {
                          m_dwRegDwordCache = dwValue;
                          if (bCacheOnly)
                          {
                              m_bCacheValid = false;
                              return true;
                          }
                          return writeRegistry();
                      });
}

bool CZEBRegistryDword::readRegistry()
{
    return zebGuarded(false, zesLastError, ZEB_REGDWORD_SOURCE, __LINE__,
                      [&]
                      {
                          // Data of fewer than four bytes never leaves old bytes behind.
                          m_dwRegDwordCache = 0;
                          m_bCacheValid = false;
                          CZEBOpenScope scope(*this);
                          if (!scope.isOpen())
                              return false;
                          CZEBBuffer<unsigned char> data;
                          DWORD cbData = 0;
                          const LONG lResult =
                              queryValue(data, cbData, sizeof(DWORD), sizeof(DWORD));
                          if (lResult == ERROR_FILE_NOT_FOUND)
                          {
                              if (!m_bCreate)
                                  return false;
                              m_dwRegDwordCache = 0;
                              return writeRegistry();
                          }
                          if (lResult != ERROR_SUCCESS)
                              return false;
                          std::memcpy(&m_dwRegDwordCache, data.getBuffer(), cbData);
                          m_bCacheValid = true;
                          return true;
                      });
}

bool CZEBRegistryDword::writeRegistry()
{
    return zebGuarded(false, zesLastError, ZEB_REGDWORD_SOURCE, __LINE__,
                      [&]
                      {
                          m_bCacheValid = false;
                          CZEBOpenScope scope(*this);
                          if (!scope.isOpen())
                              return false;
                          const LONG lResult = RegSetValueExW(
                              m_hKey, m_szValueName.getBuffer(), 0, REG_DWORD,
                              reinterpret_cast<const BYTE*>(&m_dwRegDwordCache), sizeof(DWORD));
                          if (lResult != ERROR_SUCCESS)
                              throw CZEBRegValueSetException(
                                  m_szKeyPath.getBuffer(), m_szValueName.getBuffer(), lResult,
                                  ZEB_W("CZEBRegistryDword"), ZEB_W("writeRegistry"),
                                  ZEB_REGDWORD_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                          m_bCacheValid = true;
                          return true;
                      });
}

bool CZEBRegistryDword::enumValues(CZEBDblList<CZEBRegistryDwordValue>& values)
{
    return zebGuarded(
        false, zesLastError, ZEB_REGDWORD_SOURCE, __LINE__,
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
                if (valent.m_dwType != REG_DWORD)
                    continue;
                // A shorter datum is reported by the buffer and gives 0.
                DWORD dwValue = 0;
                DWORD ulCount = sizeof(DWORD);
                unsigned char bytes[sizeof(DWORD)] = {0};
                if (valent.m_data.read(bytes, 0, ulCount))
                    std::memcpy(&dwValue, bytes, sizeof(DWORD));
                if (!values.add(CZEBRegistryDwordValue(valent.m_szValueName, dwValue), lKey++))
                    return false;
            }
            return true;
        });
}
