#include "zeb_registry_binary.h"

#define ZEB_REGBINARY_SOURCE ZEB_W(".\\zeb_registry_binary.cpp")

namespace
{
// How much a first read offers before it grows to the value's size.
const DWORD cbFirstRead = 256;
} // namespace

CZEBRegistryBinary::CZEBRegistryBinary(HKEY hRootKey, LPCWSTR szKeyPath, LPCWSTR szValueName,
                                       REGSAM samDesired, bool bCreate, DWORD dwOptions)
    : CZEBRegistryValue(hRootKey, szKeyPath, szValueName, samDesired, bCreate, dwOptions),
      m_bCacheValid(false), m_regBinaryCache(0)
{
}

bool CZEBRegistryBinary::getValue(CZEBBuffer<unsigned char>& bytes, bool bUseCache)
{
    return zebGuarded(false, zesLastError, ZEB_REGBINARY_SOURCE, __LINE__,
                      [&]
                      {
                          if (!(bUseCache && m_bCacheValid) && !readRegistry())
                              return false;
                          bytes = m_regBinaryCache;
                          return bytes == m_regBinaryCache;
                      });
}

bool CZEBRegistryBinary::setValue(const CZEBBuffer<unsigned char>& bytes, bool bCacheOnly)
{
    return zebGuarded(false, zesLastError, ZEB_REGBINARY_SOURCE, __LINE__,
                      [&]
                      {
                          m_bCacheValid = false;
                          m_regBinaryCache = bytes;
                          if (!(m_regBinaryCache == bytes))
                              return false;
                          return bCacheOnly ? true : writeRegistry();
                      });
}

bool CZEBRegistryBinary::readRegistry()
{
    return zebGuarded(false, zesLastError, ZEB_REGBINARY_SOURCE, __LINE__,
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
                          {
                              if (!m_bCreate || !m_regBinaryCache.destroy())
                                  return false;
                              return writeRegistry();
                          }
                          if (lResult != ERROR_SUCCESS)
                              return false;
                          const CZEBBuffer<unsigned char> bytes(data.getBuffer(), cbData, 0);
                          m_regBinaryCache = bytes;
                          m_bCacheValid = m_regBinaryCache == bytes;
                          return m_bCacheValid;
                      });
}

bool CZEBRegistryBinary::writeRegistry()
{
    return zebGuarded(false, zesLastError, ZEB_REGBINARY_SOURCE, __LINE__,
                      [&]
                      {
                          m_bCacheValid = false;
                          CZEBOpenScope scope(*this);
                          if (!scope.isOpen())
                              return false;
                          const LONG lResult = RegSetValueExW(
                              m_hKey, m_szValueName.getBuffer(), 0, REG_BINARY,
                              m_regBinaryCache.getBuffer(), m_regBinaryCache.getNumElems());
                          if (lResult != ERROR_SUCCESS)
                              throw CZEBRegValueSetException(
                                  m_szKeyPath.getBuffer(), m_szValueName.getBuffer(), lResult,
                                  ZEB_W("CZEBRegistryBinary"), ZEB_W("writeRegistry"),
                                  ZEB_REGBINARY_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                          m_bCacheValid = true;
                          return true;
                      });
}

bool CZEBRegistryBinary::enumValues(CZEBDblList<CZEBRegistryBinaryValue>& values)
{
    return zebGuarded(
        false, zesLastError, ZEB_REGBINARY_SOURCE, __LINE__,
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
                if (valent.m_dwType == REG_BINARY &&
                    !values.add(CZEBRegistryBinaryValue(valent.m_szValueName, valent.m_data),
                                lKey++))
                    return false;
            }
            return true;
        });
}
