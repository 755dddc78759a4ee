// Helpers of the registry class tests: a scratch key under HKEY_CURRENT_USER\Software\ZebTest
// (or the machine's Software\ZebTest) removed before and after every test, raw reads and
// writes that bypass the classes, and list helpers. Win32 calls only: the same tests run on
// the host subset and under Wine.
#pragma once

#include "zeb_registry_binary.h"
#include "zeb_registry_dword.h"
#include "zeb_registry_expand.h"
#include "zeb_registry_multi_string.h"
#include "zeb_registry_string.h"
#include "zeb_test_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace zebtest
{
// Outputs start with this value, to prove that a failing call left them alone.
const DWORD kNoValue = 0xdeadbeef;

// Deletes a key and everything below it.
inline LSTATUS deleteKeyTree(HKEY hParent, LPCWSTR szPath, REGSAM samView = 0)
{
    HKEY hKey = nullptr;
    LSTATUS lResult = RegOpenKeyExW(hParent, szPath, 0, KEY_ALL_ACCESS | samView, &hKey);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    for (;;)
    {
        WCHAR szName[512];
        DWORD cchName = 512;
        if (RegEnumKeyExW(hKey, 0, szName, &cchName, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        if (deleteKeyTree(hKey, szName) != ERROR_SUCCESS)
            break;
    }
    RegCloseKey(hKey);
    // The key itself, in the view it was opened in.
    HKEY hOwner = nullptr;
    WString path(szPath);
    const size_t ulSlash = path.rfind(ZEB_W('\\'));
    if (ulSlash == WString::npos)
        return RegDeleteKeyW(hParent, szPath);
    lResult = RegOpenKeyExW(hParent, path.substr(0, ulSlash).c_str(), 0, KEY_ALL_ACCESS | samView,
                            &hOwner);
    if (lResult != ERROR_SUCCESS)
        return lResult;
    lResult = RegDeleteKeyW(hOwner, path.substr(ulSlash + 1).c_str());
    RegCloseKey(hOwner);
    return lResult;
}

// The scratch key root\Software\ZebTest\<leaf>, absent when the test starts and when it ends.
class ScratchKey
{
public:
    explicit ScratchKey(HKEY hRoot = HKEY_CURRENT_USER, LPCWSTR szLeaf = ZEB_W("Registry"))
        : m_hRoot(hRoot), m_path(WString(ZEB_W("Software\\ZebTest\\")) + szLeaf)
    {
        clean();
    }
    ~ScratchKey()
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
        clean();
    }
    ScratchKey(const ScratchKey&) = delete;
    ScratchKey& operator=(const ScratchKey&) = delete;

    HKEY root() const { return m_hRoot; }
    LPCWSTR path() const { return m_path.c_str(); }
    WString sub(LPCWSTR szName) const { return m_path + ZEB_W("\\") + szName; }

    // The key itself, created on first use.
    HKEY handle()
    {
        if (!m_hKey)
        {
            EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_hRoot, path(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                                     nullptr, &m_hKey, nullptr));
        }
        return m_hKey;
    }
    void createSub(LPCWSTR szName)
    {
        HKEY hKey = nullptr;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(m_hRoot, sub(szName).c_str(), 0, nullptr, 0,
                                                 KEY_ALL_ACCESS, nullptr, &hKey, nullptr));
        RegCloseKey(hKey);
    }
    void setRaw(LPCWSTR szName, DWORD ulType, const void* pData, DWORD cbData)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(handle(), szName, 0, ulType,
                                                static_cast<const BYTE*>(pData), cbData));
    }
    void setDword(LPCWSTR szName, DWORD ulValue)
    {
        setRaw(szName, REG_DWORD, &ulValue, sizeof ulValue);
    }
    void setText(LPCWSTR szName, const WString& text, DWORD ulType = REG_SZ)
    {
        setRaw(szName, ulType, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    }
    // The raw bytes and type of a value; false when it cannot be read.
    bool getRaw(LPCWSTR szName, std::vector<BYTE>& data, DWORD* pulType = nullptr)
    {
        DWORD cbData = 0;
        if (RegQueryValueExW(handle(), szName, nullptr, pulType, nullptr, &cbData) != ERROR_SUCCESS)
            return false;
        data.assign(cbData, 0);
        return RegQueryValueExW(handle(), szName, nullptr, pulType, cbData ? data.data() : nullptr,
                                &cbData) == ERROR_SUCCESS;
    }
    bool exists() const
    {
        HKEY hKey = nullptr;
        if (RegOpenKeyExW(m_hRoot, path(), 0, KEY_READ, &hKey) != ERROR_SUCCESS)
            return false;
        RegCloseKey(hKey);
        return true;
    }
    void clean()
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
        m_hKey = nullptr;
        deleteKeyTree(m_hRoot, path());
        RegDeleteKeyW(m_hRoot, ZEB_W("Software\\ZebTest")); // only when nobody else uses it
    }

private:
    HKEY m_hRoot;
    WString m_path;
    HKEY m_hKey = nullptr;
};

inline std::vector<BYTE> bytesOf(const void* p, size_t n)
{
    const BYTE* b = static_cast<const BYTE*>(p);
    return std::vector<BYTE>(b, b + n);
}

// The text of a library string ("" when invalid).
inline WString text(const CZEBWCharString& s)
{
    return s.getBuffer() ? WString(s.getBuffer()) : WString();
}

// A library list of the texts, keyed 0, 1, 2, ...
inline CZEBDblList<CZEBWCharString> makeList(const std::vector<WString>& texts)
{
    CZEBDblList<CZEBWCharString> list;
    LONG lKey = 0;
    for (const WString& t : texts)
        EXPECT_TRUE(list.add(CZEBWCharString(t.c_str()), lKey++));
    return list;
}

// The items of a library list, with their keys.
template <class T> std::vector<T> items(CZEBDblList<T>& list, std::vector<LONG>* pKeys = nullptr)
{
    std::vector<T> out;
    for (bool bMore = list.moveFirst(); bMore; bMore = list.moveNext())
    {
        T item;
        EXPECT_TRUE(list.getCurrent(item));
        out.push_back(item);
        LONG lKey = -1;
        if (pKeys)
        {
            EXPECT_TRUE(list.getCurrentKey(lKey));
            pKeys->push_back(lKey);
        }
    }
    return out;
}

inline std::vector<WString> texts(CZEBDblList<CZEBWCharString>& list)
{
    std::vector<WString> out;
    for (const CZEBWCharString& s : items(list))
        out.push_back(text(s));
    return out;
}

inline std::string show(const std::vector<WString>& list)
{
    std::string out = "[";
    for (size_t i = 0; i < list.size(); ++i)
        out += (i ? ", \"" : "\"") + narrow(list[i]) + "\"";
    return out + "]";
}

inline CZEBBuffer<unsigned char> makeBytes(const std::vector<BYTE>& bytes)
{
    return CZEBBuffer<unsigned char>(bytes.empty() ? nullptr : bytes.data(),
                                     static_cast<DWORD>(bytes.size()), 0);
}

inline std::vector<BYTE> rawBytes(const CZEBBuffer<unsigned char>& buffer)
{
    return std::vector<BYTE>(buffer.getBuffer(), buffer.getBuffer() + buffer.getNumElems());
}
} // namespace zebtest
