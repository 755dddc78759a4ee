// The patch log: one UTF-16 line per presented message or failed file, kept in the
// suite's install directory.
#pragma once

#include "zeb_platform.h"
#include "zeb_wchar_string.h"

// File name of the patch log ("patchlog8108.txt"), built at start-up.
extern CZEBWCharString g_szPatchLogName;

// The suite's install directory when it can hold the patch's files: its "InstallPath" read
// as a non-empty absolute path (drive or UNC) of at most 259 characters. A backslash is
// added when the value does not end with one. False (szDirectory untouched) otherwise.
bool getUsableInstallDirectory(CZEBWCharString& szDirectory);

// Places a relative path inside the suite's install directory (a path holding ":\" is
// taken as it is). Without a usable install directory the relative path is appended to
// szPath as it stands, so the patch log lands in the current directory. Answers false only
// when an exception occurred.
bool resolveInstallPath(CZEBWCharString& szPath, const CZEBWCharString& szRelativePath);

// Appends the line (its text grows by "\r\n") to the patch log: UTF-16LE, a byte order mark
// only when this write creates the file, each entry followed by CR LF and one NUL unit.
// The file is opened and closed for every entry; failures are silent.
void appendToPatchLog(CZEBWCharString& szLine);
