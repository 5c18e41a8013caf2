// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio_scenario.h"

#include <cstdint>
#include <cstring>
#include <fstream>
#include <limits>

namespace KVX::Test
{
namespace
{
constexpr char kMagic[8] = {'K', 'V', 'X', 'A', 'R', 'E', 'F', '1'};

// A 32-bit linear congruential generator; its top 24 bits make an exactly representable float.
class Noise
{
public:
    explicit Noise(std::uint32_t seed) : m_State(seed) {}
    float Next()
    {
        m_State = m_State * 1664525u + 1013904223u;
        return static_cast<float>(m_State >> 8) * (1.0f / 16777216.0f) - 0.5f;
    }

private:
    std::uint32_t m_State;
};

// Noise at half scale plus a square wave: broad-band content for every band, and edges.
float Input(Noise& noise, int frame, int period)
{
    const float square = (frame / (period / 2)) % 2 == 0 ? 0.125f : -0.125f;
    return 0.5f * noise.Next() + square;
}

template <class T> void Put(std::ofstream& out, const T& value)
{
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

template <class T> bool Get(std::ifstream& in, T& value)
{
    return static_cast<bool>(in.read(reinterpret_cast<char*>(&value), sizeof value));
}
} // namespace

std::vector<AudioCase> AudioCases()
{
    std::vector<AudioCase> cases;
    for (float rate : {44100.0f, 48000.0f, 96000.0f, 22050.0f, 0.0f, std::numeric_limits<float>::quiet_NaN()})
    {
        for (int block : {1, 64, 4096})
        {
            cases.push_back({rate, block});
        }
    }
    return cases;
}

std::vector<float> RunAudioCase(AEffect* effect, const AudioCase& audioCase)
{
    const int block = audioCase.blockSize;
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, audioCase.sampleRate);
    effect->dispatcher(effect, effSetBlockSize, 0, block, nullptr, 0.0f);
    effect->dispatcher(effect, effMainsChanged, 0, 1, nullptr, 0.0f);
    const float faders[10] = {0.9f, 0.1f, 0.75f, 0.3f, 1.0f, 0.0f, 0.6f, 0.45f, 0.8f, 0.2f};
    for (int i = 0; i < 10; ++i)
    {
        effect->setParameter(effect, i, faders[i]);
    }
    effect->setParameter(effect, 10, 1.0f);

    std::vector<float> output(2 * static_cast<std::size_t>(kScenarioFrames));
    std::vector<float> left(static_cast<std::size_t>(block)), right(left.size());
    std::vector<float> outLeft(left.size()), outRight(left.size());
    Noise noiseLeft(12345u), noiseRight(67890u);
    bool moved = false;
    for (int start = 0; start < kScenarioFrames; start += block)
    {
        if (!moved && start >= kScenarioFrames / 2)
        {
            effect->setParameter(effect, 5, 0.2f); // the smoothing glides to it over the next blocks
            moved = true;
        }
        const int n = block < kScenarioFrames - start ? block : kScenarioFrames - start;
        for (int i = 0; i < n; ++i)
        {
            left[static_cast<std::size_t>(i)] = Input(noiseLeft, start + i, 100);
            right[static_cast<std::size_t>(i)] = Input(noiseRight, start + i, 146);
        }
        float* in[] = {left.data(), right.data()};
        float* out[] = {outLeft.data(), outRight.data()};
        effect->processReplacing(effect, in, out, n);
        std::memcpy(output.data() + start, outLeft.data(), static_cast<std::size_t>(n) * sizeof(float));
        std::memcpy(output.data() + kScenarioFrames + start, outRight.data(),
                    static_cast<std::size_t>(n) * sizeof(float));
    }
    effect->dispatcher(effect, effMainsChanged, 0, 0, nullptr, 0.0f);
    return output;
}

bool WriteAudioReference(const std::string& path, const AudioReference& reference)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(kMagic, sizeof kMagic);
    Put(out, static_cast<std::uint32_t>(reference.cases.size()));
    Put(out, static_cast<std::uint32_t>(kScenarioFrames));
    for (std::size_t c = 0; c < reference.cases.size(); ++c)
    {
        Put(out, reference.cases[c].sampleRate);
        Put(out, static_cast<std::int32_t>(reference.cases[c].blockSize));
        const auto& samples = reference.outputs[c];
        out.write(reinterpret_cast<const char*>(samples.data()),
                  static_cast<std::streamsize>(samples.size() * sizeof(float)));
    }
    return static_cast<bool>(out);
}

bool ReadAudioReference(const std::string& path, AudioReference& reference)
{
    std::ifstream in(path, std::ios::binary);
    char magic[sizeof kMagic] = {};
    std::uint32_t count = 0;
    std::uint32_t frames = 0;
    if (!in.read(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof kMagic) != 0 || !Get(in, count) ||
        !Get(in, frames) || frames != static_cast<std::uint32_t>(kScenarioFrames) || count > 1000)
    {
        return false;
    }
    reference = {};
    for (std::uint32_t c = 0; c < count; ++c)
    {
        AudioCase audioCase;
        std::int32_t block = 0;
        std::vector<float> samples(2 * static_cast<std::size_t>(kScenarioFrames));
        if (!Get(in, audioCase.sampleRate) || !Get(in, block) ||
            !in.read(reinterpret_cast<char*>(samples.data()),
                     static_cast<std::streamsize>(samples.size() * sizeof(float))))
        {
            return false;
        }
        audioCase.blockSize = block;
        reference.cases.push_back(audioCase);
        reference.outputs.push_back(std::move(samples));
    }
    return true;
}
} // namespace KVX::Test
