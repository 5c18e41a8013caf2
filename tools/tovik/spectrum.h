// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A recording's long-term average spectrum: what `tovik match` compares.
#include <string>
#include <vector>

namespace KVX::Tovik
{
struct AverageSpectrum
{
    double sampleRate = 0.0;
    // Hz between neighbouring bins, and the mean power density per bin from 0 Hz up to half the rate.
    double binHz = 0.0;
    std::vector<double> power;
};

// Welch's average over the whole file: Hann windows of 16384 frames overlapping by half (one shorter file is
// one window), every channel's power averaged. False with a one-line `error` for a file that cannot be read.
bool MeasureAverageSpectrum(const std::string& path, AverageSpectrum& spectrum, std::string& error);

// The level in dB at each frequency, smoothed over a third of an octave around it (the mean power of the bins
// in it, or the bins either side where it holds none); -inf where the recording is silent.
std::vector<double> ThirdOctaveDb(const AverageSpectrum& spectrum, const std::vector<double>& frequencies);
} // namespace KVX::Tovik
