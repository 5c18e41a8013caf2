// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/output_lowpass.h"

#include "dsp/filter_state.h"

#include <cmath>

namespace KVX
{

void COutputLowPass::SetSampleRate(float rate) noexcept
{
    sampleRate = rate;
    w1 = 0.0f;
    w2 = 0.0f;
    cutoff = static_cast<float>(static_cast<double>(rate) * 0.985 * 0.5);
    q = 0.33f;
    Design();
}

void COutputLowPass::Design() noexcept
{
    const float w0 = cutoff * 6.2831855f / sampleRate;
    const float s = static_cast<float>(std::sin(static_cast<double>(w0)));
    const float c = static_cast<float>(std::cos(static_cast<double>(w0)));
    const float alpha = s / (2.0f * q);
    const float a0 = 1.0f + alpha;

    coefficientType = 0;
    b0 = (1.0f - c) * 0.5f / a0;
    b1 = (1.0f - c) / a0;
    b2 = b0;
    a1 = -2.0f * c / a0;
    a2 = (1.0f - alpha) / a0;
}

void COutputLowPass::Process(float* samples, int32_t count) noexcept
{
    if (!samples || count <= 0)
        return;

    float s1 = w1;
    float s2 = w2;
    for (int32_t i = 0; i < count; ++i)
    {
        const float w0 = samples[i] - a1 * s1 - a2 * s2;
        float y = b0 * w0 + b1 * s1 + b2 * s2;
        if (y != 0.0f && std::fabs(y) < 1.1754944e-38f)
            y = 0.0f;
        s2 = s1;
        s1 = w0;
        samples[i] = y;
    }

    // A non-finite or garbage-sized state would silence the channel for good or ring on; clear it so the
    // next sane block recovers.
    if (!FilterStateInRange(s1, s2))
    {
        s1 = 0.0f;
        s2 = 0.0f;
    }
    w1 = s1;
    w2 = s2;
}

} // namespace KVX
