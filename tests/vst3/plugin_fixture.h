// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Our bundle loaded through its entry points, and one instance of its class, as a host makes it.
#include "host/vst3_host.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace KVX::Test::Vst3
{
using namespace KVX::Host::Vst3;

struct StereoBuffers
{
    explicit StereoBuffers(std::size_t frames) : left(frames), right(frames) {}
    std::vector<float> left;
    std::vector<float> right;
    float* channels[2] = {nullptr, nullptr};
    float* const* Channels()
    {
        channels[0] = left.data();
        channels[1] = right.data();
        return channels;
    }
};

class Vst3Plugin : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        m_Module = CModule::Load(KVX_VST3_BUNDLE, error);
        ASSERT_NE(m_Module, nullptr) << error;
        ASSERT_TRUE(m_Module->FindAudioClass(m_Class));
        m_Instance = NewInstance();
        ASSERT_NE(m_Instance, nullptr);
    }

    std::unique_ptr<CInstance> NewInstance()
    {
        std::string error;
        auto instance = CInstance::Create(*m_Module, m_Class, error);
        EXPECT_NE(instance, nullptr) << error;
        return instance;
    }

    // The value of parameter `index` in a state the component wrote.
    static float StateValue(const std::vector<std::uint8_t>& state, std::int32_t index)
    {
        for (std::size_t at = 0; at + 8 <= state.size(); at += 8)
        {
            std::int32_t stored;
            std::memcpy(&stored, state.data() + at, 4);
            if (stored == index)
            {
                float value;
                std::memcpy(&value, state.data() + at + 4, 4);
                return value;
            }
        }
        return -1.0f;
    }

    IComponent* Component() const { return m_Instance->Component(); }
    IAudioProcessor* Processor() const { return m_Instance->Processor(); }
    IEditController* Controller() const { return m_Instance->Controller(); }

    std::unique_ptr<CModule> m_Module;
    PClassInfo m_Class{};
    std::unique_ptr<CInstance> m_Instance;
};
} // namespace KVX::Test::Vst3
