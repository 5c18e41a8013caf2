// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit/target_curve.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace KVX::Fit
{
namespace
{
// A gain of a thousand decibels means nothing already; larger values would only overflow the fit's sums.
constexpr double kLargestValue = 1000.0;

bool IsSeparator(char c)
{
    return c == ',' || c == ';' || c == '\t' || c == ' ' || c == '\r' || c == '\n';
}

std::vector<std::string> Fields(const std::string& line)
{
    std::vector<std::string> fields;
    std::string field;
    for (char c : line)
    {
        if (IsSeparator(c))
        {
            if (!field.empty())
            {
                fields.push_back(field);
            }
            field.clear();
        }
        else
        {
            field.push_back(c);
        }
    }
    if (!field.empty())
    {
        fields.push_back(field);
    }
    return fields;
}

// strtod's whole-field number, "nan" and "inf" included (so that they can be refused by name).
bool Number(const std::string& text, double& value)
{
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return end != text.c_str() && *end == '\0';
}

bool StartsWithNoCase(const std::string& text, std::size_t at, const char* word)
{
    const std::size_t length = std::strlen(word);
    if (text.size() - at < length)
    {
        return false;
    }
    for (std::size_t i = 0; i < length; ++i)
    {
        if (std::tolower(static_cast<unsigned char>(text[at + i])) != word[i])
        {
            return false;
        }
    }
    return true;
}

// One pair of fields into a point, refusing what cannot be a curve's point. `where` names the place.
bool AddPoint(const std::string& frequencyText, const std::string& gainText, const std::string& where,
              std::vector<CurvePoint>& points, std::string& error)
{
    double frequency = 0.0;
    double gain = 0.0;
    if (!Number(frequencyText, frequency) || !Number(gainText, gain))
    {
        error = where + ": '" + frequencyText + " " + gainText + "' is not a frequency and a gain";
        return false;
    }
    if (!std::isfinite(frequency) || !std::isfinite(gain))
    {
        error = where + ": '" + frequencyText + " " + gainText + "' is not a finite number";
        return false;
    }
    if (std::fabs(gain) > kLargestValue)
    {
        error = where + ": " + gainText + " is beyond any gain or weight a curve can mean (" +
                std::to_string(static_cast<int>(kLargestValue)) + " at most)";
        return false;
    }
    if (frequency <= 0.0)
    {
        error = where + ": frequency " + frequencyText + " Hz is not above 0";
        return false;
    }
    if (!points.empty() && frequency <= points.back().frequency)
    {
        error = where + ": frequencies must rise, and " + frequencyText + " Hz comes after " +
                std::to_string(points.back().frequency) + " Hz";
        return false;
    }
    points.push_back({frequency, gain});
    return true;
}

bool ParseGraphicEq(const std::string& list, std::vector<CurvePoint>& points, std::string& error)
{
    std::size_t start = 0;
    int pair = 0;
    while (start <= list.size())
    {
        const std::size_t end = std::min(list.find(';', start), list.size());
        const std::vector<std::string> fields = Fields(list.substr(start, end - start));
        start = end + 1;
        if (fields.empty())
        {
            continue;
        }
        ++pair;
        const std::string where = "GraphicEQ pair " + std::to_string(pair);
        if (fields.size() != 2)
        {
            error = where + " has " + std::to_string(fields.size()) + " numbers, not a frequency and a gain";
            return false;
        }
        if (!AddPoint(fields[0], fields[1], where, points, error))
        {
            return false;
        }
    }
    return true;
}

bool ParseTable(const std::string& text, std::vector<CurvePoint>& points, std::string& error)
{
    std::size_t start = 0;
    int lineNumber = 0;
    bool headerAllowed = true;
    while (start < text.size())
    {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = text.substr(start, end - start);
        start = end + 1;
        ++lineNumber;
        const std::vector<std::string> fields = Fields(line);
        if (fields.empty() || fields[0][0] == '#')
        {
            continue;
        }
        double ignored = 0.0;
        // The first line may name the columns.
        if (headerAllowed && !Number(fields[0], ignored))
        {
            headerAllowed = false;
            continue;
        }
        headerAllowed = false;
        const std::string where = "line " + std::to_string(lineNumber);
        if (fields.size() < 2)
        {
            error = where + " holds one value, not a frequency and a gain";
            return false;
        }
        if (!AddPoint(fields[0], fields[1], where, points, error))
        {
            return false;
        }
    }
    return true;
}
} // namespace

bool ParseCurve(const std::string& text, std::vector<CurvePoint>& points, std::string& error)
{
    points.clear();
    std::size_t at = 0;
    // A byte-order mark and leading blanks say nothing.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0)
    {
        at = 3;
    }
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at])))
    {
        ++at;
    }
    const bool graphicEq = StartsWithNoCase(text, at, "graphiceq:");
    const bool parsed = graphicEq ? ParseGraphicEq(text.substr(at + 10), points, error)
                                  : ParseTable(text.substr(at), points, error);
    if (!parsed)
    {
        points.clear();
        return false;
    }
    if (points.empty())
    {
        error = "no frequency and gain pairs found";
        return false;
    }
    if (points.size() == 1)
    {
        error = "one point is not a curve: give at least two frequency and gain pairs";
        points.clear();
        return false;
    }
    return true;
}

std::vector<double> SampleCurve(const std::vector<CurvePoint>& points, const std::vector<double>& frequencies)
{
    std::vector<double> out;
    out.reserve(frequencies.size());
    for (double f : frequencies)
    {
        if (f <= points.front().frequency)
        {
            out.push_back(points.front().gainDb);
            continue;
        }
        if (f >= points.back().frequency)
        {
            out.push_back(points.back().gainDb);
            continue;
        }
        const auto upper =
            std::upper_bound(points.begin(), points.end(), f,
                             [](double value, const CurvePoint& p) { return value < p.frequency; });
        const CurvePoint& high = *upper;
        const CurvePoint& low = *(upper - 1);
        const double share = std::log(f / low.frequency) / std::log(high.frequency / low.frequency);
        out.push_back(low.gainDb + share * (high.gainDb - low.gainDb));
    }
    return out;
}
} // namespace KVX::Fit
