// Helpers shared by the library's tests: the logging configuration key, a scratch folder
// beside the test program, and reading back the text log. They use only Win32 calls, so
// the same tests run on the host subset and under Wine.
#pragma once

#include "zeb_platform.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace zebtest
{
typedef std::basic_string<WCHAR> WString;

inline WString W(const WCHAR* sz)
{
    return sz ? WString(sz) : WString();
}

// UTF-16 text as UTF-8 for readable failure messages (ASCII is enough for our texts).
inline std::string narrow(const WString& text)
{
    std::string out;
    for (WCHAR c : text)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

// The logging configuration key HKEY_LOCAL_MACHINE\SOFTWARE\Kelbix\Logs, emptied when the
// test starts and removed when it ends.
class LogsKey
{
public:
    LogsKey()
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path());
        EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, path(), 0, nullptr, 0,
                                                 KEY_READ | KEY_WRITE, nullptr, &m_hKey, nullptr));
    }
    ~LogsKey()
    {
        if (m_hKey)
            RegCloseKey(m_hKey);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, path());
    }
    LogsKey(const LogsKey&) = delete;
    LogsKey& operator=(const LogsKey&) = delete;

    static LPCWSTR path() { return ZEB_W("SOFTWARE\\Kelbix\\Logs"); }

    void setDword(LPCWSTR szName, DWORD ulValue)
    {
        setRaw(szName, REG_DWORD, &ulValue, sizeof(ulValue));
    }
    void setText(LPCWSTR szName, const WString& text)
    {
        setRaw(szName, REG_SZ, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(WCHAR)));
    }
    void setRaw(LPCWSTR szName, DWORD ulType, const void* pData, DWORD cbData)
    {
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(m_hKey, szName, 0, ulType,
                                                static_cast<const BYTE*>(pData), cbData));
    }
    void remove(LPCWSTR szName) { RegDeleteValueW(m_hKey, szName); }

private:
    HKEY m_hKey = nullptr;
};

// The test program's own path in Windows form.
inline WString programPath()
{
    WCHAR szPath[MAX_PATH + 1] = {0};
    GetModuleFileNameW(nullptr, szPath, MAX_PATH);
    return WString(szPath);
}

// The program's folder with its trailing backslash.
inline WString programFolder()
{
    WString path = programPath();
    return path.substr(0, path.rfind(ZEB_W('\\')) + 1);
}

// The module name the filter computes for this program: file name without extension.
inline WString moduleName()
{
    WString path = programPath();
    WString name = path.substr(path.rfind(ZEB_W('\\')) + 1);
    const size_t ulDot = name.rfind(ZEB_W('.'));
    return ulDot == WString::npos ? name : name.substr(0, ulDot);
}

inline std::vector<BYTE> readFileBytes(const WString& path)
{
    std::vector<BYTE> bytes;
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return bytes;
    BYTE chunk[4096];
    DWORD cbRead = 0;
    while (ReadFile(hFile, chunk, sizeof(chunk), &cbRead, nullptr) && cbRead > 0)
        bytes.insert(bytes.end(), chunk, chunk + cbRead);
    CloseHandle(hFile);
    return bytes;
}

// The lines of a UTF-16LE log file after its byte order mark, each without its CR LF.
// An absent file gives no lines; a file without the mark fails the test.
inline std::vector<WString> readLogLines(const WString& path)
{
    std::vector<WString> lines;
    const std::vector<BYTE> bytes = readFileBytes(path);
    if (bytes.empty())
        return lines;
    EXPECT_GE(bytes.size(), 2u);
    EXPECT_EQ(0xFF, bytes[0]);
    EXPECT_EQ(0xFE, bytes[1]);
    WString text;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
        text.push_back(static_cast<WCHAR>(bytes[i] | (bytes[i + 1] << 8)));
    size_t ulStart = 0;
    for (size_t ulEnd; (ulEnd = text.find(ZEB_W("\r\n"), ulStart)) != WString::npos;
         ulStart = ulEnd + 2)
        lines.push_back(text.substr(ulStart, ulEnd - ulStart));
    EXPECT_EQ(ulStart, text.size()) << "the log ends with an unterminated line";
    return lines;
}

// A scratch folder beside the test program, removed with its log file when done.
class ScratchLog
{
public:
    // The folder is given in full, with its trailing backslash.
    explicit ScratchLog(const WString& folder = programFolder() + ZEB_W("zebtest_logs\\"))
        : m_folder(folder), m_file(m_folder + ZEB_W("zeb.log"))
    {
        clear();
    }
    ~ScratchLog() { clear(); }
    ScratchLog(const ScratchLog&) = delete;
    ScratchLog& operator=(const ScratchLog&) = delete;

    void clear()
    {
        SetFileAttributesW(m_file.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(m_file.c_str());
        RemoveDirectoryW(m_folder.c_str());
    }
    const WString& file() const { return m_file; }
    const WString& folder() const { return m_folder; }
    std::vector<WString> lines() const { return readLogLines(m_file); }

private:
    WString m_folder;
    WString m_file;
};

// Logging switched on for every severity, written to a scratch log.
struct LoggingOn
{
    explicit LoggingOn(WORD usDetail = 0x0FFF,
                       const WString& folder = programFolder() + ZEB_W("zebtest_logs\\"))
        : log(folder)
    {
        key.setDword(ZEB_W("Logging"), 1);
        key.setDword(ZEB_W("LogDetail"), usDetail);
        key.setText(ZEB_W("TextOutput"), log.file());
    }
    LogsKey key;
    ScratchLog log;
};

// Lines that contain the given text.
inline size_t countLinesWith(const std::vector<WString>& lines, const WString& text)
{
    size_t n = 0;
    for (const WString& line : lines)
        if (line.find(text) != WString::npos)
            ++n;
    return n;
}
} // namespace zebtest
