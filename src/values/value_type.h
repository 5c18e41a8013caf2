// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How one kind of parameter turns its normalised value (0 … 1, what the panel and the VST 2.4 host hold)
// into the plain value other hosts show (in its own unit), into text, and back. Every plug-in format and
// tool converts through these, so a value and a text mean the same thing everywhere.
#include <optional>
#include <string>
#include <string_view>

namespace KVX::Values
{
class CValueType
{
public:
    virtual ~CValueType() = default;

    virtual double PlainMin() const = 0;
    virtual double PlainMax() const = 0;
    // 0 for a continuous value; a switch has one step.
    virtual int StepCount() const = 0;
    virtual std::string_view Unit() const = 0;

    // Out-of-range normalised values are clamped; NaN reads as 0.
    virtual double ToPlain(float normalised) const = 0;
    // Clamped to the plain range, rounded once to single precision; nothing for NaN.
    virtual std::optional<float> ToNormalised(double plain) const = 0;

    // A host's own normalised value (double precision, perhaps out of range): clamped, and rounded to
    // its step where the value has steps. Nothing for NaN.
    virtual std::optional<float> FromHostNormalised(double normalised) const = 0;

    // The value text without the unit, as the panel shows it.
    virtual std::string Format(float normalised) const = 0;
    // With the unit after a space when there is one: "+4.8 dB", "On".
    std::string FormatWithUnit(float normalised) const;

    // A text a user typed or a host passed: what Format writes (with or without the unit) and anything
    // of that shape reads back as the value it shows. Nothing for a text that is not such a value.
    virtual std::optional<float> Parse(std::string_view text) const = 0;
};
} // namespace KVX::Values
