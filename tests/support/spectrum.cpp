// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrum.h"

#include <sndfile.h>

#include <cmath>
#include <complex>
#include <utility>

namespace KVX::Test
{
namespace
{
constexpr double kPi = 3.141592653589793;

// In-place iterative radix-2 transform; the length must be a power of two.
void Transform(std::vector<std::complex<double>>& data)
{
    const std::size_t n = data.size();
    for (std::size_t i = 1, j = 0; i < n; ++i)
    {
        std::size_t bit = n >> 1;
        for (; (j & bit) != 0; bit >>= 1)
        {
            j ^= bit;
        }
        j |= bit;
        if (i < j)
        {
            std::swap(data[i], data[j]);
        }
    }
    for (std::size_t length = 2; length <= n; length <<= 1)
    {
        const std::complex<double> step = std::polar(1.0, -2.0 * kPi / static_cast<double>(length));
        for (std::size_t start = 0; start < n; start += length)
        {
            std::complex<double> twiddle = 1.0;
            for (std::size_t k = 0; k < length / 2; ++k)
            {
                const std::complex<double> even = data[start + k];
                const std::complex<double> odd = data[start + k + length / 2] * twiddle;
                data[start + k] = even + odd;
                data[start + k + length / 2] = even - odd;
                twiddle *= step;
            }
        }
    }
}
} // namespace

AudioFile ReadAudio(const std::string& path)
{
    AudioFile audio;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        return audio;
    }
    audio.sampleRate = info.samplerate;
    audio.channels = info.channels;
    audio.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t read = sf_readf_float(file, audio.samples.data(), info.frames);
    audio.samples.resize(static_cast<std::size_t>(read * info.channels));
    sf_close(file);
    return audio;
}

PowerSpectrum::PowerSpectrum(const AudioFile& audio, int channel, int segmentLength)
    : m_BinHz(audio.sampleRate / segmentLength), m_Power(static_cast<std::size_t>(segmentLength / 2 + 1), 0.0)
{
    if (audio.channels <= 0 || channel >= audio.channels)
    {
        return;
    }
    const std::size_t frames = audio.samples.size() / static_cast<std::size_t>(audio.channels);
    const auto length = static_cast<std::size_t>(segmentLength);
    std::vector<double> window(length);
    for (std::size_t i = 0; i < length; ++i)
    {
        window[i] = 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / static_cast<double>(length));
    }
    std::vector<std::complex<double>> data(length);
    for (std::size_t start = 0; start + length <= frames; start += length / 2)
    {
        for (std::size_t i = 0; i < length; ++i)
        {
            const std::size_t at =
                (start + i) * static_cast<std::size_t>(audio.channels) + static_cast<std::size_t>(channel);
            data[i] = audio.samples[at] * window[i];
        }
        Transform(data);
        for (std::size_t k = 0; k < m_Power.size(); ++k)
        {
            m_Power[k] += std::norm(data[k]);
        }
        ++m_Segments;
    }
    for (double& power : m_Power)
    {
        power /= m_Segments > 0 ? m_Segments : 1;
    }
}

double PowerSpectrum::Mean(double lowHz, double highHz) const
{
    double sum = 0.0;
    int count = 0;
    for (std::size_t k = 0; k < m_Power.size(); ++k)
    {
        const double frequency = static_cast<double>(k) * m_BinHz;
        if (frequency >= lowHz && frequency <= highHz)
        {
            sum += m_Power[k];
            ++count;
        }
    }
    return count > 0 ? sum / count : 0.0;
}

double RatioDb(double numerator, double denominator)
{
    return 10.0 * std::log10(numerator / denominator);
}
} // namespace KVX::Test
