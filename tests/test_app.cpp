// The patch program's entry logic and messages: the silent switch, the caption, styles
// and results of the presented boxes, and the outcome codes.
#include "patch_app.h"
#include "patch_log.h"
#include "resource.h"
#include "zeb_platform.h"
#include "zeb_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include "host/host_test_hooks.h"
#include <unistd.h>
#endif

namespace
{
std::string utf8(LPCWSTR s)
{
    std::string out;
    for (DWORD i = 0, n = zebWcsLen(s); i < n; ++i)
    {
        unsigned c = static_cast<unsigned short>(s[i]);
        if (c < 0x80)
        {
            out += static_cast<char>(c);
        }
        else if (c < 0x800)
        {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
        else
        {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string utf8(const CZEBWCharString& s)
{
    return s.getLength() == 0 ? std::string() : utf8(s.getBuffer());
}

// The English texts the messages must show.
const char* const kCaption = "Hestrel - Password Manager";
const char* const kCompleted =
    "The installation of the patch has completed. Please restart system to enable changes.";

// Restores the silent flag a test changes.
class SilentFlag
{
public:
    SilentFlag() : m_nSaved(g_nSilent) {}
    ~SilentFlag() { g_nSilent = m_nSaved; }

private:
    int m_nSaved;
};
} // namespace

// ---- The silent switch ---------------------------------------------------------------

namespace
{
struct CommandLineCase
{
    const char* name;
    std::vector<WCHAR> text; // without the terminator
    bool silent;
};

std::vector<WCHAR> units(LPCWSTR s)
{
    return std::vector<WCHAR>(s, s + zebWcsLen(s));
}

std::vector<CommandLineCase> commandLineCases()
{
    std::vector<CommandLineCase> cases = {
        {"empty", units(ZEB_W("")), false},
        {"/s", units(ZEB_W("/s")), true},
        {"/S", units(ZEB_W("/S")), true},
        {"-s", units(ZEB_W("-s")), true},
        {"-S", units(ZEB_W("-S")), true},
        {"x/silent", units(ZEB_W("x/silent")), true},
        {"/silent", units(ZEB_W("/silent")), true},
        {"-Setup", units(ZEB_W("-Setup")), true},
        {"/q", units(ZEB_W("/q")), false},
        {"s alone", units(ZEB_W("s")), false},
        {"slash alone", units(ZEB_W("/")), false},
        {"separated", units(ZEB_W("/ s - S")), false},
        {"other case letter", units(ZEB_W("/x -t /Q")), false},
        {"full-width solidus", units(ZEB_W("／s")), false},
        {"switch after text", units(ZEB_W("\"C:\\a b\\patch8108.exe\" /s")), true},
        {"quoted switch", units(ZEB_W("\"/S\"")), true},
        {"embedded quote", units(ZEB_W("a\\\"b -s")), true},
        {"path with /s inside", units(ZEB_W("C:/stuff")), true},
        {"non-ASCII", units(ZEB_W("Überprüfung äöü 設定 /q")), false},
        {"non-ASCII with switch", units(ZEB_W("設定-s")), true},
        {"tab before switch", units(ZEB_W("\t/S")), true},
    };
    CommandLineCase longPlain{"32000 characters without a switch", std::vector<WCHAR>(32000, 'x'),
                              false};
    cases.push_back(longPlain);
    CommandLineCase longSwitch{"32000 characters ending in -S", std::vector<WCHAR>(32000, 'q'),
                               true};
    longSwitch.text[31998] = '-';
    longSwitch.text[31999] = 'S';
    cases.push_back(longSwitch);
    CommandLineCase longSlashes{"32000 slashes", std::vector<WCHAR>(32000, '/'), false};
    cases.push_back(longSlashes);
    return cases;
}
} // namespace

TEST(SilentSwitch, SubstringRuleOnEveryCommandLine)
{
    for (const CommandLineCase& c : commandLineCases())
    {
        SCOPED_TRACE(c.name);
        std::vector<WCHAR> text = c.text;
        text.push_back(0);
        EXPECT_EQ(c.silent, hasSilentSwitch(CZEBWCharString(text.data())));
    }
}

TEST(SilentSwitch, ProgramRunSetsFlagAndAnswersZero)
{
    SilentFlag restore;
    for (const CommandLineCase& c : commandLineCases())
    {
        SCOPED_TRACE(c.name);
        std::vector<WCHAR> text = c.text;
        text.push_back(0);
        g_nSilent = 0xdeadbeef;
        EXPECT_EQ(0, runPatchProgram(text.data()));
        EXPECT_EQ(c.silent ? 1 : 0, g_nSilent);
    }
}

TEST(SilentSwitch, NullCommandLineIsNotSilent)
{
    SilentFlag restore;
    g_nSilent = 0xdeadbeef;
    EXPECT_EQ(0, runPatchProgram(nullptr));
    EXPECT_EQ(0, g_nSilent);
}

// ---- Outcome codes and the log name --------------------------------------------------

TEST(OutcomeMessages, CodesMapToTheirMessages)
{
    struct Case
    {
        int code;
        UINT id;
    };
    const Case cases[] = {
        {1, IDS_OS_NOT_SUPPORTED},
        {2, IDS_VERSION_NOT_SUPPORTED},
        {3, IDS_PATCH_ALREADY_INSTALLED},
        {4, IDS_PRODUCT_NOT_INSTALLED},
        {5, IDS_PATCH_COMPLETED},
        {6, IDS_UNKNOWN_EXCEPTION},
        {0, 0},
        {7, 0},
        {9, 0},
        {-1, 0},
        {1120, 0},
        {0x7fffffff, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.id, outcomeMessageId(c.code)) << "code " << c.code;
}

TEST(PatchLog, NameIsBuiltAtStartUp)
{
    EXPECT_EQ("patchlog8108.txt", utf8(g_szPatchLogName));
}

// ---- Silent presentation: no box, result 1 (both sides) ------------------------------

TEST(Messages, SilentPresentationAnswersOk)
{
    SilentFlag restore;
    g_nSilent = 1;
    EXPECT_EQ(IDOK, showMessage(IDS_PATCH_CONFIRM, MB_OKCANCEL));
    EXPECT_EQ(IDOK, showMessage(IDS_UNKNOWN_EXCEPTION, MB_OK));
    EXPECT_EQ(IDOK, presentMessage(CZEBWCharString(), CZEBWCharString(), MB_OKCANCEL));
}

// ---- Presented boxes, recorded by the host MessageBoxW -------------------------------
#ifndef _WIN32
namespace
{
class HostOnlyMessages : public ::testing::Test
{
protected:
    void SetUp() override
    {
        unsetenv("ZEB_HOST_MSGBOX_LOG");
        setenv("ZEB_HOST_MSGBOX_ANSWERS", "", 1);
        zebhost::clearMessageBoxes();
        g_nSilent = 0;
    }
    void TearDown() override
    {
        unsetenv("ZEB_HOST_MSGBOX_ANSWERS");
        zebhost::clearMessageBoxes();
    }
    void answers(const char* script)
    {
        setenv("ZEB_HOST_MSGBOX_ANSWERS", script, 1);
        zebhost::clearMessageBoxes();
    }
    SilentFlag m_restore;
};
} // namespace

TEST_F(HostOnlyMessages, EveryBoxCarriesTheCaptionAndStyle)
{
    struct Case
    {
        UINT id;
        UINT style;
        int answer;
    };
    const Case cases[] = {
        {IDS_PATCH_CONFIRM, MB_OKCANCEL, IDOK},
        {IDS_PATCH_CONFIRM, MB_OKCANCEL, IDCANCEL},
        {IDS_OS_NOT_SUPPORTED, MB_OK, IDOK},
        {IDS_VERSION_NOT_SUPPORTED, MB_OK, IDOK},
        {IDS_PATCH_COMPLETED, MB_OK, IDOK},
        {IDS_PATCH_ALREADY_INSTALLED, MB_OK, IDOK},
        {IDS_PRODUCT_NOT_INSTALLED, MB_OK, IDOK},
        {IDS_UNKNOWN_EXCEPTION, MB_OK, IDCANCEL},
        {0, MB_OK, IDOK},
    };
    std::string script;
    for (const Case& c : cases)
        script += (script.empty() ? "" : ",") + std::to_string(c.answer);
    answers(script.c_str());
    for (const Case& c : cases)
        EXPECT_EQ(c.answer, showMessage(c.id, c.style)) << "id " << c.id;
    const auto& boxes = zebhost::messageBoxes();
    ASSERT_EQ(sizeof(cases) / sizeof(cases[0]), boxes.size());
    for (size_t i = 0; i < boxes.size(); ++i)
    {
        SCOPED_TRACE("box " + std::to_string(i));
        EXPECT_EQ(kCaption, utf8(boxes[i].caption.c_str()));
        EXPECT_EQ(cases[i].style, boxes[i].style);
        EXPECT_EQ(cases[i].answer, boxes[i].answer);
        WCHAR expected[MESSAGE_BUFFER_CHARS] = {0};
        LoadStringW(GetModuleHandleW(NULL), cases[i].id, expected, MESSAGE_BUFFER_CHARS);
        EXPECT_EQ(utf8(expected), utf8(boxes[i].text.c_str()));
    }
}

TEST_F(HostOnlyMessages, CancelOnTheConfirmationAnswersTwo)
{
    answers("2");
    EXPECT_EQ(IDCANCEL, showMessage(IDS_PATCH_CONFIRM, MB_OKCANCEL));
    ASSERT_EQ(1u, zebhost::messageBoxes().size());
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), zebhost::messageBoxes()[0].style);
}

TEST_F(HostOnlyMessages, SilentShowsNoBoxAndAnswersOne)
{
    answers("2,2,2");
    g_nSilent = 1;
    EXPECT_EQ(IDOK, showMessage(IDS_PATCH_CONFIRM, MB_OKCANCEL));
    EXPECT_EQ(IDOK, presentMessage(CZEBWCharString(ZEB_W("c")), CZEBWCharString(ZEB_W("t")),
                                   MB_OKCANCEL));
    showOutcomeMessage(6);
    EXPECT_TRUE(zebhost::messageBoxes().empty());
}

TEST_F(HostOnlyMessages, SilentProgramRunShowsNoBox)
{
    answers("2,2,2");
    EXPECT_EQ(0, runPatchProgram(ZEB_W("x/silent")));
    EXPECT_EQ(1, g_nSilent);
    EXPECT_TRUE(zebhost::messageBoxes().empty());
}

TEST_F(HostOnlyMessages, OutcomeCodesShowTheirTexts)
{
    answers("1,1,1");
    showOutcomeMessage(5);
    showOutcomeMessage(9);
    showOutcomeMessage(0);
    const auto& boxes = zebhost::messageBoxes();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ(kCompleted, utf8(boxes[0].text.c_str()));
    for (const auto& box : boxes)
    {
        EXPECT_EQ(kCaption, utf8(box.caption.c_str()));
        EXPECT_EQ(static_cast<UINT>(MB_OK), box.style);
    }
    EXPECT_EQ("", utf8(boxes[1].text.c_str())) << "code 9 has no message";
    EXPECT_EQ("", utf8(boxes[2].text.c_str())) << "code 0 has no message";
}

TEST_F(HostOnlyMessages, EmptyCaptionIsReloaded)
{
    answers("1,2,1");
    EXPECT_EQ(IDOK, presentMessage(CZEBWCharString(), CZEBWCharString(ZEB_W("text")), MB_OK));
    EXPECT_EQ(IDCANCEL,
              presentMessage(CZEBWCharString(ZEB_W("")), CZEBWCharString(ZEB_W("t")), MB_OKCANCEL));
    EXPECT_EQ(IDOK,
              presentMessage(CZEBWCharString(ZEB_W("Own")), CZEBWCharString(ZEB_W("t")), MB_OK));
    const auto& boxes = zebhost::messageBoxes();
    ASSERT_EQ(3u, boxes.size());
    EXPECT_EQ(kCaption, utf8(boxes[0].caption.c_str()));
    EXPECT_EQ("text", utf8(boxes[0].text.c_str()));
    EXPECT_EQ(kCaption, utf8(boxes[1].caption.c_str()));
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), boxes[1].style);
    EXPECT_EQ("Own", utf8(boxes[2].caption.c_str()));
}

TEST_F(HostOnlyMessages, WithoutScriptOrTerminalTheAnswerIsCancel)
{
    if (isatty(0))
        GTEST_SKIP() << "standard input is a terminal";
    unsetenv("ZEB_HOST_MSGBOX_ANSWERS");
    EXPECT_EQ(IDCANCEL, showMessage(IDS_PATCH_COMPLETED, MB_OK));
    ASSERT_EQ(1u, zebhost::messageBoxes().size());
    EXPECT_EQ(IDCANCEL, zebhost::messageBoxes()[0].answer);
}

TEST_F(HostOnlyMessages, ScriptRunsOutIntoCancel)
{
    if (isatty(0))
        GTEST_SKIP() << "standard input is a terminal";
    answers("1");
    EXPECT_EQ(IDOK, showMessage(IDS_PATCH_CONFIRM, MB_OKCANCEL));
    EXPECT_EQ(IDCANCEL, showMessage(IDS_PATCH_CONFIRM, MB_OKCANCEL));
}

TEST_F(HostOnlyMessages, PresentationsAreAppendedToTheLogFile)
{
    const char* path = "test_app_boxes.txt";
    std::remove(path);
    setenv("ZEB_HOST_MSGBOX_LOG", path, 1);
    answers("2,1");
    presentMessage(CZEBWCharString(ZEB_W("Cap")), CZEBWCharString(ZEB_W("a\tb\nc\\d")),
                   MB_OKCANCEL);
    presentMessage(CZEBWCharString(ZEB_W("Ü")), CZEBWCharString(ZEB_W("設定")), MB_OK);
    unsetenv("ZEB_HOST_MSGBOX_LOG");
    FILE* file = std::fopen(path, "rb");
    ASSERT_NE(nullptr, file);
    char content[256] = {0};
    size_t read = std::fread(content, 1, sizeof(content) - 1, file);
    std::fclose(file);
    std::remove(path);
    EXPECT_EQ("Cap\ta\\tb\\nc\\\\d\t1\t2\n\xC3\x9C\t\xE8\xA8\xAD\xE5\xAE\x9A\t0\t1\n",
              std::string(content, read));
}

// The boxes speak the language of the environment: the plain run is registered with
// LANG=en_US.UTF-8, a second run with LANG=de_DE.UTF-8.
TEST_F(HostOnlyMessages, TextFollowsTheLocale)
{
    struct Case
    {
        const char* locale;
        const char* text;
    };
    const Case cases[] = {
        {"en_US.UTF-8", "Hestrel - Password Manager is not installed on this computer."},
        {"de_DE.UTF-8", "Hestrel - Password Manager ist auf diesem Computer nicht installiert."},
    };
    const char* lang = std::getenv("LANG");
    const Case* expected = nullptr;
    for (const Case& c : cases)
    {
        if (lang != nullptr && std::string(lang) == c.locale)
            expected = &c;
    }
    ASSERT_NE(nullptr, expected) << "run with LANG=en_US.UTF-8 or LANG=de_DE.UTF-8";
    answers("1");
    showOutcomeMessage(4);
    ASSERT_EQ(1u, zebhost::messageBoxes().size());
    EXPECT_EQ(expected->text, utf8(zebhost::messageBoxes()[0].text.c_str()));
    EXPECT_EQ(kCaption, utf8(zebhost::messageBoxes()[0].caption.c_str()));
}
#endif
