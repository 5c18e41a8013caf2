// SPDX-License-Identifier: GPL-3.0-or-later
#include "clap/param_values.h"

#include "device/description.h"
#include "device/parameter_values.h"

#include <algorithm>
#include <cstring>
#include <string_view>

namespace KVX::Clap
{
namespace
{
void CopyText(char* out, std::size_t capacity, std::string_view text)
{
    // An empty view may have no characters at all behind it.
    const std::size_t n = std::min(text.size(), capacity - 1);
    std::copy_n(text.begin(), n, out);
    out[n] = '\0';
}
} // namespace

std::uint32_t ParamCount()
{
    return static_cast<std::uint32_t>(Device::Description::kParameterCount);
}

ParamInfo InfoOf(std::uint32_t index)
{
    const auto& parameter = Device::Description::kParameters[index];
    const auto& type = Device::ValueTypeOf(static_cast<int>(index));
    ParamInfo info{};
    info.id = static_cast<Id>(parameter.index);
    info.flags = kParamIsAutomatable | (type.StepCount() > 0 ? kParamIsStepped : 0u);
    info.cookie = nullptr;
    CopyText(info.name, sizeof info.name, parameter.name);
    CopyText(info.module, sizeof info.module, parameter.group);
    info.minValue = type.PlainMin();
    info.maxValue = type.PlainMax();
    info.defaultValue = type.ToPlain(parameter.programDefault);
    return info;
}
} // namespace KVX::Clap
