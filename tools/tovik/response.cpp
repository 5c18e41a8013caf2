// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik response PLUGIN [--set NAME=VALUE]... [--preset FILE.fxp] --plot FILE.png [--csv FILE.csv]
//  [--rate R] [--block N] [--uri URI] [--id ID]`.
#include "response.h"

#include "commands.h"
#include "configured_session.h"
#include "options.h"
#include "output_file.h"
#include "plot.h"
#include "settings.h"

#include <cmath>
#include <cstdio>

namespace KVX::Tovik
{
namespace
{
// 48 points per octave across the plotted range.
constexpr int kPoints = 480;

bool WriteCsv(OutputFile& output, const ResponseCurves& curves, std::string& error)
{
    const int channels = static_cast<int>(curves.gainsDb.size());
    std::string text = "frequency_hz";
    for (int c = 0; c < channels; ++c)
    {
        std::string name = ChannelName(c, channels);
        for (char& ch : name)
        {
            ch = ch == ' ' ? '_' : ch;
        }
        text += "," + name + "_db";
    }
    text += "\n";
    char number[64];
    for (std::size_t i = 0; i < curves.frequencies.size(); ++i)
    {
        std::snprintf(number, sizeof number, "%.6f", curves.frequencies[i]);
        text += number;
        for (const auto& gains : curves.gainsDb)
        {
            std::snprintf(number, sizeof number, ",%.6f", gains[i]);
            text += number;
        }
        text += "\n";
    }
    return output.Write(text.data(), text.size(), error);
}
} // namespace

bool WriteResponseFiles(const ResponseCurves& curves, const std::string& title, const std::string& subtitle,
                        const std::optional<std::string>& plotPath, const std::optional<std::string>& csvPath,
                        std::string& error)
{
    OutputFile plot;
    OutputFile csv;
    if (plotPath)
    {
        std::vector<PlotCurve> plotCurves;
        const int channels = static_cast<int>(curves.gainsDb.size());
        for (int c = 0; c < channels; ++c)
        {
            plotCurves.push_back({ChannelName(c, channels), curves.gainsDb[static_cast<std::size_t>(c)]});
        }
        if (!plot.Create(*plotPath, error) ||
            !WriteResponsePlot(plot, title, subtitle, curves.frequencies, plotCurves, error))
        {
            return false;
        }
    }
    if (csvPath && (!csv.Create(*csvPath, error) || !WriteCsv(csv, curves, error)))
    {
        return false;
    }
    // Both are complete before either is put in place.
    return (!plotPath || plot.Commit(error)) && (!csvPath || csv.Commit(error));
}

int Response(const Arguments& args)
{
    Options options;
    std::string error;
    if (!options.Parse(args, {"plot", "csv", "rate", "block", "preset", "uri", "id"}, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    if (options.Positional().size() != 1 || (!options.Get("plot") && !options.Get("csv")))
    {
        std::fprintf(stderr,
                     "usage: tovik response PLUGIN [--set NAME=VALUE]... [--preset FILE.fxp] "
                     "--plot FILE.png [--csv FILE.csv] [--rate R] [--block N] [--uri URI] [--id ID]\n");
        return 2;
    }
    double rate = 0.0;
    long block = 0;
    if (!options.GetNumber("rate", 8000.0, 384000.0, 48000.0, rate, error) ||
        !options.GetInt("block", 1, Session::kMaxBlockSize, 512, block, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    PluginChoice choice;
    choice.plugin = options.Positional()[0];
    choice.uri = options.Get("uri");
    choice.id = options.Get("id");
    choice.sampleRate = rate;
    choice.maxBlockSize = static_cast<int>(block);
    auto session = OpenConfigured(choice, options.Get("preset"), options.Sets(), error);
    if (!session)
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    session->Start(rate, static_cast<int>(block));
    const ResponseCurves curves = MeasureResponse(*session, rate, LogFrequencies(20.0, 20000.0, kPoints));
    session->Stop();

    std::string settings = DescribeSettings(options.Sets());
    if (const auto preset = options.Get("preset"))
    {
        settings = "preset " + *preset + (options.Sets().empty() ? "" : ", " + settings);
    }
    char subtitle[160];
    std::snprintf(subtitle, sizeof subtitle, "measured at %g Hz, %ld-frame blocks, impulse response", rate,
                  block);
    if (!WriteResponseFiles(curves, session->Name() + ": " + settings, subtitle, options.Get("plot"),
                            options.Get("csv"), error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
} // namespace KVX::Tovik
