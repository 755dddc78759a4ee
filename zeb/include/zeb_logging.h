// Log records, the logging configuration read from the registry, the filter and the
// dispatcher. Every diagnostic of the library is a record object: traces, debug notes,
// warnings and exceptions alike. Nothing here throws, and writing a record never changes
// the thread's last-error value.
#pragma once

#include "zeb_platform.h"

// Severity of a record: single bits, so that a detail mask can select any set of them.
enum LogSeverity
{
    LS_UNSPECIFIED = 0,
    LS_CRITICAL = 1,
    LS_EXCEPTION_BAD = 2,
    LS_EXCEPTION_OK = 4,
    LS_ERROR = 8,
    LS_WARNING = 16,
    LS_DEBUG = 32,
    LS_INFORMATION = 64,
    LS_NOTIFICATION = 128,
    LS_ENTRY = 256,
    LS_EXIT = 512,
    LS_SUCCESS = 1024,
    LS_FAILURE = 2048
};

// How a record's result value is to be read.
enum ResultKind
{
    RESULT_ERROR_CODE = 0, // a system or library error code; 0 and -1 mean none
    RESULT_PASS_FAIL = 1,  // non-zero = the operation passed
    RESULT_LOGICAL = 2,    // the truth value a predicate returned
    RESULT_RETURN_CODE = 3 // a numeric return code, always shown
};

// Where a record goes (16-bit set).
enum OutputType
{
    OUTPUT_TEXT = 1,
    OUTPUT_XML = 2,
    OUTPUT_SERVER = 4,
    OUTPUT_HTML = 8,
    OUTPUT_NONE = 16,
    OUTPUT_UNKNOWN = 32
};

// Exit filters of the detail mask, applied to "EXIT" records only.
enum LogExitFilter
{
    LEF_ERROR_CODE_NONZERO = 0x1000,
    LEF_PASS_FAIL_FAILED = 0x2000,
    LEF_LOGICAL_FALSE = 0x4000
};

// The name written for a severity; anything outside the table is "UNSPECIFIED".
LPCWSTR zebSeverityName(int nSeverity);

// What is known about one event. Owns its strings (heap copies, zeroed before release).
struct CZEBLogRecord
{
    int m_nSeverity = LS_UNSPECIFIED;
    LPWSTR m_szMessage = nullptr;
    LPWSTR m_szModuleName = nullptr;
    LPWSTR m_szOutputPath = nullptr;
    int m_nResultKind = RESULT_PASS_FAIL;
    int m_nResultValue = 0;
    LPWSTR m_szClassName = nullptr;
    LPWSTR m_szMethodName = nullptr;
    LPWSTR m_szSourceFile = nullptr;
    int m_nLine = 0;

    CZEBLogRecord() = default;
    CZEBLogRecord(const CZEBLogRecord& other);
    CZEBLogRecord& operator=(const CZEBLogRecord& other);
    ~CZEBLogRecord();

    // Sets one string field: the previous copy is released; a null source leaves the field
    // null (true); an empty source leaves it null (false); otherwise the field becomes a copy.
    // An allocation failure leaves the field null (false).
    static bool setString(LPWSTR& szField, LPCWSTR szSource);
};

// Stateless reader of the logging configuration under HKEY_LOCAL_MACHINE
// "SOFTWARE\Kelbix\Logs". Each operation opens and closes the key itself and answers
// false (or 0) when a value cannot be read. Text values are read into fixed buffers; a
// text longer than its buffer, or one that fills it without a terminator, is not read.
class CZEBLogConfig
{
public:
    bool isLoggingEnabled() const;
    WORD getLogDetail() const;
    bool hasModuleSettings(LPCWSTR szModuleName) const;
    WORD getModuleOutputTypes(LPCWSTR szModuleName) const;
    WORD getModuleLogDetail(LPCWSTR szModuleName) const;
    // Reads the destination of one output type into szBuffer (cbSize bytes).
    bool getOutputPath(WORD usOutputType, LPWSTR szBuffer, DWORD cbSize) const;
    // Answer whether the list value is present; bListed says whether the class occurs in it.
    bool isObjectAllowed(LPCWSTR szClassName, bool& bListed) const;
    bool isObjectExcluded(LPCWSTR szClassName, bool& bListed) const;
    // Reads both fields of the module value; false when it is absent, unreadable or has no
    // comma (a value without a comma is not a well-formed setting and is ignored).
    bool readModuleSettings(LPCWSTR szModuleName, WORD& usOutputTypes, WORD& usLogDetail) const;

private:
    bool isObjectListed(LPCWSTR szValueName, LPCWSTR szClassName, bool& bListed) const;
};

struct CZEBLogRecord;

// Hands a record to the output of each selected bit.
class CZEBLogDispatcher
{
public:
    // Bits in the order 1, 2, 8, 4, 32; the result is that of the last output called,
    // false when none is selected.
    bool dispatch(WORD usOutputTypes, CZEBLogRecord& record) const;
};

// Abstract base of every record object.
class CZEBLogging
{
public:
    CZEBLogging(WORD usOutputTypes, bool bLogOnDestroy);
    CZEBLogging(const CZEBLogging& other) = default;
    virtual ~CZEBLogging() = default;
    // Filters and writes the record now; answers whether an output wrote it.
    virtual bool log() = 0;

    bool m_bLogOnDestroy;
    WORD m_usOutputTypes;
    WORD m_usLogDetail;
    bool m_bLogged;
    CZEBLogConfig m_config;
    CZEBLogDispatcher m_outputs;

protected:
    CZEBLogging& operator=(const CZEBLogging&) = default;
};

// The concrete record object; every exception and warning derives from it.
class CZEBDetailedLog : public CZEBLogging
{
public:
    CZEBDetailedLog(int nSeverity, LPCWSTR szMessage, int nResultValue, int nResultKind,
                    LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile, int nLine,
                    bool bLogNow, bool bLogOnDestroy, WORD usOutputTypes, LPCWSTR szModuleName,
                    LPCWSTR szOutputPath);
    CZEBDetailedLog(const CZEBDetailedLog& other);
    // Writes the record once more when log-on-destroy is set, whatever m_bLogged says.
    ~CZEBDetailedLog() override;
    bool log() override;

    // The filter: severity and module settings, then the object lists.
    bool isLevelEnabled(CZEBLogRecord& record);
    bool isLoggable(CZEBLogRecord& record);

    CZEBLogRecord m_record;

protected:
    // What an exception or warning formats into its message: a wsprintfW format and up to
    // two text inserts (an absent insert is written "Unknown").
    struct CZEBMessageFormat
    {
        LPCWSTR szFormat;
        LPCWSTR szInsert1;
        LPCWSTR szInsert2;
    };
    // Records everything, formats the message, then writes the record when bLogNow is set.
    CZEBDetailedLog(int nSeverity, const CZEBMessageFormat& format, int nResultValue,
                    int nResultKind, LPCWSTR szClassName, LPCWSTR szMethodName,
                    LPCWSTR szSourceFile, int nLine, bool bLogNow, bool bLogOnDestroy,
                    WORD usOutputTypes);
    // Replaces the message with the format filled by wsprintfW (1024 characters at most).
    void formatMessage(LPCWSTR szFormat, ...);
    CZEBDetailedLog& operator=(const CZEBDetailedLog&) = delete;
};

// The record a traced method writes at entry ("ENTRY") and again when deleted ("EXIT").
class _CZEBLogEntry : public CZEBDetailedLog
{
public:
    _CZEBLogEntry(LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile, int nLine,
                  WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy);
    ~_CZEBLogEntry() override;
};

// Computes the running program's module name (its file name without folder and extension)
// into szName (cchName units). False when the program's full path has 128 characters or
// more, or the name is empty.
bool zebGetModuleName(LPWSTR szName, DWORD cchName);
