// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/biquad.h"

#include <cstdint>

namespace KVX
{

// FinishPeaking for count designs at once, two to a register where SSE2 is there. IEEE division,
// multiplication and addition round each lane on its own, so every result is FinishPeaking's bit for bit;
// the designs of a block no longer wait for each other's divisions.
void FinishPeakings(const PeakingTerms* terms, BiquadCoefficients* const* out, int32_t count) noexcept;

} // namespace KVX
