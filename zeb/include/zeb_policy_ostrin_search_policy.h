// CZEBPolicyOstrinSearchPolicy: the three preference locations only; the policy keys are
// never consulted.
#pragma once

#include "zeb_policy_search_policy.h"

class CZEBPolicyOstrinSearchPolicy : public CZEBPolicySearchPolicy
{
public:
    CZEBPolicyOstrinSearchPolicy();
    ~CZEBPolicyOstrinSearchPolicy();
};
