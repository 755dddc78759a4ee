#include "patch_sequence.h"

#include "patch_app.h"
#include "patch_log.h"
#include "resource.h"
#include "zeb_buffer.h"
#include "zeb_product_hrv.h"
#include "zeb_registry_key.h"
#include "zeb_windows_os_info.h"

#include <cstring>

const ReplacedFile g_replacedFiles[6] = {
    {ZEB_W("QAV Firefox Extension\\2.0b12\\chrome\\content\\overlay.xul"),
     ZEB_W("2.0b12\\chrome\\content\\overlay.xul")},
    {ZEB_W("QAV Firefox Extension\\2.0b12\\chrome\\content\\zebqav_jsctypes.js"),
     ZEB_W("2.0b12\\chrome\\content\\zebqav_jsctypes.js")},
    {ZEB_W("QAV Firefox Extension\\2.0b12\\chrome.manifest"), ZEB_W("2.0b12\\chrome.manifest")},
    {ZEB_W("QAV Firefox Extension\\2.0b12\\install.rdf"), ZEB_W("2.0b12\\install.rdf")},
    {ZEB_W("zebqav_jsctypes.xpi"), ZEB_W("zebqav_jsctypes.xpi")},
    {ZEB_W("zebqav_moz_jsctypes.dll"), ZEB_W("zebqav_moz_jsctypes.dll")},
};

namespace
{
const LPCWSTR s_supportedVersions[] = {ZEB_W("8.21.0020"), ZEB_W("8.30.0049")};

// Capacity of the buffers the Windows path queries fill, terminator included.
const DWORD PATH_BUFFER_CHARS = 260;

bool isDirectory(const CZEBWCharString& szPath)
{
    const DWORD ulAttributes = GetFileAttributesW(szPath.getBuffer());
    return ulAttributes != INVALID_FILE_ATTRIBUTES && (ulAttributes & FILE_ATTRIBUTE_DIRECTORY);
}

// Reads up to cbWanted bytes; false on a read error.
bool readChunk(HANDLE hFile, BYTE* pBuffer, DWORD cbWanted, DWORD& cbRead)
{
    cbRead = 0;
    while (cbRead < cbWanted)
    {
        DWORD cbNow = 0;
        if (!ReadFile(hFile, pBuffer + cbRead, cbWanted - cbRead, &cbNow, NULL))
            return false;
        if (cbNow == 0)
            break;
        cbRead += cbNow;
    }
    return true;
}

// Whether the two files hold exactly the same bytes; any failure to open or read them
// counts as different.
bool haveSameContents(const CZEBWCharString& szFirst, const CZEBWCharString& szSecond)
{
    const DWORD ulShare = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
    HANDLE hFirst =
        CreateFileW(szFirst.getBuffer(), GENERIC_READ, ulShare, NULL, OPEN_EXISTING, 0, NULL);
    if (hFirst == INVALID_HANDLE_VALUE)
        return false;
    HANDLE hSecond =
        CreateFileW(szSecond.getBuffer(), GENERIC_READ, ulShare, NULL, OPEN_EXISTING, 0, NULL);
    if (hSecond == INVALID_HANDLE_VALUE)
    {
        CloseHandle(hFirst);
        return false;
    }
    bool bSame = false;
    try
    {
        DWORD ulFirstHigh = 0;
        DWORD ulSecondHigh = 0;
        const DWORD ulFirstLow = GetFileSize(hFirst, &ulFirstHigh);
        const DWORD ulSecondLow = GetFileSize(hSecond, &ulSecondHigh);
        const bool bSizeKnown = !(ulFirstLow == INVALID_FILE_SIZE && GetLastError() != NO_ERROR);
        if (bSizeKnown && ulFirstLow == ulSecondLow && ulFirstHigh == ulSecondHigh)
        {
            const DWORD cbChunk = 64 * 1024;
            CZEBBuffer<unsigned char> first(cbChunk);
            CZEBBuffer<unsigned char> second(cbChunk);
            bSame = true;
            for (;;)
            {
                DWORD cbFirst = 0;
                DWORD cbSecond = 0;
                if (!readChunk(hFirst, first.getBuffer(), cbChunk, cbFirst) ||
                    !readChunk(hSecond, second.getBuffer(), cbChunk, cbSecond) ||
                    cbFirst != cbSecond ||
                    std::memcmp(first.getBuffer(), second.getBuffer(), cbFirst) != 0)
                {
                    bSame = false;
                    break;
                }
                if (cbFirst < cbChunk)
                    break;
            }
        }
    }
    catch (...)
    {
        bSame = false;
    }
    CloseHandle(hFirst);
    CloseHandle(hSecond);
    return bSame;
}

// Moves the destination aside and copies the new file over it. bBackupStranded is set when
// the copy failed and the previous file could not be moved back from its ".bak" name.
bool copyKeepingBackup(const CZEBWCharString& szSource, const CZEBWCharString& szDestination,
                       const CZEBWCharString& szBackup, bool& bBackupStranded)
{
    bBackupStranded = false;
    if (haveSameContents(szSource, szDestination))
        return true; // a second run: the .bak already holds the product's own file
    const bool bMoved = MoveFileExW(szDestination.getBuffer(), szBackup.getBuffer(),
                                    MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!bMoved)
    {
        // Only "nothing there" may go on without a backup.
        const DWORD ulError = GetLastError();
        if (ulError != ERROR_FILE_NOT_FOUND && ulError != ERROR_PATH_NOT_FOUND)
            return false;
    }
    if (CopyFileW(szSource.getBuffer(), szDestination.getBuffer(), FALSE))
        return true;
    if (bMoved &&
        !MoveFileExW(szBackup.getBuffer(), szDestination.getBuffer(), MOVEFILE_REPLACE_EXISTING))
        bBackupStranded = true;
    return false;
}

// Message 1200, then the failure line naming the file (from the English entry of 1121 when
// the user's language leaves it empty).
void reportFailedFile(const CZEBWCharString& szDestination)
{
    WCHAR szFormat[MESSAGE_BUFFER_CHARS];
    loadMessage(IDS_FILE_UPDATE_FAILED, szFormat);
    if (szFormat[0] == 0)
        loadEnglishMessage(IDS_FILE_UPDATE_FAILED, szFormat);
    CZEBWCharString szLine(szFormat);
    szLine.replace(CZEBWCharString(ZEB_W("%s")), szDestination, 1, CZEBWCharString::ssmOccur);
    showMessage(IDS_UNKNOWN_EXCEPTION, MB_OK);
    appendToPatchLog(szLine);
}
} // namespace

void runPatchSequence()
{
    const int nOutcome = checkPreconditions();
    if (nOutcome != poGoOn)
    {
        showOutcomeMessage(nOutcome);
        return;
    }
    CZEBWCharString szVersion;
    bool bSupported = false;
    if (getSuiteVersion(szVersion))
    {
        for (LPCWSTR szPrefix : s_supportedVersions)
            bSupported = bSupported || szVersion.beginsWith(CZEBWCharString(szPrefix));
    }
    if (!bSupported)
    {
        showMessage(IDS_VERSION_NOT_SUPPORTED, MB_OK);
        return;
    }
    if (showMessage(IDS_PATCH_CONFIRM, MB_OKCANCEL) != IDOK)
        return;
    bool bAllReplaced = true;
    for (const ReplacedFile& file : g_replacedFiles)
    {
        if (!replaceFile(CZEBWCharString(file.szSource), CZEBWCharString(file.szDestination)))
            bAllReplaced = false;
    }
    // The completion is claimed only when every file was replaced; a failure has been told.
    if (bAllReplaced)
        showMessage(IDS_PATCH_COMPLETED, MB_OK);
}

int checkPreconditions()
{
    if (!isSuiteInstalled())
        return poSuiteMissing;
    if (isPatchInstalled())
        return poPatchInstalled;
    WindowsFamily family = {0};
    if (!queryWindowsFamily(family))
        return poWindowsUnreadable;
    return family.ulFamily >= 1 && family.ulFamily <= 3 ? poGoOn : poUnsupportedWindows;
}

bool isSuiteInstalled()
{
    CZEBProduct_HRV suite;
    if (!suite.isInstalled(ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE, ZEB_DONT_CARE))
        return false;
    // A suite whose install directory cannot be named is not one the patch can change: its
    // files would be resolved against the current directory of an elevated process.
    CZEBWCharString szDirectory;
    return getUsableInstallDirectory(szDirectory);
}

bool isPatchInstalled()
{
    try
    {
        CZEBProduct_HRV suite;
        CZEBWCharString szLocation;
        if (!suite.getRegistryLocation(szLocation))
            return false;
        const CZEBWCharString szMarker =
            szLocation + CZEBWCharString(ZEB_W("\\Patch\\")) + CZEBWCharString(PATCH_NUMBER);
        // The suite may have been found in either view; its marker counts in either.
        for (REGSAM samView : {static_cast<REGSAM>(0), static_cast<REGSAM>(KEY_WOW64_32KEY),
                               static_cast<REGSAM>(KEY_WOW64_64KEY)})
        {
            CZEBRegistryKey marker(HKEY_LOCAL_MACHINE, szMarker, KEY_READ | samView, false, 0);
            if (marker.exists())
                return true;
        }
        return false;
    }
    catch (...)
    {
        return false;
    }
}

bool queryWindowsFamily(WindowsFamily& family)
{
    try
    {
        CZEBWindowsOSInfo info;
        const bool bVista = info.isVista();
        const bool bXP = info.isXP();
        const bool bWin7 = info.isWin7();
        family.ulFamily = bVista ? 1 : bXP ? 2 : bWin7 ? 3 : 0;
        return true;
    }
    catch (...)
    {
        return false;
    }
}

bool getSuiteVersion(CZEBWCharString& szVersion)
{
    try
    {
        CZEBProduct_HRV suite;
        CZEBWCharString szFound;
        if (suite.getProductVersion(szFound))
        {
            szVersion = szFound;
            return true;
        }
    }
    catch (...)
    {
    }
    szVersion = CZEBWCharString();
    return false;
}

bool resolveProgramPath(const CZEBWCharString& szRelativePath, CZEBWCharString& szPath)
{
    try
    {
        if (szRelativePath.contains(CZEBWCharString(ZEB_W(":\\"))))
        {
            szPath = szRelativePath;
            return true;
        }
        WCHAR szBuffer[PATH_BUFFER_CHARS];
        std::memset(szBuffer, 0, sizeof(szBuffer));
        const DWORD ulModule = GetModuleFileNameW(NULL, szBuffer, PATH_BUFFER_CHARS);
        if (ulModule == 0 || ulModule >= PATH_BUFFER_CHARS)
            return false; // a truncated path would name the wrong folder
        const CZEBWCharString szProgram(szBuffer);
        const CZEBWCharString szSeparator(ZEB_W("\\"));
        DWORD ulPos = 0;
        if (szProgram.find(szSeparator, 1, CZEBWCharString::pmBackward, ulPos))
        {
            CZEBWCharString szFolder;
            if (!szProgram.extractInside(szFolder, 0, ulPos, true, true))
                return false;
            szPath = szFolder + szRelativePath;
            return true;
        }
        std::memset(szBuffer, 0, sizeof(szBuffer));
        const DWORD ulCurrent = GetCurrentDirectoryW(PATH_BUFFER_CHARS, szBuffer);
        if (ulCurrent == 0 || ulCurrent >= PATH_BUFFER_CHARS)
            return false;
        szPath = CZEBWCharString(szBuffer) + szSeparator + szRelativePath;
        return true;
    }
    catch (...)
    {
        return false;
    }
}

bool replaceFile(const CZEBWCharString& szSourceRelative,
                 const CZEBWCharString& szDestinationRelative)
{
    CZEBWCharString szSource;
    CZEBWCharString szDestination;
    const bool bSourceNamed = resolveProgramPath(szSourceRelative, szSource);
    resolveInstallPath(szDestination, szDestinationRelative);
    const CZEBWCharString szBackup = szDestination + CZEBWCharString(ZEB_W(".bak"));

    bool bBackupStranded = false;
    bool bReplaced = false;
    // Folders are never moved or written over, and nothing is moved before the source is
    // known.
    if (bSourceNamed && szDestination.isValid() && !isDirectory(szSource) &&
        !isDirectory(szDestination))
        bReplaced = copyKeepingBackup(szSource, szDestination, szBackup, bBackupStranded);
    if (!bReplaced)
    {
        reportFailedFile(szDestination);
        if (bBackupStranded)
        {
            CZEBWCharString szLine(ZEB_W("The previous file is kept as "));
            szLine += szBackup;
            appendToPatchLog(szLine);
        }
    }
    return bReplaced;
}
