// SPDX-License-Identifier: GPL-3.0-or-later
#include "signals.h"

#include <algorithm>
#include <cmath>

namespace KVX::Tovik
{
namespace
{
constexpr double kTwoPi = 6.283185307179586;

// Adds one drum hit or bass note, built sample by sample by `voice(t)`, at `start` seconds.
template <typename Voice>
void AddAt(std::vector<float>& left, std::vector<float>& right, double sampleRate, double start,
           double duration, float pan, Voice voice)
{
    const auto first = static_cast<std::int64_t>(start * sampleRate);
    const auto count = static_cast<std::int64_t>(duration * sampleRate);
    const float leftGain = std::sqrt(0.5f * (1.0f - pan));
    const float rightGain = std::sqrt(0.5f * (1.0f + pan));
    for (std::int64_t i = 0; i < count && first + i < static_cast<std::int64_t>(left.size()); ++i)
    {
        const float sample = voice(static_cast<double>(i) / sampleRate);
        left[static_cast<std::size_t>(first + i)] += leftGain * sample;
        right[static_cast<std::size_t>(first + i)] += rightGain * sample;
    }
}
} // namespace

float NoiseSource::Next()
{
    // xorshift32: plenty for test signals, and identical everywhere.
    m_State ^= m_State << 13;
    m_State ^= m_State >> 17;
    m_State ^= m_State << 5;
    return static_cast<float>(static_cast<double>(m_State) / 2147483648.0 - 1.0);
}

std::vector<float> PinkNoise(std::int64_t frames, std::uint32_t seed, float rms)
{
    // Rows of held random values, row k renewed every 2^k samples: their sum falls at about 3 dB per
    // octave over as many octaves as there are rows.
    constexpr int kRows = 16;
    NoiseSource noise(seed);
    float rows[kRows];
    float sum = 0.0f;
    for (float& row : rows)
    {
        row = noise.Next();
        sum += row;
    }
    std::vector<float> out(static_cast<std::size_t>(std::max<std::int64_t>(frames, 0)));
    const float scale = rms / std::sqrt(static_cast<float>(kRows + 1) / 3.0f);
    for (std::size_t n = 0; n < out.size(); ++n)
    {
        // The row to renew is the lowest set bit of the counter.
        const auto counter = static_cast<std::uint32_t>(n + 1);
        int row = 0;
        while (row < kRows - 1 && ((counter >> row) & 1u) == 0)
        {
            ++row;
        }
        sum -= rows[row];
        rows[row] = noise.Next();
        sum += rows[row];
        out[n] = scale * (sum + noise.Next());
    }
    return out;
}

StereoSignal DrumAndBass(double sampleRate)
{
    constexpr double kBeatsPerMinute = 174.0;
    constexpr int kBars = 4;
    constexpr int kStepsPerBar = 16;
    const double step = 60.0 / kBeatsPerMinute / 4.0;
    const double length = step * kStepsPerBar * kBars + 0.5;
    StereoSignal out;
    out.left.assign(static_cast<std::size_t>(length * sampleRate), 0.0f);
    out.right.assign(out.left.size(), 0.0f);
    NoiseSource noise(0x5eed);

    // The kick: a sine falling from about 150 Hz to 45 Hz with a short click.
    auto kick = [&noise](double t)
    {
        const double phase = kTwoPi * (45.0 * t + 110.0 * 0.03 * (1.0 - std::exp(-t / 0.03)));
        const double click = t < 0.002 ? 0.3 * noise.Next() : 0.0;
        return static_cast<float>(std::exp(-t / 0.22) * std::sin(phase) + click);
    };
    // The snare: a 185 Hz body and a burst of brightened noise.
    auto snare = [&noise, previous = 0.0f](double t) mutable
    {
        const float white = noise.Next();
        const float bright = white - previous;
        previous = white;
        return static_cast<float>(0.35 * std::exp(-t / 0.05) * std::sin(kTwoPi * 185.0 * t) +
                                  0.5 * std::exp(-t / 0.1) * bright);
    };
    // Hats: noise with its low end taken away by two differences, short or open.
    auto hat = [&noise](double decay, float level)
    {
        return [&noise, decay, level, a = 0.0f, b = 0.0f](double t) mutable
        {
            const float white = noise.Next();
            const float once = white - a;
            const float twice = once - b;
            a = white;
            b = once;
            return static_cast<float>(level * std::exp(-t / decay)) * twice;
        };
    };
    // The bass: a sine through a soft clipper, for a round sub with some upper harmonics.
    auto bass = [](double frequency, double duration)
    {
        return [frequency, duration](double t)
        {
            const double envelope = std::min(1.0, t / 0.008) * std::min(1.0, (duration - t) / 0.02);
            return static_cast<float>(0.6 * envelope * std::tanh(2.5 * std::sin(kTwoPi * frequency * t)));
        };
    };

    const double rate = sampleRate;
    const double notes[kBars * 2] = {41.2, 41.2, 49.0, 36.7, 41.2, 41.2, 55.0, 49.0};
    for (int bar = 0; bar < kBars; ++bar)
    {
        const double barStart = bar * kStepsPerBar * step;
        for (int s : {0, 10})
        {
            AddAt(out.left, out.right, rate, barStart + s * step, 0.4, 0.0f, kick);
        }
        if (bar % 2 == 1)
        {
            AddAt(out.left, out.right, rate, barStart + 7 * step, 0.4, 0.0f, kick);
        }
        for (int s : {4, 12})
        {
            AddAt(out.left, out.right, rate, barStart + s * step, 0.3, -0.1f, snare);
        }
        for (int s = 0; s < kStepsPerBar; ++s)
        {
            const bool open = s == 14;
            const float level = s % 2 == 0 ? 0.25f : 0.12f;
            AddAt(out.left, out.right, rate, barStart + s * step, open ? 0.3 : 0.08, 0.35f,
                  hat(open ? 0.12 : 0.02, level));
        }
        for (int half = 0; half < 2; ++half)
        {
            const double duration = kStepsPerBar / 2 * step - 0.01;
            AddAt(out.left, out.right, rate, barStart + half * (kStepsPerBar / 2) * step, duration, 0.0f,
                  bass(notes[bar * 2 + half], duration));
        }
    }

    float peak = 0.0f;
    for (std::size_t i = 0; i < out.left.size(); ++i)
    {
        peak = std::max({peak, std::fabs(out.left[i]), std::fabs(out.right[i])});
    }
    const float gain = peak > 0.0f ? 0.355f / peak : 1.0f;
    for (std::size_t i = 0; i < out.left.size(); ++i)
    {
        out.left[i] *= gain;
        out.right[i] *= gain;
    }
    return out;
}
} // namespace KVX::Tovik
