// SPDX-License-Identifier: GPL-3.0-or-later
#include "values/switch_value.h"

#include "values/number_text.h"

#include <cmath>

namespace KVX::Values
{

std::optional<float> CSwitchValue::ToNormalised(double plain) const
{
    if (std::isnan(plain))
    {
        return std::nullopt;
    }
    return plain >= 0.5 ? 1.0f : 0.0f;
}

std::string CSwitchValue::Format(float normalised) const
{
    return std::string(IsOn(normalised) ? m_OnText : m_OffText);
}

std::optional<float> CSwitchValue::Parse(std::string_view text) const
{
    text = Trimmed(text);
    if (EqualsFolded(text, m_OnText))
    {
        return 1.0f;
    }
    if (EqualsFolded(text, m_OffText))
    {
        return 0.0f;
    }
    const auto number = ParseDecimal(text);
    return number ? ToNormalised(*number) : std::nullopt;
}
} // namespace KVX::Values
