#include "zeb_method_trace.h"

#include "zeb_memory.h"
#include "zeb_registry_dword.h"

#include <new>

#define ZEB_TRACE_SOURCE ZEB_W(".\\zeb_method_trace.cpp")

DWORD g_ulDynamicLogging = 0;

namespace
{
// Trace objects live in zeroed library memory and are zeroed when released.
template <class T, class... Args> T* newZeroed(Args&&... args) noexcept
{
    void* pMemory = zebAllocateZeroed(sizeof(T));
    if (!pMemory)
        return nullptr;
    return new (pMemory) T(std::forward<Args>(args)...);
}

template <class T> void deleteZeroed(T* pObject) noexcept
{
    if (!pObject)
        return;
    pObject->~T();
    zebReleaseZeroed(pObject, sizeof(T));
}
} // namespace

bool readDynamicLogging() noexcept
{
    // Off first: registry code that runs during the read sees tracing off.
    g_ulDynamicLogging = 2;
    try
    {
        CZEBRegistryDword dynamicLogging(HKEY_LOCAL_MACHINE, ZEB_W("SOFTWARE\\Kelbix\\Logs"),
                                         ZEB_W("DynamicLogging"), KEY_READ, false, 0);
        DWORD ulValue = 0;
        if (!dynamicLogging.getValue(ulValue, false))
            return false;
        if (ulValue == 1)
            g_ulDynamicLogging = 1;
        return true;
    }
    catch (...)
    {
        g_ulDynamicLogging = 2;
        return false;
    }
}

CZEBMethodTrace::CZEBMethodTrace(LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile,
                                 int nLine, WORD usOutputTypes, bool bLogNow,
                                 bool bLogOnDestroy) noexcept
    : m_pEntry(nullptr)
{
    try
    {
        CZEBLogConfig config;
        if (config.isLoggingEnabled())
            m_pEntry = newZeroed<_CZEBLogEntry>(szClassName, szMethodName, szSourceFile, nLine,
                                                usOutputTypes, bLogNow, bLogOnDestroy);
    }
    catch (...)
    {
        m_pEntry = nullptr;
    }
}

CZEBMethodTrace::~CZEBMethodTrace()
{
    _CZEBLogEntry* pEntry = m_pEntry;
    m_pEntry = nullptr;
    deleteZeroed(pEntry);
}

void CZEBMethodTrace::setResult(int nResultKind, int nResultValue) noexcept
{
    if (!m_pEntry)
        return;
    m_pEntry->m_record.m_nResultKind = nResultKind;
    m_pEntry->m_record.m_nResultValue = nResultValue;
}

void ZebTrace::begin(LPCWSTR szClassName, LPCWSTR szMethodName, LPCWSTR szSourceFile,
                     int nLine) noexcept
{
    if (g_ulDynamicLogging == 0)
        readDynamicLogging();
    if (g_ulDynamicLogging != 1)
        return;
    m_pTrace = newZeroed<CZEBMethodTrace>(szClassName, szMethodName, szSourceFile, nLine,
                                          static_cast<WORD>(OUTPUT_TEXT), true, true);
}

void ZebTrace::end() noexcept
{
    CZEBMethodTrace* pTrace = m_pTrace;
    m_pTrace = nullptr;
    deleteZeroed(pTrace);
}
