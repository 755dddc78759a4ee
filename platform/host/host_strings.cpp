// LoadStringW of the host Win32 subset: the program's own string table (generated from
// the resource script), in the language the environment selects, with the loader's
// fallback between languages.
#include "host_strings.h"
#include "host_text.h"
#include "win32_host.h"

#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace zebhost
{
namespace
{
struct LocaleLanguage
{
    const char* name; // "ll" or "ll_CC"
    WORD language;
};

// Locale names of the environment and the language identifiers they stand for. A name
// with only a language part gives that language's default country.
const LocaleLanguage s_locales[] = {
    {"en", 0x0409},    {"en_US", 0x0409}, {"en_GB", 0x0809}, {"en_AU", 0x0C09}, {"en_CA", 0x1009},
    {"en_NZ", 0x1409}, {"en_IE", 0x1809}, {"da", 0x0406},    {"da_DK", 0x0406}, {"de", 0x0407},
    {"de_DE", 0x0407}, {"de_CH", 0x0807}, {"de_AT", 0x0C07}, {"de_LU", 0x1007}, {"de_LI", 0x1407},
    {"es", 0x0C0A},    {"es_ES", 0x0C0A}, {"es_MX", 0x080A}, {"fi", 0x040B},    {"fi_FI", 0x040B},
    {"fr", 0x040C},    {"fr_FR", 0x040C}, {"fr_BE", 0x080C}, {"fr_CA", 0x0C0C}, {"fr_CH", 0x100C},
    {"fr_LU", 0x140C}, {"it", 0x0410},    {"it_IT", 0x0410}, {"it_CH", 0x0810}, {"ja", 0x0411},
    {"ja_JP", 0x0411}, {"ko", 0x0412},    {"ko_KR", 0x0412}, {"nl", 0x0413},    {"nl_NL", 0x0413},
    {"nl_BE", 0x0813}, {"nb", 0x0414},    {"nb_NO", 0x0414}, {"no", 0x0414},    {"no_NO", 0x0414},
    {"nn", 0x0814},    {"nn_NO", 0x0814}, {"pt", 0x0816},    {"pt_PT", 0x0816}, {"pt_BR", 0x0416},
    {"sv", 0x041D},    {"sv_SE", 0x041D}, {"sv_FI", 0x081D}, {"zh", 0x0804},    {"zh_CN", 0x0804},
    {"zh_SG", 0x1004}, {"zh_TW", 0x0404}, {"zh_HK", 0x0C04}, {"zh_MO", 0x1404},
};

const WORD s_english = 0x0409;

// The locale of messages: LC_ALL, then LC_MESSAGES, then LANG, the first that is set.
std::string messageLocale()
{
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"})
    {
        std::string value = environment(variable);
        if (!value.empty())
            return value;
    }
    return std::string();
}

WORD languageOf(const std::string& locale)
{
    // "ll_CC.charset@modifier": only language and country matter.
    std::string name = locale.substr(0, locale.find_first_of(".@"));
    for (const LocaleLanguage& entry : s_locales)
    {
        if (name == entry.name)
            return entry.language;
    }
    // An unknown country of a known language: that language's default.
    std::string languagePart = name.substr(0, name.find('_'));
    if (languagePart != name)
    {
        for (const LocaleLanguage& entry : s_locales)
        {
            if (languagePart == entry.name)
                return entry.language;
        }
    }
    return s_english; // C, POSIX, unset and languages the table does not know
}

// Strings are stored in blocks of sixteen ids; a language either holds a block or not.
UINT blockOf(UINT id)
{
    return id / 16 + 1;
}

bool holdsBlock(WORD language, UINT block)
{
    for (size_t n = 0; n < g_stringTableSize; ++n)
    {
        if (g_stringTable[n].language == language && blockOf(g_stringTable[n].id) == block)
            return true;
    }
    return false;
}

// The language whose block is used: the exact language, its neutral form, English, and
// only then any language that holds the block. false when no language holds it.
bool chooseLanguage(WORD wanted, UINT block, WORD* chosen)
{
    const WORD candidates[] = {wanted, static_cast<WORD>(PRIMARYLANGID(wanted)), s_english};
    for (WORD language : candidates)
    {
        if (holdsBlock(language, block))
        {
            *chosen = language;
            return true;
        }
    }
    for (size_t n = 0; n < g_stringTableSize; ++n)
    {
        if (blockOf(g_stringTable[n].id) == block)
        {
            *chosen = g_stringTable[n].language;
            return true;
        }
    }
    return false;
}
} // namespace

WORD hostUserLanguage()
{
    return languageOf(messageLocale());
}
} // namespace zebhost

int WINAPI LoadStringW(HINSTANCE hInstance, UINT uID, LPWSTR lpBuffer, int cchBufferMax)
{
    (void)hInstance; // the program's own module is the only one with resources
    if (lpBuffer == nullptr)
        return 0;
    UINT id = uID & 0xFFFF; // only the low word names the string
    WORD language = 0;
    if (!zebhost::chooseLanguage(zebhost::hostUserLanguage(), zebhost::blockOf(id), &language))
    {
        // No block at all: the buffer is left untouched.
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return 0;
    }
    // Inside a block that exists, an id without text is an empty string.
    static const WCHAR s_empty[] = {0};
    const WCHAR* text = s_empty;
    size_t length = 0;
    for (size_t n = 0; n < zebhost::g_stringTableSize; ++n)
    {
        const zebhost::StringTableEntry& entry = zebhost::g_stringTable[n];
        if (entry.language == language && entry.id == id)
        {
            text = entry.text;
            length = entry.length;
            break;
        }
    }
    if (cchBufferMax == 0)
    {
        // Read-only form: the buffer receives a pointer to the text itself.
        const WCHAR* pointer = text;
        std::memcpy(lpBuffer, &pointer, sizeof(pointer));
        return static_cast<int>(length);
    }
    // Room for the terminator only: nothing is written, not even the terminator.
    if (cchBufferMax <= 1)
        return 0;
    size_t copied = length < static_cast<size_t>(cchBufferMax - 1) ? length : cchBufferMax - 1;
    std::memcpy(lpBuffer, text, copied * sizeof(WCHAR));
    lpBuffer[copied] = 0;
    return static_cast<int>(copied);
}

namespace zebhost
{
namespace
{
// One string block in the resource layout, built once per (language, block) and kept for
// the life of the process, as a loaded module's resources are.
struct StringBlock
{
    std::vector<WORD> units;
};

StringBlock* findBlock(WORD language, UINT block)
{
    static std::map<DWORD, StringBlock> s_blocks;
    const DWORD key = (static_cast<DWORD>(language) << 16) | (block & 0xFFFF);
    auto found = s_blocks.find(key);
    if (found != s_blocks.end())
        return &found->second;
    if (!holdsBlock(language, block))
        return nullptr;
    StringBlock& result = s_blocks[key];
    for (UINT index = 0; index < 16; ++index)
    {
        const UINT id = (block - 1) * 16 + index;
        const StringTableEntry* pEntry = nullptr;
        for (size_t n = 0; n < g_stringTableSize; ++n)
            if (g_stringTable[n].language == language && g_stringTable[n].id == id)
                pEntry = &g_stringTable[n];
        result.units.push_back(static_cast<WORD>(pEntry ? pEntry->length : 0));
        if (pEntry)
            result.units.insert(result.units.end(), pEntry->text, pEntry->text + pEntry->length);
    }
    return &result;
}
} // namespace
} // namespace zebhost

HRSRC WINAPI FindResourceExW(HMODULE hModule, LPCWSTR lpType, LPCWSTR lpName, WORD wLanguage)
{
    (void)hModule;
    const ULONG_PTR type = reinterpret_cast<ULONG_PTR>(lpType);
    const ULONG_PTR name = reinterpret_cast<ULONG_PTR>(lpName);
    if (type != 6)
    {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return nullptr;
    }
    if (name == 0 || name > 0xFFFF)
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    bool bAnyLanguage = false;
    for (size_t n = 0; n < zebhost::g_stringTableSize; ++n)
        if (zebhost::blockOf(zebhost::g_stringTable[n].id) == name)
            bAnyLanguage = true;
    if (!bAnyLanguage)
    {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    zebhost::StringBlock* pBlock = zebhost::findBlock(wLanguage, static_cast<UINT>(name));
    if (!pBlock)
    {
        SetLastError(ERROR_RESOURCE_LANG_NOT_FOUND);
        return nullptr;
    }
    return reinterpret_cast<HRSRC>(pBlock);
}

HGLOBAL WINAPI LoadResource(HMODULE hModule, HRSRC hResInfo)
{
    (void)hModule;
    return hResInfo ? static_cast<HGLOBAL>(reinterpret_cast<zebhost::StringBlock*>(hResInfo))
                    : nullptr;
}

LPVOID WINAPI LockResource(HGLOBAL hResData)
{
    return hResData ? static_cast<zebhost::StringBlock*>(hResData)->units.data() : nullptr;
}

DWORD WINAPI SizeofResource(HMODULE hModule, HRSRC hResInfo)
{
    (void)hModule;
    return hResInfo
               ? static_cast<DWORD>(
                     reinterpret_cast<zebhost::StringBlock*>(hResInfo)->units.size() * sizeof(WORD))
               : 0;
}
