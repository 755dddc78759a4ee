#include "zeb_registry_key.h"

#include "zeb_memory.h"
#include "zeb_text.h"

#include <cstdint>

#define ZEB_REGKEY_SOURCE ZEB_W(".\\zeb_registry_key.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBRegistryKey");
// The enumeration records carry this spelling.
const WCHAR s_szEnumClass[] = ZEB_W("CZEBRegistrykey");

// How often a bulk read is repeated when the values grew between sizing and reading.
const int nQueryAttempts = 4;
} // namespace

bool zebCopyText(CZEBWCharString& target, LPCWSTR szSource)
{
    target = szSource;
    return target.getLength() == zebWcsLen(szSource);
}

// ---- CZEBRegistryValent ----------------------------------------------------

CZEBRegistryValent::CZEBRegistryValent() : m_data(0), m_dwType(0) {}

CZEBRegistryValent::CZEBRegistryValent(const VALENTW& valent)
    : m_szValueName(valent.ve_valuename),
      m_data(reinterpret_cast<const unsigned char*>(valent.ve_valueptr), valent.ve_valuelen, 0),
      m_dwType(valent.ve_type)
{
}

CZEBRegistryValent& CZEBRegistryValent::operator=(const CZEBRegistryValent& other)
{
    if (this != &other)
    {
        zebAssignWhole(m_szValueName, other.m_szValueName);
        zebAssignWhole(m_data, other.m_data);
        m_dwType = other.m_dwType;
    }
    return *this;
}

bool CZEBRegistryValent::operator==(const CZEBRegistryValent& other) const
{
    return m_dwType == other.m_dwType && m_szValueName == other.m_szValueName &&
           m_data == other.m_data;
}

bool CZEBRegistryValent::operator!=(const CZEBRegistryValent& other) const
{
    return !(*this == other);
}

// ---- Construction ----------------------------------------------------------

CZEBRegistryKey::CZEBRegistryKey(HKEY hRootKey, LPCWSTR szKeyPath, REGSAM samDesired, bool bCreate,
                                 DWORD dwOptions)
    : m_samDesired(samDesired), m_dwOptions(dwOptions), m_hKey(nullptr), m_bCreate(bCreate),
      m_bOpen(false), m_hRootKey(hRootKey)
{
    if (!zebGuarded(false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                    [&] { return zebCopyText(m_szKeyPath, szKeyPath); }))
        throw CZEBRegKeyInitException(ZEB_REGKEY_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
}

CZEBRegistryKey::CZEBRegistryKey(HKEY hRootKey, const CZEBWCharString& szKeyPath, REGSAM samDesired,
                                 bool bCreate, DWORD dwOptions)
    : CZEBRegistryKey(hRootKey, szKeyPath.getBuffer(), samDesired, bCreate, dwOptions)
{
}

CZEBRegistryKey::~CZEBRegistryKey()
{
    zebGuardedVoid(zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                   [&]
                   {
                       if (m_bOpen)
                           close();
                   });
}

CZEBRegistryKey& CZEBRegistryKey::operator=(const CZEBRegistryKey& other)
{
    zebGuardedVoid(zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                   [&]
                   {
                       if (this == &other)
                           return;
                       if (m_bOpen)
                           close();
                       m_hRootKey = other.m_hRootKey;
                       m_samDesired = other.m_samDesired;
                       m_dwOptions = other.m_dwOptions;
                       m_bCreate = other.m_bCreate;
                       m_szKeyPath = other.m_szKeyPath;
                       m_hKey = nullptr;
                       m_bOpen = false;
                   });
    return *this;
}

void CZEBRegistryKey::setAccess(REGSAM samDesired)
{
    zebGuardedVoid(zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                   [&]
                   {
                       if (m_bOpen)
                           close();
                       m_samDesired = samDesired;
                   });
}

// ---- Open, create, close ---------------------------------------------------

bool CZEBRegistryKey::open()
{
    return zebGuarded(
        false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
        [&]
        {
            if (m_bOpen)
            {
                CZEBRegKeyAlreadyOpenWarning warning(m_szKeyPath.getBuffer(), s_szClass,
                                                     ZEB_W("open"), ZEB_REGKEY_SOURCE, __LINE__,
                                                     OUTPUT_TEXT, true, false);
                close();
            }
            HKEY hKey = nullptr;
            LONG lResult =
                RegOpenKeyExW(m_hRootKey, m_szKeyPath.getBuffer(), 0, m_samDesired, &hKey);
            if (lResult == ERROR_SUCCESS)
            {
                m_hKey = hKey;
                m_bOpen = true;
                return true;
            }
            m_hKey = nullptr;
            // The key exists but may not be opened: open, with a null handle.
            if (lResult == ERROR_ACCESS_DENIED)
            {
                m_bOpen = true;
                return true;
            }
            if (lResult != ERROR_FILE_NOT_FOUND && lResult != ERROR_INVALID_HANDLE)
                return false;
            if (!m_bCreate || !create())
                return false;
            hKey = nullptr;
            lResult = RegOpenKeyExW(m_hRootKey, m_szKeyPath.getBuffer(), 0, m_samDesired, &hKey);
            if (lResult != ERROR_SUCCESS)
                return false;
            m_hKey = hKey;
            m_bOpen = true;
            return true;
        });
}

bool CZEBRegistryKey::create()
{
    const bool bCreated =
        zebGuarded(false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                   [&]
                   {
                       if (m_bOpen)
                           close();
                       HKEY hKey = nullptr;
                       const LONG lResult =
                           RegCreateKeyExW(m_hRootKey, m_szKeyPath.getBuffer(), 0, nullptr,
                                           m_dwOptions, m_samDesired, nullptr, &hKey, nullptr);
                       if (lResult != ERROR_SUCCESS)
                           throw CZEBRegKeyCreateException(
                               m_szKeyPath.getBuffer(), lResult, s_szClass, ZEB_W("create"),
                               ZEB_REGKEY_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                       m_hKey = hKey;
                       m_bOpen = true;
                       return true;
                   });
    // A created key is closed again; open reopens it.
    if (m_bOpen)
        close();
    return bCreated;
}

bool CZEBRegistryKey::close()
{
    return zebGuarded(false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                      [&]
                      {
                          if (!m_bOpen)
                          {
                              CZEBRegKeyAlreadyClosedWarning warning(
                                  m_szKeyPath.getBuffer(), s_szClass, ZEB_W("close"),
                                  ZEB_REGKEY_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                              return true;
                          }
                          // A key opened without access has no handle to release.
                          if (m_hKey)
                          {
                              const LONG lResult = RegCloseKey(m_hKey);
                              if (lResult != ERROR_SUCCESS)
                              {
                                  CZEBRegCloseKeyWarning warning(
                                      m_szKeyPath.getBuffer(), lResult, s_szClass, ZEB_W("close"),
                                      ZEB_REGKEY_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                                  return false;
                              }
                          }
                          m_hKey = nullptr;
                          m_bOpen = false;
                          return true;
                      });
}

bool CZEBRegistryKey::exists()
{
    const bool bOpened = open();
    if (m_bOpen)
        close();
    return bOpened;
}

bool CZEBRegistryKey::exportKey(const CZEBWCharString& szExportFileName, DWORD ulFormat,
                                bool bDeleteFile)
{
    (void)szExportFileName;
    (void)ulFormat;
    (void)bDeleteFile;
    return false;
}

bool CZEBRegistryKey::importKey(const CZEBWCharString& szImportFileName, DWORD ulFlags)
{
    (void)szImportFileName;
    (void)ulFlags;
    return false;
}

// ---- Lengths ---------------------------------------------------------------

bool CZEBRegistryKey::queryInfo(DWORD* pulMaxSubKeyLen, DWORD* pulMaxValueNameLen,
                                DWORD* pulMaxValueLen, DWORD& ulLength)
{
    return zebGuarded(false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                      [&]
                      {
                          CZEBOpenScope scope(*this);
                          if (!scope.isOpen())
                              return false;
                          const LONG lResult = RegQueryInfoKeyW(
                              m_hKey, nullptr, nullptr, nullptr, nullptr, pulMaxSubKeyLen, nullptr,
                              nullptr, pulMaxValueNameLen, pulMaxValueLen, nullptr, nullptr);
                          if (lResult != ERROR_SUCCESS)
                              throw CZEBRegQueryInfoKeyException(m_szKeyPath.getBuffer(), lResult,
                                                                 ZEB_REGKEY_SOURCE, __LINE__,
                                                                 OUTPUT_TEXT, true, false);
                          DWORD* pulAnswer = pulMaxSubKeyLen      ? pulMaxSubKeyLen
                                             : pulMaxValueNameLen ? pulMaxValueNameLen
                                                                  : pulMaxValueLen;
                          ulLength = *pulAnswer;
                          return true;
                      });
}

bool CZEBRegistryKey::getMaxSubKeyLength(DWORD& ulLength)
{
    DWORD ulValue = 0;
    return queryInfo(&ulValue, nullptr, nullptr, ulLength);
}

bool CZEBRegistryKey::getMaxValueLength(DWORD& ulLength)
{
    DWORD ulValue = 0;
    return queryInfo(nullptr, nullptr, &ulValue, ulLength);
}

bool CZEBRegistryKey::getMaxValueNameLength(DWORD& ulLength)
{
    DWORD ulValue = 0;
    return queryInfo(nullptr, &ulValue, nullptr, ulLength);
}

// ---- Enumeration -----------------------------------------------------------

LONG CZEBRegistryKey::enumSubKeyName(DWORD ulIndex, DWORD cchMaxName, CZEBWCharString& name)
{
    CZEBBuffer<unsigned short> buffer(cchMaxName + 1);
    DWORD cchName = buffer.getNumElems();
    const LONG lResult =
        RegEnumKeyExW(m_hKey, ulIndex, reinterpret_cast<LPWSTR>(buffer.getBuffer()), &cchName,
                      nullptr, nullptr, nullptr, nullptr);
    if (lResult == ERROR_NO_MORE_ITEMS)
        return lResult;
    if (lResult != ERROR_SUCCESS)
        throw CZEBRegEnumKeyException(m_szKeyPath.getBuffer(), lResult, s_szEnumClass,
                                      ZEB_W("enumSubKeys"), ZEB_REGKEY_SOURCE, __LINE__,
                                      OUTPUT_TEXT, true, false);
    // The buffer is one unit longer than any name: the text is terminated inside it.
    buffer[buffer.getNumElems() - 1] = 0;
    name = buffer;
    // A subkey name is never empty: an empty copy is a failed one.
    if (name.getLength() == 0)
        throw CZEBMemAllocException(ZEB_W("szName"), ZEB_REGKEY_SOURCE, __LINE__, OUTPUT_TEXT, true,
                                    false);
    return lResult;
}

bool CZEBRegistryKey::enumSubKeys(CZEBRegistryKey& subKey, DWORD ulIndex)
{
    return zebGuarded(false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                      [&]
                      {
                          DWORD cchMaxName = 0;
                          if (!getMaxSubKeyLength(cchMaxName))
                              return false;
                          if (!m_bOpen && !open())
                              return false;
                          CZEBWCharString name;
                          if (enumSubKeyName(ulIndex, cchMaxName, name) != ERROR_SUCCESS)
                              return false;
                          CZEBWCharString path(m_szKeyPath);
                          path += CZEBWCharString(ZEB_W("\\"));
                          path += name;
                          CZEBRegistryKey found(m_hRootKey, path, m_samDesired, false, m_dwOptions);
                          subKey = found;
                          return subKey.m_szKeyPath == path && subKey.m_hRootKey == m_hRootKey;
                      });
}

bool CZEBRegistryKey::enumSubKeys(CZEBDblList<CZEBWCharString>& names)
{
    return zebGuarded(false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                      [&]
                      {
                          names.clear();
                          DWORD cchMaxName = 0;
                          if (!getMaxSubKeyLength(cchMaxName))
                              return false;
                          CZEBOpenScope scope(*this);
                          if (!scope.isOpen())
                              return false;
                          for (DWORD i = 0;; ++i)
                          {
                              CZEBWCharString name;
                              const LONG lResult = enumSubKeyName(i, cchMaxName, name);
                              if (lResult == ERROR_NO_MORE_ITEMS)
                                  return true;
                              if (!names.add(name, static_cast<LONG>(i + 1)))
                                  return false;
                          }
                      });
}

bool CZEBRegistryKey::enumValueNames(CZEBDblList<CZEBWCharString>& names)
{
    // The only handler is the catch-all: an enumeration failure is also written as an
    // unhandled exception.
    return zebGuardedCatchAll(
        false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
        [&]
        {
            names.clear();
            DWORD cchMaxName = 0;
            if (!getMaxValueNameLength(cchMaxName))
                cchMaxName = 0;
            CZEBOpenScope scope(*this);
            if (!scope.isOpen())
                return false;
            for (DWORD i = 0;; ++i)
            {
                CZEBBuffer<unsigned short> buffer(cchMaxName + 1);
                DWORD cchName = buffer.getNumElems();
                const LONG lResult =
                    RegEnumValueW(m_hKey, i, reinterpret_cast<LPWSTR>(buffer.getBuffer()), &cchName,
                                  nullptr, nullptr, nullptr, nullptr);
                if (lResult == ERROR_NO_MORE_ITEMS)
                    break;
                if (lResult != ERROR_SUCCESS)
                    throw CZEBRegEnumValueException(m_szKeyPath.getBuffer(), lResult, s_szEnumClass,
                                                    ZEB_W("enumValueNames"), ZEB_REGKEY_SOURCE,
                                                    __LINE__, OUTPUT_TEXT, true, false);
                buffer[buffer.getNumElems() - 1] = 0;
                const CZEBWCharString name(buffer);
                // The unnamed default value is never listed.
                if (name.getLength() != 0 && !names.add(name, 0))
                    return false;
            }
            return names.getCount() != 0;
        });
}

bool CZEBRegistryKey::getName(CZEBWCharString& name, bool bFullPath) const
{
    return zebGuarded(false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
                      [&]
                      {
                          if (bFullPath)
                          {
                              name = m_szKeyPath;
                              return name == m_szKeyPath;
                          }
                          CZEBWCharString lastPart;
                          if (!m_szKeyPath.parse(lastPart, CZEBWCharString(ZEB_W("\\")), 1,
                                                 CZEBWCharString::pmBackward, false))
                              return false;
                          name = lastPart;
                          return name == lastPart;
                      });
}

// ---- Bulk read -------------------------------------------------------------

namespace
{
// The entries of one bulk read with their name copies, released zeroed whatever happens.
class CValentArray
{
public:
    CValentArray() : m_entries(0) {}
    ~CValentArray()
    {
        // Freeing goes on after a failed release, so nothing else is lost.
        for (DWORD i = 0; i < m_entries.getNumElems(); ++i)
        {
            LPWSTR szName = m_entries[i].ve_valuename;
            m_entries[i].ve_valuename = nullptr;
            if (szName && !zebReleaseZeroed(szName, (zebWcsLen(szName) + 1) * sizeof(WCHAR)))
                CMemDestroyFailWarning warning(ZEB_W("pValent"), ZEB_REGKEY_SOURCE, __LINE__,
                                               OUTPUT_TEXT, true, false);
        }
    }
    CValentArray(const CValentArray&) = delete;
    CValentArray& operator=(const CValentArray&) = delete;

    // Zeroed entries, one per value; false when they cannot be allocated.
    bool allocate(DWORD ulCount) { return m_entries.create(ulCount); }

    // A heap copy of the name for entry ulIndex; false when it cannot be allocated.
    bool setName(DWORD ulIndex, const CZEBWCharString& name)
    {
        const size_t cbName = (static_cast<size_t>(name.getLength()) + 1) * sizeof(WCHAR);
        LPWSTR szCopy = static_cast<LPWSTR>(zebAllocateZeroed(cbName));
        if (!szCopy)
            return false;
        for (DWORD i = 0; i < name.getLength(); ++i)
            szCopy[i] = name.getBuffer()[i];
        m_entries[ulIndex].ve_valuename = szCopy;
        return true;
    }

    VALENTW* get() { return m_entries.getBuffer(); }
    DWORD count() const { return m_entries.getNumElems(); }
    const VALENTW& operator[](DWORD ulIndex) const { return m_entries.getBuffer()[ulIndex]; }

private:
    CZEBBuffer<VALENTW> m_entries;
};
} // namespace

bool CZEBRegistryKey::queryMultipleValues(CZEBDblList<CZEBRegistryValent>& values)
{
    return zebGuarded(
        false, zesLastError, ZEB_REGKEY_SOURCE, __LINE__,
        [&]
        {
            CZEBDblList<CZEBWCharString> names;
            if (!enumValueNames(names))
                return false;
            DWORD cbMaxValue = 0;
            if (!getMaxValueLength(cbMaxValue))
                return false;
            CZEBOpenScope scope(*this);
            if (!scope.isOpen())
                return false;

            const DWORD ulCount = names.getCount();
            CValentArray entries;
            if (!entries.allocate(ulCount))
                throw CZEBMemAllocException(ZEB_W("pValent"), ZEB_REGKEY_SOURCE, __LINE__,
                                            OUTPUT_TEXT, true, false);

            DWORD ulIndex = 0;
            for (bool bMore = names.moveFirst(); bMore; bMore = names.moveNext(), ++ulIndex)
            {
                CZEBWCharString name;
                // A missing name would fetch the default value's data under the wrong name.
                if (!names.getCurrent(name) || name.getLength() == 0 ||
                    !entries.setName(ulIndex, name))
                {
                    CZEBLogDebug note(ZEB_W("pValent.ve_valuename = NULL"));
                    return false;
                }
            }

            // Room for every value at the longest length, grown when the values changed
            // between sizing and reading.
            uint64_t cbData = static_cast<uint64_t>(ulCount) * (cbMaxValue + 1ull) * sizeof(WCHAR);
            for (int nAttempt = 0;; ++nAttempt)
            {
                if (cbData > UINT32_MAX)
                    throw CZEBMemAllocException(ZEB_W("pBuffer"), ZEB_REGKEY_SOURCE, __LINE__,
                                                OUTPUT_TEXT, true, false);
                CZEBBuffer<unsigned char> data(static_cast<DWORD>(cbData));
                DWORD cbTotal = data.getNumElems();
                const LONG lResult =
                    RegQueryMultipleValuesW(m_hKey, entries.get(), entries.count(),
                                            reinterpret_cast<LPWSTR>(data.getBuffer()), &cbTotal);
                if (lResult == ERROR_MORE_DATA && cbTotal > cbData && nAttempt + 1 < nQueryAttempts)
                {
                    cbData = cbTotal;
                    continue;
                }
                if (lResult != ERROR_SUCCESS)
                    throw CZEBRegQueryMultipleValuesException(m_szKeyPath.getBuffer(), lResult,
                                                              ZEB_REGKEY_SOURCE, __LINE__,
                                                              OUTPUT_TEXT, true, false);
                values.clear();
                for (DWORD i = 0; i < entries.count(); ++i)
                    if (!values.add(CZEBRegistryValent(entries[i]), static_cast<LONG>(i)))
                        return false;
                return true;
            }
        });
}
