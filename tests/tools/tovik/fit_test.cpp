// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik fit` and `tovik match` run as programs: a published correction becomes a preset that the plug-in
// plays as predicted, recordings are matched, and curves that are not curves write nothing.
#include "fit/response_model.h"
#include "formats/fxp.h"
#include "formats/program_chunk.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>

namespace KVX::Test
{
namespace
{
constexpr const char* kCorrection =
    "GraphicEQ: 20 5.2; 32 4.8; 50 3.9; 80 2.5; 125 1.0; 200 -0.5; 315 -1.2; 500 -1.0; 800 0.2; 1250 0.5; "
    "2000 -1.5; 3150 -3.8; 5000 -2.1; 8000 1.2; 12500 -2.5; 20000 -6.0\n";

Fit::Faders PresetFaders(const std::string& path)
{
    const std::string text = ReadBytes(path);
    Formats::Fxp::Program program;
    EXPECT_EQ(Formats::Fxp::Decode(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), program),
              Formats::Fxp::DecodeError::None);
    Fit::Faders faders = Fit::kFlatFaders;
    for (std::size_t b = 0; b < faders.size() && program.chunk.size() >= Formats::ChunkBytes(11); ++b)
    {
        faders[b] = Formats::GetChunkEntry(program.chunk.data(), b).value;
    }
    return faders;
}

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;)
    {
        words.push_back(word);
    }
    return words;
}

// Deterministic pink noise (a sum of first-order low-passes an octave apart), the same on both channels.
Sound PinkNoise(long frames)
{
    Sound sound = MakeSound(frames, 2);
    std::uint32_t state = 2024;
    double poles[8] = {};
    for (long i = 0; i < frames; ++i)
    {
        state = state * 1664525u + 1013904223u;
        const double white = static_cast<double>(state >> 8) / 8388608.0 - 1.0;
        double sum = 0.0;
        for (int k = 0; k < 8; ++k)
        {
            const double a = std::exp(-2.0 * M_PI * 20.0 * std::pow(4.0, k) / 48000.0);
            poles[k] = a * poles[k] + (1.0 - a) * white * std::pow(2.0, k);
            sum += poles[k];
        }
        sound.samples[2 * i] = sound.samples[2 * i + 1] = static_cast<float>(0.02 * sum);
    }
    return sound;
}

TEST(Fit, TurnsAPublishedCorrectionIntoAPresetThePlugInPlaysAsPredicted)
{
    TempFolder folder;
    WriteBytes(folder.Path("correction.txt"), kCorrection);
    const auto fit = RunTovik({"fit", folder.Path("correction.txt"), "--preset", folder.Path("c.fxp"),
                               "--plot", folder.Path("c.png"), "--csv", folder.Path("c.csv")});
    ASSERT_EQ(fit.exitCode, 0) << fit.err;
    EXPECT_NE(fit.out.find("RMS error"), std::string::npos) << fit.out;
    EXPECT_EQ(ReadBytes(folder.Path("c.png")).substr(1, 3), "PNG");
    EXPECT_EQ(
        ReadBytes(folder.Path("c.csv")).rfind("frequency_hz,target_db,fitted_db,error_db,band_31hz_db", 0),
        0u);
    const auto loaded = RunTovik({"preset", "load", KVX_PLUGIN_PATH, folder.Path("c.fxp")});
    EXPECT_EQ(loaded.exitCode, 0) << loaded.err;

    // The plug-in's own impulse response against the settled response the fit predicted.
    const auto measured = RunTovik(
        {"response", KVX_PLUGIN_PATH, "--preset", folder.Path("c.fxp"), "--csv", folder.Path("r.csv")});
    ASSERT_EQ(measured.exitCode, 0) << measured.err;
    std::istringstream rows(ReadBytes(folder.Path("r.csv")));
    std::string row;
    std::getline(rows, row);
    std::vector<double> frequencies;
    std::vector<double> gains;
    for (double f, left, right;
         std::getline(rows, row) && std::sscanf(row.c_str(), "%lf,%lf,%lf", &f, &left, &right) == 3;)
    {
        frequencies.push_back(f);
        gains.push_back(left);
    }
    ASSERT_EQ(frequencies.size(), 480u);
    const auto predicted =
        Fit::CResponseModel(48000.0, frequencies).ResponseDb(PresetFaders(folder.Path("c.fxp")));
    for (std::size_t i = 0; i < frequencies.size(); ++i)
    {
        EXPECT_NEAR(gains[i], predicted[i], 0.01) << frequencies[i] << " Hz";
    }

    // The settings line gives the preset's audio, bit for bit.
    const auto line = RunTovik({"fit", folder.Path("correction.txt"), "--set"});
    ASSERT_EQ(line.exitCode, 0) << line.err;
    WriteSound(folder.Path("in.wav"), MakeSound(9600, 2));
    std::vector<std::string> render = {"render", KVX_PLUGIN_PATH, folder.Path("in.wav"),
                                       folder.Path("set.wav")};
    for (const auto& word : Words(line.out))
    {
        render.push_back(word);
    }
    ASSERT_EQ(RunTovik(render).exitCode, 0) << line.out;
    ASSERT_EQ(RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("in.wav"), folder.Path("preset.wav"),
                        "--preset", folder.Path("c.fxp")})
                  .exitCode,
              0);
    EXPECT_EQ(ReadSound(folder.Path("set.wav")).samples, ReadSound(folder.Path("preset.wav")).samples);
}

TEST(Fit, RefusesWhatIsNotACurveAndWritesNothing)
{
    const std::vector<std::pair<std::string, std::string>> cases = {{"no numbers at all\n", "no frequency"},
                                                                    {"20 1\n1000 nan\n", "line 2"},
                                                                    {"-20 1\n1000 2\n", "not above 0"},
                                                                    {"20 1\n1000 2\n500 3\n", "must rise"},
                                                                    {"GraphicEQ: 1000 3", "one point"}};
    for (const auto& [text, reason] : cases)
    {
        TempFolder folder;
        WriteBytes(folder.Path("target.txt"), text);
        const auto run = RunTovik({"fit", folder.Path("target.txt"), "--preset", folder.Path("t.fxp"),
                                   "--plot", folder.Path("t.png"), "--csv", folder.Path("t.csv")});
        EXPECT_EQ(run.exitCode, 1) << text;
        EXPECT_EQ(run.err.rfind("tovik: " + folder.Path("target.txt") + ": ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(reason), std::string::npos) << run.err;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(folder.Files(), std::vector<std::string>{"target.txt"}) << text;
    }
}

TEST(Match, FindsFlatForARecordingItselfAndAKnownSettingThroughTheUnit)
{
    TempFolder folder;
    WriteSound(folder.Path("pink.wav"), PinkNoise(480000));
    const auto itself = RunTovik(
        {"match", folder.Path("pink.wav"), folder.Path("pink.wav"), "--preset", folder.Path("self.fxp")});
    ASSERT_EQ(itself.exitCode, 0) << itself.err;
    EXPECT_EQ(PresetFaders(folder.Path("self.fxp")), Fit::kFlatFaders) << itself.out;

    const std::vector<std::string> setting = {"--set",   "31=+6dB", "--set",   "250=-4dB", "--set",
                                              "1k=+3dB", "--set",   "8k=-6dB", "--set",    "16k=+4dB"};
    std::vector<std::string> render = {"render", KVX_PLUGIN_PATH, folder.Path("pink.wav"),
                                       folder.Path("ref.wav")};
    render.insert(render.end(), setting.begin(), setting.end());
    ASSERT_EQ(RunTovik(render).exitCode, 0);
    const auto matched = RunTovik({"match", folder.Path("ref.wav"), folder.Path("pink.wav"), "--preset",
                                   folder.Path("m.fxp"), "--apply", folder.Path("out.wav")});
    ASSERT_EQ(matched.exitCode, 0) << matched.err;

    const Fit::CResponseModel model(48000.0, Fit::FitFrequencies(48000.0));
    const Fit::Faders known = {0.75f, 0.5f, 0.5f, 1.0f / 3.0f, 0.5f, 0.625f, 0.5f, 0.5f, 0.25f, 2.0f / 3.0f};
    const auto wanted = model.ResponseDb(known);
    const auto found = model.ResponseDb(PresetFaders(folder.Path("m.fxp")));
    double worst = 0.0;
    for (std::size_t i = 0; i < wanted.size(); ++i)
    {
        EXPECT_NEAR(found[i], wanted[i], 0.5) << model.Frequencies()[i] << " Hz\n" << matched.out;
        worst = std::max(worst, std::fabs(found[i] - wanted[i]));
    }
    RecordProperty("worst_db", std::to_string(worst));
    EXPECT_EQ(ReadSound(folder.Path("out.wav")).Frames(), 480000);
}
} // namespace
} // namespace KVX::Test
