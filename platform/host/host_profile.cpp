// Private-profile (INI) functions of the host Win32 subset, behaving as Wine 8's do: the
// library's INI tests run one table of cases against both.
//
// Every call reads the file afresh into a list of sections, each a list of lines. Lines before
// the first section header belong to a nameless section. A line is a key, with or without
// "=" and a value; comment lines (starting with ";") are keys too, kept in place and never
// listed. A write that changes something writes the whole profile back in the encoding the
// file had, so formatting is normalised then and only then.
//
// Wine writes outside the caller's buffer for some list sizes below 2; here those sizes get
// what fits and the same answers.

#include "host_paths.h"
#include "host_test_hooks.h"
#include "host_text.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace
{
using Text = std::u16string;

enum class Encoding
{
    Ansi,
    Utf16Le,
    Utf16Be,
    Utf8
};

struct Key
{
    Text name;
    bool hasValue;
    Text value;
};

struct Section
{
    Text name; // empty for the lines before the first header (and for a header "[]")
    std::vector<Key> keys;
};

struct Profile
{
    Encoding encoding = Encoding::Ansi;
    std::vector<Section> sections;
    bool existed = false;
    std::string hostPath;
};

// ---- Code page 1252 ----

// The characters of the bytes 0x80 to 0x9F (the five unassigned bytes stand for themselves).
const char16_t s_cp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                   0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                   0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                   0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// The bytes written for U+0100 to U+017F: the letter without its mark where there is one
// (a character of the code page where it has one itself), else "?".
const unsigned char s_latinExtendedA[128] = {
    'A',  'a',  'A',  'a',  'A', 'a', 'C', 'c', 'C',  'c', 'C', 'c', 'C', 'c',  'D',  'd',
    0xD0, 'd',  'E',  'e',  'E', 'e', 'E', 'e', 'E',  'e', 'E', 'e', 'G', 'g',  'G',  'g',
    'G',  'g',  'G',  'g',  'H', 'h', 'H', 'h', 'I',  'i', 'I', 'i', 'I', 'i',  'I',  'i',
    'I',  'i',  '?',  '?',  'J', 'j', 'K', 'k', '?',  'L', 'l', 'L', 'l', 'L',  'l',  '?',
    '?',  'L',  'l',  'N',  'n', 'N', 'n', 'N', 'n',  '?', '?', '?', 'O', 'o',  'O',  'o',
    'O',  'o',  0x8C, 0x9C, 'R', 'r', 'R', 'r', 'R',  'r', 'S', 's', 'S', 's',  'S',  's',
    0x8A, 0x9A, 'T',  't',  'T', 't', 'T', 't', 'U',  'u', 'U', 'u', 'U', 'u',  'U',  'u',
    'U',  'u',  'U',  'u',  'W', 'w', 'Y', 'y', 0x9F, 'Z', 'z', 'Z', 'z', 0x8E, 0x9E, '?'};

char16_t fromAnsi(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return s_cp1252High[byte - 0x80];
    return byte;
}

unsigned char toAnsi(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return static_cast<unsigned char>(c);
    for (unsigned i = 0; i < 32; ++i)
    {
        if (s_cp1252High[i] == c)
            return static_cast<unsigned char>(0x80 + i);
    }
    if (c >= 0x100 && c < 0x180)
        return s_latinExtendedA[c - 0x100];
    if (c >= 0xFF01 && c <= 0xFF5E) // full-width forms of ASCII
        return static_cast<unsigned char>(c - 0xFEE0);
    if (c == 0x3000) // ideographic space
        return ' ';
    return '?';
}

// ---- Text ----

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\v' || c == u'\f' || c == u'\r' ||
           c == 0x1A;
}

Text trimLeft(const Text& text)
{
    size_t start = 0;
    while (start < text.size() && isBlank(text[start]))
        ++start;
    return text.substr(start);
}

Text trimRight(const Text& text)
{
    size_t end = text.size();
    while (end > 0 && isBlank(text[end - 1]))
        --end;
    return text.substr(0, end);
}

Text trim(const Text& text)
{
    return trimRight(trimLeft(text));
}

Text toText(LPCWSTR sz)
{
    return sz ? Text(sz, zebhost::wideLength(sz)) : Text();
}

// Names compare without regard to ASCII case only, as Wine compares them.
bool sameName(const Text& left, const Text& right)
{
    if (left.size() != right.size())
        return false;
    for (size_t i = 0; i < left.size(); ++i)
    {
        char16_t a = left[i];
        char16_t b = right[i];
        if (a >= u'a' && a <= u'z')
            a = static_cast<char16_t>(a - 0x20);
        if (b >= u'a' && b <= u'z')
            b = static_cast<char16_t>(b - 0x20);
        if (a != b)
            return false;
    }
    return true;
}

// ---- Files ----

Text decode(const std::string& bytes, Encoding* encoding)
{
    const auto byteAt = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
    Text text;
    if (bytes.size() >= 2 &&
        ((byteAt(0) == 0xFF && byteAt(1) == 0xFE) || (byteAt(0) == 0xFE && byteAt(1) == 0xFF)))
    {
        const bool little = byteAt(0) == 0xFF;
        *encoding = little ? Encoding::Utf16Le : Encoding::Utf16Be;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(little ? byteAt(i) | (byteAt(i + 1) << 8)
                                                        : (byteAt(i) << 8) | byteAt(i + 1)));
        return text;
    }
    if (bytes.size() >= 3 && byteAt(0) == 0xEF && byteAt(1) == 0xBB && byteAt(2) == 0xBF)
    {
        *encoding = Encoding::Utf8;
        return zebhost::utf8ToUtf16(bytes.substr(3));
    }
    *encoding = Encoding::Ansi;
    for (size_t i = 0; i < bytes.size(); ++i)
        text.push_back(fromAnsi(byteAt(i)));
    return text;
}

std::string encode(const Text& text, Encoding encoding)
{
    std::string bytes;
    switch (encoding)
    {
    case Encoding::Utf16Le:
    case Encoding::Utf16Be:
    {
        const bool little = encoding == Encoding::Utf16Le;
        bytes = little ? "\xFF\xFE" : "\xFE\xFF";
        for (char16_t c : text)
        {
            const char low = static_cast<char>(c & 0xFF);
            const char high = static_cast<char>(c >> 8);
            bytes.push_back(little ? low : high);
            bytes.push_back(little ? high : low);
        }
        break;
    }
    case Encoding::Utf8:
        bytes = "\xEF\xBB\xBF" + zebhost::utf16ToUtf8(text);
        break;
    case Encoding::Ansi:
        for (char16_t c : text)
            bytes.push_back(static_cast<char>(toAnsi(c)));
        break;
    }
    return bytes;
}

void parse(const Text& text, Profile* profile)
{
    profile->sections.assign(1, Section());
    size_t start = 0;
    while (start <= text.size())
    {
        size_t end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const Text line = trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty())
            continue;
        if (line[0] == u'[')
        {
            // The header's name runs to the last "]"; text after it is ignored.
            const size_t close = line.rfind(u']');
            if (close != Text::npos)
            {
                profile->sections.push_back(Section{trim(line.substr(1, close - 1)), {}});
                continue;
            }
        }
        const size_t equals = line.find(u'=');
        if (equals == Text::npos)
            profile->sections.back().keys.push_back(Key{line, false, Text()});
        else
            profile->sections.back().keys.push_back(
                Key{trimRight(line.substr(0, equals)), true, trimLeft(line.substr(equals + 1))});
    }
}

Text serialize(const Profile& profile)
{
    Text text;
    for (const Section& section : profile.sections)
    {
        // A section without a name has no header line.
        if (!section.name.empty())
            text += u"[" + section.name + u"]\r\n";
        for (const Key& key : section.keys)
        {
            text += key.name;
            if (key.hasValue)
                text += u"=" + key.value;
            text += u"\r\n";
        }
    }
    return text;
}

// The Windows path of a profile: a bare file name lies in the Windows folder.
Text profilePath(LPCWSTR lpFileName)
{
    const Text name = toText(lpFileName ? lpFileName : u"win.ini");
    if (!name.empty() && name.find(u'\\') == Text::npos && name.find(u'/') == Text::npos)
        return u"C:\\windows\\" + name;
    return name;
}

// Reads the profile; a file that cannot be read gives an empty one. Answers the last error
// the call leaves: 0, or why the file could not be read.
DWORD load(const char* szFunction, LPCWSTR lpFileName, Profile* profile)
{
    profile->sections.assign(1, Section());
    DWORD error = 0;
    if (zebhost::injectedFailure(szFunction, &error))
        return error;
    const Text path = profilePath(lpFileName);
    zebhost::HostPath target;
    if (!zebhost::toHostPath(path.c_str(), &target, &error))
        return error;
    profile->hostPath = target.path;
    if (path.compare(0, 11, u"C:\\windows\\") == 0)
        mkdir(target.path.substr(0, target.path.find_last_of('/')).c_str(), 0777);
    const int fd = open(target.path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT ? zebhost::notFoundError(target.path) : zebhost::errnoToWin32(errno);
    struct stat st;
    if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode))
    {
        close(fd);
        return ERROR_ACCESS_DENIED;
    }
    std::string bytes;
    char chunk[4096];
    for (;;)
    {
        const ssize_t n = read(fd, chunk, sizeof(chunk));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
        {
            error = zebhost::errnoToWin32(errno);
            close(fd);
            return error;
        }
        if (n == 0)
            break;
        bytes.append(chunk, static_cast<size_t>(n));
    }
    close(fd);
    profile->existed = true;
    parse(decode(bytes, &profile->encoding), profile);
    return 0;
}

// Writes the whole profile back; false with the last error set when it cannot be written.
bool save(const Profile& profile)
{
    if (profile.hostPath.empty())
    {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    const std::string bytes = encode(serialize(profile), profile.encoding);
    const int fd = open(profile.hostPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
    {
        SetLastError(errno == ENOENT ? zebhost::notFoundError(profile.hostPath)
                                     : zebhost::errnoToWin32(errno));
        return false;
    }
    size_t done = 0;
    while (done < bytes.size())
    {
        const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
        {
            SetLastError(zebhost::errnoToWin32(n < 0 ? errno : ENOSPC));
            close(fd);
            return false;
        }
        done += static_cast<size_t>(n);
    }
    close(fd);
    SetLastError(profile.existed ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return true;
}

// ---- Lookups and changes ----

Section* findSection(Profile& profile, LPCWSTR lpAppName)
{
    const Text name = trim(toText(lpAppName));
    for (Section& section : profile.sections)
    {
        if (sameName(section.name, name))
            return &section;
    }
    return nullptr;
}

std::vector<Key>::iterator findKey(Section& section, LPCWSTR lpKeyName)
{
    const Text name = trim(toText(lpKeyName));
    return std::find_if(section.keys.begin(), section.keys.end(),
                        [&](const Key& key) { return sameName(key.name, name); });
}

bool deleteSection(Profile& profile, LPCWSTR lpAppName)
{
    Section* section = findSection(profile, lpAppName);
    if (!section)
        return false;
    profile.sections.erase(profile.sections.begin() + (section - profile.sections.data()));
    return true;
}

bool deleteKey(Profile& profile, LPCWSTR lpAppName, LPCWSTR lpKeyName)
{
    Section* section = findSection(profile, lpAppName);
    if (!section)
        return false;
    const auto key = findKey(*section, lpKeyName);
    if (key == section->keys.end())
        return false;
    section->keys.erase(key);
    return true;
}

// Sets a key, adding the section and the key at their ends when missing. New names and the
// value lose their leading blanks. Answers whether anything changed.
bool setKey(Profile& profile, LPCWSTR lpAppName, const Text& keyName, const Text& value)
{
    const Text newValue = trimLeft(value);
    Section* section = findSection(profile, lpAppName);
    if (!section)
    {
        profile.sections.push_back(Section{trimLeft(toText(lpAppName)), {}});
        section = &profile.sections.back();
    }
    const auto key = findKey(*section, keyName.c_str());
    if (key == section->keys.end())
    {
        section->keys.push_back(Key{trimLeft(keyName), true, newValue});
        return true;
    }
    if (key->hasValue && key->value == newValue)
        return false;
    key->hasValue = true;
    key->value = newValue;
    return true;
}

// ---- Copying results ----

// One value (or default) into a buffer of nSize >= 1 units. Text between matching quotes
// loses them; when the closing quote would not fit, the last character copied goes instead.
DWORD copyValue(const Text& text, LPWSTR buffer, DWORD nSize)
{
    const bool quoted =
        text.size() > 1 && (text[0] == u'"' || text[0] == u'\'') && text.back() == text[0];
    const size_t start = quoted ? 1 : 0;
    const size_t available = text.size() - start;
    size_t count = std::min<size_t>(available, nSize - 1);
    std::copy(text.begin() + start, text.begin() + start + count, buffer);
    buffer[count] = 0;
    if (quoted && nSize >= available && count > 0)
        buffer[--count] = 0;
    return static_cast<DWORD>(count);
}

// The default text: trailing spaces go, but never its first character.
Text defaultText(LPCWSTR lpDefault)
{
    Text text = toText(lpDefault);
    size_t end = text.size();
    while (end > 1 && text[end - 1] == u' ')
        --end;
    return text.substr(0, end);
}

// Entries of a section or keys of a section (each with its terminator) into nSize >= 2
// units: what fits of size - 2 units, then terminators up to a double one.
DWORD copyEntries(const Text& list, LPWSTR buffer, DWORD nSize)
{
    const size_t count = std::min<size_t>(list.size(), nSize - 2);
    std::copy(list.begin(), list.begin() + count, buffer);
    size_t end = count;
    if (count > 0 && list[count - 1] != 0)
        buffer[end++] = 0;
    buffer[end] = 0;
    return static_cast<DWORD>(count);
}

// Section names (each with its terminator) into nSize >= 1 units: the whole list and a final
// terminator when that fits in size - 1 units, else size - 2 units and two terminators.
DWORD copyNames(const Text& list, LPWSTR buffer, DWORD nSize)
{
    if (nSize == 1)
    {
        buffer[0] = 0;
        return 0;
    }
    if (list.size() <= nSize - 2)
    {
        std::copy(list.begin(), list.end(), buffer);
        buffer[list.size()] = 0;
        return static_cast<DWORD>(list.size());
    }
    std::copy(list.begin(), list.begin() + (nSize - 2), buffer);
    buffer[nSize - 2] = 0;
    buffer[nSize - 1] = 0;
    return nSize - 2;
}

Text sectionNames(const Profile& profile)
{
    Text list;
    for (const Section& section : profile.sections)
    {
        if (!section.name.empty())
            list += section.name + Text(1, 0);
    }
    return list;
}

bool isComment(const Key& key)
{
    return !key.name.empty() && key.name[0] == u';';
}

DWORD getString(const char* szFunction, LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName)
{
    if (!lpReturnedString || nSize == 0)
        return 0;
    Profile profile;
    SetLastError(load(szFunction, lpFileName, &profile));
    if (!lpAppName)
        return copyNames(sectionNames(profile), lpReturnedString, nSize);
    Section* section = findSection(profile, lpAppName);
    if (section && !lpKeyName)
    {
        // The names of the keys that have values (an empty name too); without any, the
        // default.
        Text list;
        for (const Key& key : section->keys)
        {
            if (key.hasValue && !isComment(key))
                list += key.name + Text(1, 0);
        }
        if (!list.empty())
        {
            if (nSize == 1)
            {
                lpReturnedString[0] = 0;
                return 0;
            }
            return copyEntries(list, lpReturnedString, nSize);
        }
    }
    else if (section)
    {
        const auto key = findKey(*section, lpKeyName);
        if (key != section->keys.end() && key->hasValue)
            return copyValue(key->value, lpReturnedString, nSize);
    }
    return copyValue(defaultText(lpDefault), lpReturnedString, nSize);
}

// The number at the start of a text: blanks, a sign, a lower-case base prefix (0x, 0o, 0b),
// then digits, stopping at the first that does not belong; it wraps at 32 bits.
UINT toNumber(LPCWSTR text)
{
    while (*text && *text <= u' ')
        ++text;
    bool negative = false;
    if (*text == u'+' || *text == u'-')
        negative = *text++ == u'-';
    UINT base = 10;
    if (text[0] == u'0' && (text[1] == u'x' || text[1] == u'o' || text[1] == u'b'))
    {
        base = text[1] == u'x' ? 16 : text[1] == u'o' ? 8 : 2;
        text += 2;
    }
    UINT value = 0;
    for (;; ++text)
    {
        UINT digit;
        if (*text >= u'0' && *text <= u'9')
            digit = *text - u'0';
        else if (*text >= u'a' && *text <= u'z')
            digit = *text - u'a' + 10;
        else if (*text >= u'A' && *text <= u'Z')
            digit = *text - u'A' + 10;
        else
            break;
        if (digit >= base)
            break;
        value = value * base + digit;
    }
    return negative ? 0u - value : value;
}
} // namespace

UINT WINAPI GetPrivateProfileIntW(LPCWSTR lpAppName, LPCWSTR lpKeyName, INT nDefault,
                                  LPCWSTR lpFileName)
{
    // The value is read into 30 units, as Wine reads it: longer texts are cut first.
    WCHAR buffer[30];
    if (getString("GetPrivateProfileIntW", lpAppName, lpKeyName, u"", buffer, 30, lpFileName) == 0)
        return static_cast<UINT>(nDefault);
    return toNumber(buffer);
}

DWORD WINAPI GetPrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpDefault,
                                      LPWSTR lpReturnedString, DWORD nSize, LPCWSTR lpFileName)
{
    return getString("GetPrivateProfileStringW", lpAppName, lpKeyName, lpDefault, lpReturnedString,
                     nSize, lpFileName);
}

DWORD WINAPI GetPrivateProfileSectionW(LPCWSTR lpAppName, LPWSTR lpReturnedString, DWORD nSize,
                                       LPCWSTR lpFileName)
{
    if (!lpReturnedString)
        return 0;
    Profile profile;
    SetLastError(load("GetPrivateProfileSectionW", lpFileName, &profile));
    Section* section = lpAppName ? findSection(profile, lpAppName) : nullptr;
    if (!section)
    {
        // A missing section gives two terminators.
        if (nSize >= 1)
            lpReturnedString[0] = 0;
        if (nSize >= 2)
            lpReturnedString[1] = 0;
        return 0;
    }
    // Every line but the comments, as it stands in the file.
    Text list;
    for (const Key& key : section->keys)
    {
        if (isComment(key))
            continue;
        list += key.name;
        if (key.hasValue)
            list += u"=" + key.value;
        list.push_back(0);
    }
    // Sizes below 2 answer size - 2, as for any list cut short.
    if (nSize < 2)
    {
        if (nSize == 1)
            lpReturnedString[0] = 0;
        return nSize - 2;
    }
    return copyEntries(list, lpReturnedString, nSize);
}

DWORD WINAPI GetPrivateProfileSectionNamesW(LPWSTR lpszReturnBuffer, DWORD nSize,
                                            LPCWSTR lpFileName)
{
    if (!lpszReturnBuffer || nSize == 0)
        return 0;
    Profile profile;
    SetLastError(load("GetPrivateProfileSectionNamesW", lpFileName, &profile));
    return copyNames(sectionNames(profile), lpszReturnBuffer, nSize);
}

namespace
{
// What the two writers share: the profile is read (a missing file is an empty profile),
// changed by `change`, and written back only when something changed.
template <class Change>
BOOL updateProfile(const char* szFunction, LPCWSTR lpFileName, Change&& change)
{
    Profile profile;
    const DWORD error = load(szFunction, lpFileName, &profile);
    // Only a missing file in an existing folder is an empty profile; a file that exists but
    // cannot be read is kept, and nothing is written into a missing folder.
    if (error != 0 && (profile.hostPath.empty() || error != ERROR_FILE_NOT_FOUND))
    {
        SetLastError(error);
        return FALSE;
    }
    if (!change(profile))
    {
        SetLastError(error);
        return TRUE;
    }
    return save(profile) ? TRUE : FALSE;
}
} // namespace

BOOL WINAPI WritePrivateProfileStringW(LPCWSTR lpAppName, LPCWSTR lpKeyName, LPCWSTR lpString,
                                       LPCWSTR lpFileName)
{
    // All three null only flush Wine's cache, and answer FALSE.
    if (!lpAppName && !lpKeyName && !lpString)
    {
        SetLastError(ERROR_SUCCESS);
        return FALSE;
    }
    if (!lpAppName)
    {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    return updateProfile("WritePrivateProfileStringW", lpFileName,
                         [&](Profile& profile)
                         {
                             if (!lpKeyName)
                                 return deleteSection(profile, lpAppName);
                             if (!lpString)
                                 return deleteKey(profile, lpAppName, lpKeyName);
                             return setKey(profile, lpAppName, toText(lpKeyName), toText(lpString));
                         });
}

BOOL WINAPI WritePrivateProfileSectionW(LPCWSTR lpAppName, LPCWSTR lpString, LPCWSTR lpFileName)
{
    // Wine fails on a null section (and crashes when the list is not null).
    if (!lpAppName)
    {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return updateProfile(
        "WritePrivateProfileSectionW", lpFileName,
        [&](Profile& profile)
        {
            if (!lpString)
                return deleteSection(profile, lpAppName);
            bool changed = false;
            Section* section = findSection(profile, lpAppName);
            if (section && !section->keys.empty())
            {
                section->keys.clear();
                changed = true;
            }
            for (LPCWSTR entry = lpString; *entry; entry += zebhost::wideLength(entry) + 1)
            {
                const Text text = toText(entry);
                const size_t equals = text.find(u'=');
                if (equals != Text::npos &&
                    setKey(profile, lpAppName, text.substr(0, equals), text.substr(equals + 1)))
                    changed = true;
            }
            return changed;
        });
}
