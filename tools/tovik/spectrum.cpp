// SPDX-License-Identifier: GPL-3.0-or-later
#include "spectrum.h"

#include "audio_file.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

namespace KVX::Tovik
{
namespace
{
constexpr std::size_t kWindow = 16384;
constexpr double kPi = 3.141592653589793;

struct PlanDeleter
{
    void operator()(fftw_plan_s* plan) const { fftw_destroy_plan(plan); }
};
struct BufferDeleter
{
    void operator()(void* buffer) const { fftw_free(buffer); }
};
} // namespace

bool MeasureAverageSpectrum(const std::string& path, AverageSpectrum& spectrum, std::string& error)
{
    AudioReader reader;
    if (!reader.Open(path, error))
    {
        return false;
    }
    const AudioFormat& format = reader.Format();
    const auto channels = static_cast<std::size_t>(format.channels);

    std::unique_ptr<double, BufferDeleter> in(static_cast<double*>(fftw_malloc(sizeof(double) * kWindow)));
    std::unique_ptr<fftw_complex, BufferDeleter> out(
        static_cast<fftw_complex*>(fftw_malloc(sizeof(fftw_complex) * (kWindow / 2 + 1))));
    // Estimated, not measured: the same plan, and so the same numbers, on every run.
    std::unique_ptr<fftw_plan_s, PlanDeleter> plan(
        fftw_plan_dft_r2c_1d(static_cast<int>(kWindow), in.get(), out.get(), FFTW_ESTIMATE));

    spectrum.sampleRate = format.sampleRate;
    spectrum.binHz = format.sampleRate / static_cast<double>(kWindow);
    spectrum.power.assign(kWindow / 2 + 1, 0.0);
    std::size_t windows = 0;
    std::vector<double> window;
    double energy = 0.0;
    // Adds the window of `length` frames at the start of each channel's pending frames.
    auto addWindow = [&](const std::vector<std::vector<float>>& pending, std::size_t length)
    {
        if (window.size() != length)
        {
            window.resize(length);
            energy = 0.0;
            for (std::size_t i = 0; i < length; ++i)
            {
                window[i] = length > 1
                                ? 0.5 - 0.5 * std::cos(2.0 * kPi * static_cast<double>(i) / (length - 1))
                                : 1.0;
                energy += window[i] * window[i];
            }
        }
        for (const auto& channel : pending)
        {
            std::fill(in.get(), in.get() + kWindow, 0.0);
            for (std::size_t i = 0; i < length; ++i)
            {
                in.get()[i] = window[i] * channel[i];
            }
            fftw_execute(plan.get());
            for (std::size_t k = 0; k < spectrum.power.size(); ++k)
            {
                const double re = out.get()[k][0];
                const double im = out.get()[k][1];
                spectrum.power[k] += (re * re + im * im) / energy;
            }
            ++windows;
        }
    };

    constexpr std::int64_t kBlock = 4096;
    std::vector<std::vector<float>> pending(channels);
    std::vector<float> block(static_cast<std::size_t>(kBlock) * channels);
    std::int64_t read = 0;
    do
    {
        if (!reader.Read(block.data(), kBlock, read, error))
        {
            return false;
        }
        for (std::int64_t f = 0; f < read; ++f)
        {
            for (std::size_t c = 0; c < channels; ++c)
            {
                pending[c].push_back(block[static_cast<std::size_t>(f) * channels + c]);
            }
        }
        while (pending.front().size() >= kWindow)
        {
            addWindow(pending, kWindow);
            for (auto& channel : pending)
            {
                channel.erase(channel.begin(), channel.begin() + kWindow / 2);
            }
        }
    } while (read > 0);
    // A file shorter than one window is measured as one window of its own length.
    if (windows == 0)
    {
        addWindow(pending, pending.front().size());
    }
    for (double& p : spectrum.power)
    {
        p /= static_cast<double>(windows);
    }
    return true;
}

std::vector<double> ThirdOctaveDb(const AverageSpectrum& spectrum, const std::vector<double>& frequencies)
{
    const double sixthOctave = std::pow(2.0, 1.0 / 6.0);
    const double lastBin = static_cast<double>(spectrum.power.size() - 1);
    std::vector<double> levels;
    for (double f : frequencies)
    {
        const double low = f / sixthOctave / spectrum.binHz;
        const double high = std::min(f * sixthOctave / spectrum.binHz, lastBin);
        double sum = 0.0;
        int count = 0;
        for (auto k = static_cast<std::size_t>(std::ceil(low)); static_cast<double>(k) <= high; ++k)
        {
            sum += spectrum.power[k];
            ++count;
        }
        double power = count > 0 ? sum / count : 0.0;
        if (count == 0)
        {
            // Fewer bins than the band is wide: between the two around the frequency.
            const double at = std::min(f / spectrum.binHz, lastBin);
            const auto below = static_cast<std::size_t>(std::floor(at));
            const std::size_t above = std::min(below + 1, spectrum.power.size() - 1);
            const double share = at - static_cast<double>(below);
            power = spectrum.power[below] * (1.0 - share) + spectrum.power[above] * share;
        }
        levels.push_back(power > 0.0 ? 10.0 * std::log10(power) : -std::numeric_limits<double>::infinity());
    }
    return levels;
}
} // namespace KVX::Tovik
