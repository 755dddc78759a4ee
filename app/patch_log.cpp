#include "patch_log.h"

#include "patch_app.h"
#include "zeb_product_hrv.h"

CZEBWCharString g_szPatchLogName = CZEBWCharString(ZEB_W("patchlog")) +
                                   CZEBWCharString(PATCH_NUMBER) + CZEBWCharString(ZEB_W(".txt"));

namespace
{
// Longest install directory the patch accepts: with a file name it must still fit a path.
const DWORD INSTALL_PATH_MAX_CHARS = 259;

// "X:\..." or "\\server\share...": a path that does not depend on the current directory.
bool isAbsolutePath(const CZEBWCharString& szPath)
{
    const LPCWSTR sz = szPath.getBuffer();
    if (szPath.getLength() < 3)
        return false;
    const bool bDrive = ((sz[0] >= 'A' && sz[0] <= 'Z') || (sz[0] >= 'a' && sz[0] <= 'z')) &&
                        sz[1] == ':' && sz[2] == '\\';
    const bool bUnc = sz[0] == '\\' && sz[1] == '\\' && sz[2] != '\\';
    return bDrive || bUnc;
}
} // namespace

bool getUsableInstallDirectory(CZEBWCharString& szDirectory)
{
    CZEBProduct_HRV suite;
    CZEBWCharString szFound;
    if (!suite.getInstallDirectory(szFound))
        return false;
    const DWORD ulLength = szFound.getLength();
    if (ulLength == 0 || ulLength > INSTALL_PATH_MAX_CHARS || !isAbsolutePath(szFound))
        return false;
    const CZEBWCharString szSeparator(ZEB_W("\\"));
    if (!szFound.endsWith(szSeparator))
        szFound += szSeparator;
    szDirectory = szFound;
    return true;
}

bool resolveInstallPath(CZEBWCharString& szPath, const CZEBWCharString& szRelativePath)
{
    try
    {
        if (szRelativePath.contains(CZEBWCharString(ZEB_W(":\\"))))
        {
            szPath = szRelativePath;
            return true;
        }
        CZEBWCharString szDirectory;
        if (getUsableInstallDirectory(szDirectory))
            szPath = szDirectory;
        szPath += szRelativePath;
        return true;
    }
    catch (...)
    {
        return false;
    }
}

void appendToPatchLog(CZEBWCharString& szLine)
{
    try
    {
        CZEBWCharString szPath;
        resolveInstallPath(szPath, g_szPatchLogName);
        if (!szPath.isValid())
            return;
        HANDLE hFile = CreateFileW(szPath.getBuffer(), GENERIC_WRITE, FILE_SHARE_READ, NULL,
                                   OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
        if (hFile == INVALID_HANDLE_VALUE)
            return;
        DWORD cbWritten = 0;
        if (GetLastError() == ERROR_ALREADY_EXISTS)
        {
            SetFilePointer(hFile, 0, NULL, FILE_END);
        }
        else
        {
            static const BYTE s_byteOrderMark[2] = {0xFF, 0xFE};
            WriteFile(hFile, s_byteOrderMark, sizeof(s_byteOrderMark), &cbWritten, NULL);
        }
        szLine += CZEBWCharString(ZEB_W("\r\n"));
        // The text, its line break and its terminating NUL unit.
        const DWORD cbLine = (szLine.getLength() + 1) * static_cast<DWORD>(sizeof(WCHAR));
        WriteFile(hFile, szLine.getBuffer(), cbLine, &cbWritten, NULL);
        CloseHandle(hFile);
    }
    catch (...)
    {
        // A line that cannot be written is lost; the run goes on.
    }
}
