// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 plug-in's run, loaded through lv2_descriptor, allocates nothing: not while ports move, not with
// NaN or out-of-range values, not in place. This binary replaces the global allocator; the module's
// allocations reach it too, which the instantiation shows.
#include "scripted_session.h"

#include <gtest/gtest.h>

#include "support/allocation_counter.h"

#include <cmath>
#include <limits>
#include <memory>
#include <vector>

namespace KVX::Test
{
namespace
{
TEST(Lv2Run, AllocatesNothing)
{
    Lv2Module module(KVX_LV2_PLUGIN_PATH);
    ExpectLoaded(module);
    ASSERT_NE(module.Descriptor(), nullptr);
    UridMap map;
    CountAllocations(true);
    auto instance = std::make_unique<Lv2Instance>(module, 48000.0, &map);
    CountAllocations(false);
    ASSERT_TRUE(instance->Valid());
    ASSERT_GT(Allocations(), 0) << "the counter does not see the module's allocations";

    std::vector<float> left(4096), right(4096), outLeft(4096), outRight(4096);
    for (std::size_t i = 0; i < left.size(); ++i)
    {
        left[i] = right[i] = 0.3f * std::sin(0.05f * static_cast<float>(i));
    }
    instance->Run(left.data(), right.data(), outLeft.data(), outRight.data(), 512);

    CountAllocations(true);
    const int before = Allocations();
    for (int block = 0; block < 200; ++block)
    {
        instance->Control(static_cast<std::uint32_t>(block % 10)) = static_cast<float>(block % 25) - 12.0f;
        if (block % 50 == 25)
        {
            instance->Control(10) = block % 100 == 25 ? 0.0f : 1.0f;
        }
        if (block % 30 == 7)
        {
            instance->Control(3) = std::numeric_limits<float>::quiet_NaN();
            instance->Control(4) = 1e9f;
        }
        const auto frames = static_cast<std::uint32_t>(1 + (block * 37) % 4096);
        instance->Run(left.data(), right.data(), outLeft.data(), outRight.data(), frames);
        instance->Run(outLeft.data(), outRight.data(), outLeft.data(), outRight.data(), frames);
    }
    const int during = Allocations() - before;
    CountAllocations(false);
    EXPECT_EQ(during, 0);
}
} // namespace
} // namespace KVX::Test
