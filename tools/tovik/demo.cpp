// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik demo OUTDIR [--plugin PATH]`: the equaliser heard and measured in one step. A drum-and-bass
// pattern made here is written, rendered through the plug-in with a "smile" (bass and treble up, mids
// down) and its response is measured, plotted and compared band by band with the setting.
#include "audio_file.h"
#include "built_plugin.h"
#include "commands.h"
#include "configured_session.h"
#include "fit/fader_values.h"
#include "options.h"
#include "output_file.h"
#include "render.h"
#include "response.h"
#include "settings.h"
#include "signals.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace KVX::Tovik
{
namespace
{
constexpr int kSampleRate = 48000;
constexpr int kBlockSize = 512;
constexpr int kBands = 10;
constexpr const char* kBandNames[kBands] = {"31 Hz", "63 Hz", "125 Hz", "250 Hz", "500 Hz",
                                            "1 kHz", "2 kHz", "4 kHz",  "8 kHz",  "16 kHz"};
constexpr double kBandCentres[kBands] = {31, 63, 125, 250, 500, 1000, 2000, 4000, 8000, 16000};
constexpr double kSmileDb[kBands] = {6, 5, 3, 0, -3, -4, -3, 0, 4, 6};

std::vector<std::string> SmileSettings()
{
    std::vector<std::string> sets;
    for (int band = 0; band < kBands; ++band)
    {
        char text[32];
        std::snprintf(text, sizeof text, "%s=%+gdB", Fit::BandKey(band).c_str(), kSmileDb[band]);
        sets.emplace_back(text);
    }
    return sets;
}

bool MakeFolder(const std::string& path, std::string& error)
{
    std::string partial;
    std::size_t start = 0;
    while (start <= path.size())
    {
        const auto slash = path.find('/', start);
        partial = path.substr(0, slash == std::string::npos ? path.size() : slash);
        if (!partial.empty() && mkdir(partial.c_str(), 0777) != 0 && errno != EEXIST)
        {
            error = "cannot make folder " + partial + ": " + std::strerror(errno);
            return false;
        }
        if (slash == std::string::npos)
        {
            break;
        }
        start = slash + 1;
    }
    struct stat info
    {
    };
    if (stat(path.c_str(), &info) != 0 || !S_ISDIR(info.st_mode))
    {
        error = path + " is not a folder";
        return false;
    }
    return true;
}

bool WriteSignal(const std::string& path, const StereoSignal& signal, std::string& error)
{
    AudioFormat format;
    format.sampleRate = kSampleRate;
    format.channels = 2;
    format.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    std::vector<float> interleaved;
    interleaved.reserve(2 * signal.left.size());
    for (std::size_t i = 0; i < signal.left.size(); ++i)
    {
        interleaved.push_back(signal.left[i]);
        interleaved.push_back(signal.right[i]);
    }
    OutputFile output;
    AudioWriter writer;
    return output.Create(path, error) && writer.Open(output, format, false, error) &&
           writer.Write(interleaved.data(), static_cast<std::int64_t>(signal.left.size()), error) &&
           writer.Close(error) && output.Commit(error);
}
} // namespace

int Demo(const Arguments& args)
{
    Options options;
    std::string error;
    if (!options.Parse(args, {"plugin"}, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    if (options.Positional().size() != 1)
    {
        std::fprintf(stderr, "usage: tovik demo OUTDIR [--plugin PATH]\n");
        return 2;
    }
    const std::string folder = options.Positional()[0];
    const std::string plugin = options.Get("plugin").value_or(BuiltPlugin());
    const std::string input = folder + "/demo-in.wav";
    const std::string output = folder + "/demo-out.wav";
    const std::string plot = folder + "/demo-response.png";
    const std::vector<std::string> smile = SmileSettings();

    if (!MakeFolder(folder, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    const StereoSignal signal = DrumAndBass(kSampleRate);
    if (!WriteSignal(input, signal, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    std::printf("Wrote %s: %.1f s of drum and bass made by tovik, %d Hz stereo, 32-bit float\n",
                input.c_str(), static_cast<double>(signal.left.size()) / kSampleRate, kSampleRate);

    RenderRequest request;
    request.plugin = plugin;
    request.input = input;
    request.output = output;
    request.sets = smile;
    request.blockSize = kBlockSize;
    if (!RenderFile(request, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    std::printf("Wrote %s: rendered through %s with %s\n", output.c_str(), plugin.c_str(),
                DescribeSettings(smile).c_str());

    PluginChoice choice;
    choice.plugin = plugin;
    choice.sampleRate = kSampleRate;
    choice.maxBlockSize = kBlockSize;
    auto session = OpenConfigured(choice, std::nullopt, smile, error);
    if (!session)
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    session->Start(kSampleRate, kBlockSize);
    std::vector<double> frequencies = LogFrequencies(20.0, 20000.0, 480);
    frequencies.insert(frequencies.end(), std::begin(kBandCentres), std::end(kBandCentres));
    const ResponseCurves curves = MeasureResponse(*session, kSampleRate, frequencies);
    session->Stop();

    // The plot takes the even spread; the band centres were appended after it.
    ResponseCurves plotted = curves;
    plotted.frequencies.resize(plotted.frequencies.size() - kBands);
    for (auto& gains : plotted.gainsDb)
    {
        gains.resize(plotted.frequencies.size());
    }
    if (!WriteResponseFiles(plotted, session->Name() + ": smile", DescribeSettings(smile), plot, std::nullopt,
                            error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    std::printf("Wrote %s: the measured response\n\n", plot.c_str());

    std::printf("Gain at each band's centre, measured from the plug-in's impulse response at %d Hz:\n\n",
                kSampleRate);
    std::printf("%-8s %9s %10s %10s %11s\n", "band", "setting", "left", "right", "difference");
    const std::size_t first = curves.frequencies.size() - kBands;
    for (int band = 0; band < kBands; ++band)
    {
        const std::size_t i = first + static_cast<std::size_t>(band);
        const double left = curves.gainsDb[0][i];
        const double right = curves.gainsDb.size() > 1 ? curves.gainsDb[1][i] : left;
        std::printf("%-8s %+6.1f dB %+7.2f dB %+7.2f dB %+8.2f dB\n", kBandNames[band], kSmileDb[band], left,
                    right, left - kSmileDb[band]);
    }
    std::printf(
        "\nThe setting is the fader as the plug-in displays it. The measured gain at a centre is what all\n"
        "ten sections add up to there: the bands are broad and overlap, and each follows its tuning "
        "table.\n");
    return 0;
}
} // namespace KVX::Tovik
