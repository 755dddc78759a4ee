#include "zeb_common_policy.h"

#include "zeb_method_trace.h"
#include "zeb_policy_ad_search_policy.h"

#define ZEB_COMMONPOLICY_SOURCE ZEB_W(".\\zeb_common_policy.cpp")

const ZebDwordPolicyDefinition g_aCommonDwordPolicies[] = {
    {cpPDALogonGUIOption, ZEB_W("Velloway"), ZEB_W("PDALogonGUIOption"), 0, ZEB_W("1.0"), 1, 0},
    {cpWindowsPasswordRecoveryGUIOption, ZEB_W("Velloway"),
     ZEB_W("WindowsPasswordRecoveryGUIOption"), 0, ZEB_W("1.0"), 1, 0},
    {cpPasswordRecoveryEnabled, ZEB_W("Velloway"), ZEB_W("PasswordRecoveryEnabled"), 0,
     ZEB_W("1.0"), 1, 1},
    {cpUsingEmulator, ZEB_W("Hestrel"), ZEB_W("UsingEmulator"), 0, ZEB_W("1.0"), 1, 0},
    {cpHRVInstall, ZEB_W("Hestrel"), ZEB_W("HRVInstall"), 0, ZEB_W("1.0"), 1, 0},
    {cpPreferInternalFPSensor, ZEB_W("Hestrel"), ZEB_W("PreferInternalFPSensor"), 0, ZEB_W("1.0"),
     1, 0},
    {cpFPSwipeResult, ZEB_W("Hestrel"), ZEB_W("FPSwipeResult"), 1, ZEB_W("1.0"), 1, 0},
    {cpHRV6HRVInstall, ZEB_W("Hestrel"), ZEB_W("HRV6HRVInstall"), 0, ZEB_W("1.0"), 1, 0},
    {cpSystemType, ZEB_W(""), ZEB_W("SystemType"), 0, ZEB_W("1.0"), 1, 0},
    {cpWizardGUIOption, ZEB_W(""), ZEB_W("WizardGUIOption"), 0, ZEB_W("1.0"), 1, 0},
    {cpDisableHotfixMessage, ZEB_W("Hestrel"), ZEB_W("DisableHotfixMessage"), 0, ZEB_W("1.0"), 1,
     0},
    {ZEB_COMMON_POLICY_END, ZEB_W(""), ZEB_W(""), 0, ZEB_W(""), 1, 0}};

const ZebStringPolicyDefinition g_aCommonStringPolicies[] = {
    {cpAdminUser, ZEB_W("Hestrel"), ZEB_W("AdminUser"), ZEB_W(""), 0, ZEB_W("1.0"), 1, 1},
    {ZEB_COMMON_POLICY_END, ZEB_W(""), ZEB_W(""), ZEB_W(""), 0, ZEB_W(""), 1, 0}};

namespace
{
const WCHAR s_szVendor[] = ZEB_W("Kelbix");
const WCHAR s_szProduct[] = ZEB_W("ZEB Common");
} // namespace

CZEBCommonPolicy::CZEBCommonPolicy() : CZEBProductPolicy(CZEBPolicyADSearchPolicy())
{
    ZebTrace trace(ZEB_W("CZEBCommonPolicy"), ZEB_W("CZEBCommonPolicy"), ZEB_COMMONPOLICY_SOURCE,
                   __LINE__);
    bool bAll = true;
    // Each table ends before the first later record with the end id; a record that cannot
    // be added does not stop the ones after it.
    const ZebDwordPolicyDefinition* pDword = g_aCommonDwordPolicies;
    do
    {
        bAll = zebGuarded(
                   false, zesLastError, ZEB_COMMONPOLICY_SOURCE, __LINE__,
                   [&]
                   {
                       return addPolicySetting(CZEBPolicyDwordSetting(
                           CZEBWCharString(s_szVendor), CZEBWCharString(s_szProduct), pDword->ulId,
                           pDword->ulSource, CZEBWCharString(pDword->szVersion),
                           CZEBWCharString(pDword->szValueName), CZEBWCharString(pDword->szSubKey),
                           pDword->ulDefault, pDword->bWrite32BitView != 0));
                   }) &&
               bAll;
        ++pDword;
    } while (pDword->ulId != ZEB_COMMON_POLICY_END);
    const ZebStringPolicyDefinition* pString = g_aCommonStringPolicies;
    do
    {
        bAll = zebGuarded(
                   false, zesLastError, ZEB_COMMONPOLICY_SOURCE, __LINE__,
                   [&]
                   {
                       return addPolicySetting(CZEBPolicyStringSetting(
                           CZEBWCharString(s_szVendor), CZEBWCharString(s_szProduct), pString->ulId,
                           pString->ulSource, CZEBWCharString(pString->szVersion),
                           CZEBWCharString(pString->szValueName),
                           CZEBWCharString(pString->szSubKey), CZEBWCharString(pString->szDefault),
                           pString->bExpandable != 0, pString->bWrite32BitView != 0));
                   }) &&
               bAll;
        ++pString;
    } while (pString->ulId != ZEB_COMMON_POLICY_END);
    trace.passFail(bAll);
}
