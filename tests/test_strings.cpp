// LoadStringW on the program's own string table: copying and truncation, missing ids,
// and the language chosen from the environment with the loader's fallback. The same
// tests run on the host subset and under Wine (where the table is the linked resource).
#include "resource.h"
#include "zeb_platform.h"
#include "zeb_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
const int kBufferChars = 400;
const WCHAR kFill = 0xbdbd; // buffers are filled with 0xbd bytes

std::string utf8(LPCWSTR s, size_t length)
{
    std::string out;
    for (size_t i = 0; i < length; ++i)
    {
        uint32_t c = static_cast<uint16_t>(s[i]);
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < length)
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint16_t>(s[++i]) - 0xDC00);
        if (c < 0x80)
        {
            out += static_cast<char>(c);
        }
        else if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else if (c < 0x10000)
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string utf8(LPCWSTR s)
{
    return utf8(s, zebWcsLen(s));
}

struct Loaded
{
    WCHAR buffer[kBufferChars];
    int result;
};

// Loads a string into a buffer filled with 0xbd; the caller checks what was written.
void load(UINT id, int cch, Loaded* out)
{
    std::memset(out->buffer, 0xbd, sizeof(out->buffer));
    out->result = LoadStringW(GetModuleHandleW(NULL), id, out->buffer, cch);
}

// The locale the environment gives messages (LC_ALL, then LC_MESSAGES, then LANG).
std::string messageLocale()
{
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"})
    {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            return value;
    }
    return "";
}

const LPCWSTR kCaption = ZEB_W("Hestrel - Password Manager");
const int kCaptionLength = 26;
} // namespace

// ---- Copying -------------------------------------------------------------------------
// These run in an English environment (registered with LANG=en_US.UTF-8).

TEST(StringTable, CopiesWholeTextAndTerminates)
{
    Loaded l;
    load(IDS_CAPTION, 300, &l);
    ASSERT_EQ(kCaptionLength, l.result);
    EXPECT_EQ(utf8(kCaption), utf8(l.buffer));
    EXPECT_EQ(0, l.buffer[kCaptionLength]);
    EXPECT_EQ(kFill, l.buffer[kCaptionLength + 1]) << "written past the terminator";
}

TEST(StringTable, TruncatesToCapacityMinusOne)
{
    struct Case
    {
        int cch;
        int expected;
    };
    const Case cases[] = {
        {kCaptionLength + 2, kCaptionLength},
        {kCaptionLength + 1, kCaptionLength},
        {kCaptionLength, kCaptionLength - 1},
        {10, 9},
        {2, 1},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE("cchBufferMax " + std::to_string(c.cch));
        Loaded l;
        load(IDS_CAPTION, c.cch, &l);
        ASSERT_EQ(c.expected, l.result);
        EXPECT_EQ(utf8(kCaption, c.expected), utf8(l.buffer, c.expected));
        EXPECT_EQ(0, l.buffer[c.expected]) << "not terminated";
        for (int i = c.cch; i < kBufferChars; ++i)
            ASSERT_EQ(kFill, l.buffer[i]) << "written past the capacity at " << i;
    }
}

TEST(StringTable, CapacityOneWritesNothing)
{
    const UINT ids[] = {IDS_CAPTION, 1122};
    for (UINT id : ids)
    {
        SCOPED_TRACE("id " + std::to_string(id));
        Loaded l;
        SetLastError(0xdeadbeef);
        load(id, 1, &l);
        EXPECT_EQ(0, l.result);
        EXPECT_EQ(kFill, l.buffer[0]) << "not even the terminator is written";
        EXPECT_EQ(0xdeadbeefu, GetLastError());
    }
}

TEST(StringTable, OnlyTheLowWordOfTheIdCounts)
{
    Loaded l;
    load(0x10000 + IDS_CAPTION, 300, &l);
    ASSERT_EQ(kCaptionLength, l.result);
    EXPECT_EQ(utf8(kCaption), utf8(l.buffer));
}

TEST(StringTable, ZeroCapacityAnswersPointerToText)
{
    Loaded l;
    load(IDS_CAPTION, 0, &l);
    ASSERT_EQ(kCaptionLength, l.result);
    LPCWSTR pointer = nullptr;
    std::memcpy(&pointer, l.buffer, sizeof(pointer));
    ASSERT_NE(nullptr, pointer);
    // The resource text itself, which need not be terminated: compare its length only.
    EXPECT_EQ(utf8(kCaption), utf8(pointer, kCaptionLength));
    EXPECT_EQ(kFill, l.buffer[sizeof(pointer) / sizeof(WCHAR)]);
}

TEST(StringTable, EveryMessageOfTheTableExistsInEnglish)
{
    struct Case
    {
        UINT id;
        LPCWSTR text;
    };
    const Case cases[] = {
        {IDS_PATCH_CONFIRM,
         ZEB_W("This patch enables Hestrel - Password Manager to store passwords "
               "from Mozilla Firefox(TM) 5 browser. Do you want to continue?")},
        {IDS_OS_NOT_SUPPORTED, ZEB_W("This oprating system does not match requirements.")},
        {IDS_FILE_UPDATE_FAILED, ZEB_W("Failed to update file %s")},
        {IDS_VERSION_NOT_SUPPORTED,
         ZEB_W("This patch does not apply to this version of Hestrel - Password Manager.")},
        {IDS_CAPTION, ZEB_W("Hestrel - Password Manager")},
        {IDS_PATCH_COMPLETED, ZEB_W("The installation of the patch has completed. Please restart "
                                    "system to enable changes.")},
        {IDS_PATCH_ALREADY_INSTALLED,
         ZEB_W("This patch has already been installed on this computer.")},
        {IDS_PRODUCT_NOT_INSTALLED,
         ZEB_W("Hestrel - Password Manager is not installed on this computer.")},
        {IDS_UNKNOWN_EXCEPTION,
         ZEB_W("An unknown exception occurred, the patch installation failed.")},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE("id " + std::to_string(c.id));
        Loaded l;
        load(c.id, 300, &l);
        EXPECT_EQ(static_cast<int>(zebWcsLen(c.text)), l.result);
        EXPECT_EQ(utf8(c.text), utf8(l.buffer));
    }
}

// ---- Ids without text ----------------------------------------------------------------

TEST(StringTable, IdWithoutTextAnswersZero)
{
    // Strings are stored sixteen to a block. An id whose block no language holds is not
    // found: the buffer stays untouched and the error is set. An id without text in a
    // block that exists is an empty string: the buffer is terminated, the error unchanged.
    struct Case
    {
        UINT id;
        bool blockExists;
    };
    const Case cases[] = {
        {0, false},   {1199, false}, {5000, false}, {0xFFFF, false},
        {1122, true}, {1135, true},  {1150, true},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE("id " + std::to_string(c.id));
        Loaded l;
        SetLastError(0xdeadbeef);
        load(c.id, 300, &l);
        EXPECT_EQ(0, l.result);
        if (c.blockExists)
        {
            EXPECT_EQ(0, l.buffer[0]) << "buffer not terminated";
            EXPECT_EQ(0xdeadbeefu, GetLastError());
        }
        else
        {
            EXPECT_EQ(kFill, l.buffer[0]) << "buffer written";
            EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
        }
        EXPECT_EQ(kFill, l.buffer[1]);
    }
}

TEST(StringTable, FoundTextKeepsTheLastError)
{
    Loaded l;
    SetLastError(0xdeadbeef);
    load(IDS_CAPTION, 300, &l);
    EXPECT_EQ(kCaptionLength, l.result);
    EXPECT_EQ(0xdeadbeefu, GetLastError());
}

TEST(StringTable, NullBufferAnswersZero)
{
    SetLastError(0xdeadbeef);
    EXPECT_EQ(0, LoadStringW(GetModuleHandleW(NULL), IDS_CAPTION, nullptr, 300));
    EXPECT_EQ(0xdeadbeefu, GetLastError());
}

// ---- Language from the environment ---------------------------------------------------
// One test, registered once per locale with LANG set; the table says what each locale
// must find. `exact` false compares only the start of the text. Under Wine the locale
// must exist for the C library (the test registration compiles them into LOCPATH).

namespace
{
struct LanguageCase
{
    const char* locale;
    UINT id;
    LPCWSTR text;
    bool exact;
};

const LPCWSTR kEnglishConfirm = ZEB_W("This patch enables Hestrel - Password Manager");
const LPCWSTR kEnglishOs = ZEB_W("This oprating system does not match requirements.");
const LPCWSTR kEnglishFailed = ZEB_W("Failed to update file %s");

const LanguageCase kLanguageCases[] = {
    {"C", IDS_PATCH_CONFIRM, kEnglishConfirm, false},
    {"C", IDS_OS_NOT_SUPPORTED, kEnglishOs, true},
    {"C", IDS_FILE_UPDATE_FAILED, kEnglishFailed, true},
    {"en_US.UTF-8", IDS_OS_NOT_SUPPORTED, kEnglishOs, true},
    // A language the table does not hold falls back to English.
    {"ru_RU.UTF-8", IDS_PATCH_CONFIRM, kEnglishConfirm, false},
    {"ru_RU.UTF-8", IDS_FILE_UPDATE_FAILED, kEnglishFailed, true},
    // German (Germany): 120 under 0x0407, the messages under neutral German 0x0007, whose
    // block holds no 1121: that id is empty rather than English.
    {"de_DE.UTF-8", IDS_PATCH_CONFIRM,
     ZEB_W("Mit diesem Patch kann Hestrel - Password Manager Kennwörter aus dem Browser Mozilla "
           "Firefox(TM) 5 speichern. Möchten Sie fortfahren?"),
     true},
    {"de_DE.UTF-8", IDS_OS_NOT_SUPPORTED,
     ZEB_W("Dieses Betriebssystem erfüllt nicht die Anforderungen."), true},
    {"de_DE.UTF-8", IDS_FILE_UPDATE_FAILED, ZEB_W(""), true},
    {"de_DE.UTF-8", IDS_CAPTION, ZEB_W("Hestrel - Password Manager"), true},
    // German (Austria), 0x0C07: the neutral German messages, but English for 120 which
    // exists only under 0x0407.
    {"de_AT.UTF-8", IDS_PATCH_CONFIRM, kEnglishConfirm, false},
    {"de_AT.UTF-8", IDS_UNKNOWN_EXCEPTION, ZEB_W("Es ist eine unbekannte Ausnahme aufgetreten"),
     false},
    {"de_AT.UTF-8", IDS_FILE_UPDATE_FAILED, ZEB_W(""), true},
    // Chinese (Taiwan): 120 under 0x0404, the messages under neutral Chinese 0x0004.
    {"zh_TW.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("此修補程式可讓 Hestrel - Password Manager"), false},
    {"zh_TW.UTF-8", IDS_OS_NOT_SUPPORTED, ZEB_W("此作業系統不符合需求。"), true},
    {"zh_TW.UTF-8", IDS_FILE_UPDATE_FAILED, ZEB_W(""), true},
    // Chinese (PRC) is the one translation of 1121.
    {"zh_CN.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("此补丁使 Hestrel - Password Manager"), false},
    {"zh_CN.UTF-8", IDS_FILE_UPDATE_FAILED, ZEB_W("无法更新文件 %s"), true},
    {"pt_BR.UTF-8", IDS_CAPTION, ZEB_W("Hestrel-Password Manager"), true},
    {"pt_BR.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("Esta correção permite que o Hestrel-Password"),
     false},
    {"pt_BR.UTF-8", IDS_FILE_UPDATE_FAILED, ZEB_W(""), true},
    {"pt_PT.UTF-8", IDS_PATCH_CONFIRM,
     ZEB_W("Esta correção permite que o Hestrel - Password Manager armazene palavras-passe"),
     false},
    {"es_ES.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("Esta revisión permite que Hestrel"), false},
    {"es_ES.UTF-8", IDS_OS_NOT_SUPPORTED, ZEB_W("Este sistema operativo no cumple los requisitos."),
     true},
    {"fr_FR.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("Ce correctif permet à Hestrel"), false},
    {"fr_FR.UTF-8", IDS_PATCH_ALREADY_INSTALLED,
     ZEB_W("Ce correctif est déjà installé sur cet ordinateur."), true},
    {"it_IT.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("Questa patch consente a Hestrel"), false},
    {"ja_JP.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("このパッチを適用すると"), false},
    {"ko_KR.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("이 패치를 설치하면"), false},
    {"nl_NL.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("Met deze patch kan Hestrel"), false},
    {"nb_NO.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("Denne oppdateringen gjør det mulig"), false},
    {"sv_SE.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("Den här korrigeringen gör att Hestrel"), false},
    {"da_DK.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("Denne rettelse gør det muligt"), false},
    {"fi_FI.UTF-8", IDS_PATCH_CONFIRM, ZEB_W("Tämän korjauksen avulla Hestrel"), false},
    {"fi_FI.UTF-8", IDS_FILE_UPDATE_FAILED, ZEB_W(""), true},
};
} // namespace

TEST(StringTableLanguage, FollowsTheEnvironment)
{
    const std::string locale = messageLocale();
    int checked = 0;
    for (const LanguageCase& c : kLanguageCases)
    {
        if (locale != c.locale)
            continue;
        ++checked;
        SCOPED_TRACE(std::string(c.locale) + ", id " + std::to_string(c.id));
        Loaded l;
        load(c.id, 300, &l);
        const int length = static_cast<int>(zebWcsLen(c.text));
        if (c.exact)
        {
            EXPECT_EQ(length, l.result);
            EXPECT_EQ(utf8(c.text), utf8(l.buffer));
        }
        else
        {
            EXPECT_LT(length, l.result);
            EXPECT_EQ(utf8(c.text), utf8(l.buffer, length)) << "whole text: " << utf8(l.buffer);
        }
        EXPECT_EQ(0, l.buffer[l.result]);
    }
    EXPECT_LT(0, checked) << "no expectations for the locale '" << locale
                          << "': run this test with LANG set to one of the table's locales";
}
