// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP plug-in's process allocates nothing: not while parameter events arrive (NaN, out of range,
// unknown ids among them), not in place, not through its own buffers for an odd channel count. This binary
// replaces the global allocator; the module's allocations reach it too, which its creation shows.
#include "tovik/clap_host.h"

#include <gtest/gtest.h>

#include "support/allocation_counter.h"

#include <cmath>
#include <limits>
#include <vector>

namespace KVX::Tovik
{
namespace
{
TEST(ClapProcessAllocations, None)
{
    std::string error;
    auto module = ClapModule::Open(KVX_CLAP_PLUGIN_PATH, error);
    ASSERT_NE(module, nullptr) << error;
    KVX::Test::CountAllocations(true);
    auto plugin = ClapPlugin::Create(module, "example.brellmoor.kvx-tovik", error);
    KVX::Test::CountAllocations(false);
    ASSERT_NE(plugin, nullptr) << error;
    ASSERT_GT(KVX::Test::Allocations(), 0) << "the counter does not see the module's allocations";
    ASSERT_TRUE(plugin->Activate(48000.0, 4096, error)) << error;

    std::vector<float> left(4096), right(4096), outLeft(4096), outRight(4096);
    for (std::size_t i = 0; i < left.size(); ++i)
    {
        left[i] = right[i] = 0.3f * std::sin(0.05f * static_cast<float>(i));
    }
    float* in[] = {left.data(), right.data()};
    float* out[] = {outLeft.data(), outRight.data()};
    float* mono[] = {outLeft.data()};
    Clap::AudioBuffer input{in, nullptr, 2, 0, 0};
    Clap::AudioBuffer output{out, nullptr, 2, 0, 0};
    Clap::AudioBuffer inPlace{out, nullptr, 2, 0, 0};
    Clap::AudioBuffer monoOutput{mono, nullptr, 1, 0, 0};
    // The host's own event list keeps its room from here on.
    for (int i = 0; i < 4; ++i)
    {
        plugin->SetParam(0, 0.0);
    }
    plugin->ProcessBuffers(&input, 1, &output, 1, 512);

    KVX::Test::CountAllocations(true);
    const int before = KVX::Test::Allocations();
    for (int block = 0; block < 200; ++block)
    {
        plugin->SetParam(static_cast<Clap::Id>(block % 10), static_cast<double>(block % 25) - 12.0);
        if (block % 50 == 25)
        {
            plugin->SetParam(10, block % 100 == 25 ? 0.0 : 1.0);
        }
        if (block % 30 == 7)
        {
            plugin->SetParam(3, std::numeric_limits<double>::quiet_NaN());
            plugin->SetParam(99, 1e9);
        }
        const auto frames = static_cast<std::uint32_t>(1 + (block * 37) % 4096);
        plugin->ProcessBuffers(&input, 1, &output, 1, frames);
        plugin->ProcessBuffers(&inPlace, 1, &inPlace, 1, frames);
        plugin->ProcessBuffers(&input, 1, &monoOutput, 1, frames);
    }
    const int during = KVX::Test::Allocations() - before;
    KVX::Test::CountAllocations(false);
    EXPECT_EQ(during, 0);
}
} // namespace
} // namespace KVX::Tovik
