// Helpers of the policy and product tests: raw registry reads and writes in a chosen view,
// the keys the suite and the common policy use (removed in every view before and after each
// test), the six policy locations as the registry holds them, and a library heap that fails
// one chosen allocation. Win32 calls only: the same tests run on the host subset, under
// Wine as a 64-bit process and as the shipping 32-bit program under WoW64.
#pragma once

#include "zeb_memory.h"
#include "zeb_registry_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace zebtest
{
// The suite's two locations and the common policy's keys.
const WCHAR kSuiteKey[] = ZEB_W("Software\\Kelbix\\Hestrel");
const WCHAR kLegacyKey[] = ZEB_W("Software\\Qel Copperfennel\\Tamberlin");
const WCHAR kLegacyVendorKey[] = ZEB_W("Software\\Qel Copperfennel");

// Whether this process runs as a 32-bit one on a 64-bit system (the shipping program's
// situation), and whether the system has two registry views at all.
inline bool processIsWow64()
{
    BOOL bWow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &bWow64) && bWow64;
}
inline bool systemIs64Bit()
{
    SYSTEM_INFO info;
    GetNativeSystemInfo(&info);
    return info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
           info.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_IA64;
}
// The view a plain open of HKLM\Software reads in this process, and the other one.
inline REGSAM ownView()
{
    return processIsWow64() ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}
inline REGSAM otherView()
{
    return processIsWow64() ? KEY_WOW64_64KEY : KEY_WOW64_32KEY;
}

// Writes one raw value, creating the key, in the view samView (0: the process's own).
inline void setRawValue(HKEY hRoot, const WString& path, LPCWSTR szName, DWORD ulType,
                        const void* pData, DWORD cbData, REGSAM samView = 0)
{
    HKEY hKey = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(hRoot, path.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | samView,
                              nullptr, &hKey, nullptr))
        << narrow(path);
    EXPECT_EQ(ERROR_SUCCESS,
              RegSetValueExW(hKey, szName, 0, ulType, static_cast<const BYTE*>(pData), cbData));
    RegCloseKey(hKey);
}
inline void setTextValue(HKEY hRoot, const WString& path, LPCWSTR szName, const WString& text,
                         REGSAM samView = 0, DWORD ulType = REG_SZ)
{
    setRawValue(hRoot, path, szName, ulType, text.c_str(),
                static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)), samView);
}
inline void setDwordValue(HKEY hRoot, const WString& path, LPCWSTR szName, DWORD ulValue,
                          REGSAM samView = 0)
{
    setRawValue(hRoot, path, szName, REG_DWORD, &ulValue, sizeof ulValue, samView);
}

// The raw bytes and type of a value; false when it cannot be read.
inline bool getRawValue(HKEY hRoot, const WString& path, LPCWSTR szName, std::vector<BYTE>& data,
                        DWORD* pulType = nullptr, REGSAM samView = 0)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, path.c_str(), 0, KEY_READ | samView, &hKey) != ERROR_SUCCESS)
        return false;
    DWORD cbData = 0;
    LSTATUS rc = RegQueryValueExW(hKey, szName, nullptr, pulType, nullptr, &cbData);
    if (rc == ERROR_SUCCESS)
    {
        data.assign(cbData, 0);
        rc = RegQueryValueExW(hKey, szName, nullptr, pulType, cbData ? data.data() : nullptr,
                              &cbData);
    }
    RegCloseKey(hKey);
    return rc == ERROR_SUCCESS;
}
inline bool keyExists(HKEY hRoot, const WString& path, REGSAM samView = 0)
{
    HKEY hKey = nullptr;
    if (RegOpenKeyExW(hRoot, path.c_str(), 0, KEY_READ | samView, &hKey) != ERROR_SUCCESS)
        return false;
    RegCloseKey(hKey);
    return true;
}
inline bool valueExists(HKEY hRoot, const WString& path, LPCWSTR szName, REGSAM samView = 0)
{
    std::vector<BYTE> data;
    return getRawValue(hRoot, path, szName, data, nullptr, samView);
}
// The DWORD stored in a value, kNoValue when it cannot be read or is not four bytes.
inline DWORD dwordValue(HKEY hRoot, const WString& path, LPCWSTR szName, REGSAM samView = 0)
{
    std::vector<BYTE> data;
    if (!getRawValue(hRoot, path, szName, data, nullptr, samView) || data.size() != 4)
        return kNoValue;
    return data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<DWORD>(data[3]) << 24);
}

// A value name no test writes on purpose, removed from the roots before and after.
const WCHAR kStrayValue[] = ZEB_W("ZebTestStrayValue");

// Removes the suite's keys, the common policy's keys and anything a test may have left in
// the roots, in every view, when the test starts and when it ends. Keys shared with other
// tests (Software\Kelbix holds the logging key) are removed only when empty.
class CleanProductKeys
{
public:
    CleanProductKeys() { clean(); }
    ~CleanProductKeys() { clean(); }
    CleanProductKeys(const CleanProductKeys&) = delete;
    CleanProductKeys& operator=(const CleanProductKeys&) = delete;

    static void clean()
    {
        for (REGSAM samView : {static_cast<REGSAM>(0), static_cast<REGSAM>(KEY_WOW64_32KEY),
                               static_cast<REGSAM>(KEY_WOW64_64KEY)})
        {
            deleteKeyTree(HKEY_LOCAL_MACHINE, kSuiteKey, samView);
            deleteKeyTree(HKEY_LOCAL_MACHINE, kLegacyVendorKey, samView);
            for (HKEY hRoot : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
            {
                deleteKeyTree(hRoot, ZEB_W("Software\\Policies\\Kelbix"), samView);
                deleteKeyTree(hRoot, ZEB_W("Software\\Kelbix\\ZEB Common"), samView);
                // Keys a path with an unfilled placeholder would name.
                deleteKeyTree(hRoot, ZEB_W("Software\\%VENDOR_NAME%"), samView);
                deleteKeyTree(hRoot, ZEB_W("Software\\Policies\\%VENDOR_NAME%"), samView);
                deleteKeyTree(hRoot, ZEB_W("Software\\Kelbix\\%PRODUCT_NAME%"), samView);
                deleteKeyTree(hRoot, ZEB_W("Software\\Policies\\Kelbix\\%PRODUCT_NAME%"), samView);
                deleteEmpty(hRoot, ZEB_W("Software\\Kelbix"), samView);
            }
        }
        for (HKEY hRoot : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER})
        {
            RegDeleteValueW(hRoot, kStrayValue);
            HKEY hSoftware = nullptr;
            if (RegOpenKeyExW(hRoot, ZEB_W("Software"), 0, KEY_READ | KEY_WRITE, &hSoftware) ==
                ERROR_SUCCESS)
            {
                RegDeleteValueW(hSoftware, kStrayValue);
                RegCloseKey(hSoftware);
            }
        }
    }

private:
    // Deletes the key when it has no subkeys.
    static void deleteEmpty(HKEY hRoot, const WString& path, REGSAM samView)
    {
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(hRoot, path.c_str(), 0, KEY_READ | samView, &hKey) != ERROR_SUCCESS)
            return;
        WCHAR szName[256];
        DWORD cchName = 256;
        const bool bHasSubkeys = RegEnumKeyExW(hKey, 0, szName, &cchName, nullptr, nullptr, nullptr,
                                               nullptr) == ERROR_SUCCESS;
        RegCloseKey(hKey);
        if (!bHasSubkeys)
            deleteKeyTree(hRoot, path.c_str(), samView);
    }
};

// The registry place of each policy location for vendor Kelbix and product ZEB Common.
struct PolicyPlace
{
    DWORD ulLocation;
    HKEY hRoot;
    LPCWSTR szProductKey; // the key before any sub-key
};
inline const std::vector<PolicyPlace>& policyPlaces()
{
    static const std::vector<PolicyPlace> places = {
        {1, HKEY_LOCAL_MACHINE, ZEB_W("Software\\Policies\\Kelbix\\ZEB Common")},
        {2, HKEY_CURRENT_USER, ZEB_W("Software\\Policies\\Kelbix\\ZEB Common")},
        {4, HKEY_LOCAL_MACHINE, ZEB_W("Software\\Policies\\Kelbix\\ZEB Common\\User Defaults")},
        {8, HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix\\ZEB Common")},
        {16, HKEY_CURRENT_USER, ZEB_W("Software\\Kelbix\\ZEB Common")},
        {32, HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix\\ZEB Common\\User Defaults")}};
    return places;
}
inline const PolicyPlace& placeOf(DWORD ulLocation)
{
    for (const PolicyPlace& place : policyPlaces())
        if (place.ulLocation == ulLocation)
            return place;
    ADD_FAILURE() << "no place for location " << ulLocation;
    return policyPlaces()[0];
}
// The product key of a location with a sub-key appended.
inline WString placePath(DWORD ulLocation, LPCWSTR szSubKey = ZEB_W("Hestrel"))
{
    WString path = placeOf(ulLocation).szProductKey;
    if (szSubKey && *szSubKey)
        path += WString(ZEB_W("\\")) + szSubKey;
    return path;
}
inline std::string rootName(HKEY hRoot)
{
    return hRoot == HKEY_LOCAL_MACHINE ? "HKLM" : hRoot == HKEY_CURRENT_USER ? "HKCU" : "?";
}

// The library heap with one chosen allocation failing: the one after s_nPasses more
// allocations have succeeded (-1: none fails). s_nCalls counts every allocation asked for.
struct OneFailingAllocation
{
    static int s_nPasses;
    static int s_nCalls;
    static void* allocate(size_t cbSize)
    {
        ++s_nCalls;
        if (s_nPasses == 0)
        {
            s_nPasses = -1;
            return nullptr;
        }
        if (s_nPasses > 0)
            --s_nPasses;
        return std::calloc(1, cbSize ? cbSize : 1);
    }
    static bool release(void* p, size_t)
    {
        std::free(p);
        return true;
    }
};
inline int OneFailingAllocation::s_nPasses = -1;
inline int OneFailingAllocation::s_nCalls = 0;

// Installs the failing heap for one scope; nPasses allocations succeed before one fails.
class FailingHeapScope
{
public:
    explicit FailingHeapScope(int nPasses)
    {
        OneFailingAllocation::s_nPasses = nPasses;
        OneFailingAllocation::s_nCalls = 0;
        static const ZebAllocatorHooks hooks = {&OneFailingAllocation::allocate,
                                                &OneFailingAllocation::release};
        zebSetAllocatorHooks(&hooks);
    }
    ~FailingHeapScope() { zebSetAllocatorHooks(nullptr); }
    FailingHeapScope(const FailingHeapScope&) = delete;
    FailingHeapScope& operator=(const FailingHeapScope&) = delete;
    // Whether the failing allocation was reached.
    static bool failed() { return OneFailingAllocation::s_nPasses == -1; }
};

// Log lines that contain every one of the texts.
inline size_t countLinesWithAll(const std::vector<WString>& lines,
                                std::initializer_list<WString> texts)
{
    size_t n = 0;
    for (const WString& line : lines)
    {
        bool bAll = true;
        for (const WString& text : texts)
            bAll = bAll && line.find(text) != WString::npos;
        n += bAll ? 1 : 0;
    }
    return n;
}
} // namespace zebtest
