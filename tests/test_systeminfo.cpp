// The system storage path: the common application-data folder (C:\ProgramData, where
// Wine places it) followed by the vendor's folder. The same tests run on the host subset
// and under Wine; the shell's failures can be made only on the host.
#include "zeb_method_trace.h"
#include "zeb_storage_test_support.h"
#include "zeb_systeminfo.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

using namespace zebtest;

namespace
{
const LPCWSTR kVendorFolders[] = {ZEB_W("C:\\ProgramData\\Kelbix"),
                                  ZEB_W("C:\\ProgramData\\Copperfennel")};

// The vendor folders are removed before and after each test.
class StoragePath : public ::testing::Test
{
protected:
    void SetUp() override { removeVendorFolders(); }
    void TearDown() override { removeVendorFolders(); }
    static void removeVendorFolders()
    {
        for (LPCWSTR szFolder : kVendorFolders)
        {
            RemoveDirectoryW(szFolder);
            DeleteFileW(szFolder);
        }
    }
};

TEST_F(StoragePath, TheVendorFolderIsCreatedOnFirstUse)
{
    struct Case
    {
        DWORD ulVendor;
        LPCWSTR szPath;
    };
    const Case cases[] = {
        {0, ZEB_W("C:\\ProgramData\\Kelbix\\")},
        {1, ZEB_W("C:\\ProgramData\\Copperfennel\\")},
    };
    WCHAR szCommon[MAX_PATH + 1] = {0};
    ASSERT_EQ(S_OK, SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT,
                                     szCommon));
    EXPECT_EQ(W(ZEB_W("C:\\ProgramData")), W(szCommon));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.ulVendor);
        EXPECT_FALSE(isFolder(kVendorFolders[c.ulVendor]));
        CZEBSystemInfo info(c.ulVendor);
        CZEBWCharString path;
        ASSERT_TRUE(info.getStoragePath(path));
        EXPECT_EQ(W(c.szPath), W(path.getBuffer()));
        EXPECT_TRUE(isFolder(kVendorFolders[c.ulVendor]));
        // A second call finds the folder.
        CZEBWCharString again;
        ASSERT_TRUE(info.getStoragePath(again));
        EXPECT_EQ(W(c.szPath), W(again.getBuffer()));
    }
}

TEST_F(StoragePath, AnUnknownVendorIsRefused)
{
    LoggingOn logging;
    for (DWORD ulVendor : {2u, 0xFFFFFFFFu})
    {
        SCOPED_TRACE(ulVendor);
        CZEBSystemInfo info(ulVendor);
        CZEBWCharString path(ZEB_W("untouched"));
        EXPECT_FALSE(info.getStoragePath(path));
        EXPECT_EQ(W(ZEB_W("untouched")), W(path.getBuffer()));
    }
    EXPECT_EQ(2u, countLinesWith(logging.log.lines(),
                                 ZEB_W("A bad argument was provided ( m_ulVendor )")));
    for (LPCWSTR szFolder : kVendorFolders)
        EXPECT_FALSE(fileExists(szFolder)) << narrow(szFolder);
}

TEST_F(StoragePath, AFolderThatCannotBeCreatedGivesNoPath)
{
    // A file where the vendor folder belongs.
    ASSERT_TRUE(writeFileBytes(kVendorFolders[0], {'x'}));
    CZEBSystemInfo info(0);
    CZEBWCharString path(ZEB_W("untouched"));
    EXPECT_FALSE(info.getStoragePath(path));
    EXPECT_EQ(W(ZEB_W("untouched")), W(path.getBuffer()));
    EXPECT_FALSE(isFolder(kVendorFolders[0]));
}

class StoragePathTrace : public StoragePath
{
protected:
    void SetUp() override
    {
        StoragePath::SetUp();
        g_ulDynamicLogging = 0;
    }
    void TearDown() override
    {
        g_ulDynamicLogging = 0;
        StoragePath::TearDown();
    }
};

TEST_F(StoragePathTrace, ConstructionDestructionAndThePathAreTraced)
{
    LoggingOn logging(LS_ENTRY | LS_EXIT | 0x1B);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    {
        CZEBSystemInfo info(1);
        CZEBWCharString path;
        EXPECT_TRUE(info.getStoragePath(path));
        CZEBSystemInfo unknown(5);
        EXPECT_FALSE(unknown.getStoragePath(path));
    }
    const LPCWSTR szPassed = ZEB_W("<Passed>");
    expectTraceLines(logging.log.lines(), ZEB_W("CZEBSystemInfo"),
                     {
                         {ZEB_W("CZEBSystemInfo"), nullptr},
                         {ZEB_W("CZEBSystemInfo"), szPassed},
                         {ZEB_W("getStoragePath"), nullptr},
                         {ZEB_W("getStoragePath"), szPassed},
                         {ZEB_W("CZEBSystemInfo"), nullptr},
                         {ZEB_W("CZEBSystemInfo"), szPassed},
                         {ZEB_W("getStoragePath"), nullptr},
                         {ZEB_W("getStoragePath"), ZEB_W("<Failed>")},
                         {ZEB_W("~CZEBSystemInfo"), nullptr},
                         {ZEB_W("~CZEBSystemInfo"), szPassed},
                         {ZEB_W("~CZEBSystemInfo"), nullptr},
                         {ZEB_W("~CZEBSystemInfo"), szPassed},
                     });
}

#ifndef _WIN32
class HostOnlyStoragePath : public StoragePath
{
};

// Only S_OK gives a path: S_FALSE (a folder that does not exist) would leave the text empty
// and put the vendor folder at the root of the current drive.
TEST_F(HostOnlyStoragePath, OnlySOkFromTheShellCounts)
{
    struct Case
    {
        DWORD ulResult;
        LPCWSTR szReason;
    };
    const Case cases[] = {
        {1, ZEB_W("Path does not exist.")}, // S_FALSE
        {0x80004005u, ZEB_W("Path does not exist.")},
        {0x80070057u, ZEB_W("Shell folder does not exist.")},
        {5, ZEB_W("Shell folder error 5.")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.ulResult);
        LoggingOn logging;
        zebhost::failCall("SHGetFolderPathW", c.ulResult);
        CZEBSystemInfo info(0);
        CZEBWCharString path(ZEB_W("untouched"));
        EXPECT_FALSE(info.getStoragePath(path));
        zebhost::clearFailures();
        EXPECT_EQ(W(ZEB_W("untouched")), W(path.getBuffer()));
        const std::vector<WString> lines = logging.log.lines();
        EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("Unable to obtain Windows shell folder path for "
                                                  "folder ( \"SHGetFolderPath( CSIDL_COMMON_APPDATA"
                                                  " ) failed\" ).  ") +
                                                W(c.szReason)));
        EXPECT_FALSE(fileExists(kVendorFolders[0]));
        EXPECT_FALSE(fileExists(ZEB_W("\\Kelbix")));
    }
}
#endif
} // namespace
