// INI files: the private-profile functions themselves (tables of cases whose expectations
// are what Wine's functions do: the host subset must give exactly the same), then the
// CZEBIni class built on them. Every suite runs on the host and under Wine.
#include "zeb_ini.h"
#include "zeb_method_trace.h"
#include "zeb_storage_test_support.h"

#include <gtest/gtest.h>

#include <functional>

#ifndef _WIN32
#include "host/host_test_hooks.h"
#endif

using namespace zebtest;

namespace
{
const WCHAR kSentinel = static_cast<WCHAR>(0xBDBD);
const DWORD kBufferUnits = 128;

// A file for reading, in ANSI: comments, blank lines, a line without "=", blanks around
// names and values, quoted values, duplicate sections, headers with text around them, and
// lines ended by CR alone or LF alone with other blanks (VT, FF, SUB) around them.
const Units kReadFile =
    ZEB_UNITS("; lead comment\r\ntop=1\r\n[Sec]\r\nkey=abcdef\r\nb=2\r\n;c=1\r\nn\r\n"
              "  spaced key  =  spaced value  \r\nk2=\r\n=empty\r\n\r\n[Second]\r\nz=9\r\n[E]\r\n"
              "[Q]\r\na=\"x\"\r\nb='y'\r\nc=\"\r\nd=\"\"\r\ne= \" sp \" \r\nf=\"a\"b\"\r\ng=x\"\r\n"
              "h='a\"\r\nq=\"xy\"\r\n[Dup]\r\na=1\r\na=2\r\n[dup]\r\nb=3\r\n[ Trim ]\r\nt=1\r\n"
              "[Hdr] tail\r\nh=1\r\n[x[y]\r\nj=2\r\n[a]b]c\r\nk=1\r\n"
              "[Ws]\rk=v\r\tt\t=\tw\t\n\x0b"
              "a\x0b=\x0c"
              "1\x0c\r\n\x1a"
              "b=2\x1a\r\n");

// The profile file of one case: a fresh name per case, as Wine keeps profiles it has read.
class ProfileFiles
{
public:
    ProfileFiles() : m_folder(ZEB_W("zebtest_ini")) {}
    WString next()
    {
        return m_folder.file(ZEB_W("p") + WString(CZEBWCharString(++m_nFile).getBuffer()) +
                             ZEB_W(".ini"));
    }
    const ScratchFolder& folder() const { return m_folder; }

private:
    ScratchFolder m_folder;
    int m_nFile = 0;
};

// The units a call wrote: the buffer up to the last unit that is not the sentinel, which
// must be followed by nothing but sentinels (nothing is written past the end either).
WString writtenUnits(const WCHAR* pBuffer)
{
    DWORD ulEnd = kBufferUnits;
    while (ulEnd > 0 && pBuffer[ulEnd - 1] == kSentinel)
        --ulEnd;
    return WString(pBuffer, ulEnd);
}

struct FilledBuffer
{
    FilledBuffer()
    {
        for (WCHAR& c : units)
            c = kSentinel;
    }
    WCHAR units[kBufferUnits];
};

// ---- Reading ----------------------------------------------------------------------------

enum class ReadCall
{
    String,       // GetPrivateProfileStringW
    Section,      // GetPrivateProfileSectionW
    SectionNames, // GetPrivateProfileSectionNamesW
};

struct ReadCase
{
    const char* label;
    ReadCall call;
    LPCWSTR szSection;
    LPCWSTR szKey;
    LPCWSTR szDefault;
    DWORD ulSize;
    DWORD ulResult;
    Units written; // exactly the units the call writes
};

class ProfileFunctions : public ::testing::Test
{
protected:
    ProfileFiles files;

    void runReads(Encoding encoding, const Units& file, const ReadCase* pCases, size_t ulCases)
    {
        const WString path = files.next();
        ASSERT_TRUE(writeFileBytes(path, fileBytes(encoding, file.text())));
        for (size_t i = 0; i < ulCases; ++i)
        {
            const ReadCase& c = pCases[i];
            SCOPED_TRACE(c.label);
            FilledBuffer buffer;
            DWORD ulResult = 0;
            switch (c.call)
            {
            case ReadCall::String:
                ulResult = GetPrivateProfileStringW(c.szSection, c.szKey, c.szDefault, buffer.units,
                                                    c.ulSize, path.c_str());
                break;
            case ReadCall::Section:
                ulResult =
                    GetPrivateProfileSectionW(c.szSection, buffer.units, c.ulSize, path.c_str());
                break;
            case ReadCall::SectionNames:
                ulResult = GetPrivateProfileSectionNamesW(buffer.units, c.ulSize, path.c_str());
                break;
            }
            EXPECT_EQ(c.ulResult, ulResult);
            const WString written = writtenUnits(buffer.units);
            EXPECT_EQ(showUnits(c.written.text()), showUnits(written));
        }
    }

    void runWrites(const struct WriteCase* pCases, size_t ulCases);
};

TEST_F(ProfileFunctions, OneValueIsCutToSizeMinusOne)
{
    const ReadCase cases[] = {
        {"whole", ReadCall::String, ZEB_W("Sec"), ZEB_W("key"), ZEB_W(""), 100, 6,
         ZEB_UNITS("abcdef\0")},
        {"exactly fits", ReadCall::String, ZEB_W("Sec"), ZEB_W("key"), ZEB_W(""), 7, 6,
         ZEB_UNITS("abcdef\0")},
        {"cut: size - 1", ReadCall::String, ZEB_W("Sec"), ZEB_W("key"), ZEB_W(""), 6, 5,
         ZEB_UNITS("abcde\0")},
        {"cut to nothing", ReadCall::String, ZEB_W("Sec"), ZEB_W("key"), ZEB_W(""), 1, 0,
         ZEB_UNITS("\0")},
        {"no room at all", ReadCall::String, ZEB_W("Sec"), ZEB_W("key"), ZEB_W(""), 0, 0,
         ZEB_NO_UNITS},
        {"names ignore ASCII case", ReadCall::String, ZEB_W("sEC"), ZEB_W("KEY"), ZEB_W(""), 100, 6,
         ZEB_UNITS("abcdef\0")},
        {"names are trimmed", ReadCall::String, ZEB_W(" Sec\t"), ZEB_W(" key "), ZEB_W(""), 100, 6,
         ZEB_UNITS("abcdef\0")},
        {"blanks around name and value", ReadCall::String, ZEB_W("Sec"), ZEB_W("spaced key"),
         ZEB_W(""), 100, 12, ZEB_UNITS("spaced value\0")},
        {"empty value: no default", ReadCall::String, ZEB_W("Sec"), ZEB_W("k2"), ZEB_W("D"), 100, 0,
         ZEB_UNITS("\0")},
        {"a line without = has no value", ReadCall::String, ZEB_W("Sec"), ZEB_W("n"), ZEB_W("D"),
         100, 1, ZEB_UNITS("D\0")},
        {"an empty key name", ReadCall::String, ZEB_W("Sec"), ZEB_W(""), ZEB_W("D"), 100, 5,
         ZEB_UNITS("empty\0")},
        {"a comment line is a key", ReadCall::String, ZEB_W("Sec"), ZEB_W(";c"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("1\0")},
        {"lines before any header", ReadCall::String, ZEB_W(""), ZEB_W("top"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("1\0")},
        {"missing key: default", ReadCall::String, ZEB_W("Sec"), ZEB_W("missing"), ZEB_W("def"),
         100, 3, ZEB_UNITS("def\0")},
        {"missing section: default", ReadCall::String, ZEB_W("Nope"), ZEB_W("key"), ZEB_W("def"),
         100, 3, ZEB_UNITS("def\0")},
        {"default cut to size - 1", ReadCall::String, ZEB_W("Sec"), ZEB_W("missing"),
         ZEB_W("defaultvalue"), 5, 4, ZEB_UNITS("defa\0")},
        {"default loses trailing spaces", ReadCall::String, ZEB_W("Sec"), ZEB_W("missing"),
         ZEB_W("  def  "), 100, 5, ZEB_UNITS("  def\0")},
        {"default keeps its first space", ReadCall::String, ZEB_W("Sec"), ZEB_W("missing"),
         ZEB_W("  "), 100, 1, ZEB_UNITS(" \0")},
        {"null default", ReadCall::String, ZEB_W("Sec"), ZEB_W("missing"), nullptr, 100, 0,
         ZEB_UNITS("\0")},
        {"quoted default", ReadCall::String, ZEB_W("Sec"), ZEB_W("missing"), ZEB_W("\"q\""), 100, 1,
         ZEB_UNITS("q\0\0")},
        {"double quotes go", ReadCall::String, ZEB_W("Q"), ZEB_W("a"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("x\0\0")},
        {"single quotes go", ReadCall::String, ZEB_W("Q"), ZEB_W("b"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("y\0\0")},
        {"one quote stays", ReadCall::String, ZEB_W("Q"), ZEB_W("c"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("\"\0")},
        {"two quotes: empty", ReadCall::String, ZEB_W("Q"), ZEB_W("d"), ZEB_W("D"), 100, 0,
         ZEB_UNITS("\0\0")},
        {"blanks inside quotes stay", ReadCall::String, ZEB_W("Q"), ZEB_W("e"), ZEB_W("D"), 100, 4,
         ZEB_UNITS(" sp \0\0")},
        {"inner quote stays", ReadCall::String, ZEB_W("Q"), ZEB_W("f"), ZEB_W("D"), 100, 3,
         ZEB_UNITS("a\"b\0\0")},
        {"closing quote alone stays", ReadCall::String, ZEB_W("Q"), ZEB_W("g"), ZEB_W("D"), 100, 2,
         ZEB_UNITS("x\"\0")},
        {"mismatched quotes stay", ReadCall::String, ZEB_W("Q"), ZEB_W("h"), ZEB_W("D"), 100, 3,
         ZEB_UNITS("'a\"\0")},
        {"quoted, size 2", ReadCall::String, ZEB_W("Q"), ZEB_W("q"), ZEB_W(""), 2, 1,
         ZEB_UNITS("x\0")},
        {"quoted, size 3: the last character goes for the quote", ReadCall::String, ZEB_W("Q"),
         ZEB_W("q"), ZEB_W(""), 3, 1, ZEB_UNITS("x\0\0")},
        {"quoted, size 4", ReadCall::String, ZEB_W("Q"), ZEB_W("q"), ZEB_W(""), 4, 2,
         ZEB_UNITS("xy\0\0")},
        {"first of duplicate keys", ReadCall::String, ZEB_W("Dup"), ZEB_W("a"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("1\0")},
        {"first of duplicate sections only", ReadCall::String, ZEB_W("Dup"), ZEB_W("b"), ZEB_W("D"),
         100, 1, ZEB_UNITS("D\0")},
        {"header with blanks inside", ReadCall::String, ZEB_W("Trim"), ZEB_W("t"), ZEB_W("D"), 100,
         1, ZEB_UNITS("1\0")},
        {"text after the header", ReadCall::String, ZEB_W("Hdr"), ZEB_W("h"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("1\0")},
        {"[ inside a header", ReadCall::String, ZEB_W("x[y"), ZEB_W("j"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("2\0")},
        {"the header runs to the last ]", ReadCall::String, ZEB_W("a]b"), ZEB_W("k"), ZEB_W("D"),
         100, 1, ZEB_UNITS("1\0")},
        {"CR alone ends a line", ReadCall::String, ZEB_W("Ws"), ZEB_W("k"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("v\0")},
        {"tabs are blanks", ReadCall::String, ZEB_W("Ws"), ZEB_W("t"), ZEB_W("D"), 100, 1,
         ZEB_UNITS("w\0")},
    };
    runReads(Encoding::Ansi, kReadFile, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(ProfileFunctions, ListsAreCutToSizeMinusTwo)
{
    const ReadCase cases[] = {
        // The lines of a section, as they stand, comments left out: 52 units.
        {"section", ReadCall::Section, ZEB_W("Sec"), nullptr, nullptr, 100, 52,
         ZEB_UNITS("key=abcdef\0b=2\0n\0spaced key=spaced value\0k2=\0=empty\0\0")},
        {"section, exactly fits", ReadCall::Section, ZEB_W("Sec"), nullptr, nullptr, 54, 52,
         ZEB_UNITS("key=abcdef\0b=2\0n\0spaced key=spaced value\0k2=\0=empty\0\0")},
        {"section cut before its last terminator", ReadCall::Section, ZEB_W("Sec"), nullptr,
         nullptr, 53, 51,
         ZEB_UNITS("key=abcdef\0b=2\0n\0spaced key=spaced value\0k2=\0=empty\0\0")},
        {"section cut inside a line", ReadCall::Section, ZEB_W("Sec"), nullptr, nullptr, 20, 18,
         ZEB_UNITS("key=abcdef\0b=2\0n\0s\0\0")},
        {"section cut after a line", ReadCall::Section, ZEB_W("Sec"), nullptr, nullptr, 13, 11,
         ZEB_UNITS("key=abcdef\0\0")},
        {"section cut before a line's terminator", ReadCall::Section, ZEB_W("Sec"), nullptr,
         nullptr, 12, 10, ZEB_UNITS("key=abcdef\0\0")},
        {"section, size 3", ReadCall::Section, ZEB_W("Sec"), nullptr, nullptr, 3, 1,
         ZEB_UNITS("k\0\0")},
        {"section, size 2", ReadCall::Section, ZEB_W("Sec"), nullptr, nullptr, 2, 0,
         ZEB_UNITS("\0")},
        {"empty section", ReadCall::Section, ZEB_W("E"), nullptr, nullptr, 100, 0, ZEB_UNITS("\0")},
        {"missing section", ReadCall::Section, ZEB_W("Nope"), nullptr, nullptr, 100, 0,
         ZEB_UNITS("\0\0")},
        {"lines before any header", ReadCall::Section, ZEB_W(""), nullptr, nullptr, 100, 6,
         ZEB_UNITS("top=1\0\0")},
        {"duplicate keys are all listed", ReadCall::Section, ZEB_W("Dup"), nullptr, nullptr, 100, 8,
         ZEB_UNITS("a=1\0a=2\0\0")},
        {"blanks of every kind trimmed", ReadCall::Section, ZEB_W("ws"), nullptr, nullptr, 100, 16,
         ZEB_UNITS("k=v\0t=w\0a=1\0b=2\0\0")},
        // The keys of a section that have values, comments left out; the empty name of
        // "=empty" is listed as an empty entry.
        {"keys", ReadCall::String, ZEB_W("Sec"), nullptr, ZEB_W(""), 100, 21,
         ZEB_UNITS("key\0b\0spaced key\0k2\0\0\0")},
        {"keys, exactly fit", ReadCall::String, ZEB_W("Sec"), nullptr, ZEB_W(""), 23, 21,
         ZEB_UNITS("key\0b\0spaced key\0k2\0\0\0")},
        {"keys cut before the empty name", ReadCall::String, ZEB_W("Sec"), nullptr, ZEB_W(""), 22,
         20, ZEB_UNITS("key\0b\0spaced key\0k2\0\0")},
        {"keys cut before the last terminator", ReadCall::String, ZEB_W("Sec"), nullptr, ZEB_W(""),
         21, 19, ZEB_UNITS("key\0b\0spaced key\0k2\0\0")},
        {"keys cut inside a name", ReadCall::String, ZEB_W("Sec"), nullptr, ZEB_W(""), 10, 8,
         ZEB_UNITS("key\0b\0sp\0\0")},
        {"keys cut after a name", ReadCall::String, ZEB_W("Sec"), nullptr, ZEB_W(""), 6, 4,
         ZEB_UNITS("key\0\0")},
        {"keys, size 2", ReadCall::String, ZEB_W("Sec"), nullptr, ZEB_W(""), 2, 0, ZEB_UNITS("\0")},
        {"no keys: the default", ReadCall::String, ZEB_W("E"), nullptr, ZEB_W("def"), 100, 3,
         ZEB_UNITS("def\0")},
        {"no section: the default", ReadCall::String, ZEB_W("Nope"), nullptr, ZEB_W("def"), 100, 3,
         ZEB_UNITS("def\0")},
        // The section names, duplicates included: 43 units.
        {"names", ReadCall::SectionNames, nullptr, nullptr, nullptr, 100, 43,
         ZEB_UNITS("Sec\0Second\0E\0Q\0Dup\0dup\0Trim\0Hdr\0x[y\0a]b\0Ws\0\0")},
        {"names, exactly fit", ReadCall::SectionNames, nullptr, nullptr, nullptr, 45, 43,
         ZEB_UNITS("Sec\0Second\0E\0Q\0Dup\0dup\0Trim\0Hdr\0x[y\0a]b\0Ws\0\0")},
        {"names cut before the last terminator", ReadCall::SectionNames, nullptr, nullptr, nullptr,
         44, 42, ZEB_UNITS("Sec\0Second\0E\0Q\0Dup\0dup\0Trim\0Hdr\0x[y\0a]b\0Ws\0\0")},
        {"names cut inside a name", ReadCall::SectionNames, nullptr, nullptr, nullptr, 9, 7,
         ZEB_UNITS("Sec\0Sec\0\0")},
        {"names cut after a name", ReadCall::SectionNames, nullptr, nullptr, nullptr, 6, 4,
         ZEB_UNITS("Sec\0\0\0")},
        {"names, size 2", ReadCall::SectionNames, nullptr, nullptr, nullptr, 2, 0,
         ZEB_UNITS("\0\0")},
        {"names, size 1", ReadCall::SectionNames, nullptr, nullptr, nullptr, 1, 0, ZEB_UNITS("\0")},
        {"names, size 0", ReadCall::SectionNames, nullptr, nullptr, nullptr, 0, 0, ZEB_NO_UNITS},
        {"names through a null section", ReadCall::String, nullptr, nullptr, ZEB_W("def"), 9, 7,
         ZEB_UNITS("Sec\0Sec\0\0")},
    };
    runReads(Encoding::Ansi, kReadFile, cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(ProfileFunctions, EmptyAndMissingFilesReadAsEmpty)
{
    const ReadCase cases[] = {
        {"no names", ReadCall::SectionNames, nullptr, nullptr, nullptr, 100, 0, ZEB_UNITS("\0")},
        {"no names through a null section", ReadCall::String, nullptr, nullptr, ZEB_W("d"), 100, 0,
         ZEB_UNITS("\0")},
        {"no section", ReadCall::Section, ZEB_W("S"), nullptr, nullptr, 100, 0, ZEB_UNITS("\0\0")},
        {"the default", ReadCall::String, ZEB_W("S"), ZEB_W("k"), ZEB_W("def"), 100, 3,
         ZEB_UNITS("def\0")},
    };
    runReads(Encoding::Ansi, ZEB_UNITS(""), cases, sizeof(cases) / sizeof(cases[0]));
    // A file that does not exist, and one whose folder does not exist.
    for (const WString& path : {files.folder().file(ZEB_W("missing.ini")),
                                files.folder().file(ZEB_W("nowhere\\missing.ini"))})
    {
        SCOPED_TRACE(narrow(path));
        FilledBuffer buffer;
        EXPECT_EQ(3u, GetPrivateProfileStringW(ZEB_W("S"), ZEB_W("k"), ZEB_W("def"), buffer.units,
                                               100, path.c_str()));
        EXPECT_EQ(showUnits(WString(ZEB_W("def"), 4)), showUnits(writtenUnits(buffer.units)));
        EXPECT_EQ(0u, GetPrivateProfileSectionNamesW(buffer.units, 100, path.c_str()));
        EXPECT_EQ(7u, GetPrivateProfileIntW(ZEB_W("S"), ZEB_W("k"), 7, path.c_str()));
        EXPECT_FALSE(fileExists(path));
    }
}

TEST_F(ProfileFunctions, EncodingsAreRead)
{
    struct Case
    {
        const char* label;
        Encoding encoding;
        Units file;
        Units value; // of [S] k
    };
    const Case cases[] = {
        {"UTF-16LE", Encoding::Utf16Le, ZEB_UNITS("[S]\r\nk=\x4e2d\xd83d\xde00\r\n"),
         ZEB_UNITS("\x4e2d\xd83d\xde00")},
        {"UTF-16BE", Encoding::Utf16Be, ZEB_UNITS("[S]\r\nk=\x4e2d\xd83d\xde00\r\n"),
         ZEB_UNITS("\x4e2d\xd83d\xde00")},
        {"UTF-8", Encoding::Utf8, ZEB_UNITS("[S]\r\nk=\x4e2d\xd83d\xde00\r\n"),
         ZEB_UNITS("\x4e2d\xd83d\xde00")},
        {"UTF-16LE without a last line end", Encoding::Utf16Le, ZEB_UNITS("[S]\r\nk=v"),
         ZEB_UNITS("v")},
        // ANSI is code page 1252: 0x80 is the euro sign, 0x81 is unassigned and stands for
        // itself, 0xE9 is e acute.
        {"ANSI", Encoding::Ansi, ZEB_UNITS("[S]\r\nk=\x80\x81\xe9\r\n"),
         ZEB_UNITS("\x20ac\x0081\x00e9")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        const WString path = files.next();
        ASSERT_TRUE(writeFileBytes(path, fileBytes(c.encoding, c.file.text())));
        FilledBuffer buffer;
        EXPECT_EQ(c.value.n, GetPrivateProfileStringW(ZEB_W("S"), ZEB_W("k"), ZEB_W("D"),
                                                      buffer.units, 100, path.c_str()));
        EXPECT_EQ(showUnits(c.value.text() + WCHAR(0)), showUnits(writtenUnits(buffer.units)));
    }
}

TEST_F(ProfileFunctions, IntegersAsWineReadsThem)
{
    const Units file = ZEB_UNITS(
        "[I]\r\na=12\r\nb=-1\r\nc=  7x\r\nd=0x10\r\ne=\r\nf=abc\r\ng=4294967295\r\n"
        "h=99999999999\r\ni=-5\r\nj=+3\r\nk=010\r\nl=0b11\r\nm=0o17\r\nn=-0x10\r\no=5 6\r\n"
        "p=0x\r\nq=0X1f\r\nr=- 5\r\ns=\"7\"\r\nt=0x100000000\r\nu=2147483648\r\n"
        "v=00000000000000000000000000012\r\nw=000000000000000000000000000012\r\nx=--5\r\n"
        "y=1e3\r\n");
    struct Case
    {
        LPCWSTR szKey;
        INT nResult;
    };
    const Case cases[] = {
        {ZEB_W("a"), 12},         {ZEB_W("b"), -1},
        {ZEB_W("c"), 7},          {ZEB_W("d"), 16},
        {ZEB_W("e"), 77}, // empty: the default
        {ZEB_W("f"), 0},          {ZEB_W("g"), -1},
        {ZEB_W("h"), 1215752191}, // wraps at 32 bits
        {ZEB_W("i"), -5},         {ZEB_W("j"), 3},
        {ZEB_W("k"), 10}, // no octal without 0o
        {ZEB_W("l"), 3},          {ZEB_W("m"), 15},
        {ZEB_W("n"), -16},        {ZEB_W("o"), 5},
        {ZEB_W("p"), 0},          {ZEB_W("q"), 0}, // only a lower-case prefix counts
        {ZEB_W("r"), 0},          {ZEB_W("s"), 7},
        {ZEB_W("t"), 0},          {ZEB_W("u"), INT(0x80000000u)},
        {ZEB_W("v"), 12}, // 29 characters are read
        {ZEB_W("w"), 1},  // the 30th is not
        {ZEB_W("x"), 0},          {ZEB_W("y"), 1},
        {ZEB_W("missing"), 77},
    };
    const WString path = files.next();
    ASSERT_TRUE(writeFileBytes(path, fileBytes(Encoding::Ansi, file.text())));
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szKey));
        EXPECT_EQ(c.nResult,
                  static_cast<INT>(GetPrivateProfileIntW(ZEB_W("I"), c.szKey, 77, path.c_str())));
    }
    EXPECT_EQ(-1, static_cast<INT>(
                      GetPrivateProfileIntW(ZEB_W("I"), ZEB_W("missing"), -1, path.c_str())));
}

// ---- Writing ----------------------------------------------------------------------------

enum class WriteCall
{
    String,  // WritePrivateProfileStringW(section, key, value)
    Section, // WritePrivateProfileSectionW(section, value as a list)
};

struct WriteCase
{
    const char* label;
    Encoding before;
    Units file;
    WriteCall call;
    LPCWSTR szSection;
    LPCWSTR szKey;
    Units value; // null: a null pointer
    BOOL bResult;
    Encoding after;
    Units expected;
};

void ProfileFunctions::runWrites(const WriteCase* pCases, size_t ulCases)
{
    for (size_t i = 0; i < ulCases; ++i)
    {
        const WriteCase& c = pCases[i];
        SCOPED_TRACE(c.label);
        const WString path = files.next();
        std::vector<BYTE> before;
        if (c.before != Encoding::None)
        {
            before = fileBytes(c.before, c.file.text());
            ASSERT_TRUE(writeFileBytes(path, before));
        }
        const BOOL bResult =
            c.call == WriteCall::String
                ? WritePrivateProfileStringW(c.szSection, c.szKey, c.value.p, path.c_str())
                : WritePrivateProfileSectionW(c.szSection, c.value.p, path.c_str());
        EXPECT_EQ(c.bResult, bResult);
        if (c.after == Encoding::None)
        {
            EXPECT_FALSE(fileExists(path));
            continue;
        }
        EXPECT_TRUE(fileExists(path));
        const std::vector<BYTE> expected =
            c.after == Encoding::Same ? before : fileBytes(c.after, c.expected.text());
        EXPECT_EQ(showBytes(expected), showBytes(readFileBytes(path)));
    }
}

const Units kComments =
    ZEB_UNITS("; top comment\r\n[Sec]\r\nkey=value\r\n\r\n; c2\r\n[Two]\r\nx=1\r\n");
const Units kBlankLines = ZEB_UNITS("[S]\r\n\r\n  a = 1  \r\n\r\n[T]\r\n");
const Units kDuplicates = ZEB_UNITS("[S]\r\na=1\r\na=2\r\n[s]\r\nb=3\r\n[S]\r\na=4\r\n");
const Units kSections = ZEB_UNITS("; c\r\n[S]\r\na=1\r\n; inside\r\nb=2\r\n[T]\r\nt=1\r\n");

TEST_F(ProfileFunctions, WritesKeepTheEncodingAndComments)
{
    const WriteCase cases[] = {
        {"new file: ANSI", Encoding::None, ZEB_NO_UNITS, WriteCall::String, ZEB_W("Sec"),
         ZEB_W("key"), ZEB_UNITS("value"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[Sec]\r\nkey=value\r\n")},
        {"new key at the end of its section", Encoding::Ansi,
         ZEB_UNITS("[Sec]\r\nkey=value\r\n[B]\r\n"), WriteCall::String, ZEB_W("Sec"), ZEB_W("k2"),
         ZEB_UNITS("v2"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[Sec]\r\nkey=value\r\nk2=v2\r\n[B]\r\n")},
        {"new section at the end", Encoding::Ansi, ZEB_UNITS("[Sec]\r\nkey=value\r\n"),
         WriteCall::String, ZEB_W("Other"), ZEB_W("a"), ZEB_UNITS("1"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[Sec]\r\nkey=value\r\n[Other]\r\na=1\r\n")},
        {"new file: no room for other characters", Encoding::None, ZEB_NO_UNITS, WriteCall::String,
         ZEB_W("Sec"), ZEB_W("key"), ZEB_UNITS("\x4e2d"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[Sec]\r\nkey=?\r\n")},
        {"code page 1252 and best-fit letters", Encoding::None, ZEB_NO_UNITS, WriteCall::String,
         ZEB_W("S"), ZEB_W("a"),
         ZEB_UNITS("\x0100\x0141\x2019\x00e9\xd83d\xde00|\x20ac\x0081\xff21\x3000\x0110"), TRUE,
         Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=AL\x92\xe9??|\x80\x81"
                   "A \xd0\r\n")},
        {"UTF-16LE: names ignore case, blank lines go, comments stay", Encoding::Utf16Le, kComments,
         WriteCall::String, ZEB_W("sec"), ZEB_W("KEY"), ZEB_UNITS("new"), TRUE, Encoding::Utf16Le,
         ZEB_UNITS("; top comment\r\n[Sec]\r\nkey=new\r\n; c2\r\n[Two]\r\nx=1\r\n")},
        {"UTF-16LE keeps other characters; a comment belongs to its section", Encoding::Utf16Le,
         kComments, WriteCall::String, ZEB_W("Sec"), ZEB_W("u"), ZEB_UNITS("\x4e2d"), TRUE,
         Encoding::Utf16Le,
         ZEB_UNITS("; top comment\r\n[Sec]\r\nkey=value\r\n; c2\r\nu=\x4e2d\r\n[Two]\r\nx=1\r\n")},
        {"ANSI: comments stay", Encoding::Ansi, kComments, WriteCall::String, ZEB_W("Two"),
         ZEB_W("y"), ZEB_UNITS("\x4e2d"), TRUE, Encoding::Ansi,
         ZEB_UNITS("; top comment\r\n[Sec]\r\nkey=value\r\n; c2\r\n[Two]\r\nx=1\r\ny=?\r\n")},
        {"UTF-16BE stays", Encoding::Utf16Be, ZEB_UNITS("[S]\r\nk=v\r\n"), WriteCall::String,
         ZEB_W("S"), ZEB_W("n"), ZEB_UNITS("\x4e2d"), TRUE, Encoding::Utf16Be,
         ZEB_UNITS("[S]\r\nk=v\r\nn=\x4e2d\r\n")},
        {"UTF-8 stays", Encoding::Utf8, ZEB_UNITS("[Sec]\r\nkey=\x4e2d\r\n"), WriteCall::String,
         ZEB_W("Sec"), ZEB_W("k"), ZEB_UNITS("v"), TRUE, Encoding::Utf8,
         ZEB_UNITS("[Sec]\r\nkey=\x4e2d\r\nk=v\r\n")},
        {"UTF-16LE mark alone", Encoding::Utf16Le, ZEB_UNITS(""), WriteCall::String, ZEB_W("S"),
         ZEB_W("k"), ZEB_UNITS("\x4e2d"), TRUE, Encoding::Utf16Le,
         ZEB_UNITS("[S]\r\nk=\x4e2d\r\n")},
        {"UTF-8 mark alone", Encoding::Utf8, ZEB_UNITS(""), WriteCall::String, ZEB_W("S"),
         ZEB_W("k"), ZEB_UNITS("\x4e2d"), TRUE, Encoding::Utf8, ZEB_UNITS("[S]\r\nk=\x4e2d\r\n")},
        {"empty file: ANSI", Encoding::Ansi, ZEB_UNITS(""), WriteCall::String, ZEB_W("S"),
         ZEB_W("k"), ZEB_UNITS("\x00e9\x4e2d"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\nk=\xe9?\r\n")},
        {"lines are normalised when something changes", Encoding::Ansi,
         ZEB_UNITS("[Sec]\nkey=value\n  spaced key  =  spaced value  \nnoeq\n;comm=x\n"
                   "q=\"quoted\"\n  [T]  \n[U] tail\n[ spaced ]\n[]\ne=1\n[Sec]\ndup=2\n"),
         WriteCall::String, ZEB_W("Sec"), ZEB_W("key"), ZEB_UNITS("w"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[Sec]\r\nkey=w\r\nspaced key=spaced value\r\nnoeq\r\n;comm=x\r\n"
                   "q=\"quoted\"\r\n[T]\r\n[U]\r\n[spaced]\r\ne=1\r\n[Sec]\r\ndup=2\r\n")},
        {"a change normalises blank lines", Encoding::Ansi, kBlankLines, WriteCall::String,
         ZEB_W("S"), ZEB_W("b"), ZEB_UNITS("2"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=1\r\nb=2\r\n[T]\r\n")},
        {"the same value changes nothing", Encoding::Ansi, kBlankLines, WriteCall::String,
         ZEB_W("S"), ZEB_W("a"), ZEB_UNITS("1"), TRUE, Encoding::Same, ZEB_NO_UNITS},
        {"the first of duplicate keys", Encoding::Ansi, kDuplicates, WriteCall::String, ZEB_W("S"),
         ZEB_W("a"), ZEB_UNITS("9"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=9\r\na=2\r\n[s]\r\nb=3\r\n[S]\r\na=4\r\n")},
        {"new key in the first of duplicate sections", Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=1\r\n[T]\r\n[S]\r\na=4\r\n"), WriteCall::String, ZEB_W("S"),
         ZEB_W("n"), ZEB_UNITS("new"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=1\r\nn=new\r\n[T]\r\n[S]\r\na=4\r\n")},
        {"names are found trimmed", Encoding::Ansi, ZEB_UNITS("[S]\r\na=1\r\n"), WriteCall::String,
         ZEB_W(" S "), ZEB_W(" a "), ZEB_UNITS("2"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=2\r\n")},
        {"new names lose leading blanks only", Encoding::Ansi, ZEB_UNITS("[S]\r\na=1\r\n"),
         WriteCall::String, ZEB_W(" T "), ZEB_W(" b "), ZEB_UNITS(" 3 "), TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=1\r\n[T ]\r\nb =3 \r\n")},
        {"stored names keep their case", Encoding::Ansi, ZEB_UNITS("[Sec]\r\nKey=1\r\n"),
         WriteCall::String, ZEB_W("SEC"), ZEB_W("KEY"), ZEB_UNITS("  two  "), TRUE, Encoding::Ansi,
         ZEB_UNITS("[Sec]\r\nKey=two  \r\n")},
        {"line breaks are written as they are", Encoding::None, ZEB_NO_UNITS, WriteCall::String,
         ZEB_W("S"), ZEB_W("e"), ZEB_UNITS("a\r\n[b]"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\ne=a\r\n[b]\r\n")},
        {"= in a key name is written as it is", Encoding::None, ZEB_NO_UNITS, WriteCall::String,
         ZEB_W("S"), ZEB_W("a=b"), ZEB_UNITS("c"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=b=c\r\n")},
        {"an empty value", Encoding::None, ZEB_NO_UNITS, WriteCall::String, ZEB_W("S"), ZEB_W("k"),
         ZEB_UNITS(""), TRUE, Encoding::Ansi, ZEB_UNITS("[S]\r\nk=\r\n")},
        {"an empty key name", Encoding::None, ZEB_NO_UNITS, WriteCall::String, ZEB_W("S"),
         ZEB_W(""), ZEB_UNITS("v"), TRUE, Encoding::Ansi, ZEB_UNITS("[S]\r\n=v\r\n")},
        {"an empty section name: the lines before any header", Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=1\r\n"), WriteCall::String, ZEB_W(""), ZEB_W("k"), ZEB_UNITS("v"),
         TRUE, Encoding::Ansi, ZEB_UNITS("k=v\r\n[S]\r\na=1\r\n")},
        {"all three null", Encoding::Ansi, ZEB_UNITS("[S]\r\na=1\r\n"), WriteCall::String, nullptr,
         nullptr, ZEB_NO_UNITS, FALSE, Encoding::Same, ZEB_NO_UNITS},
    };
    runWrites(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(ProfileFunctions, NullValuesAndKeysDelete)
{
    const WriteCase cases[] = {
        {"a null value deletes the key", Encoding::Ansi, kComments, WriteCall::String, ZEB_W("TWO"),
         ZEB_W("X"), ZEB_NO_UNITS, TRUE, Encoding::Ansi,
         ZEB_UNITS("; top comment\r\n[Sec]\r\nkey=value\r\n; c2\r\n[Two]\r\n")},
        {"a null key deletes the section and its comments", Encoding::Ansi, kComments,
         WriteCall::String, ZEB_W("sec"), nullptr, ZEB_NO_UNITS, TRUE, Encoding::Ansi,
         ZEB_UNITS("; top comment\r\n[Two]\r\nx=1\r\n")},
        {"the header stays without keys", Encoding::Ansi, ZEB_UNITS("; c\r\n[S]\r\na=1\r\n"),
         WriteCall::String, ZEB_W("S"), ZEB_W("a"), ZEB_NO_UNITS, TRUE, Encoding::Ansi,
         ZEB_UNITS("; c\r\n[S]\r\n")},
        {"the first of duplicate keys goes", Encoding::Ansi, kDuplicates, WriteCall::String,
         ZEB_W("S"), ZEB_W("a"), ZEB_NO_UNITS, TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\na=2\r\n[s]\r\nb=3\r\n[S]\r\na=4\r\n")},
        {"the first of duplicate sections goes", Encoding::Ansi, kDuplicates, WriteCall::String,
         ZEB_W("s"), nullptr, ZEB_NO_UNITS, TRUE, Encoding::Ansi,
         ZEB_UNITS("[s]\r\nb=3\r\n[S]\r\na=4\r\n")},
        {"ANSI: nothing left", Encoding::Ansi, ZEB_UNITS("[S]\r\na=1\r\n"), WriteCall::String,
         ZEB_W("S"), nullptr, ZEB_NO_UNITS, TRUE, Encoding::Ansi, ZEB_UNITS("")},
        {"UTF-16LE: the mark is left", Encoding::Utf16Le, ZEB_UNITS("[S]\r\n"), WriteCall::String,
         ZEB_W("S"), nullptr, ZEB_NO_UNITS, TRUE, Encoding::Utf16Le, ZEB_UNITS("")},
        {"a missing key changes nothing", Encoding::Ansi, kBlankLines, WriteCall::String,
         ZEB_W("S"), ZEB_W("missing"), ZEB_NO_UNITS, TRUE, Encoding::Same, ZEB_NO_UNITS},
        {"a missing section changes nothing", Encoding::Ansi, kBlankLines, WriteCall::String,
         ZEB_W("Missing"), nullptr, ZEB_NO_UNITS, TRUE, Encoding::Same, ZEB_NO_UNITS},
        {"deleting a key makes no file", Encoding::None, ZEB_NO_UNITS, WriteCall::String,
         ZEB_W("S"), ZEB_W("k"), ZEB_NO_UNITS, TRUE, Encoding::None, ZEB_NO_UNITS},
        {"deleting a section makes no file", Encoding::None, ZEB_NO_UNITS, WriteCall::String,
         ZEB_W("S"), nullptr, ZEB_NO_UNITS, TRUE, Encoding::None, ZEB_NO_UNITS},
    };
    runWrites(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(ProfileFunctions, SectionWritesReplaceEveryLine)
{
    const WriteCase cases[] = {
        {"entries replace lines and comments", Encoding::Ansi, kSections, WriteCall::Section,
         ZEB_W("S"), nullptr, ZEB_UNITS("x=9\0y=8\0"), TRUE, Encoding::Ansi,
         ZEB_UNITS("; c\r\n[S]\r\nx=9\r\ny=8\r\n[T]\r\nt=1\r\n")},
        {"an empty list empties the section", Encoding::Ansi, kSections, WriteCall::Section,
         ZEB_W("T"), nullptr, ZEB_UNITS("\0"), TRUE, Encoding::Ansi,
         ZEB_UNITS("; c\r\n[S]\r\na=1\r\n; inside\r\nb=2\r\n[T]\r\n")},
        {"an empty list adds no section", Encoding::Ansi, kSections, WriteCall::Section,
         ZEB_W("New"), nullptr, ZEB_UNITS("\0"), TRUE, Encoding::Same, ZEB_NO_UNITS},
        {"entries add a missing section", Encoding::Ansi, kSections, WriteCall::Section, ZEB_W("Z"),
         nullptr, ZEB_UNITS("z=1\0"), TRUE, Encoding::Ansi,
         ZEB_UNITS("; c\r\n[S]\r\na=1\r\n; inside\r\nb=2\r\n[T]\r\nt=1\r\n[Z]\r\nz=1\r\n")},
        {"a null list deletes the section", Encoding::Ansi, kSections, WriteCall::Section,
         ZEB_W("s"), nullptr, ZEB_NO_UNITS, TRUE, Encoding::Ansi,
         ZEB_UNITS("; c\r\n[T]\r\nt=1\r\n")},
        {"a null list for a missing section", Encoding::Ansi, kSections, WriteCall::Section,
         ZEB_W("Missing"), nullptr, ZEB_NO_UNITS, TRUE, Encoding::Same, ZEB_NO_UNITS},
        {"strings without = are skipped; names and values lose leading blanks", Encoding::Ansi,
         ZEB_UNITS("[S]\r\n;c\r\na=1\r\n"), WriteCall::Section, ZEB_W("S"), nullptr,
         ZEB_UNITS("noeq\0b=2\0 c = 3 \0=e\0"), TRUE, Encoding::Ansi,
         ZEB_UNITS("[S]\r\nb=2\r\nc =3 \r\n=e\r\n")},
        {"no file is made for nothing", Encoding::None, ZEB_NO_UNITS, WriteCall::Section,
         ZEB_W("S"), nullptr, ZEB_UNITS("\0"), TRUE, Encoding::None, ZEB_NO_UNITS},
        {"a new file", Encoding::None, ZEB_NO_UNITS, WriteCall::Section, ZEB_W("S"), nullptr,
         ZEB_UNITS("k=v\0"), TRUE, Encoding::Ansi, ZEB_UNITS("[S]\r\nk=v\r\n")},
    };
    runWrites(cases, sizeof(cases) / sizeof(cases[0]));
}

TEST_F(ProfileFunctions, WritesThatCannotBeMadeFail)
{
    const WString nowhere = files.folder().file(ZEB_W("nowhere\\x.ini"));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WritePrivateProfileStringW(ZEB_W("S"), ZEB_W("k"), ZEB_W("v"), nowhere.c_str()));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
    EXPECT_FALSE(fileExists(nowhere));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WritePrivateProfileSectionW(ZEB_W("S"), ZEB_W("k=v\0"), nowhere.c_str()));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());
    // Even a deletion, which would change nothing, fails there.
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WritePrivateProfileStringW(ZEB_W("S"), nullptr, nullptr, nowhere.c_str()));
    EXPECT_EQ(DWORD(ERROR_PATH_NOT_FOUND), GetLastError());

    // A folder where the file should be.
    const WString folder = files.folder().file(ZEB_W("folder.ini"));
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(WritePrivateProfileStringW(ZEB_W("S"), ZEB_W("k"), ZEB_W("v"), folder.c_str()));
    EXPECT_EQ(DWORD(ERROR_ACCESS_DENIED), GetLastError());
    FilledBuffer buffer;
    EXPECT_EQ(1u, GetPrivateProfileStringW(ZEB_W("S"), ZEB_W("k"), ZEB_W("d"), buffer.units, 10,
                                           folder.c_str()));
    EXPECT_TRUE(isFolder(folder));
}

TEST_F(ProfileFunctions, ABareFileNameLiesInTheWindowsFolder)
{
    const WString windowsFile = ZEB_W("C:\\windows\\zebtest_profile.ini");
    DeleteFileW(windowsFile.c_str());
    EXPECT_TRUE(WritePrivateProfileStringW(ZEB_W("S"), ZEB_W("k"), ZEB_W("v"),
                                           ZEB_W("zebtest_profile.ini")));
    EXPECT_EQ(showBytes(fileBytes(Encoding::Ansi, ZEB_W("[S]\r\nk=v\r\n"))),
              showBytes(readFileBytes(windowsFile)));
    FilledBuffer buffer;
    EXPECT_EQ(1u, GetPrivateProfileStringW(ZEB_W("S"), ZEB_W("k"), ZEB_W(""), buffer.units, 10,
                                           ZEB_W("zebtest_profile.ini")));
    EXPECT_TRUE(DeleteFileW(windowsFile.c_str()));
}

// ---- CZEBIni ----------------------------------------------------------------------------

class IniTest : public ::testing::Test
{
protected:
    ProfileFiles files;
    WString path = files.next();

    void write(Encoding encoding, const WString& text)
    {
        ASSERT_TRUE(writeFileBytes(path, fileBytes(encoding, text)));
    }
    std::string contents() const { return showBytes(readFileBytes(path)); }
    static std::string ansi(const WString& text)
    {
        return showBytes(fileBytes(Encoding::Ansi, text));
    }
};

std::vector<WString> listed(CZEBDblList<CZEBWCharString>& list)
{
    std::vector<WString> out;
    CZEBWCharString entry;
    for (bool bMore = list.moveFirst(); bMore; bMore = list.moveNext())
    {
        EXPECT_TRUE(list.getCurrent(entry));
        out.push_back(W(entry.getBuffer()));
    }
    return out;
}

TEST_F(IniTest, StringsReadExactly)
{
    write(Encoding::Ansi, WString(ZEB_W("[S]\r\nnf=Not Found\r\nempty=\r\nq=\"quoted\"\r\n"
                                        "dash=-1\r\nlong1022=")) +
                              WString(1022, ZEB_W('x')) + ZEB_W("\r\nlong1023=") +
                              WString(1023, ZEB_W('y')) + ZEB_W("\r\n"));
    struct Case
    {
        LPCWSTR szSection;
        LPCWSTR szKey;
        bool bRead;
        WString value;
    };
    const Case cases[] = {
        {ZEB_W("S"), ZEB_W("nf"), true, ZEB_W("Not Found")}, // a stored text, not a sentinel
        {ZEB_W("s"), ZEB_W("NF"), true, ZEB_W("Not Found")},
        {ZEB_W("S"), ZEB_W("q"), true, ZEB_W("quoted")},
        {ZEB_W("S"), ZEB_W("dash"), true, ZEB_W("-1")},
        {ZEB_W("S"), ZEB_W("long1022"), true, WString(1022, ZEB_W('x'))},
        {ZEB_W("S"), ZEB_W("long1023"), false, WString()}, // may have been cut short
        {ZEB_W("S"), ZEB_W("empty"), false, WString()},
        {ZEB_W("S"), ZEB_W("missing"), false, WString()},
        {ZEB_W("Missing"), ZEB_W("nf"), false, WString()},
    };
    LoggingOn logging;
    CZEBIni ini(path.c_str());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szKey));
        CZEBWCharString result(ZEB_W("untouched"));
        EXPECT_EQ(c.bRead, ini.getProfileString(c.szSection, c.szKey, result));
        EXPECT_EQ(narrow(c.bRead ? c.value : WString(ZEB_W("untouched"))),
                  narrow(W(result.getBuffer())));
    }
    // Reads that find nothing are no failures: nothing is written to the log.
    EXPECT_EQ(0u, countLinesWith(logging.log.lines(), ZEB_W("<EXCEPTION_BAD>")));
}

TEST_F(IniTest, IntegersReadAStoredMinusOne)
{
    write(Encoding::Ansi,
          ZEB_W("[I]\r\nminus=-1\r\nfive=-5\r\nhex=0x10\r\ntext=abc\r\nempty=\r\n"));
    struct Case
    {
        LPCWSTR szKey;
        bool bRead;
        LONG lValue;
    };
    const Case cases[] = {
        {ZEB_W("minus"), true, -1}, {ZEB_W("five"), true, -5},  {ZEB_W("hex"), true, 16},
        {ZEB_W("text"), true, 0},   {ZEB_W("empty"), false, 0}, {ZEB_W("missing"), false, 0},
    };
    CZEBIni ini(path.c_str());
    for (const Case& c : cases)
    {
        SCOPED_TRACE(narrow(c.szKey));
        LoggingOn logging;
        LONG lValue = 12345;
        EXPECT_EQ(c.bRead, ini.getProfileInt(ZEB_W("I"), c.szKey, lValue));
        EXPECT_EQ(c.bRead ? c.lValue : 12345, lValue);
        EXPECT_EQ(c.bRead ? 0u : 1u,
                  countLinesWith(logging.log.lines(), ZEB_W("GetPrivateProfileInt( ) failed.")));
    }
}

TEST_F(IniTest, WritesStringsAndNumbers)
{
    CZEBIni ini(path.c_str());
    EXPECT_TRUE(ini.setProfileInt(ZEB_W("S"), ZEB_W("n"), -5));
    EXPECT_TRUE(ini.setProfileString(ZEB_W("S"), ZEB_W("t"), ZEB_W("text")));
    EXPECT_TRUE(ini.setProfileInt(ZEB_W("S"), ZEB_W("max"), 2147483647));
    EXPECT_TRUE(ini.setProfileString(ZEB_W("s"), ZEB_W("T"), ZEB_W("changed")));
    EXPECT_EQ(ansi(ZEB_W("[S]\r\nn=-5\r\nt=changed\r\nmax=2147483647\r\n")), contents());
    LONG lValue = 0;
    EXPECT_TRUE(ini.getProfileInt(ZEB_W("S"), ZEB_W("n"), lValue));
    EXPECT_EQ(-5, lValue);
    // An empty value deletes the key.
    EXPECT_TRUE(ini.setProfileString(ZEB_W("S"), ZEB_W("t"), CZEBWCharString()));
    EXPECT_EQ(ansi(ZEB_W("[S]\r\nn=-5\r\nmax=2147483647\r\n")), contents());
    // A UTF-16LE file stays one and keeps characters outside the ANSI code page.
    write(Encoding::Utf16Le, ZEB_W("[S]\r\n"));
    EXPECT_TRUE(ini.setProfileString(ZEB_W("S"), ZEB_W("k"), ZEB_W("\x4e2d")));
    EXPECT_EQ(showBytes(fileBytes(Encoding::Utf16Le, ZEB_W("[S]\r\nk=\x4e2d\r\n"))), contents());
    CZEBWCharString result;
    EXPECT_TRUE(ini.getProfileString(ZEB_W("S"), ZEB_W("k"), result));
    EXPECT_EQ(W(ZEB_W("\x4e2d")), W(result.getBuffer()));
}

TEST_F(IniTest, EmptyNamesAreRefusedWithoutACall)
{
    const WString before = ZEB_W("[S]\r\na=1\r\nb=2\r\n");
    write(Encoding::Ansi, before);
    const CZEBWCharString empty;
    CZEBIni ini(path.c_str());
    CZEBDblList<CZEBWCharString> list;
    CZEBWCharString result;
    LONG lValue = 0;
    struct Case
    {
        const char* label;
        std::function<bool()> call;
    };
    const Case cases[] = {
        // An empty key would reach the profile functions as a null pointer and delete [S].
        {"setProfileString, key",
         [&] { return ini.setProfileString(ZEB_W("S"), empty, ZEB_W("v")); }},
        {"setProfileString, section",
         [&] { return ini.setProfileString(empty, ZEB_W("a"), ZEB_W("v")); }},
        {"setProfileInt, key", [&] { return ini.setProfileInt(ZEB_W("S"), empty, 1); }},
        {"createProfileSection", [&] { return ini.createProfileSection(empty); }},
        {"getProfileString, key", [&] { return ini.getProfileString(ZEB_W("S"), empty, result); }},
        {"getProfileInt, section", [&] { return ini.getProfileInt(empty, ZEB_W("a"), lValue); }},
        {"getProfileSection", [&] { return ini.getProfileSection(empty, list); }},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        LoggingOn logging;
        EXPECT_FALSE(c.call());
        EXPECT_EQ(1u, countLinesWith(logging.log.lines(), ZEB_W("A bad argument was provided")));
        EXPECT_EQ(ansi(before), contents());
    }
    // Without a file name nothing reaches the profile functions (which would take win.ini).
    CZEBIni unnamed(empty);
    LoggingOn logging;
    EXPECT_FALSE(unnamed.setProfileString(ZEB_W("S"), ZEB_W("a"), ZEB_W("v")));
    EXPECT_FALSE(unnamed.getProfileSectionNames(list));
    EXPECT_EQ(2u, countLinesWith(logging.log.lines(), ZEB_W("( m_fileName )")));
}

TEST_F(IniTest, CreateProfileSectionLeavesAnExistingSectionAlone)
{
    struct Case
    {
        const char* label;
        Encoding encoding; // None: no file yet
        LPCWSTR szBefore;
        LPCWSTR szSection;
        LPCWSTR szAfter; // null: unchanged
    };
    const Case cases[] = {
        {"with entries and comments", Encoding::Ansi, ZEB_W("[S]\r\n; note\r\na=1\r\n\r\n[T]\r\n"),
         ZEB_W("S"), nullptr},
        {"empty", Encoding::Ansi, ZEB_W("[S]\r\n\r\n[T]\r\nt=1\r\n"), ZEB_W("S"), nullptr},
        {"in another case and with blanks", Encoding::Ansi, ZEB_W("[Sec]\r\na=1\r\n"),
         ZEB_W(" sEC "), nullptr},
        {"missing: added at the end", Encoding::Ansi, ZEB_W("[S]\r\na=1\r\n"), ZEB_W("New"),
         ZEB_W("[S]\r\na=1\r\n[New]\r\n")},
        {"no file yet", Encoding::None, nullptr, ZEB_W("New"), ZEB_W("[New]\r\n")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        path = files.next();
        if (c.encoding != Encoding::None)
            write(c.encoding, c.szBefore);
        const std::string before = contents();
        CZEBIni ini(path.c_str());
        EXPECT_TRUE(ini.createProfileSection(c.szSection));
        EXPECT_EQ(c.szAfter ? ansi(c.szAfter) : before, contents());
    }
}

TEST_F(IniTest, FailedWritesAreReported)
{
    const WString nowhere = files.folder().file(ZEB_W("nowhere\\x.ini"));
    CZEBIni ini(nowhere.c_str());
    struct Case
    {
        const char* label;
        std::function<bool()> call;
        LPCWSTR szRecord;
        size_t ulUnhandled; // unhandled-exception records besides
    };
    const Case cases[] = {
        {"setProfileString",
         [&] { return ini.setProfileString(ZEB_W("S"), ZEB_W("k"), ZEB_W("v")); },
         ZEB_W("Unable to write profile string ( section: S, key name: k )"), 0},
        {"setProfileInt", [&] { return ini.setProfileInt(ZEB_W("S"), ZEB_W("n"), 7); },
         ZEB_W("Unable to write profile string ( section: S, key name: n )"), 1},
        {"createProfileSection", [&] { return ini.createProfileSection(ZEB_W("S")); },
         ZEB_W("Unable to write profile section ( section: S )"), 0},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.label);
        LoggingOn logging;
        EXPECT_FALSE(c.call());
        const std::vector<WString> lines = logging.log.lines();
        ASSERT_EQ(1u, countLinesWith(lines, c.szRecord));
        // The record carries the error of the write: the folder is missing.
        for (const WString& line : lines)
        {
            if (line.find(c.szRecord) != WString::npos)
            {
                EXPECT_NE(WString::npos, line.find(ZEB_W("<Error: 0x00000003>"))) << narrow(line);
            }
        }
        EXPECT_EQ(c.ulUnhandled, countLinesWith(lines, ZEB_W("An unhandled exception occurred")));
        EXPECT_FALSE(fileExists(nowhere));
    }
}

TEST_F(IniTest, SectionsAndNamesAreListed)
{
    write(Encoding::Ansi,
          ZEB_W("top=1\r\n[S]\r\na=1\r\n; comment\r\nb=2\r\nnoeq\r\n[Empty]\r\n[T]\r\nt=\r\n"));
    CZEBIni ini(path.c_str());
    CZEBDblList<CZEBWCharString> list;
    ASSERT_TRUE(ini.getProfileSection(ZEB_W("S"), list));
    EXPECT_EQ((std::vector<WString>{ZEB_W("a=1"), ZEB_W("b=2"), ZEB_W("noeq")}), listed(list));
    for (bool bMore = list.moveFirst(); bMore; bMore = list.moveNext())
    {
        LONG lKey = -1;
        EXPECT_TRUE(list.getCurrentKey(lKey));
        EXPECT_EQ(0, lKey);
    }
    ASSERT_TRUE(ini.getProfileSection(ZEB_W("T"), list));
    EXPECT_EQ((std::vector<WString>{ZEB_W("t=")}), listed(list));
    ASSERT_TRUE(ini.getProfileSectionNames(list));
    EXPECT_EQ((std::vector<WString>{ZEB_W("S"), ZEB_W("Empty"), ZEB_W("T")}), listed(list));
    // Missing and empty sections, and a file without sections, leave the list as it was.
    for (LPCWSTR szSection : {ZEB_W("Missing"), ZEB_W("Empty")})
    {
        SCOPED_TRACE(narrow(szSection));
        EXPECT_FALSE(ini.getProfileSection(szSection, list));
        EXPECT_EQ(3u, list.getCount());
    }
    write(Encoding::Ansi, ZEB_W("top=1\r\n"));
    EXPECT_FALSE(ini.getProfileSectionNames(list));
    EXPECT_EQ(3u, list.getCount());
}

TEST_F(IniTest, LongListsAreReadWhole)
{
    // 3000 entries of 20 units and 3000 section names of 14: both beyond one read of 32767.
    WString text = ZEB_W("[Big]\r\n");
    for (int i = 0; i < 3000; ++i)
    {
        const WString number(CZEBWCharString(10000 + i).getBuffer());
        text += ZEB_W("key") + number + ZEB_W("=value") + number + ZEB_W("\r\n");
    }
    for (int i = 0; i < 3000; ++i)
        text +=
            ZEB_W("[Section") + WString(CZEBWCharString(100000 + i).getBuffer()) + ZEB_W("]\r\n");
    write(Encoding::Utf16Le, text);
    CZEBIni ini(path.c_str());
    CZEBDblList<CZEBWCharString> list;
    ASSERT_TRUE(ini.getProfileSection(ZEB_W("Big"), list));
    ASSERT_EQ(3000u, list.getCount());
    std::vector<WString> entries = listed(list);
    EXPECT_EQ(W(ZEB_W("key10000=value10000")), entries.front());
    EXPECT_EQ(W(ZEB_W("key12999=value12999")), entries.back());
    ASSERT_TRUE(ini.getProfileSectionNames(list));
    ASSERT_EQ(3001u, list.getCount());
    entries = listed(list);
    EXPECT_EQ(W(ZEB_W("Big")), entries.front());
    EXPECT_EQ(W(ZEB_W("Section102999")), entries.back());
}

class IniTrace : public IniTest
{
protected:
    void SetUp() override { g_ulDynamicLogging = 0; }
    void TearDown() override { g_ulDynamicLogging = 0; }
};

TEST_F(IniTrace, EveryOperationIsTraced)
{
    LoggingOn logging(LS_ENTRY | LS_EXIT | 0x1B);
    logging.key.setDword(ZEB_W("DynamicLogging"), 1);
    {
        CZEBIni ini(path.c_str());
        CZEBDblList<CZEBWCharString> list;
        CZEBWCharString result;
        LONG lValue = 0;
        EXPECT_TRUE(ini.setProfileString(ZEB_W("S"), ZEB_W("k"), ZEB_W("v")));
        EXPECT_TRUE(ini.setProfileInt(ZEB_W("S"), ZEB_W("n"), 1));
        EXPECT_TRUE(ini.getProfileString(ZEB_W("S"), ZEB_W("k"), result));
        EXPECT_TRUE(ini.getProfileInt(ZEB_W("S"), ZEB_W("n"), lValue));
        EXPECT_TRUE(ini.getProfileSection(ZEB_W("S"), list));
        EXPECT_FALSE(ini.getProfileString(ZEB_W("S"), ZEB_W("missing"), result));
    }
    const LPCWSTR szPassed = ZEB_W("<Passed>");
    std::vector<TraceLine> expected;
    for (LPCWSTR szMethod :
         {ZEB_W("CZEBIni"), ZEB_W("setProfileString"), ZEB_W("setProfileInt"),
          ZEB_W("getProfileString"), ZEB_W("getProfileInt"), ZEB_W("getProfileSection")})
    {
        expected.push_back({szMethod, nullptr});
        expected.push_back({szMethod, szPassed});
    }
    expected.push_back({ZEB_W("getProfileString"), nullptr});
    expected.push_back({ZEB_W("getProfileString"), ZEB_W("<Failed>")});
    expected.push_back({ZEB_W("~CZEBIni"), nullptr});
    expected.push_back({ZEB_W("~CZEBIni"), szPassed});
    expectTraceLines(logging.log.lines(), ZEB_W("CZEBIni"), expected);
}

#ifndef _WIN32
class HostOnlyIni : public IniTest
{
};

// The second write of a section's creation failing: reported, false.
TEST_F(HostOnlyIni, CreatingASectionCanFailHalfway)
{
    CZEBIni ini(path.c_str());
    LoggingOn logging;
    zebhost::failCall("WritePrivateProfileStringW", ERROR_ACCESS_DENIED);
    EXPECT_FALSE(ini.createProfileSection(ZEB_W("S")));
    zebhost::clearFailures();
    const std::vector<WString> lines = logging.log.lines();
    EXPECT_EQ(1u, countLinesWith(lines, ZEB_W("Unable to write profile section ( section: S )")));
}
#endif
} // namespace
