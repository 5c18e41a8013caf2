// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik render` against the plug-in driven directly through the host library.
#include "host/plugin_host.h"
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace KVX::Test
{
namespace
{
// The same calls tovik makes, in the same order, with the same blocks: `preroll` blocks of silence whose
// output is dropped, then the sound.
std::vector<float> ProcessDirectly(const Sound& sound, int block,
                                   const std::vector<std::pair<int, float>>& sets, int preroll)
{
    std::string error;
    auto plugin = Host::Plugin::Load(KVX_PLUGIN_PATH, error);
    EXPECT_NE(plugin, nullptr) << error;
    if (!plugin)
    {
        return {};
    }
    AEffect* effect = plugin->Effect();
    plugin->Dispatch(effOpen);
    for (const auto& [index, value] : sets)
    {
        plugin->SetParameter(index, value);
    }
    plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(sound.sampleRate));
    plugin->Dispatch(effSetBlockSize, 0, block);
    plugin->Dispatch(effMainsChanged, 0, 1);
    plugin->Dispatch(effStartProcess);

    const long frames = sound.Frames();
    const int channels = sound.channels;
    std::vector<float> in[2] = {std::vector<float>(static_cast<std::size_t>(block)),
                                std::vector<float>(static_cast<std::size_t>(block))};
    std::vector<float> out[2] = {std::vector<float>(static_cast<std::size_t>(block)),
                                 std::vector<float>(static_cast<std::size_t>(block))};
    std::vector<float> result;
    for (int i = 0; i < preroll; ++i)
    {
        float* inputs[] = {in[0].data(), in[1].data()};
        float* outputs[] = {out[0].data(), out[1].data()};
        effect->processReplacing(effect, inputs, outputs, block);
    }
    for (long start = 0; start < frames; start += block)
    {
        const int count = static_cast<int>(std::min<long>(block, frames - start));
        for (int i = 0; i < count; ++i)
        {
            for (int c = 0; c < 2; ++c)
            {
                in[c][static_cast<std::size_t>(i)] =
                    sound.samples[static_cast<std::size_t>((start + i) * channels + (channels == 1 ? 0 : c))];
            }
        }
        float* inputs[] = {in[0].data(), in[1].data()};
        float* outputs[] = {out[0].data(), out[1].data()};
        effect->processReplacing(effect, inputs, outputs, count);
        for (int i = 0; i < count; ++i)
        {
            for (int c = 0; c < channels; ++c)
            {
                result.push_back(out[c][static_cast<std::size_t>(i)]);
            }
        }
    }
    plugin->Dispatch(effStopProcess);
    plugin->Dispatch(effMainsChanged, 0, 0);
    return result;
}

TEST(Render, FloatWaveEqualsTheSamplesProcessedDirectlyBitForBit)
{
    TempFolder folder;
    // Not a whole number of blocks, so that the last block is a short one.
    const Sound sound = MakeSound(44100 / 4 + 77, 2, 44100);
    WriteSound(folder.Path("in.wav"), sound);
    // No pre-roll, and 0.25 s of it: 44100 * 0.25 / 300 rounds up to 37 blocks.
    for (const auto& [preroll, blocks] : {std::pair{"0", 0}, std::pair{"0.25", 37}})
    {
        const auto run = RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("in.wav"), folder.Path("out.wav"),
                                   "--set", "1k=+6dB", "--set", "31=-3dB", "--set", "8 kHz=0.9", "--block",
                                   "300", "--preroll", preroll});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_EQ(run.err, "");

        const Sound out = ReadSound(folder.Path("out.wav"));
        EXPECT_EQ(out.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
        EXPECT_EQ(out.sampleRate, 44100);
        EXPECT_EQ(out.channels, 2);
        const auto expected = ProcessDirectly(sound, 300, {{5, 0.75f}, {0, 0.375f}, {8, 0.9f}}, blocks);
        ASSERT_EQ(out.samples.size(), expected.size());
        EXPECT_TRUE(out.samples == expected) << "pre-roll " << preroll;
        EXPECT_NE(out.samples, sound.samples);
    }
}

// Parameter smoothing runs its course in the pre-roll: a steady tone comes out at its settled level from
// the first block on, not gliding there.
TEST(Render, ThePrerollLetsTheSettingsHoldFromTheFirstSample)
{
    TempFolder folder;
    Sound tone;
    tone.channels = 1;
    for (int n = 0; n < 24000; ++n)
    {
        tone.samples.push_back(static_cast<float>(0.5 * std::sin(2.0 * M_PI * 1000.0 * n / 48000.0)));
    }
    WriteSound(folder.Path("tone.wav"), tone);
    const auto rms = [](const Sound& sound, std::size_t from, std::size_t count)
    {
        double sum = 0.0;
        for (std::size_t i = from; i < from + count; ++i)
        {
            sum += static_cast<double>(sound.samples[i]) * sound.samples[i];
        }
        return std::sqrt(sum / static_cast<double>(count));
    };
    const auto run = RunTovik(
        {"render", KVX_PLUGIN_PATH, folder.Path("tone.wav"), folder.Path("out.wav"), "--set", "1k=+6dB"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Sound out = ReadSound(folder.Path("out.wav"));
    // 1 kHz periods are 48 frames long: both windows hold whole periods.
    EXPECT_NEAR(rms(out, 0, 960) / rms(out, 19200, 960), 1.0, 1e-3);
    EXPECT_GT(rms(out, 19200, 960) / rms(tone, 19200, 960), 1.1);
}

TEST(Render, MonoStaysMonoAndIntegerFilesKeepTheirSampleType)
{
    TempFolder folder;
    Sound sound = MakeSound(4800, 1, 48000, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    WriteSound(folder.Path("mono.wav"), sound);
    auto run = RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("mono.wav"), folder.Path("mono-out.wav"),
                         "--set", "125=+12dB"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Sound mono = ReadSound(folder.Path("mono-out.wav"));
    EXPECT_EQ(mono.channels, 1);
    EXPECT_TRUE(mono.samples == ProcessDirectly(sound, 512, {{2, 1.0f}}, 47));

    // A loud 16-bit file boosted by 12 dB: the overs clip at full scale instead of wrapping round.
    Sound loud = MakeSound(4800, 2, 48000, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    for (float& sample : loud.samples)
    {
        sample *= 2.5f;
    }
    WriteSound(folder.Path("loud.aiff"), loud);
    run = RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("loud.aiff"), folder.Path("loud-out.aiff"),
                    "--set", "500=+12dB", "--set", "1k=+12dB"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Sound out = ReadSound(folder.Path("loud-out.aiff"));
    EXPECT_EQ(out.format, SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    const Sound in = ReadSound(folder.Path("loud.aiff"));
    // The default half second of pre-roll: 24000 / 512 rounds up to 47 blocks.
    const auto expected = ProcessDirectly(in, 512, {{4, 1.0f}, {5, 1.0f}}, 47);
    ASSERT_EQ(out.samples.size(), expected.size());
    long clipped = 0;
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        const float limited = std::clamp(expected[i], -1.0f, 32767.0f / 32768.0f);
        ASSERT_NEAR(out.samples[i], limited, 2.0f / 32768.0f) << "sample " << i;
        clipped += std::fabs(expected[i]) > 1.0f ? 1 : 0;
    }
    EXPECT_GT(clipped, 0);
}

TEST(Render, InOffPassesTheFileThroughUntouched)
{
    TempFolder folder;
    const Sound sound = MakeSound(3000, 2);
    WriteSound(folder.Path("in.flac"),
               [&]
               {
                   Sound flac = sound;
                   flac.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_24;
                   return flac;
               }());
    const auto run = RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("in.flac"), folder.Path("out.flac"),
                               "--set", "1k=+12dB", "--set", "in=off"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const Sound in = ReadSound(folder.Path("in.flac"));
    const Sound out = ReadSound(folder.Path("out.flac"));
    EXPECT_EQ(out.format, SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    EXPECT_TRUE(out.samples == in.samples);
}
} // namespace
} // namespace KVX::Test
