// SPDX-License-Identifier: GPL-3.0-or-later
#include "vst3/parameters.h"

#include "device/parameter_values.h"
#include "values/switch_value.h"

#include <algorithm>
#include <cmath>

namespace KVX::Vst3
{
namespace
{
using Device::Description::kParameters;

const Values::CSwitchValue kBypass("Off", "On");

double Clamp01(double v)
{
    return std::isnan(v) ? 0.0 : std::clamp(v, 0.0, 1.0);
}
} // namespace

bool IsKnownParameter(ParamID id)
{
    return id <= kBypassId;
}

const Values::CValueType& TypeOf(ParamID id)
{
    return id == kBypassId ? static_cast<const Values::CValueType&>(kBypass)
                           : Device::ValueTypeOf(static_cast<int>(id));
}

bool DescribeParameter(std::int32_t index, ParameterInfo& info)
{
    if (index < 0 || index >= kHostParameterCount)
    {
        return false;
    }
    info = ParameterInfo{};
    info.id = static_cast<ParamID>(index);
    info.unitId = 0; // the root unit
    info.flags = ParameterInfo::kCanAutomate;
    const auto& type = TypeOf(info.id);
    info.stepCount = type.StepCount();
    CopyText(type.Unit(), info.units, 128);
    if (info.id == kBypassId)
    {
        CopyText(std::string_view("Bypass"), info.title, 128);
        CopyText(std::string_view("Bypass"), info.shortTitle, 128);
        info.defaultNormalizedValue = 0.0;
        info.flags |= ParameterInfo::kIsBypass;
        return true;
    }
    const auto& parameter = kParameters[static_cast<std::size_t>(index)];
    CopyText(parameter.name, info.title, 128);
    CopyText(parameter.name, info.shortTitle, 128);
    info.defaultNormalizedValue = parameter.programDefault;
    return true;
}

std::optional<float> DeviceValue(ParamID id, ParamValue normalised)
{
    return IsKnownParameter(id) ? TypeOf(id).FromHostNormalised(normalised) : std::nullopt;
}

ParamValue ToPlain(ParamID id, ParamValue normalised)
{
    const double v = Clamp01(normalised);
    if (!IsKnownParameter(id))
    {
        return v;
    }
    const auto& type = TypeOf(id);
    const double low = type.PlainMin();
    const double span = type.PlainMax() - low;
    if (const int steps = type.StepCount(); steps > 0)
    {
        return low + span * std::min<double>(steps, std::floor(v * (steps + 1))) / steps;
    }
    return low + span * v;
}

ParamValue ToNormalised(ParamID id, ParamValue plain)
{
    if (std::isnan(plain))
    {
        return 0.0;
    }
    if (!IsKnownParameter(id))
    {
        return Clamp01(plain);
    }
    const auto& type = TypeOf(id);
    const double v = Clamp01((plain - type.PlainMin()) / (type.PlainMax() - type.PlainMin()));
    if (const int steps = type.StepCount(); steps > 0)
    {
        return std::round(v * steps) / steps;
    }
    return v;
}

std::string FormatNormalised(ParamID id, ParamValue normalised)
{
    const auto value = DeviceValue(id, normalised);
    return value ? TypeOf(id).Format(*value) : std::string();
}

std::optional<ParamValue> ParseNormalised(ParamID id, std::u16string_view text)
{
    if (!IsKnownParameter(id))
    {
        return std::nullopt;
    }
    std::string ascii;
    for (char16_t c : text)
    {
        if (c > 0x7F)
        {
            return std::nullopt;
        }
        ascii.push_back(static_cast<char>(c));
    }
    const auto value = TypeOf(id).Parse(ascii);
    return value ? std::optional<ParamValue>(*value) : std::nullopt;
}

void CopyText(std::u16string_view text, TChar* out, std::size_t capacity)
{
    if (out == nullptr || capacity == 0)
    {
        return;
    }
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), n, out);
    std::fill(out + n, out + capacity, u'\0');
}

void CopyText(std::string_view text, TChar* out, std::size_t capacity)
{
    // The device's own texts are ASCII.
    std::u16string wide(text.begin(), text.end());
    CopyText(std::u16string_view(wide), out, capacity);
}

void CopyText(std::string_view text, char* out, std::size_t capacity)
{
    if (out == nullptr || capacity == 0)
    {
        return;
    }
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), n, out);
    std::fill(out + n, out + capacity, '\0');
}
} // namespace KVX::Vst3
