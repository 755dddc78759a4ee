// CZEBProduct_HRV: the maker's security suite, "Hestrel" by "Kelbix". The suite records its
// "Version" and "InstallPath" under HKEY_LOCAL_MACHINE "Software\Kelbix\Hestrel" or, in
// older installations, "Software\Qel Copperfennel\Tamberlin"; both are searched, always in
// that order, each value in both registry views. Every operation answers a bool and leaves
// its outputs untouched on failure.
#pragma once

#include "zeb_product.h"

class CZEBProduct_HRV : public CZEBProduct
{
public:
    // The two locations in order; one that cannot be recorded is logged and left out.
    CZEBProduct_HRV();
    ~CZEBProduct_HRV() override;

    // A version is recorded, it is at least the required one, and for a suite of major
    // version 7 or later the common policy "HRVInstall" reads exactly 1.
    bool isInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer, LONG lPatchVer) override;
    // The recorded version as numbers; only fields that are decimal numbers are written.
    bool getProductVersion(LONG* plMajorVer, LONG* plMinorVer, LONG* plBuildVer,
                           LONG* plPatchVer) override;
    // The first "Version" text found, exactly as stored.
    bool getProductVersion(CZEBWCharString& szVersion) override;

    // A version is recorded and it is at least the required one.
    bool isCoreInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer, LONG lPatchVer);
    // The first "InstallPath" text found, exactly as stored.
    bool getInstallDirectory(CZEBWCharString& szDirectory);
    // The key path of the first location whose "InstallPath" can be read.
    bool getRegistryLocation(CZEBWCharString& szLocation);
};
