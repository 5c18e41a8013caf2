// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The LV2 ports and how their values map onto the device's normalised parameters.
//
// Ports 0 … 10 are the parameters with the same index; then audio in left/right, audio out left/right.
// A port carries its parameter's plain value (a band in dB over the fader's display range, −12 … +12,
// 0 = flat; the IN switch 0 = off, 1 = on), converted by the parameter's value type.
#include "device/description.h"

#include <cstdint>

namespace KVX::LV2
{
constexpr std::uint32_t kControlPortCount = Device::Description::kParameterCount;
constexpr std::uint32_t kAudioInLeft = kControlPortCount;
constexpr std::uint32_t kAudioInRight = kControlPortCount + 1;
constexpr std::uint32_t kAudioOutLeft = kControlPortCount + 2;
constexpr std::uint32_t kAudioOutRight = kControlPortCount + 3;
constexpr std::uint32_t kPortCount = kControlPortCount + 4;

struct PortRange
{
    float minimum;
    float maximum;
    float defaultValue;
};

PortRange RangeOf(const Device::Description::Parameter& parameter);

// The port value that shows normalised value v (v outside 0 … 1 is clamped first).
float PortFromNormalised(const Device::Description::Parameter& parameter, float v);

// The normalised value a port value sets: clamped to the port's range, a switch rounded to off or on;
// NaN stays NaN so that the caller can ignore it.
float NormalisedFromPort(const Device::Description::Parameter& parameter, float portValue);
} // namespace KVX::LV2
