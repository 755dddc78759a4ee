// CZEBPolicyADSearchPolicy: all six locations, the three policy locations before the three
// preference locations, so an administrator's policy overrides every preference.
#pragma once

#include "zeb_policy_search_policy.h"

class CZEBPolicyADSearchPolicy : public CZEBPolicySearchPolicy
{
public:
    CZEBPolicyADSearchPolicy();
    ~CZEBPolicyADSearchPolicy();
};
