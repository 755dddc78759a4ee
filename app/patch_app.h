// Entry logic and user messages of the patch program.
#pragma once

#include "zeb_platform.h"
#include "zeb_wchar_string.h"

// The patch this program installs; written in decimal wherever it is used.
const int PATCH_NUMBER = 8108;

// Capacity of the buffers resource strings are loaded into, terminator included.
const int MESSAGE_BUFFER_CHARS = 300;

// Non-zero when the command line holds a silent switch: no box is shown and every
// question counts as answered with OK. Set once by the entry, read by presentMessage.
extern int g_nSilent;

// True when the command line contains "/s", "/S", "-s" or "-S" anywhere (exact case,
// plain substring, so "/silent" counts too); an empty or null command line has none.
bool hasSilentSwitch(const CZEBWCharString& szCommandLine);

// The program's run: reads the silent switch, runs the patch sequence and shows the
// failure message if anything is thrown. Answers 0 in every case.
int runPatchProgram(LPCWSTR szCommandLine);

// Loads one string of the program's module, in the user's language, into a zeroed buffer of
// MESSAGE_BUFFER_CHARS; a missing string leaves the buffer empty.
void loadMessage(UINT uMessageId, WCHAR* szBuffer);
// The same from the English (United States) entry of the string table.
void loadEnglishMessage(UINT uMessageId, WCHAR* szBuffer);

// Loads the caption (1140) and the text `uMessageId` from the program's module and
// presents them with `uStyle` (MB_OK or MB_OKCANCEL). Answers the presentation's result.
int showMessage(UINT uMessageId, UINT uStyle);

// Shows one message box unless silent (then the result is 1, IDOK) and hands the line
// "<text> User select: <result>" to the patch log. Never throws.
int presentMessage(const CZEBWCharString& szCaption, const CZEBWCharString& szText, UINT uStyle);

// Maps an outcome code (1 to 6) to its message and shows it with MB_OK; any other code
// shows an empty text under the normal caption.
void showOutcomeMessage(int nOutcome);

// The message id of an outcome code; 0 (no such string) for an unknown code.
UINT outcomeMessageId(int nOutcome);
