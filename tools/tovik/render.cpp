// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik render PLUGIN IN OUT [--set NAME=VALUE]... [--preset FILE.fxp] [--block N]`.
#include "render.h"

#include "audio_file.h"
#include "commands.h"
#include "configured_session.h"
#include "options.h"
#include "output_file.h"
#include "progress.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace KVX::Tovik
{
namespace
{
// Host rates outside this span are not sound rates; refusing them keeps plug-ins away from their edges.
constexpr int kMinSampleRate = 1000;
constexpr int kMaxSampleRate = 768000;
// Files longer than this many seconds show a progress bar on a terminal.
constexpr int kProgressSeconds = 5;

// One running instance and the file channels it serves.
struct Lane
{
    std::unique_ptr<Session> session;
    int firstChannel = 0;
    int channels = 0;
};
} // namespace

bool RenderFile(const RenderRequest& request, std::string& error, std::string* warning)
{
    AudioReader reader;
    if (!reader.Open(request.input, error))
    {
        return false;
    }
    const AudioFormat format = reader.Format();
    if (format.channels > 2)
    {
        error = request.input + " has " + std::to_string(format.channels) +
                " channels; tovik renders mono and stereo files only";
        return false;
    }
    if (format.sampleRate < kMinSampleRate || format.sampleRate > kMaxSampleRate)
    {
        error = request.input + " has a sample rate of " + std::to_string(format.sampleRate) +
                " Hz, outside 1000 to 768000 Hz";
        return false;
    }

    AudioFormat outputFormat;
    if (!ChooseOutputFormat(request.output, request.format, format, outputFormat, error))
    {
        return false;
    }
    if (request.dither && IntegerBits(outputFormat.format) == 0)
    {
        error = "--dither is for integer sample types; " + request.output + " would be " +
                DescribeFormat(outputFormat.format);
        return false;
    }

    std::vector<Lane> lanes;
    PluginChoice choice;
    choice.plugin = request.plugin;
    choice.uri = request.uri;
    choice.id = request.id;
    choice.sampleRate = format.sampleRate;
    choice.maxBlockSize = request.blockSize;
    auto first = OpenConfigured(choice, request.preset, request.sets, error);
    if (!first)
    {
        return false;
    }
    const bool dualMono = format.channels == 2 && (first->Inputs() < 2 || first->Outputs() < 2);
    lanes.push_back({std::move(first), 0, dualMono ? 1 : format.channels});
    if (dualMono)
    {
        auto second = OpenConfigured(choice, request.preset, request.sets, error);
        if (!second)
        {
            return false;
        }
        lanes.push_back({std::move(second), 1, 1});
    }

    OutputFile output;
    AudioWriter writer;
    if (!output.Create(request.output, error) || !writer.Open(output, outputFormat, request.dither, error))
    {
        return false;
    }
    const auto prerollBlocks = static_cast<std::int64_t>(
        std::ceil(request.prerollSeconds * format.sampleRate / static_cast<double>(request.blockSize)));
    for (auto& lane : lanes)
    {
        lane.session->Start(format.sampleRate, request.blockSize);
        lane.session->ClearInputs();
        for (std::int64_t i = 0; i < prerollBlocks; ++i)
        {
            lane.session->Process(request.blockSize);
        }
    }

    const int channels = format.channels;
    const auto block = static_cast<std::size_t>(request.blockSize);
    std::vector<float> in(block * static_cast<std::size_t>(channels));
    std::vector<float> out(in.size());
    Progress progress(format.frames, static_cast<std::int64_t>(kProgressSeconds) * format.sampleRate,
                      "rendering");
    std::int64_t done = 0;
    while (done < format.frames)
    {
        std::int64_t frames = 0;
        if (!reader.Read(in.data(), request.blockSize, frames, error))
        {
            return false;
        }
        if (frames == 0)
        {
            break;
        }
        for (auto& lane : lanes)
        {
            Session& session = *lane.session;
            // Lane channel c feeds input c; a single channel feeds the first two inputs.
            for (int input = 0; input < std::min(session.Inputs(), 2); ++input)
            {
                const int channel = lane.firstChannel + (lane.channels == 1 ? 0 : input);
                float* target = session.Input(input);
                for (std::int64_t i = 0; i < frames; ++i)
                {
                    target[i] = in[static_cast<std::size_t>(i * channels + channel)];
                }
            }
            session.Process(static_cast<int>(frames));
            for (int c = 0; c < lane.channels; ++c)
            {
                const float* source = session.Output(c);
                const int channel = lane.firstChannel + c;
                for (std::int64_t i = 0; i < frames; ++i)
                {
                    out[static_cast<std::size_t>(i * channels + channel)] = source[i];
                }
            }
        }
        if (!writer.Write(out.data(), frames, error))
        {
            return false;
        }
        done += frames;
        progress.Update(done);
    }
    progress.Finish();
    for (auto& lane : lanes)
    {
        lane.session->Stop();
    }
    if (!writer.Close(error) || !output.Commit(error))
    {
        return false;
    }
    if (warning != nullptr && writer.ClippedSamples() > 0)
    {
        char text[160];
        std::snprintf(text, sizeof text, "%lld samples clipped at full scale (peak %+.2f dBFS)",
                      static_cast<long long>(writer.ClippedSamples()), 20.0 * std::log10(writer.Peak()));
        *warning = request.output + ": " + text;
    }
    return true;
}

int Render(const Arguments& args)
{
    Options options;
    std::string error;
    if (!options.Parse(args, {"preset", "block", "preroll", "format", "uri", "id"}, error, {"dither"}))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    if (options.Positional().size() != 3)
    {
        std::fprintf(stderr,
                     "usage: tovik render PLUGIN IN OUT [--set NAME=VALUE]... [--preset FILE.fxp] "
                     "[--block N] [--preroll SECONDS] [--format NAME] [--dither] [--uri URI] [--id ID]\n");
        return 2;
    }
    RenderRequest request;
    request.plugin = options.Positional()[0];
    request.uri = options.Get("uri");
    request.id = options.Get("id");
    request.input = options.Positional()[1];
    request.output = options.Positional()[2];
    request.preset = options.Get("preset");
    request.sets = options.Sets();
    request.format = options.Get("format");
    if (request.format && !IsFormatName(*request.format))
    {
        std::fprintf(stderr, "tovik: --format takes one of %s, not '%s'\n", WritableFormatNames().c_str(),
                     request.format->c_str());
        return 2;
    }
    request.dither = options.Flag("dither");
    long block = 0;
    if (!options.GetInt("block", 1, Session::kMaxBlockSize, 512, block, error) ||
        !options.GetNumber("preroll", 0.0, 60.0, request.prerollSeconds, request.prerollSeconds, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    request.blockSize = static_cast<int>(block);
    std::string warning;
    if (!RenderFile(request, error, &warning))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    if (!warning.empty())
    {
        std::fprintf(stderr, "tovik: warning: %s\n", warning.c_str());
    }
    return 0;
}
} // namespace KVX::Tovik
