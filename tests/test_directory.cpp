// Directories: whether a path names an existing folder, and creating a folder with its
// missing parents. The same tests run on the host subset and under Wine.
#include "zeb_directory.h"
#include "zeb_method_trace.h"
#include "zeb_storage_test_support.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

using namespace zebtest;

namespace
{
// The program folder without its trailing backslash.
WString programFolderName()
{
    const WString folder = programFolder();
    return folder.substr(0, folder.size() - 1);
}

TEST(Directory, ExistenceIsDecidedByTheAttributes)
{
    ScratchFolder scratch(ZEB_W("zebtest_directory"));
    const WString file = scratch.file(ZEB_W("file.txt"));
    ASSERT_TRUE(writeFileBytes(file, {'x'}));
    struct Case
    {
        WString path;
        bool bFolder;
        bool bIndexError; // too short to be examined
    };
    const Case cases[] = {
        {ZEB_W("C:\\"), true, false},
        {ZEB_W("c:\\"), true, false},
        {ZEB_W("C:"), true, false},
        {ZEB_W("Z:\\"), true, false},
        {programFolderName(), true, false},
        {programFolder(), true, false},
        {scratch.path(), true, false},
        {file, false, false},
        {file + ZEB_W("\\"), false, false},
        {programPath(), false, false},
        {scratch.file(ZEB_W("missing")), false, false},
        {scratch.file(ZEB_W("missing\\")), false, false},
        {scratch.file(ZEB_W("missing\\deeper")), false, false},
        {ZEB_W("Q:\\"), false, false},
        {ZEB_W("C"), false, true},
        {WString(), false, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.path));
        LoggingOn logging;
        const CZEBWCharString path(c.path.c_str());
        EXPECT_EQ(c.bFolder, CZEBDirectory::isValidWindowsDirectory(path));
        CZEBDirectory directory(path);
        EXPECT_EQ(c.bFolder, directory.isValidDirectory());
        EXPECT_EQ(c.bIndexError ? 2u : 0u,
                  countLinesWith(logging.log.lines(), ZEB_W("Index out of array bounds")));
    }
}

TEST(Directory, CreatesEveryMissingLevel)
{
    ScratchFolder scratch(ZEB_W("zebtest_directory"));
    ASSERT_TRUE(CreateDirectoryW(scratch.file(ZEB_W("a")).c_str(), nullptr));
    CZEBDirectory deep(scratch.file(ZEB_W("a\\b\\c")).c_str());
    EXPECT_FALSE(deep.isValidDirectory());
    EXPECT_TRUE(deep.createDirectory());
    EXPECT_TRUE(isFolder(scratch.file(ZEB_W("a\\b"))));
    EXPECT_TRUE(isFolder(scratch.file(ZEB_W("a\\b\\c"))));
    EXPECT_TRUE(deep.isValidDirectory());
    // Once it exists nothing is created, and the answer is false.
    EXPECT_FALSE(deep.createDirectory());
    EXPECT_TRUE(isFolder(scratch.file(ZEB_W("a\\b\\c"))));

    // With a trailing backslash, and all levels below the scratch folder missing.
    CZEBDirectory trailing(scratch.file(ZEB_W("x\\y\\")).c_str());
    EXPECT_TRUE(trailing.createDirectory());
    EXPECT_TRUE(isFolder(scratch.file(ZEB_W("x\\y"))));
}

TEST(Directory, LevelsThatCannotBeCreatedStopTheWalk)
{
    ScratchFolder scratch(ZEB_W("zebtest_directory"));
    const WString file = scratch.file(ZEB_W("file"));
    ASSERT_TRUE(writeFileBytes(file, {'x'}));
    // A name Windows refuses: the level before it is made and stays.
    CZEBDirectory badName(scratch.file(ZEB_W("made\\bad|name")).c_str());
    EXPECT_FALSE(badName.createDirectory());
    EXPECT_TRUE(isFolder(scratch.file(ZEB_W("made"))));
    // A file where a folder should be.
    CZEBDirectory underFile((file + ZEB_W("\\sub")).c_str());
    EXPECT_FALSE(underFile.createDirectory());
    EXPECT_FALSE(fileExists(file + ZEB_W("\\sub")));
    // A network share: its first level, "\", is too short to examine and cannot be made.
    CZEBDirectory share(ZEB_W("\\\\server\\share"));
    EXPECT_FALSE(share.createDirectory());
    // No name at all.
    CZEBDirectory unnamed((CZEBWCharString()));
    EXPECT_FALSE(unnamed.createDirectory());
}

TEST(Directory, AFailedCopyOfTheNameIsReported)
{
    g_ulDynamicLogging = 2; // no traces: the first allocation below is the name's
    LoggingOn logging;
    const CZEBWCharString name(programFolder().c_str());
    {
        FailingHeap heap;
        heap.failNext(1);
        CZEBDirectory directory(name);
        EXPECT_FALSE(directory.isValidDirectory());
        heap.failNext(1);
        EXPECT_FALSE(directory.setDirectoryName(name));
        EXPECT_TRUE(directory.setDirectoryName(name));
        EXPECT_TRUE(directory.isValidDirectory());
    }
    const std::vector<WString> lines = logging.log.lines();
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("CZEBDirectory object failed to initialize")));
    EXPECT_LE(2u, countLinesWith(lines, ZEB_W("Unable to allocate memory")));
    g_ulDynamicLogging = 0;
}

TEST(Directory, EveryOperationButCreateIsTraced)
{
    g_ulDynamicLogging = 0;
    LoggingOn logging(LS_ENTRY | LS_EXIT | 0x1B);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    {
        ScratchFolder scratch(ZEB_W("zebtest_directory"));
        CZEBDirectory directory(scratch.path().c_str());
        EXPECT_TRUE(directory.isValidDirectory());
        EXPECT_FALSE(directory.createDirectory());
    }
    const LPCWSTR szPassed = ZEB_W("<Passed>");
    expectTraceLines(logging.log.lines(), ZEB_W("CZEBDirectory"),
                     {
                         {ZEB_W("Constructor"), nullptr},
                         {ZEB_W("setDirectoryName"), nullptr},
                         {ZEB_W("setDirectoryName"), szPassed},
                         {ZEB_W("Constructor"), szPassed},
                         {ZEB_W("isValidDirectory"), nullptr},
                         {ZEB_W("isValidWindowsDirectory"), nullptr},
                         {ZEB_W("isValidWindowsDirectory"), szPassed},
                         {ZEB_W("isValidDirectory"), szPassed},
                         // createDirectory leaves no lines; the existence test it asks for does.
                         {ZEB_W("isValidDirectory"), nullptr},
                         {ZEB_W("isValidWindowsDirectory"), nullptr},
                         {ZEB_W("isValidWindowsDirectory"), szPassed},
                         {ZEB_W("isValidDirectory"), szPassed},
                         {ZEB_W("Destructor"), nullptr},
                         {ZEB_W("Destructor"), szPassed},
                     });
    g_ulDynamicLogging = 0;
}

// ---- The search the existence test makes -------------------------------------------------

TEST(DirectorySearch, PatternsFindWhatWindowsFinds)
{
    ScratchFolder scratch(ZEB_W("zebtest_search"));
    ASSERT_TRUE(writeFileBytes(scratch.file(ZEB_W("file.txt")), {'x', 'y'}));
    ASSERT_TRUE(CreateDirectoryW(scratch.file(ZEB_W("sub")).c_str(), nullptr));
    struct Case
    {
        WString pattern;
        DWORD ulError;   // 0: found
        LPCWSTR szFirst; // the first name found (null: any)
        DWORD ulAttributes;
    };
    const Case cases[] = {
        {ZEB_W("Z:\\*"), 0, nullptr, 0},
        {scratch.path(), 0, ZEB_W("zebtest_search"), FILE_ATTRIBUTE_DIRECTORY},
        {scratch.path() + ZEB_W("\\*"), 0, ZEB_W("."), FILE_ATTRIBUTE_DIRECTORY},
        {scratch.file(ZEB_W("FILE.TXT")), 0, ZEB_W("file.txt"), FILE_ATTRIBUTE_ARCHIVE},
        {scratch.file(ZEB_W("f?le.*")), 0, ZEB_W("file.txt"), FILE_ATTRIBUTE_ARCHIVE},
        {scratch.file(ZEB_W("*.txt")), 0, ZEB_W("file.txt"), FILE_ATTRIBUTE_ARCHIVE},
        {scratch.file(ZEB_W("s*")), 0, ZEB_W("sub"), FILE_ATTRIBUTE_DIRECTORY},
        {scratch.file(ZEB_W("*.nothing")), ERROR_FILE_NOT_FOUND, nullptr, 0},
        {scratch.file(ZEB_W("missing")), ERROR_FILE_NOT_FOUND, nullptr, 0},
        {scratch.file(ZEB_W("missing\\*")), ERROR_PATH_NOT_FOUND, nullptr, 0},
        {scratch.path() + ZEB_W("\\"), ERROR_FILE_NOT_FOUND, nullptr, 0},
        {scratch.file(ZEB_W("file.txt\\")), ERROR_FILE_NOT_FOUND, nullptr, 0},
        {ZEB_W("C:\\"), ERROR_FILE_NOT_FOUND, nullptr, 0},
        {ZEB_W("C:"), ERROR_FILE_NOT_FOUND, nullptr, 0},
        {ZEB_W("Q:\\*"), ERROR_PATH_NOT_FOUND, nullptr, 0},
        {WString(), ERROR_PATH_NOT_FOUND, nullptr, 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.pattern));
        WIN32_FIND_DATAW data;
        SetLastError(0xdeadbeef);
        const HANDLE hFind = FindFirstFileW(c.pattern.c_str(), &data);
        if (c.ulError != 0)
        {
            EXPECT_EQ(INVALID_HANDLE_VALUE, hFind);
            EXPECT_EQ(c.ulError, GetLastError());
            continue;
        }
        ASSERT_NE(INVALID_HANDLE_VALUE, hFind);
        if (c.szFirst)
        {
            EXPECT_EQ(W(c.szFirst), W(data.cFileName));
            EXPECT_EQ(c.ulAttributes, data.dwFileAttributes);
        }
        EXPECT_TRUE(FindClose(hFind));
    }
}

TEST(DirectorySearch, AFolderListsItselfAndItsParentFirst)
{
    ScratchFolder scratch(ZEB_W("zebtest_search"));
    ASSERT_TRUE(writeFileBytes(scratch.file(ZEB_W("a.txt")), {'1', '2', '3'}));
    WIN32_FIND_DATAW data;
    const HANDLE hFind = FindFirstFileW((scratch.path() + ZEB_W("\\*")).c_str(), &data);
    ASSERT_NE(INVALID_HANDLE_VALUE, hFind);
    std::vector<WString> names{W(data.cFileName)};
    while (FindNextFileW(hFind, &data))
    {
        names.push_back(W(data.cFileName));
        if (names.back() == ZEB_W("a.txt"))
        {
            EXPECT_EQ(3u, data.nFileSizeLow);
            EXPECT_EQ(0u, data.nFileSizeHigh);
        }
    }
    EXPECT_EQ(DWORD(ERROR_NO_MORE_FILES), GetLastError());
    EXPECT_EQ((std::vector<WString>{ZEB_W("."), ZEB_W(".."), ZEB_W("a.txt")}), names);
    EXPECT_TRUE(FindClose(hFind));
    // No search, nothing to close.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(FindClose(INVALID_HANDLE_VALUE));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

#ifndef _WIN32
// A drive root that lists nothing (an empty drive) is still a folder.
TEST(HostOnlyDirectory, AFolderThatListsNothingIsAFolder)
{
    zebhost::failCall("FindFirstFileW", ERROR_FILE_NOT_FOUND, 2);
    EXPECT_TRUE(CZEBDirectory::isValidWindowsDirectory(ZEB_W("C:\\")));
    EXPECT_TRUE(CZEBDirectory::isValidWindowsDirectory(programFolder().c_str()));
    zebhost::clearFailures();
}
#endif
} // namespace
