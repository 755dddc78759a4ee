// The library's handling discipline in one place. A method runs its body inside
// zebGuarded: a library record that escapes the body is written unless it already was,
// anything else becomes a CZEBUnhandledExceptionException record carrying the error code
// of the module (errno for buffer, string and list code, GetLastError() elsewhere), and
// the method answers its failure value.
#pragma once

#include "zeb_exceptions.h"

#include <cerrno>
#include <utility>

enum ZebErrorSource
{
    zesErrno,    // the C runtime's errno
    zesLastError // the thread's last Win32 error
};

// Writes the record for an exception that is not a library record.
inline void zebReportUnhandled(ZebErrorSource source, LPCWSTR szSourceFile, int nLine) noexcept
{
    try
    {
        const int nCode = source == zesErrno ? errno : static_cast<int>(GetLastError());
        CZEBUnhandledExceptionException unhandled(nCode, szSourceFile, nLine, OUTPUT_TEXT, true,
                                                  false);
    }
    catch (...)
    {
    }
}

// The handler for a library record: written once, and only if not written yet.
inline void zebReportRecord(CZEBLogging& record) noexcept
{
    try
    {
        if (!record.m_bLogged)
            record.log();
    }
    catch (...)
    {
    }
}

// Runs body(); answers its result, or failure when anything was thrown. With
// bCatchAllOnly (a method whose only handler is the catch-all) a library record is written
// unless it already was and is then reported as an unhandled exception too, with the error
// code as it was when the record escaped.
template <bool bCatchAllOnly, class Result, class Body>
Result zebGuardedBy(Result failure, ZebErrorSource source, LPCWSTR szSourceFile, int nLine,
                    Body&& body) noexcept
{
    try
    {
        return std::forward<Body>(body)();
    }
    catch (CZEBLogging& record)
    {
        const int nErrno = errno; // writing the record may touch errno, never the last error
        zebReportRecord(record);
        if (bCatchAllOnly)
        {
            errno = nErrno;
            zebReportUnhandled(source, szSourceFile, nLine);
        }
    }
    catch (...)
    {
        zebReportUnhandled(source, szSourceFile, nLine);
    }
    return failure;
}

template <class Result, class Body>
Result zebGuarded(Result failure, ZebErrorSource source, LPCWSTR szSourceFile, int nLine,
                  Body&& body) noexcept
{
    return zebGuardedBy<false>(failure, source, szSourceFile, nLine, std::forward<Body>(body));
}

template <class Result, class Body>
Result zebGuardedCatchAll(Result failure, ZebErrorSource source, LPCWSTR szSourceFile, int nLine,
                          Body&& body) noexcept
{
    return zebGuardedBy<true>(failure, source, szSourceFile, nLine, std::forward<Body>(body));
}

// The same for a body without a result.
template <class Body>
void zebGuardedVoid(ZebErrorSource source, LPCWSTR szSourceFile, int nLine, Body&& body) noexcept
{
    zebGuarded(false, source, szSourceFile, nLine,
               [&]()
               {
                   std::forward<Body>(body)();
                   return true;
               });
}
