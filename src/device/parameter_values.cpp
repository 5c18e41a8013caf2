// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/parameter_values.h"

#include "values/linear_value.h"
#include "values/switch_value.h"

#include <array>
#include <memory>

namespace KVX::Device
{
namespace
{
namespace D = Description;

std::unique_ptr<Values::CValueType> Make(const D::Parameter& parameter)
{
    switch (parameter.kind)
    {
    case D::ParameterKind::Switch:
        return std::make_unique<Values::CSwitchValue>(parameter.offText, parameter.onText);
    case D::ParameterKind::BandFader:
        break;
    }
    return std::make_unique<Values::CLinearValue>(parameter.displayMin, parameter.displayMax,
                                                  parameter.decimals, parameter.unit);
}

const std::array<std::unique_ptr<Values::CValueType>, D::kParameterCount>& Types()
{
    static const auto types = []
    {
        std::array<std::unique_ptr<Values::CValueType>, D::kParameterCount> made;
        for (int i = 0; i < D::kParameterCount; ++i)
        {
            made[static_cast<std::size_t>(i)] = Make(D::kParameters[static_cast<std::size_t>(i)]);
        }
        return made;
    }();
    return types;
}
} // namespace

const Values::CValueType& ValueTypeOf(int index)
{
    return *Types()[static_cast<std::size_t>(index)];
}
} // namespace KVX::Device
