// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cmath>

namespace KVX
{

// The largest filter state magnitude that real signal can produce. A low band's direct-form-II state grows
// roughly as 1 / w0^2 over its input: full-scale input through +12 dB sections peaks near 1.2e5 at 48 kHz,
// 8e6 at 384 kHz and 5e9 at the highest accepted rate (10 MHz). 1e12 leaves over 100 dB of headroom above
// full scale at every real host rate. A state beyond it comes only from garbage input (values like 1e10 or
// 1e38); left alone it would ring for seconds or overflow the single-precision output into NaN.
constexpr double kMaxFilterState = 1e12;

// False for NaN and infinity too, so one test covers every state worth clearing.
inline bool FilterStateInRange(double s1, double s2) noexcept
{
    return std::fabs(s1) <= kMaxFilterState && std::fabs(s2) <= kMaxFilterState;
}

} // namespace KVX
