// Length, comparison, search and decimal conversion of NUL-terminated UTF-16 text,
// with the C runtime's semantics, on every build (the host's wchar_t is 32 bits wide).
#pragma once

#include "zeb_platform.h"

// Code units before the first NUL; 0 for a null pointer.
DWORD zebWcsLen(LPCWSTR szText);
// Code-unit comparison as wcscmp: negative, 0 or positive. A null pointer sorts as empty text.
int zebWcsCmp(LPCWSTR szLeft, LPCWSTR szRight);
// First occurrence of szFind in szText as wcsstr (empty szFind finds the start); null if none.
LPCWSTR zebWcsStr(LPCWSTR szText, LPCWSTR szFind);
// Decimal conversion as wcstol with base 10: leading blanks and a sign are allowed, conversion
// stops at the first non-digit and saturates at the signed 32-bit limits. *pszEnd (when given)
// receives the first unconverted unit, or szText when nothing was converted.
LONG zebWcsToL(LPCWSTR szText, LPCWSTR* pszEnd);
