// SPDX-License-Identifier: GPL-3.0-or-later
#include "response_measurement.h"

#include "plugin_session.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <limits>

namespace KVX::Tovik
{
namespace
{
constexpr double kTwoPi = 6.283185307179586;
// Long enough for parameter smoothing to finish.
constexpr double kSettleSeconds = 1.0;
// Long enough for the slowest low-frequency section to decay far below the measurement's resolution.
constexpr double kImpulseSeconds = 1.5;
// Small enough that no sane plug-in clips it even with +24 dB of boost.
constexpr float kImpulseLevel = 0.25f;
// The rotating phasor is renewed exactly this often so that rounding cannot pile up.
constexpr std::size_t kPhasorRenewal = 256;

// The discrete-time Fourier transform of `response` at angular frequency `w` (radians per sample).
std::complex<double> Transform(const std::vector<float>& response, double w)
{
    std::complex<double> sum = 0.0;
    const std::complex<double> step = std::polar(1.0, -w);
    std::complex<double> phasor = 1.0;
    for (std::size_t n = 0; n < response.size(); ++n)
    {
        if (n % kPhasorRenewal == 0)
        {
            phasor = std::polar(1.0, -w * static_cast<double>(n));
        }
        sum += static_cast<double>(response[n]) * phasor;
        phasor *= step;
    }
    return sum;
}
} // namespace

std::vector<double> LogFrequencies(double low, double high, int count)
{
    std::vector<double> out;
    for (int i = 0; i < count; ++i)
    {
        const double share = count > 1 ? static_cast<double>(i) / (count - 1) : 0.0;
        out.push_back(low * std::pow(high / low, share));
    }
    return out;
}

std::string ChannelName(int channel, int count)
{
    if (count == 1)
    {
        return "mono";
    }
    if (count == 2)
    {
        return channel == 0 ? "left" : "right";
    }
    return "out " + std::to_string(channel + 1);
}

ResponseCurves MeasureResponse(Session& session, double sampleRate, const std::vector<double>& frequencies)
{
    const int block = session.BlockSize();
    const auto settle = static_cast<std::int64_t>(kSettleSeconds * sampleRate);
    const auto length = static_cast<std::int64_t>(kImpulseSeconds * sampleRate);

    session.ClearInputs();
    for (std::int64_t done = 0; done < settle; done += block)
    {
        session.Process(static_cast<int>(std::min<std::int64_t>(block, settle - done)));
    }

    const int outputs = session.Outputs();
    std::vector<std::vector<float>> responses(static_cast<std::size_t>(outputs));
    for (std::int64_t done = 0; done < length; done += block)
    {
        const int frames = static_cast<int>(std::min<std::int64_t>(block, length - done));
        for (int input = 0; input < session.Inputs(); ++input)
        {
            session.Input(input)[0] = done == 0 ? kImpulseLevel : 0.0f;
        }
        session.Process(frames);
        for (int c = 0; c < outputs; ++c)
        {
            responses[static_cast<std::size_t>(c)].insert(responses[static_cast<std::size_t>(c)].end(),
                                                          session.Output(c), session.Output(c) + frames);
        }
    }

    ResponseCurves curves;
    for (double frequency : frequencies)
    {
        if (frequency > 0.0 && frequency < 0.5 * sampleRate)
        {
            curves.frequencies.push_back(frequency);
        }
    }
    curves.gainsDb.assign(static_cast<std::size_t>(outputs), {});
    for (int c = 0; c < outputs; ++c)
    {
        for (double frequency : curves.frequencies)
        {
            const double magnitude =
                std::abs(Transform(responses[static_cast<std::size_t>(c)], kTwoPi * frequency / sampleRate)) /
                kImpulseLevel;
            curves.gainsDb[static_cast<std::size_t>(c)].push_back(
                magnitude > 0.0 ? 20.0 * std::log10(magnitude) : -std::numeric_limits<double>::infinity());
        }
    }
    return curves;
}
} // namespace KVX::Tovik
