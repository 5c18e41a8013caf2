// SPDX-License-Identifier: GPL-3.0-or-later
// Other Linux VST 2.4 equalisers, where installed: tovik must load, render with and time plug-ins it was
// not written with. Skipped when the peer is not on this machine.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <cmath>

namespace KVX::Test
{
namespace
{
struct Peer
{
    const char* path;
    const char* name;
    int inputs;
    const char* setting;
};

const Peer kPeers[] = {
    {"/usr/lib/vst/lsp-plugins/graph-equalizer-x16-stereo.so", "Graphic Equalizer x16 Stereo", 2, "g_5=0.7"},
    {"/usr/lib/vst/ZamGEQ31-vst.so", "ZamGEQ31", 1, "999Hz=0.8"},
    {"/usr/lib/vst/3BandEQ-vst.so", "3 Band EQ", 2, "low=0.8"},
};

class Peers : public ::testing::TestWithParam<Peer>
{
protected:
    void SetUp() override
    {
        if (!Exists(GetParam().path))
        {
            GTEST_SKIP() << GetParam().path << " is not installed (scripts/setup.sh --all installs it)";
        }
    }
};

TEST_P(Peers, InfoShowsTheIdentityAndChannels)
{
    const auto run = RunTovik({"info", GetParam().path});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find(std::string("Name        ") + GetParam().name), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Inputs      " + std::to_string(GetParam().inputs)), std::string::npos) << run.out;
}

TEST_P(Peers, RenderKeepsTheFileShapeForMonoAndStereo)
{
    TempFolder folder;
    for (int channels : {1, 2})
    {
        const Sound sound = MakeSound(9600, channels);
        WriteSound(folder.Path("in.wav"), sound);
        const auto run = RunTovik({"render", GetParam().path, folder.Path("in.wav"), folder.Path("out.wav"),
                                   "--set", GetParam().setting, "--block", "256"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Sound out = ReadSound(folder.Path("out.wav"));
        EXPECT_EQ(out.channels, channels);
        EXPECT_EQ(out.Frames(), sound.Frames());
        EXPECT_EQ(out.format, sound.format);
        double energy = 0.0;
        for (float sample : out.samples)
        {
            ASSERT_TRUE(std::isfinite(sample));
            energy += static_cast<double>(sample) * sample;
        }
        EXPECT_GT(energy, 1.0) << channels << " channels";
        if (channels == 2)
        {
            // Left and right stay apart, also through a mono plug-in run once per channel.
            double difference = 0.0;
            for (long i = 1000; i < out.Frames(); ++i)
            {
                difference += std::fabs(out.samples[static_cast<std::size_t>(2 * i)] -
                                        out.samples[static_cast<std::size_t>(2 * i + 1)]);
            }
            EXPECT_GT(difference, 1.0);
        }
    }
}

TEST_P(Peers, BenchTimesThePeerBesideOurPlugIn)
{
    const auto run = RunTovik({"bench", KVX_PLUGIN_PATH, GetParam().path, "--seconds", "0.1", "--runs", "2",
                               "--set", std::string("2:") + GetParam().setting, "--set", "1:1k=+6dB"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("KVX Tovik"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find(GetParam().name), std::string::npos) << run.out;
}

INSTANTIATE_TEST_SUITE_P(Installed, Peers, ::testing::ValuesIn(kPeers),
                         [](const auto& info)
                         {
                             return std::string(info.index == 0   ? "LspGraphicEqualizerX16"
                                                : info.index == 1 ? "ZamGeq31"
                                                                  : "Dpf3BandEq");
                         });
} // namespace
} // namespace KVX::Test
