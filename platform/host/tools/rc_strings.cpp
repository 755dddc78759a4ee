// Build tool of the host build: reads the program's resource script (UTF-8, with the
// #defines of the headers it includes) and writes a C++ source holding every string of
// its STRINGTABLE blocks as {language, id, UTF-16 text}, for the host LoadStringW.
//
// It understands exactly the statements the script uses:
//   // and /* */ comments, #pragma code_page(65001), #include "file" (only #defines of
//   numbers are taken from it), LANGUAGE primary, sub, STRINGTABLE BEGIN/END (or { }),
//   entries `id "text"` or `id, "text"`, and `id type "file"` resources (skipped).
// Anything else stops the tool with a message naming the file and line and a non-zero
// exit status, so a partial table is never written.
//
// Usage: zeb_rc_strings <script.rc> <output.cpp>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace
{
struct ParseError : std::runtime_error
{
    using std::runtime_error::runtime_error;
};

struct Location
{
    std::string file;
    int line;
};

[[noreturn]] void fail(const Location& where, const std::string& what)
{
    throw ParseError(where.file + ":" + std::to_string(where.line) + ": " + what);
}

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ParseError(path + ": cannot be opened");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string directoryOf(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

// Removes comments (keeping line breaks so line numbers stay right) and splits into lines.
std::vector<std::string> stripComments(const std::string& text, const std::string& file)
{
    std::vector<std::string> lines(1);
    bool inBlock = false;
    bool inString = false;
    int blockStart = 0;
    for (size_t i = 0; i < text.size(); ++i)
    {
        char c = text[i];
        char next = i + 1 < text.size() ? text[i + 1] : '\0';
        if (c == '\n')
        {
            if (inString)
                fail({file, static_cast<int>(lines.size())}, "string literal not closed");
            lines.emplace_back();
            continue;
        }
        if (inBlock)
        {
            if (c == '*' && next == '/')
            {
                inBlock = false;
                ++i;
            }
            continue;
        }
        if (inString)
        {
            lines.back() += c;
            if (c == '"')
            {
                if (next == '"')
                {
                    lines.back() += next;
                    ++i;
                }
                else
                {
                    inString = false;
                }
            }
            else if (c == '\\' && next != '\0' && next != '\n')
            {
                lines.back() += next;
                ++i;
            }
            continue;
        }
        if (c == '/' && next == '/')
        {
            while (i + 1 < text.size() && text[i + 1] != '\n')
                ++i;
            continue;
        }
        if (c == '/' && next == '*')
        {
            inBlock = true;
            blockStart = static_cast<int>(lines.size());
            ++i;
            continue;
        }
        if (c == '"')
            inString = true;
        if (c != '\r')
            lines.back() += c;
    }
    if (inBlock)
        fail({file, blockStart}, "comment not closed");
    return lines;
}

std::string trim(const std::string& s)
{
    size_t b = 0;
    size_t e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool isIdentifier(const std::string& s)
{
    if (s.empty() || !(std::isalpha(static_cast<unsigned char>(s[0])) || s[0] == '_'))
        return false;
    for (char c : s)
    {
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_'))
            return false;
    }
    return true;
}

// A decimal or 0x hexadecimal number; false when the text is not one.
bool parseNumber(const std::string& s, unsigned long* value)
{
    if (s.empty() || !std::isdigit(static_cast<unsigned char>(s[0])))
        return false;
    size_t used = 0;
    unsigned long v = 0;
    try
    {
        v = std::stoul(s, &used, 0);
    }
    catch (const std::exception&)
    {
        return false;
    }
    if (used != s.size())
        return false;
    *value = v;
    return true;
}

class Script
{
public:
    struct Entry
    {
        unsigned language;
        unsigned id;
        std::u16string text;
        Location where;
    };

    void parse(const std::string& path)
    {
        std::vector<std::string> lines = stripComments(readFile(path), path);
        for (size_t n = 0; n < lines.size(); ++n)
            statement(trim(lines[n]), Location{path, static_cast<int>(n + 1)});
        if (m_inTable)
            fail(m_tableStart, "STRINGTABLE not closed");
    }

    const std::vector<Entry>& entries() const { return m_entries; }

private:
    void statement(const std::string& line, const Location& where)
    {
        if (line.empty())
            return;
        if (line[0] == '#')
            return directive(line, where);
        if (m_inTable)
            return tableLine(line, where);
        if (m_expectBegin)
        {
            if (line != "BEGIN" && line != "{")
                fail(where, "BEGIN expected after STRINGTABLE");
            m_expectBegin = false;
            m_inTable = true;
            return;
        }
        std::vector<std::string> words = split(line);
        if (words[0] == "LANGUAGE")
            return language(line.substr(8), where);
        if (words[0] == "STRINGTABLE" && words.size() == 1)
        {
            if (!m_haveLanguage)
                fail(where, "STRINGTABLE without a LANGUAGE statement before it");
            m_expectBegin = true;
            m_tableStart = where;
            return;
        }
        // `name type "file"`: a resource of another kind (the manifest), not a string.
        if (words.size() == 3 && words[2].size() >= 2 && words[2].front() == '"' &&
            words[2].back() == '"')
        {
            value(words[0], where);
            value(words[1], where);
            return;
        }
        fail(where, "statement not understood: " + line);
    }

    void directive(const std::string& line, const Location& where)
    {
        std::string rest = trim(line.substr(1));
        if (rest.rfind("pragma once", 0) == 0)
            return;
        if (rest.rfind("pragma", 0) == 0)
        {
            std::string arg = trim(rest.substr(6));
            std::string compact;
            for (char c : arg)
            {
                if (!std::isspace(static_cast<unsigned char>(c)))
                    compact += c;
            }
            if (compact != "code_page(65001)")
                fail(where, "only #pragma code_page(65001) is understood");
            m_utf8 = true;
            return;
        }
        if (rest.rfind("include", 0) == 0)
        {
            std::string name = trim(rest.substr(7));
            if (name.size() < 2 || name.front() != '"' || name.back() != '"')
                fail(where, "only #include \"file\" is understood");
            return includeHeader(directoryOf(where.file) + "/" + name.substr(1, name.size() - 2));
        }
        if (rest.rfind("define", 0) == 0)
            return define(rest.substr(6), where);
        fail(where, "preprocessor directive not understood: " + line);
    }

    void includeHeader(const std::string& path)
    {
        std::vector<std::string> lines = stripComments(readFile(path), path);
        for (size_t n = 0; n < lines.size(); ++n)
        {
            std::string line = trim(lines[n]);
            Location where{path, static_cast<int>(n + 1)};
            if (line.empty())
                continue;
            if (line[0] != '#')
                fail(where, "a header included by the script may hold only #defines");
            std::string rest = trim(line.substr(1));
            if (rest.rfind("pragma once", 0) == 0)
                continue;
            if (rest.rfind("define", 0) != 0)
                fail(where, "directive not understood: " + line);
            define(rest.substr(6), where);
        }
    }

    void define(const std::string& body, const Location& where)
    {
        std::vector<std::string> words = split(trim(body));
        if (words.size() != 2 || !isIdentifier(words[0]))
            fail(where, "#define NAME number expected");
        unsigned long v = 0;
        if (!parseNumber(words[1], &v))
            fail(where, "#define " + words[0] + " is not a number");
        auto known = m_defines.find(words[0]);
        if (known != m_defines.end() && known->second != v)
            fail(where, words[0] + " defined twice with different values");
        m_defines[words[0]] = v;
    }

    unsigned long value(const std::string& word, const Location& where) const
    {
        unsigned long v = 0;
        if (parseNumber(word, &v))
            return v;
        auto it = m_defines.find(word);
        if (it == m_defines.end())
            fail(where, "unknown name " + word);
        return it->second;
    }

    void language(const std::string& args, const Location& where)
    {
        size_t comma = args.find(',');
        if (comma == std::string::npos)
            fail(where, "LANGUAGE primary, sub expected");
        unsigned long primary = value(trim(args.substr(0, comma)), where);
        unsigned long sub = value(trim(args.substr(comma + 1)), where);
        if (primary > 0x3FF || sub > 0x3F)
            fail(where, "language identifier out of range");
        m_language = static_cast<unsigned>((sub << 10) | primary);
        m_haveLanguage = true;
    }

    void tableLine(const std::string& line, const Location& where)
    {
        if (line == "END" || line == "}")
        {
            m_inTable = false;
            return;
        }
        size_t quote = line.find('"');
        if (quote == std::string::npos)
            fail(where, "string entry expected: " + line);
        std::string head = trim(line.substr(0, quote));
        if (!head.empty() && head.back() == 'L' &&
            (head.size() == 1 || !std::isalnum(static_cast<unsigned char>(head[head.size() - 2]))))
        {
            // L"..." is the same text to the resource compiler.
            head = trim(head.substr(0, head.size() - 1));
        }
        if (!head.empty() && head.back() == ',')
            head = trim(head.substr(0, head.size() - 1));
        if (head.empty() || split(head).size() != 1)
            fail(where, "one string id expected before the text");
        unsigned long id = value(head, where);
        if (id > 0xFFFF)
            fail(where, "string id out of range");
        size_t end = 0;
        std::u16string text = literal(line, quote, &end, where);
        if (!trim(line.substr(end)).empty())
            fail(where, "unexpected text after the string: " + line.substr(end));
        for (const Entry& e : m_entries)
        {
            if (e.language == m_language && e.id == id)
                fail(where, "string " + std::to_string(id) + " defined twice for language " +
                                std::to_string(m_language));
        }
        m_entries.push_back(Entry{m_language, static_cast<unsigned>(id), std::move(text), where});
    }

    // Decodes the literal starting at the quote at `start`; `*end` is set past its close.
    std::u16string literal(const std::string& line, size_t start, size_t* end,
                           const Location& where) const
    {
        std::string bytes;
        size_t i = start + 1;
        for (;; ++i)
        {
            if (i >= line.size())
                fail(where, "string literal not closed");
            char c = line[i];
            if (c == '"')
            {
                if (i + 1 < line.size() && line[i + 1] == '"')
                {
                    bytes += '"';
                    ++i;
                    continue;
                }
                break;
            }
            if (c == '\\')
            {
                char e = i + 1 < line.size() ? line[i + 1] : '\0';
                ++i;
                switch (e)
                {
                case 'n':
                    bytes += '\n';
                    break;
                case 't':
                    bytes += '\t';
                    break;
                case 'r':
                    bytes += '\r';
                    break;
                case '\\':
                    bytes += '\\';
                    break;
                case '"':
                    bytes += '"';
                    break;
                default:
                    fail(where, std::string("escape sequence not understood: \\") + e);
                }
                continue;
            }
            if (static_cast<unsigned char>(c) >= 0x80 && !m_utf8)
                fail(where, "non-ASCII text needs #pragma code_page(65001) before it");
            bytes += c;
        }
        *end = i + 1;
        return utf8(bytes, where);
    }

    static std::u16string utf8(const std::string& s, const Location& where)
    {
        std::u16string out;
        for (size_t i = 0; i < s.size();)
        {
            unsigned char c = static_cast<unsigned char>(s[i]);
            size_t extra = c < 0x80             ? 0
                           : (c & 0xE0) == 0xC0 ? 1
                           : (c & 0xF0) == 0xE0 ? 2
                           : (c & 0xF8) == 0xF0 ? 3
                                                : 9;
            if (extra == 9 || i + extra >= s.size())
                fail(where, "invalid UTF-8 in string");
            uint32_t cp = extra == 0 ? c : (c & (0x3F >> extra));
            for (size_t k = 1; k <= extra; ++k)
            {
                unsigned char d = static_cast<unsigned char>(s[i + k]);
                if ((d & 0xC0) != 0x80)
                    fail(where, "invalid UTF-8 in string");
                cp = (cp << 6) | (d & 0x3F);
            }
            static const uint32_t minimum[] = {0, 0x80, 0x800, 0x10000};
            if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
                fail(where, "invalid UTF-8 in string");
            if (cp >= 0x10000)
            {
                cp -= 0x10000;
                out += static_cast<char16_t>(0xD800 + (cp >> 10));
                out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
            }
            else
            {
                out += static_cast<char16_t>(cp);
            }
            i += extra + 1;
        }
        return out;
    }

    static std::vector<std::string> split(const std::string& s)
    {
        std::vector<std::string> words;
        std::istringstream in(s);
        std::string w;
        while (in >> w)
            words.push_back(w);
        if (words.empty())
            words.emplace_back();
        return words;
    }

    std::map<std::string, unsigned long> m_defines;
    std::vector<Entry> m_entries;
    unsigned m_language = 0;
    bool m_haveLanguage = false;
    bool m_utf8 = false;
    bool m_expectBegin = false;
    bool m_inTable = false;
    Location m_tableStart{"", 0};
};

std::string generate(std::vector<Script::Entry> entries, const std::string& source)
{
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Script::Entry& a, const Script::Entry& b)
                     { return a.language != b.language ? a.language < b.language : a.id < b.id; });
    std::ostringstream out;
    out << "// Generated from " << source << " by zeb_rc_strings. Do not edit.\n";
    out << "#include \"host_strings.h\"\n\nnamespace zebhost\n{\nnamespace\n{\n";
    for (size_t n = 0; n < entries.size(); ++n)
    {
        out << "const WCHAR s_text" << n << "[] = {";
        for (char16_t u : entries[n].text)
            out << "0x" << std::hex << static_cast<unsigned>(u) << std::dec << ", ";
        out << "0};\n";
    }
    out << "} // namespace\n\nconst StringTableEntry g_stringTable[] = {\n";
    for (size_t n = 0; n < entries.size(); ++n)
    {
        out << "    {0x" << std::hex << entries[n].language << std::dec << ", " << entries[n].id
            << ", s_text" << n << ", " << entries[n].text.size() << "},\n";
    }
    if (entries.empty())
        out << "    {0, 0, nullptr, 0},\n";
    out << "};\nconst size_t g_stringTableSize = " << entries.size()
        << ";\n} // namespace zebhost\n";
    return out.str();
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 3)
    {
        std::fprintf(stderr, "usage: %s <script.rc> <output.cpp>\n", argv[0]);
        return 2;
    }
    try
    {
        Script script;
        script.parse(argv[1]);
        if (script.entries().empty())
            throw ParseError(std::string(argv[1]) + ": no STRINGTABLE entries found");
        std::string text = generate(script.entries(), argv[1]);
        std::string temporary = std::string(argv[2]) + ".tmp";
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out << text;
            out.close();
            if (!out)
                throw ParseError(temporary + ": cannot be written");
        }
        if (std::rename(temporary.c_str(), argv[2]) != 0)
            throw ParseError(std::string(argv[2]) + ": cannot be written");
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "zeb_rc_strings: error: %s\n", e.what());
        return 1;
    }
    return 0;
}
