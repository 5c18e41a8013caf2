// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's conventions: help and version on standard output, the output's format from its
// extension, and what integer outputs tell about clipping and take as dither.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace KVX::Test
{
namespace
{
TEST(Conventions, HelpAndVersionGoToStandardOutput)
{
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{"--help"}, {"-h"}, {"help"}})
    {
        const auto run = RunTovik(args);
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_EQ(run.err, "");
        EXPECT_NE(run.out.find("tovik render"), std::string::npos) << run.out;
    }
    const auto version = RunTovik({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("tovik 1.", 0), 0u) << version.out;

    // Each command's help names every option the command takes.
    const std::vector<std::pair<std::string, std::vector<std::string>>> commands = {
        {"render", {"--set", "--preset", "--block", "--preroll", "--format", "--dither"}},
        {"response", {"--set", "--preset", "--plot", "--csv", "--rate", "--block"}},
        {"preset", {"--set"}},
        {"bench", {"--set", "--block", "--rate", "--seconds", "--runs"}},
        {"editor", {"--seconds", "--screenshot"}},
        {"demo", {"--plugin"}},
        {"info", {}}};
    for (const auto& [command, options] : commands)
    {
        const auto asked = RunTovik({"help", command});
        const auto flagged = RunTovik({command, KVX_PLUGIN_PATH, "--help"});
        EXPECT_EQ(asked.exitCode, 0) << command;
        EXPECT_EQ(flagged.exitCode, 0) << command;
        EXPECT_EQ(asked.out, flagged.out) << command;
        EXPECT_EQ(asked.out.rfind("usage: tovik " + command, 0), 0u) << asked.out;
        for (const auto& option : options)
        {
            EXPECT_NE(asked.out.find("  " + option + " "), std::string::npos) << command << " " << option;
        }
    }
    EXPECT_EQ(RunTovik({"help", "frobnicate"}).exitCode, 2);
}

TEST(Conventions, TheOutputsExtensionChoosesItsFormatUnlessFormatSaysOtherwise)
{
    TempFolder folder;
    WriteSound(folder.Path("in.wav"), MakeSound(4800, 2));
    const std::string in = folder.Path("in.wav");
    ASSERT_EQ(RunTovik({"render", KVX_PLUGIN_PATH, in, folder.Path("out.flac")}).exitCode, 0);
    // FLAC holds no floats: the nearest integer type.
    EXPECT_EQ(ReadSound(folder.Path("out.flac")).format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    ASSERT_EQ(RunTovik({"render", KVX_PLUGIN_PATH, in, folder.Path("out.AIF")}).exitCode, 0);
    EXPECT_EQ(ReadSound(folder.Path("out.AIF")).format, SF_FORMAT_AIFF | SF_FORMAT_FLOAT);
    ASSERT_EQ(RunTovik({"render", KVX_PLUGIN_PATH, in, folder.Path("out.flac"), "--format", "wav"}).exitCode,
              0);
    EXPECT_EQ(ReadSound(folder.Path("out.flac")).format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(RunTovik({"render", KVX_PLUGIN_PATH, in, folder.Path("out")}).exitCode, 0);
    EXPECT_EQ(ReadSound(folder.Path("out")).format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);

    const auto unknown = RunTovik({"render", KVX_PLUGIN_PATH, in, folder.Path("out.xyz")});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("extension .xyz"), std::string::npos) << unknown.err;
    EXPECT_FALSE(Exists(folder.Path("out.xyz")));
    const auto badName = RunTovik({"render", KVX_PLUGIN_PATH, in, folder.Path("o.wav"), "--format", "xyz"});
    EXPECT_EQ(badName.exitCode, 2);
    EXPECT_NE(badName.err.find("--format"), std::string::npos) << badName.err;
    const auto floatDither = RunTovik({"render", KVX_PLUGIN_PATH, in, folder.Path("o.wav"), "--dither"});
    EXPECT_EQ(floatDither.exitCode, 1);
    EXPECT_NE(floatDither.err.find("--dither"), std::string::npos) << floatDither.err;
}

TEST(Conventions, IntegerOutputsReportClippingAndTakeDither)
{
    TempFolder folder;
    Sound loud = MakeSound(4800, 2, 48000, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    for (float& sample : loud.samples)
    {
        sample *= 2.5f;
    }
    WriteSound(folder.Path("loud.wav"), loud);
    const auto clipped = RunTovik(
        {"render", KVX_PLUGIN_PATH, folder.Path("loud.wav"), folder.Path("out.wav"), "--set", "1k=+12dB"});
    ASSERT_EQ(clipped.exitCode, 0) << clipped.err;
    EXPECT_NE(clipped.err.find("samples clipped"), std::string::npos) << clipped.err;
    EXPECT_NE(clipped.err.find("peak +"), std::string::npos) << clipped.err;
    EXPECT_EQ(std::count(clipped.err.begin(), clipped.err.end(), '\n'), 1) << clipped.err;

    // A tone of a third of a 24-bit step into 24-bit FLAC: plain rounding silences it, dither keeps it in
    // the noise, never more than a step and a half from the exact value, and the same on every run.
    Sound faint;
    faint.channels = 1;
    const double step = std::ldexp(1.0, -23);
    for (int n = 0; n < 48000; ++n)
    {
        faint.samples.push_back(static_cast<float>(step / 3.0 * std::sin(2.0 * M_PI * 100.0 * n / 48000.0)));
    }
    WriteSound(folder.Path("faint.wav"), faint);
    const auto render = [&](const std::string& name, bool dither)
    {
        std::vector<std::string> args{"render",          KVX_PLUGIN_PATH, folder.Path("faint.wav"),
                                      folder.Path(name), "--set",         "in=off"};
        if (dither)
        {
            args.push_back("--dither");
        }
        const auto run = RunTovik(args);
        EXPECT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");
        return ReadSound(folder.Path(name));
    };
    const Sound plain = render("plain.flac", false);
    EXPECT_TRUE(std::all_of(plain.samples.begin(), plain.samples.end(), [](float s) { return s == 0.0f; }));
    const Sound dithered = render("dithered.flac", true);
    ASSERT_EQ(dithered.samples.size(), faint.samples.size());
    double correlation = 0.0;
    double power = 0.0;
    for (std::size_t i = 0; i < faint.samples.size(); ++i)
    {
        EXPECT_LE(std::fabs(dithered.samples[i] - faint.samples[i]), 1.5 * step) << "sample " << i;
        correlation += static_cast<double>(dithered.samples[i]) * faint.samples[i];
        power += static_cast<double>(faint.samples[i]) * faint.samples[i];
    }
    // Unbiased: the dithered file carries the tone at its own level, within the noise's few per cent.
    EXPECT_NEAR(correlation / power, 1.0, 0.1);
    const std::string bytes = ReadBytes(folder.Path("dithered.flac"));
    render("dithered.flac", true);
    EXPECT_EQ(ReadBytes(folder.Path("dithered.flac")), bytes);
}
} // namespace
} // namespace KVX::Test
