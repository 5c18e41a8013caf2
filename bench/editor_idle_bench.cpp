// SPDX-License-Identifier: GPL-3.0-or-later
// What an open editor costs: the time from effEditOpen to the first frame on the screen, the resident
// memory that first open adds, and the CPU the process spends over five seconds of an idle, settled
// editor (as a share of one core). The plug-in is loaded through its entry point into this process.
#include "editor_bench_host.h"
#include "process_memory.h"

#include <benchmark/benchmark.h>
#include <gtest/gtest.h> // before any X header, whose None macro would break it


#include <sys/resource.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace
{
using KVX::Bench::ResidentKiB;

double ProcessCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_EditorOpenAndIdle(benchmark::State& state)
{
    using Clock = std::chrono::steady_clock;
    KVX::Bench::CEditorBenchHost bench(state);
    KVX::Host::Plugin* plugin = bench.Plugin();
    if (plugin == nullptr)
    {
        return;
    }
    void* parent = bench.Parent();
    for (auto _ : state)
    {
        const long rssBefore = ResidentKiB();
        const auto start = Clock::now();
        plugin->Dispatch(effEditOpen, 0, 0, parent);
        for (int i = 0; i < 10000; ++i)
        {
            if (bench.PanelShows())
            {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        const double openMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        std::this_thread::sleep_for(std::chrono::seconds(2)); // the opening fades finish
        const long rssOpen = ResidentKiB();

        const double cpuBefore = ProcessCpuSeconds();
        const auto idleStart = Clock::now();
        std::this_thread::sleep_for(std::chrono::seconds(5));
        const double wall = std::chrono::duration<double>(Clock::now() - idleStart).count();
        const double cpu = ProcessCpuSeconds() - cpuBefore;

        plugin->Dispatch(effEditClose);
        XSync(bench.Window().GetDisplay(), False);
        state.counters["open_ms"] = openMs;
        state.counters["first_open_rss_MiB"] = static_cast<double>(rssOpen - rssBefore) / 1024.0;
        state.counters["idle_cpu_percent_of_core"] = 100.0 * cpu / wall;
    }
}
BENCHMARK(BM_EditorOpenAndIdle)->Iterations(1)->Unit(benchmark::kSecond);
} // namespace
