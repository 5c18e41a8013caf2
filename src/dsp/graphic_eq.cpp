// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/graphic_eq.h"

#include "dsp/filter_state.h"
#include "dsp/peaking_batch.h"

#include <cmath>

namespace KVX
{

namespace
{

// The per-block factor that leaves (1 - threshold) of a step after timeMs. Single precision in exactly
// this order; only ln and exp run in double.
float SmoothingCoefficient(float blockRate, float timeMs, float threshold)
{
    const float logRest = static_cast<float>(std::log(static_cast<double>(1.0f - threshold)));
    const float timeConstant = (timeMs / -1000.0f) / logRest;
    const float exponent = -1.0f / (timeConstant * blockRate);
    return static_cast<float>(std::exp(static_cast<double>(exponent)));
}

// One smoothing step towards value; within (1 - threshold) it snaps so that a settled band lands exactly.
float Smooth(float current, float value, float threshold, float coefficient)
{
    if (std::fabs(current - value) <= 1.0f - threshold)
        return value;
    return (1.0f - coefficient) * value + coefficient * current;
}

} // namespace

CGraphicEQ::CGraphicEQ() noexcept
    : riseCoefficient(SmoothingCoefficient(riseBlockRate, riseTimeMs, riseThreshold)),
      fallCoefficient(SmoothingCoefficient(fallBlockRate, fallTimeMs, fallThreshold))
{
}

void CGraphicEQ::UpdateSmoothing() noexcept
{
    const float blockRate = sampleRate / static_cast<float>(blockSize);
    if (blockRate != riseBlockRate)
    {
        riseBlockRate = blockRate;
        riseCoefficient = SmoothingCoefficient(blockRate, riseTimeMs, riseThreshold);
    }
    if (blockRate != fallBlockRate)
    {
        fallBlockRate = blockRate;
        fallCoefficient = SmoothingCoefficient(blockRate, fallTimeMs, fallThreshold);
    }
}

bool CGraphicEQ::SetBlockSize(int32_t count) noexcept
{
    // An empty or negative block has no rate; a negative one would push the coefficients above 1 and
    // the smoothed positions out of the table.
    if (count <= 0 || count == blockSize)
        return false;
    blockSize = count;
    UpdateSmoothing();
    return true;
}

void CGraphicEQ::SetSampleRate(float rate) noexcept
{
    if (!(rate >= kMinSampleRate && rate <= kMaxSampleRate) || rate == sampleRate)
        return;
    sampleRate = rate;
    UpdateSmoothing();

    for (int32_t channel = 0; channel < kChannelCount; ++channel)
    {
        for (int32_t band = 0; band < kBandCount; ++band)
        {
            CBiquad& section = sections[band][channel];
            if (section.sampleRate != static_cast<double>(rate))
            {
                section.sampleRate = rate;
                section.Update(true);
            }
            section.SetBand(band);
        }
        outputFilters[channel].SetSampleRate(rate);
    }
}

void CGraphicEQ::SetBandValue(float value, int32_t band) noexcept
{
    if (band < 0 || band >= kBandCount)
        return;
    // NaN fails the first test and is read as 0.
    if (!(value >= 0.0f))
        value = 0.0f;
    else if (value > 1.0f)
        value = 1.0f;

    float current = smoothedValues[band];
    if (value == current && !forceUpdate)
        return;
    if (settlePositions)
        current = value;
    else if (value > current)
        current = Smooth(current, value, riseThreshold, riseCoefficient);
    else if (value < current)
        current = Smooth(current, value, fallThreshold, fallCoefficient);

    smoothedValues[band] = current;
    // Both channels of a band share band, rate and position, so one design serves both. It is made
    // with the other bands' at the start of the block; the positions are set at once, as a new rate
    // before then redesigns from them.
    CBiquad& leader = sections[band][0];
    if (leader.MovePosition(static_cast<double>(current)))
        pendingDesigns |= 1u << band;
    if (pendingDesigns & (1u << band))
        for (int32_t channel = 1; channel < kChannelCount; ++channel)
            sections[band][channel].position = leader.position;
    else
        for (int32_t channel = 1; channel < kChannelCount; ++channel)
            sections[band][channel].FollowDesign(leader);
}

void CGraphicEQ::FinishDesigns() const noexcept
{
    if (pendingDesigns == 0)
        return;
    PeakingTerms terms[kBandCount];
    BiquadCoefficients* out[kBandCount];
    int32_t count = 0;
    for (int32_t band = 0; band < kBandCount; ++band)
    {
        if (!(pendingDesigns & (1u << band)))
            continue;
        CBiquad& leader = sections[band][0];
        // The scalar kernel keeps the plain one-band-at-a-time design as the reference.
        if (kernel == CascadeKernel::Scalar || !leader.DesignsPeaking())
        {
            leader.Redesign();
            continue;
        }
        terms[count] = leader.PeakingTermsNow();
        out[count++] = &leader.coefficients;
    }
    FinishPeakings(terms, out, count);
    for (int32_t band = 0; band < kBandCount; ++band)
        if (pendingDesigns & (1u << band))
            for (int32_t channel = 1; channel < kChannelCount; ++channel)
                sections[band][channel].FollowDesign(sections[band][0]);
    pendingDesigns = 0;
}

bool CGraphicEQ::SetKernel(CascadeKernel choice) noexcept
{
    if (!CascadeKernelAvailable(choice))
        return false;
    kernel = choice;
    return true;
}

void CGraphicEQ::Reset() noexcept
{
    if (forceUpdate)
        return;
    for (int32_t channel = 0; channel < kChannelCount; ++channel)
    {
        for (int32_t band = 0; band < kBandCount; ++band)
        {
            sections[band][channel].w1 = 0.0;
            sections[band][channel].w2 = 0.0;
        }
        outputFilters[channel].w1 = 0.0f;
        outputFilters[channel].w2 = 0.0f;
    }
    settlePositions = true;
}

void CGraphicEQ::Process(float** channels, int32_t count) noexcept
{
    forceUpdate = false;
    settlePositions = false;
    if (bypass || !channels || count <= 0)
        return;
    FinishDesigns();

    float* left = channels[0];
    float* right = channels[1];
    // The stereo kernels need two separate buffers; one channel alone, or one buffer given twice, is
    // filtered channel after channel as always.
    const auto l = reinterpret_cast<uintptr_t>(left);
    const auto r = reinterpret_cast<uintptr_t>(right);
    const uintptr_t bytes = static_cast<uintptr_t>(count) * sizeof(float);
    if (kernel == CascadeKernel::Scalar || !left || !right || (l < r + bytes && r < l + bytes))
    {
        ProcessScalar(channels, count);
        return;
    }

    Cascade cascade;
    int32_t bands[kBandCount];
    for (int32_t band = 0; band < kBandCount; ++band)
    {
        const CBiquad& section = sections[band][0];
        if (section.position == 0.5)
            continue; // flat: passes the block through and keeps its state
        CascadeSection& c = cascade.sections[cascade.sectionCount];
        bands[cascade.sectionCount++] = band;
        c.b0 = section.coefficients.b0;
        c.b1 = section.coefficients.b1;
        c.b2 = section.coefficients.b2;
        c.a1 = section.coefficients.a1;
        c.a2 = section.coefficients.a2;
        for (int32_t channel = 0; channel < kChannelCount; ++channel)
        {
            c.s1[channel] = sections[band][channel].w1;
            c.s2[channel] = sections[band][channel].w2;
        }
    }
    const COutputLowPass& filter = outputFilters[0];
    CascadeOutput& o = cascade.output;
    o.b0 = filter.b0;
    o.b1 = filter.b1;
    o.b2 = filter.b2;
    o.a1 = filter.a1;
    o.a2 = filter.a2;
    for (int32_t channel = 0; channel < kChannelCount; ++channel)
    {
        o.s1[channel] = outputFilters[channel].w1;
        o.s2[channel] = outputFilters[channel].w2;
    }

    // Silence into filters at rest would come out as the same silence with the states unchanged.
    if (CascadeAtRest(cascade, left, right, count))
        return;

    RunCascade(kernel, cascade, left, right, count);

    // The same end-of-block check as every section and filter makes on its own.
    for (int32_t k = 0; k < cascade.sectionCount; ++k)
        for (int32_t channel = 0; channel < kChannelCount; ++channel)
        {
            CBiquad& section = sections[bands[k]][channel];
            const double s1 = cascade.sections[k].s1[channel];
            const double s2 = cascade.sections[k].s2[channel];
            const bool keep = FilterStateInRange(s1, s2);
            section.w1 = keep ? s1 : 0.0;
            section.w2 = keep ? s2 : 0.0;
        }
    for (int32_t channel = 0; channel < kChannelCount; ++channel)
    {
        const float s1 = o.s1[channel];
        const float s2 = o.s2[channel];
        const bool keep = FilterStateInRange(s1, s2);
        outputFilters[channel].w1 = keep ? s1 : 0.0f;
        outputFilters[channel].w2 = keep ? s2 : 0.0f;
    }
}

void CGraphicEQ::ProcessScalar(float** channels, int32_t count) noexcept
{
    for (int32_t channel = 0; channel < kChannelCount; ++channel)
    {
        float* samples = channels[channel];
        if (!samples)
            continue;
        for (int32_t band = 0; band < kBandCount; ++band)
            sections[band][channel].Process(samples, count);
        outputFilters[channel].Process(samples, count);
    }
}

} // namespace KVX
