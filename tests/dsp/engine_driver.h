// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "dsp/graphic_eq.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

namespace KVX::Test
{

using Faders = std::array<float, kBandCount>;

inline Faders AllFaders(float value)
{
    Faders faders;
    faders.fill(value);
    return faders;
}

// Deterministic noise in [-1, 1), the same on every platform.
class CNoise
{
public:
    explicit CNoise(uint32_t seed = 0x12345678u) : state(seed) {}
    float Next()
    {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(static_cast<int32_t>(state)) * (1.0f / 2147483648.0f);
    }
    void Fill(std::vector<float>& buffer, float gain = 1.0f)
    {
        for (float& s : buffer)
            s = Next() * gain;
    }

private:
    uint32_t state;
};

// Drives the engine in the order the device uses for every block.
inline void RunBlock(CGraphicEQ& eq, float rate, const Faders& faders, float* left, float* right,
                     int32_t count, bool bypass = false)
{
    eq.SetBlockSize(count);
    eq.SetSampleRate(rate);
    eq.bypass = bypass;
    for (int32_t band = 0; band < kBandCount; ++band)
        eq.SetBandValue(faders[band], band);
    float* channels[2] = {left, right};
    eq.Process(channels, count);
}

inline bool Settled(const CGraphicEQ& eq, const Faders& faders)
{
    for (int32_t band = 0; band < kBandCount; ++band)
        if (eq.SmoothedValue(band) != faders[band])
            return false;
    return true;
}

// Runs silent blocks until every band sits exactly at its fader value; returns the number of blocks.
inline int Settle(CGraphicEQ& eq, float rate, const Faders& faders, int32_t count = 512)
{
    std::vector<float> left(count), right(count);
    int blocks = 0;
    while (!Settled(eq, faders) && blocks < 10000)
    {
        std::fill(left.begin(), left.end(), 0.0f);
        std::fill(right.begin(), right.end(), 0.0f);
        RunBlock(eq, rate, faders, left.data(), right.data(), count);
        ++blocks;
    }
    return blocks;
}

} // namespace KVX::Test
