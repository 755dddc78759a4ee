// wsprintfW / wvsprintfW: the conversions Win32 code uses (%s %S %c %C %d %i %u %x %X %p %%,
// flags '-' '0' '#', width, precision for strings, 'l' 'h' and 'I' size prefixes), bounded
// to 1024 characters including the terminator. An unknown conversion writes its character.
#include "host_text.h"
#include "win32_host.h"

#include <string>

namespace
{
const size_t cchMaxOutput = 1024;

void appendPadded(std::u16string& out, const std::u16string& field, bool bLeft, size_t cchWidth,
                  char16_t chPad)
{
    if (!bLeft && field.size() < cchWidth)
    {
        // Zero padding goes after a sign or a "0x" prefix, as the C runtime places it.
        size_t ulPrefix = 0;
        if (chPad == u'0')
        {
            if (!field.empty() && field[0] == u'-')
                ulPrefix = 1;
            else if (field.size() > 1 && field[0] == u'0' && (field[1] == u'x' || field[1] == u'X'))
                ulPrefix = 2;
        }
        out.append(field, 0, ulPrefix);
        out.append(cchWidth - field.size(), chPad);
        out.append(field, ulPrefix, std::u16string::npos);
        return;
    }
    out += field;
    if (bLeft && field.size() < cchWidth)
        out.append(cchWidth - field.size(), u' ');
}

std::u16string toDigits(unsigned long long ullValue, unsigned uBase, bool bUpper)
{
    const char* szDigits = bUpper ? "0123456789ABCDEF" : "0123456789abcdef";
    std::u16string text;
    do
    {
        text.insert(text.begin(), static_cast<char16_t>(szDigits[ullValue % uBase]));
        ullValue /= uBase;
    } while (ullValue);
    return text;
}
} // namespace

int WINAPI wvsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, va_list arglist)
{
    if (!lpOut || !lpFmt)
        return 0;
    std::u16string out;
    for (LPCWSTR p = lpFmt; *p && out.size() < cchMaxOutput; ++p)
    {
        if (*p != u'%')
        {
            out.push_back(*p);
            continue;
        }
        ++p;
        if (*p == u'%')
        {
            out.push_back(u'%');
            continue;
        }
        bool bLeft = false, bZero = false, bAlternate = false;
        for (;; ++p)
        {
            if (*p == u'-')
                bLeft = true;
            else if (*p == u'0')
                bZero = true;
            else if (*p == u'#')
                bAlternate = true;
            else
                break;
        }
        size_t cchWidth = 0;
        while (*p >= u'0' && *p <= u'9')
            cchWidth = cchWidth * 10 + static_cast<size_t>(*p++ - u'0');
        size_t cchPrecision = static_cast<size_t>(-1);
        if (*p == u'.')
        {
            ++p;
            cchPrecision = 0;
            while (*p >= u'0' && *p <= u'9')
                cchPrecision = cchPrecision * 10 + static_cast<size_t>(*p++ - u'0');
        }
        bool bWide64 = false;
        if (*p == u'l' || *p == u'h')
            ++p;
        else if (*p == u'I')
        {
            ++p;
            if (p[0] == u'6' && p[1] == u'4')
            {
                bWide64 = true;
                p += 2;
            }
            else if (p[0] == u'3' && p[1] == u'2')
                p += 2;
        }
        if (!*p)
            break;
        std::u16string field;
        const char16_t chPad = (bZero && !bLeft) ? u'0' : u' ';
        switch (*p)
        {
        case u's':
        case u'S':
        {
            LPCWSTR szArg = va_arg(arglist, LPCWSTR);
            field = szArg ? std::u16string(szArg, zebhost::wideLength(szArg)) : u"(null)";
            if (field.size() > cchPrecision)
                field.resize(cchPrecision);
            appendPadded(out, field, bLeft, cchWidth, u' ');
            break;
        }
        case u'c':
        case u'C':
            field.push_back(static_cast<char16_t>(va_arg(arglist, int)));
            appendPadded(out, field, bLeft, cchWidth, u' ');
            break;
        case u'd':
        case u'i':
        {
            const long long llValue = bWide64 ? va_arg(arglist, long long) : va_arg(arglist, int);
            const unsigned long long ullMagnitude =
                llValue < 0 ? 0ULL - static_cast<unsigned long long>(llValue)
                            : static_cast<unsigned long long>(llValue);
            field = (llValue < 0 ? u"-" : u"") + toDigits(ullMagnitude, 10, false);
            appendPadded(out, field, bLeft, cchWidth, chPad);
            break;
        }
        case u'u':
        case u'x':
        case u'X':
        case u'p':
        {
            unsigned long long ullValue = 0;
            if (*p == u'p')
                ullValue = reinterpret_cast<uintptr_t>(va_arg(arglist, void*));
            else
                ullValue =
                    bWide64 ? va_arg(arglist, unsigned long long) : va_arg(arglist, unsigned int);
            const bool bHex = *p != u'u';
            field = toDigits(ullValue, bHex ? 16 : 10, *p == u'X' || *p == u'p');
            if (*p == u'p')
                field.insert(0, 2 * sizeof(void*) - field.size(), u'0');
            if (bAlternate && bHex && *p != u'p')
                field.insert(0, *p == u'X' ? u"0X" : u"0x");
            appendPadded(out, field, bLeft, cchWidth, chPad);
            break;
        }
        default:
            out.push_back(*p); // an unknown conversion writes its character
            break;
        }
    }
    // At most 1023 characters and the terminator are stored. A text that reaches 1023
    // characters counts as cut and reports 1024, as the reference implementation does.
    int nResult = static_cast<int>(out.size());
    if (out.size() >= cchMaxOutput - 1)
    {
        out.resize(cchMaxOutput - 1);
        nResult = static_cast<int>(cchMaxOutput);
    }
    out.copy(lpOut, out.size());
    lpOut[out.size()] = 0;
    return nResult;
}

int wsprintfW(LPWSTR lpOut, LPCWSTR lpFmt, ...)
{
    va_list args;
    va_start(args, lpFmt);
    const int nResult = wvsprintfW(lpOut, lpFmt, args);
    va_end(args);
    return nResult;
}
