// CZEBPolicyDwordSetting: a policy setting whose value is a DWORD, read and written as a
// registry DWORD value (CZEBRegistryDword: any stored value of at most four bytes is read as
// those bytes; a longer one is not read).
#pragma once

#include "zeb_policy_setting.h"

class CZEBPolicyDwordSetting : public CZEBPolicySetting<DWORD>
{
public:
    CZEBPolicyDwordSetting();
    // Type 1.
    CZEBPolicyDwordSetting(const CZEBWCharString& szVendorName,
                           const CZEBWCharString& szProductName, DWORD ulId, DWORD ulSource,
                           const CZEBWCharString& szVersion, const CZEBWCharString& szValueName,
                           const CZEBWCharString& szSubKey, DWORD ulDefault, bool bWrite32BitView);
    // Throws CZEBMemAllocException when the copy is not complete (see the template).
    CZEBPolicyDwordSetting(const CZEBPolicyDwordSetting& other);
    CZEBPolicyDwordSetting& operator=(const CZEBPolicyDwordSetting& other);
    ~CZEBPolicyDwordSetting();

    bool getPolicy(PolicyLocation location, DWORD* pulOut, bool bUseCache,
                   const CZEBWCharString& szVariables) override;
    // The value is written once: the write-32-bit-view flag is kept and compared only.
    bool setPolicy(PolicyLocation location, const DWORD& ulValue, bool bCreate,
                   const CZEBWCharString& szVariables, bool bVolatileKey) override;
};
