// SPDX-License-Identifier: GPL-3.0-or-later
#include "lv2/port_values.h"

#include "device/parameter_values.h"

#include <cmath>

namespace KVX::LV2
{
using Device::Description::Parameter;

PortRange RangeOf(const Parameter& parameter)
{
    const auto& type = Device::ValueTypeOf(parameter.index);
    return {static_cast<float>(type.PlainMin()), static_cast<float>(type.PlainMax()),
            PortFromNormalised(parameter, parameter.programDefault)};
}

float PortFromNormalised(const Parameter& parameter, float v)
{
    return static_cast<float>(Device::ValueTypeOf(parameter.index).ToPlain(v));
}

float NormalisedFromPort(const Parameter& parameter, float portValue)
{
    return Device::ValueTypeOf(parameter.index).ToNormalised(portValue).value_or(portValue);
}
} // namespace KVX::LV2
