// Process entry of the host build: forms the Windows command line from the arguments
// (without the program's own name) and hands it to the program's wWinMain.
#include "host/host_command_line.h"
#include "zeb_platform.h"

int main(int argc, char** argv)
{
    std::u16string commandLine = zebhost::commandLineFromArguments(argc, argv);
    return wWinMain(GetModuleHandleW(nullptr), nullptr, &commandLine[0], 1 /* SW_SHOWNORMAL */);
}
