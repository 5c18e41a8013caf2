// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The test signals tovik makes itself: pink noise and a short drum-and-bass pattern. Both are the same on
// every run (fixed seeds), so renders and measurements can be compared.
#include <cstdint>
#include <vector>

namespace KVX::Tovik
{
struct StereoSignal
{
    std::vector<float> left;
    std::vector<float> right;
};

// A small, fast, seeded generator of uniform values in [-1, 1).
class NoiseSource
{
public:
    explicit NoiseSource(std::uint32_t seed) : m_State(seed != 0 ? seed : 1u) {}
    float Next();

private:
    std::uint32_t m_State;
};

// Pink noise (equal energy per octave, from 20 Hz up) at the given RMS level.
std::vector<float> PinkNoise(std::int64_t frames, std::uint32_t seed, float rms);

// Four bars at 174 beats per minute: kick, snare, closed and open hats, and a saturated sub bass line,
// peaking at -9 dB full scale.
StereoSignal DrumAndBass(double sampleRate);
} // namespace KVX::Tovik
