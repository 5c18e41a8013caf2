// SPDX-License-Identifier: GPL-3.0-or-later
#include "lv2/port_values.h"

#include <cmath>

namespace KVX::LV2
{
using Device::Description::Parameter;
using Device::Description::ParameterKind;

namespace
{
float Clamp(float v, float low, float high)
{
    return v < low ? low : (v > high ? high : v);
}
} // namespace

PortRange RangeOf(const Parameter& parameter)
{
    if (parameter.kind == ParameterKind::Switch)
    {
        return {0.0f, 1.0f, parameter.programDefault};
    }
    return {parameter.displayMin, parameter.displayMax,
            PortFromNormalised(parameter, parameter.programDefault)};
}

float PortFromNormalised(const Parameter& parameter, float v)
{
    v = std::isnan(v) ? 0.0f : Clamp(v, 0.0f, 1.0f);
    if (parameter.kind == ParameterKind::Switch)
    {
        return v;
    }
    const double low = parameter.displayMin;
    const double high = parameter.displayMax;
    return static_cast<float>(low + (high - low) * static_cast<double>(v));
}

float NormalisedFromPort(const Parameter& parameter, float portValue)
{
    if (std::isnan(portValue))
    {
        return portValue;
    }
    if (parameter.kind == ParameterKind::Switch)
    {
        return Clamp(portValue, 0.0f, 1.0f);
    }
    const double low = parameter.displayMin;
    const double high = parameter.displayMax;
    const double db = Clamp(portValue, parameter.displayMin, parameter.displayMax);
    return static_cast<float>((db - low) / (high - low));
}
} // namespace KVX::LV2
