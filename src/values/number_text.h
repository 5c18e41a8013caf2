// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Numbers as texts, the C locale's way whatever the host's locale: a host that sets a decimal comma
// must not change what a parameter shows or reads.
#include <optional>
#include <string>
#include <string_view>

namespace KVX::Values
{
std::string_view Trimmed(std::string_view text);

// ASCII letters compared without case.
bool EqualsFolded(std::string_view a, std::string_view b);
bool EndsWithFolded(std::string_view text, std::string_view ending);

// The whole text is one finite decimal number with at most one sign ("+4.8", "-3", "1e1", ".5").
std::optional<double> ParseDecimal(std::string_view text);

// Fixed-point with the given decimals; a leading "+" when asked for.
std::string FormatFixed(float value, int decimals, bool plusSign);
} // namespace KVX::Values
