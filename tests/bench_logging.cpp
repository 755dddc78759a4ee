// What one record costs: filtered out by the configuration, and written to the text log
// (a file open, append and close per record), beside a plain fopen/fwrite/fclose of the
// same line for comparison.
#include "zeb_logging.h"
#include "zeb_test_support.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

using namespace zebtest;

namespace
{
struct Record : CZEBDetailedLog
{
    explicit Record(int nSeverity)
        : CZEBDetailedLog(nSeverity, ZEB_W("Unable to allocate memory ( m_pBuffer )"), -1, 0,
                          ZEB_W("CZEBRegistryKey"), ZEB_W("open"), ZEB_W(".\\zeb_buffer.h"), 120,
                          false, false, OUTPUT_TEXT, nullptr, nullptr)
    {
    }
};

void filteredOut(benchmark::State& state)
{
    LoggingOn logging(0x1B);
    Record entry(LS_ENTRY); // the default detail mask has no ENTRY bit
    for (auto _ : state)
        benchmark::DoNotOptimize(entry.log());
}

void written(benchmark::State& state)
{
    LoggingOn logging(0x1B);
    Record exception(LS_EXCEPTION_BAD);
    for (auto _ : state)
        benchmark::DoNotOptimize(exception.log());
    state.counters["lines"] = static_cast<double>(logging.log.lines().size());
}

void plainFileAppend(benchmark::State& state)
{
    const std::string path = "/tmp/zeb_bench_plain.log";
    std::remove(path.c_str());
    const std::u16string line =
        u"<Fri Dec 11 12:00:00 2026>: <EXCEPTION_BAD> <bench_logging> "
        u"<CZEBRegistryKey::open> \"Unable to allocate memory ( m_pBuffer )\" "
        u"<zeb_buffer.h, 120> \r\n";
    for (auto _ : state)
    {
        FILE* pFile = std::fopen(path.c_str(), "ab");
        std::fwrite(line.data(), sizeof(char16_t), line.size(), pFile);
        std::fclose(pFile);
    }
    std::remove(path.c_str());
}
} // namespace

BENCHMARK(filteredOut);
BENCHMARK(written);
BENCHMARK(plainFileAppend);
BENCHMARK_MAIN();
