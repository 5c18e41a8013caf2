// processReplacing as a host drives it.
#include "binary_host.h"

#include <cmath>
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

TEST_F(AudioTest, HostileSampleRatesAndBlockSizesKeepTheOutputFinite)
{
    for (int i = 0; i < 10; ++i)
    {
        plugin->SetParameter(i, i % 2 == 0 ? 1.0f : 0.0f);
    }
    for (float rate : {0.0f, -48000.0f, std::nanf(""), 1e30f, 8000.0f, 22050.0f, 32000.0f, 384000.0f})
    {
        Dispatch(effSetSampleRate, 0, 0, nullptr, rate);
        for (int block : {1, 7, 64, 4096})
        {
            Dispatch(effSetBlockSize, 0, block);
            const double rms = SineRms(effect, 440.0, 48000.0f, block, 8192, 1024);
            EXPECT_TRUE(std::isfinite(rms)) << "rate " << rate << " block " << block;
            EXPECT_LT(rms, 10.0) << "rate " << rate << " block " << block;
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
