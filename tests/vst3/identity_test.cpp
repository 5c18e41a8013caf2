// SPDX-License-Identifier: GPL-3.0-or-later
// The VST3 build against the VST 2.4 build over one scripted host session: the same blocks, fader moves,
// IN toggles and bad input must give the same output to the bit.
#include "host/plugin_host.h"
#include "plugin_fixture.h"

#include <cmath>
#include <limits>

namespace KVX::Test::Vst3
{
namespace
{
struct Step
{
    std::int32_t frames;
    std::vector<std::pair<ParamID, float>> changes;
};

std::vector<Step> Session()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    std::vector<Step> steps = {
        {1, {}},
        {2, {{5, 0.9f}}},
        {3, {}},
        {64, {{0, 1.0f}, {9, 0.0f}}},
        {4096, {}},
        {511, {{10, 0.0f}}},
        {512, {{10, 1.0f}, {3, 0.25f}}},
        {1, {{3, 0.75f}}},
        {4096, {{1, 1.3f}, {2, -0.4f}}},
        {1000, {{4, nan}}},
        {7, {{6, 0.6f}, {7, 0.4f}, {8, 0.1f}}},
        {2048, {}},
    };
    // A stretch of fader sweeps in blocks of every awkward size.
    std::uint32_t seed = 12345;
    for (int i = 0; i < 40; ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        Step step{static_cast<std::int32_t>(1 + (seed >> 8) % 4096), {}};
        step.changes.emplace_back(static_cast<ParamID>((seed >> 4) % 10),
                                  static_cast<float>((seed >> 12) % 1001) / 1000.0f);
        if (i % 9 == 0)
        {
            step.changes.emplace_back(10, i % 18 == 0 ? 0.0f : 1.0f);
        }
        steps.push_back(step);
    }
    return steps;
}

std::vector<float> Signal(std::size_t frames, std::uint32_t seed)
{
    std::vector<float> out(frames);
    for (std::size_t i = 0; i < frames; ++i)
    {
        seed = seed * 1664525u + 1013904223u;
        out[i] = static_cast<float>(static_cast<std::int32_t>(seed >> 8) - (1 << 23)) /
                 static_cast<float>(1 << 23);
    }
    // Bad input the host passes on: NaN, infinities and denormals.
    if (frames > 9000)
    {
        out[9000] = std::numeric_limits<float>::quiet_NaN();
        out[9001] = std::numeric_limits<float>::infinity();
        out[9002] = 1e-42f;
    }
    return out;
}

using Vst3Identity = Vst3Plugin;

TEST_F(Vst3Identity, ScriptedSessionIsBitIdenticalToTheVst24Build)
{
    const auto session = Session();
    std::size_t total = 0;
    for (const Step& step : session)
    {
        total += static_cast<std::size_t>(step.frames);
    }
    const auto left = Signal(total, 1);
    const auto right = Signal(total, 2);

    std::string error;
    auto vst = Host::Plugin::Load(KVX_VST_PLUGIN_PATH, error);
    ASSERT_NE(vst, nullptr) << error;
    vst->Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
    vst->Dispatch(effSetBlockSize, 0, 4096);
    vst->Dispatch(effMainsChanged, 0, 1);
    ASSERT_EQ(m_Instance->Start(48000.0, 4096), kResultOk);

    std::vector<float> vstLeft(total), vstRight(total), vst3Left(total), vst3Right(total);
    std::size_t at = 0;
    for (const Step& step : session)
    {
        CParameterChanges changes;
        for (const auto& [id, value] : step.changes)
        {
            vst->SetParameter(static_cast<VstInt32>(id), value);
            changes.Add(id, step.frames / 2, value);
        }
        float* in[2] = {const_cast<float*>(left.data() + at), const_cast<float*>(right.data() + at)};
        float* out2[2] = {vstLeft.data() + at, vstRight.data() + at};
        vst->Effect()->processReplacing(vst->Effect(), in, out2, step.frames);
        float* out3[2] = {vst3Left.data() + at, vst3Right.data() + at};
        ASSERT_EQ(m_Instance->Process(in, out3, step.frames, &changes), kResultOk);
        at += static_cast<std::size_t>(step.frames);
    }
    EXPECT_EQ(std::memcmp(vstLeft.data(), vst3Left.data(), total * sizeof(float)), 0);
    EXPECT_EQ(std::memcmp(vstRight.data(), vst3Right.data(), total * sizeof(float)), 0);
    EXPECT_NE(std::memcmp(vstLeft.data(), left.data(), total * sizeof(float)), 0)
        << "the session did nothing";
    vst->Close();
}
} // namespace
} // namespace KVX::Test::Vst3
