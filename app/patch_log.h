// The patch log: one UTF-16 line per presented message or failed file, kept in the
// suite's install directory.
#pragma once

#include "zeb_platform.h"
#include "zeb_wchar_string.h"

// File name of the patch log ("patchlog8108.txt"), built at start-up.
extern CZEBWCharString g_szPatchLogName;

// Places a relative path inside the suite's install directory (a path holding ":\" is
// taken as it is). Answers false only when an exception occurred.
bool resolveInstallPath(CZEBWCharString& szPath, const CZEBWCharString& szRelativePath);

// Appends the line (its text grows by "\r\n") to the patch log. Failures are silent.
void appendToPatchLog(CZEBWCharString& szLine);
