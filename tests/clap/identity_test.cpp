// SPDX-License-Identifier: GPL-3.0-or-later
// One scripted session (fader moves, the IN switch, blocks of many sizes) rendered with tovik through our
// VST 2.4 module, our LV2 bundle and our CLAP module: the three must leave the same samples, bit for bit.
#include "tovik/plugin_session.h"
#include "tovik/settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace KVX::Tovik
{
namespace
{
struct Block
{
    int frames;
    // tovik settings applied before the block: gains exact in single precision and gains that are not
    // (+0.1 dB, -3.3 dB, and -1.9 dB and -11.1 dB, whose normalised values from the decimal and from its
    // float are a step apart), which every format must still receive as the same number.
    std::vector<std::string> sets;
};

const std::vector<Block>& Script()
{
    static const std::vector<Block> script = {
        {512, {}},
        {512, {"31=+12dB", "16k=-12dB"}},
        {1, {"1k=+6dB"}},
        {1, {"1k=-3.5dB"}},
        {37, {"125=+4.25dB", "250=-7.75dB"}},
        {1024, {"in=off"}},
        {256, {"in=on", "500=+12dB"}},
        {333, {"2k=+2dB"}},
        {4096, {"4k=-0.125dB", "8k=+11.5dB", "63=-12dB"}},
        {64, {"in=off"}},
        {2048, {"31=0dB", "16k=0dB", "in=on"}},
        {777, {"1k=+0.1dB", "250=-3.3dB", "125=-1.9dB", "8k=-11.1dB"}},
        {4000, {}},
    };
    return script;
}

int TotalFrames()
{
    int n = 0;
    for (const auto& block : Script())
    {
        n += block.frames;
    }
    return n;
}

struct Render
{
    std::vector<float> left;
    std::vector<float> right;
    std::vector<float> inputLeft;
};

Render RenderWith(const std::string& plugin, double rate)
{
    PluginChoice choice;
    choice.plugin = plugin;
    choice.sampleRate = rate;
    choice.maxBlockSize = 4096;
    std::string error;
    auto session = Session::Open(choice, error);
    EXPECT_NE(session, nullptr) << error;
    Render out;
    if (session == nullptr)
    {
        return out;
    }
    EXPECT_EQ(session->Inputs(), 2);
    EXPECT_EQ(session->Outputs(), 2);
    const ParameterNames names = session->Parameters();
    EXPECT_TRUE(names.isEqualiser) << plugin;
    session->Start(rate, 4096);
    std::uint32_t seed = 11;
    int at = 0;
    const int total = TotalFrames();
    for (const auto& block : Script())
    {
        std::vector<Setting> settings;
        EXPECT_TRUE(ParseSettings(names, block.sets, settings, error)) << error;
        ApplySettings(*session, settings);
        for (int i = 0; i < block.frames; ++i, ++at)
        {
            // Loud noise, then quiet, then silence, so that the decay is compared too.
            const float gain = at < total / 2 ? 0.8f : (at < total * 3 / 4 ? 1e-3f : 0.0f);
            for (int c = 0; c < 2; ++c)
            {
                seed = seed * 1664525u + 1013904223u;
                session->Input(c)[i] = gain * (static_cast<float>(seed >> 8) / 16777216.0f - 0.5f);
            }
        }
        out.inputLeft.insert(out.inputLeft.end(), session->Input(0), session->Input(0) + block.frames);
        session->Process(block.frames);
        out.left.insert(out.left.end(), session->Output(0), session->Output(0) + block.frames);
        out.right.insert(out.right.end(), session->Output(1), session->Output(1) + block.frames);
    }
    session->Stop();
    return out;
}

long FirstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
        {
            return static_cast<long>(i);
        }
    }
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

class AcrossFormats : public ::testing::TestWithParam<double>
{
};

TEST_P(AcrossFormats, TheScriptedSessionLeavesTheSameSamplesInEveryFormat)
{
    const double rate = GetParam();
    const Render vst = RenderWith(KVX_VST_PLUGIN_PATH, rate);
    const Render lv2 = RenderWith(KVX_LV2_BUNDLE_PATH, rate);
    const Render clap = RenderWith(KVX_CLAP_PLUGIN_PATH, rate);
    ASSERT_EQ(vst.left.size(), static_cast<std::size_t>(TotalFrames()));
    EXPECT_EQ(FirstDifference(vst.left, clap.left), -1) << "CLAP, left";
    EXPECT_EQ(FirstDifference(vst.right, clap.right), -1) << "CLAP, right";
    EXPECT_EQ(FirstDifference(vst.left, lv2.left), -1) << "LV2, left";
    EXPECT_EQ(FirstDifference(vst.right, lv2.right), -1) << "LV2, right";
    // Guards against renders that agree because the equaliser did nothing.
    EXPECT_NE(FirstDifference(clap.left, clap.inputLeft), -1);
}

INSTANTIATE_TEST_SUITE_P(Rates, AcrossFormats, ::testing::Values(44100.0, 96000.0),
                         [](const ::testing::TestParamInfo<double>& info)
                         { return std::to_string(static_cast<int>(info.param)) + "Hz"; });
} // namespace
} // namespace KVX::Tovik
