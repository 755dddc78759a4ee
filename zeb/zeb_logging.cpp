#include "zeb_logging.h"

#include "zeb_memory.h"
#include "zeb_text.h"

#include <cstring>

namespace
{
// Restores the thread's last-error value when a write is over, whatever happened.
class CLastErrorKeeper
{
public:
    CLastErrorKeeper() : m_ulError(GetLastError()) {}
    ~CLastErrorKeeper() { SetLastError(m_ulError); }
    CLastErrorKeeper(const CLastErrorKeeper&) = delete;
    CLastErrorKeeper& operator=(const CLastErrorKeeper&) = delete;

private:
    DWORD m_ulError;
};

void releaseString(LPWSTR& szField)
{
    if (szField)
        zebReleaseZeroed(szField, (zebWcsLen(szField) + 1) * sizeof(WCHAR));
    szField = nullptr;
}

bool isEmpty(LPCWSTR sz)
{
    return !sz || !*sz;
}
} // namespace

LPCWSTR zebSeverityName(int nSeverity)
{
    switch (nSeverity)
    {
    case LS_CRITICAL:
        return ZEB_W("CRITICAL");
    case LS_EXCEPTION_BAD:
        return ZEB_W("EXCEPTION_BAD");
    case LS_EXCEPTION_OK:
        return ZEB_W("EXCEPTION_OK");
    case LS_ERROR:
        return ZEB_W("ERROR");
    case LS_WARNING:
        return ZEB_W("WARNING");
    case LS_DEBUG:
        return ZEB_W("DEBUG");
    case LS_INFORMATION:
        return ZEB_W("INFORMATION");
    case LS_NOTIFICATION:
        return ZEB_W("NOTIFICATION");
    case LS_ENTRY:
        return ZEB_W("ENTRY");
    case LS_EXIT:
        return ZEB_W("EXIT");
    case LS_SUCCESS:
        return ZEB_W("SUCCESS");
    case LS_FAILURE:
        return ZEB_W("FAILURE");
    default:
        return ZEB_W("UNSPECIFIED");
    }
}

// ---- CZEBLogRecord ---------------------------------------------------------

bool CZEBLogRecord::setString(LPWSTR& szField, LPCWSTR szSource)
{
    releaseString(szField);
    if (!szSource)
        return true;
    if (!*szSource)
        return false;
    const size_t cbSize = (zebWcsLen(szSource) + 1) * sizeof(WCHAR);
    LPWSTR szCopy = static_cast<LPWSTR>(zebAllocateZeroed(cbSize));
    if (!szCopy)
        return false;
    std::memcpy(szCopy, szSource, cbSize);
    szField = szCopy;
    return true;
}

CZEBLogRecord::CZEBLogRecord(const CZEBLogRecord& other)
{
    *this = other;
}

CZEBLogRecord& CZEBLogRecord::operator=(const CZEBLogRecord& other)
{
    if (this == &other)
        return *this;
    m_nSeverity = other.m_nSeverity;
    setString(m_szMessage, other.m_szMessage);
    setString(m_szModuleName, other.m_szModuleName);
    setString(m_szOutputPath, other.m_szOutputPath);
    m_nResultKind = other.m_nResultKind;
    m_nResultValue = other.m_nResultValue;
    setString(m_szClassName, other.m_szClassName);
    setString(m_szMethodName, other.m_szMethodName);
    setString(m_szSourceFile, other.m_szSourceFile);
    m_nLine = other.m_nLine;
    return *this;
}

CZEBLogRecord::~CZEBLogRecord()
{
    releaseString(m_szMessage);
    releaseString(m_szModuleName);
    releaseString(m_szOutputPath);
    releaseString(m_szClassName);
    releaseString(m_szMethodName);
    releaseString(m_szSourceFile);
}

// ---- Module name -----------------------------------------------------------

bool zebGetModuleName(LPWSTR szName, DWORD cchName)
{
    if (!szName || cchName == 0)
        return false;
    // The name can only be computed for a program whose full path is shorter than 128.
    const DWORD cchPathBuffer = 128;
    WCHAR szPath[cchPathBuffer + 1] = {0};
    const DWORD cchPath = GetModuleFileNameW(nullptr, szPath, cchPathBuffer);
    if (cchPath == 0 || cchPath >= cchPathBuffer)
        return false;
    szPath[cchPath] = 0;
    DWORD ulStart = 0;
    for (DWORD i = 0; i < cchPath; ++i)
        if (szPath[i] == '\\')
            ulStart = i + 1;
    DWORD ulEnd = cchPath;
    for (DWORD i = cchPath; i > ulStart; --i)
        if (szPath[i - 1] == '.')
        {
            ulEnd = i - 1;
            break;
        }
    if (ulEnd <= ulStart || ulEnd - ulStart >= cchName)
        return false;
    std::memcpy(szName, szPath + ulStart, (ulEnd - ulStart) * sizeof(WCHAR));
    szName[ulEnd - ulStart] = 0;
    return true;
}

// ---- CZEBLogging -----------------------------------------------------------

CZEBLogging::CZEBLogging(WORD usOutputTypes, bool bLogOnDestroy)
    : m_bLogOnDestroy(bLogOnDestroy), m_usOutputTypes(usOutputTypes), m_usLogDetail(0),
      m_bLogged(false)
{
}

// ---- CZEBDetailedLog -------------------------------------------------------

CZEBDetailedLog::CZEBDetailedLog(int nSeverity, LPCWSTR szMessage, int nResultValue,
                                 int nResultKind, LPCWSTR szClassName, LPCWSTR szMethodName,
                                 LPCWSTR szSourceFile, int nLine, bool bLogNow, bool bLogOnDestroy,
                                 WORD usOutputTypes, LPCWSTR szModuleName, LPCWSTR szOutputPath)
    : CZEBLogging(usOutputTypes, bLogOnDestroy)
{
    m_record.m_nSeverity = nSeverity;
    CZEBLogRecord::setString(m_record.m_szMessage, szMessage);
    CZEBLogRecord::setString(m_record.m_szModuleName, szModuleName);
    CZEBLogRecord::setString(m_record.m_szOutputPath, szOutputPath);
    m_record.m_nResultKind = nResultKind;
    m_record.m_nResultValue = nResultValue;
    CZEBLogRecord::setString(m_record.m_szClassName, szClassName);
    CZEBLogRecord::setString(m_record.m_szMethodName, szMethodName);
    CZEBLogRecord::setString(m_record.m_szSourceFile, szSourceFile);
    m_record.m_nLine = nLine;
    if (bLogNow)
        log();
}

CZEBDetailedLog::CZEBDetailedLog(int nSeverity, const CZEBMessageFormat& format, int nResultValue,
                                 int nResultKind, LPCWSTR szClassName, LPCWSTR szMethodName,
                                 LPCWSTR szSourceFile, int nLine, bool bLogNow, bool bLogOnDestroy,
                                 WORD usOutputTypes)
    : CZEBDetailedLog(nSeverity, nullptr, nResultValue, nResultKind, szClassName, szMethodName,
                      szSourceFile, nLine, false, bLogOnDestroy, usOutputTypes, nullptr, nullptr)
{
    static const WCHAR s_szUnknown[] = ZEB_W("Unknown");
    formatMessage(format.szFormat, format.szInsert1 ? format.szInsert1 : s_szUnknown,
                  format.szInsert2 ? format.szInsert2 : s_szUnknown);
    if (bLogNow)
        log();
}

CZEBDetailedLog::CZEBDetailedLog(const CZEBDetailedLog& other)
    : CZEBLogging(other), m_record(other.m_record)
{
}

CZEBDetailedLog::~CZEBDetailedLog()
{
    if (m_bLogOnDestroy)
        CZEBDetailedLog::log();
}

bool CZEBDetailedLog::log()
{
    CLastErrorKeeper keepLastError;
    bool bResult = false;
    try
    {
        if (isLoggable(m_record))
            bResult = m_outputs.dispatch(m_usOutputTypes, m_record);
    }
    catch (...)
    {
        bResult = false;
    }
    if (bResult)
        m_bLogged = true;
    return bResult;
}

void CZEBDetailedLog::formatMessage(LPCWSTR szFormat, ...)
{
    if (!szFormat)
        return;
    // wsprintfW never writes more than 1024 characters; one more unit keeps a terminator
    // however the platform counts it.
    WCHAR szText[1025];
    std::memset(szText, 0, sizeof(szText));
    va_list args;
    va_start(args, szFormat);
    const int nWritten = wvsprintfW(szText, szFormat, args);
    va_end(args);
    szText[1024] = 0;
    if (nWritten >= 0)
        CZEBLogRecord::setString(m_record.m_szMessage, szText);
    std::memset(szText, 0, sizeof(szText));
}

bool CZEBDetailedLog::isLevelEnabled(CZEBLogRecord& record)
{
    m_usLogDetail = 0;
    if (!m_config.isLoggingEnabled())
        return false;
    if (isEmpty(record.m_szModuleName))
    {
        WCHAR szModule[MAX_PATH] = {0};
        if (!zebGetModuleName(szModule, MAX_PATH) ||
            !CZEBLogRecord::setString(record.m_szModuleName, szModule))
            return false;
    }
    if (m_config.hasModuleSettings(record.m_szModuleName))
    {
        WORD usOutputTypes = 0;
        WORD usLogDetail = 0;
        if (!m_config.readModuleSettings(record.m_szModuleName, usOutputTypes, usLogDetail))
            return false;
        // A program with settings of its own has every record written, whatever its severity.
        m_usLogDetail = usLogDetail;
        m_usOutputTypes = usOutputTypes;
        return true;
    }
    m_usLogDetail = m_config.getLogDetail();
    const unsigned uSeverity = static_cast<unsigned>(record.m_nSeverity);
    if ((uSeverity & m_usLogDetail) != uSeverity)
        return false;
    if (record.m_nSeverity != LS_EXIT)
        return true;
    const bool bLowByteZero = (record.m_nResultValue & 0xFF) == 0;
    if (record.m_nResultKind == RESULT_ERROR_CODE && (m_usLogDetail & LEF_ERROR_CODE_NONZERO))
        return record.m_nResultValue != 0;
    if (record.m_nResultKind == RESULT_PASS_FAIL && (m_usLogDetail & LEF_PASS_FAIL_FAILED))
        return bLowByteZero;
    if (record.m_nResultKind == RESULT_LOGICAL && (m_usLogDetail & LEF_LOGICAL_FALSE))
        return bLowByteZero;
    return (m_usLogDetail & (LEF_ERROR_CODE_NONZERO | LEF_PASS_FAIL_FAILED | LEF_LOGICAL_FALSE)) ==
           0;
}

bool CZEBDetailedLog::isLoggable(CZEBLogRecord& record)
{
    if (!isLevelEnabled(record))
        return false;
    if (isEmpty(record.m_szClassName))
        return true;
    bool bListed = false;
    if (m_config.isObjectAllowed(record.m_szClassName, bListed))
        return bListed;
    if (m_config.isObjectExcluded(record.m_szClassName, bListed))
        return !bListed;
    return true;
}

// ---- _CZEBLogEntry ---------------------------------------------------------

_CZEBLogEntry::_CZEBLogEntry(LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile,
                             int nLine, WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy)
    : CZEBDetailedLog(LS_ENTRY, nullptr, 0, RESULT_PASS_FAIL, szClassName, szMethodName,
                      szSourceFile, nLine, bLogNow, bLogOnDestroy, usOutputTypes, nullptr, nullptr)
{
}

_CZEBLogEntry::~_CZEBLogEntry()
{
    m_record.m_nSeverity = LS_EXIT;
}
