#include "zeb_policy_ostrin_search_policy.h"

#include "zeb_method_trace.h"

#define ZEB_OSTRINSEARCH_SOURCE ZEB_W(".\\zeb_policy_ostrin_search_policy.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBPolicyOstrinSearchPolicy");
}

CZEBPolicyOstrinSearchPolicy::CZEBPolicyOstrinSearchPolicy()
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBPolicyOstrinSearchPolicy"), ZEB_OSTRINSEARCH_SOURCE,
                   __LINE__);
    bool bAdded = true;
    for (PolicyLocation location :
         {plMachinePreference, plUserPreference, plMachinePreferenceUserDefaults})
        bAdded = addPolicy(location) && bAdded;
    trace.passFail(bAdded);
}

CZEBPolicyOstrinSearchPolicy::~CZEBPolicyOstrinSearchPolicy()
{
    ZebTrace trace(s_szClass, ZEB_W("~CZEBPolicyOstrinSearchPolicy"), ZEB_OSTRINSEARCH_SOURCE,
                   __LINE__);
    trace.passFail(true);
}
