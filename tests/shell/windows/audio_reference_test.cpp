// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows build's audio against the Linux build's: the same input, settings, rates and block sizes
// must give the same output within the rounding of the C runtimes' sin, cos and pow.
#include "audio_scenario.h"
#include "binary_host.h"

#include <cmath>
#include <cstdio>

namespace KVX::Test
{
namespace
{
constexpr double kTolerance = 1e-5; // absolute, or relative for samples above 1 in magnitude

bool SameCase(const AudioCase& a, const AudioCase& b)
{
    const bool sameRate = std::isnan(a.sampleRate) ? std::isnan(b.sampleRate) : a.sampleRate == b.sampleRate;
    return sameRate && a.blockSize == b.blockSize;
}

TEST(AudioReference, EveryRateAndBlockSizeMatchesTheLinuxBuild)
{
    AudioReference reference;
    ASSERT_TRUE(ReadAudioReference(KVX_AUDIO_REFERENCE, reference))
        << "no audio reference at " << KVX_AUDIO_REFERENCE << ": build the Linux preset (default) first";
    const auto cases = AudioCases();
    ASSERT_EQ(reference.cases.size(), cases.size()) << "the reference was made by another scenario";

    double worst = 0.0;
    std::size_t differing = 0;
    std::size_t total = 0;
    for (std::size_t c = 0; c < cases.size(); ++c)
    {
        const AudioCase& audioCase = cases[c];
        ASSERT_TRUE(SameCase(reference.cases[c], audioCase)) << "case " << c;
        auto plugin = LoadPlugin(KVX_PLUGIN_PATH);
        ASSERT_NE(plugin, nullptr);
        const std::vector<float> output = RunAudioCase(plugin->Effect(), audioCase);
        const std::vector<float>& expected = reference.outputs[c];
        ASSERT_EQ(output.size(), expected.size());

        double caseWorst = 0.0;
        std::size_t worstAt = 0;
        for (std::size_t i = 0; i < output.size(); ++i)
        {
            ASSERT_TRUE(std::isfinite(output[i]))
                << "rate " << audioCase.sampleRate << " block " << audioCase.blockSize << " sample " << i;
            const double scale = std::fmax(1.0, std::fabs(static_cast<double>(expected[i])));
            const double error = std::fabs(static_cast<double>(output[i]) - expected[i]) / scale;
            differing += output[i] != expected[i];
            if (error > caseWorst)
            {
                caseWorst = error;
                worstAt = i;
            }
        }
        EXPECT_LE(caseWorst, kTolerance)
            << "rate " << audioCase.sampleRate << " block " << audioCase.blockSize << ": sample " << worstAt
            << " is " << output[worstAt] << ", Linux " << expected[worstAt];
        worst = std::fmax(worst, caseWorst);
        total += output.size();
    }
    std::printf("largest difference from the Linux build: %.3g; %zu of %zu samples not bit-identical\n",
                worst, differing, total);
}
} // namespace
} // namespace KVX::Test
