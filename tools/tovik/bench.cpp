// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik bench PLUGIN... [--set [N:]NAME=VALUE]... [--block N] [--rate R] [--seconds S] [--runs K]
//  [--uri URI] [--id ID]`:
// nanoseconds per frame for each plug-in, the same pink noise and block size for all.
#include "clap_session.h"
#include "commands.h"
#include "configured_session.h"
#include "options.h"
#include "signals.h"

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

namespace KVX::Tovik
{
namespace
{
struct Contender
{
    std::string path;
    std::unique_ptr<Session> session;
    std::vector<double> nanosecondsPerFrame;
};

// "2:Low=0.8" is meant for the second plug-in only; a plain setting goes to every plug-in.
bool SplitTarget(const std::string& text, std::size_t& plugin, std::string& setting)
{
    const auto colon = text.find(':');
    const auto equals = text.find('=');
    if (colon == std::string::npos || colon == 0 || (equals != std::string::npos && equals < colon))
    {
        return false;
    }
    long number = 0;
    if (!ParseInteger(text.substr(0, colon), number) || number < 1)
    {
        return false;
    }
    plugin = static_cast<std::size_t>(number);
    setting = text.substr(colon + 1);
    return true;
}

// One pass of the whole signal through the plug-in, in blocks; the time per frame.
double TimePass(Session& session, std::vector<std::vector<float>>& signal, int block)
{
    const auto frames = static_cast<std::int64_t>(signal[0].size());
    std::vector<float> silence(static_cast<std::size_t>(block), 0.0f);
    std::vector<float*> inputs(static_cast<std::size_t>(session.Inputs()));
    std::vector<float> outputStore(static_cast<std::size_t>(block) *
                                   static_cast<std::size_t>(session.Outputs()));
    std::vector<float*> outputs;
    for (int c = 0; c < session.Outputs(); ++c)
    {
        outputs.push_back(outputStore.data() + static_cast<std::size_t>(c) * static_cast<std::size_t>(block));
    }
    const auto start = std::chrono::steady_clock::now();
    for (std::int64_t done = 0; done < frames; done += block)
    {
        const int count = static_cast<int>(std::min<std::int64_t>(block, frames - done));
        for (std::size_t c = 0; c < inputs.size(); ++c)
        {
            inputs[c] = c < signal.size() ? signal[c].data() + done : silence.data();
        }
        session.Process(inputs.data(), outputs.data(), count);
    }
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / static_cast<double>(frames);
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : 0.5 * (values[middle - 1] + values[middle]);
}

bool IsFolder(const std::string& path)
{
    struct stat info = {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// "/usr/lib/lv2/a-eq.lv2/" is named "a-eq.lv2".
std::string BaseName(std::string path)
{
    while (path.size() > 1 && path.back() == '/')
    {
        path.pop_back();
    }
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}
} // namespace

int Bench(const Arguments& args)
{
    Options options;
    std::string error;
    if (!options.Parse(args, {"block", "rate", "seconds", "runs", "uri", "id"}, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    const auto& paths = options.Positional();
    if (paths.empty())
    {
        std::fprintf(stderr, "usage: tovik bench PLUGIN... [--set [N:]NAME=VALUE]... [--block N] [--rate R] "
                             "[--seconds S] [--runs K] [--uri URI] [--id ID]\n");
        return 2;
    }
    long block = 0;
    long runs = 0;
    double rate = 0.0;
    double seconds = 0.0;
    if (!options.GetInt("block", 1, Session::kMaxBlockSize, 512, block, error) ||
        !options.GetNumber("rate", 8000.0, 384000.0, 48000.0, rate, error) ||
        !options.GetNumber("seconds", 0.05, 600.0, 2.0, seconds, error) ||
        !options.GetInt("runs", 1, 1000, 7, runs, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }

    std::vector<std::vector<std::string>> sets(paths.size());
    for (const auto& text : options.Sets())
    {
        std::size_t target = 0;
        std::string setting;
        if (!SplitTarget(text, target, setting))
        {
            for (auto& list : sets)
            {
                list.push_back(text);
            }
        }
        else if (target > paths.size())
        {
            std::fprintf(stderr, "tovik: --set %s names plug-in %zu of %zu\n", text.c_str(), target,
                         paths.size());
            return 2;
        }
        else
        {
            sets[target - 1].push_back(setting);
        }
    }

    std::vector<Contender> contenders;
    for (std::size_t i = 0; i < paths.size(); ++i)
    {
        PluginChoice choice;
        choice.plugin = paths[i];
        // Meant for the bundles among the plug-ins: a VST path or a URI has no use for it.
        choice.uri = IsFolder(paths[i]) ? options.Get("uri") : std::nullopt;
        choice.id = IsClapPath(paths[i]) ? options.Get("id") : std::nullopt;
        choice.sampleRate = rate;
        choice.maxBlockSize = static_cast<int>(block);
        auto session = OpenConfigured(choice, std::nullopt, sets[i], error);
        if (!session)
        {
            std::fprintf(stderr, "tovik: %s\n", error.c_str());
            return 1;
        }
        session->Start(rate, static_cast<int>(block));
        contenders.push_back({paths[i], std::move(session), {}});
    }

    const auto frames = static_cast<std::int64_t>(seconds * rate);
    std::vector<std::vector<float>> signal = {PinkNoise(frames, 1, 0.1f), PinkNoise(frames, 2, 0.1f)};
    // The first pass warms caches and lets parameter smoothing settle; the plug-ins then take turns so
    // that they share whatever the machine is doing.
    for (auto& contender : contenders)
    {
        TimePass(*contender.session, signal, static_cast<int>(block));
    }
    for (long run = 0; run < runs; ++run)
    {
        for (auto& contender : contenders)
        {
            contender.nanosecondsPerFrame.push_back(
                TimePass(*contender.session, signal, static_cast<int>(block)));
        }
    }

    std::printf("%g Hz, %ld-frame blocks, %g s of pink noise, median of %ld runs after one warm-up run\n\n",
                rate, block, seconds, runs);
    std::printf("%-34s %-32s %7s %10s %10s %11s\n", "plug-in", "file", "in/out", "ns/frame", "fastest",
                "x realtime");
    for (auto& contender : contenders)
    {
        const double median = Median(contender.nanosecondsPerFrame);
        const double fastest =
            *std::min_element(contender.nanosecondsPerFrame.begin(), contender.nanosecondsPerFrame.end());
        char channels[16];
        std::snprintf(channels, sizeof channels, "%d/%d", contender.session->Inputs(),
                      contender.session->Outputs());
        std::printf("%-34.34s %-32.32s %7s %10.1f %10.1f %11.0f\n", contender.session->Name().c_str(),
                    BaseName(contender.path).c_str(), channels, median, fastest, 1e9 / rate / median);
        contender.session->Stop();
    }
    return 0;
}
} // namespace KVX::Tovik
