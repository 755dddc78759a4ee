#include "zeb_product_hrv.h"

#include "zeb_common_policy.h"
#include "zeb_method_trace.h"

#define ZEB_PRODUCTHRV_SOURCE ZEB_W(".\\zeb_product_hrv.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBProduct_HRV");
// From this major version on the suite's installation also needs the install policy.
const LONG s_lPolicyMajorVersion = 7;
} // namespace

CZEBProduct_HRV::CZEBProduct_HRV() : CZEBProduct(ZEB_W("Kelbix"), ZEB_W("Hestrel"))
{
    static const WCHAR* const s_aszKeyPaths[] = {ZEB_W("Software\\Kelbix\\Hestrel"),
                                                 ZEB_W("Software\\Qel Copperfennel\\Tamberlin")};
    for (const WCHAR* szKeyPath : s_aszKeyPaths)
        zebGuardedVoid(zesLastError, ZEB_PRODUCTHRV_SOURCE, __LINE__,
                       [&]
                       {
                           addRegistryLocation(new CZEBProductRegistryInfo(
                               CZEBWCharString(szKeyPath), CZEBWCharString(ZEB_W("Version")),
                               CZEBWCharString(ZEB_W("InstallPath"))));
                       });
}

CZEBProduct_HRV::~CZEBProduct_HRV() {}

bool CZEBProduct_HRV::isCoreInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer,
                                      LONG lPatchVer)
{
    ZebTrace trace(s_szClass, ZEB_W("isCoreInstalled"), ZEB_PRODUCTHRV_SOURCE, __LINE__);
    return trace.passFail(
        zebGuarded(false, zesLastError, ZEB_PRODUCTHRV_SOURCE, __LINE__,
                   [&]
                   {
                       const LONG alRequired[4] = {lMajorVer, lMinorVer, lBuildVer, lPatchVer};
                       LONG alInstalled[4] = {0, 0, 0, 0};
                       if (!checkParms(alRequired))
                           throw CZEBBadArgException(ZEB_W("lMinorVer, lBuildVer, or lPatchVer"),
                                                     ZEB_W("Cannot have value after ZEB_DONT_CARE"),
                                                     ZEB_PRODUCTHRV_SOURCE, __LINE__, OUTPUT_TEXT,
                                                     true, false);
                       if (!getProductVersion(&alInstalled[0], &alInstalled[1], &alInstalled[2],
                                              &alInstalled[3]))
                           return false;
                       return isVersionInstalled(alRequired, alInstalled);
                   }));
}

bool CZEBProduct_HRV::isInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer, LONG lPatchVer)
{
    ZebTrace trace(s_szClass, ZEB_W("isInstalled"), ZEB_PRODUCTHRV_SOURCE, __LINE__);
    return trace.logical(
        zebGuarded(false, zesLastError, ZEB_PRODUCTHRV_SOURCE, __LINE__,
                   [&]
                   {
                       if (!isCoreInstalled(lMajorVer, lMinorVer, lBuildVer, lPatchVer))
                           return false;
                       LONG alInstalled[4] = {0, 0, 0, 0};
                       if (!getProductVersion(&alInstalled[0], &alInstalled[1], &alInstalled[2],
                                              &alInstalled[3]))
                           return false;
                       if (alInstalled[0] < s_lPolicyMajorVersion)
                           return true;
                       // Whatever the lookup answers, only an install policy of exactly 1 counts.
                       CZEBCommonPolicy policy;
                       DWORD ulInstall = 0;
                       policy.getPolicy(cpHRVInstall, &ulInstall, false, CZEBWCharString());
                       return ulInstall == 1;
                   }));
}

bool CZEBProduct_HRV::getProductVersion(LONG* plMajorVer, LONG* plMinorVer, LONG* plBuildVer,
                                        LONG* plPatchVer)
{
    ZebTrace trace(s_szClass, ZEB_W("getProductVersion"), ZEB_PRODUCTHRV_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(false, zesLastError, ZEB_PRODUCTHRV_SOURCE, __LINE__,
                                     [&]
                                     {
                                         CZEBWCharString szVersion;
                                         return getProductVersion(szVersion) &&
                                                convertVersion(szVersion, plMajorVer, plMinorVer,
                                                               plBuildVer, plPatchVer);
                                     }));
}

bool CZEBProduct_HRV::getProductVersion(CZEBWCharString& szVersion)
{
    ZebTrace trace(s_szClass, ZEB_W("getProductVersion"), ZEB_PRODUCTHRV_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(false, zesLastError, ZEB_PRODUCTHRV_SOURCE, __LINE__,
                                     [&] { return getRegistryItem(ritVersion, szVersion); }));
}

bool CZEBProduct_HRV::getInstallDirectory(CZEBWCharString& szDirectory)
{
    ZebTrace trace(s_szClass, ZEB_W("getInstallDirectory"), ZEB_PRODUCTHRV_SOURCE, __LINE__);
    return trace.passFail(
        zebGuarded(false, zesLastError, ZEB_PRODUCTHRV_SOURCE, __LINE__,
                   [&] { return getRegistryItem(ritInstallDirectory, szDirectory); }));
}

bool CZEBProduct_HRV::getRegistryLocation(CZEBWCharString& szLocation)
{
    ZebTrace trace(s_szClass, ZEB_W("getRegistryLocation"), ZEB_PRODUCTHRV_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(false, zesLastError, ZEB_PRODUCTHRV_SOURCE, __LINE__,
                                     [&] { return getRegistryItem(ritLocation, szLocation); }));
}
