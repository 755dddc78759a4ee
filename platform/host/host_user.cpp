// MessageBoxW of the host Win32 subset. There is no window system: answers come from a
// script in the environment or from the terminal, and every presentation is recorded.
//
// ZEB_HOST_MSGBOX_ANSWERS  comma-separated results (1 = OK, 2 = Cancel, ...) used in order
// ZEB_HOST_MSGBOX_LOG      file that receives one UTF-8 line per presentation:
//                          caption TAB text TAB style TAB answer, with backslash, tab, CR
//                          and LF inside the texts written as \\ \t \r \n
#include "host_test_hooks.h"
#include "host_text.h"
#include "win32_host.h"

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <unistd.h>
#include <vector>

namespace zebhost
{
namespace
{
std::vector<MessageBoxRecord>& records()
{
    static std::vector<MessageBoxRecord> presented;
    return presented;
}

// How many answers of the script have been used.
size_t& scriptPosition()
{
    static size_t position = 0;
    return position;
}

// The next scripted answer; false once the script is used up or absent.
bool scriptedAnswer(int* answer)
{
    std::string script = environment("ZEB_HOST_MSGBOX_ANSWERS");
    std::vector<std::string> items;
    size_t start = 0;
    while (!script.empty())
    {
        size_t comma = script.find(',', start);
        items.push_back(script.substr(start, comma - start));
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    size_t& position = scriptPosition();
    if (position >= items.size())
        return false;
    const std::string& item = items[position++];
    char* end = nullptr;
    long value = std::strtol(item.c_str(), &end, 10);
    // An entry that is not a number counts as closing the box: Cancel.
    *answer = (end == item.c_str() || *end != '\0') ? IDCANCEL : static_cast<int>(value);
    return true;
}

struct Button
{
    const char* label;
    int result;
};

std::vector<Button> buttonsOf(UINT style)
{
    switch (style & 0x0F)
    {
    case 0:
        return {{"OK", 1}};
    case 1:
        return {{"OK", 1}, {"Cancel", 2}};
    case 2:
        return {{"Abort", 3}, {"Retry", 4}, {"Ignore", 5}};
    case 3:
        return {{"Yes", 6}, {"No", 7}, {"Cancel", 2}};
    case 4:
        return {{"Yes", 6}, {"No", 7}};
    case 5:
        return {{"Retry", 4}, {"Cancel", 2}};
    case 6:
        return {{"Cancel", 2}, {"Try Again", 10}, {"Continue", 11}};
    default:
        return {{"OK", 1}};
    }
}

// Shows the box on the terminal and reads the chosen button's number; Cancel at end of input.
int askTerminal(const std::u16string& caption, const std::u16string& text, UINT style)
{
    std::vector<Button> buttons = buttonsOf(style);
    for (;;)
    {
        std::cerr << "\n[" << utf16ToUtf8(caption) << "]\n" << utf16ToUtf8(text) << "\n";
        for (const Button& b : buttons)
            std::cerr << "  " << b.result << " = " << b.label << "\n";
        std::cerr << "> " << std::flush;
        std::string line;
        if (!std::getline(std::cin, line))
            return IDCANCEL;
        char* end = nullptr;
        long value = std::strtol(line.c_str(), &end, 10);
        if (end != line.c_str())
        {
            for (const Button& b : buttons)
            {
                if (b.result == value)
                    return b.result;
            }
        }
    }
}

std::string escaped(const std::u16string& s)
{
    std::string out;
    for (char c : utf16ToUtf8(s))
    {
        switch (c)
        {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\n':
            out += "\\n";
            break;
        default:
            out += c;
        }
    }
    return out;
}

void appendToLog(const MessageBoxRecord& record)
{
    std::string path = environment("ZEB_HOST_MSGBOX_LOG");
    if (path.empty())
        return;
    FILE* file = std::fopen(path.c_str(), "ab");
    if (file == nullptr)
        return;
    std::string line = escaped(record.caption) + "\t" + escaped(record.text) + "\t" +
                       std::to_string(record.style) + "\t" + std::to_string(record.answer) + "\n";
    std::fwrite(line.data(), 1, line.size(), file);
    std::fclose(file);
}
} // namespace

const std::vector<MessageBoxRecord>& messageBoxes()
{
    return records();
}

void clearMessageBoxes()
{
    records().clear();
    scriptPosition() = 0;
}
} // namespace zebhost

int WINAPI MessageBoxW(HWND hWnd, LPCWSTR lpText, LPCWSTR lpCaption, UINT uType)
{
    (void)hWnd;
    std::u16string text = lpText != nullptr ? std::u16string(lpText) : std::u16string();
    // Without a caption the system's default title is used.
    std::u16string caption = lpCaption != nullptr ? std::u16string(lpCaption) : u"Error";
    int answer = IDCANCEL;
    if (!zebhost::scriptedAnswer(&answer))
        answer = isatty(0) ? zebhost::askTerminal(caption, text, uType) : IDCANCEL;
    zebhost::MessageBoxRecord record{caption, text, uType, answer};
    zebhost::records().push_back(record);
    zebhost::appendToLog(record);
    return answer;
}
