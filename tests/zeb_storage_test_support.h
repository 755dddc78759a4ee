// Helpers of the directory, storage-path and INI tests: scratch folders beside the test
// program, files written and read back as bytes in a chosen encoding, trace lines, and a
// library heap whose next allocations fail. They use only Win32 calls, so the same tests
// run on the host subset and under Wine.
#pragma once

#include "zeb_memory.h"
#include "zeb_test_support.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace zebtest
{
// UTF-16 text that may hold NULs: units and their count.
struct Units
{
    LPCWSTR p;
    size_t n;
    WString text() const { return p ? WString(p, n) : WString(); }
};
// The units of a literal, embedded NULs included (not its final terminator).
#define ZEB_UNITS(s)                                                                               \
    zebtest::Units                                                                                 \
    {                                                                                              \
        ZEB_W(s), sizeof(ZEB_W(s)) / sizeof(WCHAR) - 1                                             \
    }
#define ZEB_NO_UNITS                                                                               \
    zebtest::Units                                                                                 \
    {                                                                                              \
        nullptr, 0                                                                                 \
    }

// How a test file is stored. Ansi takes every unit of the text as one byte (units up to
// 0xFF), so expected ANSI bytes are written as the characters of those codes.
enum class Encoding
{
    None, // no file
    Same, // (as an expectation) the file as it was before
    Ansi,
    Utf16Le,
    Utf16Be,
    Utf8
};

inline std::vector<BYTE> utf8Bytes(const WString& text)
{
    std::vector<BYTE> out;
    for (size_t i = 0; i < text.size(); ++i)
    {
        unsigned long cp = static_cast<unsigned short>(text[i]);
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < text.size())
        {
            cp =
                0x10000 + ((cp - 0xD800) << 10) + (static_cast<unsigned short>(text[++i]) - 0xDC00);
        }
        if (cp < 0x80)
            out.push_back(static_cast<BYTE>(cp));
        else if (cp < 0x800)
        {
            out.push_back(static_cast<BYTE>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<BYTE>(0x80 | (cp & 0x3F)));
        }
        else if (cp < 0x10000)
        {
            out.push_back(static_cast<BYTE>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<BYTE>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<BYTE>(0x80 | (cp & 0x3F)));
        }
        else
        {
            out.push_back(static_cast<BYTE>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<BYTE>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<BYTE>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<BYTE>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

// The bytes of a file holding text in an encoding, with its byte-order mark.
inline std::vector<BYTE> fileBytes(Encoding encoding, const WString& text)
{
    std::vector<BYTE> out;
    switch (encoding)
    {
    case Encoding::Ansi:
        for (WCHAR c : text)
        {
            EXPECT_LE(static_cast<unsigned>(c), 0xFFu) << "not an ANSI byte";
            out.push_back(static_cast<BYTE>(c));
        }
        break;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
    {
        const bool bLittle = encoding == Encoding::Utf16Le;
        out = bLittle ? std::vector<BYTE>{0xFF, 0xFE} : std::vector<BYTE>{0xFE, 0xFF};
        for (WCHAR c : text)
        {
            const BYTE low = static_cast<BYTE>(c & 0xFF);
            const BYTE high = static_cast<BYTE>((c >> 8) & 0xFF);
            out.push_back(bLittle ? low : high);
            out.push_back(bLittle ? high : low);
        }
        break;
    }
    case Encoding::Utf8:
    {
        out = {0xEF, 0xBB, 0xBF};
        const std::vector<BYTE> body = utf8Bytes(text);
        out.insert(out.end(), body.begin(), body.end());
        break;
    }
    case Encoding::None:
    case Encoding::Same:
        break;
    }
    return out;
}

// Replaces a file's contents (creating it).
inline bool writeFileBytes(const WString& path, const std::vector<BYTE>& bytes)
{
    HANDLE hFile = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (hFile == INVALID_HANDLE_VALUE)
        return false;
    DWORD cbWritten = 0;
    const BOOL bWritten =
        bytes.empty() ||
        WriteFile(hFile, bytes.data(), static_cast<DWORD>(bytes.size()), &cbWritten, nullptr);
    CloseHandle(hFile);
    return bWritten && cbWritten == bytes.size();
}

inline bool fileExists(const WString& path)
{
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool isFolder(const WString& path)
{
    const DWORD ulAttributes = GetFileAttributesW(path.c_str());
    return ulAttributes != INVALID_FILE_ATTRIBUTES && (ulAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Bytes as text for failure messages: printable ASCII as itself, anything else as <xx>.
inline std::string showBytes(const std::vector<BYTE>& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (BYTE b : bytes)
    {
        if (b >= 0x20 && b < 0x7F)
            out.push_back(static_cast<char>(b));
        else
        {
            out += '<';
            out.push_back(digits[b >> 4]);
            out.push_back(digits[b & 15]);
            out += '>';
        }
    }
    return out;
}

// UTF-16 units as text for failure messages: NUL as |, other non-ASCII units as <U+xxxx>.
inline std::string showUnits(const WString& text)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (WCHAR c : text)
    {
        const unsigned u = static_cast<unsigned short>(c);
        if (u == 0)
            out += '|';
        else if (u >= 0x20 && u < 0x7F)
            out.push_back(static_cast<char>(u));
        else
        {
            out += "<U+";
            for (int shift = 12; shift >= 0; shift -= 4)
                out.push_back(digits[(u >> shift) & 15]);
            out += '>';
        }
    }
    return out;
}

// Removes a folder tree (files and folders below it too).
inline void removeTree(const WString& folder)
{
    WIN32_FIND_DATAW data;
    HANDLE hFind = FindFirstFileW((folder + ZEB_W("\\*")).c_str(), &data);
    if (hFind != INVALID_HANDLE_VALUE)
    {
        do
        {
            const WString name(data.cFileName);
            if (name == ZEB_W(".") || name == ZEB_W(".."))
                continue;
            const WString path = folder + ZEB_W("\\") + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                removeTree(path);
            else
            {
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(hFind, &data));
        FindClose(hFind);
    }
    RemoveDirectoryW(folder.c_str());
}

// A scratch folder beside the test program (no trailing backslash), emptied when the test
// starts and removed with everything in it when it ends.
class ScratchFolder
{
public:
    explicit ScratchFolder(LPCWSTR szName) : m_path(programFolder() + szName)
    {
        removeTree(m_path);
        EXPECT_TRUE(CreateDirectoryW(m_path.c_str(), nullptr)) << narrow(m_path);
    }
    ~ScratchFolder() { removeTree(m_path); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const WString& path() const { return m_path; }
    WString file(const WString& name) const { return m_path + ZEB_W("\\") + name; }

private:
    WString m_path;
};

// The lines of a log that trace the given class: "<Class::" in the line.
inline std::vector<WString> traceLinesOf(const std::vector<WString>& lines, const WString& cls)
{
    std::vector<WString> out;
    const WString marker = ZEB_W("<") + cls + ZEB_W("::");
    for (const WString& line : lines)
    {
        if ((line.find(ZEB_W("<ENTRY>")) != WString::npos ||
             line.find(ZEB_W("<EXIT>")) != WString::npos) &&
            line.find(marker) != WString::npos)
            out.push_back(line);
    }
    return out;
}

// One expected trace line: ENTRY, or EXIT with its result ("<Passed>", "<Failed>").
struct TraceLine
{
    LPCWSTR szMethod;
    LPCWSTR szResult; // null: the ENTRY line
};

// The trace lines of a class are exactly the expected ones, in order.
inline void expectTraceLines(const std::vector<WString>& logLines, const WString& cls,
                             const std::vector<TraceLine>& expected)
{
    const std::vector<WString> lines = traceLinesOf(logLines, cls);
    ASSERT_EQ(expected.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i)
    {
        SCOPED_TRACE(narrow(lines[i]));
        const TraceLine& line = expected[i];
        EXPECT_NE(WString::npos, lines[i].find(line.szResult ? ZEB_W("<EXIT>") : ZEB_W("<ENTRY>")));
        EXPECT_NE(WString::npos,
                  lines[i].find(ZEB_W("<") + cls + ZEB_W("::") + W(line.szMethod) + ZEB_W(">")));
        if (line.szResult)
        {
            EXPECT_NE(WString::npos, lines[i].find(line.szResult));
        }
    }
}

// The library heap, with a number of allocations that fail once the countdown runs out.
class FailingHeap
{
public:
    FailingHeap() { zebSetAllocatorHooks(&m_hooks); }
    ~FailingHeap() { zebSetAllocatorHooks(nullptr); }
    FailingHeap(const FailingHeap&) = delete;
    FailingHeap& operator=(const FailingHeap&) = delete;

    // The next nFailures allocations fail; later ones succeed again.
    void failNext(int nFailures) { s_nFailures = nFailures; }

private:
    static void* allocate(size_t cbSize)
    {
        if (s_nFailures > 0)
        {
            --s_nFailures;
            return nullptr;
        }
        return std::calloc(1, cbSize ? cbSize : 1);
    }
    static bool release(void* p, size_t)
    {
        std::free(p);
        return true;
    }
    static inline int s_nFailures = 0;
    ZebAllocatorHooks m_hooks = {allocate, release};
};
} // namespace zebtest
