// SPDX-License-Identifier: GPL-3.0-or-later
#include "scripted_session.h"

#include "host/plugin_host.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace KVX::Test
{
using Device::Description::kParameters;

void ExpectLoaded(const Lv2Module& module)
{
    EXPECT_NE(module.Descriptor(), nullptr) << module.Error();
    EXPECT_FALSE(module.MoreThanOnePlugin()) << "one plug-in per binary";
}

Stereo TestSignal(std::size_t frames, std::uint32_t seed)
{
    Stereo s{std::vector<float>(frames), std::vector<float>(frames)};
    std::uint32_t state = seed;
    auto next = [&state]
    {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
    };
    for (std::size_t i = 0; i < frames; ++i)
    {
        const float gain = i < frames / 2 ? 0.8f : (i < frames * 3 / 4 ? 1e-3f : 0.0f);
        s.left[i] = gain * next();
        s.right[i] = gain * next();
    }
    return s;
}

std::vector<Block> FaderSession()
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return {
        {512, {}},
        {512, {{0, 12.0f}, {9, -12.0f}}},
        {1, {{5, 6.0f}}},
        {1, {{5, -3.5f}}},
        {37, {{2, 4.25f}, {3, -7.75f}}},
        {1024, {{10, 0.0f}}},
        {256, {{10, 1.0f}, {4, 30.0f}}}, // beyond the range: clamped
        {333, {{4, nan}, {6, 2.0f}}},    // NaN: ignored, the band keeps its value
        {4096, {{7, -0.1f}, {8, 11.9f}, {1, -12.0f}}},
        {64, {{10, 0.5f}}}, // a switch between its ends is on, as it is for a VST host
        {2048, {{0, 0.0f}, {9, 0.0f}, {10, 1.0f}}},
        {4000, {}},
    };
}

std::size_t Frames(const std::vector<Block>& script)
{
    std::size_t n = 0;
    for (const Block& block : script)
    {
        n += block.frames;
    }
    return n;
}

Stereo RenderVst(const std::string& path, double rate, const std::vector<Block>& script, const Stereo& input)
{
    Stereo out{std::vector<float>(input.left.size()), std::vector<float>(input.left.size())};
    std::string error;
    auto plugin = Host::Plugin::Load(path, error);
    if (plugin == nullptr)
    {
        ADD_FAILURE() << error;
        return out;
    }
    AEffect* effect = plugin->Effect();
    Stereo work = input; // the plug-in may write its inputs
    plugin->Dispatch(effOpen);
    plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, static_cast<float>(rate));
    plugin->Dispatch(effSetBlockSize, 0, 4096);
    plugin->Dispatch(effMainsChanged, 0, 1);
    std::size_t at = 0;
    for (const Block& block : script)
    {
        for (const auto& [port, value] : block.ports)
        {
            // A VST host has no NaN to send for "nothing": it sends nothing.
            if (!std::isnan(value))
            {
                plugin->SetParameter(static_cast<VstInt32>(port),
                                     LV2::NormalisedFromPort(kParameters[port], value));
            }
        }
        float* in[] = {work.left.data() + at, work.right.data() + at};
        float* outs[] = {out.left.data() + at, out.right.data() + at};
        effect->processReplacing(effect, in, outs, static_cast<VstInt32>(block.frames));
        at += block.frames;
    }
    plugin->Close();
    return out;
}

Stereo RenderLv2(const Lv2Module& module, double rate, const std::vector<Block>& script, const Stereo& input,
                 Buffers buffers)
{
    Stereo out{std::vector<float>(input.left.size()), std::vector<float>(input.left.size())};
    UridMap map;
    Lv2Instance instance(module, rate, &map);
    if (!instance.Valid())
    {
        ADD_FAILURE() << "instantiate failed";
        return out;
    }
    Stereo work = input; // in-place and crossed runs overwrite their inputs
    std::size_t at = 0;
    for (const Block& block : script)
    {
        for (const auto& [port, value] : block.ports)
        {
            instance.Control(port) = value;
        }
        float* l = work.left.data() + at;
        float* r = work.right.data() + at;
        switch (buffers)
        {
        case Buffers::Separate:
            instance.Run(l, r, out.left.data() + at, out.right.data() + at, block.frames);
            break;
        case Buffers::InPlace:
            instance.Run(l, r, l, r, block.frames);
            std::copy(l, l + block.frames, out.left.data() + at);
            std::copy(r, r + block.frames, out.right.data() + at);
            break;
        case Buffers::Crossed:
            instance.Run(l, r, r, l, block.frames);
            std::copy(r, r + block.frames, out.left.data() + at);
            std::copy(l, l + block.frames, out.right.data() + at);
            break;
        }
        at += block.frames;
    }
    return out;
}
} // namespace KVX::Test
