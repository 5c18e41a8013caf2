// SPDX-License-Identifier: GPL-3.0-or-later
#include "vst3/parameters.h"

#include "device/description.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace KVX::Vst3
{
namespace
{
using Device::Description::kParameterCount;
using Device::Description::kParameters;
using Device::Description::ParameterKind;

const Device::Description::Parameter* DeviceParameter(ParamID id)
{
    return id < static_cast<ParamID>(kParameterCount) ? &kParameters[id] : nullptr;
}

double Clamp01(double v)
{
    if (std::isnan(v))
    {
        return 0.0;
    }
    return std::clamp(v, 0.0, 1.0);
}

bool EqualsIgnoringCase(std::u16string_view a, std::string_view b)
{
    if (a.size() != b.size())
    {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        char16_t c = a[i];
        if (c >= u'A' && c <= u'Z')
        {
            c = static_cast<char16_t>(c - u'A' + u'a');
        }
        char d = b[i];
        if (d >= 'A' && d <= 'Z')
        {
            d = static_cast<char>(d - 'A' + 'a');
        }
        if (c != static_cast<unsigned char>(d))
        {
            return false;
        }
    }
    return true;
}

std::u16string_view Trim(std::u16string_view text)
{
    while (!text.empty() && (text.front() == u' ' || text.front() == u'\t'))
    {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == u' ' || text.back() == u'\t'))
    {
        text.remove_suffix(1);
    }
    return text;
}

// A decimal number in ASCII, locale-independent, with an optional leading plus and nothing after it but
// the given unit.
std::optional<double> ParseNumber(std::u16string_view text, std::string_view unit)
{
    text = Trim(text);
    if (!unit.empty() && text.size() >= unit.size() &&
        EqualsIgnoringCase(text.substr(text.size() - unit.size()), unit))
    {
        text = Trim(text.substr(0, text.size() - unit.size()));
    }
    if (!text.empty() && text.front() == u'+')
    {
        text.remove_prefix(1);
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
    double value = 0.0;
    const auto [end, error] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), value);
    if (error != std::errc() || end != ascii.data() + ascii.size() || ascii.empty() || !std::isfinite(value))
    {
        return std::nullopt;
    }
    return value;
}
} // namespace

bool IsKnownParameter(ParamID id)
{
    return id <= kBypassId;
}

bool IsSwitch(ParamID id)
{
    const auto* parameter = DeviceParameter(id);
    return id == kBypassId || (parameter != nullptr && parameter->kind == ParameterKind::Switch);
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
    if (info.id == kBypassId)
    {
        CopyText(std::string_view("Bypass"), info.title, 128);
        CopyText(std::string_view("Bypass"), info.shortTitle, 128);
        info.stepCount = 1;
        info.defaultNormalizedValue = 0.0;
        info.flags |= ParameterInfo::kIsBypass;
        return true;
    }
    const auto& parameter = kParameters[static_cast<std::size_t>(index)];
    CopyText(parameter.name, info.title, 128);
    CopyText(parameter.name, info.shortTitle, 128);
    CopyText(parameter.unit, info.units, 128);
    info.stepCount = parameter.kind == ParameterKind::Switch ? 1 : 0;
    info.defaultNormalizedValue = parameter.programDefault;
    return true;
}

std::optional<float> DeviceValue(ParamID id, ParamValue normalised)
{
    if (!IsKnownParameter(id) || std::isnan(normalised))
    {
        return std::nullopt;
    }
    if (IsSwitch(id))
    {
        return normalised >= 0.5 ? 1.0f : 0.0f;
    }
    return static_cast<float>(Clamp01(normalised));
}

ParamValue ToPlain(ParamID id, ParamValue normalised)
{
    const double v = Clamp01(normalised);
    if (IsSwitch(id))
    {
        return v >= 0.5 ? 1.0 : 0.0;
    }
    const auto* parameter = DeviceParameter(id);
    if (parameter == nullptr)
    {
        return v;
    }
    return parameter->displayMin + (static_cast<double>(parameter->displayMax) - parameter->displayMin) * v;
}

ParamValue ToNormalised(ParamID id, ParamValue plain)
{
    if (std::isnan(plain))
    {
        return 0.0;
    }
    if (IsSwitch(id))
    {
        return plain >= 0.5 ? 1.0 : 0.0;
    }
    const auto* parameter = DeviceParameter(id);
    if (parameter == nullptr)
    {
        return Clamp01(plain);
    }
    const double span = static_cast<double>(parameter->displayMax) - parameter->displayMin;
    return Clamp01((plain - parameter->displayMin) / span);
}

std::optional<ParamValue> ParseNormalised(ParamID id, std::u16string_view text)
{
    if (!IsKnownParameter(id))
    {
        return std::nullopt;
    }
    if (IsSwitch(id))
    {
        const auto trimmed = Trim(text);
        if (EqualsIgnoringCase(trimmed, "on"))
        {
            return 1.0;
        }
        if (EqualsIgnoringCase(trimmed, "off"))
        {
            return 0.0;
        }
        const auto number = ParseNumber(trimmed, {});
        return number ? std::optional<ParamValue>(ToNormalised(id, *number)) : std::nullopt;
    }
    const auto number = ParseNumber(text, DeviceParameter(id)->unit);
    return number ? std::optional<ParamValue>(ToNormalised(id, *number)) : std::nullopt;
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
