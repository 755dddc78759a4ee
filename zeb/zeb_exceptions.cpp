#include "zeb_exceptions.h"

namespace
{
const int nNoCode = -1;
}

// ---- Bases ----

CZEBLogWarning::CZEBLogWarning(const CZEBMessageFormat& format, int nResultValue, int nResultKind,
                               LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile,
                               int nLine, WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy)
    : CZEBDetailedLog(LS_WARNING, format, nResultValue, nResultKind, szClassName, szMethodName,
                      szSourceFile, nLine, bLogNow, bLogOnDestroy, usOutputTypes)
{
}

CZEBLogException1::CZEBLogException1(const CZEBMessageFormat& format, int nResultValue,
                                     int nResultKind, LPCWSTR szClassName, LPCWSTR szMethodName,
                                     LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,
                                     bool bLogNow, bool bLogOnDestroy)
    : CZEBDetailedLog(LS_EXCEPTION_BAD, format, nResultValue, nResultKind, szClassName,
                      szMethodName, szSourceFile, nLine, bLogNow, bLogOnDestroy, usOutputTypes)
{
}

// A free message is an insert, never a format: a "%s" in it is text, and it is cut at 1023
// characters like every formatted message.
CZEBLogException1::CZEBLogException1(LPCWSTR szMessage, int nCode, LPCWSTR szSourceFile, int nLine)
    : CZEBDetailedLog(LS_EXCEPTION_BAD, {ZEB_W("%s"), szMessage, nullptr}, nCode, RESULT_ERROR_CODE,
                      nullptr, nullptr, szSourceFile, nLine, true, false, OUTPUT_TEXT)
{
}

CZEBLogDebug::CZEBLogDebug(LPCWSTR szMessage)
    : CZEBDetailedLog(LS_DEBUG, {ZEB_W("%s"), szMessage, nullptr}, 0, RESULT_PASS_FAIL, nullptr,
                      nullptr, nullptr, 0, true, false, OUTPUT_TEXT)
{
}

// ---- General code ----

CZEBUnhandledExceptionException::CZEBUnhandledExceptionException(int nCode, LPCWSTR szSourceFile,
                                                                 int nLine, WORD usOutputTypes,
                                                                 bool bLogNow, bool bLogOnDestroy)
    : CZEBLogException1({ZEB_W("An unhandled exception occurred"), nullptr, nullptr}, nCode,
                        RESULT_ERROR_CODE, nullptr, nullptr, szSourceFile, nLine, usOutputTypes,
                        bLogNow, bLogOnDestroy)
{
}

CZEBBadArgException::CZEBBadArgException(LPCWSTR szArgument, LPCWSTR szProblem,
                                         LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,
                                         bool bLogNow, bool bLogOnDestroy)
    : CZEBLogException1({ZEB_W("A bad argument was provided ( %s ). %s"), szArgument, szProblem}, 0,
                        RESULT_ERROR_CODE, nullptr, nullptr, szSourceFile, nLine, usOutputTypes,
                        bLogNow, bLogOnDestroy)
{
}

CZEBMemAllocException::CZEBMemAllocException(LPCWSTR szVariable, LPCWSTR szSourceFile, int nLine,
                                             WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy)
    : CZEBLogException1({ZEB_W("Unable to allocate memory ( %s )"), szVariable, nullptr}, nNoCode,
                        RESULT_ERROR_CODE, nullptr, nullptr, szSourceFile, nLine, usOutputTypes,
                        bLogNow, bLogOnDestroy)
{
}

CZEBMemoryCopyException::CZEBMemoryCopyException(int nCode, LPCWSTR szSourceFile, int nLine,
                                                 bool bLogOnDestroy)
    : CZEBLogException1({ZEB_W("memcpy() function failed"), nullptr, nullptr}, nCode,
                        RESULT_ERROR_CODE, nullptr, nullptr, szSourceFile, nLine, OUTPUT_TEXT,
                        false, bLogOnDestroy)
{
}

CZEBBufferInitException::CZEBBufferInitException(LPCWSTR szSourceFile, int nLine,
                                                 bool bLogOnDestroy)
    : CZEBLogException1({ZEB_W("Unable to initialize CZEBBuffer"), nullptr, nullptr}, nNoCode,
                        RESULT_ERROR_CODE, nullptr, nullptr, szSourceFile, nLine, OUTPUT_TEXT,
                        false, bLogOnDestroy)
{
}

// Exceptions with a fixed text that are written when built.
#define ZEB_DEFINE_FIXED_EXCEPTION(Name, Text)                                                     \
    Name::Name(LPCWSTR szSourceFile, int nLine)                                                    \
        : CZEBLogException1({ZEB_W(Text), nullptr, nullptr}, nNoCode, RESULT_ERROR_CODE, nullptr,  \
                            nullptr, szSourceFile, nLine, OUTPUT_TEXT, true, false)                \
    {                                                                                              \
    }
ZEB_DEFINE_FIXED_EXCEPTION(CZEBIndexOutOfBoundsException, "Index out of array bounds")
ZEB_DEFINE_FIXED_EXCEPTION(CZEBUnknownVariableNameException,
                           "The environment variable name has not been initialized")
ZEB_DEFINE_FIXED_EXCEPTION(CZEBDirectoryInitException, "CZEBDirectory object failed to initialize")
ZEB_DEFINE_FIXED_EXCEPTION(CZEBWindowsOSInfoInitNeededException,
                           "CZEBWindowsOSInfo construction failed. Cannot call member functions.")
#undef ZEB_DEFINE_FIXED_EXCEPTION

// ---- Registry ----

CZEBRegKeyInitException::CZEBRegKeyInitException(LPCWSTR szSourceFile, int nLine,
                                                 WORD usOutputTypes, bool bLogNow,
                                                 bool bLogOnDestroy)
    : CZEBLogException1({ZEB_W("CZEBRegistryKey object failed to initialize"), nullptr, nullptr},
                        nNoCode, RESULT_ERROR_CODE, nullptr, nullptr, szSourceFile, nLine,
                        usOutputTypes, bLogNow, bLogOnDestroy)
{
}

#define ZEB_DEFINE_KEY_EXCEPTION(Name, Text, Kind)                                                 \
    Name::Name(LPCWSTR szKeyPath, int nCode, LPCWSTR szClassName, LPCWSTR szMethodName,            \
               LPCWSTR szSourceFile, int nLine, WORD usOutputTypes, bool bLogNow,                  \
               bool bLogOnDestroy)                                                                 \
        : CZEBLogException1({ZEB_W(Text), szKeyPath, nullptr}, nCode, Kind, szClassName,           \
                            szMethodName, szSourceFile, nLine, usOutputTypes, bLogNow,             \
                            bLogOnDestroy)                                                         \
    {                                                                                              \
    }
ZEB_DEFINE_KEY_EXCEPTION(CZEBRegEnumKeyException, "Unable to enumerate subkeys from key ( \"%s\" )",
                         RESULT_ERROR_CODE)
ZEB_DEFINE_KEY_EXCEPTION(CZEBRegEnumValueException,
                         "Unable to enumerate values from key ( \"%s\" )", RESULT_ERROR_CODE)
ZEB_DEFINE_KEY_EXCEPTION(CZEBRegKeyCreateException, "Unable to create registry key ( \"%s\" )",
                         RESULT_PASS_FAIL)
ZEB_DEFINE_KEY_EXCEPTION(CZEBRegSaveKeyException, "Unable to save registry key ( \"%s\" )",
                         RESULT_PASS_FAIL)
ZEB_DEFINE_KEY_EXCEPTION(CZEBRegRestoreKeyException, "Unable to load registry key ( \"%s\" )",
                         RESULT_PASS_FAIL)
#undef ZEB_DEFINE_KEY_EXCEPTION

#define ZEB_DEFINE_KEY_QUERY_EXCEPTION(Name, Text)                                                 \
    Name::Name(LPCWSTR szKeyPath, int nCode, LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,  \
               bool bLogNow, bool bLogOnDestroy)                                                   \
        : CZEBLogException1({ZEB_W(Text), szKeyPath, nullptr}, nCode, RESULT_PASS_FAIL, nullptr,   \
                            nullptr, szSourceFile, nLine, usOutputTypes, bLogNow, bLogOnDestroy)   \
    {                                                                                              \
    }
ZEB_DEFINE_KEY_QUERY_EXCEPTION(CZEBRegQueryInfoKeyException,
                               "Unable to query info on registry key ( \"%s\" )")
ZEB_DEFINE_KEY_QUERY_EXCEPTION(CZEBRegQueryMultipleValuesException,
                               "Unable to query multiple values from registry key ( \"%s\" )")
#undef ZEB_DEFINE_KEY_QUERY_EXCEPTION

CZEBRegValueSetException::CZEBRegValueSetException(LPCWSTR szKeyPath, LPCWSTR szValueName,
                                                   int nCode, LPCWSTR szClassName,
                                                   LPCWSTR szMethodName, LPCWSTR szSourceFile,
                                                   int nLine, WORD usOutputTypes, bool bLogNow,
                                                   bool bLogOnDestroy)
    : CZEBLogException1(
          {ZEB_W("Unable to Set registry value ( \"%s\\%s\" )"), szKeyPath, szValueName}, nCode,
          RESULT_PASS_FAIL, szClassName, szMethodName, szSourceFile, nLine, usOutputTypes, bLogNow,
          bLogOnDestroy)
{
}

CZEBRegCloseKeyWarning::CZEBRegCloseKeyWarning(LPCWSTR szKeyPath, int nCode, LPCWSTR szClassName,
                                               LPCWSTR szMethodName, LPCWSTR szSourceFile,
                                               int nLine, WORD usOutputTypes, bool bLogNow,
                                               bool bLogOnDestroy)
    : CZEBLogWarning({ZEB_W("Unable to close registry key ( %s )"), szKeyPath, nullptr}, nCode,
                     RESULT_ERROR_CODE, szClassName, szMethodName, szSourceFile, nLine,
                     usOutputTypes, bLogNow, bLogOnDestroy)
{
}

#define ZEB_DEFINE_KEY_STATE_WARNING(Name, Text)                                                   \
    Name::Name(LPCWSTR szKeyPath, LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile, \
               int nLine, WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy)                    \
        : CZEBLogWarning({ZEB_W(Text), szKeyPath, nullptr}, nNoCode, RESULT_PASS_FAIL,             \
                         szClassName, szMethodName, szSourceFile, nLine, usOutputTypes, bLogNow,   \
                         bLogOnDestroy)                                                            \
    {                                                                                              \
    }
ZEB_DEFINE_KEY_STATE_WARNING(CZEBRegKeyAlreadyClosedWarning,
                             "Registry key is already closed ( %s )")
ZEB_DEFINE_KEY_STATE_WARNING(CZEBRegKeyAlreadyOpenWarning, "Registry key is already open ( %s )")
#undef ZEB_DEFINE_KEY_STATE_WARNING

// ---- Process token, handles and profiles ----

#define ZEB_DEFINE_HANDLE_EXCEPTION(Name, Base, Text)                                              \
    Name::Name(LPCWSTR szInsert, int nCode, LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,   \
               bool bLogNow)                                                                       \
        : Base({ZEB_W(Text), szInsert, nullptr}, nCode, RESULT_ERROR_CODE, nullptr, nullptr,       \
               szSourceFile, nLine, usOutputTypes, bLogNow, false)                                 \
    {                                                                                              \
    }
ZEB_DEFINE_HANDLE_EXCEPTION(CZEBOpenProcessTokenException, CZEBLogException1,
                            "OpenProcessToken call failed for handle:%s")
ZEB_DEFINE_HANDLE_EXCEPTION(CZEBLookupPrivilegeValueException, CZEBLogException1,
                            "LookupPrivilegeValue call failed for privilege:%s")
ZEB_DEFINE_HANDLE_EXCEPTION(CZEBAdjustTokenPrivilegesException, CZEBLogException1,
                            "AdjustTokenPrivileges call failed for handle:%s")
ZEB_DEFINE_HANDLE_EXCEPTION(CCloseHandleWarning, CZEBLogWarning, "Unable to free memory ( %s )")
#undef ZEB_DEFINE_HANDLE_EXCEPTION

CZEBWritePrivateProfileStringException::CZEBWritePrivateProfileStringException(
    LPCWSTR szSection, LPCWSTR szKeyName, int nCode, LPCWSTR szSourceFile, int nLine,
    WORD usOutputTypes, bool bLogNow)
    : CZEBLogException1({ZEB_W("Unable to write profile string ( section: %s, key name: %s )"),
                         szSection, szKeyName},
                        nCode, RESULT_ERROR_CODE, nullptr, nullptr, szSourceFile, nLine,
                        usOutputTypes, bLogNow, false)
{
}

CZEBWritePrivateProfileSectionException::CZEBWritePrivateProfileSectionException(
    LPCWSTR szSection, int nCode, LPCWSTR szSourceFile, int nLine, WORD usOutputTypes, bool bLogNow)
    : CZEBLogException1(
          {ZEB_W("Unable to write profile section ( section: %s )"), szSection, nullptr}, nCode,
          RESULT_ERROR_CODE, nullptr, nullptr, szSourceFile, nLine, usOutputTypes, bLogNow, false)
{
}

// ---- Warnings ----

CMemDestroyFailWarning::CMemDestroyFailWarning(LPCWSTR szVariable, LPCWSTR szSourceFile, int nLine,
                                               WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy)
    : CZEBLogWarning({ZEB_W("Unable to free memory ( %s )"), szVariable, nullptr}, nNoCode,
                     RESULT_ERROR_CODE, nullptr, nullptr, szSourceFile, nLine, usOutputTypes,
                     bLogNow, bLogOnDestroy)
{
}

CZEBGetPolicySettingWarning::CZEBGetPolicySettingWarning(int nSettingId, LPCWSTR szSourceFile,
                                                         int nLine, WORD usOutputTypes,
                                                         bool bLogNow, bool bLogOnDestroy)
    : CZEBLogWarning({nullptr, nullptr, nullptr}, 0, RESULT_ERROR_CODE, nullptr, nullptr,
                     szSourceFile, nLine, usOutputTypes, false, bLogOnDestroy)
{
    formatMessage(ZEB_W("Could not find policy setting with ID ( %d )"), nSettingId);
    if (bLogNow)
        log();
}

// The storage-path exception explains its code in a second insert.
CZEBSIgetStoragePathException::CZEBSIgetStoragePathException(
    LPCWSTR szFolder, int nCode, LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile,
    int nLine, WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy)
    : CZEBLogException1({nullptr, nullptr, nullptr}, nCode, RESULT_ERROR_CODE, szClassName,
                        szMethodName, szSourceFile, nLine, usOutputTypes, false, bLogOnDestroy)
{
    WCHAR szReason[64] = {0};
    const unsigned uCode = static_cast<unsigned>(nCode);
    if (uCode == 1 || uCode == 0x80004005u)
        wsprintfW(szReason, ZEB_W("Path does not exist."));
    else if (uCode == 0x80070057u)
        wsprintfW(szReason, ZEB_W("Shell folder does not exist."));
    else
        wsprintfW(szReason, ZEB_W("Shell folder error %d."), nCode);
    formatMessage(ZEB_W("Unable to obtain Windows shell folder path for folder ( \"%s\" ).  %s"),
                  szFolder ? szFolder : ZEB_W("Unknown"), szReason);
    if (bLogNow)
        log();
}
