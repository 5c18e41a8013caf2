// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Power spectra of rendered audio, to see what an equaliser did to broadband noise.
#include <string>
#include <vector>

namespace KVX::Test
{
struct AudioFile
{
    double sampleRate = 0.0;
    int channels = 0;
    std::vector<float> samples; // interleaved
};

// Reads any file libsndfile knows; empty (channels 0) when it cannot.
AudioFile ReadAudio(const std::string& path);

// Averaged power spectrum of one channel: Hann-windowed, half-overlapping segments of a power-of-two length.
class PowerSpectrum
{
public:
    PowerSpectrum(const AudioFile& audio, int channel, int segmentLength);

    // Mean power of the bins from lowHz to highHz (both included).
    double Mean(double lowHz, double highHz) const;
    double BinHz() const { return m_BinHz; }
    int Segments() const { return m_Segments; }

private:
    double m_BinHz = 0.0;
    int m_Segments = 0;
    std::vector<double> m_Power;
};

// Ten times the base-ten logarithm of a power ratio.
double RatioDb(double numerator, double denominator);
} // namespace KVX::Test
