// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/band_tuning.h"

#include <cstdint>

namespace KVX
{

// Design types understood by Design().
enum BiquadType : int32_t
{
    kBiquadLowPass = 0,
    kBiquadHighPass = 1,
    kBiquadBandPassPeakQ = 2,
    kBiquadBandPass = 3,
    kBiquadNotch = 4,
    kBiquadAllPass = 5,
    kBiquadLowShelf = 6,
    kBiquadHighShelf = 7,
    kBiquadPeaking = 8,
};

// A normalised second-order coefficient set: every value already divided by a0.
struct BiquadCoefficients
{
    int32_t type = 0;
    double b0 = 0.0;
    double b1 = 0.0;
    double b2 = 0.0;
    double a1 = 0.0;
    double a2 = 0.0;
};

// Computes the coefficients of one of the nine second-order designs in double precision. An unknown
// type yields a pass-through set (b0 = 1, all else 0) so that nothing unstable can come of it.
void Design(int32_t type, double sampleRate, double q, double gainDb, double frequency,
            BiquadCoefficients& out) noexcept;

// What the arithmetic of a peaking design starts from: the values that take the maths library (sine and
// cosine of the angle, the amplitude) and the Q.
struct PeakingTerms
{
    double sine;
    double cosine;
    double amplitude;
    double q;
};

// The arithmetic of a peaking design after the maths library, in its one order of operations.
void FinishPeaking(const PeakingTerms& terms, BiquadCoefficients& out) noexcept;

// One equaliser band for one channel: looks its gain, Q and centre frequency up in the band tuning table
// for the current position and filters blocks in place with a double-precision direct form II.
class CBiquad
{
public:
    // The highest design frequency as a share of the sample rate. Table frequencies reach 19 kHz, which
    // at 32 kHz and below lies at or past Nyquist where the peaking design has poles outside the unit
    // circle; below this limit it is stable. At 44.1 kHz and above no table frequency reaches it.
    static constexpr double kMaxFrequencyRatio = 0.45;

    BiquadCoefficients coefficients;
    double w1 = 0.0;
    double w2 = 0.0;
    double sampleRate = 44100.0;
    double fixedGain = 0.0;
    double fixedQ = 0.5;
    double fixedFrequency = 1000.0;
    bool useFixedValues = false;
    double position = 0.5;
    int32_t band = 0;
    int32_t designType = kBiquadPeaking;

    // Redesign on an exact change only; the filter state is kept.
    void SetPosition(double newPosition) noexcept;
    // The same without the redesign, for a caller that designs many sections at once: true when the
    // position changed and the coefficients are now owed (by Redesign, or PeakingTermsNow and
    // FinishPeaking).
    bool MovePosition(double newPosition) noexcept;
    // Indices outside the tuning table are ignored.
    void SetBand(int32_t index) noexcept;
    // Redesign from the current settings; clears the state when asked (after a new sample rate).
    void Update(bool resetState) noexcept;
    // Takes the position and coefficients of a section with the same band, rate and type (the other
    // channel's) instead of designing them again; the state is kept.
    void FollowDesign(const CBiquad& leader) noexcept;

    // True when Redesign() is a peaking design, which can then be split in two: the terms for the current
    // settings (through the reuse below), and FinishPeaking on them into coefficients.
    bool DesignsPeaking() const { return designType == kBiquadPeaking; }
    PeakingTerms PeakingTermsNow() noexcept;
    // Redesign from the current settings (the caches kept up to date).
    void Redesign() noexcept;

    // At position exactly 0.5 the block passes unchanged and the state stays frozen.
    void Process(float* samples, int32_t count) noexcept;

private:
    // What the last peaking design computed from values that often repeat while a fader moves: sine and
    // cosine for one frequency and rate (the table holds a band's frequency over most of its travel),
    // and the amplitude for one gain. Keyed on the exact bits, so a hit gives the very same values.
    struct DesignCache
    {
        bool angleValid = false;
        bool amplitudeValid = false;
        uint64_t frequencyBits = 0;
        uint64_t rateBits = 0;
        uint64_t gainBits = 0;
        double sine = 0.0;
        double cosine = 0.0;
        double amplitude = 1.0;
    };

    BandTuning Tuning() const noexcept;
    PeakingTerms PeakingTermsFor(double q, double gainDb, double frequency) noexcept;

    DesignCache cache;
};

} // namespace KVX
