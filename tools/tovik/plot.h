#pragma once
// A magnitude-response plot as a PNG: log frequency axis from 20 Hz to 20 kHz, gain in dB, one curve per
// channel with a legend.
#include <string>
#include <vector>

namespace KVX::Tovik
{
struct PlotCurve
{
    std::string label;
    std::vector<double> gainsDb;
};

// The dB axis spans the curves and at least -15 … +15 dB. Writes `path` directly; callers that must not
// leave a partial file pass a temporary path. False with `error` set when the file cannot be written.
bool WriteResponsePlot(const std::string& path, const std::string& title, const std::string& subtitle,
                       const std::vector<double>& frequencies, const std::vector<PlotCurve>& curves,
                       std::string& error);

// Frees the caches cairo and fontconfig keep for the life of the process, so that a leak checker sees only
// real leaks. Call once, when no drawing is left to do.
void ReleasePlotResources();
} // namespace KVX::Tovik
