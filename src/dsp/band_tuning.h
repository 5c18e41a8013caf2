// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace KVX
{

constexpr int32_t kBandCount = 10;
constexpr int32_t kTuningSteps = 25;
// Per band: a run of gains, then of Qs, then of centre frequencies.
constexpr int32_t kTuningValuesPerBand = 3 * kTuningSteps;

// Points spread evenly over each fader's travel: step 0 is full cut, 12 the centre, 24 full boost.
extern const float g_BandTuning[kBandCount][kTuningValuesPerBand];

struct BandTuning
{
    double gainDb;
    double q;
    double frequency;
};

// Gain, Q and centre frequency of a band at a fader position, interpolated linearly between steps.
// Positions outside 0..1 (and NaN, read as 0) and band indices outside 0..9 are clamped so that the table
// is never read out of bounds; inside those ranges the result is the plain interpolation.
BandTuning LookupBandTuning(int32_t band, double position) noexcept;

} // namespace KVX
