// Text helpers shared by the host Win32 subset (not part of the Win32 API).
#pragma once

#include "win32_host.h"
#include <string>

namespace zebhost
{
// UTF-8 <-> UTF-16. Invalid input becomes U+FFFD; nothing throws but bad_alloc.
std::u16string utf8ToUtf16(const std::string& s);
std::string utf16ToUtf8(const std::u16string& s);
std::string utf16ToUtf8(LPCWSTR s);

// Length of a NUL-terminated UTF-16 text; 0 for null.
size_t wideLength(LPCWSTR s);

// ASCII/Latin-1 upper-casing of one code unit, as Win32 compares names case-insensitively.
WCHAR upperUnit(WCHAR c);
// Case-insensitive equality of two UTF-16 texts.
bool equalsNoCase(const std::u16string& a, const std::u16string& b);

// An environment variable of the process, or the empty string when unset.
std::string environment(const char* name);
} // namespace zebhost
