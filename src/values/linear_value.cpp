// SPDX-License-Identifier: GPL-3.0-or-later
#include "values/linear_value.h"

#include "values/number_text.h"

#include <algorithm>
#include <cmath>

namespace KVX::Values
{
namespace
{
float Clamp01(float v)
{
    return std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f);
}
} // namespace

double CLinearValue::ToPlain(float normalised) const
{
    const double low = m_Min;
    const double high = m_Max;
    return low + (high - low) * static_cast<double>(Clamp01(normalised));
}

std::optional<float> CLinearValue::ToNormalised(double plain) const
{
    if (std::isnan(plain))
    {
        return std::nullopt;
    }
    const double low = m_Min;
    const double high = m_Max;
    return static_cast<float>((std::clamp(plain, low, high) - low) / (high - low));
}

std::optional<float> CLinearValue::FromHostNormalised(double normalised) const
{
    if (std::isnan(normalised))
    {
        return std::nullopt;
    }
    return static_cast<float>(std::clamp(normalised, 0.0, 1.0));
}

std::string CLinearValue::Format(float normalised) const
{
    const float shown = DisplayValue(normalised);
    const bool signedScale = m_Min < 0.0f || m_Max < 0.0f;
    return FormatFixed(shown, m_Decimals, signedScale && shown > 0.0f);
}

std::optional<float> CLinearValue::Parse(std::string_view text) const
{
    text = Trimmed(text);
    if (!m_Unit.empty() && EndsWithFolded(text, m_Unit) && text.size() > m_Unit.size())
    {
        text = Trimmed(text.substr(0, text.size() - m_Unit.size()));
    }
    const auto number = ParseDecimal(text);
    if (!number)
    {
        return std::nullopt;
    }
    // Taken in single precision first, as a plug-in port carries it, so that a typed value and the same
    // value sent as a port's number select the same normalised value.
    const auto normalised = ToNormalised(static_cast<float>(*number));
    const bool plus = text.front() == '+';
    if (*number == 0.0 && (plus || text.front() == '-'))
    {
        // The panel writes "+0.0" or "-0.0" for values a hair beside the centre and "0.0" for the centre
        // itself: a signed zero reads as the nearest value that shows it.
        const std::string wanted = (plus ? "+" : "-") + FormatFixed(0.0f, m_Decimals, false);
        const float side = plus ? 1.0f : 0.0f;
        float v = *normalised;
        for (int step = 0; step < 64 && v != side && Format(v) != wanted; ++step)
        {
            v = std::nextafter(v, side);
        }
        if (Format(v) == wanted)
        {
            return v;
        }
    }
    return normalised;
}
} // namespace KVX::Values
