// What reading one text value costs through CZEBRegistryString::getValue without the cache
// (open, query, close and the library's buffers and guards), beside the direct
// RegOpenKeyExW / RegQueryValueExW / RegCloseKey of the same value. Logging is off.
#include "zeb_registry_string.h"
#include "zeb_registry_test_support.h"

#include <benchmark/benchmark.h>

using namespace zebtest;

namespace
{
const LPCWSTR kValueName = ZEB_W("Version");

struct BenchKey
{
    BenchKey() : scratch(HKEY_CURRENT_USER, ZEB_W("Bench"))
    {
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, LogsKey::path()); // logging off
        scratch.setText(kValueName, ZEB_W("8.21.0020"));
    }
    ScratchKey scratch;
};

void libraryGetValue(benchmark::State& state)
{
    BenchKey key;
    CZEBRegistryString value(key.scratch.root(), key.scratch.path(), kValueName, KEY_READ, false,
                             0);
    CZEBWCharString text;
    for (auto _ : state)
        benchmark::DoNotOptimize(value.getValue(text, false));
}

// As the program uses it: an object built for one question.
void libraryObjectPerRead(benchmark::State& state)
{
    BenchKey key;
    for (auto _ : state)
    {
        CZEBRegistryString value(key.scratch.root(), key.scratch.path(), kValueName, KEY_READ,
                                 false, 0);
        CZEBWCharString text;
        benchmark::DoNotOptimize(value.getValue(text, false));
    }
}

void directCalls(benchmark::State& state)
{
    BenchKey key;
    for (auto _ : state)
    {
        HKEY hKey = nullptr;
        BYTE data[520];
        DWORD cbData = sizeof data;
        LONG lResult = RegOpenKeyExW(key.scratch.root(), key.scratch.path(), 0, KEY_READ, &hKey);
        if (lResult == ERROR_SUCCESS)
        {
            lResult = RegQueryValueExW(hKey, kValueName, nullptr, nullptr, data, &cbData);
            RegCloseKey(hKey);
        }
        benchmark::DoNotOptimize(lResult);
        benchmark::DoNotOptimize(data);
    }
}
} // namespace

BENCHMARK(libraryGetValue);
BENCHMARK(libraryObjectPerRead);
BENCHMARK(directCalls);
BENCHMARK_MAIN();
