#include "zeb_policy_search_policy.h"

#include "zeb_method_trace.h"

#define ZEB_SEARCHPOLICY_SOURCE ZEB_W(".\\zeb_policy_search_policy.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBPolicySearchPolicy");
}

CZEBPolicySearchPolicy::CZEBPolicySearchPolicy()
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBPolicySearchPolicy"), ZEB_SEARCHPOLICY_SOURCE, __LINE__);
    trace.passFail(true);
}

CZEBPolicySearchPolicy::CZEBPolicySearchPolicy(const CZEBPolicySearchPolicy& other)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBPolicySearchPolicy"), ZEB_SEARCHPOLICY_SOURCE, __LINE__);
    m_lstPolicies = other.m_lstPolicies;
    trace.passFail(m_lstPolicies == other.m_lstPolicies);
}

CZEBPolicySearchPolicy& CZEBPolicySearchPolicy::operator=(const CZEBPolicySearchPolicy& other)
{
    ZebTrace trace(s_szClass, ZEB_W("operator="), ZEB_SEARCHPOLICY_SOURCE, __LINE__);
    m_lstPolicies = other.m_lstPolicies;
    trace.passFail(m_lstPolicies == other.m_lstPolicies);
    return *this;
}

CZEBPolicySearchPolicy::~CZEBPolicySearchPolicy()
{
    ZebTrace trace(s_szClass, ZEB_W("~CZEBPolicySearchPolicy"), ZEB_SEARCHPOLICY_SOURCE, __LINE__);
    trace.passFail(m_lstPolicies.clear());
}

bool CZEBPolicySearchPolicy::addPolicy(PolicyLocation location)
{
    ZebTrace trace(s_szClass, ZEB_W("addPolicy"), ZEB_SEARCHPOLICY_SOURCE, __LINE__);
    return trace.passFail(m_lstPolicies.add(location, 0));
}

PolicyLocation CZEBPolicySearchPolicy::getPolicyLocation(DWORD ulIndex)
{
    ZebTrace trace(s_szClass, ZEB_W("getPolicyLocation"), ZEB_SEARCHPOLICY_SOURCE, __LINE__);
    PolicyLocation location = plMachinePolicy;
    const bool bFound =
        zebGuarded(false, zesLastError, ZEB_SEARCHPOLICY_SOURCE, __LINE__,
                   [&]
                   {
                       if (ulIndex >= m_lstPolicies.getCount())
                           throw CZEBIndexOutOfBoundsException(ZEB_SEARCHPOLICY_SOURCE, __LINE__);
                       if (!m_lstPolicies.moveFirst())
                           return false;
                       for (DWORD i = 0; i < ulIndex; ++i)
                           if (!m_lstPolicies.moveNext())
                               return false;
                       PolicyLocation current = plMachinePolicy;
                       if (!m_lstPolicies.getCurrent(current))
                           return false;
                       location = current;
                       return true;
                   });
    trace.passFail(bFound);
    return location;
}

DWORD CZEBPolicySearchPolicy::getCount() const
{
    return m_lstPolicies.getCount();
}
