// Policy settings, search orders, product policies and the common policy table. Lookups are
// checked against values written raw into the six registry locations, so the same tests hold
// on the host registry, under Wine as a 64-bit process and as a 32-bit one under WoW64.
#include "zeb_common_policy.h"
#include "zeb_policy_ad_search_policy.h"
#include "zeb_policy_ostrin_search_policy.h"
#include "zeb_product_test_support.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <utility>

using namespace zebtest;

namespace
{
typedef CZEBPolicySearchPolicy SP;

const WCHAR kVendor[] = ZEB_W("Kelbix");
const WCHAR kProduct[] = ZEB_W("ZEB Common");

CZEBPolicyDwordSetting dwordSetting(LPCWSTR szValueName = ZEB_W("HRVInstall"),
                                    LPCWSTR szSubKey = ZEB_W("Hestrel"), DWORD ulDefault = 0,
                                    DWORD ulId = 1, DWORD ulSource = 1)
{
    return CZEBPolicyDwordSetting(CZEBWCharString(kVendor), CZEBWCharString(kProduct), ulId,
                                  ulSource, CZEBWCharString(ZEB_W("1.0")),
                                  CZEBWCharString(szValueName), CZEBWCharString(szSubKey),
                                  ulDefault, false);
}

CZEBPolicyStringSetting stringSetting(LPCWSTR szValueName, bool bExpandable, bool bWrite32BitView,
                                      LPCWSTR szDefault = ZEB_W(""))
{
    return CZEBPolicyStringSetting(CZEBWCharString(kVendor), CZEBWCharString(kProduct), 3, 1,
                                   CZEBWCharString(ZEB_W("1.0")), CZEBWCharString(szValueName),
                                   CZEBWCharString(ZEB_W("Hestrel")), CZEBWCharString(szDefault),
                                   bExpandable, bWrite32BitView);
}

std::vector<DWORD> locationsOf(CZEBPolicySearchPolicy& order)
{
    std::vector<DWORD> out;
    for (DWORD i = 0; i < order.getCount(); ++i)
        out.push_back(order.getPolicyLocation(i));
    return out;
}

PolicyLocation at(DWORD ulLocation)
{
    return static_cast<PolicyLocation>(ulLocation);
}

// Every test starts and ends with none of the keys present.
class Policy : public ::testing::Test
{
protected:
    CleanProductKeys m_keys;
};
} // namespace

// ---- Search orders ----

TEST(PolicySearchOrder, PredefinedOrdersListTheirLocations)
{
    CZEBPolicyADSearchPolicy ad;
    EXPECT_EQ(6u, ad.getCount());
    EXPECT_EQ((std::vector<DWORD>{1, 2, 4, 8, 16, 32}), locationsOf(ad));
    CZEBPolicyOstrinSearchPolicy ostrin;
    EXPECT_EQ(3u, ostrin.getCount());
    EXPECT_EQ((std::vector<DWORD>{8, 16, 32}), locationsOf(ostrin));
    CZEBPolicySearchPolicy empty;
    EXPECT_EQ(0u, empty.getCount());
}

TEST(PolicySearchOrder, IndexOutOfRangeIsLoggedAndAnswersTheMachinePolicy)
{
    LoggingOn logging;
    CZEBPolicyADSearchPolicy ad;
    EXPECT_EQ(32u, static_cast<DWORD>(ad.getPolicyLocation(5)));
    EXPECT_EQ(SP::plMachinePolicy, ad.getPolicyLocation(6));
    CZEBPolicySearchPolicy empty;
    EXPECT_EQ(SP::plMachinePolicy, empty.getPolicyLocation(0));
    EXPECT_EQ(SP::plMachinePolicy, empty.getPolicyLocation(0xFFFFFFFF));
    EXPECT_EQ(3u, countLinesWith(logging.log.lines(), ZEB_W("Index out of array bounds")));
}

TEST(PolicySearchOrder, DuplicatesStayAndCopiesAreIndependent)
{
    CZEBPolicyOstrinSearchPolicy ostrin;
    EXPECT_TRUE(ostrin.addPolicy(SP::plUserPreference));
    EXPECT_EQ((std::vector<DWORD>{8, 16, 32, 16}), locationsOf(ostrin));

    CZEBPolicySearchPolicy copy(ostrin);
    EXPECT_TRUE(copy.addPolicy(SP::plMachinePolicy));
    EXPECT_EQ((std::vector<DWORD>{8, 16, 32, 16, 1}), locationsOf(copy));
    EXPECT_EQ((std::vector<DWORD>{8, 16, 32, 16}), locationsOf(ostrin));

    CZEBPolicySearchPolicy assigned;
    assigned.addPolicy(SP::plUserPolicy);
    assigned = copy;
    EXPECT_EQ((std::vector<DWORD>{8, 16, 32, 16, 1}), locationsOf(assigned));
    assigned.addPolicy(SP::plUserPolicy);
    EXPECT_EQ(5u, copy.getCount());
}

// ---- Settings: construction, copies, comparisons ----

TEST(PolicySetting, ConstructionSetsTheFields)
{
    const CZEBPolicyDwordSetting blank;
    EXPECT_EQ(1u, blank.m_ulSource);
    EXPECT_EQ(1u, blank.m_ulType);
    EXPECT_EQ(0u, blank.m_ulId);
    EXPECT_EQ(0u, blank.m_Default);
    EXPECT_EQ(0u, blank.m_Current);
    EXPECT_FALSE(blank.m_bLoaded);
    EXPECT_FALSE(blank.m_bWrite32BitView);
    EXPECT_FALSE(blank.m_szValueName.isValid());
    EXPECT_FALSE(CZEBPolicyStringSetting().m_bExpandable);
    EXPECT_EQ(1u, CZEBPolicyStringSetting().m_ulType);

    const CZEBPolicyDwordSetting dword(
        CZEBWCharString(kVendor), CZEBWCharString(kProduct), 5, 1, CZEBWCharString(ZEB_W("1.0")),
        CZEBWCharString(ZEB_W("FPSwipeResult")), CZEBWCharString(ZEB_W("Hestrel")), 1, true);
    EXPECT_EQ(1u, dword.m_ulType);
    EXPECT_EQ(5u, dword.m_ulId);
    EXPECT_EQ(1u, dword.m_Default);
    EXPECT_EQ(1u, dword.m_Current);
    EXPECT_FALSE(dword.m_bLoaded);
    EXPECT_TRUE(dword.m_bWrite32BitView);
    EXPECT_EQ(W(ZEB_W("Kelbix")), text(dword.m_szVendorName));
    EXPECT_EQ(W(ZEB_W("ZEB Common")), text(dword.m_szProductName));
    EXPECT_EQ(W(ZEB_W("1.0")), text(dword.m_szVersion));
    EXPECT_EQ(W(ZEB_W("FPSwipeResult")), text(dword.getValueName()));
    EXPECT_EQ(W(ZEB_W("Hestrel")), text(dword.getSubKey()));
    EXPECT_EQ(1u, dword.getDefaultValue());

    const CZEBPolicyStringSetting string =
        stringSetting(ZEB_W("AdminUser"), true, false, ZEB_W("nobody"));
    EXPECT_EQ(2u, string.m_ulType);
    EXPECT_TRUE(string.m_bExpandable);
    EXPECT_EQ(W(ZEB_W("nobody")), text(string.m_Current));
    EXPECT_EQ(W(ZEB_W("nobody")), text(string.getDefaultValue()));
}

TEST(PolicySetting, EqualityIgnoresTheCacheAndTheExpandableFlag)
{
    CZEBPolicyStringSetting a = stringSetting(ZEB_W("AdminUser"), false, true);
    CZEBPolicyStringSetting b = stringSetting(ZEB_W("AdminUser"), true, true);
    b.m_bLoaded = true;
    b.m_Current = CZEBWCharString(ZEB_W("cached"));
    EXPECT_TRUE(a == b);
    EXPECT_FALSE(a != b);

    // Each definition field on its own makes a difference.
    const CZEBPolicyDwordSetting base = dwordSetting();
    std::vector<std::pair<const char*, void (*)(CZEBPolicyDwordSetting&)>> changes = {
        {"id", [](CZEBPolicyDwordSetting& s) { s.m_ulId = 2; }},
        {"source", [](CZEBPolicyDwordSetting& s) { s.m_ulSource = 2; }},
        {"type", [](CZEBPolicyDwordSetting& s) { s.m_ulType = 2; }},
        {"vendor", [](CZEBPolicyDwordSetting& s) { s.m_szVendorName = ZEB_W("kelbix"); }},
        {"product", [](CZEBPolicyDwordSetting& s) { s.m_szProductName = ZEB_W("ZEB"); }},
        {"version", [](CZEBPolicyDwordSetting& s) { s.m_szVersion = ZEB_W("1.1"); }},
        {"value name", [](CZEBPolicyDwordSetting& s) { s.setValueName(ZEB_W("Other")); }},
        {"sub-key", [](CZEBPolicyDwordSetting& s) { s.setSubKey(ZEB_W("Velloway")); }},
        {"default", [](CZEBPolicyDwordSetting& s) { s.setDefaultValue(7); }},
        {"32-bit view", [](CZEBPolicyDwordSetting& s) { s.m_bWrite32BitView = true; }},
    };
    for (const auto& change : changes)
    {
        SCOPED_TRACE(change.first);
        CZEBPolicyDwordSetting changed = base;
        EXPECT_TRUE(changed == base);
        change.second(changed);
        EXPECT_FALSE(changed == base);
        EXPECT_TRUE(changed != base);
    }
    // setDefaultValue leaves the cache alone.
    CZEBPolicyDwordSetting withDefault = base;
    withDefault.setDefaultValue(9);
    EXPECT_EQ(9u, withDefault.getDefaultValue());
    EXPECT_EQ(0u, withDefault.m_Current);
    EXPECT_FALSE(withDefault.m_bLoaded);
}

TEST(PolicySetting, SettingsOrderByIdAsUnsignedNumbers)
{
    const CZEBPolicyDwordSetting two = dwordSetting(ZEB_W("A"), ZEB_W(""), 0, 2);
    const CZEBPolicyDwordSetting ten = dwordSetting(ZEB_W("B"), ZEB_W(""), 0, 10);
    const CZEBPolicyDwordSetting zero = dwordSetting(ZEB_W("C"), ZEB_W(""), 0, 0);
    const CZEBPolicyDwordSetting top = dwordSetting(ZEB_W("D"), ZEB_W(""), 0, 4294967295u);
    EXPECT_TRUE(two < ten);
    EXPECT_FALSE(ten < two);
    EXPECT_TRUE(ten > two);
    EXPECT_TRUE(top > zero);
    EXPECT_FALSE(top < zero);
    EXPECT_FALSE(two < two);
    EXPECT_FALSE(two > two);

    // A list node compares through the same operators.
    CZEBObjNode<CZEBPolicyDwordSetting> node(two, 2);
    EXPECT_TRUE(node == two);
    EXPECT_TRUE(node != ten);
    EXPECT_TRUE(node < ten);
    EXPECT_TRUE(node > zero);
    EXPECT_EQ(W(ZEB_W("A")), text(node.getValue()->getValueName()));
}

// ---- Key paths and value names ----

TEST(PolicySetting, KeyPathFollowsLocationSubKeyAndSubstitution)
{
    struct Case
    {
        DWORD ulLocation;
        LPCWSTR szSubKey;
        LPCWSTR szVariables;
        LPCWSTR szExpected;
    };
    const Case cases[] = {
        {1, ZEB_W("Hestrel"), ZEB_W(""), ZEB_W("Software\\Policies\\Kelbix\\ZEB Common\\Hestrel")},
        {2, ZEB_W("Hestrel"), ZEB_W(""), ZEB_W("Software\\Policies\\Kelbix\\ZEB Common\\Hestrel")},
        {4, ZEB_W("Hestrel"), ZEB_W(""),
         ZEB_W("Software\\Policies\\Kelbix\\ZEB Common\\User Defaults\\Hestrel")},
        {8, ZEB_W("Hestrel"), ZEB_W(""), ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel")},
        {16, ZEB_W("Hestrel"), ZEB_W(""), ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel")},
        {32, ZEB_W("Hestrel"), ZEB_W(""),
         ZEB_W("Software\\Kelbix\\ZEB Common\\User Defaults\\Hestrel")},
        // 0 and values above the six bits take the first template; several bits the highest.
        {0, ZEB_W("Hestrel"), ZEB_W(""), ZEB_W("Software\\Policies\\Kelbix\\ZEB Common\\Hestrel")},
        {64, ZEB_W("Hestrel"), ZEB_W(""), ZEB_W("Software\\Policies\\Kelbix\\ZEB Common\\Hestrel")},
        {0x21, ZEB_W("Hestrel"), ZEB_W(""),
         ZEB_W("Software\\Kelbix\\ZEB Common\\User Defaults\\Hestrel")},
        // Sub-keys.
        {8, ZEB_W(""), ZEB_W(""), ZEB_W("Software\\Kelbix\\ZEB Common")},
        {8, ZEB_W("\\Hestrel"), ZEB_W(""), ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel")},
        {8, ZEB_W("Hestrel\\Deeper"), ZEB_W(""),
         ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel\\Deeper")},
        // Substitution: NAME before the first "=", VALUE after the last one, first NAME only.
        {8, ZEB_W("A"), ZEB_W("A=B=C"), ZEB_W("Software\\Kelbix\\ZEB Common\\C")},
        {8, ZEB_W("Hestrel"), ZEB_W("Kelbix=Zorn"), ZEB_W("Software\\Zorn\\ZEB Common\\Hestrel")},
        {1, ZEB_W("Hestrel"), ZEB_W("e=X"),
         ZEB_W("SoftwarX\\Policies\\Kelbix\\ZEB Common\\Hestrel")},
        {8, ZEB_W("Hestrel"), ZEB_W("Hestrel"), ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel")},
        {8, ZEB_W("Hestrel"), ZEB_W("%VALUE_NAME%=X"),
         ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel")},
        {8, ZEB_W("Hestrel"), ZEB_W("Missing=X"), ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel")},
        {8, ZEB_W("Hestrel"), ZEB_W("=X"), ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel")},
        {8, ZEB_W("Hestrel"), ZEB_W("\\Hestrel="), ZEB_W("Software\\Kelbix\\ZEB Common")},
        // Without a sub-key nothing is substituted.
        {8, ZEB_W(""), ZEB_W("Kelbix=Zorn"), ZEB_W("Software\\Kelbix\\ZEB Common")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.ulLocation) + " " + narrow(c.szSubKey) + " " +
                     narrow(c.szVariables));
        CZEBPolicyDwordSetting setting = dwordSetting(ZEB_W("HRVInstall"), c.szSubKey);
        EXPECT_EQ(W(c.szExpected),
                  text(setting.getValueLocation(at(c.ulLocation), CZEBWCharString(c.szVariables))));
    }
}

TEST(PolicySetting, ValueNameComesFromTheFirstValueNameEntry)
{
    struct Case
    {
        std::vector<WString> entries;
        LPCWSTR szExpected;
    };
    const Case cases[] = {
        {{}, ZEB_W("HRVInstall")},
        {{ZEB_W("Hestrel=Other")}, ZEB_W("HRVInstall")},
        {{ZEB_W(""), ZEB_W("A=B"), ZEB_W("%VALUE_NAME%=Other"), ZEB_W("%VALUE_NAME%=Second")},
         ZEB_W("Other")},
        {{ZEB_W("%VALUE_NAME%=X=Y")}, ZEB_W("Y")},
        {{ZEB_W("%VALUE_NAME%")}, ZEB_W("HRVInstall")},
        {{ZEB_W("%VALUE_NAME%=")}, ZEB_W("HRVInstall")},
        {{ZEB_W("%value_name%=Other")}, ZEB_W("HRVInstall")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(show(c.entries));
        CZEBPolicyDwordSetting setting = dwordSetting();
        CZEBDblList<CZEBWCharString> list = makeList(c.entries);
        EXPECT_EQ(W(c.szExpected), text(setting.getValueLocation(list)));
    }
}

TEST(PolicySetting, UnsupportedSourceIsLoggedAndNothingIsRead)
{
    LoggingOn logging;
    CleanProductKeys keys;
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(1), ZEB_W("HRVInstall"), 1);
    CZEBPolicyDwordSetting setting = dwordSetting(ZEB_W("HRVInstall"), ZEB_W("Hestrel"), 0, 1, 2);
    EXPECT_FALSE(setting.getValueLocation(SP::plMachinePolicy, CZEBWCharString()).isValid());
    DWORD ulValue = kNoValue;
    EXPECT_FALSE(setting.getPolicy(SP::plMachinePolicy, &ulValue, false, CZEBWCharString()));
    EXPECT_EQ(kNoValue, ulValue);
    EXPECT_FALSE(setting.setPolicy(SP::plMachinePolicy, 5, true, CZEBWCharString(), false));
    EXPECT_EQ(1u, dwordValue(HKEY_LOCAL_MACHINE, placePath(1), ZEB_W("HRVInstall")));
    EXPECT_EQ(3u, countLinesWith(logging.log.lines(), ZEB_W("Policy source is not supported.")));
}

// ---- Reading and writing one location ----

// A value at one location is found there and nowhere else.
TEST_F(Policy, EachLocationReadsItsOwnKey)
{
    for (const PolicyPlace& seeded : policyPlaces())
    {
        SCOPED_TRACE("seeded at " + std::to_string(seeded.ulLocation));
        CleanProductKeys::clean();
        setDwordValue(seeded.hRoot, placePath(seeded.ulLocation), ZEB_W("HRVInstall"),
                      100 + seeded.ulLocation);
        for (const PolicyPlace& asked : policyPlaces())
        {
            SCOPED_TRACE("asked at " + std::to_string(asked.ulLocation));
            CZEBPolicyDwordSetting setting = dwordSetting();
            DWORD ulValue = kNoValue;
            const bool bFound =
                setting.getPolicy(at(asked.ulLocation), &ulValue, false, CZEBWCharString());
            EXPECT_EQ(asked.ulLocation == seeded.ulLocation, bFound);
            EXPECT_EQ(bFound ? 100 + seeded.ulLocation : kNoValue, ulValue);
            EXPECT_EQ(bFound, setting.m_bLoaded);
        }
    }
}

TEST_F(Policy, ReadsOfLocationValuesOutsideTheSixBits)
{
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(1), ZEB_W("HRVInstall"), 7);
    setDwordValue(HKEY_CURRENT_USER, placePath(2), ZEB_W("HRVInstall"), 9);
    const std::pair<DWORD, DWORD> cases[] = {{0, 7}, {64, 7}, {3, 9}, {0x41, 7}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.first);
        CZEBPolicyDwordSetting setting = dwordSetting();
        DWORD ulValue = kNoValue;
        EXPECT_TRUE(setting.getPolicy(at(c.first), &ulValue, false, CZEBWCharString()));
        EXPECT_EQ(c.second, ulValue);
    }
}

TEST_F(Policy, WritesGoOnlyToOneOfTheSixLocations)
{
    for (DWORD ulLocation : {0u, 3u, 64u, 0x21u, 0xFFFFFFFFu})
    {
        SCOPED_TRACE(ulLocation);
        CZEBPolicyDwordSetting setting = dwordSetting();
        EXPECT_FALSE(setting.setPolicy(at(ulLocation), 5, true, CZEBWCharString(), false));
        EXPECT_FALSE(setting.m_bLoaded);
        CZEBPolicyStringSetting string = stringSetting(ZEB_W("AdminUser"), false, true);
        EXPECT_FALSE(string.setPolicy(at(ulLocation), CZEBWCharString(ZEB_W("x")), true,
                                      CZEBWCharString(), false));
        for (const PolicyPlace& place : policyPlaces())
            EXPECT_FALSE(keyExists(place.hRoot, placeOf(place.ulLocation).szProductKey))
                << place.ulLocation;
    }
    for (const PolicyPlace& place : policyPlaces())
    {
        SCOPED_TRACE(place.ulLocation);
        CZEBPolicyDwordSetting setting = dwordSetting();
        EXPECT_TRUE(setting.setPolicy(at(place.ulLocation), 40 + place.ulLocation, true,
                                      CZEBWCharString(), false));
        EXPECT_EQ(40 + place.ulLocation,
                  dwordValue(place.hRoot, placePath(place.ulLocation), ZEB_W("HRVInstall")));
    }
}

TEST_F(Policy, WriteWithoutCreateNeedsTheKey)
{
    CZEBPolicyDwordSetting setting = dwordSetting();
    EXPECT_FALSE(setting.setPolicy(SP::plUserPreference, 5, false, CZEBWCharString(), false));
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, placePath(16)));
    EXPECT_FALSE(setting.m_bLoaded);
    setDwordValue(HKEY_CURRENT_USER, placePath(16), ZEB_W("Other"), 1);
    EXPECT_TRUE(setting.setPolicy(SP::plUserPreference, 5, false, CZEBWCharString(), false));
    EXPECT_EQ(5u, dwordValue(HKEY_CURRENT_USER, placePath(16), ZEB_W("HRVInstall")));
    // A volatile key is created and holds the value as long as the system runs.
    CZEBPolicyDwordSetting volatileSetting = dwordSetting(ZEB_W("HRVInstall"), ZEB_W("Velloway"));
    EXPECT_TRUE(volatileSetting.setPolicy(SP::plUserPreference, 6, true, CZEBWCharString(), true));
    EXPECT_EQ(6u,
              dwordValue(HKEY_CURRENT_USER, placePath(16, ZEB_W("Velloway")), ZEB_W("HRVInstall")));
}

TEST_F(Policy, NullOutputAnswersFalse)
{
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(1), ZEB_W("HRVInstall"), 1);
    CZEBPolicyDwordSetting setting = dwordSetting();
    EXPECT_FALSE(setting.getPolicy(SP::plMachinePolicy, nullptr, false, CZEBWCharString()));
    EXPECT_FALSE(setting.m_bLoaded);
    CZEBPolicyStringSetting string = stringSetting(ZEB_W("HRVInstall"), false, false);
    EXPECT_FALSE(string.getPolicy(SP::plMachinePolicy, nullptr, false, CZEBWCharString()));
    CZEBCommonPolicy common;
    EXPECT_FALSE(common.getPolicy(cpHRVInstall, nullptr, false, CZEBWCharString()));
}

// Sizes and types the DWORD reader takes: at most four bytes, whatever the type.
TEST_F(Policy, DwordValuesOfOtherTypesAndSizes)
{
    struct Case
    {
        const char* szName;
        DWORD ulType;
        std::vector<BYTE> data;
        bool bRead;
        DWORD ulExpected;
    };
    const Case cases[] = {
        {"dword", REG_DWORD, {5, 0, 0, 0}, true, 5},
        {"one byte of binary", REG_BINARY, {1}, true, 1},
        {"two bytes of binary", REG_BINARY, {0x34, 0x12}, true, 0x1234},
        {"text \"1\" as its four bytes", REG_SZ, {'1', 0, 0, 0}, true, 0x31},
        {"qword", REG_QWORD, {1, 0, 0, 0, 0, 0, 0, 0}, false, 0},
        {"text \"12\"", REG_SZ, {'1', 0, '2', 0, 0, 0}, false, 0},
        {"five bytes of binary", REG_BINARY, {1, 0, 0, 0, 0}, false, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szName);
        CleanProductKeys::clean();
        setRawValue(HKEY_LOCAL_MACHINE, placePath(1), ZEB_W("HRVInstall"), c.ulType, c.data.data(),
                    static_cast<DWORD>(c.data.size()));
        CZEBPolicyDwordSetting setting = dwordSetting();
        DWORD ulValue = kNoValue;
        EXPECT_EQ(c.bRead,
                  setting.getPolicy(SP::plMachinePolicy, &ulValue, false, CZEBWCharString()));
        EXPECT_EQ(c.bRead ? c.ulExpected : kNoValue, ulValue);

        // Through the common policy a value that cannot be read is passed over.
        setDwordValue(HKEY_CURRENT_USER, placePath(16), ZEB_W("HRVInstall"), 77);
        CZEBCommonPolicy common;
        ulValue = kNoValue;
        EXPECT_TRUE(common.getPolicy(cpHRVInstall, &ulValue, true, CZEBWCharString()));
        EXPECT_EQ(c.bRead ? c.ulExpected : 77u, ulValue);
    }
}

TEST_F(Policy, StringValuesOfAnyLengthUpTo259Characters)
{
    const WString fits(259, ZEB_W('x'));
    const WString tooLong(260, ZEB_W('y'));
    setTextValue(HKEY_LOCAL_MACHINE, placePath(1), ZEB_W("AdminUser"), fits);
    setTextValue(HKEY_LOCAL_MACHINE, placePath(8), ZEB_W("AdminUser"), tooLong);
    CZEBPolicyStringSetting setting = stringSetting(ZEB_W("AdminUser"), false, false);
    CZEBWCharString szValue(ZEB_W("untouched"));
    EXPECT_TRUE(setting.getPolicy(SP::plMachinePolicy, &szValue, false, CZEBWCharString()));
    EXPECT_EQ(fits, text(szValue));
    szValue = ZEB_W("untouched");
    EXPECT_FALSE(setting.getPolicy(SP::plMachinePreference, &szValue, false, CZEBWCharString()));
    EXPECT_EQ(W(ZEB_W("untouched")), text(szValue));
    // The failed read leaves the earlier value cached.
    EXPECT_TRUE(setting.m_bLoaded);
    EXPECT_EQ(fits, text(setting.m_Current));
}

TEST_F(Policy, ExpandableSettingDeliversAndCachesTheExpandedText)
{
    ASSERT_TRUE(SetEnvironmentVariableW(ZEB_W("ZEBTESTROOT"), ZEB_W("C:\\zebroot")));
    setTextValue(HKEY_CURRENT_USER, placePath(16), ZEB_W("AdminUser"), ZEB_W("%ZEBTESTROOT%\\Temp"),
                 0, REG_EXPAND_SZ);
    CZEBPolicyStringSetting expandable = stringSetting(ZEB_W("AdminUser"), true, false);
    CZEBWCharString szValue;
    EXPECT_TRUE(expandable.getPolicy(SP::plUserPreference, &szValue, false, CZEBWCharString()));
    EXPECT_EQ(W(ZEB_W("C:\\zebroot\\Temp")), text(szValue));
    EXPECT_EQ(W(ZEB_W("C:\\zebroot\\Temp")), text(expandable.m_Current));
    CZEBPolicyStringSetting plain = stringSetting(ZEB_W("AdminUser"), false, false);
    EXPECT_TRUE(plain.getPolicy(SP::plUserPreference, &szValue, false, CZEBWCharString()));
    EXPECT_EQ(W(ZEB_W("%ZEBTESTROOT%\\Temp")), text(szValue));

    // An expandable setting writes REG_EXPAND_SZ, and only text with variables in it.
    EXPECT_TRUE(expandable.setPolicy(SP::plMachinePreference,
                                     CZEBWCharString(ZEB_W("%ZEBTESTROOT%\\Logs")), true,
                                     CZEBWCharString(), false));
    std::vector<BYTE> data;
    DWORD ulType = 0;
    ASSERT_TRUE(getRawValue(HKEY_LOCAL_MACHINE, placePath(8), ZEB_W("AdminUser"), data, &ulType));
    EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), ulType);
    EXPECT_FALSE(expandable.setPolicy(SP::plMachinePreference, CZEBWCharString(ZEB_W("plain")),
                                      true, CZEBWCharString(), false));
    SetEnvironmentVariableW(ZEB_W("ZEBTESTROOT"), nullptr);
}

// ---- The cache ----

TEST_F(Policy, CacheAnswersOnlyForThePlaceItWasFilledFor)
{
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(8), ZEB_W("HRVInstall"), 3);
    CZEBPolicyDwordSetting setting = dwordSetting();
    DWORD ulValue = kNoValue;
    // A fresh setting reads the registry even when asked to use the cache.
    EXPECT_TRUE(setting.getPolicy(SP::plMachinePreference, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(3u, ulValue);
    EXPECT_TRUE(setting.m_bLoaded);

    // The same place answers from the cache...
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(8), ZEB_W("HRVInstall"), 4);
    EXPECT_TRUE(setting.getPolicy(SP::plMachinePreference, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(3u, ulValue);
    EXPECT_TRUE(setting.getPolicy(SP::plMachinePreference, &ulValue, false, CZEBWCharString()));
    EXPECT_EQ(4u, ulValue);

    // ...another location, another substitution or another value name does not.
    ulValue = kNoValue;
    EXPECT_FALSE(setting.getPolicy(SP::plUserPreference, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(kNoValue, ulValue);
    EXPECT_FALSE(setting.getPolicy(SP::plMachinePreference, &ulValue, true,
                                   CZEBWCharString(ZEB_W("Hestrel=Velloway"))));
    EXPECT_EQ(kNoValue, ulValue);
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(8, ZEB_W("Velloway")), ZEB_W("HRVInstall"), 11);
    EXPECT_TRUE(setting.getPolicy(SP::plMachinePreference, &ulValue, true,
                                  CZEBWCharString(ZEB_W("Hestrel=Velloway"))));
    EXPECT_EQ(11u, ulValue);
    EXPECT_TRUE(setting.getPolicy(SP::plMachinePreference, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(4u, ulValue);
    setting.setValueName(ZEB_W("Other"));
    ulValue = kNoValue;
    EXPECT_FALSE(setting.getPolicy(SP::plMachinePreference, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(kNoValue, ulValue);

    // The failed reads kept the last value read.
    EXPECT_TRUE(setting.m_bLoaded);
    EXPECT_EQ(4u, setting.m_Current);
}

TEST_F(Policy, WrittenValueIsCachedAndCopiedWithTheSetting)
{
    CZEBPolicyDwordSetting setting = dwordSetting();
    EXPECT_TRUE(setting.setPolicy(SP::plUserPolicy, 21, true, CZEBWCharString(), false));
    EXPECT_TRUE(setting.m_bLoaded);
    EXPECT_EQ(21u, setting.m_Current);
    setDwordValue(HKEY_CURRENT_USER, placePath(2), ZEB_W("HRVInstall"), 22);
    DWORD ulValue = kNoValue;
    EXPECT_TRUE(setting.getPolicy(SP::plUserPolicy, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(21u, ulValue);

    CZEBPolicyDwordSetting copy;
    copy = setting;
    EXPECT_TRUE(copy == setting);
    EXPECT_TRUE(copy.m_bLoaded);
    EXPECT_EQ(21u, copy.m_Current);
    ulValue = kNoValue;
    EXPECT_TRUE(copy.getPolicy(SP::plUserPolicy, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(21u, ulValue);
    EXPECT_TRUE(copy.getPolicy(SP::plUserPolicy, &ulValue, false, CZEBWCharString()));
    EXPECT_EQ(22u, ulValue);

    CZEBPolicyStringSetting string = stringSetting(ZEB_W("AdminUser"), true, false);
    EXPECT_TRUE(string.setPolicy(SP::plUserPolicy, CZEBWCharString(ZEB_W("%A%")), true,
                                 CZEBWCharString(), false));
    CZEBPolicyStringSetting stringCopy;
    stringCopy = string;
    EXPECT_TRUE(stringCopy.m_bExpandable);
    EXPECT_TRUE(stringCopy.m_bLoaded);
    EXPECT_EQ(W(ZEB_W("%A%")), text(stringCopy.m_Current));
}

// ---- Key paths that are never opened ----

// A substitution that empties the path would otherwise read and write the root itself.
TEST_F(Policy, EmptyKeyPathIsNeverOpened)
{
    const CZEBWCharString emptying(ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel="));
    // A value of that name in the per-user root, where an empty path would lead.
    HKEY hUser = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, nullptr, 0, KEY_READ | KEY_WRITE, &hUser));
    const DWORD ulSeed = 5;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(hUser, kStrayValue, 0, REG_DWORD,
                                            reinterpret_cast<const BYTE*>(&ulSeed), sizeof ulSeed));

    CZEBPolicyDwordSetting setting = dwordSetting(kStrayValue);
    EXPECT_FALSE(setting.getValueLocation(SP::plUserPreference, emptying).isValid());
    DWORD ulValue = kNoValue;
    EXPECT_FALSE(setting.getPolicy(SP::plUserPreference, &ulValue, false, emptying));
    EXPECT_FALSE(setting.getPolicy(SP::plMachinePreference, &ulValue, false, emptying));
    EXPECT_EQ(kNoValue, ulValue);
    EXPECT_FALSE(setting.setPolicy(SP::plUserPreference, 9, true, emptying, false));
    EXPECT_FALSE(setting.m_bLoaded);
    CZEBPolicyStringSetting string = stringSetting(kStrayValue, false, true);
    EXPECT_FALSE(
        string.setPolicy(SP::plUserPreference, CZEBWCharString(ZEB_W("x")), true, emptying, false));

    DWORD ulStored = 0, cbStored = sizeof ulStored, ulType = 0;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(hUser, kStrayValue, nullptr, &ulType,
                                              reinterpret_cast<BYTE*>(&ulStored), &cbStored));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), ulType);
    EXPECT_EQ(5u, ulStored) << "the root's value was overwritten";
    RegCloseKey(hUser);
}

// Whatever single allocation fails, a key path with an unfilled placeholder or without its
// sub-key is never written, and a value is read only from the right key.
TEST_F(Policy, FailedPathStepsNeverReachTheWrongKey)
{
    const WString rightKey = placePath(8);
    const WString productKey = placeOf(8).szProductKey;
    int nReached = 0;
    for (int nPasses = 0; nPasses < 400; ++nPasses)
    {
        SCOPED_TRACE(nPasses);
        bool bWritten = false, bStringWritten = false;
        {
            CZEBPolicyDwordSetting setting = dwordSetting();
            CZEBPolicyStringSetting string = stringSetting(ZEB_W("AdminUser"), false, false);
            const CZEBWCharString value(ZEB_W("admin"));
            FailingHeapScope heap(nPasses);
            bWritten =
                setting.setPolicy(SP::plMachinePreference, 5, true, CZEBWCharString(), false);
            bStringWritten =
                string.setPolicy(SP::plMachinePreference, value, true, CZEBWCharString(), false);
            if (!FailingHeapScope::failed())
                break;
        }
        ++nReached;
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, ZEB_W("Software\\%VENDOR_NAME%")));
        EXPECT_FALSE(keyExists(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix\\%PRODUCT_NAME%")));
        EXPECT_FALSE(valueExists(HKEY_LOCAL_MACHINE, productKey, ZEB_W("HRVInstall")));
        EXPECT_FALSE(valueExists(HKEY_LOCAL_MACHINE, productKey, ZEB_W("AdminUser")));
        if (bWritten)
        {
            EXPECT_EQ(5u, dwordValue(HKEY_LOCAL_MACHINE, rightKey, ZEB_W("HRVInstall")));
        }
        if (bStringWritten)
        {
            EXPECT_TRUE(valueExists(HKEY_LOCAL_MACHINE, rightKey, ZEB_W("AdminUser")));
        }
        CleanProductKeys::clean();
    }
    EXPECT_GT(nReached, 10);

    // Reads: decoys wait where an incomplete path would lead.
    setDwordValue(HKEY_LOCAL_MACHINE, rightKey, ZEB_W("HRVInstall"), 7);
    setDwordValue(HKEY_LOCAL_MACHINE, productKey, ZEB_W("HRVInstall"), 99);
    // An unfilled placeholder leaves the sub-key off.
    setDwordValue(HKEY_LOCAL_MACHINE, ZEB_W("Software\\%VENDOR_NAME%\\%PRODUCT_NAME%"),
                  ZEB_W("HRVInstall"), 98);
    setDwordValue(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix\\%PRODUCT_NAME%"),
                  ZEB_W("HRVInstall"), 97);
    for (int nPasses = 0; nPasses < 400; ++nPasses)
    {
        SCOPED_TRACE(nPasses);
        CZEBPolicyDwordSetting setting = dwordSetting();
        DWORD ulValue = kNoValue;
        bool bRead = false;
        {
            FailingHeapScope heap(nPasses);
            bRead = setting.getPolicy(SP::plMachinePreference, &ulValue, false, CZEBWCharString());
            if (!FailingHeapScope::failed())
            {
                EXPECT_TRUE(bRead);
                EXPECT_EQ(7u, ulValue);
                break;
            }
        }
        EXPECT_EQ(bRead ? 7u : kNoValue, ulValue);
    }
}

// ---- Product policies ----

TEST_F(Policy, OneTableOverTheSixLocations)
{
    const std::vector<PolicyPlace>& places = policyPlaces();
    // In one location.
    for (const PolicyPlace& place : places)
    {
        SCOPED_TRACE("only at " + std::to_string(place.ulLocation));
        CleanProductKeys::clean();
        setDwordValue(place.hRoot, placePath(place.ulLocation), ZEB_W("HRVInstall"),
                      100 + place.ulLocation);
        CZEBCommonPolicy common;
        DWORD ulValue = kNoValue;
        EXPECT_TRUE(common.getPolicy(cpHRVInstall, &ulValue, true, CZEBWCharString()));
        EXPECT_EQ(100 + place.ulLocation, ulValue);
    }
    // In two: the earlier one in the order wins.
    for (size_t i = 0; i < places.size(); ++i)
        for (size_t j = i + 1; j < places.size(); ++j)
        {
            SCOPED_TRACE("at " + std::to_string(places[i].ulLocation) + " and " +
                         std::to_string(places[j].ulLocation));
            CleanProductKeys::clean();
            setDwordValue(places[j].hRoot, placePath(places[j].ulLocation), ZEB_W("HRVInstall"),
                          200 + places[j].ulLocation);
            setDwordValue(places[i].hRoot, placePath(places[i].ulLocation), ZEB_W("HRVInstall"),
                          200 + places[i].ulLocation);
            CZEBCommonPolicy common;
            DWORD ulValue = kNoValue;
            EXPECT_TRUE(common.getPolicy(cpHRVInstall, &ulValue, false, CZEBWCharString()));
            EXPECT_EQ(200 + places[i].ulLocation, ulValue);
        }
    // In none: the default, or nothing with noDefault.
    CleanProductKeys::clean();
    CZEBCommonPolicy common;
    DWORD ulValue = kNoValue;
    EXPECT_TRUE(common.getPolicy(cpFPSwipeResult, &ulValue, false, CZEBWCharString()));
    EXPECT_EQ(1u, ulValue);
    ulValue = kNoValue;
    EXPECT_TRUE(common.getPolicy(cpHRVInstall, &ulValue, false, CZEBWCharString()));
    EXPECT_EQ(0u, ulValue);
    ulValue = kNoValue;
    EXPECT_FALSE(common.getPolicy(cpFPSwipeResult, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(kNoValue, ulValue);
}

TEST_F(Policy, MachinePolicyZeroBeatsUserPreferenceOne)
{
    setDwordValue(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Policies\\Kelbix\\ZEB Common\\Hestrel"),
                  ZEB_W("HRVInstall"), 0);
    setDwordValue(HKEY_CURRENT_USER, ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel"),
                  ZEB_W("HRVInstall"), 1);
    CZEBCommonPolicy common;
    DWORD ulValue = kNoValue;
    EXPECT_TRUE(common.getPolicy(cpHRVInstall, &ulValue, false, CZEBWCharString()));
    EXPECT_EQ(0u, ulValue);
}

TEST_F(Policy, SettingsWithoutSubKeyLiveInTheProductKeys)
{
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(8, nullptr), ZEB_W("SystemType"), 3);
    setDwordValue(HKEY_CURRENT_USER, placePath(2, nullptr), ZEB_W("WizardGUIOption"), 4);
    // Under a sub-key they are not found.
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(1), ZEB_W("SystemType"), 30);
    CZEBCommonPolicy common;
    DWORD ulValue = kNoValue;
    EXPECT_TRUE(common.getPolicy(cpSystemType, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(3u, ulValue);
    EXPECT_TRUE(common.getPolicy(cpWizardGUIOption, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(4u, ulValue);
}

TEST_F(Policy, UnknownIdsAreWarnedAbout)
{
    LoggingOn logging;
    CZEBCommonPolicy common;
    struct Case
    {
        DWORD ulId;
        LPCWSTR szShown;
    };
    for (const Case& c : {Case{12, ZEB_W("( 12 )")}, Case{cpAdminUser, ZEB_W("( 3 )")},
                          Case{4294967295u, ZEB_W("( -1 )")}})
    {
        SCOPED_TRACE(c.ulId);
        DWORD ulValue = kNoValue;
        EXPECT_FALSE(common.getPolicy(c.ulId, &ulValue, false, CZEBWCharString()));
        EXPECT_EQ(kNoValue, ulValue);
        CZEBPolicyDwordSetting setting = dwordSetting(ZEB_W("Untouched"));
        EXPECT_FALSE(common.getPolicySetting(c.ulId, setting));
        EXPECT_EQ(W(ZEB_W("Untouched")), text(setting.getValueName()));
        const WString message =
            WString(ZEB_W("Could not find policy setting with ID ")) + c.szShown;
        EXPECT_EQ(2u, countLinesWithAll(logging.log.lines(), {message, ZEB_W("<WARNING>"),
                                                              ZEB_W("zeb_product_policy")}));
    }
}

TEST_F(Policy, ProductPolicyWithItsOwnOrderAndSettings)
{
    // The Ostrin order never consults the policy keys.
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(1, ZEB_W("Velloway")), ZEB_W("Option"), 5);
    CZEBProductPolicy ostrin((CZEBPolicyOstrinSearchPolicy()));
    EXPECT_EQ(3u, ostrin.m_searchPolicy.getCount());
    EXPECT_TRUE(ostrin.addPolicySetting(dwordSetting(ZEB_W("Option"), ZEB_W("Velloway"), 8, 40)));
    DWORD ulValue = kNoValue;
    EXPECT_TRUE(ostrin.getPolicy(40, &ulValue, false, CZEBWCharString()));
    EXPECT_EQ(8u, ulValue);
    setDwordValue(HKEY_CURRENT_USER, placePath(16, ZEB_W("Velloway")), ZEB_W("Option"), 6);
    EXPECT_TRUE(ostrin.getPolicy(40, &ulValue, false, CZEBWCharString()));
    EXPECT_EQ(6u, ulValue);

    // A second setting with the same id is kept; lookups find the first.
    EXPECT_TRUE(ostrin.addPolicySetting(dwordSetting(ZEB_W("Second"), ZEB_W("Velloway"), 9, 40)));
    EXPECT_EQ(2u, ostrin.m_lstDwordSettings.getCount());
    CZEBPolicyDwordSetting found;
    EXPECT_TRUE(ostrin.getPolicySetting(40, found));
    EXPECT_EQ(W(ZEB_W("Option")), text(found.getValueName()));
    EXPECT_EQ(8u, found.getDefaultValue());

    // String settings are kept with the policy, not looked up by id.
    EXPECT_TRUE(ostrin.addPolicySetting(stringSetting(ZEB_W("Name"), false, false)));
    EXPECT_EQ(1u, ostrin.m_lstStringSettings.getCount());
    EXPECT_FALSE(ostrin.getPolicy(3, &ulValue, false, CZEBWCharString()));

    // A location listed twice is consulted twice; a value substitution reaches the key.
    CZEBPolicySearchPolicy order;
    order.addPolicy(SP::plUserPreference);
    order.addPolicy(SP::plUserPreference);
    CZEBProductPolicy twice(order);
    EXPECT_TRUE(twice.addPolicySetting(dwordSetting(ZEB_W("Option"), ZEB_W("Hestrel"), 8, 41)));
    EXPECT_TRUE(twice.getPolicy(41, &ulValue, true, CZEBWCharString(ZEB_W("Hestrel=Velloway"))));
    EXPECT_EQ(6u, ulValue);
}

TEST_F(Policy, EmptyOrderEndsAtOnce)
{
    setDwordValue(HKEY_LOCAL_MACHINE, placePath(1), ZEB_W("HRVInstall"), 1);
    CZEBProductPolicy policy((CZEBPolicySearchPolicy()));
    EXPECT_TRUE(policy.addPolicySetting(dwordSetting(ZEB_W("HRVInstall"), ZEB_W("Hestrel"), 4)));
    DWORD ulValue = kNoValue;
    EXPECT_TRUE(policy.getPolicy(1, &ulValue, false, CZEBWCharString()));
    EXPECT_EQ(4u, ulValue);
    ulValue = kNoValue;
    EXPECT_FALSE(policy.getPolicy(1, &ulValue, true, CZEBWCharString()));
    EXPECT_EQ(kNoValue, ulValue);
}

// ---- The common table ----

TEST(CommonPolicy, DefinitionTableAsListed)
{
    struct Dword
    {
        DWORD ulId;
        LPCWSTR szSubKey;
        LPCWSTR szValueName;
        DWORD ulDefault;
        BYTE bWrite32BitView;
    };
    const Dword expected[] = {
        {7, ZEB_W("Velloway"), ZEB_W("PDALogonGUIOption"), 0, 0},
        {6, ZEB_W("Velloway"), ZEB_W("WindowsPasswordRecoveryGUIOption"), 0, 0},
        {10, ZEB_W("Velloway"), ZEB_W("PasswordRecoveryEnabled"), 0, 1},
        {0, ZEB_W("Hestrel"), ZEB_W("UsingEmulator"), 0, 0},
        {1, ZEB_W("Hestrel"), ZEB_W("HRVInstall"), 0, 0},
        {4, ZEB_W("Hestrel"), ZEB_W("PreferInternalFPSensor"), 0, 0},
        {5, ZEB_W("Hestrel"), ZEB_W("FPSwipeResult"), 1, 0},
        {2, ZEB_W("Hestrel"), ZEB_W("HRV6HRVInstall"), 0, 0},
        {8, ZEB_W(""), ZEB_W("SystemType"), 0, 0},
        {11, ZEB_W(""), ZEB_W("WizardGUIOption"), 0, 0},
        {9, ZEB_W("Hestrel"), ZEB_W("DisableHotfixMessage"), 0, 0},
    };
    std::vector<int> seen(12, 0);
    size_t i = 0;
    for (; g_aCommonDwordPolicies[i].ulId != 12; ++i)
    {
        SCOPED_TRACE(i);
        ASSERT_LT(i, sizeof expected / sizeof expected[0]);
        const ZebDwordPolicyDefinition& d = g_aCommonDwordPolicies[i];
        EXPECT_EQ(expected[i].ulId, d.ulId);
        EXPECT_EQ(W(expected[i].szSubKey), W(d.szSubKey));
        EXPECT_EQ(W(expected[i].szValueName), W(d.szValueName));
        EXPECT_EQ(expected[i].ulDefault, d.ulDefault);
        EXPECT_EQ(expected[i].bWrite32BitView, d.bWrite32BitView);
        EXPECT_EQ(W(ZEB_W("1.0")), W(d.szVersion));
        EXPECT_EQ(1u, d.ulSource);
        ++seen[d.ulId];
    }
    EXPECT_EQ(11u, i);
    EXPECT_EQ(W(ZEB_W("")), W(g_aCommonDwordPolicies[i].szValueName));
    const ZebStringPolicyDefinition& admin = g_aCommonStringPolicies[0];
    EXPECT_EQ(3u, admin.ulId);
    EXPECT_EQ(W(ZEB_W("Hestrel")), W(admin.szSubKey));
    EXPECT_EQ(W(ZEB_W("AdminUser")), W(admin.szValueName));
    EXPECT_EQ(W(ZEB_W("")), W(admin.szDefault));
    EXPECT_EQ(0, admin.bExpandable);
    EXPECT_EQ(1, admin.bWrite32BitView);
    EXPECT_EQ(W(ZEB_W("1.0")), W(admin.szVersion));
    EXPECT_EQ(1u, admin.ulSource);
    EXPECT_EQ(12u, g_aCommonStringPolicies[1].ulId);
    ++seen[admin.ulId];
    for (DWORD ulId = 0; ulId < 12; ++ulId)
        EXPECT_EQ(1, seen[ulId]) << "id " << ulId;

    // The policy holds them in table order, keyed by id, under the common names.
    CZEBCommonPolicy common;
    EXPECT_EQ(6u, common.m_searchPolicy.getCount());
    std::vector<LONG> keys;
    const std::vector<CZEBPolicyDwordSetting> settings = items(common.m_lstDwordSettings, &keys);
    ASSERT_EQ(11u, settings.size());
    for (size_t k = 0; k < settings.size(); ++k)
    {
        SCOPED_TRACE(k);
        EXPECT_EQ(static_cast<LONG>(expected[k].ulId), keys[k]);
        EXPECT_EQ(expected[k].ulId, settings[k].m_ulId);
        EXPECT_EQ(W(expected[k].szValueName), text(settings[k].getValueName()));
        EXPECT_EQ(W(ZEB_W("Kelbix")), text(settings[k].m_szVendorName));
        EXPECT_EQ(W(ZEB_W("ZEB Common")), text(settings[k].m_szProductName));
        EXPECT_EQ(expected[k].bWrite32BitView != 0, settings[k].m_bWrite32BitView);
    }
    ASSERT_EQ(1u, common.m_lstStringSettings.getCount());
    std::vector<CZEBPolicyStringSetting> strings = items(common.m_lstStringSettings);
    EXPECT_EQ(W(ZEB_W("AdminUser")), text(strings[0].getValueName()));
    EXPECT_TRUE(strings[0].m_bWrite32BitView);
    EXPECT_FALSE(strings[0].m_bExpandable);
}

// A plain string setting with the flag writes through the 32-bit view a second time; a DWORD
// setting with it writes once.
TEST_F(Policy, WriteThrough32BitView)
{
    CZEBPolicyStringSetting admin = stringSetting(ZEB_W("AdminUser"), false, true);
    EXPECT_TRUE(admin.setPolicy(SP::plMachinePreference, CZEBWCharString(ZEB_W("root")), true,
                                CZEBWCharString(), false));
    CZEBPolicyDwordSetting recovery = dwordSetting(ZEB_W("PasswordRecoveryEnabled"));
    recovery.m_bWrite32BitView = true;
    EXPECT_TRUE(recovery.setPolicy(SP::plMachinePreference, 1, true, CZEBWCharString(), false));

    const WString path = placePath(8);
    EXPECT_TRUE(valueExists(HKEY_LOCAL_MACHINE, path, ZEB_W("AdminUser"), KEY_WOW64_32KEY));
    EXPECT_TRUE(valueExists(HKEY_LOCAL_MACHINE, path, ZEB_W("AdminUser"), ownView()));
    EXPECT_TRUE(valueExists(HKEY_LOCAL_MACHINE, path, ZEB_W("PasswordRecoveryEnabled"), ownView()));
    if (systemIs64Bit() && !processIsWow64())
    {
        // A 64-bit process: its own view is the 64-bit one, and only the string was copied.
        EXPECT_FALSE(valueExists(HKEY_LOCAL_MACHINE, path, ZEB_W("PasswordRecoveryEnabled"),
                                 KEY_WOW64_32KEY));
    }
    // The per-user key has one view: the second write lands on the first.
    CZEBPolicyStringSetting user = stringSetting(ZEB_W("AdminUser"), false, true);
    EXPECT_TRUE(user.setPolicy(SP::plUserPreference, CZEBWCharString(ZEB_W("me")), true,
                               CZEBWCharString(), false));
    CZEBWCharString szValue;
    EXPECT_TRUE(user.getPolicy(SP::plUserPreference, &szValue, false, CZEBWCharString()));
    EXPECT_EQ(W(ZEB_W("me")), text(szValue));
}

// ---- Tracing ----

class PolicyTrace : public ::testing::Test
{
protected:
    void SetUp() override { g_ulDynamicLogging = 0; }
    void TearDown() override { g_ulDynamicLogging = 0; }
    CleanProductKeys m_keys;
};

TEST_F(PolicyTrace, OperationsTraceTheirClassAndResult)
{
    LoggingOn logging(LS_ENTRY | LS_EXIT | 0x1B);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    {
        CZEBCommonPolicy common;
        DWORD ulValue = 0;
        EXPECT_TRUE(common.getPolicy(cpHRVInstall, &ulValue, false, CZEBWCharString()));
        CZEBPolicyDwordSetting setting = dwordSetting();
        EXPECT_FALSE(setting.getPolicy(SP::plMachinePolicy, &ulValue, false, CZEBWCharString()));
        EXPECT_FALSE(setting.setPolicy(at(0), 1, false, CZEBWCharString(), false));
    }
    const std::vector<WString> lines = logging.log.lines();
    struct Expect
    {
        LPCWSTR szMethod;
        LPCWSTR szResult;
    };
    const Expect expected[] = {
        {ZEB_W("<CZEBCommonPolicy::CZEBCommonPolicy>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBPolicyADSearchPolicy::CZEBPolicyADSearchPolicy>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBPolicySearchPolicy::addPolicy>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBProductPolicy::addPolicySetting>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBProductPolicy::getPolicySetting>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBPolicySearchPolicy::getPolicyLocation>"), ZEB_W("<Passed>")},
        // Six locations tried, none holds it: the default answers.
        {ZEB_W("<CZEBPolicyDwordSetting::getPolicy>"), ZEB_W("<Failed Logical Result>")},
        {ZEB_W("<CZEBProductPolicy::getPolicy>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBPolicyDwordSetting::setPolicy>"), ZEB_W("<Failed>")},
        {ZEB_W("<CZEBProductPolicy::~CZEBProductPolicy>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBPolicySetting::~CZEBPolicySetting>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBPolicyDwordSetting::~CZEBPolicyDwordSetting>"), ZEB_W("<Passed>")},
    };
    for (const Expect& e : expected)
    {
        SCOPED_TRACE(narrow(e.szMethod));
        EXPECT_GE(countLinesWithAll(lines, {ZEB_W("<ENTRY>"), e.szMethod}), 1u);
        EXPECT_GE(countLinesWithAll(lines, {ZEB_W("<EXIT>"), e.szMethod, e.szResult}), 1u);
    }
    EXPECT_EQ(7u, countLinesWithAll(
                      lines, {ZEB_W("<EXIT>"), ZEB_W("<CZEBPolicyDwordSetting::getPolicy>")}));
}
