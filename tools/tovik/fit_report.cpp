// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit_report.h"

#include "options.h"
#include "output_file.h"
#include "plot.h"
#include "preset_file.h"

#include "device/description.h"
#include "fit/fader_values.h"
#include "formats/program_chunk.h"

#include <fcntl.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace KVX::Tovik
{
namespace
{
namespace D = Device::Description;

// Far beyond any curve anyone writes by hand or publishes; keeps a wrong file from filling memory.
constexpr std::size_t kMaxCurveBytes = 16u << 20;

std::string Hz(double hz)
{
    char text[32];
    if (hz >= 1000.0)
    {
        std::snprintf(text, sizeof text, "%.3g kHz", hz / 1000.0);
    }
    else
    {
        std::snprintf(text, sizeof text, "%.3g Hz", hz);
    }
    return text;
}

bool ReadText(const std::string& path, std::string& text, std::string& error)
{
    // A FIFO without a writer opens at once and reads as empty rather than holding tovik for ever.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
    {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    text.clear();
    char buffer[65536];
    for (;;)
    {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
        {
            continue;
        }
        if (got < 0)
        {
            error = "cannot read " + path + ": " + std::strerror(errno);
            close(fd);
            return false;
        }
        if (got == 0)
        {
            break;
        }
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > kMaxCurveBytes)
        {
            error = path + " is too large to be a curve";
            close(fd);
            return false;
        }
    }
    close(fd);
    return true;
}

// A grid value at any frequency inside the grid: linear over log frequency.
double AtFrequency(const std::vector<double>& frequencies, const std::vector<double>& values, double hz)
{
    std::vector<Fit::CurvePoint> points;
    for (std::size_t i = 0; i < frequencies.size(); ++i)
    {
        points.push_back({frequencies[i], values[i]});
    }
    return Fit::SampleCurve(points, {hz}).front();
}

std::string Csv(const Fit::CResponseModel& model, const Fit::FitResult& result)
{
    const std::vector<double>& frequencies = model.Frequencies();
    std::vector<std::vector<double>> bands(kBandCount, std::vector<double>(frequencies.size()));
    std::string text = "frequency_hz,target_db,fitted_db,error_db";
    for (int b = 0; b < kBandCount; ++b)
    {
        model.BandDb(b, static_cast<double>(result.faders[static_cast<std::size_t>(b)]),
                     bands[static_cast<std::size_t>(b)].data());
        text += "," + std::string(D::kParameters[static_cast<std::size_t>(b)].symbol) + "_db";
    }
    text += ",output_filter_db\n";
    char number[64];
    for (std::size_t i = 0; i < frequencies.size(); ++i)
    {
        std::snprintf(number, sizeof number, "%.6f,%.6f,%.6f,%.6f", frequencies[i], result.targetDb[i],
                      result.fittedDb[i], result.fittedDb[i] - result.targetDb[i]);
        text += number;
        for (const auto& band : bands)
        {
            std::snprintf(number, sizeof number, ",%.6f", band[i]);
            text += number;
        }
        std::snprintf(number, sizeof number, ",%.6f\n", model.OutputFilterDb()[i]);
        text += number;
    }
    return text;
}

std::vector<PlotCurve> PlotCurves(const Fit::CResponseModel& model, const Fit::FitResult& result)
{
    std::vector<PlotCurve> curves{{"target", result.targetDb}, {"fitted response", result.fittedDb}};
    for (int b = 0; b < kBandCount; ++b)
    {
        PlotCurve band{b == 0 ? "each band" : "", std::vector<double>(model.Frequencies().size()), true};
        model.BandDb(b, static_cast<double>(result.faders[static_cast<std::size_t>(b)]), band.gainsDb.data());
        curves.push_back(std::move(band));
    }
    return curves;
}

std::vector<std::uint8_t> PresetBytes(const Fit::Faders& faders, const std::string& name)
{
    ProgramFile program;
    program.pluginId = D::kIdentity.uniqueId;
    program.pluginVersion = D::kIdentity.version;
    program.name = name;
    program.opaque = true;
    program.chunk.assign(D::kChunkBytes, 0);
    for (const D::Parameter& parameter : D::kParameters)
    {
        const float value =
            parameter.index < kBandCount ? faders[static_cast<std::size_t>(parameter.index)] : 1.0f;
        Formats::PutChunkEntry(program.chunk.data(), static_cast<std::size_t>(parameter.index),
                               {parameter.index, value});
    }
    return EncodeProgram(program);
}

void PrintReport(const Fit::CResponseModel& model, const Fit::FitResult& result, const std::string& title)
{
    const std::vector<double>& frequencies = model.Frequencies();
    std::printf("%s at %g Hz: %zu frequencies from %s to %s\n\n", title.c_str(), model.SampleRate(),
                frequencies.size(), Hz(frequencies.front()).c_str(), Hz(frequencies.back()).c_str());

    // The fitted response at each band's nominal centre, where the rate allows one.
    std::vector<double> centres;
    for (int b = 0; b < kBandCount; ++b)
    {
        const double hz = D::kParameters[static_cast<std::size_t>(b)].frequencyHz;
        if (hz <= frequencies.back())
        {
            centres.push_back(hz);
        }
    }
    const std::vector<double> atCentres =
        Fit::CResponseModel(model.SampleRate(), centres).ResponseDb(result.faders);
    std::printf("%-8s %6s %9s %9s\n", "band", "fader", "target", "fitted");
    for (int b = 0; b < kBandCount; ++b)
    {
        const auto at = static_cast<std::size_t>(b);
        const double hz = D::kParameters[at].frequencyHz;
        std::printf("%-8s %6s", Hz(hz).c_str(), Fit::DisplayText(b, result.faders[at]).c_str());
        if (at < centres.size())
        {
            std::printf(" %+9.2f %+9.2f dB\n", AtFrequency(frequencies, result.targetDb, hz), atCentres[at]);
        }
        else
        {
            std::printf("   (above the fitted range)\n");
        }
    }
    std::printf("%-8s %6s\n\n", "IN", "on");
    std::printf("RMS error %.3f dB, worst %.3f dB at %s\n", result.rmsDb, result.worstDb,
                Hz(result.worstHz).c_str());
    if (result.offsetDb != 0.0)
    {
        std::printf("The target's level is free (--normalise): it was moved by %+.2f dB\n", result.offsetDb);
    }
}

// "31 Hz (at +12.0) and 16 kHz (at -12.0)".
std::string LimitedBands(const Fit::FitResult& result)
{
    std::string text;
    for (std::size_t i = 0; i < result.limitedBands.size(); ++i)
    {
        const auto band = static_cast<std::size_t>(result.limitedBands[i]);
        text += i == 0 ? "" : (i + 1 == result.limitedBands.size() ? " and " : ", ");
        text += Hz(D::kParameters[band].frequencyHz) + " (at " +
                Fit::DisplayText(static_cast<int>(band), result.faders[band]) + ")";
    }
    return text;
}
} // namespace

const std::vector<std::string> kFitValuedOptions = {"weight", "preset", "plot", "csv"};
const std::vector<std::string> kFitFlags = {"normalise", "set"};
const char* const kFitOptionsHelp =
    "  --weight FILE      how much each frequency counts: a curve of frequency and weight (0 or more)\n"
    "  --normalise        the target's level is free, as for a correction: only its shape is fitted\n"
    "  --preset FILE.fxp  the fitted settings as a preset (any VST 2.4 host, tovik preset load)\n"
    "  --set              print only the settings line that tovik render takes, for $(...)\n"
    "  --plot FILE.png    the target, the fitted response and each band's part of it\n"
    "  --csv FILE.csv     the same as numbers\n";

FitOutputs OutputsFrom(const Options& options)
{
    FitOutputs outputs;
    outputs.preset = options.Get("preset");
    outputs.plot = options.Get("plot");
    outputs.csv = options.Get("csv");
    outputs.settingsOnly = options.Flag("set");
    return outputs;
}

bool ReadCurveFile(const std::string& path, std::vector<Fit::CurvePoint>& points, std::string& error)
{
    std::string text;
    if (!ReadText(path, text, error))
    {
        return false;
    }
    if (!Fit::ParseCurve(text, points, error))
    {
        error = path + ": " + error;
        return false;
    }
    return true;
}

bool ReadWeights(const std::optional<std::string>& path, const std::vector<double>& frequencies,
                 std::vector<double>& weights, std::string& error)
{
    weights.clear();
    if (!path)
    {
        return true;
    }
    std::vector<Fit::CurvePoint> points;
    if (!ReadCurveFile(*path, points, error))
    {
        return false;
    }
    double sum = 0.0;
    for (const auto& point : points)
    {
        if (point.gainDb < 0.0)
        {
            error = *path + ": a weight below 0 (" + std::to_string(point.gainDb) + " at " +
                    Hz(point.frequency) + ")";
            return false;
        }
        sum += point.gainDb;
    }
    if (!(sum > 0.0))
    {
        error = *path + ": every weight is 0, so nothing would be fitted";
        return false;
    }
    weights = Fit::SampleCurve(points, frequencies);
    return true;
}

std::string FileName(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::vector<std::string> FaderSettings(const Fit::Faders& faders)
{
    std::vector<std::string> settings;
    for (int b = 0; b < kBandCount; ++b)
    {
        settings.push_back(Fit::GainSetting(b, faders[static_cast<std::size_t>(b)]));
    }
    settings.emplace_back("in=on");
    return settings;
}

bool ReportFit(const Fit::CResponseModel& model, const Fit::FitResult& result, const std::string& title,
               const std::string& presetName, const FitOutputs& outputs, std::string& error)
{
    OutputFile preset;
    OutputFile plot;
    OutputFile csv;
    if (outputs.preset)
    {
        const std::string name = presetName.empty() ? StemOf(*outputs.preset) : presetName;
        const std::vector<std::uint8_t> bytes = PresetBytes(result.faders, name);
        if (!preset.Create(*outputs.preset, error) || !preset.Write(bytes.data(), bytes.size(), error))
        {
            return false;
        }
    }
    if (outputs.plot)
    {
        char subtitle[160];
        std::snprintf(subtitle, sizeof subtitle,
                      "settled response at %g Hz: RMS error %.3f dB, worst %.3f dB at %s", model.SampleRate(),
                      result.rmsDb, result.worstDb, Hz(result.worstHz).c_str());
        if (!plot.Create(*outputs.plot, error) ||
            !WriteResponsePlot(plot, std::string(D::kIdentity.name) + ": " + title, subtitle,
                               model.Frequencies(), PlotCurves(model, result), error))
        {
            return false;
        }
    }
    if (outputs.csv)
    {
        const std::string text = Csv(model, result);
        if (!csv.Create(*outputs.csv, error) || !csv.Write(text.data(), text.size(), error))
        {
            return false;
        }
    }
    // All are complete before any is put in place.
    if ((outputs.preset && !preset.Commit(error)) || (outputs.plot && !plot.Commit(error)) ||
        (outputs.csv && !csv.Commit(error)))
    {
        return false;
    }

    std::string line;
    for (const std::string& setting : FaderSettings(result.faders))
    {
        line += (line.empty() ? "--set " : " --set ") + setting;
    }
    if (!result.limitedBands.empty())
    {
        std::fprintf(stderr, "tovik: the target asks for more than the unit can give: %s would go further\n",
                     LimitedBands(result).c_str());
    }
    if (outputs.settingsOnly)
    {
        std::printf("%s\n", line.c_str());
        return true;
    }
    PrintReport(model, result, title);
    std::printf("Settings for tovik render: %s\n", line.c_str());
    std::string written;
    for (const auto& path : {outputs.preset, outputs.plot, outputs.csv})
    {
        if (path)
        {
            written += (written.empty() ? "" : ", ") + *path;
        }
    }
    if (!written.empty())
    {
        std::printf("Wrote %s\n", written.c_str());
    }
    return true;
}
} // namespace KVX::Tovik
