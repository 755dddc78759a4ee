// Reading and writing the registry as .reg text ("Windows Registry Editor Version 5.00").
#include "host_registry.h"
#include "host_text.h"

#include <climits>
#include <cstdio>

namespace zebhost
{
namespace reg
{
namespace
{
const char16_t kHeader[] = u"Windows Registry Editor Version 5.00";

bool isBlank(char16_t c)
{
    return c == u' ' || c == u'\t';
}

int hexDigit(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1;
}

std::u16string trimRight(const std::u16string& s)
{
    size_t n = s.size();
    while (n > 0 && isBlank(s[n - 1]))
        --n;
    return s.substr(0, n);
}

// Reads the file bytes as UTF-16 text, one entry per line without line ends.
bool decodeLines(const std::string& bytes, std::vector<std::u16string>* lines, bool* utf16,
                 std::string* error)
{
    std::u16string text;
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE)
    {
        if (bytes.size() % 2 != 0)
        {
            *error = "1: UTF-16 text with an odd number of bytes";
            return false;
        }
        for (size_t i = 2; i < bytes.size(); i += 2)
            text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                 (static_cast<unsigned char>(bytes[i + 1]) << 8)));
        *utf16 = true;
    }
    else if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
             static_cast<unsigned char>(bytes[1]) == 0xFF)
    {
        *error = "1: big-endian UTF-16 is not supported";
        return false;
    }
    else
    {
        size_t skip = 0;
        if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0)
            skip = 3;
        text = utf8ToUtf16(bytes.substr(skip));
        *utf16 = false;
    }
    std::u16string cur;
    for (char16_t c : text)
    {
        if (c == u'\n')
        {
            if (!cur.empty() && cur.back() == u'\r')
                cur.pop_back();
            lines->push_back(cur);
            cur.clear();
        }
        else
        {
            cur.push_back(c);
        }
    }
    if (!cur.empty() && cur.back() == u'\r')
        cur.pop_back();
    if (!cur.empty())
        lines->push_back(cur);
    return true;
}

class Parser
{
public:
    Parser(const std::vector<std::u16string>& lines, Tree& tree) : lines_(lines), tree_(tree) {}

    bool run(std::string* error)
    {
        if (lines_.empty() || trimRight(lines_[0]) != kHeader)
            return fail(0, "the first line is not \"Windows Registry Editor Version 5.00\"", error);
        for (line_ = 1; line_ < lines_.size(); ++line_)
        {
            const std::u16string& text = lines_[line_];
            pos_ = 0;
            skipBlanks();
            if (pos_ == text.size() || text[pos_] == u';')
                continue;
            bool ok = false;
            if (text[pos_] == u'[')
                ok = keyLine();
            else if (text[pos_] == u'"' || text[pos_] == u'@')
                ok = valueLine();
            else
                message_ = "unexpected text; expected [key], \"name\"= or @=";
            if (!ok)
                return fail(line_, message_, error);
        }
        return true;
    }

private:
    enum class Current
    {
        None,
        Key,
        Deleted
    };

    bool fail(size_t line, const std::string& message, std::string* error)
    {
        *error = std::to_string(line + 1) + ": " + message;
        return false;
    }

    const std::u16string& text() const { return lines_[line_]; }
    bool atEnd() const { return pos_ >= text().size(); }

    void skipBlanks()
    {
        while (!atEnd() && isBlank(text()[pos_]))
            ++pos_;
    }

    // At a backslash that ends the line (a continuation): moves to the next line.
    bool continuation()
    {
        if (atEnd() || text()[pos_] != u'\\')
            return false;
        size_t p = pos_ + 1;
        while (p < text().size() && isBlank(text()[p]))
            ++p;
        if (p != text().size())
            return false;
        if (line_ + 1 >= lines_.size())
            return false;
        ++line_;
        pos_ = 0;
        skipBlanks();
        return true;
    }

    void skipBlanksAndContinuations()
    {
        skipBlanks();
        while (continuation())
        {
        }
    }

    bool keyLine()
    {
        std::u16string t = trimRight(text());
        if (t.empty() || t.back() != u']')
        {
            message_ = "key line without closing ]";
            return false;
        }
        std::u16string path = t.substr(pos_ + 1, t.size() - pos_ - 2);
        bool remove = !path.empty() && path[0] == u'-';
        if (remove)
            path.erase(0, 1);
        std::vector<std::u16string> parts = splitKeyPath(path);
        int root = -1;
        for (int i = 0; i < kRootCount && !parts.empty(); ++i)
            if (equalsNoCase(parts[0], rootName(i)))
                root = i;
        if (root < 0)
        {
            message_ = "unknown root key \"" +
                       (parts.empty() ? std::string() : utf16ToUtf8(parts[0])) + "\"";
            return false;
        }
        Key* key = tree_.roots[root].get();
        if (remove)
        {
            for (size_t i = 1; key && i + 1 < parts.size(); ++i)
                key = key->findSubkey(parts[i]);
            if (key && parts.size() > 1)
                key->removeSubkey(parts.back());
            current_ = Current::Deleted;
            key_ = nullptr;
            return true;
        }
        for (size_t i = 1; i < parts.size(); ++i)
        {
            bool created = false;
            key = key->addSubkey(parts[i], &created);
        }
        current_ = Current::Key;
        key_ = key;
        return true;
    }

    // A quoted text with \\, \", \n and \r escapes; pos_ is at the opening quote.
    bool quoted(std::u16string* out)
    {
        ++pos_;
        while (!atEnd())
        {
            char16_t c = text()[pos_++];
            if (c == u'"')
                return true;
            if (c != u'\\')
            {
                out->push_back(c);
                continue;
            }
            if (atEnd())
                break;
            char16_t e = text()[pos_++];
            if (e == u'\\' || e == u'"')
                out->push_back(e);
            else if (e == u'n')
                out->push_back(u'\n');
            else if (e == u'r')
                out->push_back(u'\r');
            else
            {
                message_ = "unknown escape sequence \\" + utf16ToUtf8(std::u16string(1, e));
                return false;
            }
        }
        message_ = "unterminated quoted text";
        return false;
    }

    bool keyword(const char* word)
    {
        size_t n = 0;
        while (word[n])
        {
            if (pos_ + n >= text().size() ||
                upperUnit(text()[pos_ + n]) != upperUnit(static_cast<char16_t>(word[n])))
                return false;
            ++n;
        }
        pos_ += n;
        return true;
    }

    // Reads up to `limit` hex digits into *value; returns how many there were.
    int hexNumber(DWORD* value, int limit)
    {
        int digits = 0;
        *value = 0;
        while (!atEnd() && hexDigit(text()[pos_]) >= 0 && digits < limit)
        {
            *value = (*value << 4) | static_cast<DWORD>(hexDigit(text()[pos_]));
            ++pos_;
            ++digits;
        }
        return digits;
    }

    // Comma-separated bytes of one or two hex digits, possibly over several lines.
    bool hexList(std::vector<BYTE>* out)
    {
        skipBlanksAndContinuations();
        if (atEnd())
            return true;
        for (;;)
        {
            // A third digit is read only to report it.
            DWORD value = 0;
            int digits = hexNumber(&value, 3);
            if (digits == 0 || digits > 2)
            {
                message_ = digits ? "a hex byte with more than two digits" : "bad hex byte";
                return false;
            }
            out->push_back(static_cast<BYTE>(value));
            skipBlanksAndContinuations();
            if (atEnd())
                return true;
            if (text()[pos_] != u',')
            {
                message_ = "bad hex byte list: expected a comma";
                return false;
            }
            ++pos_;
            skipBlanksAndContinuations();
            if (atEnd())
            {
                message_ = "bad hex byte list: a byte is missing after the comma";
                return false;
            }
        }
    }

    bool valueLine()
    {
        std::u16string name;
        if (text()[pos_] == u'@')
            ++pos_;
        else if (!quoted(&name))
            return false;
        skipBlanks();
        if (atEnd() || text()[pos_] != u'=')
        {
            message_ = "expected = after the value name";
            return false;
        }
        ++pos_;
        skipBlanks();
        size_t startLine = line_;
        bool remove = false;
        DWORD type = REG_SZ;
        std::vector<BYTE> data;
        if (!atEnd() && text()[pos_] == u'"')
        {
            std::u16string s;
            if (!quoted(&s))
                return false;
            for (char16_t c : s)
            {
                data.push_back(static_cast<BYTE>(c & 0xFF));
                data.push_back(static_cast<BYTE>(c >> 8));
            }
            data.push_back(0);
            data.push_back(0);
        }
        else if (!atEnd() && text()[pos_] == u'-')
        {
            ++pos_;
            remove = true;
        }
        else if (keyword("dword:"))
        {
            DWORD v = 0;
            int digits = hexNumber(&v, INT_MAX);
            if (digits == 0 || digits > 8)
            {
                message_ = "dword: needs one to eight hex digits";
                return false;
            }
            type = REG_DWORD;
            for (int i = 0; i < 4; ++i)
                data.push_back(static_cast<BYTE>(v >> (8 * i)));
        }
        else if (keyword("hex"))
        {
            type = REG_BINARY;
            if (!atEnd() && text()[pos_] == u'(')
            {
                ++pos_;
                DWORD t = 0;
                int digits = hexNumber(&t, INT_MAX);
                if (digits == 0 || digits > 8 || atEnd() || text()[pos_] != u')')
                {
                    message_ = "bad value type in hex(...)";
                    return false;
                }
                ++pos_;
                type = t;
            }
            if (atEnd() || text()[pos_] != u':')
            {
                message_ = "expected : after hex";
                return false;
            }
            ++pos_;
            if (!hexList(&data))
                return false;
        }
        else
        {
            message_ = "unknown value data; expected \"text\", dword:, hex:, hex(n): or -";
            return false;
        }
        skipBlanks();
        if (!atEnd())
        {
            message_ = "unexpected text after the value data";
            return false;
        }
        if (current_ == Current::None)
        {
            line_ = startLine;
            message_ = "a value before any [key] line";
            return false;
        }
        if (current_ == Current::Key)
        {
            if (remove)
                key_->removeValue(name);
            else
                key_->setValue(name, type, std::move(data));
        }
        return true;
    }

    const std::vector<std::u16string>& lines_;
    Tree& tree_;
    size_t line_ = 0;
    size_t pos_ = 0;
    Current current_ = Current::None;
    Key* key_ = nullptr;
    std::string message_;
};

// ---- Writing ----

std::u16string escaped(const std::u16string& s)
{
    std::u16string out;
    for (char16_t c : s)
    {
        if (c == u'\\' || c == u'"')
            out.push_back(u'\\');
        out.push_back(c);
    }
    return out;
}

// Text that can be written as "..." and read back to the same bytes: terminated once
// at the end, no other NUL, no line breaks, no lone surrogates.
bool plainText(const std::vector<BYTE>& data, std::u16string* out)
{
    if (data.size() < 2 || data.size() % 2 != 0)
        return false;
    size_t units = data.size() / 2;
    for (size_t i = 0; i < units; ++i)
    {
        char16_t c = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
        bool last = i + 1 == units;
        if (last)
            return c == 0;
        if (c == 0 || c == u'\n' || c == u'\r')
            return false;
        bool high = c >= 0xD800 && c <= 0xDBFF;
        bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (low)
            return false;
        if (high)
        {
            char16_t next = static_cast<char16_t>(data[2 * i + 2] | (data[2 * i + 3] << 8));
            if (next < 0xDC00 || next > 0xDFFF)
                return false;
            out->push_back(c);
            out->push_back(next);
            ++i;
            continue;
        }
        out->push_back(c);
    }
    return false;
}

void appendHex(std::u16string* out, const std::u16string& prefix, const std::vector<BYTE>& data)
{
    static const char digits[] = "0123456789abcdef";
    *out += prefix;
    size_t column = prefix.size();
    for (size_t i = 0; i < data.size(); ++i)
    {
        bool more = i + 1 < data.size();
        *out += static_cast<char16_t>(digits[data[i] >> 4]);
        *out += static_cast<char16_t>(digits[data[i] & 15]);
        column += 2;
        if (more)
        {
            *out += u',';
            ++column;
            if (column > 76)
            {
                *out += u"\\\n  ";
                column = 2;
            }
        }
    }
    *out += u'\n';
}

void appendValue(std::u16string* out, const Value& v)
{
    std::u16string name = v.name.empty() ? u"@" : u"\"" + escaped(v.name) + u"\"";
    name += u'=';
    std::u16string text;
    if (v.type == REG_SZ && plainText(v.data, &text))
    {
        *out += name + u"\"" + escaped(text) + u"\"\n";
        return;
    }
    if (v.type == REG_DWORD && v.data.size() == 4)
    {
        DWORD d = static_cast<DWORD>(v.data[0] | (v.data[1] << 8) | (v.data[2] << 16) |
                                     (static_cast<DWORD>(v.data[3]) << 24));
        char buf[16];
        std::snprintf(buf, sizeof buf, "%08x", static_cast<unsigned>(d));
        *out += name + u"dword:" + utf8ToUtf16(buf) + u"\n";
        return;
    }
    if (v.type == REG_BINARY)
    {
        appendHex(out, name + u"hex:", v.data);
        return;
    }
    char buf[24];
    std::snprintf(buf, sizeof buf, "hex(%x):", static_cast<unsigned>(v.type));
    appendHex(out, name + utf8ToUtf16(buf), v.data);
}

void appendKey(std::u16string* out, const Key& key, const std::u16string& path, bool isRoot)
{
    if (!isRoot || !key.values.empty())
    {
        *out += u"[" + path + u"]\n";
        for (const auto& v : key.values)
            appendValue(out, v);
        *out += u"\n";
    }
    for (const auto& sub : key.subkeys)
        appendKey(out, *sub, path + u"\\" + sub->name, false);
}
} // namespace

bool parseRegText(const std::string& bytes, Tree& out, std::string* error, bool* utf16)
{
    std::vector<std::u16string> lines;
    if (!decodeLines(bytes, &lines, utf16, error))
        return false;
    Parser parser(lines, out);
    return parser.run(error);
}

std::string formatRegText(const Tree& tree, bool utf16)
{
    std::u16string text = kHeader;
    text += u"\n\n";
    // The order regedit exports them in.
    static const int order[kRootCount] = {2, 1, 0, 3, 4};
    for (int i : order)
        appendKey(&text, *tree.roots[i], rootName(i), true);
    std::string bytes;
    if (!utf16)
        return utf16ToUtf8(text);
    bytes = "\xFF\xFE";
    for (char16_t c : text)
    {
        if (c == u'\n')
        {
            bytes.push_back('\r');
            bytes.push_back('\0');
        }
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}
} // namespace reg
} // namespace zebhost
