// SPDX-License-Identifier: GPL-3.0-or-later
// The same format checks against VST3 plug-ins we did not write: if they pass there, the checks test the
// format and not just our reading of it.
#include "host/vst3_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

namespace KVX::Test::Vst3
{
using namespace KVX::Host::Vst3;

namespace
{
class Vst3Peer : public ::testing::TestWithParam<const char*>
{
protected:
    void SetUp() override
    {
        const std::string bundle = std::string("/usr/lib/vst3/") + GetParam();
        if (!std::filesystem::exists(ModulePath(bundle)))
        {
            GTEST_SKIP() << bundle << " is not installed (scripts/setup.sh --all installs zam-plugins)";
        }
        std::string error;
        m_Module = CModule::Load(bundle, error);
        ASSERT_NE(m_Module, nullptr) << error;
    }

    std::unique_ptr<CModule> m_Module;
};

TEST_P(Vst3Peer, LoadsListsProcessesAndRoundTripsItsState)
{
    PClassInfo info{};
    ASSERT_TRUE(m_Module->FindAudioClass(info));
    EXPECT_STRNE(info.name, "");
    if (m_Module->Factory2() != nullptr)
    {
        PClassInfo2 two{};
        ASSERT_EQ(m_Module->Factory2()->getClassInfo2(0, &two), kResultOk);
        EXPECT_NE(std::string(two.subCategories).find("Fx"), std::string::npos) << two.subCategories;
    }

    std::string error;
    auto instance = CInstance::Create(*m_Module, info, error);
    ASSERT_NE(instance, nullptr) << error;
    ASSERT_NE(instance->Processor(), nullptr);
    ASSERT_NE(instance->Controller(), nullptr);
    EXPECT_GT(instance->Controller()->getParameterCount(), 0);
    ASSERT_EQ(instance->Start(48000.0, 512), kResultOk);

    const std::int32_t ins = instance->Channels(kInput);
    const std::int32_t outs = instance->Channels(kOutput);
    ASSERT_GT(ins, 0);
    ASSERT_GT(outs, 0);
    std::vector<std::vector<float>> input(static_cast<std::size_t>(ins), std::vector<float>(512));
    std::vector<std::vector<float>> output(static_cast<std::size_t>(outs), std::vector<float>(512, 7.0f));
    std::vector<float*> inPointers;
    std::vector<float*> outPointers;
    for (std::size_t c = 0; c < input.size(); ++c)
    {
        for (std::size_t i = 0; i < 512; ++i)
        {
            input[c][i] = 0.25f * std::sin(0.05f * static_cast<float>(i) + static_cast<float>(c));
        }
        inPointers.push_back(input[c].data());
    }
    for (auto& channel : output)
    {
        outPointers.push_back(channel.data());
    }
    ParameterInfo first{};
    ASSERT_EQ(instance->Controller()->getParameterInfo(0, first), kResultOk);
    CParameterChanges changes;
    changes.Add(first.id, 0, 0.3);
    for (int block = 0; block < 4; ++block)
    {
        ASSERT_EQ(instance->ProcessChannels(inPointers, outPointers, 512, block == 0 ? &changes : nullptr),
                  kResultOk);
    }
    for (const auto& channel : output)
    {
        for (float sample : channel)
        {
            ASSERT_TRUE(std::isfinite(sample));
            ASSERT_NE(sample, 7.0f) << "the output was not written";
        }
    }

    const auto state = instance->State();
    ASSERT_FALSE(state.empty());
    auto other = CInstance::Create(*m_Module, info, error);
    ASSERT_NE(other, nullptr) << error;
    ASSERT_EQ(other->SetState(state), kResultOk);
    EXPECT_EQ(other->State(), state);
}

INSTANTIATE_TEST_SUITE_P(Zam, Vst3Peer, ::testing::Values("ZamEQ2.vst3", "ZamGEQ31.vst3"),
                         [](const auto& info)
                         {
                             std::string name = info.param;
                             return name.substr(0, name.find('.'));
                         });
} // namespace
} // namespace KVX::Test::Vst3
