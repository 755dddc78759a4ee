// Test hooks of the host Win32 subset. Only host-only tests include this header;
// production code never does.
#pragma once

#include "win32_host.h"
#include <string>
#include <vector>

namespace zebhost
{
// ---- Registry ----
// Empties the in-memory tree under every predefined root.
void resetRegistry();
// While set, opening or creating that key (and keys below it) fails with ERROR_ACCESS_DENIED.
void denyKeyAccess(HKEY root, LPCWSTR subKey, bool deny);
// Replaces the whole tree with the contents of a .reg file ("Windows Registry Editor
// Version 5.00", UTF-8 or UTF-16LE with BOM). On failure the tree is left empty and
// `error` names the file and line.
bool loadRegistryFile(const std::string& path, std::string* error);
// Writes the whole tree as a .reg file (UTF-16LE with BOM, as regedit exports).
bool saveRegistryFile(const std::string& path, std::string* error);

// ---- Process and system ----
// Sets the bitness the host models (32 or 64 each; any other value keeps what the
// environment says). A 64-bit system gives a 32-bit process the 32-bit registry view
// by default; a 32-bit system has one view only, whatever the access mask asks.
void setBitness(int processBits, int systemBits);
// Every path handed to LoadLibraryW since the last clear, in order, and the references the
// loaded libraries still hold (successful loads not yet freed).
std::vector<std::u16string> loadLibraryPaths();
void clearLoadLibraryPaths();
DWORD libraryReferences();

// ---- Process token ----
// Replaces the privileges the process token holds by the comma-separated names (unknown
// names are ignored; the usual three start enabled); null restores the configured set.
void setTokenPrivileges(const char* szNames);

// ---- Fault injection ----
// The next `count` calls of the named host function (for example "RegOpenKeyExW",
// "CreateFileW") fail with `error`, as the real call would report it.
void failCall(const char* function, DWORD error, int count = 1);
void clearFailures();
// Used by the host functions themselves: true (and the error code set) when a failure is due.
bool injectedFailure(const char* function, DWORD* error);

// ---- Message boxes ----
// Answers come from ZEB_HOST_MSGBOX_ANSWERS, a comma-separated list of results (1 = OK,
// 2 = Cancel) taken in order; once it runs out, or without it, the terminal is asked,
// and without a terminal the answer is Cancel. Every presentation is recorded here and,
// when ZEB_HOST_MSGBOX_LOG names a file, appended to it as one UTF-8 line.
struct MessageBoxRecord
{
    std::u16string caption;
    std::u16string text;
    UINT style;
    int answer;
};
const std::vector<MessageBoxRecord>& messageBoxes();
// Forgets the recorded presentations and restarts the answer script.
void clearMessageBoxes();
} // namespace zebhost
