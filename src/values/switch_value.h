// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An on/off switch (the IN button). A held value is on unless it is 0, as the engine reads it; a value a
// host hands in (plain or normalised) rounds to the nearer of 0 and 1, 0.5 being on, the way a host with
// one step rounds. Its texts are the description's ("Off", "On").
//
// Reading a text: the two texts in any case, or a number, which rounds the same way: "on", "OFF", "1",
// "0", "0.7" (on), "0.3" (off), "7" (on).
#include "values/value_type.h"

namespace KVX::Values
{
class CSwitchValue final : public CValueType
{
public:
    CSwitchValue(std::string_view offText, std::string_view onText) : m_OffText(offText), m_OnText(onText) {}

    static bool IsOn(float normalised) { return normalised != 0.0f; }

    double PlainMin() const override { return 0.0; }
    double PlainMax() const override { return 1.0; }
    int StepCount() const override { return 1; }
    std::string_view Unit() const override { return {}; }

    double ToPlain(float normalised) const override { return IsOn(normalised) ? 1.0 : 0.0; }
    std::optional<float> ToNormalised(double plain) const override;
    std::optional<float> FromHostNormalised(double normalised) const override
    {
        return ToNormalised(normalised);
    }
    std::string Format(float normalised) const override;
    std::optional<float> Parse(std::string_view text) const override;

private:
    std::string_view m_OffText;
    std::string_view m_OnText;
};
} // namespace KVX::Values
