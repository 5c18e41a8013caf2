// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Magnitude curves as people write them: a table of frequency (Hz) and gain (dB) pairs, one a line, with
// an optional header and comma, semicolon, tab or space between the two; or the one-line
// "GraphicEQ: 20 -1.2; 21 -1.3; …" that headphone-correction tables are published in.
#include <string>
#include <vector>

namespace KVX::Fit
{
struct CurvePoint
{
    double frequency;
    double gainDb;
};

// At least two points with finite numbers, frequencies above 0 and rising, values within ±1000. False with a
// one-line `error` that says where the text goes wrong. Lines starting with '#' are comments; columns after
// the second are ignored.
bool ParseCurve(const std::string& text, std::vector<CurvePoint>& points, std::string& error);

// The curve at each frequency: linear in dB over log frequency between its points, and its first or last
// value beyond them.
std::vector<double> SampleCurve(const std::vector<CurvePoint>& points,
                                const std::vector<double>& frequencies);
} // namespace KVX::Fit
