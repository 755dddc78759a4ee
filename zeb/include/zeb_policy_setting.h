// CZEBPolicySetting<T>: the definition of one value an administrator or a user can place in
// the registry to steer a product (vendor, product, value name, optional sub-key below the
// product's key, default, id), and its last value read or written. A setting builds its key
// path for one of the six PolicyLocation values, reads its value from one location and
// writes it to one; searching the locations in order belongs to the product policy.
//
// Location table (the bit's position is the index; 0 and values with a bit above 32 use
// index 0, several bits the highest one):
//   1  HKLM  Software\Policies\%VENDOR_NAME%\%PRODUCT_NAME%
//   2  HKCU  Software\Policies\%VENDOR_NAME%\%PRODUCT_NAME%
//   4  HKLM  Software\Policies\%VENDOR_NAME%\%PRODUCT_NAME%\User Defaults
//   8  HKLM  Software\%VENDOR_NAME%\%PRODUCT_NAME%
//   16 HKCU  Software\%VENDOR_NAME%\%PRODUCT_NAME%
//   32 HKLM  Software\%VENDOR_NAME%\%PRODUCT_NAME%\User Defaults
// followed by "\" and the sub-key when there is one.
//
// The substitution string NAME=VALUE (NAME before the first "=", VALUE after the last one)
// replaces the first NAME in a path that has a sub-key; %VALUE_NAME%=X instead names the value
// X where a caller asks getValueLocation(list). A key path whose placeholders could not be
// filled, or that ends up empty, is never opened: reads and writes answer false.
//
// The cache (m_bLoaded, m_Current) answers a read with bUseCache only for the root, key path
// and value name it was filled for. Nothing here throws except the copy constructor (used by
// list nodes), which raises CZEBMemAllocException when the copy is not complete.
#pragma once

#include "zeb_flags.h"
#include "zeb_method_trace.h"
#include "zeb_policy_search_policy.h"
#include "zeb_wchar_string.h"

#define ZEB_POLICYSETTING_SOURCE ZEB_W(".\\zeb_policy_setting.h")

// The only source of settings: the registry.
const DWORD ZEB_POLICY_SOURCE_REGISTRY = 1;

// Index 0 to 5 of a location (see the table above).
inline DWORD zebPolicyLocationIndex(PolicyLocation location)
{
    DWORD ulIndex = 0;
    const CZEBFlags locations(63);
    locations.getIndex(location, ulIndex);
    return ulIndex;
}

// Exactly one of the six location bits.
inline bool zebIsPolicyLocation(PolicyLocation location)
{
    const DWORD ulLocation = location;
    return ulLocation != 0 && ulLocation <= 32 && (ulLocation & (ulLocation - 1)) == 0;
}

inline HKEY zebPolicyRootKey(DWORD ulIndex)
{
    // Only the user policy and the user preference live under HKEY_CURRENT_USER.
    return ulIndex == 1 || ulIndex == 4 ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE;
}

inline LPCWSTR zebPolicyKeyTemplate(DWORD ulIndex)
{
    static const WCHAR* const s_aszTemplates[6] = {
        ZEB_W("Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%"),
        ZEB_W("Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%"),
        ZEB_W("Software\\Policies\\%VENDOR_NAME%\\%PRODUCT_NAME%\\User Defaults"),
        ZEB_W("Software\\%VENDOR_NAME%\\%PRODUCT_NAME%"),
        ZEB_W("Software\\%VENDOR_NAME%\\%PRODUCT_NAME%"),
        ZEB_W("Software\\%VENDOR_NAME%\\%PRODUCT_NAME%\\User Defaults")};
    return s_aszTemplates[ulIndex < 6 ? ulIndex : 0];
}

template <class T> class CZEBPolicySetting
{
public:
    // Source 1, type 1, id 0, flags false, strings empty, default and current zero or empty.
    CZEBPolicySetting()
        : m_ulSource(ZEB_POLICY_SOURCE_REGISTRY), m_ulType(1), m_Default(), m_ulId(0),
          m_bWrite32BitView(false), m_bLoaded(false), m_Current(), m_ulCacheIndex(0)
    {
        ZebTrace trace(policySettingClass(), ZEB_W("CZEBPolicySetting"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(true);
    }

    // The fields from the arguments; the current value is the default, not loaded. A string
    // that cannot be copied is logged and the setting stays as far as it got.
    CZEBPolicySetting(const CZEBWCharString& szVendorName, const CZEBWCharString& szProductName,
                      DWORD ulType, DWORD ulId, DWORD ulSource, const CZEBWCharString& szVersion,
                      const CZEBWCharString& szValueName, const CZEBWCharString& szSubKey,
                      const T& defaultValue, bool bWrite32BitView)
        : m_ulSource(ulSource), m_ulType(ulType), m_Default(), m_ulId(ulId),
          m_bWrite32BitView(bWrite32BitView), m_bLoaded(false), m_Current(), m_ulCacheIndex(0)
    {
        ZebTrace trace(policySettingClass(), ZEB_W("CZEBPolicySetting"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(zebGuarded(false, zesLastError, ZEB_POLICYSETTING_SOURCE, __LINE__,
                                  [&]
                                  {
                                      m_szVendorName = szVendorName;
                                      m_szProductName = szProductName;
                                      m_szVersion = szVersion;
                                      m_szValueName = szValueName;
                                      m_szSubKey = szSubKey;
                                      m_Default = defaultValue;
                                      m_Current = defaultValue;
                                      return m_szVendorName == szVendorName &&
                                             m_szProductName == szProductName &&
                                             m_szVersion == szVersion &&
                                             m_szValueName == szValueName &&
                                             m_szSubKey == szSubKey && m_Default == defaultValue &&
                                             m_Current == defaultValue;
                                  }));
    }

    // Copies every field, the cached value and where it came from included.
    CZEBPolicySetting& operator=(const CZEBPolicySetting& other)
    {
        ZebTrace trace(policySettingClass(), ZEB_W("operator="), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(zebGuarded(false, zesLastError, ZEB_POLICYSETTING_SOURCE, __LINE__,
                                  [&] { return assignFields(other); }));
        return *this;
    }

    // Id, source, type, the five strings, default and write-32-bit-view flag; the cache takes
    // no part.
    bool operator==(const CZEBPolicySetting& other) const
    {
        ZebTrace trace(policySettingClass(), ZEB_W("operator=="), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        return trace.logical(sameDefinition(other));
    }
    bool operator!=(const CZEBPolicySetting& other) const
    {
        ZebTrace trace(policySettingClass(), ZEB_W("operator!="), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        return trace.logical(!sameDefinition(other));
    }
    // Settings order by id alone.
    bool operator<(const CZEBPolicySetting& other) const
    {
        ZebTrace trace(policySettingClass(), ZEB_W("operator<"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        return trace.logical(m_ulId < other.m_ulId);
    }
    bool operator>(const CZEBPolicySetting& other) const
    {
        ZebTrace trace(policySettingClass(), ZEB_W("operator>"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        return trace.logical(m_ulId > other.m_ulId);
    }

    virtual const T& getDefaultValue() const
    {
        ZebTrace trace(policySettingClass(), ZEB_W("getDefaultValue"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(true);
        return m_Default;
    }

    // Reads the value at one location into *pOut (left untouched on failure; a null pointer
    // answers false). With bUseCache a value cached for the same place answers instead.
    virtual bool getPolicy(PolicyLocation location, T* pOut, bool bUseCache,
                           const CZEBWCharString& szVariables) = 0;

    virtual const CZEBWCharString& getSubKey() const
    {
        ZebTrace trace(policySettingClass(), ZEB_W("getSubKey"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(true);
        return m_szSubKey;
    }

    // The value name to use: VALUE of the first non-empty entry %VALUE_NAME%=VALUE of the
    // list (walked with its cursor), otherwise m_szValueName.
    virtual CZEBWCharString getValueLocation(CZEBDblList<CZEBWCharString>& variableList)
    {
        ZebTrace trace(policySettingClass(), ZEB_W("getValueLocation"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        CZEBWCharString szResult;
        trace.passFail(zebGuarded(
            false, zesLastError, ZEB_POLICYSETTING_SOURCE, __LINE__,
            [&]
            {
                const CZEBWCharString szValueNameVariable(ZEB_W("%VALUE_NAME%"));
                for (bool bMore = variableList.moveFirst(); bMore; bMore = variableList.moveNext())
                {
                    CZEBWCharString szEntry, szName, szValue;
                    if (!variableList.getCurrent(szEntry) || szEntry.getLength() == 0)
                        continue;
                    if (splitVariables(szEntry, szName, szValue) && szName == szValueNameVariable)
                    {
                        szResult = szValue;
                        break;
                    }
                }
                if (szResult.getLength() == 0)
                    szResult = m_szValueName;
                return szResult.getLength() != 0;
            }));
        return szResult;
    }

    virtual const CZEBWCharString& getValueName() const
    {
        ZebTrace trace(policySettingClass(), ZEB_W("getValueName"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(true);
        return m_szValueName;
    }

    // The default only; the cache is unchanged.
    virtual void setDefaultValue(const T& value)
    {
        ZebTrace trace(policySettingClass(), ZEB_W("setDefaultValue"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(zebGuarded(false, zesLastError, ZEB_POLICYSETTING_SOURCE, __LINE__,
                                  [&]
                                  {
                                      m_Default = value;
                                      return m_Default == value;
                                  }));
    }

    // Writes the value to one location (exactly one of the six bits). bCreate creates a
    // missing key, bVolatileKey creates it volatile. False, the cache unchanged, on failure.
    virtual bool setPolicy(PolicyLocation location, const T& value, bool bCreate,
                           const CZEBWCharString& szVariables, bool bVolatileKey) = 0;

    virtual void setSubKey(const CZEBWCharString& szSubKey)
    {
        ZebTrace trace(policySettingClass(), ZEB_W("setSubKey"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(zebGuarded(false, zesLastError, ZEB_POLICYSETTING_SOURCE, __LINE__,
                                  [&]
                                  {
                                      m_szSubKey = szSubKey;
                                      return m_szSubKey == szSubKey;
                                  }));
    }

    virtual void setValueName(const CZEBWCharString& szValueName)
    {
        ZebTrace trace(policySettingClass(), ZEB_W("setValueName"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(zebGuarded(false, zesLastError, ZEB_POLICYSETTING_SOURCE, __LINE__,
                                  [&]
                                  {
                                      m_szValueName = szValueName;
                                      return m_szValueName == szValueName;
                                  }));
    }

    // The key path (below the location's root) of this setting at location. A path whose
    // placeholders could not be filled comes back as far as it got (and the trace fails); a
    // source other than the registry logs "Policy source is not supported." and gives an
    // empty path.
    CZEBWCharString getValueLocation(PolicyLocation location, const CZEBWCharString& szVariables)
    {
        ZebTrace trace(policySettingClass(), ZEB_W("getValueLocation"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        CZEBWCharString szPath;
        trace.passFail(zebGuarded(false, zesLastError, ZEB_POLICYSETTING_SOURCE, __LINE__,
                                  [&] { return buildKeyPath(location, szVariables, szPath); }));
        return szPath;
    }

    DWORD m_ulSource;
    DWORD m_ulType;
    CZEBWCharString m_szVendorName;
    CZEBWCharString m_szProductName;
    CZEBWCharString m_szVersion;
    CZEBWCharString m_szValueName;
    CZEBWCharString m_szSubKey;
    T m_Default;
    DWORD m_ulId;
    bool m_bWrite32BitView;
    bool m_bLoaded;
    T m_Current;
    // Where m_Current was read or written: location index, key path and value name.
    DWORD m_ulCacheIndex;
    CZEBWCharString m_szCachePath;
    CZEBWCharString m_szCacheValueName;

protected:
    // A node of a product policy's list is built as a default setting given the source's
    // fields; an incomplete copy raises CZEBMemAllocException (logged) so that the node is
    // not made.
    CZEBPolicySetting(const CZEBPolicySetting& other) : CZEBPolicySetting()
    {
        if (!zebGuarded(false, zesLastError, ZEB_POLICYSETTING_SOURCE, __LINE__,
                        [&] { return assignFields(other); }))
            throw CZEBMemAllocException(ZEB_W("CZEBPolicySetting"), ZEB_POLICYSETTING_SOURCE,
                                        __LINE__, OUTPUT_TEXT, true, false);
    }

    // Not virtual, so protected: a setting is never deleted through the template.
    ~CZEBPolicySetting()
    {
        ZebTrace trace(policySettingClass(), ZEB_W("~CZEBPolicySetting"), ZEB_POLICYSETTING_SOURCE,
                       __LINE__);
        trace.passFail(true);
    }

    static LPCWSTR policySettingClass() { return ZEB_W("CZEBPolicySetting"); }

    // Logs the unsupported-source record (severity EXCEPTION_BAD, written at once, not
    // thrown) unless the source is the registry.
    bool isSourceSupported() const
    {
        if (m_ulSource == ZEB_POLICY_SOURCE_REGISTRY)
            return true;
        CZEBLogException1 unsupported(ZEB_W("Policy source is not supported."), -1,
                                      ZEB_POLICYSETTING_SOURCE, __LINE__);
        return false;
    }

    // The key path at location into szPath; true only for a complete, non-empty path (both
    // placeholders filled, the sub-key appended whole, the substitution made when asked).
    bool buildKeyPath(PolicyLocation location, const CZEBWCharString& szVariables,
                      CZEBWCharString& szPath) const
    {
        szPath = CZEBWCharString();
        if (!isSourceSupported())
            return false;
        const LPCWSTR szTemplate = zebPolicyKeyTemplate(zebPolicyLocationIndex(location));
        szPath = szTemplate;
        if (szPath.getLength() == 0)
            return false;
        if (!szPath.replace(CZEBWCharString(ZEB_W("%VENDOR_NAME%")), m_szVendorName, 1,
                            CZEBWCharString::ssmOccur))
            return false;
        if (!szPath.replace(CZEBWCharString(ZEB_W("%PRODUCT_NAME%")), m_szProductName, 1,
                            CZEBWCharString::ssmOccur))
            return false;
        const DWORD ulSubKey = m_szSubKey.getLength();
        if (ulSubKey != 0)
        {
            const bool bSeparator = m_szSubKey.getBuffer()[0] != ZEB_W('\\');
            const DWORD ulExpected = szPath.getLength() + (bSeparator ? 1 : 0) + ulSubKey;
            if (bSeparator)
                szPath += CZEBWCharString(ZEB_W("\\"));
            szPath += m_szSubKey;
            if (szPath.getLength() != ulExpected)
                return false;
            if (!substituteVariables(szVariables, szPath))
                return false;
        }
        return szPath.getLength() != 0;
    }

    // Whether the cache was filled at this place.
    bool isCachedFor(DWORD ulIndex, const CZEBWCharString& szPath) const
    {
        return m_bLoaded && m_ulCacheIndex == ulIndex && m_szCachePath == szPath &&
               m_szCacheValueName == m_szValueName;
    }

    // Caches a value read from or written to this place; a copy that is not complete leaves
    // nothing cached.
    void remember(const T& value, DWORD ulIndex, const CZEBWCharString& szPath)
    {
        m_bLoaded = false;
        m_Current = value;
        m_ulCacheIndex = ulIndex;
        m_szCachePath = szPath;
        m_szCacheValueName = m_szValueName;
        m_bLoaded =
            m_Current == value && m_szCachePath == szPath && m_szCacheValueName == m_szValueName;
    }

    // Every field; false when a copy is not complete.
    bool assignFields(const CZEBPolicySetting& other)
    {
        if (this == &other)
            return true;
        m_ulSource = other.m_ulSource;
        m_ulType = other.m_ulType;
        m_szVendorName = other.m_szVendorName;
        m_szProductName = other.m_szProductName;
        m_szVersion = other.m_szVersion;
        m_szValueName = other.m_szValueName;
        m_szSubKey = other.m_szSubKey;
        m_Default = other.m_Default;
        m_ulId = other.m_ulId;
        m_bWrite32BitView = other.m_bWrite32BitView;
        m_bLoaded = other.m_bLoaded;
        m_Current = other.m_Current;
        m_ulCacheIndex = other.m_ulCacheIndex;
        m_szCachePath = other.m_szCachePath;
        m_szCacheValueName = other.m_szCacheValueName;
        return sameDefinition(other) && m_Current == other.m_Current &&
               m_szCachePath == other.m_szCachePath &&
               m_szCacheValueName == other.m_szCacheValueName;
    }

private:
    bool sameDefinition(const CZEBPolicySetting& other) const
    {
        return m_ulId == other.m_ulId && m_ulSource == other.m_ulSource &&
               m_ulType == other.m_ulType && m_szVendorName == other.m_szVendorName &&
               m_szProductName == other.m_szProductName && m_szVersion == other.m_szVersion &&
               m_szValueName == other.m_szValueName && m_szSubKey == other.m_szSubKey &&
               m_Default == other.m_Default && m_bWrite32BitView == other.m_bWrite32BitView;
    }

    // NAME (before the first "=") and VALUE (after the last "="), either possibly empty;
    // false when the text holds no "=" or a part cannot be copied.
    static bool splitVariables(const CZEBWCharString& szVariables, CZEBWCharString& szName,
                               CZEBWCharString& szValue)
    {
        const CZEBWCharString szEquals(ZEB_W("="));
        return szVariables.contains(szEquals) &&
               szVariables.parse(szName, szEquals, 1, CZEBWCharString::pmForward, false) &&
               szVariables.parse(szValue, szEquals, 1, CZEBWCharString::pmBackward, false);
    }

    // Replaces the first NAME of the path by VALUE. A text without "=", an empty NAME, the
    // NAME %VALUE_NAME% and a NAME the path does not hold change nothing (true); false only
    // when the substitution could not be made.
    static bool substituteVariables(const CZEBWCharString& szVariables, CZEBWCharString& szPath)
    {
        if (szVariables.getLength() == 0 || !szVariables.contains(CZEBWCharString(ZEB_W("="))))
            return true;
        CZEBWCharString szName, szValue;
        if (!splitVariables(szVariables, szName, szValue))
            return false;
        if (szName.getLength() == 0 || szName == CZEBWCharString(ZEB_W("%VALUE_NAME%")) ||
            !szPath.contains(szName))
            return true;
        return szPath.replace(szName, szValue, 1, CZEBWCharString::ssmOccur);
    }
};
