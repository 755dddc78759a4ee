// Our own subset of the Win32 API for non-Windows hosts. Names, signatures,
// constants and error codes are the Win32 ones so that the library compiles
// unchanged; the behaviour is written from what the library expects of each call.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <ctime>

// ---- Basic types -----------------------------------------------------------
typedef char16_t WCHAR; // UTF-16 code unit, as on Windows
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef char CHAR;
typedef uint8_t BYTE;
typedef BYTE* LPBYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef DWORD* LPDWORD;
typedef int32_t LONG;
typedef LONG* PLONG;
typedef LONG LSTATUS;
typedef int BOOL;
typedef int INT;
typedef unsigned int UINT;
typedef unsigned short USHORT;
typedef void* HANDLE;
typedef void* LPVOID;
typedef const void* LPCVOID;
typedef DWORD REGSAM;
typedef uintptr_t ULONG_PTR;
typedef intptr_t LONG_PTR;
typedef ULONG_PTR DWORD_PTR;
typedef BOOL* PBOOL;

struct HKEY__;
typedef HKEY__* HKEY;
typedef HKEY* PHKEY;
struct HINSTANCE__;
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
struct HWND__;
typedef HWND__* HWND;

struct SECURITY_ATTRIBUTES
{
    DWORD nLength;
    LPVOID lpSecurityDescriptor;
    BOOL bInheritHandle;
};
typedef SECURITY_ATTRIBUTES* LPSECURITY_ATTRIBUTES;
struct OVERLAPPED;
typedef OVERLAPPED* LPOVERLAPPED;

#define WINAPI
#define CALLBACK
#define APIENTRY
#define TRUE 1
#define FALSE 0
#define MAX_PATH 260

#define MAKELANGID(p, s) ((((WORD)(s)) << 10) | (WORD)(p))
#define PRIMARYLANGID(l) ((WORD)(l)&0x3ff)
#define SUBLANGID(l) ((WORD)(l) >> 10)
#define LANG_NEUTRAL 0x00
#define LANG_ENGLISH 0x09
#define SUBLANG_NEUTRAL 0x00
#define SUBLANG_DEFAULT 0x01

// ---- Error codes -----------------------------------------------------------
#define ERROR_SUCCESS 0L
#define NO_ERROR 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_OUTOFMEMORY 14L
#define ERROR_SHARING_VIOLATION 32L
#define ERROR_HANDLE_EOF 38L
#define ERROR_FILE_EXISTS 80L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_ENVVAR_NOT_FOUND 203L
#define ERROR_INVALID_NAME 123L
#define ERROR_NEGATIVE_SEEK 131L
#define ERROR_DIR_NOT_EMPTY 145L
#define ERROR_ALREADY_EXISTS 183L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_BADKEY 1010L
#define ERROR_CANTOPEN 1011L
#define ERROR_CANTREAD 1012L
#define ERROR_CANTWRITE 1013L
#define ERROR_KEY_DELETED 1018L
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812L
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813L
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814L
#define ERROR_RESOURCE_LANG_NOT_FOUND 1815L

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD dwErrCode);

// ---- Modules, strings and message boxes ------------------------------------
HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);
DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax);

// The program's string blocks as raw resources: RT_STRING block n holds ids 16(n-1) to
// 16n-1, each a 16-bit length followed by that many units. Only RT_STRING exists and only
// the exact language asked for is found (ERROR_RESOURCE_LANG_NOT_FOUND otherwise).
typedef struct HRSRC__* HRSRC;
typedef void* HGLOBAL;
#define MAKEINTRESOURCEW(i) ((LPWSTR)(ULONG_PTR)((WORD)(i)))
#define RT_STRING MAKEINTRESOURCEW(6)
#define SUBLANG_ENGLISH_US 0x01
HRSRC WINAPI FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage);
HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo);
LPVOID WINAPI LockResource(HGLOBAL hResData);
DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo);

#define MB_OK 0x00000000L
#define MB_OKCANCEL 0x00000001L
#define IDOK 1
#define IDCANCEL 2
int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType);

// Formats into at most 1024 characters including the terminator; %s takes a
// wide string. Returns the number of characters stored, without the terminator.
int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...);
int WINAPI wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist);

// The Unicode GUI entry point the program defines; the host main calls it.
int WINAPI wWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nShowCmd);

// ---- Registry --------------------------------------------------------------
#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002)
#define HKEY_USERS ((HKEY)(ULONG_PTR)0x80000003)
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)0x80000005)

#define KEY_QUERY_VALUE 0x0001
#define KEY_SET_VALUE 0x0002
#define KEY_CREATE_SUB_KEY 0x0004
#define KEY_ENUMERATE_SUB_KEYS 0x0008
#define KEY_NOTIFY 0x0010
#define KEY_CREATE_LINK 0x0020
#define KEY_WOW64_64KEY 0x0100
#define KEY_WOW64_32KEY 0x0200
#define KEY_READ 0x20019
#define KEY_WRITE 0x20006
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7
#define REG_QWORD 11

#define REG_OPTION_NON_VOLATILE 0x0
#define REG_OPTION_VOLATILE 0x1 // accepted; the host keeps every key until it saves
#define REG_CREATED_NEW_KEY 0x1
#define REG_OPENED_EXISTING_KEY 0x2

// Codes the registry answers besides the common ones above.
#define ERROR_BAD_PATHNAME 161L // a sub-key path starting with a backslash
#define ERROR_NOACCESS 998L     // value data pointer null with a non-zero size

LSTATUS WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                             PHKEY phkResult);
LSTATUS WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                               DWORD dwOptions, REGSAM samDesired,
                               const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                               LPDWORD lpdwDisposition);
LSTATUS WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved, LPDWORD lpType,
                                LPBYTE lpData, LPDWORD lpcbData);
LSTATUS WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                              const BYTE* lpData, DWORD cbData);
LSTATUS WINAPI RegCloseKey(HKEY hKey);
LSTATUS WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
LSTATUS WINAPI RegDeleteValueW(HKEY hKey, LPCWSTR lpValueName);

// Sub-keys and values are enumerated sorted by name, case-insensitively (as Wine does).
// Name sizes are in characters and need room for the terminator.
struct _FILETIME;
typedef _FILETIME* PFILETIME;
LSTATUS WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                             LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                             PFILETIME lpftLastWriteTime);
LSTATUS WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                             LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
// Maximum name lengths are in characters without the terminator; data sizes in bytes.
LSTATUS WINAPI RegQueryInfoKeyW(HKEY hKey, LPWSTR lpClass, LPDWORD lpcchClass, LPDWORD lpReserved,
                                LPDWORD lpcSubKeys, LPDWORD lpcbMaxSubKeyLen,
                                LPDWORD lpcbMaxClassLen, LPDWORD lpcValues,
                                LPDWORD lpcbMaxValueNameLen, LPDWORD lpcbMaxValueLen,
                                LPDWORD lpcbSecurityDescriptor, PFILETIME lpftLastWriteTime);

// One value of a RegQueryMultipleValuesW request: the caller names it, the call fills in
// its size in bytes, where its data lies in the caller's buffer, and its type.
struct value_entW
{
    LPWSTR ve_valuename; // null: the key's default value
    DWORD ve_valuelen;
    DWORD_PTR ve_valueptr;
    DWORD ve_type;
};
typedef value_entW VALENTW;
typedef VALENTW* PVALENTW;
// The values' data is laid out back to back, in request order, without padding or added
// terminators. *ldwTotsize is the buffer size in bytes; it receives the total size of all
// values (ERROR_MORE_DATA when the buffer is null or smaller; the entries that fitted are
// filled in, every entry up to the end gets its size). A missing value ends the call with
// ERROR_FILE_NOT_FOUND.
LSTATUS WINAPI RegQueryMultipleValuesW(HKEY hKey, PVALENTW val_list, DWORD num_vals,
                                       LPWSTR lpValueBuf, LPDWORD ldwTotsize);

// ---- Files -----------------------------------------------------------------
#define GENERIC_READ 0x80000000
#define GENERIC_WRITE 0x40000000
#define FILE_SHARE_READ 0x00000001
#define FILE_SHARE_WRITE 0x00000002
#define FILE_SHARE_DELETE 0x00000004
#define CREATE_NEW 1
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define OPEN_ALWAYS 4
#define TRUNCATE_EXISTING 5
#define FILE_ATTRIBUTE_READONLY 0x00000001
#define FILE_ATTRIBUTE_DIRECTORY 0x00000010
#define FILE_ATTRIBUTE_ARCHIVE 0x00000020
#define FILE_ATTRIBUTE_NORMAL 0x00000080
#define INVALID_HANDLE_VALUE ((HANDLE)(LONG_PTR)-1)
#define INVALID_FILE_ATTRIBUTES ((DWORD)-1)
#define INVALID_FILE_SIZE ((DWORD)0xFFFFFFFF)
#define INVALID_SET_FILE_POINTER ((DWORD)-1)
#define FILE_BEGIN 0
#define FILE_CURRENT 1
#define FILE_END 2
#define FILE_FLAG_BACKUP_SEMANTICS 0x02000000
#define DELETE 0x00010000L
#define MOVEFILE_REPLACE_EXISTING 0x00000001
#define MOVEFILE_COPY_ALLOWED 0x00000002
#define MOVEFILE_DELAY_UNTIL_REBOOT 0x00000004
#define MOVEFILE_WRITE_THROUGH 0x00000008
#ifndef ERROR_MOD_NOT_FOUND
#define ERROR_MOD_NOT_FOUND 126L
#endif
#ifndef ERROR_DIRECTORY
#define ERROR_DIRECTORY 267L
#endif
#define ERROR_NOT_SAME_DEVICE 17L
#define ERROR_DISK_FULL 112L

HANDLE WINAPI CreateFileW(LPCWSTR lpFileName, DWORD dwDesiredAccess, DWORD dwShareMode,
                          LPSECURITY_ATTRIBUTES lpSecurityAttributes, DWORD dwCreationDisposition,
                          DWORD dwFlagsAndAttributes, HANDLE hTemplateFile);
BOOL WINAPI WriteFile(HANDLE hFile, LPCVOID lpBuffer, DWORD nNumberOfBytesToWrite,
                      LPDWORD lpNumberOfBytesWritten, LPOVERLAPPED lpOverlapped);
BOOL WINAPI ReadFile(HANDLE hFile, LPVOID lpBuffer, DWORD nNumberOfBytesToRead,
                     LPDWORD lpNumberOfBytesRead, LPOVERLAPPED lpOverlapped);
DWORD WINAPI SetFilePointer(HANDLE hFile, LONG lDistanceToMove, PLONG lpDistanceToMoveHigh,
                            DWORD dwMoveMethod);
DWORD WINAPI GetFileSize(HANDLE hFile, LPDWORD lpFileSizeHigh);
BOOL WINAPI CloseHandle(HANDLE hObject);
BOOL WINAPI CreateDirectoryW(LPCWSTR lpPathName, LPSECURITY_ATTRIBUTES lpSecurityAttributes);
BOOL WINAPI RemoveDirectoryW(LPCWSTR lpPathName);
BOOL WINAPI DeleteFileW(LPCWSTR lpFileName);
DWORD WINAPI GetFileAttributesW(LPCWSTR lpFileName);
BOOL WINAPI SetFileAttributesW(LPCWSTR lpFileName, DWORD dwFileAttributes);

// Opens the source for reading (sharing read, write and delete), then creates or truncates
// the destination; a new destination takes the source's read-only attribute, and the copy
// keeps the source's modification time. A file is not copied onto itself
// (ERROR_SHARING_VIOLATION). A failed copy leaves no partial destination. On success the
// last error is 0.
BOOL WINAPI CopyFileW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, BOOL bFailIfExists);
// Renames a file or directory. With MOVEFILE_REPLACE_EXISTING an existing file (not a
// directory, and not one open anywhere: ERROR_ACCESS_DENIED) is replaced; without it an
// existing name fails with ERROR_ALREADY_EXISTS. A source open without FILE_SHARE_DELETE
// fails with ERROR_SHARING_VIOLATION. A null new name deletes the file. Between file
// systems a file moves only with MOVEFILE_COPY_ALLOWED (else ERROR_NOT_SAME_DEVICE).
// MOVEFILE_DELAY_UNTIL_REBOOT is not supported (ERROR_INVALID_PARAMETER).
BOOL WINAPI MoveFileExW(LPCWSTR lpExistingFileName, LPCWSTR lpNewFileName, DWORD dwFlags);
// The length without the terminator when the directory fits, else the size needed with it
// (the buffer untouched); 0 with the last error on failure.
DWORD WINAPI GetCurrentDirectoryW(DWORD nBufferLength, LPWSTR lpBuffer);

// Directory search. The last component of the pattern may hold the wildcards * and ?
// (matched without regard to ASCII case; "*.*" matches every name); the components before
// it name the folder searched. A folder other than a drive's root lists "." and ".." first,
// then its entries sorted by name. A pattern ending in a backslash, a bare drive ("C:") and
// a pattern that matches nothing fail with ERROR_FILE_NOT_FOUND, a missing folder with
// ERROR_PATH_NOT_FOUND.
#define ERROR_NO_MORE_FILES 18L
struct _FILETIME
{
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};
typedef _FILETIME FILETIME;
struct WIN32_FIND_DATAW
{
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    DWORD dwReserved0;
    DWORD dwReserved1;
    WCHAR cFileName[MAX_PATH];
    WCHAR cAlternateFileName[14];
};
typedef WIN32_FIND_DATAW* LPWIN32_FIND_DATAW;
HANDLE WINAPI FindFirstFileW(LPCWSTR lpFileName, LPWIN32_FIND_DATAW lpFindFileData);
// ERROR_NO_MORE_FILES after the last match.
BOOL WINAPI FindNextFileW(HANDLE hFindFile, LPWIN32_FIND_DATAW lpFindFileData);
// A handle that is not an open search fails with ERROR_INVALID_HANDLE.
BOOL WINAPI FindClose(HANDLE hFindFile);

// ---- Process and environment ----------------------------------------------
// The pseudo handle of the calling process.
HANDLE WINAPI GetCurrentProcess();
// TRUE in *Wow64Process for a 32-bit process on a 64-bit system. The host's process and
// system bitness come from ZEB_HOST_PROCESS_BITS and ZEB_HOST_SYSTEM_BITS (32 or 64;
// default 64 and 64). A 32-bit process on a 64-bit system sees HKLM\Software through
// Wow6432Node unless it asks for KEY_WOW64_64KEY.
BOOL WINAPI IsWow64Process(HANDLE hProcess, PBOOL Wow64Process);

// Replaces each %NAME% whose variable exists (names compare case-insensitively) with its
// value; anything else is copied as it stands. Answers the size of the whole result in
// characters with its terminator (0 on failure). A smaller nSize gets the first
// nSize - 1 characters and a terminator, with ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize);

// The process environment as UTF-16; names compare case-insensitively and never contain "=".
// A value of L characters that fits (nSize > L) is copied with its terminator and L is
// answered; otherwise the buffer is left alone and L + 1 is answered. An empty value answers
// 0 (writing the terminator when nSize > 0). A missing variable answers 0 with
// ERROR_ENVVAR_NOT_FOUND. Success leaves the last error alone.
DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize);
// Sets (or with a null value removes) a variable of the process environment; an existing
// name in another case is replaced. An empty name or one containing "=" fails with
// ERROR_INVALID_PARAMETER.
BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue);

// ---- Windows version, processor and libraries ------------------------------
// The modelled system is configured from the environment, read at every call:
//   ZEB_HOST_WINDOWS_VERSION   "major.minor" or "major.minor.build" GetVersionExW reports
//                              (default 6.1, build 7601, "Service Pack 1"; 5.0, 5.1, 5.2,
//                              6.0 and 6.2 get the build and service pack Wine gives them)
//   ZEB_HOST_GETVERSION_FAILS  "1": every GetVersionExW call fails; "284" or "276": only
//                              calls with that structure size fail (ERROR_INVALID_PARAMETER)
//   ZEB_HOST_PROCESSOR_ARCHITECTURE  the number GetNativeSystemInfo reports (default 9,
//                              PROCESSOR_ARCHITECTURE_AMD64, on a 64-bit system and 0,
//                              PROCESSOR_ARCHITECTURE_INTEL, on a 32-bit one; see
//                              ZEB_HOST_SYSTEM_BITS)
//   ZEB_HOST_ISOS_TRUE         comma-separated IsOS query numbers that answer TRUE; without
//                              it 18 (OS_XPORGREATER) from 5.1, 37 from 6.0 and 30
//                              (OS_WOW6432) for a 32-bit process on a 64-bit system
typedef intptr_t INT_PTR;
typedef char* LPSTR;
typedef const char* LPCSTR;
#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)((WORD)(i)))

#define VER_PLATFORM_WIN32_NT 2
#define VER_NT_WORKSTATION 1
struct OSVERSIONINFOW
{
    DWORD dwOSVersionInfoSize; // 276
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
};
typedef OSVERSIONINFOW* LPOSVERSIONINFOW;
struct OSVERSIONINFOEXW
{
    DWORD dwOSVersionInfoSize; // 284
    DWORD dwMajorVersion;
    DWORD dwMinorVersion;
    DWORD dwBuildNumber;
    DWORD dwPlatformId;
    WCHAR szCSDVersion[128];
    WORD wServicePackMajor;
    WORD wServicePackMinor;
    WORD wSuiteMask;
    BYTE wProductType;
    BYTE wReserved;
};
typedef OSVERSIONINFOEXW* LPOSVERSIONINFOEXW;
// Fills the structure up to the size its first field gives, which must be 276 or 284;
// any other size answers FALSE and leaves the structure and the last error alone.
BOOL WINAPI GetVersionExW(LPOSVERSIONINFOW lpVersionInformation);

#define PROCESSOR_ARCHITECTURE_INTEL 0
#define PROCESSOR_ARCHITECTURE_ARM 5
#define PROCESSOR_ARCHITECTURE_IA64 6
#define PROCESSOR_ARCHITECTURE_AMD64 9
#define PROCESSOR_ARCHITECTURE_IA32_ON_WIN64 10
#define PROCESSOR_ARCHITECTURE_ARM64 12
#define PROCESSOR_ARCHITECTURE_UNKNOWN 0xFFFF
struct SYSTEM_INFO
{
    WORD wProcessorArchitecture;
    WORD wReserved;
    DWORD dwPageSize;
    LPVOID lpMinimumApplicationAddress;
    LPVOID lpMaximumApplicationAddress;
    DWORD_PTR dwActiveProcessorMask;
    DWORD dwNumberOfProcessors;
    DWORD dwProcessorType;
    DWORD dwAllocationGranularity;
    WORD wProcessorLevel;
    WORD wProcessorRevision;
};
typedef SYSTEM_INFO* LPSYSTEM_INFO;
// The processor of the system as a whole, whatever the bitness of the process.
void WINAPI GetNativeSystemInfo(LPSYSTEM_INFO lpSystemInfo);

// "C:\windows\system32", as Wine answers for 64-bit and WoW64 processes alike. A buffer of
// more than 19 characters gets the text and 19 is answered; otherwise it is left alone and
// 20 (the size it needs) is answered.
UINT WINAPI GetSystemDirectoryW(LPWSTR lpBuffer, UINT uSize);

// The one library the host knows is the shell library, by its bare name ("shlwapi" or
// "shlwapi.dll") or by its path in the system directory, in any case; it exports IsOS by
// ordinal 437 and by name. Anything else fails with ERROR_MOD_NOT_FOUND. Every successful
// load holds a reference until FreeLibrary.
typedef INT_PTR(WINAPI* FARPROC)();
HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
// A missing export, or a module that is not loaded, fails with ERROR_PROC_NOT_FOUND.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// Fails with ERROR_INVALID_HANDLE for a module that holds no reference.
BOOL WINAPI FreeLibrary(HMODULE hLibModule);

// ---- Shell folders ---------------------------------------------------------
typedef LONG HRESULT;
#define S_OK ((HRESULT)0L)
#define S_FALSE ((HRESULT)1L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define CSIDL_COMMON_APPDATA 0x0023
#define CSIDL_FLAG_CREATE 0x8000
#define SHGFP_TYPE_CURRENT 0
#define SHGFP_TYPE_DEFAULT 1
// Only the common application-data folder exists: "C:\ProgramData", where Wine places it,
// made in the prefix when it is missing (E_FAIL when it cannot be). Any other folder
// answers E_INVALIDARG. The window and the token are ignored.
HRESULT WINAPI SHGetFolderPathW(HWND hwnd, int csidl, HANDLE hToken, DWORD dwFlags, LPWSTR pszPath);

// ---- Profile (INI) files ---------------------------------------------------
// The private-profile functions as Wine 8 has them. Every call reads the file afresh; a
// write that changes something rewrites it whole: lines trimmed, blank lines dropped,
// comments (lines starting with ";") kept where they stood, CR LF line ends. A file that
// starts with a UTF-16LE, UTF-16BE or UTF-8 byte-order mark keeps that encoding; any other
// file, and a new one, is ANSI (code page 1252; other characters become a best-fit letter
// or "?"). Section and key names are compared trimmed and without regard to ASCII case, and
// the first of duplicates counts. A file name without a backslash lies in C:\windows. A
// missing file reads as an empty one (with the open's error as the last error).
//
// Short buffers: a value gets size - 1 characters and answers their count; a list (the
// entries of a section, the keys of a section, the section names) that does not fit whole
// with its final terminator is cut to size - 2 units and answers size - 2.
UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault,
                                  LPCWSTR lpFileName);
// A null section lists the section names, a null key the keys that have values.
DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                      LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName);
DWORD WINAPI GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                       LPCWSTR lpFileName);
DWORD WINAPI GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize,
                                            LPCWSTR lpFileName);
// A null key deletes the section, a null value the key.
BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                       LPCWSTR lpFileName);
// Replaces the section's entries by the "key=value" strings of a double-NUL-terminated list
// (strings without "=" are skipped); a null list deletes the section.
BOOL WINAPI WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName);

// ---- Process token and privileges -----------------------------------------
// The host process has one token. It holds the privileges of an elevated administrator
// (SeBackupPrivilege, SeRestorePrivilege, SeShutdownPrivilege and the like, not
// SeCreateTokenPrivilege or SeLockMemoryPrivilege), or the comma-separated names in
// ZEB_HOST_TOKEN_PRIVILEGES; only SeChangeNotifyPrivilege, SeLoadDriverPrivilege,
// SeImpersonatePrivilege and SeCreateGlobalPrivilege start enabled.
typedef HANDLE* PHANDLE;
struct _LUID
{
    DWORD LowPart;
    LONG HighPart;
};
typedef _LUID LUID;
typedef LUID* PLUID;
struct _LUID_AND_ATTRIBUTES
{
    LUID Luid;
    DWORD Attributes;
};
typedef _LUID_AND_ATTRIBUTES LUID_AND_ATTRIBUTES;
struct _TOKEN_PRIVILEGES
{
    DWORD PrivilegeCount;
    LUID_AND_ATTRIBUTES Privileges[1];
};
typedef _TOKEN_PRIVILEGES TOKEN_PRIVILEGES;
typedef TOKEN_PRIVILEGES* PTOKEN_PRIVILEGES;
enum TOKEN_INFORMATION_CLASS
{
    TokenUser = 1,
    TokenGroups,
    TokenPrivileges
};
#define TOKEN_QUERY 0x0008
#define TOKEN_ADJUST_PRIVILEGES 0x0020
#define SE_PRIVILEGE_ENABLED_BY_DEFAULT 0x00000001L
#define SE_PRIVILEGE_ENABLED 0x00000002L
#define SE_PRIVILEGE_REMOVED 0x00000004L
#define ERROR_NOT_ALL_ASSIGNED 1300L
#define ERROR_NO_SUCH_PRIVILEGE 1313L
// Only the current process's pseudo handle can be opened. The handle is closed by
// CloseHandle.
BOOL WINAPI OpenProcessToken(HANDLE ProcessHandle, DWORD DesiredAccess, PHANDLE TokenHandle);
// The system name must be null or empty; names are compared without regard to case;
// an unknown name fails with ERROR_NO_SUCH_PRIVILEGE.
BOOL WINAPI LookupPrivilegeValueW(LPCWSTR lpSystemName, LPCWSTR lpName, PLUID lpLuid);
// Needs TOKEN_ADJUST_PRIVILEGES (ERROR_ACCESS_DENIED). Succeeds with the last error
// ERROR_NOT_ALL_ASSIGNED when the token lacks one of the privileges of the set (the others
// are changed), else with 0. PreviousState, when given, receives the earlier state of the
// privileges changed.
BOOL WINAPI AdjustTokenPrivileges(HANDLE TokenHandle, BOOL DisableAllPrivileges,
                                  PTOKEN_PRIVILEGES NewState, DWORD BufferLength,
                                  PTOKEN_PRIVILEGES PreviousState, LPDWORD ReturnLength);
// Only TokenPrivileges; needs TOKEN_QUERY.
BOOL WINAPI GetTokenInformation(HANDLE TokenHandle, TOKEN_INFORMATION_CLASS TokenInformationClass,
                                LPVOID TokenInformation, DWORD TokenInformationLength,
                                LPDWORD ReturnLength);

// ---- C runtime -------------------------------------------------------------
// Local time in the C runtime's ctime form ("Wed Dec 09 13:05:07 2026\n"),
// two-digit day; the text lives in a static buffer as in the C runtime.
WCHAR* _wctime(const time_t* timer);
