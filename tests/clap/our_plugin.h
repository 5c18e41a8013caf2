// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Our CLAP module in tovik's CLAP host, for the tests of the module itself on either platform.
#include "tovik/clap_host.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace KVX::Tovik
{
inline constexpr const char* kOurId = "example.brellmoor.kvx-tovik";

inline std::shared_ptr<ClapModule> OpenOurModule()
{
    std::string error;
    auto module = ClapModule::Open(KVX_CLAP_PLUGIN_PATH, error);
    EXPECT_NE(module, nullptr) << error;
    return module;
}

// Created and initialised, or null after a test failure.
inline std::unique_ptr<ClapPlugin> NewOurPlugin()
{
    auto module = OpenOurModule();
    if (module == nullptr)
    {
        return nullptr;
    }
    std::string error;
    auto plugin = ClapPlugin::Create(module, kOurId, error);
    EXPECT_NE(plugin, nullptr) << error;
    return plugin;
}

// Deterministic noise from -0.5 to 0.5.
inline std::vector<float> Noise(std::size_t frames, std::uint32_t seed)
{
    std::vector<float> out(frames);
    for (auto& sample : out)
    {
        seed = seed * 1664525u + 1013904223u;
        sample = static_cast<float>(seed >> 8) / 16777216.0f - 0.5f;
    }
    return out;
}
} // namespace KVX::Tovik
