// CZEBProductPolicy: the policy settings of one product and the order of registry locations
// in which their values are looked up. getPolicy tries a DWORD setting in each location of
// the order and falls back to the setting's default; each call works on a fresh copy of the
// stored definition, so nothing is cached between calls. Ids are not checked for uniqueness:
// a lookup finds the first setting added with an id. Nothing here throws; lookups move the
// list cursors, so a policy serves one thread.
#pragma once

#include "zeb_policy_dword_setting.h"
#include "zeb_policy_search_policy.h"
#include "zeb_policy_string_setting.h"

class CZEBProductPolicy
{
public:
    // Keeps its own copy of the order.
    explicit CZEBProductPolicy(const CZEBPolicySearchPolicy& searchPolicy);
    ~CZEBProductPolicy();
    CZEBProductPolicy(const CZEBProductPolicy&) = delete;
    CZEBProductPolicy& operator=(const CZEBProductPolicy&) = delete;

    // Appends a copy keyed by the setting's id; false (logged) when it cannot be stored.
    bool addPolicySetting(const CZEBPolicyDwordSetting& setting);
    bool addPolicySetting(const CZEBPolicyStringSetting& setting);
    // The first DWORD setting with ulId, copied into setting. An unknown id logs the warning
    // "Could not find policy setting with ID ( <id> )" and answers false, setting untouched.
    bool getPolicySetting(DWORD ulId, CZEBPolicyDwordSetting& setting);
    // The value of DWORD setting ulId from the first location of the order that holds it,
    // else (unless bNoDefault) its default. False, *pulOut untouched, for a null pointer, an
    // unknown id, or no value found with bNoDefault.
    bool getPolicy(DWORD ulId, DWORD* pulOut, bool bNoDefault, const CZEBWCharString& szVariables);

    CZEBPolicySearchPolicy m_searchPolicy;
    CZEBDblList<CZEBPolicyDwordSetting> m_lstDwordSettings;
    CZEBDblList<CZEBPolicyStringSetting> m_lstStringSettings;
};
