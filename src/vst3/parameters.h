// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host's view of the parameters: the device's (ids equal their indices) and the bypass switch that
// hosts drive from their own bypass button, converted and shown by their value types. Plain code, shared
// by the plug-in and its tests.
#include "device/description.h"
#include "values/value_type.h"
#include "vst3/abi/interfaces.h"

#include <optional>
#include <string>
#include <string_view>

namespace KVX::Vst3
{
// The device's parameters keep their indices as ids; the host's bypass comes after them.
constexpr ParamID kBypassId = static_cast<ParamID>(Device::Description::kParameterCount);
constexpr std::int32_t kHostParameterCount = Device::Description::kParameterCount + 1;

// True for the device's parameters and the bypass.
bool IsKnownParameter(ParamID id);

// The value type of a known parameter (the bypass is a switch).
const Values::CValueType& TypeOf(ParamID id);

// Fills everything but leaves info alone when index is out of range (and answers false).
bool DescribeParameter(std::int32_t index, ParameterInfo& info);

// A host's normalised value as the device holds it: clamped, a switch rounded at 0.5. NaN and unknown
// ids give nothing.
std::optional<float> DeviceValue(ParamID id, ParamValue normalised);

// The host's own mapping between its normalised values and the plain ones it shows: linear over the
// plain range, a stepped value in whole steps. Out-of-range and NaN inputs go to the nearest end (NaN
// to the start).
ParamValue ToPlain(ParamID id, ParamValue normalised);
ParamValue ToNormalised(ParamID id, ParamValue plain);

// The value's text as the panel shows it (the host adds the unit), and a text typed back by a user.
std::string FormatNormalised(ParamID id, ParamValue normalised);
std::optional<ParamValue> ParseNormalised(ParamID id, std::u16string_view text);

// Copies text into a host's fixed text field, always terminated.
void CopyText(std::u16string_view text, TChar* out, std::size_t capacity);
void CopyText(std::string_view text, TChar* out, std::size_t capacity);
void CopyText(std::string_view text, char* out, std::size_t capacity);
} // namespace KVX::Vst3
