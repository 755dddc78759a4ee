// The patch sequence: precondition checks, confirmation and file replacement.
#pragma once

#include "zeb_platform.h"
#include "zeb_wchar_string.h"

// Outcome codes of checkPreconditions; their messages are listed with showOutcomeMessage.
enum PatchOutcome
{
    poGoOn = 0,
    poUnsupportedWindows = 1,
    poPatchInstalled = 3,
    poSuiteMissing = 4,
    poWindowsUnreadable = 6
};

// The Windows family: 1 for 6.0 up to 7.0 (7 included), 2 for 5.1 up to 6.0, 3 for 6.1,
// 0 for anything else. 1, 2 and 3 are supported.
struct WindowsFamily
{
    DWORD ulFamily;
};

// One file the patch replaces: the destination under the install directory and the new
// file beside the program.
struct ReplacedFile
{
    LPCWSTR szDestination;
    LPCWSTR szSource;
};
extern const ReplacedFile g_replacedFiles[6];

// Runs the whole sequence; all user output goes through showMessage/showOutcomeMessage.
// May throw: the caller's catch-all turns that into the failure message.
void runPatchSequence();

// 0 to go on, otherwise the outcome to show.
int checkPreconditions();
// The suite is installed (any version; 8.x only with its install policy) and its install
// directory can hold the patch's files. Exceptions reach the caller.
bool isSuiteInstalled();
// The marker key <suite location>\Patch\8108 exists under HKEY_LOCAL_MACHINE, in either
// registry view. Never written by the program.
bool isPatchInstalled();
bool queryWindowsFamily(WindowsFamily& family);
// The suite's version text as stored; false (szVersion emptied) when there is none.
bool getSuiteVersion(CZEBWCharString& szVersion);
// A path beside the program (a path holding ":\" is taken as it is). False when the
// program's folder cannot be named: a failed or truncated path query is never used.
bool resolveProgramPath(const CZEBWCharString& szRelativePath, CZEBWCharString& szPath);
// Replaces one file, keeping the previous one as "<destination>.bak": the new file is
// copied only after the old one is safely moved aside (or when there is none), a failed copy
// moves the old file back, and a destination already holding the new bytes is left as it
// is. Every failure shows message 1200 and writes the failure line to the patch log.
// Answers whether the destination now holds the new file.
bool replaceFile(const CZEBWCharString& szSourceRelative,
                 const CZEBWCharString& szDestinationRelative);
