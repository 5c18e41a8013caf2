// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik match REFERENCE SOURCE [--apply OUT] [--plugin PATH] [--weight FILE] [--normalise]
//  [--preset FILE.fxp] [--set] [--plot FILE.png] [--csv FILE.csv]`: the faders that give SOURCE the tonal
// balance of REFERENCE.
#include "built_plugin.h"
#include "commands.h"
#include "fit_report.h"
#include "options.h"
#include "render.h"
#include "spectrum.h"

#include "fit/fader_fit.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace KVX::Tovik
{
namespace
{
constexpr const char* kUsage =
    "usage: tovik match REFERENCE SOURCE [--apply OUT] [--plugin PATH] [--weight FILE] "
    "[--normalise] [--preset FILE.fxp] [--set] [--plot FILE.png] [--csv FILE.csv]\n";
} // namespace

int Match(const Arguments& args)
{
    Options options;
    std::string error;
    std::vector<std::string> valued = kFitValuedOptions;
    valued.insert(valued.end(), {"apply", "plugin"});
    if (!options.Parse(args, valued, error, kFitFlags))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    if (options.Positional().size() != 2)
    {
        std::fprintf(stderr, "%s", kUsage);
        return 2;
    }
    const std::string& referencePath = options.Positional()[0];
    const std::string& sourcePath = options.Positional()[1];
    AverageSpectrum reference;
    AverageSpectrum source;
    if (!MeasureAverageSpectrum(referencePath, reference, error) ||
        !MeasureAverageSpectrum(sourcePath, source, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    // The faders are fitted at the rate SOURCE will be rendered at.
    const double rate = source.sampleRate;
    if (rate < 8000.0 || rate > 384000.0)
    {
        std::fprintf(stderr, "tovik: %s has a sample rate of %g Hz; match takes 8000 to 384000 Hz\n",
                     sourcePath.c_str(), rate);
        return 1;
    }
    const Fit::CResponseModel model(rate, Fit::FitFrequencies(rate));
    const std::vector<double>& frequencies = model.Frequencies();
    Fit::FitRequest request;
    if (!ReadWeights(options.Get("weight"), frequencies, request.weights, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    if (request.weights.empty())
    {
        request.weights.assign(frequencies.size(), 1.0);
    }

    // The difference is the change the faders make; the unit's own output low-pass is there at every setting,
    // so a recording matched to itself asks for flat faders. It is limited to what the faders can do, and
    // counts only where both recordings have something to compare.
    const std::vector<double> wanted = ThirdOctaveDb(reference, frequencies);
    const std::vector<double> have = ThirdOctaveDb(source, frequencies);
    Fit::Faders lowest;
    Fit::Faders highest;
    lowest.fill(0.0f);
    highest.fill(1.0f);
    const std::vector<double> allCut = model.ResponseDb(lowest);
    const std::vector<double> allBoost = model.ResponseDb(highest);
    request.targetDb.assign(frequencies.size(), 0.0);
    std::size_t limited = 0;
    std::size_t compared = 0;
    for (std::size_t i = 0; i < frequencies.size(); ++i)
    {
        const bool known = std::isfinite(wanted[i]) && std::isfinite(have[i]) &&
                           frequencies[i] <= 0.45 * std::min(reference.sampleRate, source.sampleRate);
        if (!known)
        {
            request.weights[i] = 0.0;
            continue;
        }
        const double low = allCut[i] - model.OutputFilterDb()[i];
        const double high = allBoost[i] - model.OutputFilterDb()[i];
        const double difference = wanted[i] - have[i];
        request.targetDb[i] = std::clamp(difference, low, high);
        limited += request.targetDb[i] != difference ? 1 : 0;
        compared += request.weights[i] > 0.0 ? 1 : 0;
    }
    if (compared == 0)
    {
        std::fprintf(stderr,
                     "tovik: %s and %s have nothing to compare: one of them is silent where the unit works\n",
                     referencePath.c_str(), sourcePath.c_str());
        return 1;
    }
    request.normalise = options.Flag("normalise");
    request.fromFlat = true;

    const FitOutputs outputs = OutputsFrom(options);
    Fit::FitResult result;
    if (!Fit::FitFaders(model, request, result, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    if (limited > 0 && !outputs.settingsOnly)
    {
        std::printf(
            "The difference goes beyond what the faders can do at %zu of %zu frequencies; it was limited "
            "there.\n",
            limited, frequencies.size());
    }
    if (!ReportFit(model, result, "matched " + FileName(sourcePath) + " to " + FileName(referencePath), "",
                   outputs, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }

    if (const auto apply = options.Get("apply"))
    {
        RenderRequest render;
        render.plugin = options.Get("plugin").value_or(BuiltPlugin());
        render.input = sourcePath;
        render.output = *apply;
        render.sets = FaderSettings(result.faders);
        std::string warning;
        if (!RenderFile(render, error, &warning))
        {
            std::fprintf(stderr, "tovik: %s\n", error.c_str());
            return 1;
        }
        if (!warning.empty())
        {
            std::fprintf(stderr, "tovik: %s\n", warning.c_str());
        }
        if (!outputs.settingsOnly)
        {
            std::printf("Wrote %s: %s through %s with the fitted settings\n", apply->c_str(),
                        sourcePath.c_str(), render.plugin.c_str());
        }
    }
    return 0;
}
} // namespace KVX::Tovik
