// The process environment as UTF-16: reading and setting single variables.
#include "host_system.h"
#include "host_test_hooks.h"
#include "host_text.h"

#include <cstdlib>
#include <string>

extern char** environ;

namespace
{
std::u16string textOf(LPCWSTR sz)
{
    return sz ? std::u16string(sz, zebhost::wideLength(sz)) : std::u16string();
}

// The name of the variable as the environment spells it, when one matches in any case.
std::string existingName(const std::u16string& name)
{
    for (char** entry = environ; entry && *entry; ++entry)
    {
        const std::string text(*entry);
        const size_t eq = text.find('=', 1);
        if (eq != std::string::npos &&
            zebhost::equalsNoCase(zebhost::utf8ToUtf16(text.substr(0, eq)), name))
            return text.substr(0, eq);
    }
    return zebhost::utf16ToUtf8(name);
}
} // namespace

DWORD WINAPI GetEnvironmentVariableW(LPCWSTR lpName, LPWSTR lpBuffer, DWORD nSize)
{
    DWORD error = 0;
    if (zebhost::injectedFailure("GetEnvironmentVariableW", &error))
    {
        SetLastError(error);
        return 0;
    }
    const std::u16string name = textOf(lpName);
    std::u16string value;
    if (name.empty() || name.find(u'=') != std::u16string::npos ||
        !zebhost::environmentVariable(name, &value))
    {
        SetLastError(ERROR_ENVVAR_NOT_FOUND);
        return 0;
    }
    if (!lpBuffer)
        nSize = 0;
    if (nSize <= value.size())
        return static_cast<DWORD>(value.size() + 1);
    std::copy(value.begin(), value.end(), lpBuffer);
    lpBuffer[value.size()] = 0;
    return static_cast<DWORD>(value.size());
}

BOOL WINAPI SetEnvironmentVariableW(LPCWSTR lpName, LPCWSTR lpValue)
{
    const std::u16string name = textOf(lpName);
    if (name.empty() || name.find(u'=') != std::u16string::npos)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string spelled = existingName(name);
    const int nResult =
        lpValue ? setenv(spelled.c_str(), zebhost::utf16ToUtf8(textOf(lpValue)).c_str(), 1)
                : unsetenv(spelled.c_str());
    if (nResult != 0)
    {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    return TRUE;
}
