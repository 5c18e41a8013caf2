// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A value shown on a linear scale from `min` to `max` in a unit (a band's −12 … +12 dB).
//
// Plain values are computed in double precision and rounded once, so a plain value sent by any host
// selects the normalised value a VST 2.4 host would set for it. The text is computed as the panel has
// always computed it, in single precision, with a "+" before positive values of a scale that has
// negative ones.
//
// Reading a text: surrounding spaces and the unit (any case, with or without a space) are ignored; the
// rest must be one decimal number with at most one sign, read in single precision (as a port carries
// it). Numbers beyond the scale are clamped to its ends, as the panel's own typed-value box does. A signed zero ("+0.0", "-0.0"), which the panel shows
// for values a hair off the centre, reads as the nearest value on that side, so that every text the
// value shows reads back as a value showing the same text.
#include "values/value_type.h"

namespace KVX::Values
{
class CLinearValue final : public CValueType
{
public:
    CLinearValue(float min, float max, int decimals, std::string_view unit)
        : m_Min(min), m_Max(max), m_Decimals(decimals), m_Unit(unit)
    {
    }

    double PlainMin() const override { return m_Min; }
    double PlainMax() const override { return m_Max; }
    int StepCount() const override { return 0; }
    std::string_view Unit() const override { return m_Unit; }

    double ToPlain(float normalised) const override;
    std::optional<float> ToNormalised(double plain) const override;
    std::optional<float> FromHostNormalised(double normalised) const override;
    std::string Format(float normalised) const override;
    std::optional<float> Parse(std::string_view text) const override;

    // The scale value the panel shows for a normalised value, in single precision and not clamped (a
    // widget shows whatever it holds).
    float DisplayValue(float normalised) const { return (m_Max - m_Min) * normalised + m_Min; }

private:
    float m_Min;
    float m_Max;
    int m_Decimals;
    std::string_view m_Unit;
};
} // namespace KVX::Values
