// CZEBProduct: the abstract base of an installed product's description: vendor, product
// and an ordered list of registry locations where an installation may have recorded itself.
// It reads an item from the first location that has it, turns a dotted version text into
// four numbers and compares a required version with an installed one. A version is four
// signed components, most significant first (major, minor, build, patch); in a required
// version ZEB_DONT_CARE stands for a component the caller does not care about, and once one
// component is ZEB_DONT_CARE every later one must be too. Every operation answers false
// after logging (outputs untouched) instead of throwing.
#pragma once

#include "zeb_dbllist.h"
#include "zeb_product_registryinfo.h"
#include "zeb_wchar_string.h"

// A version component the caller does not care about; below every real component.
#define ZEB_DONT_CARE (-1)

// What getRegistryItem delivers.
enum RegistryItemType : DWORD
{
    ritLocation = 1,        // the key path of the first location whose install-path value reads
    ritVersion = 2,         // the text of the first readable version value
    ritInstallDirectory = 3 // the text of the first readable install-path value
};

class CZEBProduct
{
public:
    // Copies both names; the location list starts empty.
    CZEBProduct(LPCWSTR szVendorName, LPCWSTR szProductName);
    // Deletes every location record with its node.
    virtual ~CZEBProduct();
    CZEBProduct(const CZEBProduct&) = delete;
    CZEBProduct& operator=(const CZEBProduct&) = delete;

    // Installed at the required version or later.
    virtual bool isInstalled(LONG lMajorVer, LONG lMinorVer, LONG lBuildVer, LONG lPatchVer) = 0;
    // The installed version as numbers / as its text.
    virtual bool getProductVersion(LONG* plMajorVer, LONG* plMinorVer, LONG* plBuildVer,
                                   LONG* plPatchVer) = 0;
    virtual bool getProductVersion(CZEBWCharString& szVersion) = 0;

    // Whether lVersions (four components) is a valid required version: not null, and no real
    // component after a ZEB_DONT_CARE (logged as a bad argument "lVersions[<index>]").
    bool checkParms(const LONG* lVersions);
    // Whether the installed version (four components) meets the required one: compared as
    // signed numbers from the major component on, all equal meets it. Null arrays do not.
    bool isVersionInstalled(const LONG* lRequired, const LONG* lInstalled);
    // Fields 1 to 4 of the dotted text, each into its output when it is a decimal number;
    // an empty, missing or non-decimal field (or a null output) leaves its output alone.
    bool convertVersion(const CZEBWCharString& szVersion, LONG* plMajorVer, LONG* plMinorVer,
                        LONG* plBuildVer, LONG* plPatchVer);
    // The item from the first location that has it (see RegistryItemType). Each value is read
    // under HKEY_LOCAL_MACHINE in the process's own registry view and, when that fails, in
    // the other view. False, szItem untouched, when no location has it.
    bool getRegistryItem(RegistryItemType itemType, CZEBWCharString& szItem);

    CZEBWCharString m_szVendorName;
    CZEBWCharString m_szProductName;
    CZEBDblList<CZEBProductRegistryInfo, CZEBPtrNode<CZEBProductRegistryInfo>>
        m_lstRegistryLocations;

protected:
    // Appends a record made with new; the list owns it from then on, and a record that cannot
    // be appended is deleted here. False when it was not appended.
    bool addRegistryLocation(CZEBProductRegistryInfo* pInfo);
};
