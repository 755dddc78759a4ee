// Method tracing: with the DWORD "DynamicLogging" = 1 under HKEY_LOCAL_MACHINE
// "SOFTWARE\Kelbix\Logs", every traced method writes an "ENTRY" record when it starts and an
// "EXIT" record with its result when it returns (the filter still decides whether a record
// is written). The switch is read once per process, at the first traced call.
//
// A traced method starts with one line and states its result before returning:
//
//     ZebTrace trace(ZEB_W("CZEBFlags"), ZEB_W("hasFlags"), ZEB_FLAGS_SOURCE, __LINE__);
//     ...
//     return trace.logical(bResult);
//
// With dynamic logging off a trace costs one comparison of g_ulDynamicLogging. Nothing is
// thrown out of tracing; every exit of the scope, a throw included, writes the EXIT line
// (with the result stated so far, "failed" when none was).
#pragma once

#include "zeb_logging.h"

// 0: not read yet, 1: on, 2: off. Written once per process by readDynamicLogging.
extern DWORD g_ulDynamicLogging;

// Reads "DynamicLogging" and sets g_ulDynamicLogging to 1 (the value is exactly 1) or 2
// (anything else, or no value). Answers whether the value could be read. Never throws.
bool readDynamicLogging() noexcept;

// The trace of one call: owns the entry record that writes ENTRY when built and EXIT when
// deleted. m_pEntry stays null when logging is off or the record cannot be allocated.
class CZEBMethodTrace
{
public:
    CZEBMethodTrace(LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile, int nLine,
                    WORD usOutputTypes, bool bLogNow, bool bLogOnDestroy) noexcept;
    // Deletes the entry (writing its EXIT record) when there is one.
    ~CZEBMethodTrace();
    CZEBMethodTrace(const CZEBMethodTrace&) = delete;
    CZEBMethodTrace& operator=(const CZEBMethodTrace&) = delete;

    // Stores the result written with the EXIT record.
    void setResult(int nResultKind, int nResultValue) noexcept;

    _CZEBLogEntry* m_pEntry;
};

// The tracing protocol of one call, tied to its scope.
class ZebTrace
{
public:
    ZebTrace(LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile, int nLine) noexcept
        : m_pTrace(nullptr)
    {
        if (g_ulDynamicLogging != 2)
            begin(szClassName, szMethodName, szSourceFile, nLine);
    }
    ~ZebTrace()
    {
        if (m_pTrace)
            end();
    }
    ZebTrace(const ZebTrace&) = delete;
    ZebTrace& operator=(const ZebTrace&) = delete;

    // The result recorded at exit.
    void setResult(int nResultKind, int nResultValue) noexcept
    {
        if (m_pTrace)
            m_pTrace->setResult(nResultKind, nResultValue);
    }
    // Records a predicate's truth value and answers it.
    bool logical(bool bResult) noexcept
    {
        setResult(RESULT_LOGICAL, bResult ? 1 : 0);
        return bResult;
    }
    // Records whether the operation succeeded and answers it.
    bool passFail(bool bResult) noexcept
    {
        setResult(RESULT_PASS_FAIL, bResult ? 1 : 0);
        return bResult;
    }

private:
    void begin(LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile, int nLine) noexcept;
    void end() noexcept;

    CZEBMethodTrace* m_pTrace;
};
