#include "zeb_product_policy.h"

#include "zeb_method_trace.h"

#define ZEB_PRODUCTPOLICY_SOURCE ZEB_W(".\\zeb_product_policy.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBProductPolicy");
}

CZEBProductPolicy::CZEBProductPolicy(const CZEBPolicySearchPolicy& searchPolicy)
    : m_searchPolicy(searchPolicy)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBProductPolicy"), ZEB_PRODUCTPOLICY_SOURCE, __LINE__);
    trace.passFail(m_searchPolicy.getCount() == searchPolicy.getCount());
}

CZEBProductPolicy::~CZEBProductPolicy()
{
    ZebTrace trace(s_szClass, ZEB_W("~CZEBProductPolicy"), ZEB_PRODUCTPOLICY_SOURCE, __LINE__);
    // The string settings, then the DWORD settings; the order goes with the members.
    const bool bStrings = m_lstStringSettings.clear();
    const bool bDwords = m_lstDwordSettings.clear();
    trace.passFail(bStrings && bDwords);
}

bool CZEBProductPolicy::addPolicySetting(const CZEBPolicyDwordSetting& setting)
{
    ZebTrace trace(s_szClass, ZEB_W("addPolicySetting"), ZEB_PRODUCTPOLICY_SOURCE, __LINE__);
    return trace.passFail(m_lstDwordSettings.add(setting, static_cast<LONG>(setting.m_ulId)));
}

bool CZEBProductPolicy::addPolicySetting(const CZEBPolicyStringSetting& setting)
{
    ZebTrace trace(s_szClass, ZEB_W("addPolicySetting"), ZEB_PRODUCTPOLICY_SOURCE, __LINE__);
    return trace.passFail(m_lstStringSettings.add(setting, static_cast<LONG>(setting.m_ulId)));
}

bool CZEBProductPolicy::getPolicySetting(DWORD ulId, CZEBPolicyDwordSetting& setting)
{
    ZebTrace trace(s_szClass, ZEB_W("getPolicySetting"), ZEB_PRODUCTPOLICY_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(
        false, zesLastError, ZEB_PRODUCTPOLICY_SOURCE, __LINE__,
        [&]
        {
            if (!m_lstDwordSettings.findKey(static_cast<LONG>(ulId)))
            {
                // Logged now, never thrown.
                CZEBGetPolicySettingWarning notFound(static_cast<int>(ulId),
                                                     ZEB_PRODUCTPOLICY_SOURCE, __LINE__,
                                                     OUTPUT_TEXT, true, false);
                return false;
            }
            // A partial copy would look the value up in the wrong place.
            const CZEBPolicyDwordSetting* pStored = m_lstDwordSettings.m_pCursor->getValue();
            return m_lstDwordSettings.getCurrent(setting) && setting == *pStored;
        }));
}

bool CZEBProductPolicy::getPolicy(DWORD ulId, DWORD* pulOut, bool bNoDefault,
                                  const CZEBWCharString& szVariables)
{
    ZebTrace trace(s_szClass, ZEB_W("getPolicy"), ZEB_PRODUCTPOLICY_SOURCE, __LINE__);
    return trace.logical(
        zebGuarded(false, zesLastError, ZEB_PRODUCTPOLICY_SOURCE, __LINE__,
                   [&]
                   {
                       if (!pulOut)
                           return false;
                       CZEBPolicyDwordSetting setting;
                       if (!getPolicySetting(ulId, setting))
                           return false;
                       // Bounded by the count, so an empty order ends at once.
                       const DWORD ulCount = m_searchPolicy.getCount();
                       for (DWORD i = 0; i < ulCount; ++i)
                           if (setting.getPolicy(m_searchPolicy.getPolicyLocation(i), pulOut, false,
                                                 szVariables))
                               return true;
                       if (bNoDefault)
                           return false;
                       *pulOut = setting.getDefaultValue();
                       return true;
                   }));
}
