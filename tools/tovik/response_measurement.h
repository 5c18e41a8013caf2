// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Measuring a plug-in's magnitude response: after the plug-in has settled on silence, an impulse goes into
// every input at once, and each output's impulse response is evaluated at the wanted frequencies.
#include <string>
#include <vector>

namespace KVX::Tovik
{
class Session;

struct ResponseCurves
{
    std::vector<double> frequencies;
    // Per output channel, the gain in dB at each frequency (-inf where the output is silent).
    std::vector<std::vector<double>> gainsDb;
};

// `count` frequencies spaced evenly on a log scale from `low` to `high`, both included.
std::vector<double> LogFrequencies(double low, double high, int count);

// The session must be started at `sampleRate`. Frequencies at or above half the rate are left out.
ResponseCurves MeasureResponse(Session& session, double sampleRate, const std::vector<double>& frequencies);

// "left"/"right" for stereo, "mono" for one channel, "out N" beyond.
std::string ChannelName(int channel, int count);
} // namespace KVX::Tovik
