// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik fit TARGET [--rate R] [--relative] [--weight FILE] [--normalise] [--preset FILE.fxp] [--set]
//  [--plot FILE.png] [--csv FILE.csv]`: the fader values whose settled response comes closest to a curve.
#include "commands.h"
#include "fit_report.h"
#include "options.h"

#include "fit/fader_fit.h"

#include <cstdio>

namespace KVX::Tovik
{
int Fit(const Arguments& args)
{
    Options options;
    std::string error;
    std::vector<std::string> valued = kFitValuedOptions;
    valued.push_back("rate");
    std::vector<std::string> flags = kFitFlags;
    flags.push_back("relative");
    if (!options.Parse(args, valued, error, flags))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    if (options.Positional().size() != 1 || !options.Sets().empty())
    {
        std::fprintf(stderr, "usage: tovik fit TARGET [--rate R] [--relative] [--weight FILE] [--normalise] "
                             "[--preset FILE.fxp] [--set] [--plot FILE.png] [--csv FILE.csv]\n");
        return 2;
    }
    double rate = 0.0;
    if (!options.GetNumber("rate", 8000.0, 384000.0, 48000.0, rate, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 2;
    }
    const std::string& path = options.Positional()[0];
    std::vector<Fit::CurvePoint> points;
    const Fit::CResponseModel model(rate, Fit::FitFrequencies(rate));
    Fit::FitRequest request;
    if (!ReadCurveFile(path, points, error) ||
        !ReadWeights(options.Get("weight"), model.Frequencies(), request.weights, error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    request.targetDb = Fit::SampleCurve(points, model.Frequencies());
    request.normalise = options.Flag("normalise");
    request.fromFlat = options.Flag("relative");
    Fit::FitResult result;
    if (!Fit::FitFaders(model, request, result, error) ||
        !ReportFit(model, result, "fitted to " + FileName(path), "", OutputsFrom(options), error))
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
} // namespace KVX::Tovik
