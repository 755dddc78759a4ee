// The registry as the shipping program meets it: a 32-bit process on 64-bit Windows sees
// HKLM\Software through its 32-bit view (Wow6432Node), where the suite's installer leaves
// its keys; a 64-bit process sees the 64-bit view. The same test holds in every build, each
// checking the view its own process has.
#include "zeb_test_support.h"

#include <gtest/gtest.h>

using namespace zebtest;

namespace
{
const WCHAR szViewKey[] = ZEB_W("Software\\ZebTests\\View32");
const WCHAR szViewValue[] = ZEB_W("Seeded");

bool runsUnderWow64()
{
    BOOL bWow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &bWow64) && bWow64;
}

// The key in the 32-bit view, removed before and after the test.
class ThirtyTwoBitKey
{
public:
    ThirtyTwoBitKey() { remove(); }
    ~ThirtyTwoBitKey() { remove(); }
    ThirtyTwoBitKey(const ThirtyTwoBitKey&) = delete;
    ThirtyTwoBitKey& operator=(const ThirtyTwoBitKey&) = delete;

    void seed(DWORD ulValue)
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE, szViewKey, 0, nullptr, 0,
                                  KEY_READ | KEY_WRITE | KEY_WOW64_32KEY, nullptr, &hKey, nullptr));
        EXPECT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(hKey, szViewValue, 0, REG_DWORD,
                                 reinterpret_cast<const BYTE*>(&ulValue), sizeof(ulValue)));
        RegCloseKey(hKey);
    }

private:
    static void remove()
    {
        HKEY hParent = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\ZebTests"), 0,
                          KEY_READ | KEY_WRITE | KEY_WOW64_32KEY, &hParent) != ERROR_SUCCESS)
            return;
        RegDeleteKeyW(hParent, ZEB_W("View32"));
        RegCloseKey(hParent);
    }
};

// The seeded value as an open with the given access reads it; ERROR_FILE_NOT_FOUND when the
// key is not in that view.
LSTATUS readSeeded(REGSAM samDesired, DWORD& ulValue)
{
    HKEY hKey = nullptr;
    const LSTATUS rc = RegOpenKeyExW(HKEY_LOCAL_MACHINE, szViewKey, 0, samDesired, &hKey);
    if (rc != ERROR_SUCCESS)
        return rc;
    DWORD ulType = 0;
    DWORD cbData = sizeof(ulValue);
    const LSTATUS rcQuery = RegQueryValueExW(hKey, szViewValue, nullptr, &ulType,
                                             reinterpret_cast<BYTE*>(&ulValue), &cbData);
    RegCloseKey(hKey);
    return rcQuery;
}
} // namespace

TEST(RegistryView, ValueSeededInThe32BitViewIsWhereA32BitProgramLooks)
{
#ifdef _WIN32
    // The shipping build is the 32-bit one; under Wine it runs as on 64-bit Windows.
    EXPECT_EQ(sizeof(void*) == 4, runsUnderWow64());
#endif
    ThirtyTwoBitKey key;
    key.seed(0x8108);

    DWORD ulValue = 0;
    EXPECT_EQ(ERROR_SUCCESS, readSeeded(KEY_READ | KEY_WOW64_32KEY, ulValue));
    EXPECT_EQ(0x8108u, ulValue);

    ulValue = 0;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, readSeeded(KEY_READ | KEY_WOW64_64KEY, ulValue))
        << "the 64-bit view does not hold the 32-bit view's keys";

    ulValue = 0;
    if (runsUnderWow64())
    {
        EXPECT_EQ(ERROR_SUCCESS, readSeeded(KEY_READ, ulValue))
            << "a plain open of a 32-bit process reads the 32-bit view";
        EXPECT_EQ(0x8108u, ulValue);
    }
    else
    {
        EXPECT_EQ(ERROR_FILE_NOT_FOUND, readSeeded(KEY_READ, ulValue))
            << "a plain open of a 64-bit process reads the 64-bit view";
    }
}
