#include "zeb_policy_ad_search_policy.h"

#include "zeb_method_trace.h"

#define ZEB_ADSEARCH_SOURCE ZEB_W(".\\zeb_policy_ad_search_policy.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBPolicyADSearchPolicy");
}

CZEBPolicyADSearchPolicy::CZEBPolicyADSearchPolicy()
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBPolicyADSearchPolicy"), ZEB_ADSEARCH_SOURCE, __LINE__);
    bool bAdded = true;
    for (PolicyLocation location :
         {plMachinePolicy, plUserPolicy, plMachinePolicyUserDefaults, plMachinePreference,
          plUserPreference, plMachinePreferenceUserDefaults})
        bAdded = addPolicy(location) && bAdded;
    trace.passFail(bAdded);
}

CZEBPolicyADSearchPolicy::~CZEBPolicyADSearchPolicy()
{
    ZebTrace trace(s_szClass, ZEB_W("~CZEBPolicyADSearchPolicy"), ZEB_ADSEARCH_SOURCE, __LINE__);
    trace.passFail(true);
}
