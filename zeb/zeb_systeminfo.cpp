#include "zeb_systeminfo.h"

#include "zeb_directory.h"
#include "zeb_guard.h"
#include "zeb_method_trace.h"

#define ZEB_SYSTEMINFO_SOURCE ZEB_W(".\\zeb_systeminfo.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBSystemInfo");

// The vendor folders, by vendor index.
const LPCWSTR s_aszVendors[] = {ZEB_W("Kelbix"), ZEB_W("Copperfennel")};
const DWORD s_ulVendors = sizeof(s_aszVendors) / sizeof(s_aszVendors[0]);

// The shell writes at most MAX_PATH characters with the terminator.
const DWORD s_cchFolder = MAX_PATH + 1;
} // namespace

CZEBSystemInfo::CZEBSystemInfo(DWORD ulVendor) : m_ulVendor(ulVendor)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBSystemInfo"), ZEB_SYSTEMINFO_SOURCE, __LINE__);
    trace.passFail(true);
}

CZEBSystemInfo::~CZEBSystemInfo()
{
    ZebTrace trace(s_szClass, ZEB_W("~CZEBSystemInfo"), ZEB_SYSTEMINFO_SOURCE, __LINE__);
    trace.passFail(true);
}

bool CZEBSystemInfo::getStoragePath(CZEBWCharString& szPath)
{
    ZebTrace trace(s_szClass, ZEB_W("getStoragePath"), ZEB_SYSTEMINFO_SOURCE, __LINE__);
    return trace.passFail(zebGuarded(
        false, zesLastError, ZEB_SYSTEMINFO_SOURCE, __LINE__,
        [&]
        {
            if (m_ulVendor >= s_ulVendors)
            {
                // Written when built.
                CZEBBadArgException badVendor(
                    ZEB_W("m_ulVendor"), ZEB_W("the vendor index must be 0 or 1"),
                    ZEB_SYSTEMINFO_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                return false;
            }
            CZEBBuffer<unsigned short> folder(s_cchFolder);
            const HRESULT hResult =
                SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                 reinterpret_cast<LPWSTR>(folder.getBuffer()));
            // Only S_OK gives a path: S_FALSE names a folder that does not exist, and an empty
            // text would put the vendor folder at the root of the current drive.
            if (hResult != S_OK)
            {
                CZEBSIgetStoragePathException failed(
                    ZEB_W("SHGetFolderPath( CSIDL_COMMON_APPDATA ) failed"),
                    static_cast<int>(hResult), s_szClass, ZEB_W("getStoragePath"),
                    ZEB_SYSTEMINFO_SOURCE, __LINE__, OUTPUT_TEXT, true, false);
                return false;
            }
            folder[s_cchFolder - 1] = 0;
            const CZEBWCharString vendor(s_aszVendors[m_ulVendor]);
            const CZEBWCharString backslash(ZEB_W("\\"));
            CZEBWCharString path(reinterpret_cast<LPCWSTR>(folder.getBuffer()));
            const DWORD ulLength = path.getLength() + vendor.getLength() + 2;
            path += backslash;
            path += vendor;
            path += backslash;
            if (path.getLength() != ulLength)
                return false;
            // Only the last level is created: the common folder exists on every system.
            CZEBDirectory directory(path);
            if (!directory.isValidDirectory())
                CreateDirectoryW(path.getBuffer(), nullptr);
            if (!directory.isValidDirectory())
                return false;
            szPath = path;
            return szPath == path;
        }));
}
