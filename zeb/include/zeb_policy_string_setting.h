// CZEBPolicyStringSetting: a policy setting whose value is a text, read and written as a
// registry string value of at most 259 characters. An expandable setting reads its value as
// a REG_EXPAND_SZ with the environment variables expanded (and writes only texts holding
// "%" a positive, even number of times); a plain setting with the write-32-bit-view flag
// writes its value a second time through the 32-bit registry view.
#pragma once

#include "zeb_policy_setting.h"

class CZEBPolicyStringSetting : public CZEBPolicySetting<CZEBWCharString>
{
public:
    CZEBPolicyStringSetting();
    // Type 2.
    CZEBPolicyStringSetting(const CZEBWCharString& szVendorName,
                            const CZEBWCharString& szProductName, DWORD ulId, DWORD ulSource,
                            const CZEBWCharString& szVersion, const CZEBWCharString& szValueName,
                            const CZEBWCharString& szSubKey, const CZEBWCharString& szDefault,
                            bool bExpandable, bool bWrite32BitView);
    // Throws CZEBMemAllocException when the copy is not complete (see the template).
    CZEBPolicyStringSetting(const CZEBPolicyStringSetting& other);
    // Every field, m_bExpandable too.
    CZEBPolicyStringSetting& operator=(const CZEBPolicyStringSetting& other);
    ~CZEBPolicyStringSetting();

    bool getPolicy(PolicyLocation location, CZEBWCharString* pszOut, bool bUseCache,
                   const CZEBWCharString& szVariables) override;
    bool setPolicy(PolicyLocation location, const CZEBWCharString& szValue, bool bCreate,
                   const CZEBWCharString& szVariables, bool bVolatileKey) override;

    bool m_bExpandable;
};
