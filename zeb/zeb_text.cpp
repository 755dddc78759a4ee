#include "zeb_text.h"

#include <cerrno>

DWORD zebWcsLen(LPCWSTR szText)
{
    DWORD ulLength = 0;
    if (szText)
        while (szText[ulLength])
            ++ulLength;
    return ulLength;
}

int zebWcsCmp(LPCWSTR szLeft, LPCWSTR szRight)
{
    static const WCHAR s_empty[1] = {0};
    const WCHAR* pLeft = szLeft ? szLeft : s_empty;
    const WCHAR* pRight = szRight ? szRight : s_empty;
    while (*pLeft && *pLeft == *pRight)
    {
        ++pLeft;
        ++pRight;
    }
    return static_cast<int>(static_cast<unsigned>(*pLeft)) -
           static_cast<int>(static_cast<unsigned>(*pRight));
}

LPCWSTR zebWcsStr(LPCWSTR szText, LPCWSTR szFind)
{
    if (!szText || !szFind)
        return nullptr;
    if (!*szFind)
        return szText;
    for (LPCWSTR pStart = szText; *pStart; ++pStart)
    {
        LPCWSTR pText = pStart;
        LPCWSTR pFind = szFind;
        while (*pFind && *pText == *pFind)
        {
            ++pText;
            ++pFind;
        }
        if (!*pFind)
            return pStart;
    }
    return nullptr;
}

LONG zebWcsToL(LPCWSTR szText, LPCWSTR* pszEnd)
{
    if (pszEnd)
        *pszEnd = szText;
    if (!szText)
        return 0;
    LPCWSTR p = szText;
    while (*p == ' ' || (*p >= 0x09 && *p <= 0x0D))
        ++p;
    bool bNegative = false;
    if (*p == '+' || *p == '-')
    {
        bNegative = (*p == '-');
        ++p;
    }
    if (*p < '0' || *p > '9')
        return 0; // nothing converted: the end stays at the start of the text
    // Accumulate the magnitude, clamped just past the largest one a 32-bit value can take.
    const unsigned long long ullLimit = bNegative ? 2147483648ULL : 2147483647ULL;
    unsigned long long ullValue = 0;
    while (*p >= '0' && *p <= '9')
    {
        if (ullValue <= ullLimit)
            ullValue = ullValue * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    if (pszEnd)
        *pszEnd = p;
    if (ullValue > ullLimit)
    {
        errno = ERANGE;
        ullValue = ullLimit;
    }
    return bNegative ? static_cast<LONG>(-static_cast<long long>(ullValue))
                     : static_cast<LONG>(ullValue);
}
