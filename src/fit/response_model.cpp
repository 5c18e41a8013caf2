// SPDX-License-Identifier: GPL-3.0-or-later
#include "fit/response_model.h"

#include "dsp/biquad.h"
#include "dsp/output_lowpass.h"

#include <algorithm>
#include <cmath>

namespace KVX::Fit
{
namespace
{
constexpr double kPi = 3.141592653589793;
constexpr double kLowestHz = 20.0;
constexpr double kHighestHz = 20000.0;
constexpr double kPointsPerOctave = 24.0;

// |b0 + b1 z⁻¹ + b2 z⁻²|² / |1 + a1 z⁻¹ + a2 z⁻²|² with cos w = 1 − phi/2 and cos 2w = 1 − 2 phi + phi²/2.
SectionMagnitude MagnitudeOf(double b0, double b1, double b2, double a1, double a2)
{
    const double sumB = b0 + b1 + b2;
    const double sumA = 1.0 + a1 + a2;
    return {sumB * sumB, b1 * (b0 + b2) + 4.0 * b0 * b2, b0 * b2,
            sumA * sumA, a1 * (1.0 + a2) + 4.0 * a2,     a2};
}

double Db(const SectionMagnitude& m, double phi)
{
    return 10.0 * std::log10(m.Numerator(phi) / m.Denominator(phi));
}
} // namespace

std::vector<double> FitFrequencies(double sampleRate)
{
    const double high = std::min(kHighestHz, CBiquad::kMaxFrequencyRatio * sampleRate);
    const double octaves = std::log2(high / kLowestHz);
    const int steps = std::max(1, static_cast<int>(std::ceil(octaves * kPointsPerOctave - 1e-9)));
    std::vector<double> frequencies;
    for (int i = 0; i <= steps; ++i)
    {
        frequencies.push_back(i == steps ? high : kLowestHz * std::pow(high / kLowestHz, double(i) / steps));
    }
    return frequencies;
}

CResponseModel::CResponseModel(double sampleRate, std::vector<double> frequencies)
    : m_Rate(static_cast<double>(static_cast<float>(sampleRate))), m_Frequencies(std::move(frequencies))
{
    COutputLowPass output;
    output.SetSampleRate(static_cast<float>(m_Rate));
    const SectionMagnitude filter = MagnitudeOf(output.b0, output.b1, output.b2, output.a1, output.a2);
    for (double frequency : m_Frequencies)
    {
        const double half = std::sin(kPi * frequency / m_Rate);
        m_Phi.push_back(4.0 * half * half);
        m_OutputDb.push_back(Db(filter, m_Phi.back()));
    }
}

SectionMagnitude CResponseModel::BandMagnitude(int band, double position) const
{
    if (position == 0.5)
    {
        return {1.0, 0.0, 0.0, 1.0, 0.0, 0.0};
    }
    // The engine's own section, redesigned as the engine redesigns it: tuning table, frequency limit,
    // peaking design.
    CBiquad section;
    section.sampleRate = m_Rate;
    section.band = band;
    section.position = position;
    section.Redesign();
    const BiquadCoefficients& c = section.coefficients;
    return MagnitudeOf(c.b0, c.b1, c.b2, c.a1, c.a2);
}

void CResponseModel::BandDb(int band, double position, double* out) const
{
    const SectionMagnitude magnitude = BandMagnitude(band, position);
    for (std::size_t i = 0; i < m_Phi.size(); ++i)
    {
        out[i] = Db(magnitude, m_Phi[i]);
    }
}

std::vector<double> CResponseModel::ResponseDb(const Faders& faders) const
{
    std::vector<double> total = m_OutputDb;
    std::vector<double> band(total.size());
    for (int b = 0; b < kBandCount; ++b)
    {
        BandDb(b, static_cast<double>(faders[static_cast<std::size_t>(b)]), band.data());
        for (std::size_t i = 0; i < total.size(); ++i)
        {
            total[i] += band[i];
        }
    }
    return total;
}
} // namespace KVX::Fit
