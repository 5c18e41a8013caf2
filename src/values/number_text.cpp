// SPDX-License-Identifier: GPL-3.0-or-later
#include "values/number_text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace KVX::Values
{
namespace
{
bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
} // namespace

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsSpace(text.front()))
    {
        text.remove_prefix(1);
    }
    while (!text.empty() && IsSpace(text.back()))
    {
        text.remove_suffix(1);
    }
    return text;
}

bool EqualsFolded(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

bool EndsWithFolded(std::string_view text, std::string_view ending)
{
    return text.size() >= ending.size() && EqualsFolded(text.substr(text.size() - ending.size()), ending);
}

std::optional<double> ParseDecimal(std::string_view text)
{
    // from_chars reads a minus sign but no plus; a second sign ("+-3") is not a number.
    bool negative = false;
    if (!text.empty() && (text.front() == '+' || text.front() == '-'))
    {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.front() == '+' || text.front() == '-')
    {
        return std::nullopt;
    }
    double value = 0.0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
    {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::string FormatFixed(float value, int decimals, bool plusSign)
{
    char buffer[64];
    char* p = buffer;
    if (plusSign)
    {
        *p++ = '+';
    }
    const auto result = std::to_chars(p, buffer + sizeof buffer, value, std::chars_format::fixed, decimals);
    return result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string();
}
} // namespace KVX::Values
