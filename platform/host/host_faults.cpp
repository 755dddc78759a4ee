#include "host_test_hooks.h"

#include <map>
#include <string>

namespace zebhost
{
namespace
{
struct Failure
{
    DWORD error;
    int remaining;
};
std::map<std::string, Failure>& failures()
{
    static std::map<std::string, Failure> table;
    return table;
}
} // namespace

void failCall(const char* function, DWORD error, int count)
{
    failures()[function] = Failure{error, count};
}

void clearFailures()
{
    failures().clear();
}

bool injectedFailure(const char* function, DWORD* error)
{
    auto& table = failures();
    if (table.empty())
        return false;
    auto it = table.find(function);
    if (it == table.end() || it->second.remaining <= 0)
        return false;
    --it->second.remaining;
    *error = it->second.error;
    return true;
}
} // namespace zebhost
