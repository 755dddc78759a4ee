// CZEBPolicySearchPolicy: the ordered registry locations in which a product policy looks
// for a setting's value; the first location that holds it wins. The base order starts
// empty and is filled with addPolicy; CZEBPolicyADSearchPolicy and
// CZEBPolicyOstrinSearchPolicy fill themselves. A location may appear more than once.
// Nothing here throws; reads move the list's cursor, so an order serves one thread.
#pragma once

#include "zeb_dbllist.h"

class CZEBPolicySearchPolicy
{
public:
    // The six registry locations of a policy setting; each is one bit, whose position is the
    // index of its root key and key template (see zeb_policy_setting.h).
    enum PolicyLocation : DWORD
    {
        plMachinePolicy = 1,                 // HKLM Software\Policies\<vendor>\<product>
        plUserPolicy = 2,                    // HKCU Software\Policies\<vendor>\<product>
        plMachinePolicyUserDefaults = 4,     // HKLM ...\Policies\<vendor>\<product>\User Defaults
        plMachinePreference = 8,             // HKLM Software\<vendor>\<product>
        plUserPreference = 16,               // HKCU Software\<vendor>\<product>
        plMachinePreferenceUserDefaults = 32 // HKLM Software\<vendor>\<product>\User Defaults
    };

    CZEBPolicySearchPolicy();
    // A copy lists the same locations in the same order and is independent of the source.
    CZEBPolicySearchPolicy(const CZEBPolicySearchPolicy& other);
    CZEBPolicySearchPolicy& operator=(const CZEBPolicySearchPolicy& other);
    ~CZEBPolicySearchPolicy();

    // Appends the location; false (logged) when the node cannot be made.
    bool addPolicy(PolicyLocation location);
    // The location at the 0-based position ulIndex. An index past the end logs "Index out of
    // array bounds" and answers plMachinePolicy, as does any failure.
    PolicyLocation getPolicyLocation(DWORD ulIndex);
    DWORD getCount() const;

    CZEBDblList<PolicyLocation, CZEBStdNode<PolicyLocation>> m_lstPolicies;
};

typedef CZEBPolicySearchPolicy::PolicyLocation PolicyLocation;
