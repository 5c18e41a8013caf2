// SPDX-License-Identifier: GPL-3.0-or-later
// The plug-in's state through the LV2 state extension: the program chunk as an atom:Chunk, given back
// whole, and anything damaged refused without a change.
#include "host/plugin_host.h"
#include "lv2/lv2_names.h"
#include "scripted_session.h"

#include <lv2/atom/atom.h>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

namespace KVX::Test
{
namespace
{
class Lv2State : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ExpectLoaded(module);
        ASSERT_NE(module.Descriptor(), nullptr);
        ASSERT_TRUE(instance.Valid());
        chunkKey = map.Map(std::string(LV2::kStateChunkKey));
        chunkType = map.Map(LV2_ATOM__Chunk);
    }

    State Saved(Lv2Instance& from)
    {
        State state;
        EXPECT_EQ(from.Save(state), LV2_STATE_SUCCESS);
        return state;
    }

    // Runs one block so that port changes reach the processor.
    void Settle(Lv2Instance& target)
    {
        Stereo s = TestSignal(64, 1);
        target.Run(s.left.data(), s.right.data(), s.left.data(), s.right.data(), 64);
    }

    Lv2Module module{KVX_LV2_PLUGIN_PATH};
    UridMap map;
    Lv2Instance instance{module, 48000.0, &map};
    LV2_URID chunkKey = 0;
    LV2_URID chunkType = 0;
};

TEST_F(Lv2State, IsTheVstBuildsProgramChunkAsOnePortableAtomChunk)
{
    instance.Control(0) = 12.0f;
    instance.Control(3) = -4.5f;
    instance.Control(10) = 0.0f;
    Settle(instance);
    const State state = Saved(instance);
    ASSERT_EQ(state.size(), 1u);
    const StateValue& value = state.at(chunkKey);
    EXPECT_EQ(value.type, chunkType);
    EXPECT_EQ(value.flags, static_cast<std::uint32_t>(LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE));

    std::string error;
    auto vst = Host::Plugin::Load(KVX_VST_PLUGIN_PATH, error);
    ASSERT_NE(vst, nullptr) << error;
    vst->SetParameter(0, 1.0f);
    vst->SetParameter(3, LV2::NormalisedFromPort(Device::Description::kParameters[3], -4.5f));
    vst->SetParameter(10, 0.0f);
    void* chunk = nullptr;
    const auto size = vst->Dispatch(effGetChunk, 1, 0, &chunk);
    ASSERT_EQ(size, Device::Description::kChunkBytes);
    ASSERT_EQ(value.bytes.size(), static_cast<std::size_t>(size));
    EXPECT_EQ(std::memcmp(value.bytes.data(), chunk, value.bytes.size()), 0);
}

TEST_F(Lv2State, RestoredIntoAFreshInstanceItSoundsLikeTheOriginal)
{
    instance.Control(1) = 9.0f;
    instance.Control(8) = -11.0f;
    Settle(instance);
    const State state = Saved(instance);

    // The fresh instance's host keeps its ports at their defaults: the restored values must stand.
    Lv2Instance fresh(module, 48000.0, &map);
    ASSERT_EQ(fresh.Restore(state), LV2_STATE_SUCCESS);
    Settle(fresh);
    EXPECT_EQ(Saved(fresh).at(chunkKey).bytes, state.at(chunkKey).bytes);

    Lv2Instance reference(module, 48000.0, &map);
    reference.Control(1) = 9.0f;
    reference.Control(8) = -11.0f;
    Stereo a = TestSignal(4096, 5);
    Stereo b = a;
    Settle(reference);
    reference.Run(a.left.data(), a.right.data(), a.left.data(), a.right.data(), 4096);
    fresh.Run(b.left.data(), b.right.data(), b.left.data(), b.right.data(), 4096);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);

    // A port the host moves afterwards takes over.
    fresh.Control(1) = 6.0f;
    Settle(fresh);
    State moved = Saved(fresh);
    float value = 0.0f;
    std::memcpy(&value, moved.at(chunkKey).bytes.data() + 8 * 1 + 4, sizeof value);
    EXPECT_EQ(value, 0.75f);
}

TEST_F(Lv2State, DamagedStateIsRefusedAndChangesNothing)
{
    instance.Control(2) = 5.0f;
    Settle(instance);
    const State good = Saved(instance);
    const std::vector<unsigned char> before = good.at(chunkKey).bytes;

    auto withBytes = [&](std::vector<unsigned char> bytes, LV2_URID type)
    {
        State s;
        s[chunkKey] = StateValue{std::move(bytes), type, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE};
        return s;
    };
    auto entryPatched = [&](int entry, int offset, const void* data)
    {
        std::vector<unsigned char> bytes = before;
        std::memcpy(bytes.data() + 8 * entry + offset, data, 4);
        return withBytes(bytes, chunkType);
    };
    // A full-up chunk of another shape, which must not get through in part either.
    std::vector<unsigned char> fullUp = before;
    const float one = 1.0f;
    for (int entry = 0; entry < 11; ++entry)
    {
        std::memcpy(fullUp.data() + 8 * entry + 4, &one, 4);
    }
    const std::int32_t foreignIndex = 42;
    const std::int32_t duplicateIndex = 0;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();

    struct Bad
    {
        const char* what;
        State state;
    };
    std::vector<Bad> cases;
    cases.push_back({"nothing stored", State{}});
    cases.push_back(
        {"short", withBytes(std::vector<unsigned char>(fullUp.begin(), fullUp.end() - 8), chunkType)});
    cases.push_back({"long", [&]
                     {
                         auto bytes = fullUp;
                         bytes.resize(bytes.size() + 8);
                         return withBytes(bytes, chunkType);
                     }()});
    cases.push_back({"empty", withBytes({}, chunkType)});
    cases.push_back({"wrong type", withBytes(fullUp, map.Map(LV2_ATOM__String))});
    cases.push_back({"untyped", withBytes(fullUp, 0)});
    cases.push_back({"foreign index", entryPatched(4, 0, &foreignIndex)});
    cases.push_back({"duplicate index", entryPatched(7, 0, &duplicateIndex)});
    cases.push_back({"NaN value", entryPatched(2, 4, &nan)});
    cases.push_back({"infinite value", entryPatched(9, 4, &inf)});
    cases.push_back({"garbage", withBytes(std::vector<unsigned char>(88, 0xA5), chunkType)});
    for (const Bad& bad : cases)
    {
        EXPECT_NE(instance.Restore(bad.state), LV2_STATE_SUCCESS) << bad.what;
        EXPECT_EQ(Saved(instance).at(chunkKey).bytes, before) << bad.what;
    }
    // And the good one still goes through.
    EXPECT_EQ(instance.Restore(withBytes(fullUp, chunkType)), LV2_STATE_SUCCESS);
    EXPECT_EQ(Saved(instance).at(chunkKey).bytes, fullUp);
}
TEST_F(Lv2State, AUridMapWithoutItsFunctionCountsAsNoMap)
{
    UridMap broken;
    broken.Map()->map = nullptr;
    Lv2Instance withoutMap{module, 48000.0, &broken};
    ASSERT_TRUE(withoutMap.Valid());
    State state;
    EXPECT_EQ(withoutMap.Save(state), LV2_STATE_ERR_NO_FEATURE);
}
} // namespace
} // namespace KVX::Test
