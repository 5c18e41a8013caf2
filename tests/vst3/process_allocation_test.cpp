// SPDX-License-Identifier: GPL-3.0-or-later
// The processor's process(), loaded through the bundle's factory, allocates nothing: not while parameters
// move, not with NaN or out-of-range values, not bypassed, not in place. This binary replaces the global
// allocator; the module's allocations reach it too, which the instance's creation shows.
#include "plugin_fixture.h"
#include "support/allocation_counter.h"

#include <cmath>
#include <limits>

namespace KVX::Test::Vst3
{
namespace
{
TEST(Vst3Process, AllocatesNothing)
{
    std::string error;
    auto module = CModule::Load(KVX_VST3_BUNDLE, error);
    ASSERT_NE(module, nullptr) << error;
    PClassInfo info{};
    ASSERT_TRUE(module->FindAudioClass(info));
    CountAllocations(true);
    auto instance = CInstance::Create(*module, info, error);
    CountAllocations(false);
    ASSERT_NE(instance, nullptr) << error;
    ASSERT_GT(Allocations(), 0) << "the counter does not see the module's allocations";
    ASSERT_EQ(instance->Start(48000.0, 4096), kResultOk);

    std::vector<float> left(4096), right(4096), outLeft(4096), outRight(4096);
    for (std::size_t i = 0; i < left.size(); ++i)
    {
        left[i] = right[i] = 0.3f * std::sin(0.05f * static_cast<float>(i));
    }
    const float* in[2] = {left.data(), right.data()};
    float* out[2] = {outLeft.data(), outRight.data()};
    ASSERT_EQ(instance->Process(in, out, 512), kResultOk);

    // The host's change lists are made before counting starts, as a host keeps them between blocks.
    std::vector<CParameterChanges> changes(200);
    for (int block = 0; block < 200; ++block)
    {
        changes[block].Add(static_cast<ParamID>(block % 10), block % 7,
                           static_cast<double>(block % 25) / 24.0);
        if (block % 50 == 25)
        {
            changes[block].Add(10, 0, block % 100 == 25 ? 0.0 : 1.0);
            changes[block].Add(11, 3, block % 100 == 25 ? 1.0 : 0.0);
        }
        if (block % 30 == 7)
        {
            changes[block].Add(3, 0, std::numeric_limits<double>::quiet_NaN());
            changes[block].Add(4, 0, 1e9);
            changes[block].Add(77, 0, 0.5);
        }
    }
    CountAllocations(true);
    const int before = Allocations();
    for (int block = 0; block < 200; ++block)
    {
        const auto frames = static_cast<std::int32_t>(1 + (block * 37) % 4096);
        instance->Process(in, out, frames, &changes[static_cast<std::size_t>(block)]);
        const float* again[2] = {outLeft.data(), outRight.data()};
        instance->Process(again, out, frames);
    }
    const int during = Allocations() - before;
    CountAllocations(false);
    EXPECT_EQ(during, 0);
}
} // namespace
} // namespace KVX::Test::Vst3
