#include "host_command_line.h"

#include "host_text.h"

namespace zebhost
{
namespace
{
std::string quoteArgument(const std::string& argument)
{
    const bool wrap = argument.empty() || argument.find_first_of(" \t") != std::string::npos;
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

std::u16string commandLineFromArguments(int argc, const char* const* argv)
{
    std::string commandLine;
    for (int i = 1; i < argc; ++i)
    {
        if (i > 1)
            commandLine += ' ';
        commandLine += quoteArgument(argv[i]);
    }
    return utf8ToUtf16(commandLine);
}
} // namespace zebhost
