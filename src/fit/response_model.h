// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The equaliser's magnitude response once its smoothing has settled, when every band's position is its
// fader value: computed from the coefficients the engine itself designs, not by running audio.
#include "dsp/band_tuning.h"

#include <array>
#include <vector>

namespace KVX::Fit
{
// Fader values as the plug-in stores them: normalised 0 … 1, 0.5 flat.
using Faders = std::array<float, kBandCount>;

constexpr float kFlatFader = 0.5f;
constexpr Faders kFlatFaders = {0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f, 0.5f};

// Where fits are made and judged: 24 points per octave, spaced evenly on a log scale, from 20 Hz up to
// 20 kHz or 0.45 × the sample rate, whichever is lower (above that the sections' design is clamped).
std::vector<double> FitFrequencies(double sampleRate);

// A second-order section's squared magnitude as a function of phi = 4 sin²(w/2), w in radians per sample:
// (n0 − n1·phi + n2·phi²) / (d0 − d1·phi + d2·phi²). In this form it keeps its precision near DC, where the
// low bands' poles sit.
struct SectionMagnitude
{
    double n0, n1, n2, d0, d1, d2;

    double Numerator(double phi) const { return n0 - phi * (n1 - phi * n2); }
    double Denominator(double phi) const { return d0 - phi * (d1 - phi * d2); }
};

class CResponseModel
{
public:
    // Frequencies must lie between 0 and half the rate.
    CResponseModel(double sampleRate, std::vector<double> frequencies);

    const std::vector<double>& Frequencies() const { return m_Frequencies; }
    // The rate as the engine holds it: single precision.
    double SampleRate() const { return m_Rate; }

    // One band's section alone at a position (0 … 1), as the engine designs it. Exactly 0.5 passes
    // unchanged, as the engine skips the section there.
    SectionMagnitude BandMagnitude(int band, double position) const;
    // The same in dB at each frequency, into out[0 … size).
    void BandDb(int band, double position, double* out) const;
    // 4 sin²(w/2) at each frequency.
    const std::vector<double>& Phi() const { return m_Phi; }
    // The output low-pass, which every setting has.
    const std::vector<double>& OutputFilterDb() const { return m_OutputDb; }
    // The whole equaliser: ten sections at their fader values and the output low-pass.
    std::vector<double> ResponseDb(const Faders& faders) const;

private:
    double m_Rate;
    std::vector<double> m_Frequencies;
    std::vector<double> m_Phi;
    std::vector<double> m_OutputDb;
};
} // namespace KVX::Fit
