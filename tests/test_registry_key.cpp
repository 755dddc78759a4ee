// Registry keys: open, create and close with their warnings, existence, lengths, enumeration
// of subkeys and value names, names, and the bulk read of all values. The same tests run on
// the host registry and under Wine; host-only tests (fault injection) say so in their names.
#include "zeb_registry_test_support.h"

#include "zeb_memory.h"

#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

using namespace zebtest;

namespace
{
// Heap primitives that fail one chosen allocation, or report every release as failed
// (the memory is still freed, so nothing leaks).
struct FaultyHeap
{
    static int s_nAllocationsLeft; // the allocation after this many fails; -1: none fails
    static bool s_bFailReleases;
    static void* allocate(size_t cbSize)
    {
        if (s_nAllocationsLeft == 0)
        {
            s_nAllocationsLeft = -1;
            return nullptr;
        }
        if (s_nAllocationsLeft > 0)
            --s_nAllocationsLeft;
        return std::malloc(cbSize);
    }
    static bool release(void* p, size_t)
    {
        std::free(p);
        return !s_bFailReleases;
    }
};
int FaultyHeap::s_nAllocationsLeft = -1;
bool FaultyHeap::s_bFailReleases = false;

class HeapFaults
{
public:
    HeapFaults() { zebSetAllocatorHooks(&m_hooks); }
    ~HeapFaults()
    {
        zebSetAllocatorHooks(nullptr);
        FaultyHeap::s_nAllocationsLeft = -1;
        FaultyHeap::s_bFailReleases = false;
    }

private:
    ZebAllocatorHooks m_hooks = {FaultyHeap::allocate, FaultyHeap::release};
};

class RegistryKeyTest : public ::testing::Test
{
protected:
    ScratchKey scratch;
    CZEBRegistryKey key(bool bCreate = false, REGSAM sam = KEY_READ | KEY_WRITE)
    {
        return CZEBRegistryKey(scratch.root(), scratch.path(), sam, bCreate, 0);
    }
};

TEST_F(RegistryKeyTest, ConstructionStoresEverythingAndStaysClosed)
{
    CZEBRegistryKey k(HKEY_CURRENT_USER, ZEB_W("Software\\ZebTest\\Registry"), KEY_READ, true, 1);
    EXPECT_EQ(HKEY_CURRENT_USER, k.getRootKey());
    EXPECT_TRUE(text(k.getKeyPath()) == ZEB_W("Software\\ZebTest\\Registry"));
    EXPECT_EQ(static_cast<REGSAM>(KEY_READ), k.getAccess());
    EXPECT_TRUE(k.getCreate());
    EXPECT_EQ(1u, k.getOptions());
    EXPECT_FALSE(k.isOpen());
    EXPECT_EQ(nullptr, k.getHandle());
    EXPECT_FALSE(scratch.exists()); // nothing is created by construction
}

TEST_F(RegistryKeyTest, ExistsCreatesOnlyWithTheCreateFlag)
{
    struct Case
    {
        bool bPresent;
        bool bCreate;
        bool bExists;
        bool bPresentAfter;
    };
    const Case cases[] = {
        {false, false, false, false},
        {false, true, true, true},
        {true, false, true, true},
        {true, true, true, true},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string("present ") + (c.bPresent ? "yes" : "no") + ", create " +
                     (c.bCreate ? "yes" : "no"));
        scratch.clean();
        if (c.bPresent)
            scratch.handle();
        CZEBRegistryKey k = key(c.bCreate);
        EXPECT_EQ(c.bExists, k.exists());
        EXPECT_FALSE(k.isOpen());
        scratch.clean();
        CZEBRegistryKey probe = key(c.bCreate);
        if (c.bPresent)
            scratch.handle();
        EXPECT_EQ(c.bExists, probe.exists());
        EXPECT_EQ(c.bPresentAfter, scratch.exists());
    }
}

TEST_F(RegistryKeyTest, OpenPathsThatAreNotKeys)
{
    scratch.handle();
    struct Case
    {
        LPCWSTR szPath;
        bool bCreate;
        bool bOpens;
    };
    const Case cases[] = {
        {ZEB_W("Software\\ZebTest\\Registry"), false, true},
        {ZEB_W("Software\\ZebTest\\Registry\\Missing"), false, false},
        // A leading backslash is a malformed path (161), never an existing key.
        {ZEB_W("\\Software\\ZebTest\\Registry"), false, false},
        {ZEB_W("\\Software\\ZebTest\\Registry\\New"), true, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(narrow(c.szPath));
        CZEBRegistryKey k(HKEY_CURRENT_USER, c.szPath, KEY_READ, c.bCreate, 0);
        EXPECT_EQ(c.bOpens, k.open());
        EXPECT_EQ(c.bOpens, k.isOpen());
        EXPECT_EQ(c.bOpens, k.getHandle() != nullptr);
        if (k.isOpen())
        {
            EXPECT_TRUE(k.close());
        }
    }
}

TEST_F(RegistryKeyTest, OpenTwiceWarnsOnceAndStaysOpen)
{
    scratch.handle();
    LoggingOn logging;
    CZEBRegistryKey k = key();
    ASSERT_TRUE(k.open());
    ASSERT_TRUE(k.open());
    EXPECT_TRUE(k.isOpen());
    EXPECT_NE(nullptr, k.getHandle());
    const std::vector<WString> lines = logging.log.lines();
    const WString warning =
        WString(ZEB_W("\"Registry key is already open ( ")) + scratch.path() + ZEB_W(" )\"");
    EXPECT_EQ(1u, countLinesWith(lines, warning));
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("<WARNING>")));
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("<CZEBRegistryKey::open>")));
    EXPECT_TRUE(k.close());
    EXPECT_FALSE(k.isOpen());
}

TEST_F(RegistryKeyTest, CloseOfAClosedKeyWarnsAndSucceeds)
{
    LoggingOn logging;
    CZEBRegistryKey k = key();
    EXPECT_TRUE(k.close());
    const std::vector<WString> lines = logging.log.lines();
    EXPECT_EQ(1u, countLinesWith(lines, WString(ZEB_W("\"Registry key is already closed ( ")) +
                                            scratch.path() + ZEB_W(" )\"")));
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("<CZEBRegistryKey::close>")));
}

TEST_F(RegistryKeyTest, CreateLeavesTheKeyClosedAndReportsFailures)
{
    CZEBRegistryKey k = key();
    EXPECT_TRUE(k.create());
    EXPECT_FALSE(k.isOpen());
    EXPECT_TRUE(scratch.exists());
    EXPECT_TRUE(k.create()); // an existing key is opened
    EXPECT_FALSE(k.isOpen());

    LoggingOn logging;
    CZEBRegistryKey bad(HKEY_CURRENT_USER, ZEB_W("\\Software\\ZebTest\\Registry"),
                        KEY_READ | KEY_WRITE, true, 0);
    EXPECT_FALSE(bad.create());
    EXPECT_FALSE(bad.isOpen());
    const std::vector<WString> lines = logging.log.lines();
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("\"Unable to create registry key ( "
                                              "\"\\Software\\ZebTest\\Registry\" )\"")));
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("<CZEBRegistryKey::create>")));
}

TEST_F(RegistryKeyTest, AssignmentAndSetAccessCloseFirst)
{
    scratch.handle();
    CZEBRegistryKey source(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Other"), KEY_READ, true, 1);
    CZEBRegistryKey target = key();
    ASSERT_TRUE(target.open());
    target = source;
    EXPECT_FALSE(target.isOpen());
    EXPECT_EQ(nullptr, target.getHandle());
    EXPECT_EQ(HKEY_LOCAL_MACHINE, target.getRootKey());
    EXPECT_TRUE(text(target.getKeyPath()) == ZEB_W("Software\\Other"));
    EXPECT_EQ(static_cast<REGSAM>(KEY_READ), target.getAccess());
    EXPECT_TRUE(target.getCreate());
    EXPECT_EQ(1u, target.getOptions());

    CZEBRegistryKey k = key();
    ASSERT_TRUE(k.open());
    k.setAccess(KEY_READ);
    EXPECT_FALSE(k.isOpen());
    EXPECT_EQ(static_cast<REGSAM>(KEY_READ), k.getAccess());
    ASSERT_TRUE(k.open());
    // The new mask is in force: the key is read-only now.
    DWORD ulValue = 1;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExW(k.getHandle(), ZEB_W("v"), 0, REG_DWORD,
                                                  reinterpret_cast<BYTE*>(&ulValue), 4));
}

TEST_F(RegistryKeyTest, LengthQueriesAnswerOneNumberAndClose)
{
    scratch.createSub(ZEB_W("abc"));
    scratch.createSub(ZEB_W("abcdefg"));
    scratch.setText(ZEB_W("name12"), ZEB_W("0123456789"));
    scratch.setDword(ZEB_W("n"), 5);
    CZEBRegistryKey k = key();
    DWORD ulLength = kNoValue;
    ASSERT_TRUE(k.getMaxSubKeyLength(ulLength));
    EXPECT_EQ(7u, ulLength);
    EXPECT_FALSE(k.isOpen());
    ASSERT_TRUE(k.getMaxValueNameLength(ulLength));
    EXPECT_EQ(6u, ulLength);
    ASSERT_TRUE(k.getMaxValueLength(ulLength));
    EXPECT_EQ(22u, ulLength);
    EXPECT_FALSE(k.isOpen());
    // A key that does not open leaves the output alone.
    scratch.clean();
    ulLength = kNoValue;
    EXPECT_FALSE(k.getMaxValueLength(ulLength));
    EXPECT_EQ(kNoValue, ulLength);
}

TEST_F(RegistryKeyTest, EnumSubKeysByIndexGivesKeyObjects)
{
    for (LPCWSTR szName : {ZEB_W("beta"), ZEB_W("Alpha")})
        scratch.createSub(szName);
    CZEBRegistryKey k(scratch.root(), scratch.path(), KEY_READ, true, 1);
    CZEBRegistryKey sub(HKEY_LOCAL_MACHINE, ZEB_W("Untouched"), KEY_WRITE, true, 0);
    ASSERT_TRUE(k.enumSubKeys(sub, 0));
    EXPECT_TRUE(text(sub.getKeyPath()) == scratch.sub(ZEB_W("Alpha")));
    EXPECT_EQ(scratch.root(), sub.getRootKey());
    EXPECT_EQ(static_cast<REGSAM>(KEY_READ), sub.getAccess());
    EXPECT_FALSE(sub.getCreate());
    EXPECT_EQ(1u, sub.getOptions());
    EXPECT_TRUE(k.isOpen()); // left open
    ASSERT_TRUE(k.enumSubKeys(sub, 1));
    EXPECT_TRUE(text(sub.getKeyPath()) == scratch.sub(ZEB_W("beta")));
    EXPECT_TRUE(sub.exists());
    // Past the end: false, the output untouched.
    EXPECT_FALSE(k.enumSubKeys(sub, 2));
    EXPECT_TRUE(text(sub.getKeyPath()) == scratch.sub(ZEB_W("beta")));
}

TEST_F(RegistryKeyTest, EnumSubKeyNamesAreKeyedFromOne)
{
    struct Case
    {
        std::vector<WString> created;
        std::vector<WString> listed;
    };
    const Case cases[] = {
        {{}, {}},
        {{ZEB_W("only")}, {ZEB_W("only")}},
        {{ZEB_W("c"), ZEB_W("A"), ZEB_W("b")}, {ZEB_W("A"), ZEB_W("b"), ZEB_W("c")}},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(show(c.created));
        scratch.clean();
        scratch.handle();
        for (const WString& name : c.created)
            scratch.createSub(name.c_str());
        scratch.setDword(ZEB_W("value"), 1); // values are not subkeys
        CZEBRegistryKey k = key();
        CZEBDblList<CZEBWCharString> names = makeList({ZEB_W("stale")});
        ASSERT_TRUE(k.enumSubKeys(names));
        std::vector<LONG> keys;
        std::vector<WString> listed;
        for (const CZEBWCharString& name : items(names, &keys))
            listed.push_back(text(name));
        EXPECT_EQ(c.listed, listed) << show(listed);
        for (size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(static_cast<LONG>(i + 1), keys[i]);
        EXPECT_FALSE(k.isOpen());
    }
    // A key that does not exist: false.
    scratch.clean();
    CZEBRegistryKey missing = key();
    CZEBDblList<CZEBWCharString> names;
    EXPECT_FALSE(missing.enumSubKeys(names));
}

TEST_F(RegistryKeyTest, EnumValueNamesListsNamedValuesOnly)
{
    scratch.handle();
    scratch.setText(nullptr, ZEB_W("default"));
    CZEBRegistryKey k = key();
    CZEBDblList<CZEBWCharString> names = makeList({ZEB_W("stale")});
    // Only the default value: false, and the list is empty.
    EXPECT_FALSE(k.enumValueNames(names));
    EXPECT_EQ(0u, names.getCount());
    scratch.setDword(ZEB_W("Zed"), 1);
    scratch.setText(ZEB_W("alpha"), ZEB_W("x"));
    ASSERT_TRUE(k.enumValueNames(names));
    std::vector<LONG> keys;
    std::vector<WString> listed;
    for (const CZEBWCharString& name : items(names, &keys))
        listed.push_back(text(name));
    EXPECT_EQ((std::vector<WString>{ZEB_W("alpha"), ZEB_W("Zed")}), listed) << show(listed);
    EXPECT_EQ((std::vector<LONG>{0, 0}), keys);
    EXPECT_FALSE(k.isOpen());
    // A key without any values.
    scratch.createSub(ZEB_W("empty"));
    CZEBRegistryKey empty(scratch.root(), scratch.sub(ZEB_W("empty")).c_str(), KEY_READ, false, 0);
    EXPECT_FALSE(empty.enumValueNames(names));
    EXPECT_EQ(0u, names.getCount());
}

TEST_F(RegistryKeyTest, GetNameGivesThePathOrItsLastPart)
{
    struct Case
    {
        LPCWSTR szPath;
        bool bFullPath;
        bool bResult;
        LPCWSTR szName;
    };
    const Case cases[] = {
        {ZEB_W("SOFTWARE\\Kelbix\\Logs"), false, true, ZEB_W("Logs")},
        {ZEB_W("SOFTWARE\\Kelbix\\Logs"), true, true, ZEB_W("SOFTWARE\\Kelbix\\Logs")},
        {ZEB_W("SOFTWARE"), false, false, ZEB_W("untouched")},
        {ZEB_W("SOFTWARE"), true, true, ZEB_W("SOFTWARE")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(narrow(c.szPath));
        const CZEBRegistryKey k(HKEY_LOCAL_MACHINE, c.szPath, KEY_READ, false, 0);
        CZEBWCharString name(ZEB_W("untouched"));
        EXPECT_EQ(c.bResult, k.getName(name, c.bFullPath));
        EXPECT_TRUE(text(name) == c.szName) << narrow(text(name));
    }
}

TEST_F(RegistryKeyTest, QueryMultipleValuesReadsEveryNamedValue)
{
    scratch.handle();
    const BYTE binary[] = {1, 0, 2, 0xff, 7};
    scratch.setText(nullptr, ZEB_W("the default"));
    scratch.setText(ZEB_W("text"), ZEB_W("abc"));
    scratch.setDword(ZEB_W("number"), 0x1234);
    scratch.setRaw(ZEB_W("bytes"), REG_BINARY, binary, sizeof binary);
    scratch.setRaw(ZEB_W("empty"), REG_BINARY, nullptr, 0);
    scratch.setText(ZEB_W("expand"), ZEB_W("%TEMP%\\x"), REG_EXPAND_SZ);
    CZEBRegistryKey k = key();
    CZEBDblList<CZEBRegistryValent> values;
    ASSERT_TRUE(k.queryMultipleValues(values));
    EXPECT_FALSE(k.isOpen());
    std::vector<LONG> keys;
    const std::vector<CZEBRegistryValent> read = items(values, &keys);
    struct Expect
    {
        LPCWSTR szName;
        DWORD ulType;
        std::vector<BYTE> data;
    };
    const DWORD ulNumber = 0x1234;
    const WString abc = ZEB_W("abc");
    const WString expand = ZEB_W("%TEMP%\\x");
    const Expect expected[] = {
        {ZEB_W("bytes"), REG_BINARY, bytesOf(binary, sizeof binary)},
        {ZEB_W("empty"), REG_BINARY, {}},
        {ZEB_W("expand"), REG_EXPAND_SZ, bytesOf(expand.c_str(), (expand.size() + 1) * 2)},
        {ZEB_W("number"), REG_DWORD, bytesOf(&ulNumber, 4)},
        {ZEB_W("text"), REG_SZ, bytesOf(abc.c_str(), 8)},
    };
    ASSERT_EQ(5u, read.size());
    for (size_t i = 0; i < read.size(); ++i)
    {
        SCOPED_TRACE(narrow(expected[i].szName));
        EXPECT_TRUE(text(read[i].m_szValueName) == expected[i].szName);
        EXPECT_EQ(expected[i].ulType, read[i].m_dwType);
        EXPECT_EQ(expected[i].data, rawBytes(read[i].m_data));
        EXPECT_EQ(static_cast<LONG>(i), keys[i]);
    }
    // Only the default value, or no key: false.
    scratch.clean();
    EXPECT_FALSE(k.queryMultipleValues(values));
    scratch.setText(nullptr, ZEB_W("the default"));
    EXPECT_FALSE(k.queryMultipleValues(values));
}

TEST(RegistryValent, CopiesAndCompares)
{
    const WString name = ZEB_W("name");
    BYTE data[] = {9, 8, 7};
    VALENTW entry;
    entry.ve_valuename = const_cast<LPWSTR>(name.c_str());
    entry.ve_valuelen = sizeof data;
    entry.ve_valueptr = reinterpret_cast<DWORD_PTR>(data);
    entry.ve_type = REG_BINARY;
    const CZEBRegistryValent valent(entry);
    data[0] = 0; // a copy, not a view
    EXPECT_TRUE(text(valent.m_szValueName) == name);
    EXPECT_EQ((std::vector<BYTE>{9, 8, 7}), rawBytes(valent.m_data));
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), valent.m_dwType);

    const CZEBRegistryValent empty;
    EXPECT_FALSE(empty.m_szValueName.isValid());
    EXPECT_EQ(0u, empty.m_data.getNumElems());
    EXPECT_EQ(0u, empty.m_dwType);

    CZEBRegistryValent copy;
    copy = valent;
    EXPECT_TRUE(copy == valent);
    EXPECT_FALSE(copy != valent);
    CZEBRegistryValent other(copy);
    other.m_dwType = REG_NONE;
    EXPECT_TRUE(other != valent);
    other = valent;
    other.m_data[2] = 0;
    EXPECT_TRUE(other != valent);
    other = valent;
    other.m_szValueName = ZEB_W("Name");
    EXPECT_TRUE(other != valent);
    EXPECT_TRUE(empty == CZEBRegistryValent());
}

// Every allocation of the bulk read failing in turn: the answer is false or the complete,
// correct result, never records under the wrong name; the failed name copy says so.
TEST_F(RegistryKeyTest, QueryMultipleValuesUnderAllocationFailures)
{
    scratch.handle();
    scratch.setText(nullptr, ZEB_W("the default must never appear"));
    scratch.setText(ZEB_W("first"), ZEB_W("one"));
    scratch.setText(ZEB_W("second"), ZEB_W("two"));
    LoggingOn logging;
    CZEBRegistryKey k = key();
    CZEBDblList<CZEBRegistryValent> expected;
    ASSERT_TRUE(k.queryMultipleValues(expected));
    int nFailures = 0;
    for (int nFailAt = 0;; ++nFailAt)
    {
        SCOPED_TRACE("allocation " + std::to_string(nFailAt) + " fails");
        CZEBDblList<CZEBRegistryValent> values;
        bool bResult = false;
        bool bInjected = false;
        {
            HeapFaults faults;
            FaultyHeap::s_nAllocationsLeft = nFailAt;
            bResult = k.queryMultipleValues(values);
            bInjected = FaultyHeap::s_nAllocationsLeft == -1;
        }
        EXPECT_FALSE(k.isOpen());
        if (!bInjected)
        {
            EXPECT_TRUE(bResult);
            break;
        }
        if (bResult)
        {
            EXPECT_TRUE(values == expected);
        }
        else
        {
            ++nFailures;
        }
    }
    EXPECT_GT(nFailures, 0);
    EXPECT_GE(countLinesWith(logging.log.lines(), ZEB_W("\"pValent.ve_valuename = NULL\"")), 1u);
}

TEST_F(RegistryKeyTest, QueryMultipleValuesFreesEveryNameAfterAFailedRelease)
{
    scratch.handle();
    for (LPCWSTR szName : {ZEB_W("a"), ZEB_W("b"), ZEB_W("c")})
        scratch.setDword(szName, 1);
    LoggingOn logging;
    CZEBRegistryKey k = key();
    CZEBDblList<CZEBRegistryValent> values;
    {
        HeapFaults faults;
        FaultyHeap::s_bFailReleases = true;
        EXPECT_TRUE(k.queryMultipleValues(values));
    }
    EXPECT_EQ(3u, values.getCount());
    // One warning per name copy: the walk went on after the first failure.
    EXPECT_EQ(3u,
              countLinesWith(logging.log.lines(), ZEB_W("\"Unable to free memory ( pValent )\"")));
}

#ifndef _WIN32
// ---- Host only: failures injected into the host registry ----

class HostOnlyRegistryKeyTest : public RegistryKeyTest
{
protected:
    void TearDown() override
    {
        zebhost::clearFailures();
        zebhost::denyKeyAccess(scratch.root(), scratch.path(), false);
    }
};

TEST_F(HostOnlyRegistryKeyTest, AccessDeniedOpensWithANullHandle)
{
    scratch.handle();
    scratch.setDword(ZEB_W("v"), 1);
    zebhost::denyKeyAccess(scratch.root(), scratch.path(), true);
    CZEBRegistryKey k = key();
    EXPECT_TRUE(k.exists());
    EXPECT_FALSE(k.isOpen());
    ASSERT_TRUE(k.open());
    EXPECT_TRUE(k.isOpen());
    EXPECT_EQ(nullptr, k.getHandle());
    // Nothing to release: closing succeeds.
    EXPECT_TRUE(k.close());
    EXPECT_FALSE(k.isOpen());
    DWORD ulLength = kNoValue;
    EXPECT_FALSE(k.getMaxValueLength(ulLength));
    EXPECT_EQ(kNoValue, ulLength);
    CZEBRegistryDword value(scratch.root(), scratch.path(), ZEB_W("v"), KEY_READ, false, 0);
    DWORD ulValue = kNoValue;
    EXPECT_FALSE(value.getValue(ulValue, false));
    EXPECT_EQ(kNoValue, ulValue);
    EXPECT_FALSE(value.isOpen());
}

TEST_F(HostOnlyRegistryKeyTest, OpenFailsOnOtherErrors)
{
    scratch.handle();
    for (DWORD ulError : {ERROR_CANTREAD, ERROR_BAD_PATHNAME, ERROR_NOT_ENOUGH_MEMORY})
    {
        SCOPED_TRACE(ulError);
        CZEBRegistryKey k = key(true);
        zebhost::failCall("RegOpenKeyExW", ulError);
        EXPECT_FALSE(k.open());
        EXPECT_FALSE(k.isOpen());
    }
    // Missing: created with the flag, then opened again.
    scratch.clean();
    CZEBRegistryKey k = key(true);
    zebhost::failCall("RegOpenKeyExW", ERROR_INVALID_HANDLE);
    EXPECT_TRUE(k.open());
    EXPECT_TRUE(scratch.exists());
}

TEST_F(HostOnlyRegistryKeyTest, CloseFailureKeepsTheKeyOpen)
{
    scratch.handle();
    LoggingOn logging;
    CZEBRegistryKey k = key();
    ASSERT_TRUE(k.open());
    const HKEY hKey = k.getHandle();
    zebhost::failCall("RegCloseKey", ERROR_INVALID_HANDLE);
    EXPECT_FALSE(k.close());
    EXPECT_TRUE(k.isOpen());
    EXPECT_EQ(hKey, k.getHandle());
    EXPECT_EQ(1u, countLinesWith(logging.log.lines(),
                                 WString(ZEB_W("\"Unable to close registry key ( ")) +
                                     scratch.path() + ZEB_W(" )\" <Error: 0x00000006>")));
    EXPECT_TRUE(k.close());
}

TEST_F(HostOnlyRegistryKeyTest, EnumerationFailuresNameTheEnumeratingClass)
{
    scratch.createSub(ZEB_W("a"));
    scratch.setDword(ZEB_W("v"), 1);
    LoggingOn logging;
    CZEBRegistryKey k = key();
    CZEBDblList<CZEBWCharString> names;
    zebhost::failCall("RegEnumKeyExW", ERROR_CANTREAD);
    // An export must not lose subtrees silently: the walk's error is the answer.
    EXPECT_FALSE(k.enumSubKeys(names));
    EXPECT_EQ(0u, names.getCount());
    EXPECT_FALSE(k.isOpen());
    zebhost::failCall("RegEnumValueW", ERROR_CANTREAD);
    EXPECT_FALSE(k.enumValueNames(names));
    zebhost::failCall("RegQueryMultipleValuesW", ERROR_CANTREAD);
    CZEBDblList<CZEBRegistryValent> values;
    EXPECT_FALSE(k.queryMultipleValues(values));
    EXPECT_FALSE(k.isOpen());
    zebhost::failCall("RegQueryInfoKeyW", ERROR_BADKEY);
    DWORD ulLength = 0;
    EXPECT_FALSE(k.getMaxSubKeyLength(ulLength));

    const std::vector<WString> lines = logging.log.lines();
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("<CZEBRegistrykey::enumSubKeys> \"Unable to "
                                              "enumerate subkeys from key")));
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("<CZEBRegistrykey::enumValueNames> \"Unable to "
                                              "enumerate values from key")));
    // The value enumeration's only handler is the catch-all: also an unhandled exception.
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("\"An unhandled exception occurred\"")));
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("\"Unable to query multiple values from registry "
                                              "key ( \"")));
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("\"Unable to query info on registry key ( \"")));
}

TEST_F(HostOnlyRegistryKeyTest, EnumerationRecordsPassOnlyAnExactAllowList)
{
    scratch.createSub(ZEB_W("a"));
    struct Case
    {
        LPCWSTR szAllow;
        size_t ulLines;
    };
    const Case cases[] = {{ZEB_W("CZEBRegistrykey"), 1}, {ZEB_W("CZEBRegistryKey"), 0}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(narrow(c.szAllow));
        LoggingOn logging;
        logging.key.setText(ZEB_W("AllowObjects"), c.szAllow);
        CZEBRegistryKey k = key();
        CZEBDblList<CZEBWCharString> names;
        zebhost::failCall("RegEnumKeyExW", ERROR_CANTREAD);
        EXPECT_FALSE(k.enumSubKeys(names));
        EXPECT_EQ(c.ulLines,
                  countLinesWith(logging.log.lines(), ZEB_W("Unable to enumerate subkeys")));
    }
}

// The default view depends on the process: the retry in the other view that the program
// makes works in both settings.
TEST_F(HostOnlyRegistryKeyTest, RetryInTheOtherViewForBothBitnesses)
{
    ScratchKey machine(HKEY_LOCAL_MACHINE, ZEB_W("View"));
    struct Case
    {
        int nProcessBits;
        REGSAM samFirst;
        bool bFirst;
        REGSAM samRetry;
    };
    // The value lives in the 64-bit view only.
    const Case cases[] = {
        {32, KEY_READ, false, KEY_READ | KEY_WOW64_64KEY},
        {64, KEY_READ, true, KEY_READ | KEY_WOW64_64KEY},
        {64, KEY_READ | KEY_WOW64_32KEY, false, KEY_READ},
        {32, KEY_READ | KEY_WOW64_32KEY, false, KEY_READ | KEY_WOW64_64KEY},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.nProcessBits) + "-bit process");
        zebhost::setBitness(64, 64);
        machine.clean();
        machine.setText(ZEB_W("Version"), ZEB_W("8.21.0020"));
        zebhost::setBitness(c.nProcessBits, 64);
        CZEBRegistryString value(HKEY_LOCAL_MACHINE, machine.path(), ZEB_W("Version"), c.samFirst,
                                 false, 0);
        CZEBWCharString version;
        EXPECT_EQ(c.bFirst, value.getValue(version, false));
        value.setAccess(c.samRetry);
        ASSERT_TRUE(value.getValue(version, false));
        EXPECT_TRUE(text(version) == ZEB_W("8.21.0020"));
    }
    zebhost::setBitness(64, 64);
}
#endif
} // namespace
