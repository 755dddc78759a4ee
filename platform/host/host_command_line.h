// The Windows command line of the host program, formed from its arguments.
#pragma once

#include <string>

namespace zebhost
{
// The arguments after the program's own name, joined by single spaces, each written as a
// Windows command line writes it: wrapped in double quotes when it is empty or holds a
// blank; a quote is escaped with a backslash, and backslashes that come before a quote (or
// before the closing quote) are doubled. UTF-8 in, UTF-16 out.
std::u16string commandLineFromArguments(int argc, const char* const* argv);
} // namespace zebhost
