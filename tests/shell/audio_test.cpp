// SPDX-License-Identifier: GPL-3.0-or-later
// processReplacing as a host drives it.
#include "binary_host.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace KVX::Test
{
namespace
{
using AudioTest = PluginTest;

std::vector<float> Ramp(int n, float offset)
{
    std::vector<float> v(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i)
    {
        v[static_cast<std::size_t>(i)] = offset + 0.001f * static_cast<float>(i);
    }
    return v;
}

TEST_F(AudioTest, BypassedAudioIsCopiedToTheOutputsUntouched)
{
    plugin->SetParameter(10, 0.0f);
    auto left = Ramp(256, 0.1f);
    auto right = Ramp(256, -0.2f);
    std::vector<float> outLeft(256, 9.0f), outRight(256, 9.0f);
    float* in[] = {left.data(), right.data()};
    float* out[] = {outLeft.data(), outRight.data()};
    effect->processReplacing(effect, in, out, 256);
    EXPECT_EQ(outLeft, left);
    EXPECT_EQ(outRight, right);
}

TEST_F(AudioTest, AnEmptyOrNegativeBlockWritesNothing)
{
    auto left = Ramp(16, 0.1f);
    auto right = Ramp(16, 0.2f);
    std::vector<float> outLeft(16, 9.0f), outRight(16, 9.0f);
    float* in[] = {left.data(), right.data()};
    float* out[] = {outLeft.data(), outRight.data()};
    effect->processReplacing(effect, in, out, 0);
    effect->processReplacing(effect, in, out, -5);
    EXPECT_EQ(outLeft, std::vector<float>(16, 9.0f));
    EXPECT_EQ(outRight, std::vector<float>(16, 9.0f));
}

// Runs a sine through the plug-in in blocks and returns the RMS of the last `measure` frames of the left
// output.
double SineRms(AEffect* effect, double frequency, float rate, int blockSize, int frames, int measure,
               bool inPlace = false)
{
    std::vector<float> left(static_cast<std::size_t>(blockSize)), right(left.size());
    std::vector<float> outLeft(left.size()), outRight(left.size());
    double sum = 0.0;
    for (int start = 0; start < frames; start += blockSize)
    {
        for (int i = 0; i < blockSize; ++i)
        {
            const double t = static_cast<double>(start + i) / rate;
            left[static_cast<std::size_t>(i)] = right[static_cast<std::size_t>(i)] =
                static_cast<float>(0.25 * std::sin(2.0 * M_PI * frequency * t));
        }
        float* in[] = {left.data(), right.data()};
        float* out[] = {outLeft.data(), outRight.data()};
        effect->processReplacing(effect, in, inPlace ? in : out, blockSize);
        const std::vector<float>& result = inPlace ? left : outLeft;
        for (int i = 0; i < blockSize; ++i)
        {
            if (start + i >= frames - measure && start + i < frames)
            {
                sum += static_cast<double>(result[static_cast<std::size_t>(i)]) *
                       result[static_cast<std::size_t>(i)];
            }
        }
    }
    return std::sqrt(sum / measure);
}

double Db(double ratio)
{
    return 20.0 * std::log10(ratio);
}

TEST_F(AudioTest, ABoostedBandRaisesItsFrequencyByTheTunedGain)
{
    Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    plugin->SetParameter(5, 1.0f); // 1 kHz band at the top: +12.1 dB at 970 Hz
    const double reference = 0.25 / std::sqrt(2.0);
    const double gain = Db(SineRms(effect, 970.0, 48000.0f, 512, 48000, 9600) / reference);
    EXPECT_NEAR(gain, 12.1, 0.15);
}

TEST_F(AudioTest, FlatBandsLeaveTheAudioBandAlone)
{
    Dispatch(effSetSampleRate, 0, 0, nullptr, 44100.0f);
    const double reference = 0.25 / std::sqrt(2.0);
    for (double frequency : {50.0, 1000.0, 10000.0})
    {
        EXPECT_NEAR(Db(SineRms(effect, frequency, 44100.0f, 256, 22050, 4410) / reference), 0.0, 0.05)
            << frequency;
    }
}

TEST_F(AudioTest, TheSameBufferForInputAndOutputIsProcessedInPlace)
{
    Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    plugin->SetParameter(5, 1.0f);
    const double reference = 0.25 / std::sqrt(2.0);
    EXPECT_NEAR(Db(SineRms(effect, 970.0, 48000.0f, 512, 48000, 9600, true) / reference), 12.1, 0.15);
}

struct StereoOutput
{
    std::vector<float> left, right;
};

// Runs two tones (440 Hz left, 2.5 kHz right, timed at `rate`) through the plug-in in blocks.
StereoOutput Render(AEffect* effect, int blockSize, int frames, double rate = 44100.0)
{
    std::vector<float> left(static_cast<std::size_t>(blockSize)), right(left.size());
    std::vector<float> outLeft(left.size()), outRight(left.size());
    StereoOutput result;
    for (int start = 0; start < frames; start += blockSize)
    {
        for (int i = 0; i < blockSize; ++i)
        {
            const double t = static_cast<double>(start + i) / rate;
            left[static_cast<std::size_t>(i)] = static_cast<float>(0.25 * std::sin(2.0 * M_PI * 440.0 * t));
            right[static_cast<std::size_t>(i)] = static_cast<float>(0.2 * std::sin(2.0 * M_PI * 2500.0 * t));
        }
        float* in[] = {left.data(), right.data()};
        float* out[] = {outLeft.data(), outRight.data()};
        effect->processReplacing(effect, in, out, blockSize);
        result.left.insert(result.left.end(), outLeft.begin(), outLeft.end());
        result.right.insert(result.right.end(), outRight.begin(), outRight.end());
    }
    return result;
}

double TailRms(const std::vector<float>& samples, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = samples.size() - count; i < samples.size(); ++i)
    {
        sum += static_cast<double>(samples[i]) * samples[i];
    }
    return std::sqrt(sum / static_cast<double>(count));
}

// A fresh instance with the bands alternately at the top and the bottom (or all flat) and IN on.
std::unique_ptr<Host::Plugin> FreshInstance(bool flat)
{
    auto plugin = LoadPlugin(KVX_PLUGIN_PATH);
    if (plugin != nullptr && !flat)
    {
        for (int i = 0; i < 10; ++i)
        {
            plugin->SetParameter(i, i % 2 == 0 ? 1.0f : 0.0f);
        }
    }
    return plugin;
}

const float kUnusableRates[] = {0.0f,
                                -0.0f,
                                -48000.0f,
                                0.5f,
                                std::nanf(""),
                                std::numeric_limits<float>::infinity(),
                                -std::numeric_limits<float>::infinity(),
                                2.0e7f,
                                1e30f,
                                std::numeric_limits<float>::max()};

TEST(AudioRates, AnUnusableRateBeforeTheFirstBlockLeavesTheDefaultRate)
{
    for (bool flat : {true, false})
    {
        auto reference = FreshInstance(flat);
        ASSERT_NE(reference, nullptr);
        const StereoOutput expected = Render(reference->Effect(), 256, 4096);
        ASSERT_GT(TailRms(expected.left, 1024), 0.05) << "the reference itself must carry audio";
        for (float rate : kUnusableRates)
        {
            auto plugin = FreshInstance(flat);
            ASSERT_NE(plugin, nullptr);
            EXPECT_EQ(plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, rate), 0);
            const StereoOutput output = Render(plugin->Effect(), 256, 4096);
            EXPECT_EQ(output.left, expected.left) << "rate " << rate << (flat ? " flat" : " moved");
            EXPECT_EQ(output.right, expected.right) << "rate " << rate << (flat ? " flat" : " moved");
        }
    }
}

TEST(AudioRates, HostileSampleRatesAndBlockSizesStillEqualise)
{
    // The moved bands' gain at 440 Hz (the 500 Hz band up, the 250 Hz band down) at a common rate.
    auto common = FreshInstance(false);
    ASSERT_NE(common, nullptr);
    common->Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    const StereoOutput settled = Render(common->Effect(), 512, 48000, 48000.0);
    const double inputRms = 0.25 / std::sqrt(2.0);
    const double expectedDb = Db(TailRms(settled.left, 9600) / inputRms);
    ASSERT_GT(std::abs(expectedDb), 1.0) << "the bands must really change the tone";

    for (int block : {1, 7, 64, 4096})
    {
        auto reference = FreshInstance(false);
        ASSERT_NE(reference, nullptr);
        reference->Dispatch(effSetBlockSize, 0, block);
        const StereoOutput atDefault = Render(reference->Effect(), block, 8192);
        for (float rate : {0.0f, -48000.0f, std::nanf(""), 1e30f, 8000.0f, 22050.0f, 32000.0f, 384000.0f})
        {
            auto plugin = FreshInstance(false);
            ASSERT_NE(plugin, nullptr);
            plugin->Dispatch(effSetBlockSize, 0, block);
            plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
            if (!(rate >= 1.0f && rate <= 1.0e7f))
            {
                EXPECT_EQ(Render(plugin->Effect(), block, 8192).left, atDefault.left)
                    << "rate " << rate << " block " << block;
                continue;
            }
            // Long enough for the smoothed faders to settle (100 ms), whatever the rate.
            const int frames = std::max(8192, static_cast<int>(rate * 0.4f));
            const StereoOutput output = Render(plugin->Effect(), block, frames, rate);
            const auto tail = static_cast<std::size_t>(std::max(1024.0f, rate * 0.1f)); // 44 periods or more
            const double gainDb = Db(TailRms(output.left, tail) / inputRms);
            EXPECT_NEAR(gainDb, expectedDb, 0.5) << "rate " << rate << " block " << block;
        }
    }
}

TEST_F(AudioTest, TheOutputRecoversAfterABlockOfNaNs)
{
    plugin->SetParameter(3, 0.9f);
    std::vector<float> bad(64, std::nanf("")), outLeft(64), outRight(64);
    float* in[] = {bad.data(), bad.data()};
    float* out[] = {outLeft.data(), outRight.data()};
    effect->processReplacing(effect, in, out, 64);
    const double rms = SineRms(effect, 440.0, 44100.0f, 64, 4410, 64);
    EXPECT_TRUE(std::isfinite(rms));
    EXPECT_GT(rms, 0.05);
}

TEST_F(AudioTest, NullBufferArraysAreIgnored)
{
    effect->processReplacing(effect, nullptr, nullptr, 64);
    std::vector<float> buffer(64, 0.5f);
    float* channels[] = {buffer.data(), buffer.data()};
    effect->processReplacing(effect, channels, nullptr, 64);
    effect->processReplacing(effect, nullptr, channels, 64);
    SUCCEED();
}
} // namespace
} // namespace KVX::Test
