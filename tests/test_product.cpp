// Products and the security suite: registry location records, version checks and
// conversion, reading items from the first location that has them (in both registry
// views), and the suite's installation test with its install policy. The values are written
// raw into the suite's real keys, so the same tests hold on the host registry, under Wine as
// a 64-bit process and as the shipping 32-bit program under WoW64.
#include "zeb_common_policy.h"
#include "zeb_method_trace.h"
#include "zeb_product_hrv.h"
#include "zeb_product_test_support.h"

#include <gtest/gtest.h>

#include <string>

using namespace zebtest;

namespace
{
const WCHAR kCurrentKey[] = ZEB_W("Software\\Kelbix\\Hestrel");
const WCHAR kHRVInstallKey[] = ZEB_W("Software\\Kelbix\\ZEB Common\\Hestrel");
const LONG kUnset = 0x5EEDBEEF;

// A product over any locations, to reach the base class's operations.
class TestProduct : public CZEBProduct
{
public:
    TestProduct() : CZEBProduct(ZEB_W("Kelbix"), ZEB_W("Hestrel")) {}
    bool isInstalled(LONG, LONG, LONG, LONG) override { return false; }
    bool getProductVersion(LONG*, LONG*, LONG*, LONG*) override { return false; }
    bool getProductVersion(CZEBWCharString&) override { return false; }
    bool add(LPCWSTR szKeyPath, LPCWSTR szVersionName, LPCWSTR szInstallPathName)
    {
        return addRegistryLocation(new CZEBProductRegistryInfo(CZEBWCharString(szKeyPath),
                                                               CZEBWCharString(szVersionName),
                                                               CZEBWCharString(szInstallPathName)));
    }
};

std::string versionText(const LONG* alVersion)
{
    std::string out;
    for (int i = 0; i < 4; ++i)
        out += (i ? "." : "") +
               (alVersion[i] == kUnset ? std::string("unset") : std::to_string(alVersion[i]));
    return out;
}

void setSuite(LPCWSTR szKey, LPCWSTR szValueName, const WString& text, REGSAM samView = 0)
{
    setTextValue(HKEY_LOCAL_MACHINE, szKey, szValueName, text, samView);
}

// Every test starts and ends with none of the suite's or the policy's keys present.
class Product : public ::testing::Test
{
protected:
    CleanProductKeys m_keys;
};
} // namespace

// ---- Location records ----

TEST(ProductRegistryInfo, FieldsEqualityAndAssignment)
{
    const CZEBProductRegistryInfo current(CZEBWCharString(kCurrentKey),
                                          CZEBWCharString(ZEB_W("Version")),
                                          CZEBWCharString(ZEB_W("InstallPath")));
    EXPECT_EQ(W(kCurrentKey), text(current.m_szKeyPath));
    EXPECT_EQ(W(ZEB_W("Version")), text(current.m_szVersionValueName));
    EXPECT_EQ(W(ZEB_W("InstallPath")), text(current.m_szInstallPathValueName));

    struct Case
    {
        const char* szName;
        LPCWSTR szKeyPath;
        LPCWSTR szVersionName;
        LPCWSTR szInstallName;
        bool bEqual;
    };
    const Case cases[] = {
        {"same", kCurrentKey, ZEB_W("Version"), ZEB_W("InstallPath"), true},
        {"key path case", ZEB_W("software\\Kelbix\\Hestrel"), ZEB_W("Version"),
         ZEB_W("InstallPath"), false},
        {"version name", kCurrentKey, ZEB_W("version"), ZEB_W("InstallPath"), false},
        {"install name", kCurrentKey, ZEB_W("Version"), ZEB_W("Installpath"), false},
        {"legacy key", kLegacyKey, ZEB_W("Version"), ZEB_W("InstallPath"), false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szName);
        const CZEBProductRegistryInfo other(CZEBWCharString(c.szKeyPath),
                                            CZEBWCharString(c.szVersionName),
                                            CZEBWCharString(c.szInstallName));
        EXPECT_EQ(c.bEqual, current == other);
        EXPECT_EQ(!c.bEqual, current != other);
    }

    CZEBProductRegistryInfo assigned(CZEBWCharString(kLegacyKey), CZEBWCharString(ZEB_W("V")),
                                     CZEBWCharString(ZEB_W("P")));
    assigned = current;
    EXPECT_TRUE(assigned == current);
    CZEBProductRegistryInfo byAddress(CZEBWCharString(kLegacyKey), CZEBWCharString(ZEB_W("V")),
                                      CZEBWCharString(ZEB_W("P")));
    byAddress = &current;
    EXPECT_TRUE(byAddress == current);
    byAddress = static_cast<const CZEBProductRegistryInfo*>(nullptr);
    EXPECT_TRUE(byAddress == current);
}

TEST(ProductRegistryInfo, PointerNodesCompareRecordsAndNeverOrder)
{
    CZEBPtrNode<CZEBProductRegistryInfo> node(
        new CZEBProductRegistryInfo(CZEBWCharString(kCurrentKey), CZEBWCharString(ZEB_W("Version")),
                                    CZEBWCharString(ZEB_W("InstallPath"))));
    CZEBPtrNode<CZEBProductRegistryInfo> same(
        new CZEBProductRegistryInfo(CZEBWCharString(kCurrentKey), CZEBWCharString(ZEB_W("Version")),
                                    CZEBWCharString(ZEB_W("InstallPath"))));
    CZEBPtrNode<CZEBProductRegistryInfo> legacy(
        new CZEBProductRegistryInfo(CZEBWCharString(kLegacyKey), CZEBWCharString(ZEB_W("Version")),
                                    CZEBWCharString(ZEB_W("InstallPath"))));
    EXPECT_TRUE(node == same.getArgument());
    EXPECT_FALSE(node != same.getArgument());
    EXPECT_TRUE(node != legacy.getArgument());
    for (const CZEBProductRegistryInfo* pOther : {same.getArgument(), legacy.getArgument()})
    {
        EXPECT_FALSE(node < pOther);
        EXPECT_FALSE(node > pOther);
    }
    EXPECT_FALSE(legacy < node.getArgument());
    EXPECT_FALSE(legacy > node.getArgument());

    // A list of them copies the records.
    CZEBProduct_HRV suite;
    CZEBDblList<CZEBProductRegistryInfo, CZEBPtrNode<CZEBProductRegistryInfo>> copy(
        suite.m_lstRegistryLocations);
    EXPECT_TRUE(copy == suite.m_lstRegistryLocations);
    EXPECT_NE(copy.m_pHead->m_pPointer, suite.m_lstRegistryLocations.m_pHead->m_pPointer);
}

// ---- Versions ----

TEST(ProductVersion, CheckParmsRejectsRealComponentsAfterDontCare)
{
    LoggingOn logging;
    struct Case
    {
        LONG alVersion[4];
        bool bValid;
        LPCWSTR szArgument; // the argument error logged, or null
    };
    const Case cases[] = {
        {{8, -1, 5, -1}, false, ZEB_W("( lVersions[2] )")},
        {{-1, 0, -1, -1}, false, ZEB_W("( lVersions[1] )")},
        {{8, 21, -1, 0}, false, ZEB_W("( lVersions[3] )")},
        {{8, 21, -1, -1}, true, nullptr},
        {{-1, -1, -1, -1}, true, nullptr},
        {{8, 21, 20, 0}, true, nullptr},
        {{8, 21, 20, -1}, true, nullptr},
    };
    TestProduct product;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(versionText(c.alVersion));
        EXPECT_EQ(c.bValid, product.checkParms(c.alVersion));
        if (c.szArgument)
        {
            EXPECT_EQ(1u, countLinesWithAll(logging.log.lines(),
                                            {c.szArgument, ZEB_W("Cannot be real value, "
                                                                 "ZEB_DONT_CAREs prior")}));
        }
    }
    EXPECT_FALSE(product.checkParms(nullptr));
    EXPECT_EQ(1u, countLinesWithAll(logging.log.lines(),
                                    {ZEB_W("( lVersions )"), ZEB_W("Cannot have NULL value")}));
    EXPECT_EQ(4u, countLinesWith(logging.log.lines(), ZEB_W("A bad argument was provided")));
}

TEST(ProductVersion, RequiredVersionComesFirst)
{
    struct Case
    {
        LONG alRequired[4];
        LONG alInstalled[4];
        bool bInstalled;
    };
    const Case cases[] = {
        {{8, 21, 20, 0}, {8, 21, 20, 0}, true},    {{8, 21, 20, 0}, {8, 21, 19, 99}, false},
        {{8, 21, 20, 0}, {8, 30, 0, 0}, true},     {{8, 21, 20, 0}, {9, 0, 0, 0}, true},
        {{8, 21, 20, 1}, {8, 21, 20, 0}, false},   {{8, -1, -1, -1}, {8, 0, 0, 0}, true},
        {{8, -1, -1, -1}, {7, 99, 99, 99}, false}, {{-1, -1, -1, -1}, {0, 0, 0, 0}, true},
    };
    TestProduct product;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(versionText(c.alRequired) + " of " + versionText(c.alInstalled));
        EXPECT_EQ(c.bInstalled, product.isVersionInstalled(c.alRequired, c.alInstalled));
    }
    const LONG alAny[4] = {-1, -1, -1, -1};
    EXPECT_FALSE(product.isVersionInstalled(nullptr, alAny));
    EXPECT_FALSE(product.isVersionInstalled(alAny, nullptr));
}

TEST(ProductVersion, ConvertVersionWritesOnlyDecimalFields)
{
    struct Case
    {
        LPCWSTR szText;
        LONG alExpected[4];
    };
    const LONG u = kUnset;
    const Case cases[] = {
        {ZEB_W("8.30.0049"), {8, 30, 49, u}},
        {ZEB_W("8.21.0020"), {8, 21, 20, u}},
        {ZEB_W("7"), {7, u, u, u}},
        {ZEB_W("a.b"), {u, u, u, u}},
        {ZEB_W(""), {u, u, u, u}},
        {ZEB_W("8..20"), {8, u, 20, u}},
        {ZEB_W("8.x1.20.3"), {8, u, 20, 3}},
        {ZEB_W("8.21.20.1.5"), {8, 21, 20, 1}},
        {ZEB_W(" 8 . 21 "), {8, 21, u, u}},
        {ZEB_W("8.21."), {8, 21, u, u}},
        {ZEB_W("99999999999.1"), {2147483647, 1, u, u}},
        {ZEB_W("8.0x10"), {8, u, u, u}},
    };
    TestProduct product;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szText));
        LONG al[4] = {u, u, u, u};
        EXPECT_TRUE(
            product.convertVersion(CZEBWCharString(c.szText), &al[0], &al[1], &al[2], &al[3]));
        EXPECT_EQ(versionText(c.alExpected), versionText(al));
    }
    // An output not asked for is skipped.
    LONG lBuild = u;
    EXPECT_TRUE(product.convertVersion(CZEBWCharString(ZEB_W("8.30.0049")), nullptr, nullptr,
                                       &lBuild, nullptr));
    EXPECT_EQ(49, lBuild);
}

// ---- Items from the first location that has them ----

TEST_F(Product, ItemsComeFromTheFirstLocationThatHasThem)
{
    TestProduct product;
    ASSERT_TRUE(product.add(kCurrentKey, ZEB_W("Version"), ZEB_W("InstallPath")));
    ASSERT_TRUE(product.add(kLegacyKey, ZEB_W("Version"), ZEB_W("InstallPath")));
    CZEBWCharString szItem(ZEB_W("untouched"));
    for (RegistryItemType type : {ritLocation, ritVersion, ritInstallDirectory})
    {
        EXPECT_FALSE(product.getRegistryItem(type, szItem));
        EXPECT_EQ(W(ZEB_W("untouched")), text(szItem));
    }

    setSuite(kLegacyKey, ZEB_W("Version"), ZEB_W("7.1"));
    setSuite(kLegacyKey, ZEB_W("InstallPath"), ZEB_W("C:\\Legacy\\"));
    EXPECT_TRUE(product.getRegistryItem(ritVersion, szItem));
    EXPECT_EQ(W(ZEB_W("7.1")), text(szItem));
    EXPECT_TRUE(product.getRegistryItem(ritLocation, szItem));
    EXPECT_EQ(W(kLegacyKey), text(szItem));

    setSuite(kCurrentKey, ZEB_W("Version"), ZEB_W("8.30.0049"));
    EXPECT_TRUE(product.getRegistryItem(ritVersion, szItem));
    EXPECT_EQ(W(ZEB_W("8.30.0049")), text(szItem));
    // The location is the first one whose install-path value reads.
    EXPECT_TRUE(product.getRegistryItem(ritLocation, szItem));
    EXPECT_EQ(W(kLegacyKey), text(szItem));
    setSuite(kCurrentKey, ZEB_W("InstallPath"), ZEB_W("C:\\Current"));
    EXPECT_TRUE(product.getRegistryItem(ritLocation, szItem));
    EXPECT_EQ(W(kCurrentKey), text(szItem));
    EXPECT_TRUE(product.getRegistryItem(ritInstallDirectory, szItem));
    EXPECT_EQ(W(ZEB_W("C:\\Current")), text(szItem));

    // Kinds other than the three read nothing.
    szItem = ZEB_W("untouched");
    for (DWORD ulKind : {0u, 4u})
    {
        EXPECT_FALSE(product.getRegistryItem(static_cast<RegistryItemType>(ulKind), szItem));
        EXPECT_EQ(W(ZEB_W("untouched")), text(szItem));
    }
    // A product without locations has nothing.
    TestProduct empty;
    EXPECT_FALSE(empty.getRegistryItem(ritVersion, szItem));
    EXPECT_EQ(W(ZEB_W("untouched")), text(szItem));
}

// Each value is read in the process's own view and then in the other one, whichever view the
// suite's installer wrote it to.
TEST_F(Product, ValuesAreFoundInEitherRegistryView)
{
    struct Case
    {
        const char* szName;
        REGSAM samView;
    };
    const Case cases[] = {
        {"32-bit view", KEY_WOW64_32KEY},
        {"64-bit view", KEY_WOW64_64KEY},
        {"own view", 0},
    };
    for (const Case& c : cases)
    {
        for (LPCWSTR szKey : {kCurrentKey, kLegacyKey})
        {
            SCOPED_TRACE(std::string(c.szName) + " " + narrow(szKey));
            CleanProductKeys::clean();
            setSuite(szKey, ZEB_W("Version"), ZEB_W("6.5.1"), c.samView);
            setSuite(szKey, ZEB_W("InstallPath"), ZEB_W("C:\\Suite\\"), c.samView);
            CZEBProduct_HRV suite;
            CZEBWCharString szVersion, szDirectory, szLocation;
            EXPECT_TRUE(suite.getProductVersion(szVersion));
            EXPECT_EQ(W(ZEB_W("6.5.1")), text(szVersion));
            EXPECT_TRUE(suite.getInstallDirectory(szDirectory));
            EXPECT_EQ(W(ZEB_W("C:\\Suite\\")), text(szDirectory));
            EXPECT_TRUE(suite.getRegistryLocation(szLocation));
            EXPECT_EQ(W(szKey), text(szLocation));
            EXPECT_TRUE(
                suite.isInstalled(ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE));
        }
    }
    // Values in both views: the process's own view answers first.
    if (systemIs64Bit())
    {
        CleanProductKeys::clean();
        setSuite(kCurrentKey, ZEB_W("Version"), ZEB_W("8.30.0049"), otherView());
        setSuite(kCurrentKey, ZEB_W("Version"), ZEB_W("8.21.0020"), ownView());
        CZEBProduct_HRV suite;
        CZEBWCharString szVersion;
        EXPECT_TRUE(suite.getProductVersion(szVersion));
        EXPECT_EQ(W(ZEB_W("8.21.0020")), text(szVersion));
    }
}

// ---- The suite ----

TEST_F(Product, SuiteLocationsInOrder)
{
    CZEBProduct_HRV suite;
    EXPECT_EQ(W(ZEB_W("Kelbix")), text(suite.m_szVendorName));
    EXPECT_EQ(W(ZEB_W("Hestrel")), text(suite.m_szProductName));
    std::vector<WString> paths;
    for (bool bMore = suite.m_lstRegistryLocations.moveFirst(); bMore;
         bMore = suite.m_lstRegistryLocations.moveNext())
    {
        CZEBProductRegistryInfo* pInfo = nullptr;
        ASSERT_TRUE(suite.m_lstRegistryLocations.getCurrentPointer(pInfo));
        paths.push_back(text(pInfo->m_szKeyPath));
        EXPECT_EQ(W(ZEB_W("Version")), text(pInfo->m_szVersionValueName));
        EXPECT_EQ(W(ZEB_W("InstallPath")), text(pInfo->m_szInstallPathValueName));
    }
    EXPECT_EQ((std::vector<WString>{kCurrentKey, kLegacyKey}), paths);
}

TEST_F(Product, OnlyTheLegacyKeyHoldsTheSuite)
{
    setSuite(kLegacyKey, ZEB_W("Version"), ZEB_W("8.21.0020"));
    setSuite(kLegacyKey, ZEB_W("InstallPath"), ZEB_W("C:\\Program Files\\Tamberlin"));
    CZEBProduct_HRV suite;
    CZEBWCharString szVersion, szDirectory, szLocation;
    EXPECT_TRUE(suite.getProductVersion(szVersion));
    EXPECT_EQ(W(ZEB_W("8.21.0020")), text(szVersion));
    EXPECT_TRUE(suite.getInstallDirectory(szDirectory));
    EXPECT_EQ(W(ZEB_W("C:\\Program Files\\Tamberlin")), text(szDirectory));
    EXPECT_TRUE(suite.getRegistryLocation(szLocation));
    EXPECT_EQ(W(ZEB_W("Software\\Qel Copperfennel\\Tamberlin")), text(szLocation));
    LONG al[4] = {kUnset, kUnset, kUnset, kUnset};
    EXPECT_TRUE(suite.getProductVersion(&al[0], &al[1], &al[2], &al[3]));
    EXPECT_EQ("8.21.20.unset", versionText(al));
}

TEST_F(Product, CurrentKeyHoldsTheVersionAndTheLegacyKeyBoth)
{
    setSuite(kCurrentKey, ZEB_W("Version"), ZEB_W("8.30.0049"));
    setSuite(kLegacyKey, ZEB_W("Version"), ZEB_W("7.0.0001"));
    setSuite(kLegacyKey, ZEB_W("InstallPath"), ZEB_W("C:\\Legacy\\"));
    CZEBProduct_HRV suite;
    CZEBWCharString szVersion, szDirectory, szLocation;
    EXPECT_TRUE(suite.getProductVersion(szVersion));
    EXPECT_EQ(W(ZEB_W("8.30.0049")), text(szVersion));
    EXPECT_TRUE(suite.getInstallDirectory(szDirectory));
    EXPECT_EQ(W(ZEB_W("C:\\Legacy\\")), text(szDirectory));
    EXPECT_TRUE(suite.getRegistryLocation(szLocation));
    EXPECT_EQ(W(kLegacyKey), text(szLocation));
}

TEST_F(Product, NoVersionAnywhere)
{
    setSuite(kCurrentKey, ZEB_W("InstallPath"), ZEB_W("C:\\Suite"));
    setDwordValue(HKEY_LOCAL_MACHINE, kHRVInstallKey, ZEB_W("HRVInstall"), 1);
    CZEBProduct_HRV suite;
    EXPECT_FALSE(suite.isInstalled(ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE));
    EXPECT_FALSE(suite.isCoreInstalled(ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE));
    CZEBWCharString szVersion(ZEB_W("untouched"));
    EXPECT_FALSE(suite.getProductVersion(szVersion));
    EXPECT_EQ(W(ZEB_W("untouched")), text(szVersion));
    LONG al[4] = {kUnset, kUnset, kUnset, kUnset};
    EXPECT_FALSE(suite.getProductVersion(&al[0], &al[1], &al[2], &al[3]));
    EXPECT_EQ("unset.unset.unset.unset", versionText(al));
    CZEBWCharString szLocation;
    EXPECT_TRUE(suite.getRegistryLocation(szLocation));
    EXPECT_EQ(W(kCurrentKey), text(szLocation));
}

// The version gate: the recorded version against the required one, and from major version 7
// on the install policy, which must read exactly 1.
TEST_F(Product, VersionGate)
{
    const DWORD kAbsent = 0xFFFFFFFF;
    struct Case
    {
        LPCWSTR szVersion;
        DWORD ulHRVInstall; // in the machine preference key, or kAbsent
        LONG alRequired[4];
        bool bCore;
        bool bInstalled;
    };
    const LONG d = ZEB_DONT_CARE;
    const Case cases[] = {
        {ZEB_W("6.0.1"), kAbsent, {d, d, d, d}, true, true},
        {ZEB_W("6.0.1"), 0, {d, d, d, d}, true, true},
        {ZEB_W("6.99"), kAbsent, {6, 99, d, d}, true, true},
        {ZEB_W("8.30.0049"), kAbsent, {d, d, d, d}, true, false},
        {ZEB_W("8.30.0049"), 0, {d, d, d, d}, true, false},
        {ZEB_W("8.30.0049"), 1, {d, d, d, d}, true, true},
        {ZEB_W("8.30.0049"), 2, {d, d, d, d}, true, false},
        {ZEB_W("7"), 1, {d, d, d, d}, true, true},
        {ZEB_W("7"), kAbsent, {d, d, d, d}, true, false},
        {ZEB_W("8.21.0020"), 1, {8, 21, 20, 0}, true, true},
        {ZEB_W("8.21.0019"), 1, {8, 21, 20, 0}, false, false},
        {ZEB_W("8.30.0049"), 1, {8, 21, 20, 0}, true, true},
        {ZEB_W("8.30.0049"), 1, {9, d, d, d}, false, false},
        {ZEB_W("8.30.0049"), 1, {8, d, 5, d}, false, false},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(
            narrow(c.szVersion) + " HRVInstall " +
            (c.ulHRVInstall == kAbsent ? std::string("absent") : std::to_string(c.ulHRVInstall)) +
            " required " + versionText(c.alRequired));
        CleanProductKeys::clean();
        setSuite(kCurrentKey, ZEB_W("Version"), c.szVersion);
        if (c.ulHRVInstall != kAbsent)
            setDwordValue(HKEY_LOCAL_MACHINE, kHRVInstallKey, ZEB_W("HRVInstall"), c.ulHRVInstall);
        CZEBProduct_HRV suite;
        const LONG* r = c.alRequired;
        EXPECT_EQ(c.bCore, suite.isCoreInstalled(r[0], r[1], r[2], r[3]));
        EXPECT_EQ(c.bInstalled, suite.isInstalled(r[0], r[1], r[2], r[3]));
    }
}

TEST_F(Product, MisplacedDontCareIsAnArgumentError)
{
    LoggingOn logging;
    setSuite(kCurrentKey, ZEB_W("Version"), ZEB_W("6.0"));
    CZEBProduct_HRV suite;
    EXPECT_FALSE(suite.isCoreInstalled(8, ZEB_DONT_CARE, 5, ZEB_DONT_CARE));
    EXPECT_EQ(1u, countLinesWithAll(logging.log.lines(),
                                    {ZEB_W("( lMinorVer, lBuildVer, or lPatchVer )"),
                                     ZEB_W("Cannot have value after ZEB_DONT_CARE")}));
}

TEST_F(Product, MachinePolicyZeroRefusesDespiteUserPreferenceOne)
{
    setSuite(kCurrentKey, ZEB_W("Version"), ZEB_W("8.30.0049"));
    setDwordValue(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Policies\\Kelbix\\ZEB Common\\Hestrel"),
                  ZEB_W("HRVInstall"), 0);
    setDwordValue(HKEY_CURRENT_USER, kHRVInstallKey, ZEB_W("HRVInstall"), 1);
    CZEBProduct_HRV suite;
    EXPECT_FALSE(suite.isInstalled(ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE));
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Policies\\Kelbix\\ZEB Common\\Hestrel"));
    EXPECT_TRUE(suite.isInstalled(ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE));
}

// Version values the suite did not write as expected.
TEST_F(Product, BadVersionValues)
{
    const WString padded = WString(ZEB_W("8.30.0049.5")) + WString(248, ZEB_W(' '));
    ASSERT_EQ(259u, padded.size());
    const WString tooLong = padded + ZEB_W(" ");
    const LONG u = kUnset;
    struct Case
    {
        const char* szName;
        DWORD ulType;
        std::vector<BYTE> data;
        bool bLegacy;       // the legacy key holds "6.2.3"
        bool bRead;         // a version text is delivered
        WString expected;   // the text delivered
        LONG alExpected[4]; // the numbers delivered
    };
    auto bytes = [](const WString& text, bool bTerminator)
    { return bytesOf(text.c_str(), (text.size() + (bTerminator ? 1 : 0)) * sizeof(WCHAR)); };
    const Case cases[] = {
        {"259 characters", REG_SZ, bytes(padded, true), false, true, padded, {8, 30, 49, 5}},
        {"260 characters", REG_SZ, bytes(tooLong, true), false, false, ZEB_W(""), {u, u, u, u}},
        {"260 characters, legacy",
         REG_SZ,
         bytes(tooLong, true),
         true,
         true,
         ZEB_W("6.2.3"),
         {6, 2, 3, u}},
        // The type is not examined: the bytes are taken as text up to the first NUL.
        {"dword", REG_DWORD, {0x38, 0, 0, 0}, false, true, ZEB_W("8"), {8, u, u, u}},
        {"binary", REG_BINARY, bytes(ZEB_W("7.5"), false), false, true, ZEB_W("7.5"), {7, 5, u, u}},
        {"non-digit fields",
         REG_SZ,
         bytes(ZEB_W("8.x.20.b"), true),
         false,
         true,
         ZEB_W("8.x.20.b"),
         {8, u, 20, u}},
        {"five fields",
         REG_SZ,
         bytes(ZEB_W("6.1.2.3.4"), true),
         false,
         true,
         ZEB_W("6.1.2.3.4"),
         {6, 1, 2, 3}},
        {"empty", REG_SZ, bytes(ZEB_W(""), true), true, true, ZEB_W(""), {u, u, u, u}},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szName);
        CleanProductKeys::clean();
        setRawValue(HKEY_LOCAL_MACHINE, kCurrentKey, ZEB_W("Version"), c.ulType, c.data.data(),
                    static_cast<DWORD>(c.data.size()));
        if (c.bLegacy)
            setSuite(kLegacyKey, ZEB_W("Version"), ZEB_W("6.2.3"));
        CZEBProduct_HRV suite;
        CZEBWCharString szVersion(ZEB_W("untouched"));
        EXPECT_EQ(c.bRead, suite.getProductVersion(szVersion));
        EXPECT_EQ(c.bRead ? c.expected : W(ZEB_W("untouched")), text(szVersion));
        LONG al[4] = {u, u, u, u};
        EXPECT_EQ(c.bRead, suite.getProductVersion(&al[0], &al[1], &al[2], &al[3]));
        EXPECT_EQ(versionText(c.alExpected), versionText(al));
    }
}

TEST_F(Product, BadInstallPathValues)
{
    setSuite(kLegacyKey, ZEB_W("InstallPath"), ZEB_W("C:\\Legacy"));
    struct Case
    {
        const char* szName;
        DWORD ulType;
        std::vector<BYTE> data;
        LPCWSTR szExpected;
        LPCWSTR szLocation;
    };
    const WString longPath(300, ZEB_W('p'));
    const Case cases[] = {
        // Read as text whatever its type; the legacy key is not reached.
        {"dword", REG_DWORD, {'C', 0, 0, 0}, ZEB_W("C"), kCurrentKey},
        {"multi-string", REG_MULTI_SZ, bytesOf(ZEB_W("C:\\A\0C:\\B\0"), 10 * sizeof(WCHAR)),
         ZEB_W("C:\\A"), kCurrentKey},
        // Too long to read: the walk goes on.
        {"binary of 300 characters", REG_BINARY,
         bytesOf(longPath.c_str(), longPath.size() * sizeof(WCHAR)), ZEB_W("C:\\Legacy"),
         kLegacyKey},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.szName);
        setRawValue(HKEY_LOCAL_MACHINE, kCurrentKey, ZEB_W("InstallPath"), c.ulType, c.data.data(),
                    static_cast<DWORD>(c.data.size()));
        CZEBProduct_HRV suite;
        CZEBWCharString szDirectory, szLocation;
        EXPECT_TRUE(suite.getInstallDirectory(szDirectory));
        EXPECT_EQ(W(c.szExpected), text(szDirectory));
        EXPECT_TRUE(suite.getRegistryLocation(szLocation));
        EXPECT_EQ(W(c.szLocation), text(szLocation));
    }
}

// Whatever single allocation fails while the suite is set up, nothing leaks (the sanitized
// and valgrind runs check) and the locations that were recorded are whole and in order.
TEST_F(Product, SetupSurvivesAnyFailedAllocation)
{
    setSuite(kLegacyKey, ZEB_W("Version"), ZEB_W("6.0"));
    int nReached = 0;
    for (int nPasses = 0; nPasses < 200; ++nPasses)
    {
        SCOPED_TRACE(nPasses);
        FailingHeapScope heap(nPasses);
        CZEBProduct_HRV suite;
        const bool bFailed = FailingHeapScope::failed();
        std::vector<WString> paths;
        for (bool bMore = suite.m_lstRegistryLocations.moveFirst(); bMore;
             bMore = suite.m_lstRegistryLocations.moveNext())
        {
            CZEBProductRegistryInfo* pInfo = nullptr;
            ASSERT_TRUE(suite.m_lstRegistryLocations.getCurrentPointer(pInfo));
            paths.push_back(text(pInfo->m_szKeyPath));
            EXPECT_EQ(W(ZEB_W("Version")), text(pInfo->m_szVersionValueName));
            EXPECT_EQ(W(ZEB_W("InstallPath")), text(pInfo->m_szInstallPathValueName));
        }
        EXPECT_LE(paths.size(), 2u);
        if (!paths.empty())
        {
            EXPECT_TRUE(paths[0] == kCurrentKey || paths[0] == kLegacyKey);
        }
        if (paths.size() == 2)
        {
            EXPECT_EQ(W(kLegacyKey), paths[1]);
        }
        if (!bFailed)
        {
            EXPECT_EQ(2u, paths.size());
            break;
        }
        ++nReached;
    }
    EXPECT_GT(nReached, 3);
}

// ---- Tracing ----

class ProductTrace : public ::testing::Test
{
protected:
    void SetUp() override { g_ulDynamicLogging = 0; }
    void TearDown() override { g_ulDynamicLogging = 0; }
    CleanProductKeys m_keys;
};

TEST_F(ProductTrace, OperationsTraceTheirClassAndResult)
{
    LoggingOn logging(LS_ENTRY | LS_EXIT | 0x1B);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    setSuite(kCurrentKey, ZEB_W("Version"), ZEB_W("8.30.0049"));
    {
        CZEBProduct_HRV suite;
        EXPECT_FALSE(suite.isInstalled(ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE));
        const LONG alRequired[4] = {9, 0, 0, 0};
        const LONG alInstalled[4] = {8, 0, 0, 0};
        EXPECT_FALSE(suite.isVersionInstalled(alRequired, alInstalled));
        CZEBWCharString szDirectory;
        EXPECT_FALSE(suite.getInstallDirectory(szDirectory));
        const CZEBProductRegistryInfo a(CZEBWCharString(kCurrentKey), CZEBWCharString(ZEB_W("V")),
                                        CZEBWCharString(ZEB_W("P")));
        EXPECT_FALSE(a == CZEBProductRegistryInfo(CZEBWCharString(kLegacyKey),
                                                  CZEBWCharString(ZEB_W("V")),
                                                  CZEBWCharString(ZEB_W("P"))));
    }
    const std::vector<WString> lines = logging.log.lines();
    struct Expect
    {
        LPCWSTR szMethod;
        LPCWSTR szResult;
    };
    const Expect expected[] = {
        {ZEB_W("<CZEBProductRegistryInfo::Constructor>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBProductRegistryInfo::operator==>"), ZEB_W("<Failed Logical Result>")},
        {ZEB_W("<CZEBProduct_HRV::isInstalled>"), ZEB_W("<Failed Logical Result>")},
        {ZEB_W("<CZEBProduct_HRV::isCoreInstalled>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBProduct_HRV::getProductVersion>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBProduct_HRV::getInstallDirectory>"), ZEB_W("<Failed>")},
        {ZEB_W("<CZEBProduct::checkParms>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBProduct::convertVersion>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBProduct::getRegistryItem>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBProduct::getRegistryItem>"), ZEB_W("<Failed>")},
        // The comparison reports itself as done, whatever it found.
        {ZEB_W("<CZEBProduct::isVersionInstalled>"), ZEB_W("<Passed>")},
        {ZEB_W("<CZEBCommonPolicy::CZEBCommonPolicy>"), ZEB_W("<Passed>")},
    };
    for (const Expect& e : expected)
    {
        SCOPED_TRACE(narrow(e.szMethod));
        EXPECT_GE(countLinesWithAll(lines, {ZEB_W("<ENTRY>"), e.szMethod}), 1u);
        EXPECT_GE(countLinesWithAll(lines, {ZEB_W("<EXIT>"), e.szMethod, e.szResult}), 1u);
    }
    EXPECT_EQ(0u, countLinesWithAll(
                      lines, {ZEB_W("<EXIT>"), ZEB_W("isVersionInstalled"), ZEB_W("<Failed")}));
}
