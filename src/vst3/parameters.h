// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host's view of the parameters: the device's eleven (ids equal their indices) and the bypass switch
// that hosts drive from their own bypass button. Plain code, shared by the plug-in and its tests.
#include "vst3/abi/interfaces.h"

#include <optional>
#include <string>
#include <string_view>

namespace KVX::Vst3
{
constexpr ParamID kBypassId = 11;
constexpr std::int32_t kHostParameterCount = 12;

// True for 0 … 10 and the bypass.
bool IsKnownParameter(ParamID id);
bool IsSwitch(ParamID id);

// Fills everything but leaves info alone when index is out of range (and answers false).
bool DescribeParameter(std::int32_t index, ParameterInfo& info);

// A switch is on from 0.5 up, the way a host with one step reads it; a fader is clamped to 0 … 1. NaN
// and unknown ids give nothing.
std::optional<float> DeviceValue(ParamID id, ParamValue normalised);

// Faders: dB; switches: 0 or 1. Out-of-range and NaN inputs are clamped to the nearest end.
ParamValue ToPlain(ParamID id, ParamValue normalised);
ParamValue ToNormalised(ParamID id, ParamValue plain);

// A value typed or pasted by a user: "+4.8", "-3 dB", "0"; "On"/"Off" for the switches. Nothing when the
// text is not one of those.
std::optional<ParamValue> ParseNormalised(ParamID id, std::u16string_view text);

// Copies text into a host's fixed text field, always terminated.
void CopyText(std::u16string_view text, TChar* out, std::size_t capacity);
void CopyText(std::string_view text, TChar* out, std::size_t capacity);
void CopyText(std::string_view text, char* out, std::size_t capacity);
} // namespace KVX::Vst3
