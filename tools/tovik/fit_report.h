// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What `tovik fit` and `tovik match` make of a fit: the report on standard output, the settings line, and
// the preset, plot and table files.
#include "fit/fader_fit.h"
#include "fit/target_curve.h"

#include <optional>
#include <string>
#include <vector>

namespace KVX::Tovik
{
class Options;

struct FitOutputs
{
    std::optional<std::string> preset;
    std::optional<std::string> plot;
    std::optional<std::string> csv;
    // Only the settings line on standard output (--set), for $(tovik fit ... --set).
    bool settingsOnly = false;
};

// The options fit and match share, and their help lines.
extern const std::vector<std::string> kFitValuedOptions;
extern const std::vector<std::string> kFitFlags;
extern const char* const kFitOptionsHelp;
FitOutputs OutputsFrom(const Options& options);

// A curve from a text file (see Fit::ParseCurve); false with "PATH: what is wrong" in `error`.
bool ReadCurveFile(const std::string& path, std::vector<Fit::CurvePoint>& points, std::string& error);
// --weight FILE on the model's frequencies, or empty for equal weights. False with `error` set.
bool ReadWeights(const std::optional<std::string>& path, const std::vector<double>& frequencies,
                 std::vector<double>& weights, std::string& error);

// "targets/hp.txt" is "hp.txt": how reports name the files they read.
std::string FileName(const std::string& path);

// The settings that give the faders in every build of the equaliser, bit for bit: "31=+3.0517578dB" ...,
// and "in=on".
std::vector<std::string> FaderSettings(const Fit::Faders& faders);

// Prints the report (unless settingsOnly) and writes the files, each only when all are complete. False with
// `error` set when a file cannot be written.
bool ReportFit(const Fit::CResponseModel& model, const Fit::FitResult& result, const std::string& title,
               const std::string& presetName, const FitOutputs& outputs, std::string& error);
} // namespace KVX::Tovik
