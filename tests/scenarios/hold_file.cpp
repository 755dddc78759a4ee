// hold_file: holds a file open without sharing, as another program would while the patch
// runs. Command line: <file> <ready file> <stop file> <seconds>. Opens <file> for reading
// and writing with share mode 0, creates <ready file>, and keeps the file open until
// <stop file> exists or <seconds> have passed. Exit code 0 when stopped, 1 when the file
// could not be opened (no ready file is created then), 2 on a bad command line, 3 when the
// time ran out.
#include "zeb_platform.h"

#include <chrono>
#include <thread>

namespace
{
const int ARGUMENT_CHARS = 1024;
const int ARGUMENT_COUNT = 4;

// Splits the command line at blanks; a double-quoted part may hold blanks. Answers the
// number of arguments found (at most ARGUMENT_COUNT).
int splitArguments(LPCWSTR szCommandLine, WCHAR (*arguments)[ARGUMENT_CHARS])
{
    int nCount = 0;
    const WCHAR* p = szCommandLine;
    while (p != NULL && *p != 0 && nCount < ARGUMENT_COUNT)
    {
        while (*p == ' ' || *p == '\t')
            ++p;
        if (*p == 0)
            break;
        int nLength = 0;
        bool bQuoted = false;
        while (*p != 0 && (bQuoted || (*p != ' ' && *p != '\t')))
        {
            if (*p == '"')
                bQuoted = !bQuoted;
            else if (nLength < ARGUMENT_CHARS - 1)
                arguments[nCount][nLength++] = *p;
            ++p;
        }
        arguments[nCount][nLength] = 0;
        ++nCount;
    }
    return nCount;
}

int secondsOf(LPCWSTR szText)
{
    int nSeconds = 0;
    for (const WCHAR* p = szText; *p >= '0' && *p <= '9' && nSeconds < 100000; ++p)
        nSeconds = nSeconds * 10 + (*p - '0');
    return nSeconds;
}

bool exists(LPCWSTR szPath)
{
    return GetFileAttributesW(szPath) != INVALID_FILE_ATTRIBUTES;
}
} // namespace

int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nShowCmd)
{
    (void)hInstance;
    (void)hPrevInstance;
    (void)nShowCmd;
    static WCHAR arguments[ARGUMENT_COUNT][ARGUMENT_CHARS];
    if (splitArguments(lpCmdLine, arguments) != ARGUMENT_COUNT)
        return 2;
    LPCWSTR szFile = arguments[0];
    LPCWSTR szReady = arguments[1];
    LPCWSTR szStop = arguments[2];
    const int nSeconds = secondsOf(arguments[3]);

    HANDLE hHeld = CreateFileW(szFile, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, NULL);
    if (hHeld == INVALID_HANDLE_VALUE)
        return 1;
    HANDLE hReady = CreateFileW(szReady, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (hReady != INVALID_HANDLE_VALUE)
        CloseHandle(hReady);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(nSeconds);
    int nResult = 3;
    while (std::chrono::steady_clock::now() < deadline)
    {
        if (exists(szStop))
        {
            nResult = 0;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    CloseHandle(hHeld);
    return nResult;
}
