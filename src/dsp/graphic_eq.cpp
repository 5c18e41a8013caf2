#include "dsp/graphic_eq.h"

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
    if (value > current)
        current = Smooth(current, value, riseThreshold, riseCoefficient);
    else if (value < current)
        current = Smooth(current, value, fallThreshold, fallCoefficient);

    smoothedValues[band] = current;
    for (int32_t channel = 0; channel < kChannelCount; ++channel)
        sections[band][channel].SetPosition(static_cast<double>(current));
}

void CGraphicEQ::Process(float** channels, int32_t count) noexcept
{
    forceUpdate = false;
    if (bypass || !channels || count <= 0)
        return;

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
