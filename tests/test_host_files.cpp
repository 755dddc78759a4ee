// The file functions, module file name and time text the library takes from Win32.
// The same tests run against the host subset and under Wine.

#include "zeb_platform.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <ctime>
#include <string>
#include <vector>

#ifndef _WIN32
#include "host/host_paths.h"
#include "host/host_test_hooks.h"
#include <cstdlib>
#include <unistd.h>
#endif

namespace
{
using WText = std::basic_string<WCHAR>;

const DWORD kSentinel = 0xdeadbeef;

WText wide(const char* s)
{
    WText out;
    for (; *s; ++s)
        out.push_back(static_cast<WCHAR>(static_cast<unsigned char>(*s)));
    return out;
}

std::string narrow(const WText& s)
{
    std::string out;
    for (WCHAR c : s)
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    return out;
}

// Closes the handle it holds when the test leaves, even on a failed assertion.
struct HandleHolder
{
    HANDLE h;
    explicit HandleHolder(HANDLE handle) : h(handle) {}
    ~HandleHolder()
    {
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    HandleHolder(const HandleHolder&) = delete;
    HandleHolder& operator=(const HandleHolder&) = delete;
    bool valid() const { return h != INVALID_HANDLE_VALUE; }
};

WText modulePath()
{
    WCHAR buffer[1024];
    const DWORD n = GetModuleFileNameW(nullptr, buffer, 1024);
    return WText(buffer, n < 1024 ? n : 0);
}

#ifdef _WIN32
const char kExeName[] = "test_host_files.exe";
#else
const char kExeName[] = "test_host_files";
#endif

// Every name a test below creates inside the work directory, inner names first.
const char* const kWorkNames[] = {"dir\\inner", "dir\\f.txt", "dir",    "newdir",
                                  "a.txt",      "b.txt",      "ro.txt", "rodir"};

class HostFiles : public ::testing::Test
{
protected:
    // A directory beside the test executable, emptied before and after each test. It is
    // computed once, so building a path does not touch the last-error value.
    static const WText& workDir()
    {
        static const WText dir = modulePath() + wide(".work");
        return dir;
    }
    static WText at(const char* relative) { return workDir() + ZEB_W("\\") + wide(relative); }

    static void clean()
    {
        for (const char* name : kWorkNames)
        {
            const WText path = at(name);
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
            RemoveDirectoryW(path.c_str());
        }
        RemoveDirectoryW(workDir().c_str());
    }

    void SetUp() override
    {
        clean();
        ASSERT_TRUE(CreateDirectoryW(workDir().c_str(), nullptr)) << GetLastError();
    }

    void TearDown() override
    {
        clean();
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(workDir().c_str()))
            << "the work directory was left behind";
    }

    static void makeFile(const char* relative, const std::string& content)
    {
        HandleHolder file(CreateFileW(at(relative).c_str(), GENERIC_WRITE, 0, nullptr,
                                      CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid()) << relative << ": " << GetLastError();
        DWORD written = kSentinel;
        ASSERT_TRUE(WriteFile(file.h, content.data(), static_cast<DWORD>(content.size()), &written,
                              nullptr));
        ASSERT_EQ(content.size(), written);
    }

    // The whole content, or "<error N>" when the file cannot be opened.
    static std::string readFile(const WText& path)
    {
        HandleHolder file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        if (!file.valid())
            return "<error " + std::to_string(GetLastError()) + ">";
        std::string content;
        char chunk[64];
        DWORD n = 0;
        while (ReadFile(file.h, chunk, sizeof chunk, &n, nullptr) && n > 0)
            content.append(chunk, n);
        return content;
    }
    static std::string readFile(const char* relative) { return readFile(at(relative)); }

    static void makeDir(const char* relative)
    {
        ASSERT_TRUE(CreateDirectoryW(at(relative).c_str(), nullptr))
            << relative << ": " << GetLastError();
    }
};

TEST_F(HostFiles, CreateDispositionsAndTheirLastError)
{
    struct Case
    {
        const char* name;
        bool exists;
        DWORD access;
        DWORD disposition;
        bool opens;
        DWORD error;
        std::string contentAfter; // the file after the call, "<error 2>" when absent
    };
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    const Case cases[] = {
        {"CREATE_NEW absent", false, GENERIC_WRITE, CREATE_NEW, true, 0, ""},
        {"CREATE_NEW present", true, GENERIC_WRITE, CREATE_NEW, false, ERROR_FILE_EXISTS, "abc"},
        {"CREATE_ALWAYS absent", false, GENERIC_WRITE, CREATE_ALWAYS, true, 0, ""},
        {"CREATE_ALWAYS present", true, rw, CREATE_ALWAYS, true, ERROR_ALREADY_EXISTS, ""},
        {"OPEN_ALWAYS absent", false, GENERIC_WRITE, OPEN_ALWAYS, true, 0, ""},
        {"OPEN_ALWAYS present", true, GENERIC_WRITE, OPEN_ALWAYS, true, ERROR_ALREADY_EXISTS,
         "abc"},
        {"OPEN_EXISTING present", true, GENERIC_READ, OPEN_EXISTING, true, 0, "abc"},
        {"OPEN_EXISTING absent", false, GENERIC_READ, OPEN_EXISTING, false, ERROR_FILE_NOT_FOUND,
         "<error 2>"},
        {"TRUNCATE_EXISTING present", true, GENERIC_WRITE, TRUNCATE_EXISTING, true, 0, ""},
        {"TRUNCATE_EXISTING absent", false, GENERIC_WRITE, TRUNCATE_EXISTING, false,
         ERROR_FILE_NOT_FOUND, "<error 2>"},
        {"disposition 0", true, GENERIC_READ, 0, false, ERROR_INVALID_PARAMETER, "abc"},
        {"disposition 6", false, GENERIC_WRITE, 6, false, ERROR_INVALID_PARAMETER, "<error 2>"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.name);
        DeleteFileW(at("a.txt").c_str());
        if (c.exists)
            makeFile("a.txt", "abc");
        SetLastError(kSentinel);
        {
            HandleHolder file(CreateFileW(at("a.txt").c_str(), c.access, 0, nullptr, c.disposition,
                                          FILE_ATTRIBUTE_NORMAL, nullptr));
            EXPECT_EQ(c.opens, file.valid());
            EXPECT_EQ(c.error, GetLastError());
            if (file.valid())
            {
                DWORD high = kSentinel;
                EXPECT_EQ(c.contentAfter.size(), GetFileSize(file.h, &high));
                EXPECT_EQ(0u, high);
            }
        }
        EXPECT_EQ(c.contentAfter, readFile("a.txt"));
    }
}

TEST_F(HostFiles, CreateFileFailuresByPath)
{
    makeFile("a.txt", "abc");
    makeDir("dir");
    struct Case
    {
        const char* path;
        DWORD access;
        DWORD disposition;
        DWORD flags;
        DWORD error;
    };
    const Case cases[] = {
        {"missing\\x.txt", GENERIC_READ, OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND},
        {"missing\\x.txt", GENERIC_WRITE, CREATE_NEW, 0, ERROR_PATH_NOT_FOUND},
        {"missing\\x.txt", GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_PATH_NOT_FOUND},
        {"missing\\x.txt", GENERIC_WRITE, OPEN_ALWAYS, 0, ERROR_PATH_NOT_FOUND},
        {"missing\\x.txt", GENERIC_WRITE, TRUNCATE_EXISTING, 0, ERROR_PATH_NOT_FOUND},
        {"a.txt\\x.txt", GENERIC_READ, OPEN_EXISTING, 0, ERROR_PATH_NOT_FOUND},
        {"a.txt\\x.txt", GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_PATH_NOT_FOUND},
        {"a.txt\\", GENERIC_READ, OPEN_EXISTING, 0, ERROR_INVALID_NAME},
        {"dir", GENERIC_WRITE, OPEN_EXISTING, 0, ERROR_ACCESS_DENIED},
        {"dir", GENERIC_WRITE, OPEN_ALWAYS, 0, ERROR_ACCESS_DENIED},
        {"dir", GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_ACCESS_DENIED},
        {"dir", GENERIC_WRITE, TRUNCATE_EXISTING, 0, ERROR_ACCESS_DENIED},
        {"dir\\", GENERIC_WRITE, OPEN_ALWAYS, 0, ERROR_ACCESS_DENIED},
        {"dir", GENERIC_READ, OPEN_EXISTING, 0, ERROR_ACCESS_DENIED},
        {"dir", GENERIC_WRITE, CREATE_NEW, 0, ERROR_FILE_EXISTS},
        {"b?.txt", GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_INVALID_NAME},
        {"b*.txt", GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_INVALID_NAME},
        {"b<.txt", GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_INVALID_NAME},
        {"b>.txt", GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_INVALID_NAME},
        {"b|.txt", GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_INVALID_NAME},
        {"b\".txt", GENERIC_WRITE, CREATE_ALWAYS, 0, ERROR_INVALID_NAME},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.path << " disposition " << c.disposition);
        SetLastError(kSentinel);
        HandleHolder file(
            CreateFileW(at(c.path).c_str(), c.access, 0, nullptr, c.disposition, c.flags, nullptr));
        EXPECT_FALSE(file.valid());
        EXPECT_EQ(c.error, GetLastError());
    }
    EXPECT_EQ("abc", readFile("a.txt"));
    EXPECT_EQ(FILE_ATTRIBUTE_DIRECTORY, GetFileAttributesW(at("dir").c_str()));

    // A directory opens for reading its attributes with backup semantics.
    SetLastError(kSentinel);
    HandleHolder dir(CreateFileW(at("dir").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                 OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    EXPECT_TRUE(dir.valid());
    EXPECT_EQ(0u, GetLastError());
}

TEST_F(HostFiles, ShareModesBetweenOpenHandles)
{
    makeFile("a.txt", "abc");
    const DWORD R = GENERIC_READ, W = GENERIC_WRITE, RW = GENERIC_READ | GENERIC_WRITE;
    const DWORD sR = FILE_SHARE_READ, sW = FILE_SHARE_WRITE, sRW = sR | sW;
    struct Case
    {
        DWORD firstAccess, firstShare, secondAccess, secondShare;
        DWORD secondDisposition;
        bool secondOpens;
    };
    const Case cases[] = {
        {R, 0, R, sRW, OPEN_EXISTING, false},
        {R, 0, 0, 0, OPEN_EXISTING, true}, // no data access takes no part
        {R, sR, R, sR, OPEN_EXISTING, true},
        {R, sR, R, 0, OPEN_EXISTING, false}, // the first handle reads
        {R, sR, R, sW, OPEN_EXISTING, false},
        {R, sR, W, sRW, OPEN_EXISTING, false},
        {R, sR, W, sRW, OPEN_ALWAYS, false},
        {W, sRW, W, sRW, OPEN_EXISTING, true},
        {W, sRW, W, sR, OPEN_EXISTING, false}, // the first handle writes
        {W, sRW, R, sR, OPEN_EXISTING, false},
        {W, sR, R, sRW, OPEN_EXISTING, true},
        {W, sR, W, sRW, OPEN_ALWAYS, false}, // a second writer of a shared-read file
        {RW, sRW, R, sRW, OPEN_EXISTING, true},
        {RW, sRW, W, sRW, CREATE_ALWAYS, true},
    };
    int index = 0;
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << "case " << index++);
        HandleHolder first(CreateFileW(at("a.txt").c_str(), c.firstAccess, c.firstShare, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(first.valid()) << GetLastError();
        SetLastError(kSentinel);
        HandleHolder second(CreateFileW(at("a.txt").c_str(), c.secondAccess, c.secondShare, nullptr,
                                        c.secondDisposition, 0, nullptr));
        EXPECT_EQ(c.secondOpens, second.valid());
        if (!c.secondOpens)
        {
            EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        }
    }
    // A refused CREATE_ALWAYS must not have truncated the file.
    {
        HandleHolder first(
            CreateFileW(at("a.txt").c_str(), R, sR, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(first.valid());
        HandleHolder second(
            CreateFileW(at("a.txt").c_str(), W, sRW, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_FALSE(second.valid());
        DWORD high = kSentinel;
        EXPECT_EQ(0u, GetFileSize(first.h, &high)) << "truncated by the CREATE_ALWAYS above";
    }
}

TEST_F(HostFiles, DeleteWhileOpen)
{
    makeFile("a.txt", "abc");
    {
        HandleHolder file(
            CreateFileW(at("a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.valid());
        SetLastError(kSentinel);
        EXPECT_FALSE(DeleteFileW(at("a.txt").c_str()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    }
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(at("a.txt").c_str()));
    {
        HandleHolder file(CreateFileW(at("a.txt").c_str(), GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.valid());
        SetLastError(kSentinel);
        EXPECT_TRUE(DeleteFileW(at("a.txt").c_str()));
        EXPECT_EQ(kSentinel, GetLastError());
        // The name stays until the last handle is closed.
        EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE),
                  GetFileAttributesW(at("a.txt").c_str()));
        SetLastError(kSentinel);
        HandleHolder again(
            CreateFileW(at("a.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        EXPECT_FALSE(again.valid());
        EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());
    }
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at("a.txt").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST_F(HostFiles, AppendAtEndAndReadBack)
{
    const unsigned char first[] = {0xFF, 0xFE, 'a', 0, '\r', 0, '\n', 0, 0, 0};
    const unsigned char second[] = {'b', 0, '\r', 0, '\n', 0, 0, 0};
    for (int round = 0; round < 2; ++round)
    {
        SCOPED_TRACE(round);
        SetLastError(kSentinel);
        HandleHolder file(CreateFileW(at("a.txt").c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(file.valid());
        const DWORD existed = GetLastError();
        EXPECT_EQ(round == 0 ? 0u : static_cast<DWORD>(ERROR_ALREADY_EXISTS), existed);
        const unsigned char* data = round == 0 ? first : second;
        const DWORD size = round == 0 ? sizeof first : sizeof second;
        if (existed == ERROR_ALREADY_EXISTS)
        {
            SetLastError(kSentinel);
            EXPECT_EQ(static_cast<DWORD>(sizeof first),
                      SetFilePointer(file.h, 0, nullptr, FILE_END));
            EXPECT_EQ(kSentinel, GetLastError());
        }
        DWORD written = kSentinel;
        SetLastError(kSentinel);
        EXPECT_TRUE(WriteFile(file.h, data, size, &written, nullptr));
        EXPECT_EQ(size, written);
        EXPECT_EQ(kSentinel, GetLastError());
    }

    HandleHolder file(CreateFileW(at("a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    DWORD high = kSentinel;
    SetLastError(kSentinel);
    EXPECT_EQ(static_cast<DWORD>(sizeof first + sizeof second), GetFileSize(file.h, &high));
    EXPECT_EQ(0u, high);
    EXPECT_EQ(kSentinel, GetLastError());

    unsigned char buffer[32];
    std::memset(buffer, 0xbd, sizeof buffer);
    DWORD n = kSentinel;
    EXPECT_TRUE(ReadFile(file.h, buffer, sizeof buffer, &n, nullptr));
    ASSERT_EQ(static_cast<DWORD>(sizeof first + sizeof second), n);
    EXPECT_EQ(0, std::memcmp(buffer, first, sizeof first));
    EXPECT_EQ(0, std::memcmp(buffer + sizeof first, second, sizeof second));
    for (size_t i = n; i < sizeof buffer; ++i)
        EXPECT_EQ(0xbd, buffer[i]) << "byte " << i << " written past the data";

    // At the end a read succeeds with nothing.
    n = kSentinel;
    SetLastError(kSentinel);
    EXPECT_TRUE(ReadFile(file.h, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(0u, n);
    EXPECT_EQ(kSentinel, GetLastError());
}

TEST_F(HostFiles, SetFilePointerMoves)
{
    makeFile("a.txt", "0123456789");
    HandleHolder file(
        CreateFileW(at("a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    struct Case
    {
        LONG distance;
        DWORD method;
        DWORD result;
        DWORD error; // kSentinel: left alone
        DWORD positionAfter;
    };
    const Case cases[] = {
        {2, FILE_BEGIN, 2, kSentinel, 2},
        {3, FILE_CURRENT, 7, kSentinel, 7},
        {-3, FILE_CURRENT, 1, kSentinel, 1},
        {-1, FILE_END, 9, kSentinel, 9},
        {5, FILE_END, 15, kSentinel, 15},
        {100, FILE_BEGIN, 100, kSentinel, 100},
        {-5, FILE_CURRENT, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK, 4},
        {-11, FILE_END, INVALID_SET_FILE_POINTER, ERROR_NEGATIVE_SEEK, 4},
        {0, 3, INVALID_SET_FILE_POINTER, ERROR_INVALID_PARAMETER, 4},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.distance << " method " << c.method);
        ASSERT_EQ(4u, SetFilePointer(file.h, 4, nullptr, FILE_BEGIN));
        SetLastError(kSentinel);
        EXPECT_EQ(c.result, SetFilePointer(file.h, c.distance, nullptr, c.method));
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(c.positionAfter, SetFilePointer(file.h, 0, nullptr, FILE_CURRENT));
    }

    // A read continues at the new position and stops at the end.
    ASSERT_EQ(7u, SetFilePointer(file.h, 7, nullptr, FILE_BEGIN));
    char buffer[8];
    std::memset(buffer, 0xbd, sizeof buffer);
    DWORD n = kSentinel;
    EXPECT_TRUE(ReadFile(file.h, buffer, 5, &n, nullptr));
    EXPECT_EQ(3u, n);
    EXPECT_EQ(std::string("789"), std::string(buffer, 3));
    EXPECT_EQ(static_cast<char>(0xbd), buffer[3]);

    // With a high part the distance is 64 bits wide.
    LONG high = 0;
    EXPECT_EQ(1u, SetFilePointer(file.h, 1, &high, FILE_BEGIN));
    EXPECT_EQ(0, high);
    high = -1;
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(file.h, -1, &high, FILE_BEGIN));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NEGATIVE_SEEK), GetLastError());
    EXPECT_EQ(-1, high);
}

TEST_F(HostFiles, HandleMisuse)
{
    makeFile("a.txt", "abc");
    char buffer[4] = {1, 2, 3, 4};
    DWORD n = kSentinel;
    {
        HandleHolder reader(CreateFileW(at("a.txt").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(reader.valid());
        SetLastError(kSentinel);
        EXPECT_FALSE(WriteFile(reader.h, "xyz", 3, &n, nullptr));
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
        EXPECT_EQ(0u, n);
    }
    EXPECT_EQ("abc", readFile("a.txt"));
    HANDLE writer =
        CreateFileW(at("a.txt").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    n = kSentinel;
    SetLastError(kSentinel);
    EXPECT_FALSE(ReadFile(writer, buffer, sizeof buffer, &n, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(0u, n);
    EXPECT_EQ(1, buffer[0]);

    SetLastError(kSentinel);
    EXPECT_TRUE(CloseHandle(writer));
    EXPECT_EQ(kSentinel, GetLastError());

    // Every use of the closed handle fails with ERROR_INVALID_HANDLE.
    SetLastError(kSentinel);
    EXPECT_FALSE(CloseHandle(writer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    n = kSentinel;
    SetLastError(kSentinel);
    EXPECT_FALSE(WriteFile(writer, "x", 1, &n, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(0u, n);
    n = kSentinel;
    SetLastError(kSentinel);
    EXPECT_FALSE(ReadFile(writer, buffer, 1, &n, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(0u, n);
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_SET_FILE_POINTER, SetFilePointer(writer, 0, nullptr, FILE_END));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    DWORD high = kSentinel;
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_FILE_SIZE, GetFileSize(writer, &high));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(kSentinel, high);
    SetLastError(kSentinel);
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ("abc", readFile("a.txt"));
}

TEST_F(HostFiles, DirectoryCreationAndRemoval)
{
    makeFile("a.txt", "abc");
    makeDir("dir");
    makeFile("dir\\f.txt", "f");
    enum Op
    {
        Create,
        Remove
    };
    struct Case
    {
        Op op;
        const char* path;
        bool succeeds;
        DWORD error; // kSentinel: left alone
    };
    const Case cases[] = {
        {Create, "newdir", true, kSentinel},
        {Create, "newdir", false, ERROR_ALREADY_EXISTS},
        {Create, "newdir\\", false, ERROR_ALREADY_EXISTS},
        {Create, "a.txt", false, ERROR_ALREADY_EXISTS},
        {Create, "missing\\deeper", false, ERROR_PATH_NOT_FOUND},
        {Create, "dir\\inner\\", true, kSentinel},
        {Create, "bad?name", false, ERROR_INVALID_NAME},
        {Remove, "dir", false, ERROR_DIR_NOT_EMPTY},
        {Remove, "a.txt", false, ERROR_DIRECTORY},
        {Remove, "missing", false, ERROR_FILE_NOT_FOUND},
        {Remove, "missing\\deeper", false, ERROR_PATH_NOT_FOUND},
        {Remove, "dir\\inner", true, kSentinel},
        {Remove, "newdir\\", true, kSentinel},
        {Remove, "newdir", false, ERROR_FILE_NOT_FOUND},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message() << (c.op == Create ? "create " : "remove ") << c.path);
        SetLastError(kSentinel);
        const BOOL result = c.op == Create ? CreateDirectoryW(at(c.path).c_str(), nullptr)
                                           : RemoveDirectoryW(at(c.path).c_str());
        EXPECT_EQ(c.succeeds, result != FALSE);
        EXPECT_EQ(c.error, GetLastError());
    }
    EXPECT_EQ("f", readFile("dir\\f.txt"));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesW(at("dir").c_str()));
}

TEST_F(HostFiles, AttributesAndDeletion)
{
    makeFile("a.txt", "abc");
    makeDir("dir");
    struct Case
    {
        const char* path;
        DWORD attributes;
        DWORD error;
    };
    const Case cases[] = {
        {"a.txt", FILE_ATTRIBUTE_ARCHIVE, kSentinel},
        {"dir", FILE_ATTRIBUTE_DIRECTORY, kSentinel},
        {"dir\\", FILE_ATTRIBUTE_DIRECTORY, kSentinel},
        {"missing.txt", INVALID_FILE_ATTRIBUTES, ERROR_FILE_NOT_FOUND},
        {"missing\\x.txt", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"a.txt\\", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
        {"a.txt\\x", INVALID_FILE_ATTRIBUTES, ERROR_PATH_NOT_FOUND},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.path);
        SetLastError(kSentinel);
        EXPECT_EQ(c.attributes, GetFileAttributesW(at(c.path).c_str()));
        EXPECT_EQ(c.error, GetLastError());
    }

    const struct
    {
        const char* path;
        DWORD error;
    } deletions[] = {
        {"dir", ERROR_ACCESS_DENIED},
        {"missing.txt", ERROR_FILE_NOT_FOUND},
        {"missing\\x.txt", ERROR_PATH_NOT_FOUND},
    };
    for (const auto& d : deletions)
    {
        SCOPED_TRACE(d.path);
        SetLastError(kSentinel);
        EXPECT_FALSE(DeleteFileW(at(d.path).c_str()));
        EXPECT_EQ(d.error, GetLastError());
    }
    SetLastError(kSentinel);
    EXPECT_TRUE(DeleteFileW(at("a.txt").c_str()));
    EXPECT_EQ(kSentinel, GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at("a.txt").c_str()));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesW(at("dir").c_str()));

    SetLastError(kSentinel);
    EXPECT_FALSE(SetFileAttributesW(at("missing\\x.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST_F(HostFiles, ReadOnlyAttribute)
{
    makeFile("ro.txt", "abc");
    SetLastError(kSentinel);
    EXPECT_TRUE(SetFileAttributesW(at("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(kSentinel, GetLastError());
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
              GetFileAttributesW(at("ro.txt").c_str()));

    SetLastError(kSentinel);
    EXPECT_FALSE(DeleteFileW(at("ro.txt").c_str()));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    SetLastError(kSentinel);
    HandleHolder creator(
        CreateFileW(at("ro.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
    EXPECT_FALSE(creator.valid());
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), GetLastError());
    EXPECT_EQ("abc", readFile("ro.txt"));

    SetLastError(kSentinel);
    EXPECT_TRUE(SetFileAttributesW(at("ro.txt").c_str(), FILE_ATTRIBUTE_NORMAL));
    EXPECT_EQ(kSentinel, GetLastError());
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(at("ro.txt").c_str()));
    EXPECT_TRUE(DeleteFileW(at("ro.txt").c_str()));

    // Created read-only: the handle that created it still writes.
    {
        HandleHolder file(CreateFileW(at("ro.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_READONLY, nullptr));
        ASSERT_TRUE(file.valid());
        DWORD n = kSentinel;
        EXPECT_TRUE(WriteFile(file.h, "xy", 2, &n, nullptr));
        EXPECT_EQ(2u, n);
    }
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
              GetFileAttributesW(at("ro.txt").c_str()));
    EXPECT_EQ("xy", readFile("ro.txt"));

    // Directories ignore the read-only attribute.
    makeDir("rodir");
    EXPECT_TRUE(SetFileAttributesW(at("rodir").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY),
              GetFileAttributesW(at("rodir").c_str()));
}

TEST_F(HostFiles, OtherSpellingsOfOnePath)
{
    makeFile("a.txt", "abc");
    makeDir("dir");
    const WText work = workDir();
    WText slashes = work;
    for (auto& c : slashes)
        if (c == u'\\')
            c = u'/';
    WText lowerDrive = work;
    lowerDrive[0] = static_cast<WCHAR>(lowerDrive[0] | 0x20);
    const WText spellings[] = {
        slashes + ZEB_W("/a.txt"),
        lowerDrive + ZEB_W("\\a.txt"),
        work + ZEB_W("\\.\\a.txt"),
        work + ZEB_W("\\dir\\..\\a.txt"),
        work + ZEB_W("\\\\a.txt"),
        work + ZEB_W("\\a.txt."),
        work + ZEB_W("\\a.txt "),
        work + ZEB_W("\\dir\\..\\..\\") + work.substr(work.find_last_of(u'\\') + 1) +
            ZEB_W("\\a.txt"),
    };
    for (const WText& path : spellings)
    {
        SCOPED_TRACE(narrow(path));
        SetLastError(kSentinel);
        EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(path.c_str()));
        EXPECT_EQ(kSentinel, GetLastError());
        EXPECT_EQ("abc", readFile(path));
    }
}

TEST_F(HostFiles, UnknownDrive)
{
    const struct
    {
        const WCHAR* path;
        DWORD error;
    } cases[] = {
        {ZEB_W("Q:\\"), ERROR_PATH_NOT_FOUND},
        {ZEB_W("Q:\\x.txt"), ERROR_FILE_NOT_FOUND},
        {ZEB_W("q:\\x\\y.txt"), ERROR_PATH_NOT_FOUND},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(narrow(c.path));
        SetLastError(kSentinel);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(c.path));
        EXPECT_EQ(c.error, GetLastError());
        SetLastError(kSentinel);
        HandleHolder file(
            CreateFileW(c.path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_FALSE(file.valid());
        EXPECT_EQ(c.error, GetLastError());
    }
    SetLastError(kSentinel);
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ZEB_W("")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), GetLastError());
}

TEST(HostModule, FileNameHasWindowsForm)
{
    WCHAR buffer[1024];
    SetLastError(kSentinel);
    const DWORD length = GetModuleFileNameW(nullptr, buffer, 1024);
    EXPECT_EQ(0u, GetLastError());
    ASSERT_GT(length, 3u);
    ASSERT_LT(length, 1024u);
    EXPECT_EQ(0, buffer[length]);
    const WText path(buffer, length);
    SCOPED_TRACE(narrow(path));
    EXPECT_TRUE(path[0] >= u'A' && path[0] <= u'Z');
    EXPECT_EQ(u':', path[1]);
    EXPECT_EQ(u'\\', path[2]);
    EXPECT_EQ(WText::npos, path.find(u'/'));
    const WText name = ZEB_W("\\") + wide(kExeName);
    ASSERT_GT(path.size(), name.size());
    EXPECT_EQ(name, path.substr(path.size() - name.size()));

    // The program's own handle names the same file.
    SetLastError(kSentinel);
    const HMODULE self = GetModuleHandleW(nullptr);
    EXPECT_NE(nullptr, self);
    EXPECT_EQ(kSentinel, GetLastError());
    WCHAR again[1024];
    EXPECT_EQ(length, GetModuleFileNameW(self, again, 1024));
    EXPECT_EQ(path, WText(again, length));
}

TEST(HostModule, HandleByName)
{
    SetLastError(kSentinel);
    EXPECT_EQ(GetModuleHandleW(nullptr), GetModuleHandleW(wide(kExeName).c_str()));
    EXPECT_EQ(kSentinel, GetLastError());
}

TEST(HostModule, UnknownModule)
{
    SetLastError(kSentinel);
    EXPECT_EQ(nullptr, GetModuleHandleW(ZEB_W("no_such_module_zeb.dll")));
    EXPECT_EQ(static_cast<DWORD>(ERROR_MOD_NOT_FOUND), GetLastError());
}

TEST(HostModule, FileNameTruncation)
{
    const WText path = modulePath();
    const DWORD length = static_cast<DWORD>(path.size());
    ASSERT_GT(length, 3u);
    // A buffer too small gets as many characters as fit, no terminator, and the error.
    const DWORD sizes[] = {0, 1, 2, length - 1, length, length + 1, length + 5};
    for (DWORD size : sizes)
    {
        SCOPED_TRACE(testing::Message() << "size " << size << " of " << length);
        std::vector<WCHAR> buffer(length + 8, static_cast<WCHAR>(0xbdbd));
        SetLastError(kSentinel);
        const DWORD result = GetModuleFileNameW(nullptr, buffer.data(), size);
        const bool fits = size > length;
        EXPECT_EQ(fits ? length : size, result);
        EXPECT_EQ(fits ? 0u : static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
        const DWORD copied = fits ? length : size;
        EXPECT_EQ(path.substr(0, copied), WText(buffer.data(), copied));
        const DWORD untouchedFrom = fits ? length + 1 : size;
        if (fits)
        {
            EXPECT_EQ(0, buffer[length]);
        }
        for (size_t i = untouchedFrom; i < buffer.size(); ++i)
            EXPECT_EQ(static_cast<WCHAR>(0xbdbd), buffer[i]) << "index " << i;
    }
}

// A local time from its parts, as the C runtime's mktime builds it.
time_t localTime(int year, int month, int day, int hour, int minute, int second)
{
    struct tm parts;
    std::memset(&parts, 0, sizeof parts);
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return mktime(&parts);
}

TEST(HostTime, CtimeTextOfFixedTimes)
{
    const struct
    {
        int year, month, day, hour, minute, second;
        const char* text;
    } cases[] = {
        {2001, 9, 5, 12, 34, 56, "Wed Sep 05 12:34:56 2001\n"},
        {2024, 3, 1, 0, 0, 0, "Fri Mar 01 00:00:00 2024\n"},
        {2026, 12, 9, 13, 5, 7, "Wed Dec 09 13:05:07 2026\n"},
        {2019, 11, 24, 23, 59, 59, "Sun Nov 24 23:59:59 2019\n"},
        {2000, 2, 29, 6, 7, 8, "Tue Feb 29 06:07:08 2000\n"},
        {1999, 1, 31, 10, 0, 1, "Sun Jan 31 10:00:01 1999\n"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.text);
        const time_t t = localTime(c.year, c.month, c.day, c.hour, c.minute, c.second);
        ASSERT_NE(static_cast<time_t>(-1), t);
        const WCHAR* text = _wctime(&t);
        ASSERT_NE(nullptr, text);
        EXPECT_EQ(wide(c.text), WText(text));
    }
}

TEST(HostTime, CtimeTextOfNowHasItsShape)
{
    const time_t now = time(nullptr);
    const WCHAR* text = _wctime(&now);
    ASSERT_NE(nullptr, text);
    const WText s(text);
    SCOPED_TRACE(narrow(s));
    ASSERT_EQ(25u, s.size());
    // "Www Mmm dd hh:mm:ss yyyy\n": d = digit, A = letter, everything else literal.
    const char pattern[] = "AAA AAA dd dd:dd:dd dddd\n";
    for (size_t i = 0; i < s.size(); ++i)
    {
        const WCHAR c = s[i];
        if (pattern[i] == 'd')
            EXPECT_TRUE(c >= u'0' && c <= u'9') << "index " << i;
        else if (pattern[i] == 'A')
            EXPECT_TRUE((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) << "index " << i;
        else
            EXPECT_EQ(static_cast<WCHAR>(pattern[i]), c) << "index " << i;
    }
    const WText days = ZEB_W("SunMonTueWedThuFriSat");
    const WText months = ZEB_W("JanFebMarAprMayJunJulAugSepOctNovDec");
    EXPECT_EQ(0u, days.find(s.substr(0, 3)) % 3);
    EXPECT_NE(WText::npos, days.find(s.substr(0, 3)));
    EXPECT_EQ(0u, months.find(s.substr(4, 3)) % 3);
    EXPECT_NE(WText::npos, months.find(s.substr(4, 3)));
}

#ifndef _WIN32
// Wine running as root opens read-only files for writing (root passes the permission
// check); Windows and the host subset refuse.
TEST_F(HostFiles, HostOnly_ReadOnlyFileRefusesWriteOpen)
{
    makeFile("ro.txt", "abc");
    ASSERT_TRUE(SetFileAttributesW(at("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
    const struct
    {
        DWORD access;
        DWORD disposition;
    } cases[] = {
        {GENERIC_WRITE, OPEN_EXISTING},
        {GENERIC_WRITE, OPEN_ALWAYS},
        {GENERIC_WRITE, CREATE_ALWAYS},
        {GENERIC_WRITE, TRUNCATE_EXISTING},
        {GENERIC_READ, CREATE_ALWAYS},
        {GENERIC_READ, TRUNCATE_EXISTING},
        {GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << std::hex << c.access << " " << c.disposition);
        SetLastError(kSentinel);
        HandleHolder file(CreateFileW(at("ro.txt").c_str(), c.access, FILE_SHARE_READ, nullptr,
                                      c.disposition, 0, nullptr));
        EXPECT_FALSE(file.valid());
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    }
    EXPECT_EQ("abc", readFile("ro.txt"));
}

// Sets an environment variable for the length of a test.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const char* value) : m_name(name)
    {
        const char* old = getenv(name);
        m_had = old != nullptr;
        if (old)
            m_old = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        if (m_had)
            setenv(m_name.c_str(), m_old.c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }

private:
    std::string m_name;
    std::string m_old;
    bool m_had = false;
};

std::string hostPathOf(const WText& windowsPath)
{
    zebhost::HostPath out{"unchanged", false};
    DWORD error = kSentinel;
    if (!zebhost::toHostPath(windowsPath.c_str(), &out, &error))
        return "<error " + std::to_string(error) + ">";
    return out.path + (out.trailingSeparator ? " (trailing)" : "");
}

std::string currentDirectory()
{
    char buffer[4096];
    return getcwd(buffer, sizeof buffer) ? buffer : "";
}

TEST_F(HostFiles, HostOnly_PathMapping)
{
    makeDir("dir");
    zebhost::HostPath work{};
    DWORD error = 0;
    ASSERT_TRUE(zebhost::toHostPath(at("dir").c_str(), &work, &error));
    const std::string prefix = work.path + "/prefix";
    ScopedEnvironment env("ZEB_HOST_PREFIX", prefix.c_str());
    EXPECT_EQ(prefix, zebhost::hostPrefix());

    const std::string cwd = currentDirectory();
    ASSERT_FALSE(cwd.empty());
    const struct
    {
        const WCHAR* windows;
        std::string host;
    } cases[] = {
        {ZEB_W("C:\\x"), prefix + "/drive_c/x"},
        {ZEB_W("c:/x/y.txt"), prefix + "/drive_c/x/y.txt"},
        {ZEB_W("C:\\"), prefix + "/drive_c"},
        {ZEB_W("C:\\Program Files\\a\\"), prefix + "/drive_c/Program Files/a (trailing)"},
        {ZEB_W("Z:\\tmp"), "/tmp"},
        {ZEB_W("z:\\"), "/"},
        {ZEB_W("Z:"), cwd},
        {ZEB_W("Z:\\a\\..\\b"), "/b"},
        {ZEB_W("Z:\\..\\..\\b"), "/b"},
        {ZEB_W("Z:\\a\\.\\b.. \\c"), "/a/b/c"},
        {ZEB_W("Z:\\a\\\\b"), "/a/b"},
        {ZEB_W("\\\\?\\Z:\\tmp"), "/tmp"},
        {ZEB_W("x\\y"), cwd + "/x/y"},
        {ZEB_W(".\\x"), cwd + "/x"},
        {ZEB_W("D:\\x"), "<error 2>"},
        {ZEB_W("D:\\x\\y"), "<error 3>"},
        {ZEB_W("D:\\"), "<error 3>"},
        {ZEB_W(""), "<error 3>"},
        {ZEB_W("\\\\server\\share\\x"), "<error 66>"},
        {ZEB_W("Z:\\a?b"), "<error 123>"},
        {ZEB_W("Z:\\a\x01"), "<error 123>"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(narrow(c.windows));
        EXPECT_EQ(c.host, hostPathOf(c.windows));
    }
    // The mapping of a C: path created the prefix's drive_c.
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY),
              GetFileAttributesW(at("dir\\prefix\\drive_c").c_str()));
    // A root-relative path is on the drive of the current directory.
    EXPECT_EQ("/tmp", hostPathOf(ZEB_W("\\tmp")));
    EXPECT_EQ(zebhost::toWindowsPath(cwd) + ZEB_W("\\x"), zebhost::toWindowsPath(cwd + "/x"));

    const struct
    {
        std::string host;
        const WCHAR* windows;
    } back[] = {
        {"/tmp/a", ZEB_W("Z:\\tmp\\a")},
        {"/", ZEB_W("Z:\\")},
        {prefix + "/drive_c", ZEB_W("C:\\")},
        {prefix + "/drive_c/windows/x.txt", ZEB_W("C:\\windows\\x.txt")},
        {prefix + "/drive_cx", nullptr},
    };
    for (const auto& b : back)
    {
        SCOPED_TRACE(b.host);
        const WText expected = b.windows ? WText(b.windows)
                                         : ZEB_W("Z:") + [&]
        {
            WText w = wide(b.host.c_str());
            for (auto& ch : w)
                if (ch == u'/')
                    ch = u'\\';
            return w;
        }();
        EXPECT_EQ(expected, zebhost::toWindowsPath(b.host));
    }

    EXPECT_TRUE(RemoveDirectoryW(at("dir\\prefix\\drive_c").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(at("dir\\prefix").c_str()));
}

TEST_F(HostFiles, HostOnly_DefaultPrefixIsInHome)
{
    makeDir("dir");
    zebhost::HostPath home{};
    DWORD error = 0;
    ASSERT_TRUE(zebhost::toHostPath(at("dir").c_str(), &home, &error));
    ScopedEnvironment noPrefix("ZEB_HOST_PREFIX", nullptr);
    ScopedEnvironment env("HOME", home.path.c_str());
    EXPECT_EQ(home.path + "/.zeb-host", zebhost::hostPrefix());
    EXPECT_EQ(home.path + "/.zeb-host/drive_c/a.txt", hostPathOf(ZEB_W("C:\\a.txt")));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY),
              GetFileAttributesW(at("dir\\.zeb-host\\drive_c").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(at("dir\\.zeb-host\\drive_c").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(at("dir\\.zeb-host").c_str()));
}

TEST_F(HostFiles, HostOnly_FaultInjection)
{
    makeFile("a.txt", "abc");
    HandleHolder file(CreateFileW(at("a.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(file.valid());
    const DWORD injected = ERROR_NOT_ENOUGH_MEMORY;
    char buffer[4];
    DWORD n = 0;
    WCHAR name[1024];
    const struct
    {
        const char* function;
        std::function<bool()> call; // true when the call succeeded
    } cases[] = {
        {"CreateFileW",
         [&]
         {
             HandleHolder h(CreateFileW(at("b.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        0, nullptr));
             return h.valid();
         }},
        {"WriteFile", [&] { return WriteFile(file.h, "x", 1, &n, nullptr) != FALSE; }},
        {"ReadFile", [&] { return ReadFile(file.h, buffer, 1, &n, nullptr) != FALSE; }},
        {"SetFilePointer", [&]
         { return SetFilePointer(file.h, 0, nullptr, FILE_BEGIN) != INVALID_SET_FILE_POINTER; }},
        {"GetFileSize", [&] { return GetFileSize(file.h, nullptr) != INVALID_FILE_SIZE; }},
        {"CreateDirectoryW",
         [&] { return CreateDirectoryW(at("newdir").c_str(), nullptr) != FALSE; }},
        {"RemoveDirectoryW", [&] { return RemoveDirectoryW(at("newdir").c_str()) != FALSE; }},
        {"GetFileAttributesW",
         [&] { return GetFileAttributesW(at("a.txt").c_str()) != INVALID_FILE_ATTRIBUTES; }},
        {"SetFileAttributesW",
         [&] { return SetFileAttributesW(at("a.txt").c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE; }},
        {"GetModuleFileNameW", [&] { return GetModuleFileNameW(nullptr, name, 1024) != 0; }},
        {"DeleteFileW", [&] { return DeleteFileW(at("b.txt").c_str()) != FALSE; }},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.function);
        zebhost::failCall(c.function, injected);
        SetLastError(kSentinel);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(injected, GetLastError());
        // The failure is used up: the next call goes through.
        EXPECT_TRUE(c.call()) << GetLastError();
    }
    zebhost::clearFailures();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at("b.txt").c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at("newdir").c_str()));

    // An injected CloseHandle failure leaves the handle open.
    HANDLE h = CreateFileW(at("b.txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    zebhost::failCall("CloseHandle", injected);
    SetLastError(kSentinel);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(injected, GetLastError());
    EXPECT_TRUE(CloseHandle(h));
}

TEST(HostHandles, HostOnly_RegisteredHandleClosesOnce)
{
    int closed = 0;
    const HANDLE h = zebhost::registerHandle([&closed] { ++closed; });
    ASSERT_NE(nullptr, h);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    EXPECT_EQ(0, closed);
    SetLastError(kSentinel);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(kSentinel, GetLastError());
    EXPECT_EQ(1, closed);
    EXPECT_FALSE(CloseHandle(h));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_EQ(1, closed);
    // It is no file: file functions refuse it.
    const HANDLE other = zebhost::registerHandle([] {});
    DWORD n = kSentinel;
    EXPECT_FALSE(WriteFile(other, "x", 1, &n, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
    EXPECT_TRUE(CloseHandle(other));
}
#endif
} // namespace
