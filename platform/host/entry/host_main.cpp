// Process entry of the host build: forms the Windows command line from the arguments
// (without the program's own name) and hands it to the program's wWinMain.
#include "host/host_text.h"
#include "zeb_platform.h"

#include <string>

namespace
{
// One argument as Windows command lines write it: wrapped in double quotes when it is
// empty or holds a blank; a quote is escaped with a backslash, and backslashes that
// come before a quote (or before the closing quote) are doubled.
std::string quoteArgument(const std::string& argument)
{
    bool wrap = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
    std::string out;
    if (wrap)
        out += '"';
    for (size_t i = 0;; ++i)
    {
        size_t backslashes = 0;
        while (i < argument.size() && argument[i] == '\\')
        {
            ++backslashes;
            ++i;
        }
        if (i == argument.size())
        {
            out.append(wrap ? backslashes * 2 : backslashes, '\\');
            break;
        }
        if (argument[i] == '"')
        {
            out.append(backslashes * 2 + 1, '\\');
            out += '"';
        }
        else
        {
            out.append(backslashes, '\\');
            out += argument[i];
        }
    }
    if (wrap)
        out += '"';
    return out;
}
} // namespace

int main(int argc, char** argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; ++i)
    {
        if (i > 1)
            commandLine += ' ';
        commandLine += quoteArgument(argv[i]);
    }
    std::u16string wide = zebhost::utf8ToUtf16(commandLine);
    return wWinMain(GetModuleHandleW(nullptr), nullptr, &wide[0], 1 /* SW_SHOWNORMAL */);
}
