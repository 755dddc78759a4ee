#include "zeb_policy_string_setting.h"

#include "zeb_registry_expand.h"

#define ZEB_STRINGSETTING_SOURCE ZEB_W(".\\zeb_policy_string_setting.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBPolicyStringSetting");
} // namespace

CZEBPolicyStringSetting::CZEBPolicyStringSetting() : m_bExpandable(false)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBPolicyStringSetting"), ZEB_STRINGSETTING_SOURCE, __LINE__);
    trace.passFail(true);
}

CZEBPolicyStringSetting::CZEBPolicyStringSetting(const CZEBWCharString& szVendorName,
                                                 const CZEBWCharString& szProductName, DWORD ulId,
                                                 DWORD ulSource, const CZEBWCharString& szVersion,
                                                 const CZEBWCharString& szValueName,
                                                 const CZEBWCharString& szSubKey,
                                                 const CZEBWCharString& szDefault, bool bExpandable,
                                                 bool bWrite32BitView)
    : CZEBPolicySetting<CZEBWCharString>(szVendorName, szProductName, 2, ulId, ulSource, szVersion,
                                         szValueName, szSubKey, szDefault, bWrite32BitView),
      m_bExpandable(bExpandable)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBPolicyStringSetting"), ZEB_STRINGSETTING_SOURCE, __LINE__);
    trace.passFail(true);
}

CZEBPolicyStringSetting::CZEBPolicyStringSetting(const CZEBPolicyStringSetting& other)
    : CZEBPolicySetting<CZEBWCharString>(other), m_bExpandable(other.m_bExpandable)
{
}

CZEBPolicyStringSetting& CZEBPolicyStringSetting::operator=(const CZEBPolicyStringSetting& other)
{
    CZEBPolicySetting<CZEBWCharString>::operator=(other);
    m_bExpandable = other.m_bExpandable;
    return *this;
}

CZEBPolicyStringSetting::~CZEBPolicyStringSetting()
{
    ZebTrace trace(s_szClass, ZEB_W("~CZEBPolicyStringSetting"), ZEB_STRINGSETTING_SOURCE,
                   __LINE__);
    trace.passFail(true);
}

bool CZEBPolicyStringSetting::getPolicy(PolicyLocation location, CZEBWCharString* pszOut,
                                        bool bUseCache, const CZEBWCharString& szVariables)
{
    ZebTrace trace(s_szClass, ZEB_W("getPolicy"), ZEB_STRINGSETTING_SOURCE, __LINE__);
    return trace.logical(zebGuardedCatchAll(
        false, zesLastError, ZEB_STRINGSETTING_SOURCE, __LINE__,
        [&]
        {
            if (!pszOut)
                return false;
            CZEBWCharString szPath;
            if (!buildKeyPath(location, szVariables, szPath))
                return false;
            const DWORD ulIndex = zebPolicyLocationIndex(location);
            if (bUseCache && isCachedFor(ulIndex, szPath))
            {
                *pszOut = m_Current;
                return *pszOut == m_Current;
            }
            const HKEY hRoot = zebPolicyRootKey(ulIndex);
            CZEBWCharString szValue;
            bool bRead = false;
            if (m_bExpandable)
            {
                CZEBRegistryStringExpand value(hRoot, szPath.getBuffer(), m_szValueName.getBuffer(),
                                               KEY_READ, false, 0);
                bRead = value.getValue(szValue, false, true);
            }
            else
            {
                CZEBRegistryString value(hRoot, szPath.getBuffer(), m_szValueName.getBuffer(),
                                         KEY_READ, false, 0);
                bRead = value.getValue(szValue, false);
            }
            if (!bRead)
                return false;
            *pszOut = szValue;
            if (*pszOut != szValue)
                return false;
            remember(szValue, ulIndex, szPath);
            return true;
        }));
}

bool CZEBPolicyStringSetting::setPolicy(PolicyLocation location, const CZEBWCharString& szValue,
                                        bool bCreate, const CZEBWCharString& szVariables,
                                        bool bVolatileKey)
{
    ZebTrace trace(s_szClass, ZEB_W("setPolicy"), ZEB_STRINGSETTING_SOURCE, __LINE__);
    return trace.passFail(zebGuardedCatchAll(
        false, zesLastError, ZEB_STRINGSETTING_SOURCE, __LINE__,
        [&]
        {
            // A write goes to exactly one of the six places, never to a default one.
            if (!zebIsPolicyLocation(location))
                return false;
            CZEBWCharString szPath;
            if (!buildKeyPath(location, szVariables, szPath))
                return false;
            const DWORD ulIndex = zebPolicyLocationIndex(location);
            const HKEY hRoot = zebPolicyRootKey(ulIndex);
            const REGSAM samWrite = KEY_READ | KEY_WRITE;
            const DWORD ulOptions = bVolatileKey ? REG_OPTION_VOLATILE : 0;
            if (m_bExpandable)
            {
                CZEBRegistryStringExpand value(hRoot, szPath.getBuffer(), m_szValueName.getBuffer(),
                                               samWrite, bCreate, ulOptions);
                if (!value.setValue(szValue, false))
                    return false;
            }
            else
            {
                CZEBRegistryString value(hRoot, szPath.getBuffer(), m_szValueName.getBuffer(),
                                         samWrite, bCreate, ulOptions);
                if (!value.setValue(szValue, false))
                    return false;
                // The same value for 32-bit readers; its outcome does not change the answer.
                if (m_bWrite32BitView)
                {
                    value.setAccess(samWrite | KEY_WOW64_32KEY);
                    value.writeRegistry();
                }
            }
            remember(szValue, ulIndex, szPath);
            return true;
        }));
}
