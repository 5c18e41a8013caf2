// SPDX-License-Identifier: GPL-3.0-or-later
// The state a host stores with its projects: the device's 88-byte chunk, taken back whole or not at all.
#include "plugin_fixture.h"

#include <cmath>
#include <limits>

namespace KVX::Test::Vst3
{
namespace
{
std::vector<std::uint8_t> Chunk(const std::vector<std::pair<std::int32_t, float>>& entries)
{
    std::vector<std::uint8_t> bytes;
    for (const auto& [index, value] : entries)
    {
        std::uint8_t entry[8];
        std::memcpy(entry, &index, 4);
        std::memcpy(entry + 4, &value, 4);
        bytes.insert(bytes.end(), entry, entry + 8);
    }
    return bytes;
}

std::vector<std::pair<std::int32_t, float>> Entries(float band, float in)
{
    std::vector<std::pair<std::int32_t, float>> entries;
    for (std::int32_t i = 0; i < 10; ++i)
    {
        entries.emplace_back(i, band + 0.01f * static_cast<float>(i));
    }
    entries.emplace_back(10, in);
    return entries;
}

class Vst3State : public Vst3Plugin
{
protected:
    std::vector<double> ControllerValues() const
    {
        std::vector<double> values;
        for (ParamID id = 0; id < 11; ++id)
        {
            values.push_back(Controller()->getParamNormalized(id));
        }
        return values;
    }
};

TEST_F(Vst3State, StartsAtTheDefaultProgramAndTravelsToAnotherInstanceWhole)
{
    const auto fresh = m_Instance->State();
    ASSERT_EQ(fresh.size(), 88u);
    for (std::int32_t i = 0; i < 10; ++i)
    {
        EXPECT_EQ(StateValue(fresh, i), 0.5f);
        EXPECT_EQ(Controller()->getParamNormalized(static_cast<ParamID>(i)), 0.5);
    }
    EXPECT_EQ(StateValue(fresh, 10), 1.0f);

    ASSERT_EQ(m_Instance->Start(44100.0, 64), kResultOk);
    CParameterChanges changes;
    changes.Add(2, 0, 0.125);
    changes.Add(10, 0, 0.0);
    std::vector<float> silence(64, 0.0f);
    const float* in[2] = {silence.data(), silence.data()};
    StereoBuffers out(64);
    ASSERT_EQ(m_Instance->Process(in, out.Channels(), 64, &changes), kResultOk);
    const auto saved = m_Instance->State();
    ASSERT_EQ(saved.size(), 88u);

    auto restored = NewInstance();
    ASSERT_EQ(restored->SetState(saved), kResultOk);
    EXPECT_EQ(restored->State(), saved);
    EXPECT_EQ(restored->Controller()->getParamNormalized(2), 0.125);
    EXPECT_EQ(restored->Controller()->getParamNormalized(10), 0.0);

    // Entries in any order are the same state.
    auto reversed = Entries(0.3f, 0.0f);
    std::reverse(reversed.begin(), reversed.end());
    ASSERT_EQ(restored->SetState(Chunk(reversed)), kResultOk);
    EXPECT_FLOAT_EQ(StateValue(restored->State(), 0), 0.3f);
    EXPECT_FLOAT_EQ(StateValue(restored->State(), 9), 0.39f);
}

TEST_F(Vst3State, TheHostsBypassTravelsWithTheStateAndAPlainChunkLoadsUnbypassed)
{
    ASSERT_EQ(m_Instance->Start(44100.0, 64), kResultOk);
    CParameterChanges bypass;
    bypass.Add(11, 0, 1.0);
    bypass.Add(4, 0, 0.75);
    std::vector<float> silence(64, 0.0f);
    const float* in[2] = {silence.data(), silence.data()};
    StereoBuffers out(64);
    ASSERT_EQ(m_Instance->Process(in, out.Channels(), 64, &bypass), kResultOk);
    const auto saved = m_Instance->State();
    ASSERT_GT(saved.size(), 88u);
    EXPECT_FLOAT_EQ(StateValue(saved, 4), 0.75f);

    // A project saved bypassed reopens bypassed, in the processor and in the controller.
    auto restored = NewInstance();
    ASSERT_EQ(restored->SetState(saved), kResultOk);
    EXPECT_EQ(restored->Controller()->getParamNormalized(11), 1.0);
    EXPECT_EQ(restored->State(), saved);
    auto controllerOnly = NewInstance();
    CMemoryStream stream(saved);
    ASSERT_EQ(controllerOnly->Controller()->setComponentState(&stream), kResultOk);
    EXPECT_EQ(controllerOnly->Controller()->getParamNormalized(11), 1.0);

    // The 88-byte chunk every earlier build saved: bypass off, and saved back as the same 88 bytes.
    const std::vector<std::uint8_t> plain(saved.begin(), saved.begin() + 88);
    ASSERT_EQ(restored->SetState(plain), kResultOk);
    EXPECT_EQ(restored->Controller()->getParamNormalized(11), 0.0);
    EXPECT_EQ(restored->State(), plain);

    // A later version's longer record: what this build knows of it is read.
    auto newer = plain;
    newer.insert(newer.end(), {'T', 'v', 'k', 'X', 2, 0, 0, 0, 8, 0, 0, 0, 1, 0, 0, 0, 9, 9, 9, 9});
    ASSERT_EQ(restored->SetState(newer), kResultOk);
    EXPECT_EQ(restored->Controller()->getParamNormalized(11), 1.0);
}

TEST_F(Vst3State, RefusesEveryStateThatIsNotOneWholeChunkOfOursAndChangesNothing)
{
    ASSERT_EQ(m_Instance->SetState(Chunk(Entries(0.2f, 0.0f))), kResultOk);
    const auto before = m_Instance->State();
    const auto controllerBefore = ControllerValues();

    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto withValue = [](std::int32_t at, float value)
    {
        auto entries = Entries(0.7f, 1.0f);
        entries[static_cast<std::size_t>(at)].second = value;
        return Chunk(entries);
    };
    auto withIndex = [](std::int32_t at, std::int32_t index)
    {
        auto entries = Entries(0.7f, 1.0f);
        entries[static_cast<std::size_t>(at)].first = index;
        return Chunk(entries);
    };
    auto longer = Chunk(Entries(0.7f, 1.0f));
    longer.push_back(0);
    auto withRecord = [](std::vector<std::uint8_t> record)
    {
        auto bytes = Chunk(Entries(0.7f, 1.0f));
        bytes.insert(bytes.end(), record.begin(), record.end());
        return bytes;
    };
    auto shorter = Chunk(Entries(0.7f, 1.0f));
    shorter.pop_back();
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> refused = {
        {"empty", {}},
        {"one entry", Chunk({{3, 0.9f}})},
        {"one byte short", shorter},
        {"one byte long", longer},
        {"a tail that is no record", withRecord(std::vector<std::uint8_t>(16, 0xA5))},
        {"a record cut short", withRecord({'T', 'v', 'k', 'X', 1, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0})},
        {"a record longer than it says",
         withRecord({'T', 'v', 'k', 'X', 1, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 0})},
        {"a record of version 0", withRecord({'T', 'v', 'k', 'X', 0, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0})},
        {"NaN", withValue(4, nan)},
        {"infinite", withValue(4, std::numeric_limits<float>::infinity())},
        {"above 1", withValue(4, 1.5f)},
        {"below 0", withValue(4, -0.1f)},
        {"index twice", withIndex(3, 2)},
        {"index 11", withIndex(3, 11)},
        {"negative index", withIndex(3, -1)},
        {"another plug-in's bytes", std::vector<std::uint8_t>(88, 0xA5)},
        {"a preset file", std::vector<std::uint8_t>{'C', 'c', 'n', 'K', 0, 0, 0, 140}},
    };
    for (const auto& [what, bytes] : refused)
    {
        EXPECT_NE(m_Instance->SetState(bytes), kResultOk) << what;
        CMemoryStream stream(bytes);
        EXPECT_NE(Controller()->setComponentState(&stream), kResultOk) << what;
        EXPECT_EQ(m_Instance->State(), before) << what;
        EXPECT_EQ(ControllerValues(), controllerBefore) << what;
    }
    EXPECT_NE(Component()->setState(nullptr), kResultOk);
    EXPECT_NE(Controller()->setComponentState(nullptr), kResultOk);
    EXPECT_NE(Component()->getState(nullptr), kResultOk);
}

// A stream that hands out its bytes a few at a time, as a host reading from a file may.
class CTrickleStream final : public CHostObject<IBStream>
{
public:
    explicit CTrickleStream(std::vector<std::uint8_t> bytes) : m_Inner(std::move(bytes)) {}
    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override
    {
        return m_Inner.queryInterface(iid, object);
    }
    tresult KVX_VST3_API read(void* buffer, std::int32_t numBytes, std::int32_t* numBytesRead) override
    {
        return m_Inner.read(buffer, numBytes < 5 ? numBytes : 5, numBytesRead);
    }
    tresult KVX_VST3_API write(void* buffer, std::int32_t numBytes, std::int32_t* numBytesWritten) override
    {
        return m_Inner.write(buffer, numBytes, numBytesWritten);
    }
    tresult KVX_VST3_API seek(std::int64_t pos, std::int32_t mode, std::int64_t* result) override
    {
        return m_Inner.seek(pos, mode, result);
    }
    tresult KVX_VST3_API tell(std::int64_t* pos) override { return m_Inner.tell(pos); }

private:
    CMemoryStream m_Inner;
};

TEST_F(Vst3State, ReadsAStateThatArrivesInPieces)
{
    CTrickleStream stream(Chunk(Entries(0.6f, 0.0f)));
    ASSERT_EQ(Component()->setState(&stream), kResultOk);
    EXPECT_FLOAT_EQ(StateValue(m_Instance->State(), 0), 0.6f);
    EXPECT_EQ(StateValue(m_Instance->State(), 10), 0.0f);
    EXPECT_EQ(Controller()->getParamNormalized(10), 0.0) << "the controller shows what the component took";
}
} // namespace
} // namespace KVX::Test::Vst3
