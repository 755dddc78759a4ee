// Typed registry values: DWORD, string, expandable string, multi-string and binary. Sizes,
// layouts and caches are checked against raw reads and writes of the same registry, so the
// same tests hold on the host registry and under Wine.
#include "zeb_registry_test_support.h"

#include "zeb_memory.h"

#include <cstdlib>

#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

using namespace zebtest;

namespace
{
const LPCWSTR kName = ZEB_W("Value");

std::string hex(const std::vector<BYTE>& data)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (BYTE b : data)
    {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

// The bytes of UTF-16 text (no terminator unless it is part of the text).
std::vector<BYTE> units(const WString& text)
{
    return bytesOf(text.data(), text.size() * sizeof(WCHAR));
}

void setVariable(LPCWSTR szName, LPCWSTR szValue)
{
#ifdef _WIN32
    ASSERT_TRUE(SetEnvironmentVariableW(szName, szValue));
#else
    ASSERT_EQ(0, setenv(narrow(szName).c_str(), narrow(szValue).c_str(), 1));
#endif
}

// Counts the library heap's blocks in use.
struct CountingHeap
{
    static long s_nBlocks;
    static int s_nAllocationsLeft; // the allocation after this many fails; -1: none fails
    static void* allocate(size_t cbSize)
    {
        if (s_nAllocationsLeft == 0)
        {
            s_nAllocationsLeft = -1;
            return nullptr;
        }
        if (s_nAllocationsLeft > 0)
            --s_nAllocationsLeft;
        ++s_nBlocks;
        return std::malloc(cbSize);
    }
    static bool release(void* p, size_t)
    {
        --s_nBlocks;
        std::free(p);
        return true;
    }
};
long CountingHeap::s_nBlocks = 0;
int CountingHeap::s_nAllocationsLeft = -1;

class HeapHooks
{
public:
    HeapHooks()
    {
        CountingHeap::s_nBlocks = 0;
        CountingHeap::s_nAllocationsLeft = -1;
        zebSetAllocatorHooks(&m_hooks);
    }
    ~HeapHooks()
    {
        zebSetAllocatorHooks(nullptr);
        CountingHeap::s_nAllocationsLeft = -1;
    }

private:
    ZebAllocatorHooks m_hooks = {CountingHeap::allocate, CountingHeap::release};
};

class RegistryValueTest : public ::testing::Test
{
protected:
    ScratchKey scratch;
    std::vector<BYTE> stored(LPCWSTR szName = kName, DWORD* pulType = nullptr)
    {
        std::vector<BYTE> data;
        EXPECT_TRUE(scratch.getRaw(szName, data, pulType)) << narrow(szName);
        return data;
    }
    bool present(LPCWSTR szName = kName)
    {
        return RegQueryValueExW(scratch.handle(), szName, nullptr, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    }
};

// ---- Construction ----

TEST_F(RegistryValueTest, NamesThatCannotBeCopiedRaiseTheInitException)
{
    const WString name = ZEB_W("a value name that is copied");
    int nThrown = 0;
    for (int nFailAt = 0;; ++nFailAt)
    {
        SCOPED_TRACE("allocation " + std::to_string(nFailAt) + " fails");
        bool bInjected = false;
        {
            HeapHooks hooks;
            CountingHeap::s_nAllocationsLeft = nFailAt;
            try
            {
                CZEBRegistryDword value(scratch.root(), scratch.path(), name.c_str(), KEY_READ,
                                        false, 0);
                EXPECT_TRUE(text(value.getValueName()) == name);
                EXPECT_TRUE(text(value.getKeyPath()) == scratch.path());
            }
            catch (const CZEBRegKeyInitException&)
            {
                ++nThrown;
            }
            bInjected = CountingHeap::s_nAllocationsLeft == -1;
        }
        if (!bInjected)
            break;
    }
    // The path and the name: each failure reached the caller.
    EXPECT_EQ(2, nThrown);
}

TEST_F(RegistryValueTest, ValuesDeletedThroughAKeyPointerReleaseTheirCache)
{
    scratch.setText(kName, ZEB_W("cached text"));
    HeapHooks hooks;
    {
        CZEBRegistryKey* pKey =
            new CZEBRegistryString(scratch.root(), scratch.path(), kName, KEY_READ, false, 0);
        CZEBWCharString value;
        EXPECT_TRUE(static_cast<CZEBRegistryString*>(pKey)->getValue(value, false));
        EXPECT_TRUE(pKey->open());
        delete pKey;
    }
    EXPECT_EQ(0, CountingHeap::s_nBlocks);
}

// ---- DWORD ----

TEST_F(RegistryValueTest, DwordReadsAnyValueOfAtMostFourBytes)
{
    const BYTE one[] = {0x7f};
    const BYTE two[] = {1, 2};
    const BYTE four[] = {1, 2, 3, 4};
    const BYTE eight[] = {1, 2, 3, 4, 5, 6, 7, 8};
    const BYTE five[] = {1, 2, 3, 4, 5};
    const WCHAR szOne[] = ZEB_W("A");
    struct Case
    {
        const char* label;
        DWORD ulType;
        const void* pData;
        DWORD cbData;
        bool bRead;
        DWORD ulValue;
    };
    const Case cases[] = {
        {"REG_DWORD", REG_DWORD, four, 4, true, 0x04030201},
        {"REG_BINARY of four bytes", REG_BINARY, four, 4, true, 0x04030201},
        {"one-character REG_SZ: the character and its terminator", REG_SZ, szOne, 4, true, 0x41},
        {"two bytes: no old bytes left", REG_BINARY, two, 2, true, 0x0201},
        {"one byte", REG_DWORD, one, 1, true, 0x7f},
        {"no bytes", REG_BINARY, nullptr, 0, true, 0},
        {"REG_QWORD is refused", REG_QWORD, eight, 8, false, 0},
        {"five bytes are refused", REG_BINARY, five, 5, false, 0},
    };
    CZEBRegistryDword value(scratch.root(), scratch.path(), kName, KEY_READ, false, 0);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        // The same object read a larger number just before.
        scratch.setDword(kName, 0xffffffff);
        DWORD ulValue = kNoValue;
        ASSERT_TRUE(value.getValue(ulValue, false));
        EXPECT_EQ(0xffffffffu, ulValue);
        scratch.setRaw(kName, c.ulType, c.pData, c.cbData);
        ulValue = kNoValue;
        EXPECT_EQ(c.bRead, value.getValue(ulValue, false));
        EXPECT_EQ(c.bRead ? c.ulValue : kNoValue, ulValue);
        EXPECT_FALSE(value.isOpen());
        // A failed read leaves no valid cache behind.
        ulValue = kNoValue;
        EXPECT_EQ(c.bRead, value.getValue(ulValue, true));
    }
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteValueW(scratch.handle(), kName));
    DWORD ulValue = kNoValue;
    EXPECT_FALSE(value.getValue(ulValue, false));
    EXPECT_EQ(kNoValue, ulValue);
    EXPECT_FALSE(present());
}

TEST_F(RegistryValueTest, DwordCache)
{
    scratch.setDword(kName, 1);
    CZEBRegistryDword value(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, false, 0);
    DWORD ulValue = 0;
    // A fresh object reads the registry; the second call answers from the cache.
    ASSERT_TRUE(value.getValue(ulValue, true));
    EXPECT_EQ(1u, ulValue);
    scratch.setDword(kName, 2);
    ASSERT_TRUE(value.getValue(ulValue, true));
    EXPECT_EQ(1u, ulValue);
    ASSERT_TRUE(value.getValue(ulValue, false));
    EXPECT_EQ(2u, ulValue);
    // A cache-only change is not known to match the registry: the next read goes there.
    EXPECT_TRUE(value.setValue(5, true));
    EXPECT_EQ(2u,
              [&]
              {
                  DWORD d = 0;
                  std::memcpy(&d, stored().data(), 4);
                  return d;
              }());
    ASSERT_TRUE(value.getValue(ulValue, true));
    EXPECT_EQ(2u, ulValue);
    // A write makes the cache valid.
    ASSERT_TRUE(value.setValue(7, false));
    EXPECT_EQ("07000000", hex(stored()));
    scratch.setDword(kName, 8);
    ASSERT_TRUE(value.getValue(ulValue, true));
    EXPECT_EQ(7u, ulValue);

    CZEBRegistryDword fresh(scratch.root(), scratch.path(), kName, KEY_READ, false, 0);
    EXPECT_TRUE(fresh.setValue(5, true));
    ASSERT_TRUE(fresh.getValue(ulValue, true));
    EXPECT_EQ(8u, ulValue);
}

TEST_F(RegistryValueTest, DwordCreatesAMissingValueWithZero)
{
    CZEBRegistryDword value(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, true, 0);
    DWORD ulValue = kNoValue;
    ASSERT_TRUE(value.getValue(ulValue, false));
    EXPECT_EQ(0u, ulValue);
    DWORD ulType = 0;
    EXPECT_EQ("00000000", hex(stored(kName, &ulType)));
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), ulType);
    // Without the flag a missing value is simply missing, and nothing is created.
    scratch.clean();
    CZEBRegistryDword plain(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, false, 0);
    EXPECT_FALSE(plain.getValue(ulValue, false));
    EXPECT_FALSE(scratch.exists());
}

TEST_F(RegistryValueTest, FailedWritesAreReportedAndLeaveNoValidCache)
{
    scratch.setDword(kName, 3);
    scratch.setText(ZEB_W("Text"), ZEB_W("old"));
    LoggingOn logging;
    CZEBRegistryDword number(scratch.root(), scratch.path(), kName, KEY_READ, false, 0);
    EXPECT_FALSE(number.setValue(9, false));
    DWORD ulValue = 0;
    ASSERT_TRUE(number.getValue(ulValue, true));
    EXPECT_EQ(3u, ulValue);
    CZEBRegistryString textValue(scratch.root(), scratch.path(), ZEB_W("Text"), KEY_READ, false, 0);
    EXPECT_FALSE(textValue.setValue(CZEBWCharString(ZEB_W("new")), false));
    CZEBWCharString read;
    ASSERT_TRUE(textValue.getValue(read, true));
    EXPECT_TRUE(text(read) == ZEB_W("old"));
    CZEBRegistryMultiString multi(scratch.root(), scratch.path(), ZEB_W("Multi"), KEY_READ, false,
                                  0);
    EXPECT_FALSE(multi.setValue(makeList({ZEB_W("a")}), false));
    CZEBRegistryBinary binary(scratch.root(), scratch.path(), ZEB_W("Bin"), KEY_READ, false, 0);
    EXPECT_FALSE(binary.setValue(makeBytes({1}), false));

    const std::vector<WString> lines = logging.log.lines();
    const WString message = WString(ZEB_W("\"Unable to Set registry value ( \"")) + scratch.path();
    for (const WString& where :
         {WString(ZEB_W("<CZEBRegistryDword::writeRegistry> ")) + message + ZEB_W("\\Value\" )\""),
          WString(ZEB_W("<CZEBRegistryValue::writeRegistry> ")) + message + ZEB_W("\\Text\" )\""),
          WString(ZEB_W("<CZEBRegistryMultiString::writeRegistry> ")) + message +
              ZEB_W("\\Multi\" )\""),
          WString(ZEB_W("<CZEBRegistryBinary::writeRegistry> ")) + message + ZEB_W("\\Bin\" )\"")})
        EXPECT_EQ(1u, countLinesWith(lines, where)) << narrow(where);
}

TEST_F(RegistryValueTest, DwordEnumValuesListsOnlyDwords)
{
    const BYTE three[] = {1, 2, 3};
    scratch.setDword(ZEB_W("b"), 2);
    scratch.setText(ZEB_W("c"), ZEB_W("text"));
    scratch.setDword(ZEB_W("a"), 1);
    scratch.setRaw(ZEB_W("short"), REG_DWORD, three, sizeof three);
    scratch.setDword(nullptr, 9); // the default value is not listed
    CZEBRegistryDword value(scratch.root(), scratch.path(), nullptr, KEY_READ, false, 0);
    CZEBDblList<CZEBRegistryDwordValue> values;
    ASSERT_TRUE(value.enumValues(values));
    std::vector<LONG> keys;
    const std::vector<CZEBRegistryDwordValue> read = items(values, &keys);
    ASSERT_EQ(3u, read.size());
    EXPECT_TRUE(read[0] == CZEBRegistryDwordValue(CZEBWCharString(ZEB_W("a")), 1));
    EXPECT_TRUE(read[1] == CZEBRegistryDwordValue(CZEBWCharString(ZEB_W("b")), 2));
    // A shorter datum gives 0.
    EXPECT_TRUE(read[2] == CZEBRegistryDwordValue(CZEBWCharString(ZEB_W("short")), 0));
    EXPECT_EQ((std::vector<LONG>{0, 1, 2}), keys);
    EXPECT_TRUE(read[0] != read[1]);

    // Only strings: true and empty. No named values: false.
    scratch.clean();
    scratch.setText(ZEB_W("c"), ZEB_W("text"));
    ASSERT_TRUE(value.enumValues(values));
    EXPECT_EQ(0u, values.getCount());
    scratch.clean();
    scratch.setDword(nullptr, 9);
    EXPECT_FALSE(value.enumValues(values));
}

// ---- Strings ----

TEST_F(RegistryValueTest, StringReadsUpTo259CharactersAndAlwaysTerminates)
{
    const WString s259(259, ZEB_W('x'));
    const WString s260(260, ZEB_W('y'));
    // Source memory continues with non-NUL units, so nothing adds a terminator on writing.
    auto raw = [](const WString& t) { return units(t + ZEB_W("ZZ")); };
    const size_t kAll = ~static_cast<size_t>(0);
    struct Case
    {
        const char* label;
        DWORD ulType;
        std::vector<BYTE> data;
        size_t cbGiven; // the bytes of data written
        bool bRead;
        WString expected;
    };
    const DWORD ulNumber = 0x41;
    const WString nul(1, 0);
    const Case cases[] = {
        {"with terminator", REG_SZ, units(ZEB_W("abc") + nul), kAll, true, ZEB_W("abc")},
        {"stored without its NUL", REG_SZ, raw(ZEB_W("abc")), 6, true, ZEB_W("abc")},
        {"odd byte count", REG_SZ, raw(ZEB_W("abc")), 5, true, ZEB_W("abc")},
        {"odd byte count after the NUL", REG_SZ, raw(ZEB_W("ab") + nul), 7, true, ZEB_W("ab")},
        {"empty text", REG_SZ, units(nul), kAll, true, ZEB_W("")},
        {"no bytes", REG_SZ, {}, kAll, true, ZEB_W("")},
        {"259 characters", REG_SZ, units(s259 + nul), kAll, true, s259},
        {"259 characters without NUL", REG_SZ, raw(s259), 518, true, s259},
        {"260 characters", REG_SZ, units(s260 + nul), kAll, false, ZEB_W("")},
        {"260 characters without NUL fill the buffer", REG_SZ, raw(s260), 520, false, ZEB_W("")},
        {"text stops at its first NUL", REG_SZ, units(ZEB_W("ab") + nul + ZEB_W("cd") + nul), kAll,
         true, ZEB_W("ab")},
        {"expandable text unexpanded", REG_EXPAND_SZ, units(ZEB_W("%TEMP%") + nul), kAll, true,
         ZEB_W("%TEMP%")},
        {"a DWORD as text", REG_DWORD, bytesOf(&ulNumber, 4), kAll, true, ZEB_W("A")},
    };
    CZEBRegistryString value(scratch.root(), scratch.path(), kName, KEY_READ, false, 0);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        const size_t cbData = c.cbGiven == kAll ? c.data.size() : c.cbGiven;
        scratch.setRaw(kName, c.ulType, c.data.empty() ? nullptr : c.data.data(),
                       static_cast<DWORD>(cbData));
        ASSERT_EQ(cbData, stored().size()); // stored exactly as given
        CZEBWCharString read(ZEB_W("untouched"));
        EXPECT_EQ(c.bRead, value.getValue(read, false));
        EXPECT_TRUE(text(read) == (c.bRead ? c.expected : WString(ZEB_W("untouched"))))
            << narrow(text(read));
        EXPECT_FALSE(value.isOpen());
    }
}

TEST_F(RegistryValueTest, StringWritesTheTextAndOneTerminator)
{
    struct Case
    {
        WString value;
        size_t cbStored;
    };
    const Case cases[] = {
        {ZEB_W("abc"), 8},
        {ZEB_W(""), 0},
        {WString(259, ZEB_W('x')), 520},
    };
    CZEBRegistryString value(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, true, 0);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(narrow(c.value.substr(0, 8)));
        // A longer text first: its storage tail must not be written with the shorter one.
        ASSERT_TRUE(value.setValue(CZEBWCharString(WString(40, ZEB_W('L')).c_str()), false));
        CZEBWCharString newText(c.value.c_str());
        ASSERT_TRUE(value.setValue(newText, false));
        DWORD ulType = 0;
        const std::vector<BYTE> data = stored(kName, &ulType);
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), ulType);
        EXPECT_EQ(c.cbStored, data.size());
        if (!c.value.empty())
        {
            EXPECT_EQ(units(c.value + WString(1, 0)), data);
        }
        CZEBWCharString read;
        ASSERT_TRUE(value.getValue(read, false));
        EXPECT_TRUE(text(read) == c.value);
    }
}

TEST_F(RegistryValueTest, StringCacheIsValidOnlyAfterAWrite)
{
    scratch.setText(kName, ZEB_W("one"));
    CZEBRegistryString value(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, false, 0);
    CZEBWCharString read;
    ASSERT_TRUE(value.getValue(read, true));
    EXPECT_TRUE(text(read) == ZEB_W("one"));
    // A read does not make the cache valid: the registry is read again.
    scratch.setText(kName, ZEB_W("two"));
    ASSERT_TRUE(value.getValue(read, true));
    EXPECT_TRUE(text(read) == ZEB_W("two"));
    ASSERT_TRUE(value.setValue(CZEBWCharString(ZEB_W("three")), false));
    scratch.setText(kName, ZEB_W("four"));
    ASSERT_TRUE(value.getValue(read, true));
    EXPECT_TRUE(text(read) == ZEB_W("three"));
    // A cache-only change answers true, writes nothing and clears the valid mark.
    EXPECT_TRUE(value.setValue(CZEBWCharString(ZEB_W("five")), true));
    EXPECT_EQ(units(WString(ZEB_W("four")) + WString(1, 0)), stored());
    ASSERT_TRUE(value.getValue(read, true));
    EXPECT_TRUE(text(read) == ZEB_W("four"));
}

TEST_F(RegistryValueTest, StringMissingValue)
{
    scratch.handle();
    CZEBRegistryString plain(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, false, 0);
    CZEBWCharString read(ZEB_W("untouched"));
    EXPECT_FALSE(plain.getValue(read, false));
    EXPECT_TRUE(text(read) == ZEB_W("untouched"));
    EXPECT_FALSE(present());
    // With the create flag an empty REG_SZ is created.
    CZEBRegistryString created(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, true,
                               0);
    ASSERT_TRUE(created.getValue(read, false));
    EXPECT_TRUE(text(read) == ZEB_W(""));
    DWORD ulType = 0;
    EXPECT_EQ(0u, stored(kName, &ulType).size());
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), ulType);
}

TEST_F(RegistryValueTest, StringEnumValuesListsOnlyRegSz)
{
    const BYTE raw[] = {'n', 0, 'o', 0, 'Z', 0}; // no terminator in the four bytes written
    scratch.setText(ZEB_W("b"), ZEB_W("two"));
    scratch.setText(ZEB_W("a"), ZEB_W("one"));
    scratch.setText(ZEB_W("e"), ZEB_W("%x%"), REG_EXPAND_SZ);
    scratch.setDword(ZEB_W("d"), 1);
    scratch.setRaw(ZEB_W("raw"), REG_SZ, raw, 4);
    CZEBRegistryString value(scratch.root(), scratch.path(), nullptr, KEY_READ, false, 0);
    CZEBDblList<CZEBRegistryStringValue> values;
    ASSERT_TRUE(value.enumValues(values));
    std::vector<LONG> keys;
    std::vector<std::pair<WString, WString>> read;
    for (const CZEBRegistryStringValue& v : items(values, &keys))
        read.push_back({text(v.m_szName), text(v.m_szValue)});
    const std::vector<std::pair<WString, WString>> expected = {
        {ZEB_W("a"), ZEB_W("one")}, {ZEB_W("b"), ZEB_W("two")}, {ZEB_W("raw"), ZEB_W("no")}};
    EXPECT_EQ(expected, read);
    EXPECT_EQ((std::vector<LONG>{0, 1, 2}), keys);
}

// ---- Expandable strings ----

TEST_F(RegistryValueTest, ExpandWritesOnlyBalancedPercentSigns)
{
    struct Case
    {
        LPCWSTR szValue;
        bool bWritten;
    };
    const Case cases[] = {
        {ZEB_W("%TEMP%\\x"), true}, {ZEB_W("%a%%b%"), true}, {ZEB_W("x%y"), false},
        {ZEB_W("plain"), false},    {ZEB_W("%%%"), false},   {ZEB_W(""), false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(narrow(c.szValue));
        scratch.setText(kName, ZEB_W("before"), REG_EXPAND_SZ);
        LoggingOn logging;
        CZEBRegistryStringExpand value(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE,
                                       false, 0);
        EXPECT_EQ(c.bWritten, value.setValue(CZEBWCharString(c.szValue), false));
        DWORD ulType = 0;
        const std::vector<BYTE> data = stored(kName, &ulType);
        EXPECT_EQ(static_cast<DWORD>(REG_EXPAND_SZ), ulType);
        EXPECT_EQ(units(WString(c.bWritten ? c.szValue : ZEB_W("before")) + WString(1, 0)), data);
        EXPECT_EQ(c.bWritten ? 0u : 1u,
                  countLinesWith(logging.log.lines(),
                                 ZEB_W("\"A bad argument was provided ( m_szRegStringCache ). "
                                       "value doesn't represent an expandable value which is "
                                       "required\"")));
        // A refused write leaves no valid cache: the registry answers.
        CZEBWCharString read;
        ASSERT_TRUE(value.getValue(read, true, false));
        EXPECT_TRUE(text(read) == (c.bWritten ? c.szValue : ZEB_W("before")));
    }
}

TEST_F(RegistryValueTest, ExpandDeliversStoredOrExpandedText)
{
    setVariable(ZEB_W("ZEBTEST_V"), ZEB_W("val"));
    struct Case
    {
        LPCWSTR szStored;
        LPCWSTR szExpanded;
    };
    const Case cases[] = {
        {ZEB_W("a%ZEBTEST_V%b"), ZEB_W("avalb")},
        {ZEB_W("%ZEBTEST_V%%ZEBTEST_V%"), ZEB_W("valval")},
        {ZEB_W("%ZEBTEST_V"), ZEB_W("%ZEBTEST_V")},
        {ZEB_W("x%y"), ZEB_W("x%y")},
        {ZEB_W("%ZEBTEST_UNSET%"), ZEB_W("%ZEBTEST_UNSET%")},
        {ZEB_W(""), ZEB_W("")},
    };
    CZEBRegistryStringExpand value(scratch.root(), scratch.path(), kName, KEY_READ, false, 0);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(narrow(c.szStored));
        scratch.setText(kName, c.szStored, REG_EXPAND_SZ);
        CZEBWCharString read;
        ASSERT_TRUE(value.getValue(read, false, false));
        EXPECT_TRUE(text(read) == c.szStored);
        ASSERT_TRUE(value.getValue(read, false, true));
        EXPECT_TRUE(text(read) == c.szExpanded) << narrow(text(read));
        // The plain string reading is there too.
        ASSERT_TRUE(value.getValue(read, false));
        EXPECT_TRUE(text(read) == c.szStored);
    }
}

TEST_F(RegistryValueTest, ExpandEnumValuesReadsInItsOwnView)
{
    setVariable(ZEB_W("ZEBTEST_V"), ZEB_W("val"));
    setVariable(ZEB_W("ZEBTEST_W"), ZEB_W("wal"));
    const LPCWSTR szPath = ZEB_W("Software\\ZebTest\\Expand");
    auto cleanUp = [&]
    {
        for (REGSAM samView : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        {
            deleteKeyTree(HKEY_LOCAL_MACHINE, szPath, samView);
            HKEY hSoftware = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software"), 0, KEY_ALL_ACCESS | samView,
                              &hSoftware) == ERROR_SUCCESS)
            {
                RegDeleteKeyW(hSoftware, ZEB_W("ZebTest"));
                RegCloseKey(hSoftware);
            }
        }
    };
    cleanUp();
    // The same name in both views, with different texts.
    const struct
    {
        REGSAM samView;
        LPCWSTR szText;
    } views[] = {{KEY_WOW64_32KEY, ZEB_W("%ZEBTEST_V%")}, {KEY_WOW64_64KEY, ZEB_W("%ZEBTEST_W%")}};
    for (const auto& v : views)
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE, szPath, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | v.samView, nullptr, &hKey, nullptr));
        const WString t = v.szText;
        RegSetValueExW(hKey, ZEB_W("e"), 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                       static_cast<DWORD>((t.size() + 1) * sizeof(WCHAR)));
        RegSetValueExW(hKey, ZEB_W("s"), 0, REG_SZ, reinterpret_cast<const BYTE*>(t.c_str()),
                       static_cast<DWORD>((t.size() + 1) * sizeof(WCHAR)));
        RegCloseKey(hKey);
    }
    const struct
    {
        REGSAM samView;
        LPCWSTR szExpanded;
    } cases[] = {{KEY_WOW64_32KEY, ZEB_W("val")}, {KEY_WOW64_64KEY, ZEB_W("wal")}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.samView);
        CZEBRegistryStringExpand value(HKEY_LOCAL_MACHINE, szPath, nullptr, KEY_READ | c.samView,
                                       false, 0);
        CZEBDblList<CZEBRegistryStringValue> values;
        ASSERT_TRUE(value.enumValues(values, true));
        std::vector<CZEBRegistryStringValue> read = items(values);
        ASSERT_EQ(1u, read.size()); // only the expandable value
        EXPECT_TRUE(text(read[0].m_szName) == ZEB_W("e"));
        EXPECT_TRUE(text(read[0].m_szValue) == c.szExpanded) << narrow(text(read[0].m_szValue));
        ASSERT_TRUE(value.enumValues(values, false));
        read = items(values);
        ASSERT_EQ(1u, read.size());
        EXPECT_TRUE(text(read[0].m_szValue) ==
                    (c.samView == KEY_WOW64_32KEY ? ZEB_W("%ZEBTEST_V%") : ZEB_W("%ZEBTEST_W%")));
    }
    cleanUp();
}

// ---- Multi-strings ----

TEST_F(RegistryValueTest, MultiStringWriteLayouts)
{
    struct Case
    {
        std::vector<WString> list;
        std::string bytes;
    };
    const Case cases[] = {
        {{ZEB_W("a"), ZEB_W("b")}, "61000000620000000000"},
        {{}, ""},
        {{ZEB_W("")}, "00000000"},
        {{ZEB_W("abc")}, "61006200630000000000"},
    };
    scratch.handle();
    CZEBRegistryMultiString value(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE,
                                  false, 0);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(show(c.list));
        CZEBDblList<CZEBWCharString> list = makeList(c.list);
        ASSERT_TRUE(value.setValue(list, false));
        DWORD ulType = 0;
        EXPECT_EQ(c.bytes, hex(stored(kName, &ulType)));
        EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), ulType);
        CZEBDblList<CZEBWCharString> read;
        ASSERT_TRUE(value.getValue(read, false));
        EXPECT_EQ(c.list, texts(read)) << show(texts(read));
    }
    // A string whose storage is longer than its text: the zero tail is never written, so no
    // early double NUL cuts the list.
    CZEBWCharString padded(WString(8, ZEB_W('p')).c_str());
    ASSERT_TRUE(padded.resize(20));
    CZEBDblList<CZEBWCharString> list;
    ASSERT_TRUE(list.add(padded, 0));
    ASSERT_TRUE(list.add(CZEBWCharString(ZEB_W("b")), 1));
    ASSERT_TRUE(value.setValue(list, false));
    EXPECT_EQ(units(WString(8, ZEB_W('p')) + WString(1, 0) + ZEB_W("b") + WString(2, 0)), stored());
}

TEST_F(RegistryValueTest, MultiStringReadLayouts)
{
    const WString nul(1, 0);
    struct Case
    {
        const char* label;
        std::vector<BYTE> data;
        std::vector<WString> list;
    };
    const Case cases[] = {
        {"a, NUL, b, NUL, NUL",
         units(ZEB_W("a") + nul + ZEB_W("b") + nul + nul),
         {ZEB_W("a"), ZEB_W("b")}},
        {"empty list as zero bytes", {}, {}},
        {"a single NUL", units(nul), {ZEB_W("")}},
        {"starts with two NULs", units(nul + nul + ZEB_W("x") + nul + nul), {ZEB_W("")}},
        {"no final NUL: the end ends the last string",
         units(ZEB_W("a") + nul + ZEB_W("b")),
         {ZEB_W("a"), ZEB_W("b")}},
        {"no NUL at all", units(ZEB_W("ab")), {ZEB_W("ab")}},
        {"an empty string ends the list",
         units(ZEB_W("a") + nul + nul + ZEB_W("b") + nul + nul),
         {ZEB_W("a")}},
        {"odd byte count", {'a', 0, 0, 0, 'b'}, {ZEB_W("a"), ZEB_W("b")}},
        {"odd byte count after the final NUL", {'a', 0, 0, 0, 0}, {ZEB_W("a")}},
        {"odd byte count inside a string", {'a', 0, 'b'}, {ZEB_W("ab")}},
    };
    CZEBRegistryMultiString value(scratch.root(), scratch.path(), kName, KEY_READ, false, 0);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        // Memory past the data holds no NUL, so nothing adds a terminator on writing.
        std::vector<BYTE> padded = c.data;
        padded.insert(padded.end(), {'Z', 'Z'});
        scratch.setRaw(kName, REG_MULTI_SZ, padded.data(), static_cast<DWORD>(c.data.size()));
        ASSERT_EQ(hex(c.data), hex(stored()));
        CZEBDblList<CZEBWCharString> read = makeList({ZEB_W("stale")});
        ASSERT_TRUE(value.getValue(read, false));
        EXPECT_EQ(c.list, texts(read)) << show(texts(read));
        std::vector<LONG> keys;
        items(read, &keys);
        for (size_t i = 0; i < keys.size(); ++i)
            EXPECT_EQ(static_cast<LONG>(i), keys[i]);
    }
    // A value larger than the first read offers.
    std::vector<WString> many;
    WString data;
    for (int i = 0; i < 100; ++i)
    {
        many.push_back(WString(10, static_cast<WCHAR>('a' + i % 26)));
        data += many.back() + nul;
    }
    data += nul;
    scratch.setRaw(kName, REG_MULTI_SZ, data.data(), static_cast<DWORD>(data.size() * 2));
    CZEBDblList<CZEBWCharString> read;
    ASSERT_TRUE(value.getValue(read, false));
    EXPECT_EQ(many, texts(read));
}

TEST_F(RegistryValueTest, MultiStringCacheAndCreation)
{
    CZEBRegistryMultiString value(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, true,
                                  0);
    // Missing with the create flag: an empty list, written as zero bytes.
    CZEBDblList<CZEBWCharString> read = makeList({ZEB_W("stale")});
    ASSERT_TRUE(value.getValue(read, false));
    EXPECT_EQ(0u, read.getCount());
    DWORD ulType = 0;
    EXPECT_EQ(0u, stored(kName, &ulType).size());
    EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), ulType);
    // A cache-only change answers false and writes nothing.
    EXPECT_FALSE(value.setValue(makeList({ZEB_W("x")}), true));
    EXPECT_EQ(0u, stored().size());
    ASSERT_TRUE(value.getValue(read, true));
    EXPECT_EQ(0u, read.getCount());
    // A successful read makes the cache valid.
    scratch.setRaw(kName, REG_MULTI_SZ, units(WString(ZEB_W("q")) + WString(2, 0)).data(), 6);
    ASSERT_TRUE(value.getValue(read, false));
    scratch.setRaw(kName, REG_MULTI_SZ, nullptr, 0);
    ASSERT_TRUE(value.getValue(read, true));
    EXPECT_EQ((std::vector<WString>{ZEB_W("q")}), texts(read));
}

TEST_F(RegistryValueTest, MultiStringEnumValues)
{
    const WString nul(1, 0);
    const std::vector<BYTE> ab = units(ZEB_W("a") + nul + ZEB_W("b") + nul + nul);
    scratch.setRaw(ZEB_W("m2"), REG_MULTI_SZ, ab.data(), static_cast<DWORD>(ab.size()));
    scratch.setRaw(ZEB_W("m1"), REG_MULTI_SZ, nullptr, 0);
    scratch.setText(ZEB_W("s"), ZEB_W("text"));
    CZEBRegistryMultiString value(scratch.root(), scratch.path(), nullptr, KEY_READ, false, 0);
    CZEBDblList<CZEBRegistryMultiStringValue> values;
    ASSERT_TRUE(value.enumValues(values));
    std::vector<LONG> keys;
    std::vector<CZEBRegistryMultiStringValue> read = items(values, &keys);
    ASSERT_EQ(2u, read.size());
    EXPECT_TRUE(text(read[0].m_szName) == ZEB_W("m1"));
    EXPECT_EQ(0u, read[0].m_values.getCount());
    EXPECT_TRUE(text(read[1].m_szName) == ZEB_W("m2"));
    EXPECT_EQ((std::vector<WString>{ZEB_W("a"), ZEB_W("b")}), texts(read[1].m_values));
    EXPECT_EQ((std::vector<LONG>{0, 1}), keys);
    EXPECT_TRUE(read[1] == CZEBRegistryMultiStringValue(CZEBWCharString(ZEB_W("m2")),
                                                        makeList({ZEB_W("a"), ZEB_W("b")})));
    EXPECT_TRUE(read[0] != read[1]);
}

// ---- Binary ----

TEST_F(RegistryValueTest, BinaryReadsAndWritesExactBytes)
{
    std::vector<BYTE> large(5000);
    for (size_t i = 0; i < large.size(); ++i)
        large[i] = static_cast<BYTE>(i * 7);
    const std::vector<std::vector<BYTE>> cases = {{}, {1, 0, 2, 0xff, 7}, {0}, large};
    CZEBRegistryBinary value(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, false, 0);
    for (const auto& data : cases)
    {
        SCOPED_TRACE(data.size());
        scratch.setRaw(kName, REG_BINARY, data.empty() ? nullptr : data.data(),
                       static_cast<DWORD>(data.size()));
        CZEBBuffer<unsigned char> read = makeBytes({0xbd});
        ASSERT_TRUE(value.getValue(read, false));
        EXPECT_EQ(data, rawBytes(read));
        ASSERT_TRUE(value.setValue(makeBytes({9}), false));
        ASSERT_TRUE(value.setValue(makeBytes(data), false));
        DWORD ulType = 0;
        EXPECT_EQ(data, stored(kName, &ulType));
        EXPECT_EQ(static_cast<DWORD>(REG_BINARY), ulType);
    }
}

TEST_F(RegistryValueTest, BinaryCacheAndCreation)
{
    CZEBRegistryBinary value(scratch.root(), scratch.path(), kName, KEY_READ | KEY_WRITE, true, 0);
    CZEBBuffer<unsigned char> read = makeBytes({1});
    ASSERT_TRUE(value.getValue(read, false));
    EXPECT_EQ(0u, read.getNumElems());
    DWORD ulType = 0;
    EXPECT_EQ(0u, stored(kName, &ulType).size());
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), ulType);
    // A cache-only change answers true, writes nothing, and is not taken as the registry's.
    EXPECT_TRUE(value.setValue(makeBytes({4, 5}), true));
    EXPECT_EQ(0u, stored().size());
    ASSERT_TRUE(value.getValue(read, true));
    EXPECT_EQ(0u, read.getNumElems());
    // A read makes the cache valid.
    scratch.setRaw(kName, REG_BINARY, "\x06", 1);
    ASSERT_TRUE(value.getValue(read, false));
    scratch.setRaw(kName, REG_BINARY, "\x07", 1);
    ASSERT_TRUE(value.getValue(read, true));
    EXPECT_EQ((std::vector<BYTE>{6}), rawBytes(read));
}

TEST_F(RegistryValueTest, BinaryEnumValues)
{
    scratch.setRaw(ZEB_W("b"), REG_BINARY, "\x01\x02", 2);
    scratch.setRaw(ZEB_W("a"), REG_BINARY, nullptr, 0);
    scratch.setDword(ZEB_W("d"), 3);
    CZEBRegistryBinary value(scratch.root(), scratch.path(), nullptr, KEY_READ, false, 0);
    CZEBDblList<CZEBRegistryBinaryValue> values;
    ASSERT_TRUE(value.enumValues(values));
    std::vector<LONG> keys;
    const std::vector<CZEBRegistryBinaryValue> read = items(values, &keys);
    ASSERT_EQ(2u, read.size());
    EXPECT_TRUE(read[0] == CZEBRegistryBinaryValue(CZEBWCharString(ZEB_W("a")), makeBytes({})));
    EXPECT_TRUE(read[1] == CZEBRegistryBinaryValue(CZEBWCharString(ZEB_W("b")), makeBytes({1, 2})));
    EXPECT_TRUE(read[0] != read[1]);
    EXPECT_EQ((std::vector<LONG>{0, 1}), keys);
}

// ---- Enumeration of keys without values or subkeys ----

TEST_F(RegistryValueTest, EnumerationOfAnEmptyKey)
{
    scratch.handle();
    CZEBDblList<CZEBRegistryDwordValue> dwords;
    CZEBDblList<CZEBRegistryStringValue> strings;
    CZEBDblList<CZEBRegistryMultiStringValue> multis;
    CZEBDblList<CZEBRegistryBinaryValue> binaries;
    CZEBDblList<CZEBWCharString> names;
    EXPECT_FALSE(CZEBRegistryDword(scratch.root(), scratch.path(), nullptr, KEY_READ, false, 0)
                     .enumValues(dwords));
    EXPECT_FALSE(CZEBRegistryString(scratch.root(), scratch.path(), nullptr, KEY_READ, false, 0)
                     .enumValues(strings));
    EXPECT_FALSE(
        CZEBRegistryStringExpand(scratch.root(), scratch.path(), nullptr, KEY_READ, false, 0)
            .enumValues(strings, true));
    EXPECT_FALSE(
        CZEBRegistryMultiString(scratch.root(), scratch.path(), nullptr, KEY_READ, false, 0)
            .enumValues(multis));
    EXPECT_FALSE(CZEBRegistryBinary(scratch.root(), scratch.path(), nullptr, KEY_READ, false, 0)
                     .enumValues(binaries));
    CZEBRegistryKey k(scratch.root(), scratch.path(), KEY_READ, false, 0);
    EXPECT_TRUE(k.enumSubKeys(names));
    EXPECT_EQ(0u, names.getCount());
    EXPECT_FALSE(k.enumValueNames(names));
}

} // namespace

// ---- One registry, two implementations ----
// Run by tests/registry_roundtrip.sh, one step per process (ZEB_ROUNDTRIP names it): the
// values written here on one implementation are read back on the other after a .reg file
// carried them across. A normal run skips them.

namespace
{
const LPCWSTR kRoundTripPath = ZEB_W("Software\\ZebTest\\RoundTrip");
const BYTE kRoundTripBytes[] = {0, 1, 0xff, 0x7f, 0x80};

bool roundTripStep(const char* szStep)
{
    const char* szWanted = std::getenv("ZEB_ROUNDTRIP");
    return szWanted && std::string(szWanted) == szStep;
}

const WString& roundTripText()
{
    static const WString text = ZEB_W("Demo \"quoted\" \\ text");
    return text;
}
} // namespace

TEST(RegistryRoundTrip, Write)
{
    if (!roundTripStep("write"))
        GTEST_SKIP() << "a step of tests/registry_roundtrip.sh";
    deleteKeyTree(HKEY_CURRENT_USER, kRoundTripPath);
    const REGSAM sam = KEY_READ | KEY_WRITE;
    CZEBRegistryDword number(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Number"), sam, true, 0);
    ASSERT_TRUE(number.setValue(26, false));
    CZEBRegistryString textValue(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Text"), sam, true, 0);
    ASSERT_TRUE(textValue.setValue(CZEBWCharString(roundTripText().c_str()), false));
    CZEBRegistryString empty(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Empty"), sam, true, 0);
    ASSERT_TRUE(empty.setValue(CZEBWCharString(), false));
    CZEBRegistryStringExpand expand(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Expand"), sam, true,
                                    0);
    ASSERT_TRUE(expand.setValue(CZEBWCharString(ZEB_W("%TEMP%\\x")), false));
    CZEBRegistryMultiString multi(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Multi"), sam, true, 0);
    ASSERT_TRUE(multi.setValue(makeList({ZEB_W("a"), ZEB_W("bc")}), false));
    CZEBRegistryMultiString none(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("NoStrings"), sam, true,
                                 0);
    ASSERT_TRUE(none.setValue(makeList({}), false));
    CZEBRegistryBinary binary(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Bytes"), sam, true, 0);
    ASSERT_TRUE(
        binary.setValue(makeBytes(bytesOf(kRoundTripBytes, sizeof kRoundTripBytes)), false));
    CZEBRegistryKey leaf(HKEY_CURRENT_USER,
                         (WString(kRoundTripPath) + ZEB_W("\\Sub\\Leaf")).c_str(), sam, true, 0);
    ASSERT_TRUE(leaf.create());
}

TEST(RegistryRoundTrip, Check)
{
    if (!roundTripStep("check"))
        GTEST_SKIP() << "a step of tests/registry_roundtrip.sh";
    DWORD ulNumber = 0;
    ASSERT_TRUE(
        CZEBRegistryDword(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Number"), KEY_READ, false, 0)
            .getValue(ulNumber, false));
    EXPECT_EQ(26u, ulNumber);
    CZEBRegistryDword dwords(HKEY_CURRENT_USER, kRoundTripPath, nullptr, KEY_READ, false, 0);
    CZEBDblList<CZEBRegistryDwordValue> numbers;
    ASSERT_TRUE(dwords.enumValues(numbers));
    EXPECT_EQ(1u, numbers.getCount());

    CZEBRegistryString strings(HKEY_CURRENT_USER, kRoundTripPath, nullptr, KEY_READ, false, 0);
    CZEBDblList<CZEBRegistryStringValue> texts;
    ASSERT_TRUE(strings.enumValues(texts));
    std::vector<std::pair<WString, WString>> read;
    for (const CZEBRegistryStringValue& v : items(texts))
        read.push_back({text(v.m_szName), text(v.m_szValue)});
    const std::vector<std::pair<WString, WString>> expectedTexts = {
        {ZEB_W("Empty"), ZEB_W("")}, {ZEB_W("Text"), roundTripText()}};
    EXPECT_EQ(expectedTexts, read);

    CZEBRegistryStringExpand expand(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Expand"), KEY_READ,
                                    false, 0);
    CZEBWCharString stored;
    ASSERT_TRUE(expand.getValue(stored, false, false));
    EXPECT_TRUE(text(stored) == ZEB_W("%TEMP%\\x"));
    CZEBDblList<CZEBRegistryStringValue> expandable;
    ASSERT_TRUE(expand.enumValues(expandable, false));
    EXPECT_EQ(1u, expandable.getCount());

    CZEBRegistryMultiString multi(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Multi"), KEY_READ,
                                  false, 0);
    CZEBDblList<CZEBWCharString> list;
    ASSERT_TRUE(multi.getValue(list, false));
    EXPECT_EQ((std::vector<WString>{ZEB_W("a"), ZEB_W("bc")}), zebtest::texts(list));
    CZEBRegistryMultiString none(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("NoStrings"), KEY_READ,
                                 false, 0);
    ASSERT_TRUE(none.getValue(list, false));
    EXPECT_EQ(0u, list.getCount());

    CZEBRegistryBinary binary(HKEY_CURRENT_USER, kRoundTripPath, ZEB_W("Bytes"), KEY_READ, false,
                              0);
    CZEBBuffer<unsigned char> bytes;
    ASSERT_TRUE(binary.getValue(bytes, false));
    EXPECT_EQ(bytesOf(kRoundTripBytes, sizeof kRoundTripBytes), rawBytes(bytes));

    CZEBRegistryKey key(HKEY_CURRENT_USER, kRoundTripPath, KEY_READ, false, 0);
    CZEBDblList<CZEBWCharString> subKeys;
    ASSERT_TRUE(key.enumSubKeys(subKeys));
    EXPECT_EQ((std::vector<WString>{ZEB_W("Sub")}), zebtest::texts(subKeys));
    CZEBRegistryKey leaf(HKEY_CURRENT_USER,
                         (WString(kRoundTripPath) + ZEB_W("\\Sub\\Leaf")).c_str(), KEY_READ, false,
                         0);
    EXPECT_TRUE(leaf.exists());
    CZEBDblList<CZEBWCharString> names;
    EXPECT_FALSE(leaf.enumValueNames(names));
}
