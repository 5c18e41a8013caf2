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
