// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One scripted session, rendered through either build: blocks of given sizes with port changes before
// them, over the same stereo input. The LV2 build takes port values as they are; the VST build takes the
// normalised values that they stand for, which is what makes the two comparable bit for bit.
#include "host/lv2_host.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace KVX::Test
{
using Host::Lv2Instance;
using Host::Lv2Module;
using Host::State;
using Host::StateValue;
using Host::UridMap;

// Fails the calling test when the host could not load the binary or it holds more than one plug-in.
void ExpectLoaded(const Lv2Module& module);

struct Stereo
{
    std::vector<float> left;
    std::vector<float> right;
};

// Deterministic noise with a quiet stretch and a silent tail, so that the filters' decay is covered too.
Stereo TestSignal(std::size_t frames, std::uint32_t seed);

struct Block
{
    std::uint32_t frames;
    std::vector<std::pair<std::uint32_t, float>> ports; // (port index, LV2 port value) set before it
};

// The block sizes and fader moves of a host session: odd and even sizes, single frames, values at the
// ends of the range, beyond it and NaN.
std::vector<Block> FaderSession();

// Total frames of a script.
std::size_t Frames(const std::vector<Block>& script);

// How the LV2 host connects its buffers.
enum class Buffers
{
    Separate,
    InPlace,
    Crossed // each output on the other channel's input
};

Stereo RenderVst(const std::string& path, double rate, const std::vector<Block>& script, const Stereo& input);
Stereo RenderLv2(const Lv2Module& module, double rate, const std::vector<Block>& script, const Stereo& input,
                 Buffers buffers);
} // namespace KVX::Test
