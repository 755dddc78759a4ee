#include "zeb_environment_variable.h"

#include "zeb_guard.h"
#include "zeb_method_trace.h"

#define ZEB_ENVVAR_SOURCE ZEB_W(".\\zeb_environment_variable.cpp")

namespace
{
const WCHAR s_szClass[] = ZEB_W("CZEBEnvironmentVariable");
// The largest buffer a variable's value can need: 32767 characters with the terminator.
const DWORD s_cchValue = 0x7FFF;
} // namespace

CZEBEnvironmentVariable::CZEBEnvironmentVariable(const CZEBWCharString& name) : m_name(name)
{
    ZebTrace trace(s_szClass, ZEB_W("CZEBEnvironmentVariable"), ZEB_ENVVAR_SOURCE, __LINE__);
    trace.passFail(true);
}

bool CZEBEnvironmentVariable::getValue(CZEBWCharString& value)
{
    ZebTrace trace(s_szClass, ZEB_W("getValue"), ZEB_ENVVAR_SOURCE, __LINE__);
    return trace.logical(zebGuarded(
        false, zesLastError, ZEB_ENVVAR_SOURCE, __LINE__,
        [&]
        {
            if (m_name.getLength() == 0)
            {
                // Written when built, and handled here: not thrown, as the first throw of a
                // process can reset the last error in the C++ runtime.
                CZEBUnknownVariableNameException unnamed(ZEB_ENVVAR_SOURCE, __LINE__);
                return false;
            }
            CZEBBuffer<unsigned short> buffer(s_cchValue);
            const DWORD cchValue = GetEnvironmentVariableW(
                m_name.getBuffer(), reinterpret_cast<LPWSTR>(buffer.getBuffer()), s_cchValue);
            // 0: no such variable or an empty value. A value that did not fit (an answer of
            // the size it needs) has left the buffer alone and is no value either.
            if (cchValue == 0 || cchValue >= s_cchValue)
                return false;
            // The call wrote the terminator after the value's cchValue characters.
            const CZEBWCharString text(reinterpret_cast<LPCWSTR>(buffer.getBuffer()));
            if (text.getLength() != cchValue)
                return false;
            value = text;
            return value == text;
        }));
}
