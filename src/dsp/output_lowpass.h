// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace KVX
{

// The engine's last stage per channel: a single-precision second-order low-pass just below Nyquist.
class COutputLowPass
{
public:
    int32_t coefficientType = 0;
    float b0 = 0.0f;
    float b1 = 0.0f;
    float b2 = 0.0f;
    float a1 = 0.0f;
    float a2 = 0.0f;
    float w1 = 0.0f;
    float w2 = 0.0f;
    float cutoff = 0.0f;
    float q = 0.0f;
    float sampleRate = 0.0f;

    // Places the cutoff at 98.5 % of Nyquist with Q 0.33, redesigns and clears the state.
    void SetSampleRate(float rate) noexcept;
    void Design() noexcept;
    void Process(float* samples, int32_t count) noexcept;
};

} // namespace KVX
