#include "zeb_product.h"

#include "zeb_method_trace.h"
#include "zeb_registry_string.h"
#include "zeb_windows_os_info.h"

#define ZEB_PRODUCT_SOURCE ZEB_W(".\\zeb_product.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBProduct");

// Whether this process is a 32-bit one. A 32-bit build always is (the call is compiled out,
// so such a build does not depend on IsWow64Process); a 64-bit build asks whether it runs
// under WoW64, which it never does on Windows and may on a host that models a 32-bit process.
bool processIs32Bit()
{
    if constexpr (sizeof(void*) == 4)
        return true;
    else
    {
        BOOL bWow64 = FALSE;
        return IsWow64Process(GetCurrentProcess(), &bWow64) && bWow64;
    }
}

// The registry view of the second read. On a 64-bit system (platform 2) it is the view
// opposite to the process's own: a 32-bit process reads HKLM\Software through the 32-bit
// view, so it retries in the 64-bit one, and a 64-bit process the other way round. On a
// 32-bit system (platform 1) there is one view and KEY_WOW64_64KEY changes nothing. Any other
// platform value gets no second read (0).
REGSAM retryView(DWORD ulPlatform)
{
    if (ulPlatform == 2)
        return processIs32Bit() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
    if (ulPlatform == 1)
        return KEY_WOW64_64KEY;
    return 0;
}
} // namespace

CZEBProduct::CZEBProduct(LPCWSTR szVendorName, LPCWSTR szProductName)
{
    zebGuardedVoid(zesLastError, ZEB_PRODUCT_SOURCE, __LINE__,
                   [&]
                   {
                       m_szVendorName = szVendorName;
                       m_szProductName = szProductName;
                   });
}

CZEBProduct::~CZEBProduct()
{
    m_lstRegistryLocations.clear();
}

bool CZEBProduct::addRegistryLocation(CZEBProductRegistryInfo* pInfo)
{
    if (!pInfo)
        return false;
    if (m_lstRegistryLocations.addPointer(pInfo))
        return true;
    // The list did not take it (its failure is logged): the record is still ours.
    delete pInfo;
    return false;
}

bool CZEBProduct::checkParms(const LONG* lVersions)
{
    ZebTrace trace(s_szClass, ZEB_W("checkParms"), ZEB_PRODUCT_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(
        false, zesLastError, ZEB_PRODUCT_SOURCE, __LINE__,
        [&]
        {
            if (!lVersions)
                throw CZEBBadArgException(ZEB_W("lVersions"), ZEB_W("Cannot have NULL value"),
                                          ZEB_PRODUCT_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
            for (int i = 0; i < 3; ++i)
            {
                if (lVersions[i] != ZEB_DONT_CARE)
                    continue;
                for (int j = i + 1; j < 4; ++j)
                {
                    if (lVersions[j] == ZEB_DONT_CARE)
                        continue;
                    const CZEBWCharString szArgument = CZEBWCharString(ZEB_W("lVersions[")) +
                                                       CZEBWCharString(j) +
                                                       CZEBWCharString(ZEB_W("]"));
                    throw CZEBBadArgException(
                        szArgument.getBuffer(), ZEB_W("Cannot be real value, ZEB_DONT_CAREs prior"),
                        ZEB_PRODUCT_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                }
            }
            return true;
        }));
}

bool CZEBProduct::isVersionInstalled(const LONG* lRequired, const LONG* lInstalled)
{
    ZebTrace trace(s_szClass, ZEB_W("isVersionInstalled"), ZEB_PRODUCT_SOURCE, __LINE__);
    // The trace reports the comparison as done, whatever it found.
    trace.setResult(RESULT_PASS_FAIL, 1);
    if (!lRequired || !lInstalled)
        return false;
    for (int i = 0; i < 4; ++i)
    {
        if (lRequired[i] < lInstalled[i])
            return true;
        if (lRequired[i] > lInstalled[i])
            return false;
    }
    return true;
}

bool CZEBProduct::convertVersion(const CZEBWCharString& szVersion, LONG* plMajorVer,
                                 LONG* plMinorVer, LONG* plBuildVer, LONG* plPatchVer)
{
    ZebTrace trace(s_szClass, ZEB_W("convertVersion"), ZEB_PRODUCT_SOURCE, __LINE__);
    return trace.passFail(
        zebGuarded(false, zesLastError, ZEB_PRODUCT_SOURCE, __LINE__,
                   [&]
                   {
                       LONG* const apOutputs[4] = {plMajorVer, plMinorVer, plBuildVer, plPatchVer};
                       const CZEBWCharString szDot(ZEB_W("."));
                       const CZEBFlags noTrim(0);
                       for (DWORD ulField = 1; ulField <= 4; ++ulField)
                       {
                           // Field n lies between the (n-1)-th and the n-th dot; a missing one is
                           // empty.
                           CZEBWCharString szField;
                           DWORD ulValue = 0;
                           if (!szVersion.getToken(szField, szDot, ulField,
                                                   CZEBWCharString::tmSeparated, noTrim, noTrim) ||
                               !szField.toNumber(ulValue, CZEBWCharString::nsDec))
                               continue;
                           if (apOutputs[ulField - 1])
                               *apOutputs[ulField - 1] = static_cast<LONG>(ulValue);
                       }
                       return true;
                   }));
}

bool CZEBProduct::getRegistryItem(RegistryItemType itemType, CZEBWCharString& szItem)
{
    ZebTrace trace(s_szClass, ZEB_W("getRegistryItem"), ZEB_PRODUCT_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(
        false, zesLastError, ZEB_PRODUCT_SOURCE, __LINE__,
        [&]
        {
            if (itemType != ritLocation && itemType != ritVersion &&
                itemType != ritInstallDirectory)
                return false;
            CZEBWindowsOSInfo osInfo;
            const REGSAM samRetry = retryView(osInfo.getPlatform());
            for (bool bMore = m_lstRegistryLocations.moveFirst(); bMore;
                 bMore = m_lstRegistryLocations.moveNext())
            {
                CZEBProductRegistryInfo* pInfo = nullptr;
                if (!m_lstRegistryLocations.getCurrentPointer(pInfo) || !pInfo ||
                    pInfo->m_szKeyPath.getLength() == 0)
                    continue;
                const CZEBWCharString& szValueName = itemType == ritVersion
                                                         ? pInfo->m_szVersionValueName
                                                         : pInfo->m_szInstallPathValueName;
                // A missing key or value, or a text over 259 characters, is not read: the
                // walk goes on with the next location.
                CZEBRegistryString value(HKEY_LOCAL_MACHINE, pInfo->m_szKeyPath.getBuffer(),
                                         szValueName.getBuffer(), KEY_READ, false, 0);
                CZEBWCharString szText;
                bool bRead = value.getValue(szText, false);
                if (!bRead && samRetry != 0)
                {
                    value.setAccess(KEY_READ | samRetry);
                    bRead = value.getValue(szText, false);
                }
                if (!bRead)
                    continue;
                const CZEBWCharString& szFound =
                    itemType == ritLocation ? pInfo->m_szKeyPath : szText;
                szItem = szFound;
                return szItem == szFound;
            }
            return false;
        }));
}
