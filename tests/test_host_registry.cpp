// The registry calls the library relies on. The same suite runs against the host
// subset and under Wine; Wine's answers are the reference.
#include "zeb_platform.h"
#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace
{
const LPCWSTR kTestPath = ZEB_W("Software\\ZebTests\\Registry");
const LPCWSTR kTestParent = ZEB_W("Software\\ZebTests");
const DWORD kSentinel = 0xdeadbeef;
const BYTE kFill = 0xbd;
// A handle value no registry call ever returns.
const HKEY kBadHandle = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x7ffe1230));

typedef std::basic_string<WCHAR> Text;

// Deletes a key and everything below it with RegDeleteKeyW.
LSTATUS deleteTree(HKEY parent, LPCWSTR path)
{
    HKEY key = nullptr;
    LSTATUS rc = RegOpenKeyExW(parent, path, 0, KEY_ALL_ACCESS, &key);
    if (rc != ERROR_SUCCESS)
        return rc;
    for (;;)
    {
        WCHAR name[512];
        DWORD cch = 512;
        if (RegEnumKeyExW(key, 0, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (deleteTree(key, name) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(key);
    return RegDeleteKeyW(parent, path);
}

std::vector<BYTE> bytesOf(const void* p, size_t n)
{
    const BYTE* b = static_cast<const BYTE*>(p);
    return std::vector<BYTE>(b, b + n);
}

Text textOf(LPCWSTR s)
{
    return Text(s);
}

std::string hexOf(const BYTE* p, DWORD n)
{
    std::string s;
    char buf[4];
    for (DWORD i = 0; i < n; ++i)
    {
        std::snprintf(buf, sizeof buf, "%02x", p[i]);
        s += buf;
    }
    return s;
}

std::string utf8(LPCWSTR s)
{
    std::string out;
    for (; *s; ++s)
        out.push_back(*s < 0x80 ? static_cast<char>(*s) : '?');
    return out;
}

class RegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        deleteTree(HKEY_CURRENT_USER, kTestPath);
        DWORD disposition = kSentinel;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, kTestPath, 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &key_, &disposition));
        ASSERT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    }

    void TearDown() override
    {
        if (key_)
        {
            EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key_));
        }
        EXPECT_EQ(ERROR_SUCCESS, deleteTree(HKEY_CURRENT_USER, kTestPath));
        RegDeleteKeyW(HKEY_CURRENT_USER, kTestParent); // only when nobody else uses it
    }

    HKEY create(LPCWSTR path, REGSAM sam = KEY_ALL_ACCESS, HKEY parent = nullptr)
    {
        HKEY h = nullptr;
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(parent ? parent : key_, path, 0, nullptr, 0, sam,
                                                 nullptr, &h, nullptr));
        return h;
    }

    void setDword(HKEY h, LPCWSTR name, DWORD v)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(h, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), 4));
    }

    // The DWORD stored under `name`, or kSentinel with the failure code in *rc.
    DWORD getDword(HKEY h, LPCWSTR name, LSTATUS* rc = nullptr)
    {
        DWORD v = kSentinel;
        DWORD cb = sizeof v;
        LSTATUS r = RegQueryValueExW(h, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&v), &cb);
        if (rc)
            *rc = r;
        return v;
    }

    HKEY key_ = nullptr;
};

TEST_F(RegistryTest, CreateReportsDispositionAndMakesIntermediateKeys)
{
    HKEY h = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(kSentinel));
    DWORD disposition = kSentinel;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(key_, ZEB_W("A\\B\\C"), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &h, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));

    disposition = kSentinel;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(key_, ZEB_W("a\\b\\c"), 0, nullptr, 0, KEY_READ,
                                             nullptr, &h, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));

    for (LPCWSTR path : {ZEB_W("A"), ZEB_W("A\\B")})
    {
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(key_, path, 0, KEY_READ, &h));
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
    }
    // Without a disposition pointer.
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(key_, ZEB_W("A"), 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegCreateKeyExW(key_, ZEB_W("A"), 1, nullptr, 0, KEY_READ, nullptr, &h, nullptr));
}

TEST_F(RegistryTest, SubKeyPathSpellings)
{
    HKEY sub = create(ZEB_W("Sub\\Deeper"));
    setDword(sub, ZEB_W("Marker"), 2);
    RegCloseKey(sub);
    sub = create(ZEB_W("Sub"));
    setDword(sub, ZEB_W("Marker"), 1);
    RegCloseKey(sub);

    struct Case
    {
        LPCWSTR path;
        LSTATUS rc;
        DWORD marker;
    };
    const Case cases[] = {
        {ZEB_W("Sub"), ERROR_SUCCESS, 1},
        {ZEB_W("SUB\\deeper"), ERROR_SUCCESS, 2},
        {ZEB_W("Sub\\"), ERROR_SUCCESS, 1},
        {ZEB_W("Sub\\\\Deeper"), ERROR_SUCCESS, 2},
        {ZEB_W("Sub\\Deeper\\\\"), ERROR_SUCCESS, 2},
        {ZEB_W("\\Sub"), ERROR_BAD_PATHNAME, 0},
        {ZEB_W("\\"), ERROR_BAD_PATHNAME, 0},
        {ZEB_W("Nope"), ERROR_FILE_NOT_FOUND, 0},
        {ZEB_W("Sub\\Nope"), ERROR_FILE_NOT_FOUND, 0},
        {ZEB_W("Sub Deeper"), ERROR_FILE_NOT_FOUND, 0},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        HKEY h = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(kSentinel));
        SetLastError(kSentinel);
        LSTATUS rc = RegOpenKeyExW(key_, cases[i].path, 0, KEY_READ, &h);
        EXPECT_EQ(cases[i].rc, rc);
        EXPECT_EQ(kSentinel, GetLastError());
        if (rc == ERROR_SUCCESS)
        {
            EXPECT_EQ(cases[i].marker, getDword(h, ZEB_W("Marker")));
            EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
        }
        else
        {
            EXPECT_EQ(nullptr, h);
        }
    }
}

TEST_F(RegistryTest, EmptySubKeyMeansTheSameKey)
{
    setDword(key_, ZEB_W("Self"), 7);
    for (LPCWSTR path : {static_cast<LPCWSTR>(nullptr), ZEB_W("")})
    {
        HKEY h = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(key_, path, 0, KEY_READ, &h));
        EXPECT_NE(key_, h);
        EXPECT_EQ(7u, getDword(h, ZEB_W("Self")));
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
        // A predefined root opens as itself.
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &h));
        EXPECT_EQ(HKEY_CURRENT_USER, h);

        DWORD disposition = kSentinel;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(key_, path, 0, nullptr, 0, KEY_READ, nullptr, &h, &disposition));
        EXPECT_NE(key_, h);
        // Wine reports the key as created.
        EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
        EXPECT_EQ(7u, getDword(h, ZEB_W("Self")));
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
    }
}

TEST_F(RegistryTest, NamesCompareCaseInsensitivelyAndKeepTheirFirstSpelling)
{
    HKEY h = create(ZEB_W("MiXed"));
    RegCloseKey(h);
    DWORD disposition = kSentinel;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(key_, ZEB_W("MIXED"), 0, nullptr, 0, KEY_READ, nullptr,
                                             &h, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_OPENED_EXISTING_KEY), disposition);
    RegCloseKey(h);

    setDword(key_, ZEB_W("ValueName"), 1);
    setDword(key_, ZEB_W("VALUENAME"), 2);
    EXPECT_EQ(2u, getDword(key_, ZEB_W("valuename")));

    WCHAR name[64];
    DWORD cch = 64;
    ASSERT_EQ(ERROR_SUCCESS,
              RegEnumKeyExW(key_, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(textOf(name) == ZEB_W("MiXed"));
    EXPECT_EQ(5u, cch);
    cch = 64;
    ASSERT_EQ(ERROR_SUCCESS,
              RegEnumValueW(key_, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(textOf(name) == ZEB_W("ValueName"));
    cch = 64;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumValueW(key_, 1, name, &cch, nullptr, nullptr, nullptr, nullptr));
}

struct TypedValue
{
    const char* label;
    DWORD type;
    std::vector<BYTE> data;
};

std::vector<TypedValue> typedValues()
{
    static const WCHAR sz[] = ZEB_W("text");
    static const WCHAR expand[] = ZEB_W("%SystemRoot%\\x");
    static const WCHAR multi[] = ZEB_W("one\0two\0");
    std::vector<BYTE> big(5000);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<BYTE>(i * 7);
    return {
        {"REG_SZ", REG_SZ, bytesOf(sz, sizeof sz)},
        {"REG_EXPAND_SZ", REG_EXPAND_SZ, bytesOf(expand, sizeof expand)},
        {"REG_MULTI_SZ", REG_MULTI_SZ, bytesOf(multi, sizeof multi)},
        {"REG_BINARY", REG_BINARY, {1, 2, 0, 255, 7}},
        {"REG_DWORD", REG_DWORD, {0x1f, 0, 0, 0x80}},
        {"REG_QWORD", REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"REG_NONE empty", REG_NONE, {}},
        {"type 0x1234", 0x1234, {9, 8, 7}},
        {"REG_DWORD of 3 bytes", REG_DWORD, {1, 2, 3}},
        {"large REG_BINARY", REG_BINARY, big},
    };
}

TEST_F(RegistryTest, ValuesKeepTypeAndRawBytes)
{
    for (const auto& v : typedValues())
    {
        SCOPED_TRACE(v.label);
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, ZEB_W("V"), 0, v.type, v.data.data(),
                                                static_cast<DWORD>(v.data.size())));
        // Size only.
        DWORD type = kSentinel;
        DWORD cb = kSentinel;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key_, ZEB_W("V"), nullptr, &type, nullptr, &cb));
        EXPECT_EQ(v.type, type);
        EXPECT_EQ(v.data.size(), cb);
        // Exactly the size: the bytes, nothing past them.
        std::vector<BYTE> buf(v.data.size() + 16, kFill);
        type = kSentinel;
        cb = static_cast<DWORD>(v.data.size());
        ASSERT_EQ(ERROR_SUCCESS,
                  RegQueryValueExW(key_, ZEB_W("V"), nullptr, &type, buf.data(), &cb));
        EXPECT_EQ(v.type, type);
        EXPECT_EQ(v.data.size(), cb);
        EXPECT_EQ(v.data, std::vector<BYTE>(buf.begin(), buf.begin() + v.data.size()));
        for (size_t i = v.data.size(); i < buf.size(); ++i)
            ASSERT_EQ(kFill, buf[i]) << "byte " << i;
        // A larger buffer gives the same answer; no type is asked for.
        std::fill(buf.begin(), buf.end(), kFill);
        cb = static_cast<DWORD>(buf.size());
        ASSERT_EQ(ERROR_SUCCESS,
                  RegQueryValueExW(key_, ZEB_W("V"), nullptr, nullptr, buf.data(), &cb));
        EXPECT_EQ(v.data.size(), cb);
        EXPECT_EQ(v.data, std::vector<BYTE>(buf.begin(), buf.begin() + v.data.size()));
    }
}

TEST_F(RegistryTest, ShortBufferReportsNeededSizeAndIsLeftAlone)
{
    for (const auto& v : typedValues())
    {
        if (v.data.empty())
            continue;
        SCOPED_TRACE(v.label);
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, ZEB_W("V"), 0, v.type, v.data.data(),
                                                static_cast<DWORD>(v.data.size())));
        const DWORD size = static_cast<DWORD>(v.data.size());
        const DWORD offers[] = {0, 1, size / 2, size - 1};
        for (DWORD offered : offers)
        {
            SCOPED_TRACE("offered " + std::to_string(offered));
            std::vector<BYTE> buf(size + 8, kFill);
            DWORD type = kSentinel;
            DWORD cb = offered;
            SetLastError(kSentinel);
            EXPECT_EQ(ERROR_MORE_DATA,
                      RegQueryValueExW(key_, ZEB_W("V"), nullptr, &type, buf.data(), &cb));
            EXPECT_EQ(size, cb);
            EXPECT_EQ(v.type, type);
            EXPECT_EQ(kSentinel, GetLastError());
            for (size_t i = 0; i < buf.size(); ++i)
                ASSERT_EQ(kFill, buf[i]) << "byte " << i;
        }
    }
}

TEST_F(RegistryTest, QueryParameterRules)
{
    setDword(key_, ZEB_W("D"), 5);
    BYTE buf[8];
    DWORD reserved = 0;
    DWORD cb = sizeof buf;
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegQueryValueExW(key_, ZEB_W("D"), nullptr, nullptr, buf, nullptr));
    EXPECT_EQ(ERROR_INVALID_PARAMETER,
              RegQueryValueExW(key_, ZEB_W("D"), &reserved, nullptr, buf, &cb));
    // Presence only.
    EXPECT_EQ(ERROR_SUCCESS,
              RegQueryValueExW(key_, ZEB_W("D"), nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExW(key_, ZEB_W("E"), nullptr, nullptr, nullptr, nullptr));
}

TEST_F(RegistryTest, MissingValueLeavesOutputsAlone)
{
    BYTE buf[16];
    std::memset(buf, kFill, sizeof buf);
    DWORD type = kSentinel;
    DWORD cb = sizeof buf;
    SetLastError(kSentinel);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegQueryValueExW(key_, ZEB_W("Missing"), nullptr, &type, buf, &cb));
    EXPECT_EQ(kSentinel, type);
    EXPECT_EQ(sizeof buf, cb);
    EXPECT_EQ(kSentinel, GetLastError());
    for (BYTE b : buf)
        EXPECT_EQ(kFill, b);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteValueW(key_, ZEB_W("Missing")));
}

TEST_F(RegistryTest, DefaultValueHasTheEmptyName)
{
    static const WCHAR text[] = ZEB_W("default");
    LSTATUS rc = ERROR_SUCCESS;
    getDword(key_, nullptr, &rc);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, rc);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, nullptr, 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(text), sizeof text));
    for (LPCWSTR name : {static_cast<LPCWSTR>(nullptr), ZEB_W("")})
    {
        WCHAR buf[16];
        DWORD cb = sizeof buf;
        DWORD type = kSentinel;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<BYTE*>(buf), &cb));
        EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
        EXPECT_EQ(sizeof text, cb);
        EXPECT_TRUE(textOf(buf) == text);
    }
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(key_, ZEB_W("")));
    getDword(key_, nullptr, &rc);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, rc);
}

TEST_F(RegistryTest, TextSizesWithoutTerminator)
{
    // Source memory is always long enough for what the call may look at.
    static const WCHAR abc[] = ZEB_W("abc\0\0");
    static const WCHAR abcd[] = ZEB_W("abcd\0\0");
    static const WCHAR ab[] = ZEB_W("ab\0\0\0");
    struct Case
    {
        const char* label;
        DWORD type;
        const WCHAR* source;
        DWORD count;
        DWORD stored;
        bool terminatorAdded; // on a query with room for it
    };
    const Case cases[] = {
        {"terminator follows in memory", REG_SZ, abc, 6, 8, false},
        {"text continues in memory", REG_SZ, abcd, 6, 6, true},
        {"odd size, terminator follows", REG_SZ, ab, 5, 7, false},
        {"odd size inside text", REG_SZ, abcd, 5, 5, true},
        {"with its terminator", REG_SZ, abc, 8, 8, false},
        {"even size, terminator follows", REG_SZ, ab, 4, 6, false},
        {"empty", REG_SZ, abc, 0, 0, false},
        {"expandable text", REG_EXPAND_SZ, abcd, 6, 6, true},
        {"multi-string", REG_MULTI_SZ, abc, 6, 8, false},
        {"binary is never changed", REG_BINARY, abc, 6, 6, false},
        {"no type is never changed", REG_NONE, abcd, 6, 6, false},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, ZEB_W("T"), 0, c.type,
                                                reinterpret_cast<const BYTE*>(c.source), c.count));
        DWORD cb = kSentinel;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegQueryValueExW(key_, ZEB_W("T"), nullptr, nullptr, nullptr, &cb));
        EXPECT_EQ(c.stored, cb);
        // Exactly the size: nothing written past it.
        BYTE buf[32];
        std::memset(buf, kFill, sizeof buf);
        cb = c.stored;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key_, ZEB_W("T"), nullptr, nullptr, buf, &cb));
        EXPECT_EQ(c.stored, cb);
        EXPECT_EQ(0, std::memcmp(buf, c.source, c.stored));
        for (size_t i = c.stored; i < sizeof buf; ++i)
            ASSERT_EQ(kFill, buf[i]) << "byte " << i;
        // With room: a missing terminator is supplied but not counted.
        std::memset(buf, kFill, sizeof buf);
        cb = sizeof buf;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key_, ZEB_W("T"), nullptr, nullptr, buf, &cb));
        EXPECT_EQ(c.stored, cb);
        size_t next = c.stored;
        if (c.terminatorAdded)
        {
            EXPECT_EQ(0, buf[next]);
            EXPECT_EQ(0, buf[next + 1]);
            next += 2;
        }
        for (size_t i = next; i < sizeof buf; ++i)
            ASSERT_EQ(kFill, buf[i]) << "byte " << i;
    }
}

TEST_F(RegistryTest, SetWithoutDataPointer)
{
    EXPECT_EQ(ERROR_NOACCESS, RegSetValueExW(key_, ZEB_W("N"), 0, REG_BINARY, nullptr, 4));
    LSTATUS rc = ERROR_SUCCESS;
    getDword(key_, ZEB_W("N"), &rc);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, rc);
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, ZEB_W("N"), 0, REG_BINARY, nullptr, 0));
    DWORD cb = kSentinel;
    DWORD type = kSentinel;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(key_, ZEB_W("N"), nullptr, &type, nullptr, &cb));
    EXPECT_EQ(0u, cb);
    EXPECT_EQ(static_cast<DWORD>(REG_BINARY), type);
}

TEST_F(RegistryTest, DeleteKeyRules)
{
    RegCloseKey(create(ZEB_W("Parent\\Child")));
    setDword(key_, ZEB_W("Keep"), 3);
    // Only a key without sub-keys can be deleted.
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(key_, ZEB_W("Parent")));
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(key_, ZEB_W("Parent\\Child"), 0, KEY_READ, &h));
    RegCloseKey(h);
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(key_, ZEB_W("PARENT\\child\\")));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(key_, ZEB_W("Parent\\Child"), 0, KEY_READ, &h));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegDeleteKeyW(key_, ZEB_W("Parent\\Child")));
    EXPECT_EQ(ERROR_BAD_PATHNAME, RegDeleteKeyW(key_, ZEB_W("\\Parent")));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegDeleteKeyW(key_, nullptr));
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegDeleteKeyW(HKEY_CURRENT_USER, ZEB_W("")));
    // An empty sub-key deletes the key of the handle itself.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(key_, ZEB_W("Parent"), 0, KEY_ALL_ACCESS, &h));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(h, ZEB_W("")));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(key_, ZEB_W("Parent"), 0, KEY_READ, &h));
    EXPECT_EQ(3u, getDword(key_, ZEB_W("Keep")));
}

TEST_F(RegistryTest, KeyDeletedWhileOpen)
{
    HKEY gone = create(ZEB_W("Gone"));
    setDword(gone, ZEB_W("V"), 1);
    ASSERT_EQ(ERROR_SUCCESS, RegDeleteKeyW(key_, ZEB_W("Gone")));

    LSTATUS rc = ERROR_SUCCESS;
    getDword(gone, ZEB_W("V"), &rc);
    EXPECT_EQ(ERROR_KEY_DELETED, rc);
    DWORD v = 2;
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegSetValueExW(gone, ZEB_W("V"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4));
    EXPECT_EQ(ERROR_KEY_DELETED, RegDeleteValueW(gone, ZEB_W("V")));
    HKEY h = nullptr;
    EXPECT_EQ(ERROR_KEY_DELETED, RegOpenKeyExW(gone, ZEB_W(""), 0, KEY_READ, &h));
    EXPECT_EQ(ERROR_KEY_DELETED, RegCreateKeyExW(gone, ZEB_W("X"), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                 nullptr, &h, nullptr));
    EXPECT_EQ(ERROR_KEY_DELETED, RegDeleteKeyW(gone, ZEB_W("")));

    // A new key of the same name is a different key.
    HKEY again = create(ZEB_W("Gone"));
    setDword(again, ZEB_W("V"), 3);
    getDword(gone, ZEB_W("V"), &rc);
    EXPECT_EQ(ERROR_KEY_DELETED, rc);
    EXPECT_EQ(3u, getDword(again, ZEB_W("V")));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(gone));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(again));
}

TEST_F(RegistryTest, InvalidHandles)
{
    HKEY closed = create(ZEB_W("Closed"));
    ASSERT_EQ(ERROR_SUCCESS, RegCloseKey(closed));
    DWORD v = 1;
    BYTE buf[8];
    DWORD cb = sizeof buf;
    for (HKEY bad : {kBadHandle, static_cast<HKEY>(nullptr), closed})
    {
        HKEY h = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(kSentinel));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegOpenKeyExW(bad, ZEB_W("X"), 0, KEY_READ, &h));
        EXPECT_EQ(nullptr, h);
        EXPECT_EQ(ERROR_INVALID_HANDLE,
                  RegCreateKeyExW(bad, ZEB_W("X"), 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr));
        EXPECT_EQ(ERROR_INVALID_HANDLE,
                  RegQueryValueExW(bad, ZEB_W("X"), nullptr, nullptr, buf, &cb));
        EXPECT_EQ(ERROR_INVALID_HANDLE,
                  RegSetValueExW(bad, ZEB_W("X"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteValueW(bad, ZEB_W("X")));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegDeleteKeyW(bad, ZEB_W("X")));
        EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(bad));
    }
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(HKEY_CURRENT_USER));
    EXPECT_EQ(ERROR_INVALID_PARAMETER, RegOpenKeyExW(key_, ZEB_W("X"), 0, KEY_READ, nullptr));
}

TEST_F(RegistryTest, HandlesStayValidAcrossOtherCalls)
{
    HKEY handles[8];
    for (int i = 0; i < 8; ++i)
    {
        WCHAR name[] = ZEB_W("K0");
        name[1] = static_cast<WCHAR>(u'0' + i);
        handles[i] = create(name);
        setDword(handles[i], ZEB_W("Index"), static_cast<DWORD>(i));
    }
    for (int i = 0; i < 8; i += 2)
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(handles[i]));
    RegCloseKey(create(ZEB_W("Other\\Keys")));
    for (int i = 1; i < 8; i += 2)
    {
        EXPECT_EQ(static_cast<DWORD>(i), getDword(handles[i], ZEB_W("Index")));
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(handles[i]));
    }
}

TEST_F(RegistryTest, RelativeOpenFromAHandle)
{
    HKEY deep = create(ZEB_W("One\\Two\\Three"));
    setDword(deep, ZEB_W("Where"), 3);
    RegCloseKey(deep);
    HKEY one = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(key_, ZEB_W("One"), 0, KEY_READ, &one));
    HKEY three = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(one, ZEB_W("Two\\Three"), 0, KEY_READ, &three));
    EXPECT_EQ(3u, getDword(three, ZEB_W("Where")));
    HKEY two = nullptr;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(one, ZEB_W("Three"), 0, KEY_READ, &two));
    // Creating below a read-only handle is allowed (Wine).
    HKEY four = nullptr;
    DWORD disposition = kSentinel;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(one, ZEB_W("Two\\Four"), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &four, &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    RegCloseKey(four);
    RegCloseKey(three);
    RegCloseKey(one);
}

TEST_F(RegistryTest, AccessRightsOfTheHandle)
{
    setDword(key_, ZEB_W("D"), 1);
    RegCloseKey(create(ZEB_W("Sub")));
    enum Op
    {
        Query,
        Set,
        DeleteValue,
        EnumKeys,
        OpenSub,
        DeleteSub
    };
    struct Case
    {
        const char* label;
        REGSAM sam;
        Op op;
        LSTATUS rc;
    };
    const Case cases[] = {
        {"KEY_READ query", KEY_READ, Query, ERROR_SUCCESS},
        {"KEY_READ set", KEY_READ, Set, ERROR_ACCESS_DENIED},
        {"KEY_READ delete value", KEY_READ, DeleteValue, ERROR_ACCESS_DENIED},
        {"KEY_READ enumerate", KEY_READ, EnumKeys, ERROR_SUCCESS},
        {"KEY_READ delete sub-key", KEY_READ, DeleteSub, ERROR_SUCCESS},
        {"KEY_WRITE query", KEY_WRITE, Query, ERROR_ACCESS_DENIED},
        {"KEY_WRITE set", KEY_WRITE, Set, ERROR_SUCCESS},
        {"KEY_WRITE enumerate", KEY_WRITE, EnumKeys, ERROR_ACCESS_DENIED},
        {"no rights query", 0, Query, ERROR_ACCESS_DENIED},
        {"no rights open sub-key", 0, OpenSub, ERROR_SUCCESS},
        {"GENERIC_READ query", GENERIC_READ, Query, ERROR_SUCCESS},
        {"GENERIC_READ set", GENERIC_READ, Set, ERROR_ACCESS_DENIED},
        {"KEY_QUERY_VALUE set", KEY_QUERY_VALUE, Set, ERROR_ACCESS_DENIED},
        {"KEY_SET_VALUE delete value", KEY_SET_VALUE, DeleteValue, ERROR_SUCCESS},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        setDword(key_, ZEB_W("D"), 1);
        RegCloseKey(create(ZEB_W("Sub")));
        HKEY h = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kTestPath, 0, c.sam, &h));
        LSTATUS rc = ERROR_SUCCESS;
        DWORD v = 9;
        WCHAR name[32];
        DWORD cch = 32;
        HKEY sub = nullptr;
        switch (c.op)
        {
        case Query:
            getDword(h, ZEB_W("D"), &rc);
            break;
        case Set:
            rc = RegSetValueExW(h, ZEB_W("D"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
            break;
        case DeleteValue:
            rc = RegDeleteValueW(h, ZEB_W("D"));
            break;
        case EnumKeys:
            rc = RegEnumKeyExW(h, 0, name, &cch, nullptr, nullptr, nullptr, nullptr);
            break;
        case OpenSub:
            rc = RegOpenKeyExW(h, ZEB_W("Sub"), 0, KEY_READ, &sub);
            if (rc == ERROR_SUCCESS)
                RegCloseKey(sub);
            break;
        case DeleteSub:
            rc = RegDeleteKeyW(h, ZEB_W("Sub"));
            break;
        }
        EXPECT_EQ(c.rc, rc);
        EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(h));
        // A refused write changed nothing.
        if (c.op == Set)
        {
            EXPECT_EQ(rc == ERROR_SUCCESS ? 9u : 1u, getDword(key_, ZEB_W("D")));
        }
        if (c.op == DeleteValue)
        {
            EXPECT_EQ(rc == ERROR_SUCCESS ? kSentinel : 1u, getDword(key_, ZEB_W("D")));
        }
    }
}

TEST_F(RegistryTest, EnumerationIsSortedAndReportsShortBuffers)
{
    for (LPCWSTR name : {ZEB_W("beta"), ZEB_W("Alpha"), ZEB_W("GAMMA")})
        RegCloseKey(create(name));
    setDword(key_, ZEB_W("Zed"), 1);
    static const WCHAR text[] = ZEB_W("a longer text");
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key_, ZEB_W(""), 0, REG_SZ,
                                            reinterpret_cast<const BYTE*>(text), sizeof text));

    const LPCWSTR expected[] = {ZEB_W("Alpha"), ZEB_W("beta"), ZEB_W("GAMMA")};
    for (DWORD i = 0; i < 3; ++i)
    {
        WCHAR name[16];
        DWORD cch = 16;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegEnumKeyExW(key_, i, name, &cch, nullptr, nullptr, nullptr, nullptr));
        EXPECT_TRUE(textOf(name) == expected[i]) << i;
    }
    WCHAR name[16];
    DWORD cch = 16;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumKeyExW(key_, 3, name, &cch, nullptr, nullptr, nullptr, nullptr));
    // The name needs room for its terminator; a short buffer is left alone.
    std::memset(name, kFill, sizeof name);
    cch = 5;
    EXPECT_EQ(ERROR_MORE_DATA,
              RegEnumKeyExW(key_, 0, name, &cch, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(5u, cch);
    EXPECT_EQ(0xbdbd, name[0]);

    // Values: the default value sorts first.
    BYTE data[64];
    DWORD cb = sizeof data;
    DWORD type = kSentinel;
    cch = 16;
    ASSERT_EQ(ERROR_SUCCESS, RegEnumValueW(key_, 0, name, &cch, nullptr, &type, data, &cb));
    EXPECT_EQ(0u, cch);
    EXPECT_EQ(sizeof text, cb);
    // Short data: the name is delivered, the data size reported, the data left alone.
    std::memset(data, kFill, sizeof data);
    cb = 2;
    cch = 16;
    type = kSentinel;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueW(key_, 0, name, &cch, nullptr, &type, data, &cb));
    EXPECT_EQ(sizeof text, cb);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(kFill, data[0]);
    // Short name: type and size reported, the name left alone.
    std::memset(name, kFill, sizeof name);
    cch = 3;
    cb = sizeof data;
    type = kSentinel;
    EXPECT_EQ(ERROR_MORE_DATA, RegEnumValueW(key_, 1, name, &cch, nullptr, &type, data, &cb));
    EXPECT_EQ(3u, cch);
    EXPECT_EQ(static_cast<DWORD>(REG_DWORD), type);
    EXPECT_EQ(4u, cb);
    EXPECT_EQ(0xbdbd, name[0]);
    cch = 4;
    EXPECT_EQ(ERROR_SUCCESS,
              RegEnumValueW(key_, 1, name, &cch, nullptr, nullptr, nullptr, nullptr));
    EXPECT_TRUE(textOf(name) == ZEB_W("Zed"));
    cch = 16;
    EXPECT_EQ(ERROR_NO_MORE_ITEMS,
              RegEnumValueW(key_, 2, name, &cch, nullptr, nullptr, nullptr, nullptr));

    DWORD subKeys = kSentinel, maxSubKey = kSentinel, values = kSentinel, maxValueName = kSentinel,
          maxData = kSentinel;
    ASSERT_EQ(ERROR_SUCCESS,
              RegQueryInfoKeyW(key_, nullptr, nullptr, nullptr, &subKeys, &maxSubKey, nullptr,
                               &values, &maxValueName, &maxData, nullptr, nullptr));
    EXPECT_EQ(3u, subKeys);
    EXPECT_EQ(5u, maxSubKey);
    EXPECT_EQ(2u, values);
    EXPECT_EQ(3u, maxValueName);
    EXPECT_EQ(sizeof text, maxData);
}

// True for a 32-bit process on a 64-bit system, which sees the 32-bit view by default.
bool defaultViewIs32Bit()
{
    BOOL wow = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow) && wow;
}

// The 32-bit view: HKLM\Software seen with KEY_WOW64_32KEY is HKLM\Software\Wow6432Node.
// A 64-bit process sees the 64-bit view unless it asks for KEY_WOW64_32KEY; a 32-bit
// process sees the 32-bit view unless it asks for KEY_WOW64_64KEY.
class Registry32BitViewTest : public ::testing::Test
{
protected:
    void SetUp() override { cleanUp(); }
    void TearDown() override { cleanUp(); }
    static void cleanUp()
    {
        for (REGSAM view : {KEY_WOW64_32KEY, KEY_WOW64_64KEY})
        {
            HKEY software = nullptr;
            if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software"), 0, KEY_ALL_ACCESS | view,
                              &software) != ERROR_SUCCESS)
                continue;
            deleteTree(software, ZEB_W("ZebTests\\Registry32"));
            RegDeleteKeyW(software, ZEB_W("ZebTests"));
            RegCloseKey(software);
        }
    }
};

TEST_F(Registry32BitViewTest, SoftwareIsRedirectedToWow6432Node)
{
    HKEY h = nullptr;
    DWORD disposition = kSentinel;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\ZebTests\\Registry32"), 0,
                              nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, nullptr, &h,
                              &disposition));
    EXPECT_EQ(static_cast<DWORD>(REG_CREATED_NEW_KEY), disposition);
    RegCloseKey(h);

    const bool wow = defaultViewIs32Bit();
    struct Case
    {
        LPCWSTR path;
        REGSAM view;
        LSTATUS rc64; // in a 64-bit process
        LSTATUS rc32; // in a 32-bit process
    };
    const Case cases[] = {
        {ZEB_W("Software\\Wow6432Node\\ZebTests\\Registry32"), 0, ERROR_SUCCESS, ERROR_SUCCESS},
        {ZEB_W("Software\\ZebTests\\Registry32"), 0, ERROR_FILE_NOT_FOUND, ERROR_SUCCESS},
        {ZEB_W("SOFTWARE\\ZebTests\\Registry32"), KEY_WOW64_32KEY, ERROR_SUCCESS, ERROR_SUCCESS},
        {ZEB_W("Software\\Wow6432Node\\ZebTests\\Registry32"), KEY_WOW64_32KEY, ERROR_SUCCESS,
         ERROR_SUCCESS},
        {ZEB_W("Software\\ZebTests\\Registry32"), KEY_WOW64_64KEY, ERROR_FILE_NOT_FOUND,
         ERROR_FILE_NOT_FOUND},
        {ZEB_W("Software\\Wow6432Node\\ZebTests\\Registry32"), KEY_WOW64_64KEY, ERROR_SUCCESS,
         ERROR_SUCCESS},
        // Both flags: the view other than the process's own.
        {ZEB_W("Software\\ZebTests\\Registry32"), KEY_WOW64_32KEY | KEY_WOW64_64KEY, ERROR_SUCCESS,
         ERROR_FILE_NOT_FOUND},
    };
    for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    {
        SCOPED_TRACE("case " + std::to_string(i));
        const Case& c = cases[i];
        EXPECT_EQ(wow ? c.rc32 : c.rc64,
                  RegOpenKeyExW(HKEY_LOCAL_MACHINE, c.path, 0, KEY_READ | c.view, &h));
        if ((wow ? c.rc32 : c.rc64) == ERROR_SUCCESS)
            RegCloseKey(h);
    }

    // A handle to Software opened in the 32-bit view is the Wow6432Node key.
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software"), 0,
                                           KEY_READ | KEY_WOW64_32KEY, &h));
    HKEY sub = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(h, ZEB_W("ZebTests\\Registry32"), 0, KEY_READ, &sub));
    RegCloseKey(sub);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(h, ZEB_W("Wow6432Node"), 0, KEY_READ, &sub));
    RegCloseKey(h);
    // The view is chosen by each call, not inherited from the handle.
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, nullptr, 0, KEY_READ | KEY_WOW64_32KEY, &h));
    EXPECT_EQ(wow ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(h, ZEB_W("Software\\ZebTests\\Registry32"), 0, KEY_READ, &sub));
    if (wow)
        RegCloseKey(sub);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(h, ZEB_W("Software\\ZebTests\\Registry32"), 0,
                                                  KEY_READ | KEY_WOW64_64KEY, &sub));
}

// ---- RegQueryMultipleValuesW ----

class QueryMultipleValuesTest : public RegistryTest
{
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        static const WCHAR sz[] = ZEB_W("xyz");
        static const WCHAR def[] = ZEB_W("def");
        static const BYTE bin[] = {1, 2, 3};
        const DWORD d = 7;
        set(ZEB_W("a"), REG_SZ, sz, sizeof sz);
        set(ZEB_W("b"), REG_BINARY, bin, sizeof bin);
        set(ZEB_W("c"), REG_BINARY, nullptr, 0);
        set(ZEB_W("d"), REG_DWORD, &d, sizeof d);
        set(nullptr, REG_SZ, def, sizeof def);
    }
    void set(LPCWSTR name, DWORD type, const void* data, DWORD cb)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(key_, name, 0, type, static_cast<const BYTE*>(data), cb));
    }
    // Entries for the names, all fields set to sentinels.
    void request(std::initializer_list<LPCWSTR> names)
    {
        entries_.clear();
        for (LPCWSTR name : names)
        {
            VALENTW e;
            e.ve_valuename = const_cast<LPWSTR>(name);
            e.ve_valuelen = kSentinel;
            e.ve_valueptr = 0;
            e.ve_type = kSentinel;
            entries_.push_back(e);
        }
    }
    std::vector<VALENTW> entries_;
};

TEST_F(QueryMultipleValuesTest, FillsTheEntriesThatFitAndReportsTheTotal)
{
    // The data of a, b, c, d and the default value: 8 + 3 + 0 + 4 + 8 = 23 bytes, back to back.
    const std::string all = "78007900"
                            "7a000000"
                            "010203"
                            "07000000"
                            "6400650066000000";
    const DWORD lengths[] = {8, 3, 0, 4, 8};
    const DWORD types[] = {REG_SZ, REG_BINARY, REG_BINARY, REG_DWORD, REG_SZ};
    const DWORD offsets[] = {0, 8, 11, 11, 15};
    struct Case
    {
        DWORD cbBuffer;
        bool nullBuffer;
        LSTATUS rc;
        DWORD filled; // entries with data, type and pointer
    };
    const Case cases[] = {
        {64, true, ERROR_MORE_DATA, 0},  {0, false, ERROR_MORE_DATA, 0},
        {7, false, ERROR_MORE_DATA, 0},  {8, false, ERROR_MORE_DATA, 1},
        {10, false, ERROR_MORE_DATA, 1}, {11, false, ERROR_MORE_DATA, 3},
        {22, false, ERROR_MORE_DATA, 4}, {23, false, ERROR_SUCCESS, 5},
        {64, false, ERROR_SUCCESS, 5},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE("buffer " + std::to_string(c.cbBuffer) + (c.nullBuffer ? " (null)" : ""));
        request({ZEB_W("a"), ZEB_W("B"), ZEB_W("c"), ZEB_W("d"), ZEB_W("")});
        std::vector<BYTE> buf(80, kFill);
        DWORD total = c.cbBuffer;
        SetLastError(kSentinel);
        EXPECT_EQ(c.rc, RegQueryMultipleValuesW(
                            key_, entries_.data(), static_cast<DWORD>(entries_.size()),
                            c.nullBuffer ? nullptr : reinterpret_cast<LPWSTR>(buf.data()), &total));
        EXPECT_EQ(kSentinel, GetLastError());
        EXPECT_EQ(23u, total);
        for (DWORD i = 0; i < entries_.size(); ++i)
        {
            SCOPED_TRACE("entry " + std::to_string(i));
            EXPECT_EQ(lengths[i], entries_[i].ve_valuelen);
            if (i < c.filled)
            {
                EXPECT_EQ(reinterpret_cast<DWORD_PTR>(buf.data() + offsets[i]),
                          entries_[i].ve_valueptr);
                EXPECT_EQ(types[i], entries_[i].ve_type);
            }
            else
            {
                EXPECT_EQ(0u, entries_[i].ve_valueptr);
                EXPECT_EQ(kSentinel, entries_[i].ve_type);
            }
        }
        // Exactly the data of the filled entries, nothing past it.
        const DWORD cbFilled = c.filled ? offsets[c.filled - 1] + lengths[c.filled - 1] : 0;
        EXPECT_EQ(all.substr(0, 2 * cbFilled), hexOf(buf.data(), cbFilled));
        for (size_t i = cbFilled; i < buf.size(); ++i)
            ASSERT_EQ(kFill, buf[i]) << "byte " << i;
    }
}

TEST_F(QueryMultipleValuesTest, MissingValueEndsTheCall)
{
    request({ZEB_W("a"), ZEB_W("missing"), ZEB_W("d")});
    BYTE buf[64];
    DWORD total = sizeof buf;
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryMultipleValuesW(key_, entries_.data(), 3,
                                                            reinterpret_cast<LPWSTR>(buf), &total));
    EXPECT_EQ(8u, total); // the entries before it
    EXPECT_EQ(8u, entries_[0].ve_valuelen);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), entries_[0].ve_type);
    EXPECT_EQ(0u, entries_[1].ve_valuelen);
    EXPECT_EQ(kSentinel, entries_[1].ve_type);
    EXPECT_EQ(kSentinel, entries_[2].ve_valuelen);
}

TEST_F(QueryMultipleValuesTest, NullNameIsTheDefaultValueAndNoEntriesIsSuccess)
{
    request({nullptr, ZEB_W("")});
    BYTE buf[64];
    DWORD total = sizeof buf;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryMultipleValuesW(key_, entries_.data(), 2,
                                                     reinterpret_cast<LPWSTR>(buf), &total));
    EXPECT_EQ(16u, total);
    EXPECT_EQ("6400650066000000"
              "6400650066000000",
              hexOf(buf, total));
    total = sizeof buf;
    EXPECT_EQ(ERROR_SUCCESS, RegQueryMultipleValuesW(key_, entries_.data(), 0,
                                                     reinterpret_cast<LPWSTR>(buf), &total));
    EXPECT_EQ(0u, total);
}

TEST_F(QueryMultipleValuesTest, HandleRightsAndValidity)
{
    request({ZEB_W("a")});
    BYTE buf[64];
    HKEY h = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, kTestPath, 0, KEY_SET_VALUE, &h));
    DWORD total = sizeof buf;
    EXPECT_EQ(ERROR_ACCESS_DENIED, RegQueryMultipleValuesW(h, entries_.data(), 1,
                                                           reinterpret_cast<LPWSTR>(buf), &total));
    EXPECT_EQ(0u, total);
    RegCloseKey(h);
    total = sizeof buf;
    EXPECT_EQ(ERROR_INVALID_HANDLE, RegQueryMultipleValuesW(kBadHandle, entries_.data(), 1,
                                                            reinterpret_cast<LPWSTR>(buf), &total));
}

// ---- ExpandEnvironmentStringsW ----

void setVariable(LPCWSTR name, LPCWSTR value)
{
#ifdef _WIN32
    ASSERT_TRUE(SetEnvironmentVariableW(name, value));
#else
    std::string n;
    std::string v;
    for (LPCWSTR p = name; *p; ++p)
        n.push_back(static_cast<char>(*p));
    for (LPCWSTR p = value; *p; ++p)
        v.push_back(static_cast<char>(*p));
    ASSERT_EQ(0, setenv(n.c_str(), v.c_str(), 1));
#endif
}

TEST(ExpandEnvironmentStrings, ReplacesKnownVariablesAndKeepsTheRest)
{
    setVariable(ZEB_W("ZEBTEST_V"), ZEB_W("val"));
    struct Case
    {
        LPCWSTR source;
        LPCWSTR expanded;
    };
    const Case cases[] = {
        {ZEB_W("a%ZEBTEST_V%b"), ZEB_W("avalb")},
        {ZEB_W("%zebtest_v%"), ZEB_W("val")}, // names compare case-insensitively
        {ZEB_W("%ZEBTEST_V%%ZEBTEST_V%"), ZEB_W("valval")},
        {ZEB_W("%ZEBTEST_NOPE%x"), ZEB_W("%ZEBTEST_NOPE%x")},
        {ZEB_W("x%y"), ZEB_W("x%y")},
        {ZEB_W("%ZEBTEST_V"), ZEB_W("%ZEBTEST_V")},
        {ZEB_W("%%"), ZEB_W("%%")},
        {ZEB_W("%%ZEBTEST_V%%"), ZEB_W("%%ZEBTEST_V%%")},
        {ZEB_W("%"), ZEB_W("%")},
        {ZEB_W("%ZEBTEST_NOPE%%ZEBTEST_V%"), ZEB_W("%ZEBTEST_NOPE%val")},
        {ZEB_W(""), ZEB_W("")},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(utf8(c.source));
        const DWORD needed = static_cast<DWORD>(textOf(c.expanded).size() + 1);
        EXPECT_EQ(needed, ExpandEnvironmentStringsW(c.source, nullptr, 0));
        WCHAR out[64];
        std::fill(out, out + 64, static_cast<WCHAR>(0xbdbd));
        SetLastError(kSentinel);
        ASSERT_EQ(needed, ExpandEnvironmentStringsW(c.source, out, needed));
        EXPECT_EQ(kSentinel, GetLastError());
        EXPECT_TRUE(textOf(out) == c.expanded) << utf8(out);
        EXPECT_EQ(0xbdbd, out[needed]);
        // One unit short: the text is cut and terminated, the full size still answered.
        if (needed < 2)
            continue;
        std::fill(out, out + 64, static_cast<WCHAR>(0xbdbd));
        SetLastError(kSentinel);
        EXPECT_EQ(needed, ExpandEnvironmentStringsW(c.source, out, needed - 1));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
        EXPECT_TRUE(textOf(out) == textOf(c.expanded).substr(0, needed - 2)) << utf8(out);
        EXPECT_EQ(0xbdbd, out[needed - 1]);
    }
}

#ifndef _WIN32
// ---- Host only: the test hooks and the .reg file ----

std::string tempPath(const char* name)
{
    const char* dir = std::getenv("TMPDIR");
    return std::string(dir && *dir ? dir : "/tmp") + "/zeb_reg_" + std::to_string(getpid()) + "_" +
           name;
}

void writeBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string utf16le(const std::string& ascii, bool bom)
{
    std::string out = bom ? "\xFF\xFE" : "";
    for (char c : ascii)
    {
        out.push_back(c);
        out.push_back('\0');
    }
    return out;
}

// Everything below a key as text: names, types and bytes, sub-keys in order.
void dumpKey(HKEY key, const std::string& path, std::string* out)
{
    for (DWORD i = 0;; ++i)
    {
        WCHAR name[256];
        DWORD cch = 256;
        DWORD type = 0;
        std::vector<BYTE> data(8192);
        DWORD cb = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, i, name, &cch, nullptr, &type, data.data(), &cb) != ERROR_SUCCESS)
            break;
        *out += path + " : " + utf8(name) + " = " + std::to_string(type) + ":" +
                hexOf(data.data(), cb) + "\n";
    }
    for (DWORD i = 0;; ++i)
    {
        WCHAR name[256];
        DWORD cch = 256;
        if (RegEnumKeyExW(key, i, name, &cch, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        *out += path + "\\" + utf8(name) + "\n";
        HKEY sub = nullptr;
        if (RegOpenKeyExW(key, name, 0, KEY_READ, &sub) == ERROR_SUCCESS)
        {
            dumpKey(sub, path + "\\" + utf8(name), out);
            RegCloseKey(sub);
        }
    }
}

std::string dumpAll()
{
    std::string out;
    const HKEY roots[] = {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER, HKEY_CLASSES_ROOT, HKEY_USERS,
                          HKEY_CURRENT_CONFIG};
    for (int i = 0; i < 5; ++i)
        dumpKey(roots[i], "root" + std::to_string(i), &out);
    return out;
}

class HostOnlyRegistryTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        zebhost::resetRegistry();
        zebhost::clearFailures();
    }
    void TearDown() override
    {
        zebhost::clearFailures();
        zebhost::resetRegistry();
        for (const auto& f : files_)
            std::remove(f.c_str());
    }
    std::string file(const char* name)
    {
        files_.push_back(tempPath(name));
        return files_.back();
    }
    static void set(HKEY key, LPCWSTR name, DWORD type, const void* data, size_t size)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data),
                                                static_cast<DWORD>(size)));
    }
    std::vector<std::string> files_;
};

TEST_F(HostOnlyRegistryTest, RegFileRoundTripKeepsEveryValueType)
{
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("SOFTWARE\\Kelbix\\Logs"), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    static const WCHAR quoted[] = ZEB_W("C:\\Path \"with\" quotes\\");
    static const WCHAR unicode[] = {0x00e9, 0x4e2d, 0xd83d, 0xde00, 0};
    static const WCHAR lines[] = ZEB_W("two\r\nlines");
    static const WCHAR unterminated[] = ZEB_W("abcd");
    static const WCHAR multi[] = ZEB_W("one\0two\0");
    static const WCHAR expand[] = ZEB_W("%TEMP%\\x");
    static const BYTE qword[] = {1, 2, 3, 4, 5, 6, 7, 8};
    static const BYTE dword3[] = {1, 2, 3};
    DWORD dword = 0x1f;
    std::vector<BYTE> big(300);
    for (size_t i = 0; i < big.size(); ++i)
        big[i] = static_cast<BYTE>(i);
    set(k, nullptr, REG_SZ, quoted, sizeof quoted);
    set(k, ZEB_W("Name \"with\" \\ quotes"), REG_SZ, unicode, sizeof unicode);
    set(k, ZEB_W("Lines"), REG_SZ, lines, sizeof lines);
    set(k, ZEB_W("Unterminated"), REG_SZ, unterminated, 6);
    set(k, ZEB_W("EmptyText"), REG_SZ, unterminated, 0);
    set(k, ZEB_W("Multi"), REG_MULTI_SZ, multi, sizeof multi);
    set(k, ZEB_W("Expand"), REG_EXPAND_SZ, expand, sizeof expand);
    set(k, ZEB_W("Logging"), REG_DWORD, &dword, 4);
    set(k, ZEB_W("Dword3"), REG_DWORD, dword3, 3);
    set(k, ZEB_W("Qword"), REG_QWORD, qword, 8);
    set(k, ZEB_W("Big"), REG_BINARY, big.data(), big.size());
    set(k, ZEB_W("EmptyBinary"), REG_BINARY, nullptr, 0);
    set(k, ZEB_W("None"), REG_NONE, dword3, 3);
    set(k, ZEB_W("Odd type"), 0x12345, dword3, 3);
    RegCloseKey(k);
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, ZEB_W("Empty [key] name\\Leaf"), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    RegCloseKey(k);
    set(HKEY_CURRENT_CONFIG, ZEB_W("AtRoot"), REG_DWORD, &dword, 4);
    const std::string before = dumpAll();

    const std::string path = file("roundtrip.reg");
    std::string error;
    ASSERT_TRUE(zebhost::saveRegistryFile(path, &error)) << error;
    const std::string saved = readBytes(path);
    ASSERT_EQ(0u, saved.compare(0, 2, "\xFF\xFE"));
    const std::string header = utf16le("Windows Registry Editor Version 5.00\r\n", false);
    EXPECT_EQ(0, saved.compare(2, header.size(), header));

    zebhost::resetRegistry();
    EXPECT_EQ("", dumpAll());
    ASSERT_TRUE(zebhost::loadRegistryFile(path, &error)) << error;
    EXPECT_EQ(before, dumpAll());
    // Writing the loaded tree again gives the same file.
    const std::string again = file("again.reg");
    ASSERT_TRUE(zebhost::saveRegistryFile(again, &error)) << error;
    EXPECT_EQ(saved, readBytes(again));
}

const char kSyntaxSample[] = "Windows Registry Editor Version 5.00\r\n"
                             "\r\n"
                             "; a comment\r\n"
                             "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Kelbix\\Logs]\r\n"
                             "@=\"default \\\"text\\\" \\\\ end\"\r\n"
                             "\"Logging\"=dword:00000001\r\n"
                             "\"LogDetail\" = dword:1f\r\n"
                             "\"Bytes\"=hex:01,02,\\\r\n"
                             "  03,ff\r\n"
                             "\"Expand\"=hex(2):25,00,41,00,25,00,00,00\r\n"
                             "\"Multi\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
                             "\"Qword\"=hex(b):01,00,00,00,00,00,00,00\r\n"
                             "\"Empty\"=hex:\r\n"
                             "\"Dropped\"=\"x\"\r\n"
                             "\"Dropped\"=-\r\n"
                             "\r\n"
                             "[HKEY_CURRENT_USER\\Software\\Gone\\Child]\r\n"
                             "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n"
                             "\"Ignored\"=\"under a deleted key\"\r\n"
                             "[hkey_current_user\\Software\\Kept]\r\n";

TEST_F(HostOnlyRegistryTest, RegFileSyntaxInUtf8AndUtf16)
{
    const std::string sample = kSyntaxSample;
    const std::string lf = [&]
    {
        std::string s;
        for (char c : sample)
            if (c != '\r')
                s.push_back(c);
        return s;
    }();
    struct Encoding
    {
        const char* label;
        std::string bytes;
    };
    const Encoding encodings[] = {
        {"UTF-8", sample},
        {"UTF-8 with BOM and LF", "\xEF\xBB\xBF" + lf},
        {"UTF-16LE with BOM", utf16le(sample, true)},
    };
    for (const auto& e : encodings)
    {
        SCOPED_TRACE(e.label);
        const std::string path = file("syntax.reg");
        writeBytes(path, e.bytes);
        std::string error;
        ASSERT_TRUE(zebhost::loadRegistryFile(path, &error)) << error;
        HKEY k = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix\\Logs"),
                                               0, KEY_READ, &k));
        struct Expect
        {
            LPCWSTR name;
            DWORD type;
            std::string hex;
        };
        const Expect expected[] = {
            {ZEB_W(""), REG_SZ,
             hexOf(reinterpret_cast<const BYTE*>(ZEB_W("default \"text\" \\ end")), 42)},
            {ZEB_W("Logging"), REG_DWORD, "01000000"},
            {ZEB_W("LogDetail"), REG_DWORD, "1f000000"},
            {ZEB_W("Bytes"), REG_BINARY, "010203ff"},
            {ZEB_W("Expand"), REG_EXPAND_SZ, "2500410025000000"},
            {ZEB_W("Multi"), REG_MULTI_SZ, "61000000620000000000"},
            {ZEB_W("Qword"), REG_QWORD, "0100000000000000"},
            {ZEB_W("Empty"), REG_BINARY, ""},
        };
        for (const auto& x : expected)
        {
            BYTE data[64];
            DWORD cb = sizeof data;
            DWORD type = kSentinel;
            ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, x.name, nullptr, &type, data, &cb))
                << utf8(x.name);
            EXPECT_EQ(x.type, type) << utf8(x.name);
            EXPECT_EQ(x.hex, hexOf(data, cb)) << utf8(x.name);
        }
        EXPECT_EQ(ERROR_FILE_NOT_FOUND,
                  RegQueryValueExW(k, ZEB_W("Dropped"), nullptr, nullptr, nullptr, nullptr));
        RegCloseKey(k);
        HKEY h = nullptr;
        EXPECT_EQ(ERROR_FILE_NOT_FOUND,
                  RegOpenKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\Gone"), 0, KEY_READ, &h));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\Kept"), 0, KEY_READ, &h));
        RegCloseKey(h);
    }
}

TEST_F(HostOnlyRegistryTest, MalformedRegFileLeavesTheRegistryEmpty)
{
    const std::string header = "Windows Registry Editor Version 5.00\n\n";
    struct Case
    {
        const char* label;
        std::string text;
        int line;
    };
    const Case cases[] = {
        {"empty file", "", 1},
        {"bad header", "Windows Registry Editor Version 4.00\n[HKEY_CURRENT_USER\\A]\n", 1},
        {"old format header", "REGEDIT4\n", 1},
        {"unterminated string", header + "[HKEY_CURRENT_USER\\A]\n\"v\"=\"open\n", 4},
        {"unterminated name", header + "[HKEY_CURRENT_USER\\A]\n\"v=\"x\"\n", 4},
        {"bad hex digit", header + "[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,zz\n", 4},
        {"hex byte too long", header + "[HKEY_CURRENT_USER\\A]\n\"v\"=hex:123\n", 4},
        {"bad hex on a continuation line",
         header + "[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,\\\n  02,q3\n", 5},
        {"missing byte after comma", header + "[HKEY_CURRENT_USER\\A]\n\"v\"=hex:01,\n", 4},
        {"bad dword", header + "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:123456789\n", 4},
        {"dword without digits", header + "[HKEY_CURRENT_USER\\A]\n\"v\"=dword:\n", 4},
        {"value before any key", header + "\"v\"=\"x\"\n[HKEY_CURRENT_USER\\A]\n", 3},
        {"unknown root", header + "[HKEY_CURRENT_USER\\A]\n[HKEY_NOWHERE\\A]\n", 4},
        {"key without ]", header + "[HKEY_CURRENT_USER\\A\n", 3},
        {"unknown data", header + "[HKEY_CURRENT_USER\\A]\n\"v\"=word:1\n", 4},
        {"text after data", header + "[HKEY_CURRENT_USER\\A]\n\"v\"=\"x\" y\n", 4},
        {"unknown escape", header + "[HKEY_CURRENT_USER\\A]\n\"v\"=\"C:\\Temp\"\n", 4},
        {"stray line", header + "[HKEY_CURRENT_USER\\A]\nv=1\n", 4},
        {"odd UTF-16", "\xFF\xFE\x57", 1},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.label);
        HKEY k = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, ZEB_W("Before"), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &k, nullptr));
        const std::string path = file("bad.reg");
        writeBytes(path, c.text);
        std::string error;
        EXPECT_FALSE(zebhost::loadRegistryFile(path, &error));
        const std::string where = path + ":" + std::to_string(c.line) + ": ";
        EXPECT_EQ(0u, error.find(where)) << error;
        EXPECT_GT(error.size(), where.size()) << error;
        EXPECT_EQ("", dumpAll());
        // Handles into the replaced tree answer that their key is gone.
        LSTATUS rc = RegQueryValueExW(k, ZEB_W("x"), nullptr, nullptr, nullptr, nullptr);
        EXPECT_EQ(ERROR_KEY_DELETED, rc);
        RegCloseKey(k);
    }
    std::string error;
    EXPECT_FALSE(zebhost::loadRegistryFile(tempPath("does_not_exist.reg"), &error));
    EXPECT_NE(std::string::npos, error.find("does_not_exist.reg")) << error;
}

TEST_F(HostOnlyRegistryTest, DeniedKeyCannotBeOpenedOrCreated)
{
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix\\Logs"), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    RegCloseKey(k);
    zebhost::denyKeyAccess(HKEY_LOCAL_MACHINE, ZEB_W("SOFTWARE\\Kelbix"), true);
    struct Case
    {
        LPCWSTR path;
        LSTATUS rc;
    };
    const Case cases[] = {
        {ZEB_W("Software\\Kelbix"), ERROR_ACCESS_DENIED},
        {ZEB_W("Software\\kelbix\\Logs"), ERROR_ACCESS_DENIED},
        {ZEB_W("Software"), ERROR_SUCCESS},
    };
    for (const auto& c : cases)
    {
        k = reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(kSentinel));
        EXPECT_EQ(c.rc, RegOpenKeyExW(HKEY_LOCAL_MACHINE, c.path, 0, KEY_READ, &k));
        if (c.rc == ERROR_SUCCESS)
            RegCloseKey(k);
        else
            EXPECT_EQ(nullptr, k);
        EXPECT_EQ(c.rc, RegCreateKeyExW(HKEY_LOCAL_MACHINE, c.path, 0, nullptr, 0, KEY_READ,
                                        nullptr, &k, nullptr));
        if (c.rc == ERROR_SUCCESS)
            RegCloseKey(k);
    }
    // Nothing is created below a denied key.
    EXPECT_EQ(ERROR_ACCESS_DENIED,
              RegCreateKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix\\New"), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &k, nullptr));
    zebhost::denyKeyAccess(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix"), false);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix\\New"), 0, KEY_READ, &k));
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Kelbix\\Logs"), 0, KEY_READ, &k));
    RegCloseKey(k);
}

TEST_F(HostOnlyRegistryTest, InjectedFailuresAreReturnedOnce)
{
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, ZEB_W("Injected"), 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &k, nullptr));
    DWORD v = 4;
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(k, ZEB_W("V"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4));
    struct Case
    {
        const char* function;
        DWORD error;
    };
    const Case cases[] = {
        {"RegOpenKeyExW", ERROR_ACCESS_DENIED},   {"RegCreateKeyExW", ERROR_CANTWRITE},
        {"RegQueryValueExW", ERROR_CANTREAD},     {"RegSetValueExW", ERROR_OUTOFMEMORY},
        {"RegDeleteValueW", ERROR_ACCESS_DENIED}, {"RegDeleteKeyW", ERROR_ACCESS_DENIED},
        {"RegCloseKey", ERROR_INVALID_HANDLE},    {"RegEnumKeyExW", ERROR_CANTREAD},
        {"RegEnumValueW", ERROR_CANTREAD},        {"RegQueryInfoKeyW", ERROR_BADKEY},
    };
    auto call = [&](const std::string& f) -> LSTATUS
    {
        HKEY h = nullptr;
        WCHAR name[32];
        DWORD cch = 32;
        DWORD cb = 4;
        DWORD data = 0;
        if (f == "RegOpenKeyExW")
        {
            LSTATUS rc = RegOpenKeyExW(k, nullptr, 0, KEY_READ, &h);
            if (rc == ERROR_SUCCESS)
                RegCloseKey(h);
            return rc;
        }
        if (f == "RegCreateKeyExW")
        {
            LSTATUS rc =
                RegCreateKeyExW(k, ZEB_W("Sub"), 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr);
            if (rc == ERROR_SUCCESS)
                RegCloseKey(h);
            return rc;
        }
        if (f == "RegQueryValueExW")
            return RegQueryValueExW(k, ZEB_W("V"), nullptr, nullptr, reinterpret_cast<BYTE*>(&data),
                                    &cb);
        if (f == "RegSetValueExW")
            return RegSetValueExW(k, ZEB_W("V"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
        if (f == "RegDeleteValueW")
        {
            LSTATUS rc = RegDeleteValueW(k, ZEB_W("V"));
            RegSetValueExW(k, ZEB_W("V"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
            return rc;
        }
        if (f == "RegDeleteKeyW")
        {
            RegCreateKeyExW(k, ZEB_W("Doomed"), 0, nullptr, 0, KEY_READ, nullptr, &h, nullptr);
            RegCloseKey(h);
            return RegDeleteKeyW(k, ZEB_W("Doomed"));
        }
        if (f == "RegCloseKey")
        {
            RegOpenKeyExW(k, nullptr, 0, KEY_READ, &h);
            LSTATUS rc = RegCloseKey(h);
            if (rc != ERROR_SUCCESS)
                RegCloseKey(h);
            return rc;
        }
        if (f == "RegEnumKeyExW")
            return RegEnumKeyExW(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr);
        if (f == "RegEnumValueW")
            return RegEnumValueW(k, 0, name, &cch, nullptr, nullptr, nullptr, nullptr);
        DWORD count = 0;
        return RegQueryInfoKeyW(k, nullptr, nullptr, nullptr, &count, nullptr, nullptr, nullptr,
                                nullptr, nullptr, nullptr, nullptr);
    };
    // The enumeration needs an item to succeed.
    HKEY sub = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(k, ZEB_W("Item"), 0, nullptr, 0, KEY_READ, nullptr, &sub, nullptr));
    RegCloseKey(sub);
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.function);
        ASSERT_EQ(ERROR_SUCCESS, call(c.function));
        zebhost::failCall(c.function, c.error);
        EXPECT_EQ(static_cast<LSTATUS>(c.error), call(c.function));
        EXPECT_EQ(ERROR_SUCCESS, call(c.function));
    }
    EXPECT_EQ(4u,
              [&]
              {
                  DWORD d = 0;
                  DWORD cb = 4;
                  RegQueryValueExW(k, ZEB_W("V"), nullptr, nullptr, reinterpret_cast<BYTE*>(&d),
                                   &cb);
                  return d;
              }());
    RegCloseKey(k);
}

TEST_F(HostOnlyRegistryTest, ResetInvalidatesOpenKeys)
{
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\Reset"), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    zebhost::resetRegistry();
    EXPECT_EQ(ERROR_KEY_DELETED,
              RegQueryValueExW(k, ZEB_W("x"), nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(k));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\Reset"), 0, KEY_READ, &k));
}

// The views each process and system bitness sees: a marker value in the 64-bit view's
// HKLM\Software\ZebTests\Views and in HKLM\Software\Wow6432Node\ZebTests\Views.
class HostOnlyRegistryViews : public HostOnlyRegistryTest
{
protected:
    void SetUp() override
    {
        HostOnlyRegistryTest::SetUp();
        zebhost::setBitness(64, 64);
        marker(ZEB_W("Software\\ZebTests\\Views"), 64);
        marker(ZEB_W("Software\\Wow6432Node\\ZebTests\\Views"), 32);
    }
    void TearDown() override
    {
        unsetenv("ZEB_HOST_PROCESS_BITS");
        unsetenv("ZEB_HOST_SYSTEM_BITS");
        zebhost::setBitness(64, 64);
        HostOnlyRegistryTest::TearDown();
    }
    static void marker(LPCWSTR path, DWORD which)
    {
        HKEY k = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_LOCAL_MACHINE, path, 0, nullptr, 0,
                                  KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr, &k, nullptr));
        set(k, ZEB_W("Which"), REG_DWORD, &which, sizeof which);
        RegCloseKey(k);
    }
    // The marker seen through the path and access mask, or 0 when the key does not open.
    static DWORD seen(LPCWSTR path, REGSAM view, HKEY parent = HKEY_LOCAL_MACHINE)
    {
        HKEY k = nullptr;
        if (RegOpenKeyExW(parent, path, 0, KEY_READ | view, &k) != ERROR_SUCCESS)
            return 0;
        DWORD which = 0;
        DWORD cb = sizeof which;
        RegQueryValueExW(k, ZEB_W("Which"), nullptr, nullptr, reinterpret_cast<BYTE*>(&which), &cb);
        RegCloseKey(k);
        return which;
    }
};

TEST_F(HostOnlyRegistryViews, EachBitnessSeesItsView)
{
    const REGSAM both = KEY_WOW64_32KEY | KEY_WOW64_64KEY;
    struct Case
    {
        int process;
        int system;
        BOOL wow;
        DWORD plain, with32, with64, withBoth;
    };
    const Case cases[] = {
        {64, 64, FALSE, 64, 32, 64, 32},
        {32, 64, TRUE, 32, 32, 64, 64}, // both flags: the other view, as under WoW64 Wine
        // One view only: the flags are ignored and nothing is redirected.
        {32, 32, FALSE, 64, 64, 64, 64},
        // A 64-bit process cannot run on a 32-bit system: it is taken as a 32-bit one.
        {64, 32, FALSE, 64, 64, 64, 64},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::to_string(c.process) + "-bit process, " + std::to_string(c.system) +
                     "-bit system");
        zebhost::setBitness(c.process, c.system);
        BOOL wow = 7;
        ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow));
        EXPECT_EQ(c.wow, wow);
        const LPCWSTR path = ZEB_W("Software\\ZebTests\\Views");
        EXPECT_EQ(c.plain, seen(path, 0));
        EXPECT_EQ(c.with32, seen(path, KEY_WOW64_32KEY));
        EXPECT_EQ(c.with64, seen(path, KEY_WOW64_64KEY));
        EXPECT_EQ(c.withBoth, seen(path, both));
        // The Wow6432Node path names the 32-bit key in every view.
        EXPECT_EQ(32u, seen(ZEB_W("Software\\Wow6432Node\\ZebTests\\Views"), 0));
        EXPECT_EQ(32u, seen(ZEB_W("Software\\Wow6432Node\\ZebTests\\Views"), KEY_WOW64_64KEY));
        // Relative to a handle of Software opened in the process's view.
        HKEY software = nullptr;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software"), 0, KEY_READ, &software));
        EXPECT_EQ(c.plain, seen(ZEB_W("ZebTests\\Views"), 0, software));
        RegCloseKey(software);
    }
}

TEST_F(HostOnlyRegistryViews, CreateAndDeleteFollowTheProcessView)
{
    zebhost::setBitness(32, 64);
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\ZebTests\\New"),
                                             0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    RegCloseKey(k);
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\Wow6432Node\\ZebTests\\New"), 0,
                            KEY_READ | KEY_WOW64_64KEY, &k));
    RegCloseKey(k);
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\ZebTests\\New"), 0,
                            KEY_READ | KEY_WOW64_64KEY, &k));
    // Deleting in the 32-bit view leaves the 64-bit key of the same name alone.
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_LOCAL_MACHINE, ZEB_W("Software\\ZebTests\\Views")));
    EXPECT_EQ(0u, seen(ZEB_W("Software\\Wow6432Node\\ZebTests\\Views"), 0));
    EXPECT_EQ(64u, seen(ZEB_W("Software\\ZebTests\\Views"), KEY_WOW64_64KEY));
    // HKEY_CURRENT_USER\Software is shared by both views.
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\ZebTests"), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    RegCloseKey(k);
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\ZebTests"), 0,
                                           KEY_READ | KEY_WOW64_64KEY, &k));
    RegCloseKey(k);
}

TEST_F(HostOnlyRegistryViews, BitnessComesFromTheEnvironment)
{
    struct Case
    {
        const char* process;
        const char* system;
        DWORD plain;
    };
    const Case cases[] = {
        {"32", "64", 32}, {"64", "64", 64}, {"32", "32", 64}, {"", "", 64}, {"31", "64", 64},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(std::string(c.process) + "/" + c.system);
        setenv("ZEB_HOST_PROCESS_BITS", c.process, 1);
        setenv("ZEB_HOST_SYSTEM_BITS", c.system, 1);
        zebhost::setBitness(0, 0); // read the environment again
        EXPECT_EQ(c.plain, seen(ZEB_W("Software\\ZebTests\\Views"), 0));
    }
}

// ZEB_HOST_REGISTRY is read once per process, so these run this executable again.
std::string selfPath()
{
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    return n > 0 ? std::string(buf, static_cast<size_t>(n)) : std::string();
}

int runChild(const std::string& regFile, const std::string& stderrFile)
{
    std::string command = "ZEB_HOST_REGISTRY='" + regFile + "' ZEB_REG_CHILD=1 '" + selfPath() +
                          "' --gtest_filter=HostOnlyRegistryChild.* >/dev/null 2>'" + stderrFile +
                          "'";
    return std::system(command.c_str());
}

// Run by the tests below in a child process; does nothing in a normal run.
TEST(HostOnlyRegistryChild, ReadsAndChangesTheEnvironmentRegistry)
{
    if (!std::getenv("ZEB_REG_CHILD"))
        GTEST_SKIP() << "run by HostOnlyRegistryTest.EnvironmentFile* in a child process";
    HKEY k = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\Child"), 0, KEY_ALL_ACCESS, &k) ==
        ERROR_SUCCESS)
    {
        DWORD v = 0;
        DWORD cb = 4;
        ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, ZEB_W("Count"), nullptr, nullptr,
                                                  reinterpret_cast<BYTE*>(&v), &cb));
        ++v;
        ASSERT_EQ(ERROR_SUCCESS,
                  RegSetValueExW(k, ZEB_W("Count"), 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4));
        RegCloseKey(k);
        return;
    }
    // An empty registry (no file or a malformed one): write something that must not survive
    // a malformed file.
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\Fresh"), 0,
                                             nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr));
    RegCloseKey(k);
}

TEST_F(HostOnlyRegistryTest, EnvironmentFileIsLoadedAndSavedAtExit)
{
    const std::string path = file("env.reg");
    const std::string err = file("env.err");
    file("env.reg.tmp");
    writeBytes(path,
               "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\Child]\n"
               "\"Count\"=dword:00000029\n");
    ASSERT_EQ(0, runChild(path, err)) << readBytes(err);
    ASSERT_EQ(0, runChild(path, err)) << readBytes(err);
    std::string error;
    ASSERT_TRUE(zebhost::loadRegistryFile(path, &error)) << error;
    HKEY k = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\Child"), 0, KEY_READ, &k));
    DWORD v = 0;
    DWORD cb = 4;
    ASSERT_EQ(ERROR_SUCCESS, RegQueryValueExW(k, ZEB_W("Count"), nullptr, nullptr,
                                              reinterpret_cast<BYTE*>(&v), &cb));
    EXPECT_EQ(0x2bu, v);
    RegCloseKey(k);
    // A UTF-8 file stays UTF-8.
    EXPECT_EQ(0u, readBytes(path).find("Windows Registry Editor Version 5.00\n"));
}

TEST_F(HostOnlyRegistryTest, EnvironmentFileIsCreatedWhenMissing)
{
    const std::string path = file("created.reg");
    const std::string err = file("created.err");
    file("created.reg.tmp");
    ASSERT_EQ(0, runChild(path, err)) << readBytes(err);
    std::string error;
    ASSERT_TRUE(zebhost::loadRegistryFile(path, &error)) << error;
    HKEY k = nullptr;
    EXPECT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_CURRENT_USER, ZEB_W("Software\\Fresh"), 0, KEY_READ, &k));
    RegCloseKey(k);
}

TEST_F(HostOnlyRegistryTest, MalformedEnvironmentFileIsReportedAndNotOverwritten)
{
    const std::string path = file("broken.reg");
    const std::string err = file("broken.err");
    file("broken.reg.tmp");
    const std::string text =
        "Windows Registry Editor Version 5.00\n\n[HKEY_CURRENT_USER\\Software\\"
        "Child]\n\"Count\"=dword:00000029\n\"Bad\"=hex:0g\n";
    writeBytes(path, text);
    ASSERT_EQ(0, runChild(path, err)) << readBytes(err);
    EXPECT_EQ(text, readBytes(path));
    const std::string messages = readBytes(err);
    EXPECT_NE(std::string::npos, messages.find(path + ":5: ")) << messages;
}
#endif
} // namespace
