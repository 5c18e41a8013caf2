// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 build against the VST build, both loaded through their entry points in one test host: same
// identity and parameters, and the same audio bit for bit over a scripted session.
#include "host/plugin_host.h"
#include "scripted_session.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>

namespace KVX::Test
{
namespace
{
using Device::Description::kIdentity;
using Device::Description::kParameters;
using Device::Description::ParameterKind;

// Where two renders first differ, or -1.
long FirstDifference(const std::vector<float>& a, const std::vector<float>& b)
{
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i)
    {
        if (std::memcmp(&a[i], &b[i], sizeof(float)) != 0)
        {
            return static_cast<long>(i);
        }
    }
    return a.size() == b.size() ? -1 : static_cast<long>(std::min(a.size(), b.size()));
}

struct Case
{
    Buffers buffers;
    double rate;
};

void PrintTo(const Case& c, std::ostream* out)
{
    *out << static_cast<int>(c.buffers) << " at " << c.rate << " Hz";
}

class SessionAgainstVst : public ::testing::TestWithParam<Case>
{
};

TEST_P(SessionAgainstVst, LeavesTheSameSamplesAsTheVstBuild)
{
    const auto script = FaderSession();
    const Stereo input = TestSignal(Frames(script), 7);
    Lv2Module module(KVX_LV2_PLUGIN_PATH);
    ExpectLoaded(module);
    ASSERT_NE(module.Descriptor(), nullptr);
    const Stereo vst = RenderVst(KVX_VST_PLUGIN_PATH, GetParam().rate, script, input);
    const Stereo lv2 = RenderLv2(module, GetParam().rate, script, input, GetParam().buffers);
    EXPECT_EQ(FirstDifference(vst.left, lv2.left), -1) << "left channel";
    EXPECT_EQ(FirstDifference(vst.right, lv2.right), -1) << "right channel";
    // Guards against two renders that agree because neither did anything.
    EXPECT_NE(FirstDifference(vst.left, input.left), -1);
}

std::string CaseName(const ::testing::TestParamInfo<Case>& info)
{
    const char* names[] = {"Separate", "InPlace", "Crossed"};
    return std::string(names[static_cast<int>(info.param.buffers)]) +
           std::to_string(static_cast<int>(info.param.rate));
}

INSTANTIATE_TEST_SUITE_P(Buffers, SessionAgainstVst,
                         ::testing::Values(Case{Buffers::Separate, 48000.0}, Case{Buffers::InPlace, 44100.0},
                                           Case{Buffers::Crossed, 96000.0}),
                         CaseName);

class VstBuild : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        plugin = Host::Plugin::Load(KVX_VST_PLUGIN_PATH, error);
        ASSERT_NE(plugin, nullptr) << error;
    }
    std::unique_ptr<Host::Plugin> plugin;
};

TEST_F(VstBuild, HasTheIdentityAndParametersOfTheDescription)
{
    AEffect* effect = plugin->Effect();
    EXPECT_EQ(plugin->Text(effGetEffectName), kIdentity.name);
    EXPECT_EQ(plugin->Text(effGetProductString), kIdentity.name);
    EXPECT_EQ(plugin->Text(effGetVendorString), kIdentity.vendor);
    EXPECT_EQ(effect->uniqueID, kIdentity.uniqueId);
    EXPECT_EQ(effect->version, kIdentity.version);
    EXPECT_EQ(effect->numInputs, Device::Description::kInputs);
    EXPECT_EQ(effect->numOutputs, Device::Description::kOutputs);
    ASSERT_EQ(effect->numParams, Device::Description::kParameterCount);
    for (const auto& parameter : kParameters)
    {
        SCOPED_TRACE(std::string(parameter.name));
        EXPECT_EQ(plugin->Text(effGetParamName, parameter.index), parameter.name);
        EXPECT_EQ(plugin->Text(effGetParamLabel, parameter.index), parameter.unit);
        EXPECT_EQ(plugin->GetParameter(parameter.index), parameter.programDefault);
    }
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, Device::Description::kPanelWidth);
    EXPECT_EQ(rect->bottom - rect->top, Device::Description::kPanelHeight);
}

// The band ports' decibels are what the VST build displays for the same value.
TEST_F(VstBuild, DisplaysTheDecibelsThatTheLv2PortCarries)
{
    for (const auto& parameter : kParameters)
    {
        if (parameter.kind != ParameterKind::BandFader)
        {
            continue;
        }
        for (float v : {0.0f, 0.1f, 0.25f, 0.4375f, 0.5f, 0.6f, 0.75f, 0.99f, 1.0f})
        {
            plugin->SetParameter(parameter.index, v);
            const float db = LV2::PortFromNormalised(parameter, v);
            char expected[16];
            std::snprintf(expected, sizeof expected, db > 0.0f ? "+%.1f" : "%.1f", static_cast<double>(db));
            EXPECT_EQ(plugin->Text(effGetParamDisplay, parameter.index), expected)
                << parameter.name << " at " << v;
        }
    }
}

TEST(Lv2Build, RunsWithoutTheUridFeatureAndOnlyDeclinesState)
{
    Lv2Module module(KVX_LV2_PLUGIN_PATH);
    ExpectLoaded(module);
    Lv2Instance instance(module, 48000.0, nullptr);
    ASSERT_TRUE(instance.Valid());
    Stereo signal = TestSignal(256, 3);
    Stereo out = signal;
    instance.Control(0) = 12.0f;
    instance.Run(signal.left.data(), signal.right.data(), out.left.data(), out.right.data(), 256);
    EXPECT_NE(FirstDifference(out.left, signal.left), -1);
    State state;
    EXPECT_EQ(instance.Save(state), LV2_STATE_ERR_NO_FEATURE);
    EXPECT_TRUE(state.empty());
}

TEST(Lv2Build, IgnoresAnEmptyBlockAndHearsAnUnconnectedInputAsSilence)
{
    Lv2Module module(KVX_LV2_PLUGIN_PATH);
    ExpectLoaded(module);
    UridMap map;
    Lv2Instance instance(module, 48000.0, &map);
    ASSERT_TRUE(instance.Valid());
    std::vector<float> a(64, 0.25f), b(64, 0.25f), c(64, 9.0f), d(64, 9.0f);
    instance.Run(a.data(), b.data(), c.data(), d.data(), 0);
    EXPECT_EQ(c, std::vector<float>(64, 9.0f));
    instance.Run(a.data(), nullptr, c.data(), d.data(), 64);
    EXPECT_EQ(d, std::vector<float>(64, 0.0f));
    EXPECT_NE(c, std::vector<float>(64, 9.0f));
}

TEST(Lv2Build, ReactivationForgetsWhatTheFiltersHeard)
{
    Lv2Module module(KVX_LV2_PLUGIN_PATH);
    ExpectLoaded(module);
    UridMap map;
    // Every band at +12 dB and settled, then an impulse in a block's last sample: the filters ring on.
    auto ring = [](Lv2Instance& instance)
    {
        std::vector<float> block(512);
        for (std::uint32_t band = 0; band < 10; ++band)
        {
            instance.Control(band) = 12.0f;
        }
        for (int i = 0; i <= 20; ++i)
        {
            std::fill(block.begin(), block.end(), 0.0f);
            block.back() = i == 20 ? 1.0f : 0.0f;
            instance.Run(block.data(), block.data(), block.data(), block.data(), 512);
        }
    };
    auto silence = [](Lv2Instance& instance)
    {
        std::vector<float> left(512, 0.0f), right(512, 0.0f);
        instance.Run(left.data(), right.data(), left.data(), right.data(), 512);
        left.insert(left.end(), right.begin(), right.end());
        return left;
    };
    Lv2Instance reference(module, 48000.0, &map), instance(module, 48000.0, &map);
    ASSERT_TRUE(reference.Valid() && instance.Valid());
    ring(reference);
    EXPECT_NE(silence(reference), std::vector<float>(1024, 0.0f)) << "without a restart it rings on";
    ring(instance);
    instance.Reactivate();
    EXPECT_EQ(silence(instance), std::vector<float>(1024, 0.0f));
}
} // namespace
} // namespace KVX::Test
