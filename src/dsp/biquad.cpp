// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/biquad.h"

#include "dsp/band_tuning.h"
#include "dsp/filter_state.h"

#include <cmath>
#include <cstring>

namespace KVX
{

void Design(int32_t type, double sampleRate, double q, double gainDb, double frequency,
            BiquadCoefficients& out) noexcept
{
    // The literal, not 2*pi at full precision: the coefficients are pinned to it.
    const double w0 = frequency * 6.283185306 / sampleRate;
    const double s = std::sin(w0);
    const double c = std::cos(w0);
    const double alpha = s / (2.0 * q);

    out.type = type;

    double a = 1.0;
    double sqrtA2Alpha = 0.0;
    if (type == kBiquadLowShelf || type == kBiquadHighShelf || type == kBiquadPeaking)
        a = std::pow(10.0, gainDb / 40.0);
    // Only the shelves need the square root; the equaliser redesigns its peaking bands every block.
    if (type == kBiquadLowShelf || type == kBiquadHighShelf)
        sqrtA2Alpha = 2.0 * std::sqrt(a) * alpha;

    double b0 = 1.0, b1 = 0.0, b2 = 0.0, a0 = 1.0, a1 = 0.0, a2 = 0.0;
    switch (type)
    {
    case kBiquadLowPass:
        b0 = (1.0 - c) / 2.0;
        b1 = 1.0 - c;
        b2 = (1.0 - c) / 2.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case kBiquadHighPass:
        b0 = (1.0 + c) / 2.0;
        b1 = -(1.0 + c);
        b2 = (1.0 + c) / 2.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case kBiquadBandPassPeakQ:
        b0 = s / 2.0;
        b1 = 0.0;
        b2 = -s / 2.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case kBiquadBandPass:
        b0 = alpha;
        b1 = 0.0;
        b2 = -alpha;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case kBiquadNotch:
        b0 = 1.0;
        b1 = -2.0 * c;
        b2 = 1.0;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case kBiquadAllPass:
        b0 = 1.0 - alpha;
        b1 = -2.0 * c;
        b2 = 1.0 + alpha;
        a0 = 1.0 + alpha;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha;
        break;
    case kBiquadLowShelf:
        b0 = a * ((a + 1.0) - (a - 1.0) * c + sqrtA2Alpha);
        b1 = 2.0 * a * ((a - 1.0) - (a + 1.0) * c);
        b2 = a * ((a + 1.0) - (a - 1.0) * c - sqrtA2Alpha);
        a0 = (a + 1.0) + (a - 1.0) * c + sqrtA2Alpha;
        a1 = -2.0 * ((a - 1.0) + (a + 1.0) * c);
        a2 = (a + 1.0) + (a - 1.0) * c - sqrtA2Alpha;
        break;
    case kBiquadHighShelf:
        b0 = a * ((a + 1.0) + (a - 1.0) * c + sqrtA2Alpha);
        b1 = -2.0 * a * ((a - 1.0) + (a + 1.0) * c);
        b2 = a * ((a + 1.0) + (a - 1.0) * c - sqrtA2Alpha);
        a0 = (a + 1.0) - (a - 1.0) * c + sqrtA2Alpha;
        a1 = 2.0 * ((a - 1.0) - (a + 1.0) * c);
        a2 = (a + 1.0) - (a - 1.0) * c - sqrtA2Alpha;
        break;
    case kBiquadPeaking:
        b0 = 1.0 + alpha * a;
        b1 = -2.0 * c;
        b2 = 1.0 - alpha * a;
        a0 = 1.0 + alpha / a;
        a1 = -2.0 * c;
        a2 = 1.0 - alpha / a;
        break;
    default:
        break;
    }

    out.b0 = b0 / a0;
    out.b1 = b1 / a0;
    out.b2 = b2 / a0;
    out.a1 = a1 / a0;
    out.a2 = a2 / a0;
}

void CBiquad::SetPosition(double newPosition) noexcept
{
    if (newPosition == position)
        return;
    position = newPosition;
    Redesign();
}

bool CBiquad::MovePosition(double newPosition) noexcept
{
    if (newPosition == position)
        return false;
    position = newPosition;
    return true;
}

void CBiquad::SetBand(int32_t index) noexcept
{
    if (index == band || index < 0 || index >= kBandCount)
        return;
    band = index;
    Redesign();
}

void CBiquad::Update(bool resetState) noexcept
{
    Redesign();
    if (resetState)
    {
        w1 = 0.0;
        w2 = 0.0;
    }
}

void CBiquad::FollowDesign(const CBiquad& leader) noexcept
{
    position = leader.position;
    coefficients = leader.coefficients;
}

BandTuning CBiquad::Tuning() const noexcept
{
    BandTuning tuning{fixedGain, fixedQ, fixedFrequency};
    if (!useFixedValues)
        tuning = LookupBandTuning(band, position);

    const double limit = sampleRate * kMaxFrequencyRatio;
    if (tuning.frequency > limit)
        tuning.frequency = limit;
    return tuning;
}

void CBiquad::Redesign() noexcept
{
    const BandTuning tuning = Tuning();
    if (designType == kBiquadPeaking)
        FinishPeaking(PeakingTermsFor(tuning.q, tuning.gainDb, tuning.frequency), coefficients);
    else
        Design(designType, sampleRate, tuning.q, tuning.gainDb, tuning.frequency, coefficients);
}

PeakingTerms CBiquad::PeakingTermsNow() noexcept
{
    const BandTuning tuning = Tuning();
    return PeakingTermsFor(tuning.q, tuning.gainDb, tuning.frequency);
}

namespace
{

uint64_t Bits(double value) noexcept
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

} // namespace

// Design() for the peaking type, operation for operation, split where the maths library ends: sine,
// cosine and amplitude are reused when their inputs are bit for bit the last ones.
PeakingTerms CBiquad::PeakingTermsFor(double q, double gainDb, double frequency) noexcept
{
    const uint64_t frequencyBits = Bits(frequency);
    const uint64_t rateBits = Bits(sampleRate);
    if (!cache.angleValid || cache.frequencyBits != frequencyBits || cache.rateBits != rateBits)
    {
        const double w0 = frequency * 6.283185306 / sampleRate;
        cache.sine = std::sin(w0);
        cache.cosine = std::cos(w0);
        cache.frequencyBits = frequencyBits;
        cache.rateBits = rateBits;
        cache.angleValid = true;
    }
    const uint64_t gainBits = Bits(gainDb);
    if (!cache.amplitudeValid || cache.gainBits != gainBits)
    {
        cache.amplitude = std::pow(10.0, gainDb / 40.0);
        cache.gainBits = gainBits;
        cache.amplitudeValid = true;
    }
    return {cache.sine, cache.cosine, cache.amplitude, q};
}

void FinishPeaking(const PeakingTerms& terms, BiquadCoefficients& out) noexcept
{
    const double alpha = terms.sine / (2.0 * terms.q);
    const double a = terms.amplitude;
    const double a0 = 1.0 + alpha / a;
    // b1 and a1 are the same quotient; one division serves both.
    const double minusTwoCos = (-2.0 * terms.cosine) / a0;

    out.type = kBiquadPeaking;
    out.b0 = (1.0 + alpha * a) / a0;
    out.b1 = minusTwoCos;
    out.b2 = (1.0 - alpha * a) / a0;
    out.a1 = minusTwoCos;
    out.a2 = (1.0 - alpha / a) / a0;
}

void CBiquad::Process(float* samples, int32_t count) noexcept
{
    // The centre position is flat: pass the block through bit for bit and leave the state alone.
    if (position == 0.5 || !samples || count <= 0)
        return;

    const double b0 = coefficients.b0;
    const double b1 = coefficients.b1;
    const double b2 = coefficients.b2;
    const double a1 = coefficients.a1;
    const double a2 = coefficients.a2;
    double s1 = w1;
    double s2 = w2;

    for (int32_t i = 0; i < count; ++i)
    {
        const double x = samples[i];
        const double w0 = x - a1 * s1 - a2 * s2;
        double y = b0 * w0 + b1 * s1 + b2 * s2;
        // Values below the smallest normal float are stored as zero; the state keeps the unflushed w0.
        if (y != 0.0 && static_cast<float>(std::fabs(y)) < 1.1754944e-38f)
            y = 0.0;
        s2 = s1;
        s1 = w0;
        samples[i] = static_cast<float>(y);
    }

    // A NaN, an infinity or a garbage-sized value that reached the state would stay there for good or
    // ring for seconds: start afresh so that the next block of sane input is filtered normally again.
    if (!FilterStateInRange(s1, s2))
    {
        s1 = 0.0;
        s2 = 0.0;
    }
    w1 = s1;
    w2 = s2;
}

} // namespace KVX
