// The library's exception and warning classes. Each is a log record: it is built with its
// severity, formatted message, code and raising place, and writes itself when built (now)
// and/or when destroyed (destroy). Thrown by value, caught by reference.
#pragma once

#include "zeb_logging.h"

// Base of all warnings (severity "WARNING").
class CZEBLogWarning : public CZEBDetailedLog
{
public:
    CZEBLogWarning(const CZEBMessageFormat& format, int nResultValue, int nResultKind,
                   LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile, int nLine,
                   WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy);
};

// Base of all exceptions (severity "EXCEPTION_BAD"); also raised itself with a free message.
class CZEBLogException1 : public CZEBDetailedLog
{
public:
    CZEBLogException1(LPCWSTR szMessage, int nCode, LPCWSTR szSourceFile, int nLine);

protected:
    CZEBLogException1(const CZEBMessageFormat& format, int nResultValue, int nResultKind,
                      LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile, int nLine,
                      WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy);
};

// A debug note (severity "DEBUG"), written when built.
class CZEBLogDebug : public CZEBDetailedLog
{
public:
    explicit CZEBLogDebug(LPCWSTR szMessage);
};

// ---- Exceptions of general code ----

class CZEBUnhandledExceptionException : public CZEBLogException1
{
public:
    CZEBUnhandledExceptionException(int nCode, LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,
                                    bool bLogNow, bool bLogOnDestroy);
};

class CZEBBadArgException : public CZEBLogException1
{
public:
    CZEBBadArgException(LPCWSTR szArgument, LPCWSTR szProblem, LPCWSTR szSourceFile, int nLine,
                        WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy);
};

class CZEBMemAllocException : public CZEBLogException1
{
public:
    CZEBMemAllocException(LPCWSTR szVariable, LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,
                          bool bLogNow, bool bLogOnDestroy);
};

// Never written when built; raised with destroy set, so a handler and the destruction
// each write it once.
class CZEBMemoryCopyException : public CZEBLogException1
{
public:
    CZEBMemoryCopyException(int nCode, LPCWSTR szSourceFile, int nLine, bool bLogOnDestroy);
};

// Never written when built; thrown by constructors that cannot complete.
class CZEBBufferInitException : public CZEBLogException1
{
public:
    CZEBBufferInitException(LPCWSTR szSourceFile, int nLine, bool bLogOnDestroy);
};

class CZEBIndexOutOfBoundsException : public CZEBLogException1
{
public:
    CZEBIndexOutOfBoundsException(LPCWSTR szSourceFile, int nLine);
};

class CZEBUnknownVariableNameException : public CZEBLogException1
{
public:
    CZEBUnknownVariableNameException(LPCWSTR szSourceFile, int nLine);
};

class CZEBDirectoryInitException : public CZEBLogException1
{
public:
    CZEBDirectoryInitException(LPCWSTR szSourceFile, int nLine);
};

class CZEBWindowsOSInfoInitNeededException : public CZEBLogException1
{
public:
    CZEBWindowsOSInfoInitNeededException(LPCWSTR szSourceFile, int nLine);
};

// ---- Registry ----

class CZEBRegKeyInitException : public CZEBLogException1
{
public:
    CZEBRegKeyInitException(LPCWSTR szSourceFile, int nLine, WORD usOutputTypes, bool bLogNow,
                            bool bLogOnDestroy);
};

// Exceptions about one key that name the raising class and method.
#define ZEB_DECLARE_KEY_EXCEPTION(Name)                                                            \
    class Name : public CZEBLogException1                                                          \
    {                                                                                              \
    public:                                                                                        \
        Name(LPCWSTR szKeyPath, int nCode, LPCWSTR szClassName, LPCWSTR szMethodName,              \
             LPCWSTR szSourceFile, int nLine, WORD usOutputTypes, bool bLogNow,                    \
             bool bLogOnDestroy);                                                                  \
    }
ZEB_DECLARE_KEY_EXCEPTION(CZEBRegEnumKeyException);
ZEB_DECLARE_KEY_EXCEPTION(CZEBRegEnumValueException);
ZEB_DECLARE_KEY_EXCEPTION(CZEBRegKeyCreateException);
ZEB_DECLARE_KEY_EXCEPTION(CZEBRegSaveKeyException);
ZEB_DECLARE_KEY_EXCEPTION(CZEBRegRestoreKeyException);
ZEB_DECLARE_KEY_EXCEPTION(CZEBSIgetStoragePathException);
#undef ZEB_DECLARE_KEY_EXCEPTION

// Exceptions about one key without class and method.
#define ZEB_DECLARE_KEY_QUERY_EXCEPTION(Name)                                                      \
    class Name : public CZEBLogException1                                                          \
    {                                                                                              \
    public:                                                                                        \
        Name(LPCWSTR szKeyPath, int nCode, LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,    \
             bool bLogNow, bool bLogOnDestroy);                                                    \
    }
ZEB_DECLARE_KEY_QUERY_EXCEPTION(CZEBRegQueryInfoKeyException);
ZEB_DECLARE_KEY_QUERY_EXCEPTION(CZEBRegQueryMultipleValuesException);
#undef ZEB_DECLARE_KEY_QUERY_EXCEPTION

class CZEBRegValueSetException : public CZEBLogException1
{
public:
    CZEBRegValueSetException(LPCWSTR szKeyPath, LPCWSTR szValueName, int nCode, LPCWSTR szClassName,
                             LPCWSTR szMethodName, LPCWSTR szSourceFile, int nLine,
                             WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy);
};

class CZEBRegCloseKeyWarning : public CZEBLogWarning
{
public:
    CZEBRegCloseKeyWarning(LPCWSTR szKeyPath, int nCode, LPCWSTR szClassName, LPCWSTR szMethodName,
                           LPCWSTR szSourceFile, int nLine, WORD usOutputTypes, bool bLogNow,
                           bool bLogOnDestroy);
};

#define ZEB_DECLARE_KEY_STATE_WARNING(Name)                                                        \
    class Name : public CZEBLogWarning                                                             \
    {                                                                                              \
    public:                                                                                        \
        Name(LPCWSTR szKeyPath, LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile,   \
             int nLine, WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy);                     \
    }
ZEB_DECLARE_KEY_STATE_WARNING(CZEBRegKeyAlreadyClosedWarning);
ZEB_DECLARE_KEY_STATE_WARNING(CZEBRegKeyAlreadyOpenWarning);
#undef ZEB_DECLARE_KEY_STATE_WARNING

// ---- Process token, handles and profiles (never written at destruction) ----

#define ZEB_DECLARE_HANDLE_EXCEPTION(Name, Base)                                                   \
    class Name : public Base                                                                       \
    {                                                                                              \
    public:                                                                                        \
        Name(LPCWSTR szInsert, int nCode, LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,     \
             bool bLogNow);                                                                        \
    }
ZEB_DECLARE_HANDLE_EXCEPTION(CZEBOpenProcessTokenException, CZEBLogException1);
ZEB_DECLARE_HANDLE_EXCEPTION(CZEBLookupPrivilegeValueException, CZEBLogException1);
ZEB_DECLARE_HANDLE_EXCEPTION(CZEBAdjustTokenPrivilegesException, CZEBLogException1);
ZEB_DECLARE_HANDLE_EXCEPTION(CCloseHandleWarning, CZEBLogWarning);
#undef ZEB_DECLARE_HANDLE_EXCEPTION

class CZEBWritePrivateProfileStringException : public CZEBLogException1
{
public:
    CZEBWritePrivateProfileStringException(LPCWSTR szSection, LPCWSTR szKeyName, int nCode,
                                           LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,
                                           bool bLogNow);
};

class CZEBWritePrivateProfileSectionException : public CZEBLogException1
{
public:
    CZEBWritePrivateProfileSectionException(LPCWSTR szSection, int nCode, LPCWSTR szSourceFile,
                                            int nLine, WORD usOutputTypes, bool bLogNow);
};

// ---- Warnings ----

class CMemDestroyFailWarning : public CZEBLogWarning
{
public:
    CMemDestroyFailWarning(LPCWSTR szVariable, LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,
                           bool bLogNow, bool bLogOnDestroy);
};

class CZEBGetPolicySettingWarning : public CZEBLogWarning
{
public:
    CZEBGetPolicySettingWarning(int nSettingId, LPCWSTR szSourceFile, int nLine, WORD usOutputTypes,
                                bool bLogNow, bool bLogOnDestroy);
};
