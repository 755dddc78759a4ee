// The file functions, module file name and time text the library takes from Win32.
// The same tests run against the host subset and under Wine.

#include "zeb_platform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ctime>
#include <string>
#include <vector>

#ifndef _WIN32
#include "host/host_paths.h"
#include "host/host_test_hooks.h"
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
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

// A name as long as a directory entry's can be, and names longer than that.
const std::string kLongestName(255, 'n');
const std::string kTooLongName(256, 'n');
const std::string kFarTooLongName(300, 'n');

// Every name a test below creates inside the work directory, inner names first.
const std::vector<std::string>& workNames()
{
    static const std::vector<std::string> names = {
        "dir\\inner", "dir\\f.txt", "dir\\new.txt", "dir2\\f.txt", "b.txt\\f.txt", "ro.txt\\f.txt",
        "dir",        "dir2",       "newdir",       "a.txt",       "b.txt",        "c.txt",
        "x.txt",      "ro.txt",     "rodir",        "big.bin",     "copy.bin",     "New.Txt",
        "Copy.TXT",   "Moved.TxT",  "SubDir",       kLongestName};
    return names;
}

// Files share everything with everyone.
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

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
    static WText at(const std::string& relative) { return at(relative.c_str()); }
    // A path of the tables: "" stays empty, anything else lies in the work directory.
    static WText pathOf(const char* relative) { return *relative ? at(relative) : WText(); }

    static void clean()
    {
        for (const std::string& name : workNames())
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

    // The layout the copy and move tables start from; layoutState() describes it as kLayout.
    static void makeLayout()
    {
        clean();
        ASSERT_TRUE(CreateDirectoryW(workDir().c_str(), nullptr)) << GetLastError();
        makeFile("a.txt", "abc");
        makeFile("b.txt", "bbbb");
        makeFile("ro.txt", "ro");
        ASSERT_TRUE(SetFileAttributesW(at("ro.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        makeDir("dir");
        makeFile("dir\\f.txt", "f");
    }

    // What lies at the names the tables look at, in their order: "name=content" for a file
    // (with "(R)" when read-only), "name/" for a directory.
    static std::string layoutState()
    {
        static const char* const names[] = {"a.txt",       "b.txt",        "ro.txt",       "x.txt",
                                            "dir",         "dir\\f.txt",   "dir\\new.txt", "dir2",
                                            "dir2\\f.txt", "b.txt\\f.txt", "ro.txt\\f.txt"};
        std::string state;
        for (const char* name : names)
        {
            const DWORD attributes = GetFileAttributesW(at(name).c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES)
                continue;
            if (!state.empty())
                state += ' ';
            if (attributes & FILE_ATTRIBUTE_DIRECTORY)
                state += std::string(name) + "/";
            else
                state += std::string(name) + "=" + readFile(name) +
                         (attributes & FILE_ATTRIBUTE_READONLY ? "(R)" : "");
        }
        return state;
    }
};

const char kLayout[] = "a.txt=abc b.txt=bbbb ro.txt=ro(R) dir/ dir\\f.txt=f";

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

TEST_F(HostFiles, CopyFileCases)
{
    struct Case
    {
        const char* from;
        const char* to;
        BOOL failIfExists;
        DWORD error; // 0: the copy succeeds
        const char* after;
    };
    const char* const same = kLayout;
    const Case cases[] = {
        {"a.txt", "x.txt", FALSE, 0,
         "a.txt=abc b.txt=bbbb ro.txt=ro(R) x.txt=abc dir/ dir\\f.txt=f"},
        {"a.txt", "x.txt", TRUE, 0,
         "a.txt=abc b.txt=bbbb ro.txt=ro(R) x.txt=abc dir/ dir\\f.txt=f"},
        {"a.txt", "b.txt", FALSE, 0, "a.txt=abc b.txt=abc ro.txt=ro(R) dir/ dir\\f.txt=f"},
        {"a.txt", "b.txt", TRUE, ERROR_FILE_EXISTS, same},
        // A new copy of a read-only file is read-only; an existing one keeps its attributes.
        {"ro.txt", "x.txt", FALSE, 0,
         "a.txt=abc b.txt=bbbb ro.txt=ro(R) x.txt=ro(R) dir/ dir\\f.txt=f"},
        {"ro.txt", "b.txt", FALSE, 0, "a.txt=abc b.txt=ro ro.txt=ro(R) dir/ dir\\f.txt=f"},
        // Names are found ignoring case; a file is not copied onto itself.
        {"a.txt", "a.txt", FALSE, ERROR_SHARING_VIOLATION, same},
        {"a.txt", "A.TXT", FALSE, ERROR_SHARING_VIOLATION, same},
        {"a.txt", "A.TXT", TRUE, ERROR_FILE_EXISTS, same},
        {"A.TXT", "X.TXT", FALSE, 0,
         "a.txt=abc b.txt=bbbb ro.txt=ro(R) x.txt=abc dir/ dir\\f.txt=f"},
        {"a.txt", "B.TXT", FALSE, 0, "a.txt=abc b.txt=abc ro.txt=ro(R) dir/ dir\\f.txt=f"},
        {"a.txt", "DIR\\F.TXT", FALSE, 0, "a.txt=abc b.txt=bbbb ro.txt=ro(R) dir/ dir\\f.txt=abc"},
        // Directories are neither copied nor overwritten.
        {"a.txt", "dir", FALSE, ERROR_ACCESS_DENIED, same},
        {"a.txt", "dir", TRUE, ERROR_FILE_EXISTS, same},
        {"a.txt", "dir\\", FALSE, ERROR_ACCESS_DENIED, same},
        {"dir", "x.txt", FALSE, ERROR_ACCESS_DENIED, same},
        {"a.txt\\", "x.txt", FALSE, ERROR_INVALID_NAME, same},
        {"a.txt", "x.txt\\", FALSE, ERROR_INVALID_NAME, same},
        {"missing.txt", "x.txt", FALSE, ERROR_FILE_NOT_FOUND, same},
        {"missing\\m.txt", "x.txt", FALSE, ERROR_PATH_NOT_FOUND, same},
        {"a.txt", "missing\\x.txt", FALSE, ERROR_PATH_NOT_FOUND, same},
        {"a.txt", "a.txt\\x.txt", FALSE, ERROR_PATH_NOT_FOUND, same},
        {"a.txt", "b?.txt", FALSE, ERROR_INVALID_NAME, same},
        {"", "x.txt", FALSE, ERROR_PATH_NOT_FOUND, same},
        {"a.txt", "", FALSE, ERROR_PATH_NOT_FOUND, same},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message()
                     << c.from << " -> " << c.to << " failIfExists " << c.failIfExists);
        makeLayout();
        SetLastError(kSentinel);
        const BOOL copied = CopyFileW(pathOf(c.from).c_str(), pathOf(c.to).c_str(), c.failIfExists);
        EXPECT_EQ(c.error == 0, copied != FALSE);
        // A successful copy leaves the last error 0.
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(c.after, layoutState());
    }
}

TEST_F(HostFiles, MoveFileCases)
{
    const DWORD R = MOVEFILE_REPLACE_EXISTING;
    struct Case
    {
        const char* from;
        const char* to; // null: no new name
        DWORD flags;
        DWORD error; // 0: the move succeeds and leaves the last error alone
        const char* after;
    };
    const char* const same = kLayout;
    const Case cases[] = {
        {"a.txt", "x.txt", 0, 0, "b.txt=bbbb ro.txt=ro(R) x.txt=abc dir/ dir\\f.txt=f"},
        {"a.txt", "b.txt", 0, ERROR_ALREADY_EXISTS, same},
        {"a.txt", "b.txt", R, 0, "b.txt=abc ro.txt=ro(R) dir/ dir\\f.txt=f"},
        // A read-only file is renamed, and replaced, like any other.
        {"a.txt", "ro.txt", R, 0, "b.txt=bbbb ro.txt=abc dir/ dir\\f.txt=f"},
        {"a.txt", "ro.txt", 0, ERROR_ALREADY_EXISTS, same},
        {"ro.txt", "x.txt", 0, 0, "a.txt=abc b.txt=bbbb x.txt=ro(R) dir/ dir\\f.txt=f"},
        // A directory is never replaced; a file can move into one under a name of its own.
        {"a.txt", "dir", R, ERROR_ACCESS_DENIED, same},
        {"a.txt", "dir", 0, ERROR_ALREADY_EXISTS, same},
        {"a.txt", "dir\\", R, ERROR_ACCESS_DENIED, same},
        {"a.txt", "dir\\", 0, ERROR_ALREADY_EXISTS, same},
        {"a.txt", "dir\\f.txt", R, 0, "b.txt=bbbb ro.txt=ro(R) dir/ dir\\f.txt=abc"},
        {"a.txt", "dir\\new.txt", 0, 0,
         "b.txt=bbbb ro.txt=ro(R) dir/ dir\\f.txt=f dir\\new.txt=abc"},
        // Directories move too, and may replace a file.
        {"dir", "dir2", 0, 0, "a.txt=abc b.txt=bbbb ro.txt=ro(R) dir2/ dir2\\f.txt=f"},
        {"dir\\", "dir2", 0, 0, "a.txt=abc b.txt=bbbb ro.txt=ro(R) dir2/ dir2\\f.txt=f"},
        {"dir", "b.txt", 0, ERROR_ALREADY_EXISTS, same},
        {"dir", "b.txt", R, 0, "a.txt=abc b.txt/ ro.txt=ro(R) b.txt\\f.txt=f"},
        {"dir", "ro.txt", R, 0, "a.txt=abc b.txt=bbbb ro.txt/ ro.txt\\f.txt=f"},
        {"dir", "dir\\inner", 0, ERROR_INVALID_PARAMETER, same},
        // Names are found ignoring case; the same file under another spelling is left alone.
        {"a.txt", "a.txt", 0, 0, same},
        {"a.txt", "a.txt", R, 0, same},
        {"a.txt", "A.TXT", 0, 0, same},
        {"dir", "DIR", 0, 0, same},
        {"A.TXT", "B.TXT", R, 0, "b.txt=abc ro.txt=ro(R) dir/ dir\\f.txt=f"},
        {"A.TXT", "X.TXT", 0, 0, "b.txt=bbbb ro.txt=ro(R) x.txt=abc dir/ dir\\f.txt=f"},
        {"A.TXT", "DIR\\NEW.TXT", 0, 0,
         "b.txt=bbbb ro.txt=ro(R) dir/ dir\\f.txt=f dir\\new.txt=abc"},
        // What cannot be found.
        {"missing.txt", "x.txt", R, ERROR_FILE_NOT_FOUND, same},
        {"missing\\m.txt", "x.txt", R, ERROR_PATH_NOT_FOUND, same},
        {"a.txt", "missing\\x.txt", R, ERROR_PATH_NOT_FOUND, same},
        {"a.txt", "missing\\x.txt", 0, ERROR_PATH_NOT_FOUND, same},
        {"a.txt", "a.txt\\x.txt", R, ERROR_PATH_NOT_FOUND, same},
        // Names that cannot be used.
        {"a.txt\\", "x.txt", 0, ERROR_INVALID_NAME, same},
        {"a.txt", "x.txt\\", 0, ERROR_DIRECTORY, same},
        {"a.txt", "b.txt\\", R, ERROR_DIRECTORY, same},
        {"a.txt", "b?.txt", 0, ERROR_INVALID_NAME, same},
        {"a?.txt", "x.txt", 0, ERROR_INVALID_NAME, same},
        {"a.txt", "", 0, ERROR_PATH_NOT_FOUND, same},
        {"", "x.txt", 0, ERROR_PATH_NOT_FOUND, same},
        // Without a new name the file is deleted, as DeleteFileW would.
        {"a.txt", nullptr, 0, 0, "b.txt=bbbb ro.txt=ro(R) dir/ dir\\f.txt=f"},
        {"ro.txt", nullptr, 0, ERROR_ACCESS_DENIED, same},
        {"dir", nullptr, 0, ERROR_ACCESS_DENIED, same},
        {"missing.txt", nullptr, 0, ERROR_FILE_NOT_FOUND, same},
        // Copying is allowed but not needed on one file system; write-through changes nothing.
        {"a.txt", "x.txt", MOVEFILE_COPY_ALLOWED | MOVEFILE_WRITE_THROUGH, 0,
         "b.txt=bbbb ro.txt=ro(R) x.txt=abc dir/ dir\\f.txt=f"},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(testing::Message()
                     << c.from << " -> " << (c.to ? c.to : "(null)") << " flags " << c.flags);
        makeLayout();
        const WText to = c.to ? pathOf(c.to) : WText();
        SetLastError(kSentinel);
        const BOOL moved =
            MoveFileExW(pathOf(c.from).c_str(), c.to ? to.c_str() : nullptr, c.flags);
        EXPECT_EQ(c.error == 0, moved != FALSE);
        EXPECT_EQ(c.error ? c.error : kSentinel, GetLastError());
        EXPECT_EQ(c.after, layoutState());
    }
}

// What one handle of a.txt, held with the access and share mode of a row, lets the other
// file functions do with it. Each answers 0 when it succeeds, else its last error.
struct HolderCase
{
    const char* name;
    DWORD access;
    DWORD share;
    std::vector<DWORD> outcomes; // in the order of the operations of sharingOutcomes()
};

const DWORD kV = ERROR_SHARING_VIOLATION;
const DWORD kA = ERROR_ACCESS_DENIED;
const DWORD R_ = GENERIC_READ;
const DWORD W_ = GENERIC_WRITE;
const DWORD sRW = FILE_SHARE_READ | FILE_SHARE_WRITE;
const DWORD sRD = FILE_SHARE_READ | FILE_SHARE_DELETE;

// Open for reading, open for deleting, copy from, copy onto, move away, be replaced by a
// move, delete. Copying shares reading, writing and deleting from its source and reading
// and writing on its destination; moving and deleting need every holder to share delete,
// and an open file is never replaced.
const HolderCase kHolderCases[] = {
    {"read, share none", R_, 0, {kV, kV, kV, kV, kV, kA, kV}},
    {"read, share read", R_, FILE_SHARE_READ, {0, kV, 0, kV, kV, kA, kV}},
    {"write, share read", W_, FILE_SHARE_READ, {0, kV, 0, kV, kV, kA, kV}},
    {"write, share read write", W_, sRW, {0, kV, 0, 0, kV, kA, kV}},
    {"read, share read write", R_, sRW, {0, kV, 0, 0, kV, kA, kV}},
    {"read, share read delete", R_, sRD, {0, 0, 0, kV, 0, kA, 0}},
    {"read, share all", R_, kShareAll, {0, 0, 0, 0, 0, kA, 0}},
    {"no access, share none", 0, 0, {0, 0, 0, 0, 0, kA, 0}},
    {"delete, share none", DELETE, 0, {kV, kV, kV, kV, kV, kA, kV}},
    {"delete, share all", DELETE, kShareAll, {0, 0, 0, kV, 0, kA, 0}},
};

class HostFilesSharing : public HostFiles
{
protected:
    static DWORD outcome(bool ok) { return ok ? 0 : GetLastError(); }

    static std::vector<DWORD> sharingOutcomes()
    {
        const WText a = at("a.txt");
        std::vector<DWORD> out;
        {
            HandleHolder h(CreateFileW(a.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                       0, nullptr));
            out.push_back(outcome(h.valid()));
        }
        {
            HandleHolder h(
                CreateFileW(a.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING, 0, nullptr));
            out.push_back(outcome(h.valid()));
        }
        out.push_back(outcome(CopyFileW(a.c_str(), at("b.txt").c_str(), FALSE) != FALSE));
        out.push_back(outcome(CopyFileW(at("b.txt").c_str(), a.c_str(), FALSE) != FALSE));
        const DWORD movedAway = outcome(MoveFileExW(a.c_str(), at("x.txt").c_str(), 0) != FALSE);
        out.push_back(movedAway);
        if (movedAway == 0)
        {
            EXPECT_TRUE(MoveFileExW(at("x.txt").c_str(), a.c_str(), 0)) << GetLastError();
        }
        makeFile("c.txt", "c");
        const DWORD replaced = outcome(
            MoveFileExW(at("c.txt").c_str(), a.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE);
        out.push_back(replaced);
        DeleteFileW(at("c.txt").c_str());
        out.push_back(outcome(DeleteFileW(a.c_str()) != FALSE));
        return out;
    }
};

TEST_F(HostFilesSharing, WhatAnOpenHandleAllowsOthers)
{
    for (const HolderCase& c : kHolderCases)
    {
        SCOPED_TRACE(c.name);
        makeLayout();
        {
            HandleHolder holder(CreateFileW(at("a.txt").c_str(), c.access, c.share, nullptr,
                                            OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(holder.valid()) << GetLastError();
            EXPECT_EQ(c.outcomes, sharingOutcomes());
        }
        // A file deleted while the holder had it open is gone once the holder closes.
        const bool deleted = c.outcomes.back() == 0;
        EXPECT_EQ(deleted, GetFileAttributesW(at("a.txt").c_str()) == INVALID_FILE_ATTRIBUTES);
    }
}

TEST_F(HostFilesSharing, CopyOrderOfChecks)
{
    makeLayout();
    HandleHolder source(
        CreateFileW(at("a.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(source.valid());
    HandleHolder target(
        CreateFileW(at("b.txt").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(target.valid());
    const struct
    {
        const char* from;
        const char* to;
        BOOL failIfExists;
        DWORD error;
    } cases[] = {
        // The source is opened first, the destination after it.
        {"a.txt", "missing\\x.txt", FALSE, ERROR_SHARING_VIOLATION},
        {"a.txt", "x.txt", TRUE, ERROR_SHARING_VIOLATION},
        {"missing.txt", "b.txt", FALSE, ERROR_FILE_NOT_FOUND},
        // An existing destination is refused before its sharing is looked at.
        {"ro.txt", "b.txt", TRUE, ERROR_FILE_EXISTS},
        {"ro.txt", "b.txt", FALSE, ERROR_SHARING_VIOLATION},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << c.from << " -> " << c.to);
        SetLastError(kSentinel);
        EXPECT_FALSE(CopyFileW(at(c.from).c_str(), at(c.to).c_str(), c.failIfExists));
        EXPECT_EQ(c.error, GetLastError());
    }
    // The source's sharing is checked before anything about the new name.
    const struct
    {
        const char* to;
        DWORD flags;
    } moves[] = {{"missing\\x.txt", 0}, {"b.txt", 0}, {"dir", MOVEFILE_REPLACE_EXISTING}};
    for (const auto& m : moves)
    {
        SCOPED_TRACE(m.to);
        SetLastError(kSentinel);
        EXPECT_FALSE(MoveFileExW(at("a.txt").c_str(), at(m.to).c_str(), m.flags));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
    }
}

TEST_F(HostFiles, MoveKeepsOpenHandlesWorking)
{
    makeFile("a.txt", "abc");
    {
        HandleHolder file(CreateFileW(at("a.txt").c_str(), GENERIC_READ, kShareAll, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(file.valid());
        SetLastError(kSentinel);
        EXPECT_TRUE(MoveFileExW(at("a.txt").c_str(), at("x.txt").c_str(), 0));
        EXPECT_EQ(kSentinel, GetLastError());
        char buffer[8] = {};
        DWORD n = kSentinel;
        EXPECT_TRUE(ReadFile(file.h, buffer, sizeof buffer, &n, nullptr));
        EXPECT_EQ(std::string("abc"), std::string(buffer, n));
        // The moved file is still open: it cannot be replaced.
        makeFile("b.txt", "b");
        SetLastError(kSentinel);
        EXPECT_FALSE(
            MoveFileExW(at("b.txt").c_str(), at("x.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
        EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    }
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at("a.txt").c_str()));
    EXPECT_EQ("abc", readFile("x.txt"));
    EXPECT_TRUE(MoveFileExW(at("b.txt").c_str(), at("x.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ("b", readFile("x.txt"));
}

// The content of the copy tests' files: a byte pattern that repeats after a prime number of
// bytes, so it lines up with no buffer size; the bytes from an offset on are at
// pattern().data() + offset % kPatternPeriod, for up to one chunk.
const DWORD kPatternPeriod = 1048573;
const DWORD kPatternChunk = 1024 * 1024;

const std::vector<unsigned char>& pattern()
{
    static const std::vector<unsigned char> bytes = []
    {
        std::vector<unsigned char> b(kPatternPeriod + kPatternChunk);
        for (size_t i = 0; i < b.size(); ++i)
        {
            const size_t at = i % kPatternPeriod;
            b[i] = static_cast<unsigned char>((at * 131 + at / 251) & 0xFF);
        }
        return b;
    }();
    return bytes;
}

const unsigned char* patternAt(uint64_t offset)
{
    return pattern().data() + offset % kPatternPeriod;
}

TEST_F(HostFiles, CopyIsByteExactAtEverySize)
{
    const DWORD sizes[] = {0,      1,      4095,   4096,    65537,
                           262143, 262144, 262145, 1048579, 64u * 1024 * 1024};
    std::vector<unsigned char> chunk(kPatternChunk);
    for (DWORD size : sizes)
    {
        SCOPED_TRACE(testing::Message() << size << " bytes");
        {
            HandleHolder out(CreateFileW(at("big.bin").c_str(), GENERIC_WRITE, 0, nullptr,
                                         CREATE_ALWAYS, 0, nullptr));
            ASSERT_TRUE(out.valid());
            for (DWORD done = 0; done < size;)
            {
                const DWORD n = std::min(size - done, kPatternChunk);
                DWORD written = 0;
                ASSERT_TRUE(WriteFile(out.h, patternAt(done), n, &written, nullptr));
                ASSERT_EQ(n, written);
                done += n;
            }
        }
        // Into a new file, and over an older, longer one.
        for (int round = 0; round < 2; ++round)
        {
            SCOPED_TRACE(round == 0 ? "new file" : "over a longer file");
            if (round == 1)
                makeFile("copy.bin", std::string(size + 100, 'z'));
            else
                DeleteFileW(at("copy.bin").c_str());
            SetLastError(kSentinel);
            ASSERT_TRUE(CopyFileW(at("big.bin").c_str(), at("copy.bin").c_str(), FALSE))
                << GetLastError();
            EXPECT_EQ(0u, GetLastError());
            HandleHolder in(CreateFileW(at("copy.bin").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                        nullptr, OPEN_EXISTING, 0, nullptr));
            ASSERT_TRUE(in.valid());
            DWORD high = kSentinel;
            EXPECT_EQ(size, GetFileSize(in.h, &high));
            EXPECT_EQ(0u, high);
            uint64_t offset = 0;
            for (;;)
            {
                DWORD n = 0;
                ASSERT_TRUE(ReadFile(in.h, chunk.data(), kPatternChunk, &n, nullptr));
                if (n == 0)
                    break;
                if (std::memcmp(chunk.data(), patternAt(offset), n) != 0)
                {
                    const unsigned char* expected = patternAt(offset);
                    size_t i = 0;
                    while (chunk[i] == expected[i])
                        ++i;
                    FAIL() << "first difference at byte " << offset + i;
                }
                offset += n;
            }
            EXPECT_EQ(size, offset);
        }
    }
}

TEST_F(HostFiles, NamesLongerThanADirectoryEntry)
{
    makeFile("a.txt", "abc");
    const WText longest = at(kLongestName);
    const WText tooLong = at(kTooLongName);
    const WText farTooLong = at(kFarTooLongName);
    const WText below = farTooLong + ZEB_W("\\x.txt");
    const WText a = at("a.txt");
    const struct
    {
        const char* what;
        std::function<bool()> call;
        DWORD error;
    } cases[] = {
        {"attributes 256",
         [&] { return GetFileAttributesW(tooLong.c_str()) != INVALID_FILE_ATTRIBUTES; },
         ERROR_FILE_NOT_FOUND},
        {"attributes 300",
         [&] { return GetFileAttributesW(farTooLong.c_str()) != INVALID_FILE_ATTRIBUTES; },
         ERROR_FILE_NOT_FOUND},
        {"attributes below 300",
         [&] { return GetFileAttributesW(below.c_str()) != INVALID_FILE_ATTRIBUTES; },
         ERROR_PATH_NOT_FOUND},
        {"create 256",
         [&]
         {
             HandleHolder h(CreateFileW(tooLong.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        0, nullptr));
             return h.valid();
         },
         ERROR_FILE_NOT_FOUND},
        {"create below 300",
         [&]
         {
             HandleHolder h(
                 CreateFileW(below.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
             return h.valid();
         },
         ERROR_PATH_NOT_FOUND},
        {"open 300",
         [&]
         {
             HandleHolder h(CreateFileW(farTooLong.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                        0, nullptr));
             return h.valid();
         },
         ERROR_FILE_NOT_FOUND},
        {"delete", [&] { return DeleteFileW(farTooLong.c_str()) != FALSE; }, ERROR_FILE_NOT_FOUND},
        {"set attributes",
         [&] { return SetFileAttributesW(farTooLong.c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE; },
         ERROR_FILE_NOT_FOUND},
        {"create directory", [&] { return CreateDirectoryW(farTooLong.c_str(), nullptr) != FALSE; },
         ERROR_FILE_NOT_FOUND},
        {"remove directory", [&] { return RemoveDirectoryW(farTooLong.c_str()) != FALSE; },
         ERROR_FILE_NOT_FOUND},
        {"copy onto", [&] { return CopyFileW(a.c_str(), tooLong.c_str(), FALSE) != FALSE; },
         ERROR_FILE_NOT_FOUND},
        {"copy from", [&] { return CopyFileW(farTooLong.c_str(), a.c_str(), FALSE) != FALSE; },
         ERROR_FILE_NOT_FOUND},
        {"move onto",
         [&]
         { return MoveFileExW(a.c_str(), tooLong.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE; },
         ERROR_FILE_NOT_FOUND},
        {"move below", [&] { return MoveFileExW(a.c_str(), below.c_str(), 0) != FALSE; },
         ERROR_PATH_NOT_FOUND},
        {"move from", [&] { return MoveFileExW(farTooLong.c_str(), a.c_str(), 0) != FALSE; },
         ERROR_FILE_NOT_FOUND},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        SetLastError(kSentinel);
        EXPECT_FALSE(c.call());
        EXPECT_EQ(c.error, GetLastError());
    }
    EXPECT_EQ("abc", readFile("a.txt"));

    // 255 characters still make a name.
    EXPECT_TRUE(MoveFileExW(a.c_str(), longest.c_str(), 0)) << GetLastError();
    EXPECT_EQ("abc", readFile(longest));
    EXPECT_TRUE(CopyFileW(longest.c_str(), a.c_str(), TRUE)) << GetLastError();
    EXPECT_TRUE(DeleteFileW(longest.c_str())) << GetLastError();
    EXPECT_EQ("abc", readFile("a.txt"));
}

TEST_F(HostFiles, NamesAreFoundIgnoringCase)
{
    struct Case
    {
        const char* what;
        std::function<bool()> call;
        bool succeeds;
        DWORD error;       // kSentinel: left alone
        const char* after; // null: the layout is unchanged
    };
    const Case cases[] = {
        {"attributes of A.TXT",
         [] { return GetFileAttributesW(at("A.TXT").c_str()) == FILE_ATTRIBUTE_ARCHIVE; }, true,
         kSentinel, nullptr},
        {"attributes of DIR\\F.TXT",
         [] { return GetFileAttributesW(at("DIR\\F.TXT").c_str()) == FILE_ATTRIBUTE_ARCHIVE; },
         true, kSentinel, nullptr},
        {"attributes of Dir",
         [] { return GetFileAttributesW(at("Dir").c_str()) == FILE_ATTRIBUTE_DIRECTORY; }, true,
         kSentinel, nullptr},
        {"read A.Txt", [] { return readFile("A.Txt") == "abc"; }, true, 0, nullptr},
        {"create new A.TXT",
         []
         {
             HandleHolder h(CreateFileW(at("A.TXT").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                        0, nullptr));
             return h.valid();
         },
         false, ERROR_FILE_EXISTS, nullptr},
        {"create always A.TXT",
         []
         {
             HandleHolder h(CreateFileW(at("A.TXT").c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_ALWAYS, 0, nullptr));
             return h.valid();
         },
         true, ERROR_ALREADY_EXISTS, "a.txt= b.txt=bbbb ro.txt=ro(R) dir/ dir\\f.txt=f"},
        {"create DIR\\NEW.TXT",
         []
         {
             HandleHolder h(CreateFileW(at("DIR\\NEW.TXT").c_str(), GENERIC_WRITE, 0, nullptr,
                                        CREATE_NEW, 0, nullptr));
             return h.valid();
         },
         true, 0, "a.txt=abc b.txt=bbbb ro.txt=ro(R) dir/ dir\\f.txt=f dir\\new.txt="},
        {"set attributes of RO.TXT",
         [] { return SetFileAttributesW(at("RO.TXT").c_str(), FILE_ATTRIBUTE_NORMAL) != FALSE; },
         true, kSentinel, "a.txt=abc b.txt=bbbb ro.txt=ro dir/ dir\\f.txt=f"},
        {"delete DIR\\F.TXT", [] { return DeleteFileW(at("DIR\\F.TXT").c_str()) != FALSE; }, true,
         kSentinel, "a.txt=abc b.txt=bbbb ro.txt=ro(R) dir/"},
        {"create directory DIR",
         [] { return CreateDirectoryW(at("DIR").c_str(), nullptr) != FALSE; }, false,
         ERROR_ALREADY_EXISTS, nullptr},
        {"create directory DIR2",
         [] { return CreateDirectoryW(at("DIR2").c_str(), nullptr) != FALSE; }, true, kSentinel,
         "a.txt=abc b.txt=bbbb ro.txt=ro(R) dir/ dir\\f.txt=f dir2/"},
        {"remove directory DIR", [] { return RemoveDirectoryW(at("DIR").c_str()) != FALSE; }, false,
         ERROR_DIR_NOT_EMPTY, nullptr},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.what);
        makeLayout();
        SetLastError(kSentinel);
        EXPECT_EQ(c.succeeds, c.call());
        EXPECT_EQ(c.error, GetLastError());
        EXPECT_EQ(c.after ? c.after : kLayout, layoutState());
    }
}

TEST(HostCurrentDirectory, ReturnValuesAndBuffer)
{
    WCHAR full[1024];
    SetLastError(kSentinel);
    const DWORD length = GetCurrentDirectoryW(1024, full);
    EXPECT_EQ(kSentinel, GetLastError());
    ASSERT_GT(length, 2u);
    ASSERT_LT(length, 1024u);
    EXPECT_EQ(0, full[length]);
    const WText cwd(full, length);
    SCOPED_TRACE(narrow(cwd));
    EXPECT_TRUE(cwd[0] >= u'A' && cwd[0] <= u'Z');
    EXPECT_EQ(WText(ZEB_W(":\\")), cwd.substr(1, 2));
    // Only the root keeps its trailing backslash.
    EXPECT_TRUE(length == 3 || cwd.back() != u'\\');

    // Too small a buffer is left alone and the answer counts the terminator.
    const DWORD sizes[] = {0, 1, length - 1, length, length + 1, length + 5};
    for (DWORD size : sizes)
    {
        SCOPED_TRACE(testing::Message() << "size " << size << " of " << length);
        std::vector<WCHAR> buffer(length + 8, static_cast<WCHAR>(0xbdbd));
        SetLastError(kSentinel);
        const DWORD result = GetCurrentDirectoryW(size, buffer.data());
        EXPECT_EQ(kSentinel, GetLastError());
        const bool fits = size > length;
        EXPECT_EQ(fits ? length : length + 1, result);
        const DWORD written = fits ? length + 1 : 0;
        if (fits)
        {
            EXPECT_EQ(cwd, WText(buffer.data(), length));
            EXPECT_EQ(0, buffer[length]);
        }
        for (size_t i = written; i < buffer.size(); ++i)
            EXPECT_EQ(static_cast<WCHAR>(0xbdbd), buffer[i]) << "index " << i;
    }
    SetLastError(kSentinel);
    EXPECT_EQ(length + 1, GetCurrentDirectoryW(0, nullptr));
    EXPECT_EQ(kSentinel, GetLastError());

    // A relative name lies in that directory.
    const WText name = ZEB_W("zeb_host_files_cwd.txt");
    const WText absolute = cwd + (length == 3 ? WText() : WText(ZEB_W("\\"))) + name;
    DeleteFileW(name.c_str());
    {
        HandleHolder file(
            CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        ASSERT_TRUE(file.valid()) << GetLastError();
    }
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE), GetFileAttributesW(absolute.c_str()));
    EXPECT_TRUE(DeleteFileW(absolute.c_str()));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(name.c_str()));
}

TEST_F(HostFiles, MoveToAnotherFileSystem)
{
    // /dev/shm is a file system of its own on the machines that run these tests.
    const WText other = ZEB_W("Z:\\dev\\shm");
    const DWORD attributes = GetFileAttributesW(other.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        GTEST_SKIP() << "no Z:\\dev\\shm here";
    const WText there = other + ZEB_W("\\zeb_host_files_moved.txt");
    const WText thereDir = other + ZEB_W("\\zeb_host_files_moved_dir");
    DeleteFileW(there.c_str());
    RemoveDirectoryW(thereDir.c_str());
    makeFile("a.txt", "abc");
    makeFile("b.txt", "bbbb");
    makeDir("dir");

    SetLastError(kSentinel);
    EXPECT_FALSE(MoveFileExW(at("a.txt").c_str(), there.c_str(), 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_SAME_DEVICE), GetLastError());
    EXPECT_EQ("abc", readFile("a.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(there.c_str()));

    // A move made by copying leaves the last error as the copy does.
    SetLastError(kSentinel);
    EXPECT_TRUE(MoveFileExW(at("a.txt").c_str(), there.c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at("a.txt").c_str()));
    EXPECT_EQ("abc", readFile(there));

    // An existing file is replaced only when asked.
    SetLastError(kSentinel);
    EXPECT_FALSE(MoveFileExW(at("b.txt").c_str(), there.c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ALREADY_EXISTS), GetLastError());
    EXPECT_TRUE(MoveFileExW(at("b.txt").c_str(), there.c_str(),
                            MOVEFILE_COPY_ALLOWED | MOVEFILE_REPLACE_EXISTING));
    EXPECT_EQ("bbbb", readFile(there));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at("b.txt").c_str()));

    // And back again.
    EXPECT_TRUE(MoveFileExW(there.c_str(), at("b.txt").c_str(), MOVEFILE_COPY_ALLOWED));
    EXPECT_EQ("bbbb", readFile("b.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(there.c_str()));

    // A directory does not move to another file system, copying or not.
    const struct
    {
        DWORD flags;
        DWORD error;
    } directoryMoves[] = {{0, ERROR_NOT_SAME_DEVICE}, {MOVEFILE_COPY_ALLOWED, ERROR_ACCESS_DENIED}};
    for (const auto& m : directoryMoves)
    {
        SCOPED_TRACE(m.flags);
        SetLastError(kSentinel);
        const BOOL moved = MoveFileExW(at("dir").c_str(), thereDir.c_str(), m.flags);
        EXPECT_FALSE(moved);
        EXPECT_EQ(m.error, GetLastError());
        if (moved)
            RemoveDirectoryW(thereDir.c_str());
    }
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_DIRECTORY), GetFileAttributesW(at("dir").c_str()));
    if (GetFileAttributesW(thereDir.c_str()) != INVALID_FILE_ATTRIBUTES)
        RemoveDirectoryW(thereDir.c_str());
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
// Host-only tests share the work directory of the tests above.
class HostOnlyFiles : public HostFiles
{
};

// Wine running as root opens read-only files for writing (root passes the permission
// check), and so copies over them; Windows and the host subset refuse.
TEST_F(HostOnlyFiles, ReadOnlyFileRefusesWriteOpen)
{
    makeFile("ro.txt", "abc");
    makeFile("a.txt", "new");
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
    SetLastError(kSentinel);
    EXPECT_FALSE(CopyFileW(at("a.txt").c_str(), at("ro.txt").c_str(), FALSE));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ("abc", readFile("ro.txt"));
    EXPECT_EQ(static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE),
              GetFileAttributesW(at("ro.txt").c_str()));
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

TEST_F(HostOnlyFiles, PathMapping)
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

TEST_F(HostOnlyFiles, DefaultPrefixIsInHome)
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

TEST_F(HostOnlyFiles, FaultInjection)
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
        {"CopyFileW",
         [&] { return CopyFileW(at("b.txt").c_str(), at("c.txt").c_str(), FALSE) != FALSE; }},
        {"MoveFileExW",
         [&]
         {
             return MoveFileExW(at("c.txt").c_str(), at("x.txt").c_str(),
                                MOVEFILE_REPLACE_EXISTING) != FALSE;
         }},
        {"GetCurrentDirectoryW", [&] { return GetCurrentDirectoryW(1024, name) != 0; }},
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

TEST(HostOnlyHandles, RegisteredHandleClosesOnce)
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

// The names in a host directory, sorted.
std::vector<std::string> entriesOf(const std::string& directory)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(directory.c_str()))
    {
        while (const dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(HostOnlyFiles, NewNamesKeepTheCaseTheyWereGiven)
{
    makeFile("a.txt", "abc");
    makeFile("b.txt", "bbbb");
    makeDir("dir");
    {
        HandleHolder file(
            CreateFileW(at("New.Txt").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        EXPECT_TRUE(file.valid());
    }
    EXPECT_TRUE(CopyFileW(at("A.TXT").c_str(), at("Copy.TXT").c_str(), TRUE));
    EXPECT_TRUE(MoveFileExW(at("B.TXT").c_str(), at("Moved.TxT").c_str(), 0));
    EXPECT_TRUE(CreateDirectoryW(at("SubDir").c_str(), nullptr));
    // Existing names keep their spelling, whatever spelling reached them.
    {
        HandleHolder file(
            CreateFileW(at("A.TXT").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        EXPECT_TRUE(file.valid());
    }
    EXPECT_TRUE(MoveFileExW(at("dir").c_str(), at("DIR").c_str(), 0));
    EXPECT_TRUE(CopyFileW(at("copy.txt").c_str(), at("NEW.TXT").c_str(), FALSE));
    const std::vector<std::string> expected = {"Copy.TXT", "Moved.TxT", "New.Txt",
                                               "SubDir",   "a.txt",     "dir"};
    EXPECT_EQ(expected, entriesOf(hostPathOf(workDir())));
    EXPECT_EQ("abc", readFile("new.txt"));
}

TEST_F(HostOnlyFiles, AnExactSpellingWinsOverOthers)
{
    makeFile("c.txt", "lower");
    // A second name that differs only in case, which only the host itself can make.
    const std::string upper = hostPathOf(workDir()) + "/C.TXT";
    const int fd = open(upper.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(5, write(fd, "UPPER", 5));
    close(fd);
    EXPECT_EQ("lower", readFile("c.txt"));
    EXPECT_EQ("UPPER", readFile("C.TXT"));
    EXPECT_TRUE(DeleteFileW(at("C.TXT").c_str()));
    EXPECT_EQ("lower", readFile("C.TXT"));
    EXPECT_TRUE(DeleteFileW(at("C.TXT").c_str()));
    EXPECT_EQ(std::vector<std::string>(), entriesOf(hostPathOf(workDir())));
}

// Changes the current directory for the length of a test.
class ScopedCurrentDirectory
{
public:
    ScopedCurrentDirectory() : m_saved(currentDirectory()) {}
    ~ScopedCurrentDirectory()
    {
        if (!m_saved.empty() && chdir(m_saved.c_str()) != 0)
            ADD_FAILURE() << "cannot return to " << m_saved;
    }
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::string m_saved;
};

TEST_F(HostOnlyFiles, CurrentDirectoryInWindowsForm)
{
    makeDir("dir");
    const std::string prefix = hostPathOf(at("dir")) + "/prefix";
    ScopedEnvironment env("ZEB_HOST_PREFIX", prefix.c_str());
    ScopedCurrentDirectory restore;
    ASSERT_TRUE(CreateDirectoryW(ZEB_W("C:\\Sub Dir"), nullptr)) << GetLastError();
    WText prefixInWindowsForm = ZEB_W("Z:") + wide(prefix.c_str());
    for (auto& ch : prefixInWindowsForm)
        if (ch == u'/')
            ch = u'\\';
    const struct
    {
        std::string host;
        WText windows;
    } cases[] = {
        {prefix + "/drive_c/Sub Dir", ZEB_W("C:\\Sub Dir")},
        {prefix + "/drive_c", ZEB_W("C:\\")},
        {"/", ZEB_W("Z:\\")},
        {"/tmp", ZEB_W("Z:\\tmp")},
        {prefix, prefixInWindowsForm},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.host);
        ASSERT_EQ(0, chdir(c.host.c_str()));
        WCHAR buffer[1024];
        SetLastError(kSentinel);
        const DWORD n = GetCurrentDirectoryW(1024, buffer);
        EXPECT_EQ(kSentinel, GetLastError());
        EXPECT_EQ(c.windows, WText(buffer, n < 1024 ? n : 0));
    }

    // A current directory that was removed has no name.
    ASSERT_EQ(0, chdir((prefix + "/drive_c/Sub Dir").c_str()));
    ASSERT_TRUE(RemoveDirectoryW(ZEB_W("C:\\Sub Dir")));
    WCHAR buffer[8] = {1};
    SetLastError(kSentinel);
    EXPECT_EQ(0u, GetCurrentDirectoryW(8, buffer));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
    EXPECT_EQ(1, buffer[0]);
    ASSERT_EQ(0, chdir("/"));
    EXPECT_TRUE(RemoveDirectoryW(at("dir\\prefix\\drive_c").c_str()));
    EXPECT_TRUE(RemoveDirectoryW(at("dir\\prefix").c_str()));
}

TEST_F(HostOnlyFiles, FailedCopyLeavesNoPartialFile)
{
    makeFile("big.bin", std::string(3 * 1024 * 1024 + 7, 'x'));
    const BOOL modes[] = {FALSE, TRUE};
    for (BOOL failIfExists : modes)
    {
        SCOPED_TRACE(failIfExists ? "new file" : "over an older file");
        if (failIfExists)
            DeleteFileW(at("copy.bin").c_str());
        else
            makeFile("copy.bin", "old");
        // Files may grow to 1 MiB only; the write beyond fails as on a full disk.
        struct rlimit saved;
        ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
        struct rlimit small = saved;
        small.rlim_cur = 1024 * 1024;
        void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
        ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
        SetLastError(kSentinel);
        const BOOL copied = CopyFileW(at("big.bin").c_str(), at("copy.bin").c_str(), failIfExists);
        const DWORD error = GetLastError();
        setrlimit(RLIMIT_FSIZE, &saved);
        signal(SIGXFSZ, oldHandler);
        EXPECT_FALSE(copied);
        EXPECT_EQ(static_cast<DWORD>(ERROR_DISK_FULL), error);
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at("copy.bin").c_str()));
    }
    EXPECT_EQ(static_cast<DWORD>(3 * 1024 * 1024 + 7), readFile("big.bin").size());
}

TEST_F(HostOnlyFiles, CopyKeepsTheModificationTime)
{
    makeFile("a.txt", "abc");
    makeFile("b.txt", "bbbb");
    const struct timespec times[2] = {{0, UTIME_OMIT}, {1300000000, 123456789}};
    ASSERT_EQ(0, utimensat(AT_FDCWD, hostPathOf(at("a.txt")).c_str(), times, 0));
    for (const char* target : {"x.txt", "b.txt"})
    {
        SCOPED_TRACE(target);
        ASSERT_TRUE(CopyFileW(at("a.txt").c_str(), at(target).c_str(), FALSE));
        struct stat st;
        ASSERT_EQ(0, stat(hostPathOf(at(target)).c_str(), &st));
        EXPECT_EQ(1300000000, st.st_mtim.tv_sec);
        EXPECT_EQ(123456789, st.st_mtim.tv_nsec);
    }
}

TEST_F(HostOnlyFiles, MoveAtTheNextRestartIsNotSupported)
{
    makeFile("a.txt", "abc");
    const DWORD flags[] = {MOVEFILE_DELAY_UNTIL_REBOOT,
                           MOVEFILE_DELAY_UNTIL_REBOOT | MOVEFILE_REPLACE_EXISTING};
    for (DWORD f : flags)
    {
        SetLastError(kSentinel);
        EXPECT_FALSE(MoveFileExW(at("a.txt").c_str(), at("x.txt").c_str(), f));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
        SetLastError(kSentinel);
        EXPECT_FALSE(MoveFileExW(at("a.txt").c_str(), nullptr, f));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    }
    EXPECT_EQ("abc", readFile("a.txt"));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(at("x.txt").c_str()));
}

std::string selfPath()
{
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

// Run by HostOnlyFilesAcrossProcesses in a child process; does nothing in a normal run.
// ZEB_FILES_CHILD holds "<access> <share> <path>": the child opens the path so, reports
// "open" or "error <code>" on descriptor 3, and holds the handle until its input ends.
TEST(HostOnlyFilesChild, HoldsAFileOpen)
{
    const char* szRequest = std::getenv("ZEB_FILES_CHILD");
    if (!szRequest)
        GTEST_SKIP() << "run by HostOnlyFilesAcrossProcesses in a child process";
    unsigned long access = 0;
    unsigned long share = 0;
    int used = 0;
    ASSERT_EQ(2, std::sscanf(szRequest, "%lu %lu %n", &access, &share, &used));
    const WText path = wide(szRequest + used);
    HandleHolder file(CreateFileW(path.c_str(), static_cast<DWORD>(access),
                                  static_cast<DWORD>(share), nullptr, OPEN_EXISTING, 0, nullptr));
    const std::string line =
        file.valid() ? "open\n" : "error " + std::to_string(GetLastError()) + "\n";
    ASSERT_EQ(static_cast<ssize_t>(line.size()), write(3, line.data(), line.size()));
    close(3);
    char c;
    while (read(0, &c, 1) > 0)
    {
    }
}

// This executable again, as another process that opens a file and holds it open.
class OtherProcessHolder
{
public:
    OtherProcessHolder(const WText& path, DWORD access, DWORD share)
    {
        int control[2];
        int ready[2];
        if (pipe2(control, O_CLOEXEC) != 0)
            return;
        if (pipe2(ready, O_CLOEXEC) != 0)
        {
            close(control[0]);
            close(control[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, control[0], 0);
        posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        std::vector<std::string> environment = {"ZEB_FILES_CHILD=" + std::to_string(access) + " " +
                                                std::to_string(share) + " " + narrow(path)};
        for (char** e = environ; *e; ++e)
            if (std::strncmp(*e, "ZEB_FILES_CHILD=", 16) != 0)
                environment.push_back(*e);
        std::vector<char*> envp;
        for (std::string& e : environment)
            envp.push_back(&e[0]);
        envp.push_back(nullptr);
        std::string self = selfPath();
        std::string filter = "--gtest_filter=HostOnlyFilesChild.*";
        char* argv[] = {&self[0], &filter[0], nullptr};
        const int spawned = posix_spawn(&m_pid, self.c_str(), &actions, nullptr, argv, envp.data());
        posix_spawn_file_actions_destroy(&actions);
        close(control[0]);
        close(ready[1]);
        m_control = control[1];
        if (spawned != 0)
            m_pid = -1;
        // The child's one line; end of file when it died first.
        char buffer[64];
        ssize_t n;
        while (m_pid > 0 && m_report.find('\n') == std::string::npos &&
               (n = read(ready[0], buffer, sizeof buffer)) != 0)
        {
            if (n < 0 && errno == EINTR)
                continue;
            if (n < 0)
                break;
            m_report.append(buffer, static_cast<size_t>(n));
        }
        close(ready[0]);
        m_report = m_report.substr(0, m_report.find('\n'));
    }
    ~OtherProcessHolder() { release(); }
    OtherProcessHolder(const OtherProcessHolder&) = delete;
    OtherProcessHolder& operator=(const OtherProcessHolder&) = delete;

    const std::string& report() const { return m_report; }
    // Lets the child close its handle and end; answers its exit status.
    int release()
    {
        if (m_control >= 0)
            close(m_control);
        m_control = -1;
        return reap();
    }
    // Ends the child without letting it close anything.
    void crash()
    {
        if (m_pid > 0)
            kill(m_pid, SIGKILL);
        reap();
        release();
    }

private:
    int reap()
    {
        if (m_pid <= 0)
            return m_status;
        int status = 0;
        while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR)
        {
        }
        m_pid = -1;
        m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_status;
    }

    pid_t m_pid = -1;
    int m_control = -1;
    int m_status = -1;
    std::string m_report;
};

class HostOnlyFilesAcrossProcesses : public HostFilesSharing
{
};

// The same answers as for a handle of this process, above, which Wine confirms.
TEST_F(HostOnlyFilesAcrossProcesses, WhatAHandleOfAnotherProcessAllows)
{
    for (const HolderCase& c : kHolderCases)
    {
        SCOPED_TRACE(c.name);
        makeLayout();
        OtherProcessHolder holder(at("a.txt"), c.access, c.share);
        ASSERT_EQ("open", holder.report());
        EXPECT_EQ(c.outcomes, sharingOutcomes());
        EXPECT_EQ(0, holder.release());
    }
}

TEST_F(HostOnlyFilesAcrossProcesses, AnotherProcessMeetsThisOnesHandles)
{
    makeLayout();
    const struct
    {
        DWORD access;
        DWORD share;
        DWORD childAccess;
        DWORD childShare;
        const char* report;
    } cases[] = {
        {GENERIC_READ, 0, GENERIC_READ, kShareAll, "error 32"},
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_READ, kShareAll, "open"},
        {GENERIC_READ, FILE_SHARE_READ, GENERIC_WRITE, kShareAll, "error 32"},
        {GENERIC_WRITE, kShareAll, GENERIC_READ, FILE_SHARE_READ, "error 32"},
        {0, 0, GENERIC_READ | GENERIC_WRITE, 0, "open"},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(testing::Message() << std::hex << c.access << "/" << c.share << " against "
                                        << c.childAccess << "/" << c.childShare);
        HandleHolder mine(CreateFileW(at("a.txt").c_str(), c.access, c.share, nullptr,
                                      OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(mine.valid());
        OtherProcessHolder other(at("a.txt"), c.childAccess, c.childShare);
        EXPECT_EQ(c.report, other.report());
        EXPECT_EQ(0, other.release());
    }
}

TEST_F(HostOnlyFilesAcrossProcesses, AHolderThatEndsReleasesItsFile)
{
    makeLayout();
    for (bool crash : {true, false})
    {
        SCOPED_TRACE(crash ? "killed" : "closed and exited");
        OtherProcessHolder holder(at("a.txt"), GENERIC_READ | GENERIC_WRITE, 0);
        ASSERT_EQ("open", holder.report());
        {
            HandleHolder file(CreateFileW(at("a.txt").c_str(), GENERIC_READ, kShareAll, nullptr,
                                          OPEN_EXISTING, 0, nullptr));
            EXPECT_FALSE(file.valid());
            EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        }
        EXPECT_FALSE(MoveFileExW(at("a.txt").c_str(), at("x.txt").c_str(), 0));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        EXPECT_FALSE(CopyFileW(at("b.txt").c_str(), at("a.txt").c_str(), FALSE));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        EXPECT_FALSE(DeleteFileW(at("a.txt").c_str()));
        EXPECT_EQ(static_cast<DWORD>(ERROR_SHARING_VIOLATION), GetLastError());
        if (crash)
            holder.crash();
        else
            EXPECT_EQ(0, holder.release());
        {
            HandleHolder file(CreateFileW(at("a.txt").c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                          nullptr, OPEN_EXISTING, 0, nullptr));
            EXPECT_TRUE(file.valid()) << GetLastError();
        }
        EXPECT_TRUE(CopyFileW(at("b.txt").c_str(), at("a.txt").c_str(), FALSE)) << GetLastError();
        EXPECT_TRUE(MoveFileExW(at("a.txt").c_str(), at("x.txt").c_str(), 0)) << GetLastError();
        EXPECT_TRUE(MoveFileExW(at("x.txt").c_str(), at("a.txt").c_str(), 0)) << GetLastError();
        EXPECT_EQ("bbbb", readFile("a.txt"));
    }
}
#endif
} // namespace
