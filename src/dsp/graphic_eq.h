// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/band_tuning.h"
#include "dsp/biquad.h"
#include "dsp/cascade_kernel.h"
#include "dsp/output_lowpass.h"

#include <cstdint>

namespace KVX
{

// The ten-band stereo equaliser: per channel ten peaking sections in band order, then the output
// low-pass. Fader values are smoothed once per block. Holds everything by value and never allocates.
//
// Per block: SetBlockSize(count), SetSampleRate(rate), bypass = ..., SetBandValue(value, b) for
// b = 0..9, Process(channels, count).
class CGraphicEQ
{
public:
    static constexpr int32_t kChannelCount = 2;
    // Host rates outside this range are ignored. It spans every real host rate with a wide margin and
    // keeps the single-precision output filter and the smoothing away from overflow and underflow.
    static constexpr float kMinSampleRate = 1.0f;
    static constexpr float kMaxSampleRate = 10000000.0f;

    CGraphicEQ() noexcept;

    // Recomputes the smoothing coefficients when the block rate changes. Returns false when nothing
    // changed, and for a count of 0 or less, which is ignored.
    bool SetBlockSize(int32_t count) noexcept;
    // A new rate redesigns every section and output filter and clears their states. A rate that is not
    // finite or lies outside kMinSampleRate..kMaxSampleRate is ignored; the last valid rate stays.
    void SetSampleRate(float rate) noexcept;
    // Moves the band's smoothed position one block step towards value (clamped to 0..1, NaN read as 0)
    // and repositions its sections. Band indices outside 0..9 are ignored.
    void SetBandValue(float value, int32_t band) noexcept;
    // Filters channels[0] and channels[1] in place; nothing but the start-up flag changes when bypassed.
    void Process(float** channels, int32_t count) noexcept;
    // A break in the stream (a host's reset, a re-activation): clears every section's and output filter's
    // history, and the next SetBandValue places each band at its value at once instead of finishing a glide
    // that belonged to the old stream. Before the first block there is nothing to forget: the start-up
    // glide stays.
    void Reset() noexcept;

    // The kernel Process runs: the fastest this processor has unless forced (tests, benchmarks). All
    // give the same output bit for bit. One the processor lacks is refused and the current one kept.
    bool SetKernel(CascadeKernel choice) noexcept;
    CascadeKernel Kernel() const { return kernel; }

    float SampleRate() const { return sampleRate; }
    int32_t BlockSize() const { return blockSize; }
    bool ForceUpdate() const { return forceUpdate; }
    float RiseCoefficient() const { return riseCoefficient; }
    float FallCoefficient() const { return fallCoefficient; }
    float SmoothedValue(int32_t band) const { return smoothedValues[band]; }
    // With the coefficients the band values so far call for.
    const CBiquad& Section(int32_t band, int32_t channel) const
    {
        FinishDesigns();
        return sections[band][channel];
    }
    const COutputLowPass& OutputFilter(int32_t channel) const { return outputFilters[channel]; }

private:
    void UpdateSmoothing() noexcept;
    // Designs the bands whose position moved since, all at once: the divisions of one band then need not
    // wait for those of the one before. Only the coefficients change, so this is logically const.
    void FinishDesigns() const noexcept;
    // One section after another through each channel in turn: the reference the kernels must match.
    void ProcessScalar(float** channels, int32_t count) noexcept;

    // The fields, in record order.
    bool forceUpdate = true;
    float sampleRate = 0.0f;
    int32_t blockSize = 0;

public:
    // Written by the device before each block.
    bool bypass = false;

private:
    float riseBlockRate = 44100.0f;
    float riseThreshold = 0.99f;
    float riseTimeMs = 100.0f;
    float riseCoefficient = 0.0f;
    float fallBlockRate = 44100.0f;
    float fallThreshold = 0.99f;
    float fallTimeMs = 100.0f;
    float fallCoefficient = 0.0f;
    mutable CBiquad sections[kBandCount][kChannelCount];
    COutputLowPass outputFilters[kChannelCount];
    float smoothedValues[kBandCount] = {};
    CascadeKernel kernel = BestCascadeKernel();
    // Bands whose position moved and whose coefficients are still owed, one bit each.
    mutable uint32_t pendingDesigns = 0;
    // Set by Reset until the next Process: SetBandValue jumps to the value.
    bool settlePositions = false;
};

} // namespace KVX
