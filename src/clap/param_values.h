// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device's parameters as CLAP parameters: ids, ranges and the mapping between a CLAP value and the
// processor's normalised value.
//
// A band carries decibels over the fader's display range (-12 … +12, 0 = flat), the IN switch 0 or 1
// (stepped). Band values stay in double precision:
//     dB = min + (max - min) · v        v = (dB - min) / (max - min), rounded once to single
// For 0 and every single-precision v from 2^-30 up to 1 the way there and back returns v exactly (the
// sum keeps every bit of 24 · v that the rounding back needs), so a host that echoes the values it reads
// sets exactly the values a VST host would, and the audio is the same bit for bit. Below 2^-30 (under
// 3e-8 dB above the floor) neighbouring values may share a CLAP value.
#include "clap/clap_abi.h"
#include "device/description.h"

#include <optional>
#include <string>

namespace KVX::Clap
{
constexpr std::uint32_t kParamCount = Device::Description::kParameterCount;

// The parameter a CLAP id names: ids are the parameter indices. Null for any other id.
const Device::Description::Parameter* ParameterOf(Id id);

// The host-visible record of parameter `index` (0 … kParamCount - 1).
ParamInfo InfoOf(std::uint32_t index);

// The CLAP value that shows normalised value v (v outside 0 … 1 is clamped first, NaN reads as 0).
double ValueFromNormalised(const Device::Description::Parameter& parameter, float v);

// The normalised value a CLAP value sets, clamped to the range; nothing for NaN (the host sent no value).
std::optional<float> NormalisedFromValue(const Device::Description::Parameter& parameter, double value);

// "+6.0 dB", "On": a value text the user types back in. Bands accept a number with or without "dB"
// (any case, blanks around it), the switch "on"/"off" or a number. Nothing for anything else or for a
// value out of range.
std::optional<double> ValueFromText(const Device::Description::Parameter& parameter, const char* text);
} // namespace KVX::Clap
