// The program's string table for the host LoadStringW. The table itself is generated
// at build time from the resource script by tools/rc_strings.cpp.
#pragma once

#include "win32_host.h"
#include <cstddef>

namespace zebhost
{
struct StringTableEntry
{
    WORD language;     // language identifier, as in the resource script's LANGUAGE statement
    UINT id;           // string id
    const WCHAR* text; // UTF-16 text, NUL-terminated
    size_t length;     // code units, without the terminator
};

// Ordered by language, then id; each (language, id) pair occurs once.
extern const StringTableEntry g_stringTable[];
extern const size_t g_stringTableSize;

// The language LoadStringW looks for first, from LC_ALL, LC_MESSAGES or LANG
// (the first one set); English (0x0409) for C, POSIX, unset or unknown locales.
WORD hostUserLanguage();
} // namespace zebhost
