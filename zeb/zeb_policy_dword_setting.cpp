#include "zeb_policy_dword_setting.h"

#include "zeb_registry_dword.h"

#define ZEB_DWORDSETTING_SOURCE ZEB_W(".\\zeb_policy_dword_setting.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBPolicyDwordSetting");
} // namespace

CZEBPolicyDwordSetting::CZEBPolicyDwordSetting()
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBPolicyDwordSetting"), ZEB_DWORDSETTING_SOURCE, __LINE__);
    trace.passFail(true);
}

CZEBPolicyDwordSetting::CZEBPolicyDwordSetting(const CZEBWCharString& szVendorName,
                                               const CZEBWCharString& szProductName, DWORD ulId,
                                               DWORD ulSource, const CZEBWCharString& szVersion,
                                               const CZEBWCharString& szValueName,
                                               const CZEBWCharString& szSubKey, DWORD ulDefault,
                                               bool bWrite32BitView)
    : CZEBPolicySetting<DWORD>(szVendorName, szProductName, 1, ulId, ulSource, szVersion,
                               szValueName, szSubKey, ulDefault, bWrite32BitView)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBPolicyDwordSetting"), ZEB_DWORDSETTING_SOURCE, __LINE__);
    trace.passFail(true);
}

CZEBPolicyDwordSetting::CZEBPolicyDwordSetting(const CZEBPolicyDwordSetting& other)
    : CZEBPolicySetting<DWORD>(other)
{
}

CZEBPolicyDwordSetting& CZEBPolicyDwordSetting::operator=(const CZEBPolicyDwordSetting& other)
{
    CZEBPolicySetting<DWORD>::operator=(other);
    return *this;
}

CZEBPolicyDwordSetting::~CZEBPolicyDwordSetting()
{
    ZebTrace trace(s_szClass, ZEB_W("~CZEBPolicyDwordSetting"), ZEB_DWORDSETTING_SOURCE, __LINE__);
    trace.passFail(true);
}

bool CZEBPolicyDwordSetting::getPolicy(PolicyLocation location, DWORD* pulOut, bool bUseCache,
                                       const CZEBWCharString& szVariables)
{
    ZebTrace trace(s_szClass, ZEB_W("getPolicy"), ZEB_DWORDSETTING_SOURCE, __LINE__);
    return trace.logical(zebGuardedCatchAll(
        false, zesLastError, ZEB_DWORDSETTING_SOURCE, __LINE__,
        [&]
        {
            if (!pulOut)
                return false;
            CZEBWCharString szPath;
            if (!buildKeyPath(location, szVariables, szPath))
                return false;
            const DWORD ulIndex = zebPolicyLocationIndex(location);
            if (bUseCache && isCachedFor(ulIndex, szPath))
            {
                *pulOut = m_Current;
                return true;
            }
            CZEBRegistryDword value(zebPolicyRootKey(ulIndex), szPath.getBuffer(),
                                    m_szValueName.getBuffer(), KEY_READ, false, 0);
            DWORD ulValue = 0;
            if (!value.getValue(ulValue, false))
                return false;
            *pulOut = ulValue;
            remember(ulValue, ulIndex, szPath);
            return true;
        }));
}

bool CZEBPolicyDwordSetting::setPolicy(PolicyLocation location, const DWORD& ulValue, bool bCreate,
                                       const CZEBWCharString& szVariables, bool bVolatileKey)
{
    ZebTrace trace(s_szClass, ZEB_W("setPolicy"), ZEB_DWORDSETTING_SOURCE, __LINE__);
    return trace.passFail(zebGuardedCatchAll(
        false, zesLastError, ZEB_DWORDSETTING_SOURCE, __LINE__,
        [&]
        {
            // A write goes to exactly one of the six places, never to a default one.
            if (!zebIsPolicyLocation(location))
                return false;
            CZEBWCharString szPath;
            if (!buildKeyPath(location, szVariables, szPath))
                return false;
            const DWORD ulIndex = zebPolicyLocationIndex(location);
            CZEBRegistryDword value(zebPolicyRootKey(ulIndex), szPath.getBuffer(),
                                    m_szValueName.getBuffer(), KEY_READ | KEY_WRITE, bCreate,
                                    bVolatileKey ? REG_OPTION_VOLATILE : 0);
            if (!value.setValue(ulValue, false))
                return false;
            remember(ulValue, ulIndex, szPath);
            return true;
        }));
}
