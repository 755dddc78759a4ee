// The process and system bitness the host models, the calling process's pseudo handle,
// and environment-string expansion.
#include "host_system.h"
#include "host_test_hooks.h"
#include "host_text.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace zebhost
{
namespace
{
struct Bitness
{
    bool loaded = false;
    int process = 64;
    int system = 64;
};

Bitness& bitness()
{
    static Bitness b;
    return b;
}

// 32 or 64 from the environment; anything else (with a note) or nothing: the default.
int bitsFrom(const char* variable, int fallback)
{
    const std::string value = environment(variable);
    if (value.empty())
        return fallback;
    if (value == "32" || value == "64")
        return value == "32" ? 32 : 64;
    std::fprintf(stderr, "host system: %s=%s is neither 32 nor 64; using %d\n", variable,
                 value.c_str(), fallback);
    return fallback;
}

const Bitness& current()
{
    Bitness& b = bitness();
    if (!b.loaded)
    {
        b.loaded = true;
        b.system = bitsFrom("ZEB_HOST_SYSTEM_BITS", 64);
        b.process = bitsFrom("ZEB_HOST_PROCESS_BITS", 64);
    }
    return b;
}
} // namespace

bool systemIs64Bit()
{
    return current().system == 64;
}

bool processIs32Bit()
{
    // A 32-bit system runs 32-bit processes only.
    return current().process == 32 || current().system == 32;
}

void setBitness(int processBits, int systemBits)
{
    Bitness& b = bitness();
    b.loaded = false;
    current();
    if (processBits == 32 || processBits == 64)
        b.process = processBits;
    if (systemBits == 32 || systemBits == 64)
        b.system = systemBits;
}

namespace
{
// The value of an environment variable whose name matches case-insensitively (an exact
// match first, as the process may hold names that differ only in case).
bool lookupVariable(const std::u16string& name, std::u16string* value)
{
    if (name.empty())
        return false;
    const std::string exact = utf16ToUtf8(name);
    if (const char* v = std::getenv(exact.c_str()))
    {
        *value = utf8ToUtf16(v);
        return true;
    }
    for (char** entry = environ; entry && *entry; ++entry)
    {
        const std::string text(*entry);
        const size_t eq = text.find('=', 1);
        if (eq == std::string::npos)
            continue;
        if (equalsNoCase(utf8ToUtf16(text.substr(0, eq)), name))
        {
            *value = utf8ToUtf16(text.substr(eq + 1));
            return true;
        }
    }
    return false;
}
} // namespace
} // namespace zebhost

HANDLE WINAPI GetCurrentProcess()
{
    return reinterpret_cast<HANDLE>(static_cast<LONG_PTR>(-1));
}

BOOL WINAPI IsWow64Process(HANDLE hProcess, PBOOL Wow64Process)
{
    if (hProcess != GetCurrentProcess() || !Wow64Process)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *Wow64Process = zebhost::processIs32Bit() && zebhost::systemIs64Bit() ? TRUE : FALSE;
    return TRUE;
}

DWORD WINAPI ExpandEnvironmentStringsW(LPCWSTR lpSrc, LPWSTR lpDst, DWORD nSize)
{
    const std::u16string source =
        lpSrc ? std::u16string(lpSrc, zebhost::wideLength(lpSrc)) : std::u16string();
    std::u16string result;
    size_t pos = 0;
    while (pos < source.size())
    {
        const size_t open = source.find(u'%', pos);
        if (open == std::u16string::npos)
        {
            result.append(source, pos, std::u16string::npos);
            break;
        }
        result.append(source, pos, open - pos);
        const size_t close = source.find(u'%', open + 1);
        if (close == std::u16string::npos)
        {
            // No closing sign: the rest stands as it is.
            result.append(source, open, std::u16string::npos);
            break;
        }
        std::u16string value;
        if (zebhost::lookupVariable(source.substr(open + 1, close - open - 1), &value))
            result += value;
        else
            result.append(source, open, close - open + 1); // "%NAME%" or "%%" is kept whole
        pos = close + 1;
    }
    const DWORD needed = static_cast<DWORD>(result.size() + 1);
    if (nSize < needed)
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
    if (lpDst && nSize > 0)
    {
        const size_t copied = nSize < needed ? nSize - 1 : result.size();
        std::copy(result.begin(), result.begin() + static_cast<std::ptrdiff_t>(copied), lpDst);
        lpDst[copied] = 0;
    }
    return needed;
}

// ---- Windows version, processor and shell answers ----

namespace zebhost
{
namespace
{
// A decimal number of at most nine digits; false for anything else.
bool parseNumber(const std::string& text, DWORD* number)
{
    if (text.empty() || text.size() > 9)
        return false;
    DWORD value = 0;
    for (char c : text)
    {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<DWORD>(c - '0');
    }
    *number = value;
    return true;
}

// The builds and service packs Wine reports for the versions it models.
struct KnownVersion
{
    DWORD major;
    DWORD minor;
    DWORD build;
    WORD servicePackMajor;
    WORD suiteMask;
};
const KnownVersion kKnownVersions[] = {
    {5, 0, 2195, 4, 0}, {5, 1, 2600, 3, 0x100}, {5, 2, 3790, 2, 0},
    {6, 0, 6002, 2, 0}, {6, 1, 7601, 1, 0},     {6, 2, 9200, 0, 0},
};

WindowsVersion versionOf(DWORD major, DWORD minor)
{
    WindowsVersion version{major, minor, 0, 0, 0, std::u16string()};
    for (const KnownVersion& known : kKnownVersions)
    {
        if (known.major != major || known.minor != minor)
            continue;
        version.build = known.build;
        version.servicePackMajor = known.servicePackMajor;
        version.suiteMask = known.suiteMask;
        if (known.servicePackMajor != 0)
            version.servicePack =
                u"Service Pack " +
                std::u16string(1, static_cast<char16_t>(u'0' + known.servicePackMajor));
    }
    return version;
}

// The comma-separated numbers of a list; false when an entry is not a number.
bool parseList(const std::string& text, std::vector<DWORD>* numbers)
{
    size_t start = 0;
    while (start <= text.size())
    {
        const size_t comma = std::min(text.find(',', start), text.size());
        DWORD number = 0;
        if (!parseNumber(text.substr(start, comma - start), &number))
            return false;
        numbers->push_back(number);
        start = comma + 1;
    }
    return true;
}
} // namespace

WindowsVersion windowsVersion()
{
    const std::string text = environment("ZEB_HOST_WINDOWS_VERSION");
    if (text.empty())
        return versionOf(6, 1);
    const size_t dot = text.find('.');
    const size_t second = dot == std::string::npos ? dot : text.find('.', dot + 1);
    DWORD major = 0;
    DWORD minor = 0;
    DWORD build = 0;
    if (dot != std::string::npos && parseNumber(text.substr(0, dot), &major) &&
        parseNumber(text.substr(dot + 1, second == std::string::npos ? second : second - dot - 1),
                    &minor) &&
        (second == std::string::npos || parseNumber(text.substr(second + 1), &build)))
    {
        WindowsVersion version = versionOf(major, minor);
        if (second != std::string::npos)
            version.build = build;
        return version;
    }
    std::fprintf(stderr,
                 "host system: ZEB_HOST_WINDOWS_VERSION=%s is not major.minor[.build]; "
                 "using 6.1\n",
                 text.c_str());
    return versionOf(6, 1);
}

bool versionCallFails(DWORD structureSize)
{
    const std::string text = environment("ZEB_HOST_GETVERSION_FAILS");
    if (text == "1")
        return true;
    DWORD size = 0;
    return parseNumber(text, &size) && size == structureSize;
}

WORD processorArchitecture()
{
    const std::string text = environment("ZEB_HOST_PROCESSOR_ARCHITECTURE");
    DWORD architecture = 0;
    if (parseNumber(text, &architecture) && architecture <= 0xFFFF)
        return static_cast<WORD>(architecture);
    if (!text.empty())
        std::fprintf(stderr,
                     "host system: ZEB_HOST_PROCESSOR_ARCHITECTURE=%s is not a number "
                     "up to 65535; using the system's bitness\n",
                     text.c_str());
    return systemIs64Bit() ? PROCESSOR_ARCHITECTURE_AMD64 : PROCESSOR_ARCHITECTURE_INTEL;
}

bool isOSAnswer(DWORD query)
{
    const std::string text = environment("ZEB_HOST_ISOS_TRUE");
    std::vector<DWORD> answers;
    if (!text.empty())
    {
        if (parseList(text, &answers))
            return std::find(answers.begin(), answers.end(), query) != answers.end();
        std::fprintf(stderr,
                     "host system: ZEB_HOST_ISOS_TRUE=%s is not a list of numbers; "
                     "using the defaults\n",
                     text.c_str());
    }
    const WindowsVersion version = windowsVersion();
    const auto atLeast = [&](DWORD major, DWORD minor)
    { return version.major > major || (version.major == major && version.minor >= minor); };
    switch (query)
    {
    case 18: // OS_XPORGREATER
        return atLeast(5, 1);
    case 30: // OS_WOW6432
        return processIs32Bit() && systemIs64Bit();
    case 37:
        return atLeast(6, 0);
    default:
        return false;
    }
}

bool environmentVariable(const std::u16string& name, std::u16string* value)
{
    return lookupVariable(name, value);
}
} // namespace zebhost
