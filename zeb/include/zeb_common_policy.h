// CZEBCommonPolicy: the maker's common settings (vendor "Kelbix", product "ZEB Common",
// version "1.0", source the registry) searched in the AD order. The definitions are the
// two constant tables below, each ended by a record with id 12.
#pragma once

#include "zeb_product_policy.h"

// One DWORD setting of the table.
struct ZebDwordPolicyDefinition
{
    DWORD ulId;
    LPCWSTR szSubKey;
    LPCWSTR szValueName;
    DWORD ulDefault;
    LPCWSTR szVersion;
    DWORD ulSource;
    BYTE bWrite32BitView;
};

// One string setting of the table.
struct ZebStringPolicyDefinition
{
    DWORD ulId;
    LPCWSTR szSubKey;
    LPCWSTR szValueName;
    LPCWSTR szDefault;
    BYTE bExpandable;
    LPCWSTR szVersion;
    DWORD ulSource;
    BYTE bWrite32BitView;
};

// The id that ends each table.
const DWORD ZEB_COMMON_POLICY_END = 12;

// The ids of the common settings.
enum CommonPolicyId : DWORD
{
    cpUsingEmulator = 0,
    cpHRVInstall = 1,
    cpHRV6HRVInstall = 2,
    cpAdminUser = 3,
    cpPreferInternalFPSensor = 4,
    cpFPSwipeResult = 5,
    cpWindowsPasswordRecoveryGUIOption = 6,
    cpPDALogonGUIOption = 7,
    cpSystemType = 8,
    cpDisableHotfixMessage = 9,
    cpPasswordRecoveryEnabled = 10,
    cpWizardGUIOption = 11
};

extern const ZebDwordPolicyDefinition g_aCommonDwordPolicies[];
extern const ZebStringPolicyDefinition g_aCommonStringPolicies[];

class CZEBCommonPolicy : public CZEBProductPolicy
{
public:
    // Installs every definition of the two tables, in table order; a setting that cannot be
    // added is logged and the next one follows.
    CZEBCommonPolicy();
};
