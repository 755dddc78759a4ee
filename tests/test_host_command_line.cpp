// The host program's command line as its main forms it from the arguments.
#include "host/host_command_line.h"

#include <gtest/gtest.h>

#include <vector>

TEST(HostOnlyCommandLine, ArgumentsAreQuotedAsWindowsWritesThem)
{
    struct Case
    {
        std::vector<const char*> arguments; // after the program's own name
        std::u16string expected;
    };
    const Case cases[] = {
        {{}, u""},
        {{"/s"}, u"/s"},
        {{"/q", "x/silent"}, u"/q x/silent"},
        {{""}, u"\"\""},
        {{"a b"}, u"\"a b\""},
        {{"tab\there"}, u"\"tab\there\""},
        {{"say \"hi\""}, u"\"say \\\"hi\\\"\""},
        {{"C:\\my dir\\"}, u"\"C:\\my dir\\\\\""},
        {{"C:\\dir\\"}, u"C:\\dir\\"},
        {{"a\\\"b"}, u"a\\\\\\\"b"},
        {{"\xC3\xA4\xE4\xB8\xAD"}, u"\u00E4\u4E2D"},
    };
    for (const Case& c : cases)
    {
        std::vector<const char*> argv{"patch8108"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(c.expected,
                  zebhost::commandLineFromArguments(static_cast<int>(argv.size()), argv.data()));
    }
}
