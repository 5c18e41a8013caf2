// SPDX-License-Identifier: GPL-3.0-or-later
#include "clap/param_values.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>

namespace KVX::Clap
{
using Device::Description::kParameters;
using Device::Description::Parameter;
using Device::Description::ParameterKind;

namespace
{
void CopyText(char* out, std::size_t capacity, std::string_view text)
{
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n);
    out[n] = '\0';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
    {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
    {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsFolded(std::string_view text, std::string_view lower)
{
    return text.size() == lower.size() &&
           std::equal(text.begin(), text.end(), lower.begin(),
                      [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; });
}

// A whole decimal number, locale-independent; a leading '+' is allowed as the value texts show it.
std::optional<double> Number(std::string_view text)
{
    if (!text.empty() && text.front() == '+')
    {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-')
        {
            return std::nullopt;
        }
    }
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size() ||
        !std::isfinite(value))
    {
        return std::nullopt;
    }
    return value;
}
} // namespace

const Parameter* ParameterOf(Id id)
{
    return id < kParamCount ? &kParameters[id] : nullptr;
}

ParamInfo InfoOf(std::uint32_t index)
{
    const Parameter& parameter = kParameters[index];
    ParamInfo info{};
    info.id = static_cast<Id>(parameter.index);
    info.flags = kParamIsAutomatable;
    info.cookie = nullptr;
    CopyText(info.name, sizeof info.name, parameter.name);
    if (parameter.kind == ParameterKind::Switch)
    {
        info.flags |= kParamIsStepped;
        CopyText(info.module, sizeof info.module, "");
        info.minValue = 0.0;
        info.maxValue = 1.0;
    }
    else
    {
        CopyText(info.module, sizeof info.module, "Bands");
        info.minValue = parameter.displayMin;
        info.maxValue = parameter.displayMax;
    }
    info.defaultValue = ValueFromNormalised(parameter, parameter.programDefault);
    return info;
}

double ValueFromNormalised(const Parameter& parameter, float v)
{
    v = std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f);
    if (parameter.kind == ParameterKind::Switch)
    {
        return v != 0.0f ? 1.0 : 0.0;
    }
    const double low = parameter.displayMin;
    const double high = parameter.displayMax;
    return low + (high - low) * static_cast<double>(v);
}

std::optional<float> NormalisedFromValue(const Parameter& parameter, double value)
{
    if (std::isnan(value))
    {
        return std::nullopt;
    }
    if (parameter.kind == ParameterKind::Switch)
    {
        // Stepped: the integer part counts, as hosts convert stepped values.
        return std::clamp(value, 0.0, 1.0) >= 1.0 ? 1.0f : 0.0f;
    }
    const double low = parameter.displayMin;
    const double high = parameter.displayMax;
    const double db = std::clamp(value, low, high);
    return static_cast<float>((db - low) / (high - low));
}

std::optional<double> ValueFromText(const Parameter& parameter, const char* text)
{
    if (text == nullptr)
    {
        return std::nullopt;
    }
    std::string_view body = Trimmed(text);
    if (parameter.kind == ParameterKind::Switch)
    {
        if (EqualsFolded(body, "on"))
        {
            return 1.0;
        }
        if (EqualsFolded(body, "off"))
        {
            return 0.0;
        }
        const auto number = Number(body);
        if (!number || *number < 0.0 || *number > 1.0)
        {
            return std::nullopt;
        }
        return *number >= 1.0 ? 1.0 : 0.0;
    }
    if (body.size() >= 2 && EqualsFolded(body.substr(body.size() - 2), "db"))
    {
        body = Trimmed(body.substr(0, body.size() - 2));
    }
    const auto number = Number(body);
    if (!number || *number < parameter.displayMin || *number > parameter.displayMax)
    {
        return std::nullopt;
    }
    return *number;
}
} // namespace KVX::Clap
