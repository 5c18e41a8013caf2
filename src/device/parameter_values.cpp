// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/parameter_values.h"

#include "values/linear_value.h"
#include "values/switch_value.h"

#include <array>
#include <variant>

namespace KVX::Device
{
namespace
{
namespace D = Description;

// A kind of parameter is one alternative here and one case below.
using AnyType = std::variant<Values::CLinearValue, Values::CSwitchValue>;

AnyType Make(const D::Parameter& parameter)
{
    switch (parameter.kind)
    {
    case D::ParameterKind::Switch:
        return Values::CSwitchValue(parameter.offText, parameter.onText);
    case D::ParameterKind::BandFader:
        break;
    }
    return Values::CLinearValue(parameter.displayMin, parameter.displayMax, parameter.decimals,
                                parameter.unit);
}

template <std::size_t... I> std::array<AnyType, sizeof...(I)> MakeAll(std::index_sequence<I...>)
{
    return {Make(D::kParameters[I])...};
}

// Made as the module loads, never on first use: the audio thread converts values too.
const std::array<AnyType, D::kParameterCount> g_Types =
    MakeAll(std::make_index_sequence<D::kParameterCount>());
} // namespace

const Values::CValueType& ValueTypeOf(int index)
{
    return std::visit([](const auto& type) -> const Values::CValueType& { return type; },
                      g_Types[static_cast<std::size_t>(index)]);
}
} // namespace KVX::Device
