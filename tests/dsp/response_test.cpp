// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/band_tuning.h"
#include "dsp/graphic_eq.h"
#include "engine_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>

using namespace KVX;
using namespace KVX::Test;

namespace
{

constexpr double kTwoPi = 6.283185307179586;

std::complex<double> Transfer(double b0, double b1, double b2, double a1, double a2, double w)
{
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    return (b0 + b1 * z1 + b2 * z2) / (1.0 + a1 * z1 + a2 * z2);
}

// The textbook peaking response for a gain, Q and centre frequency, written out independently.
double PeakingDb(const BandTuning& t, double rate, double frequency)
{
    const double w0 = kTwoPi * t.frequency / rate;
    const double a = std::pow(10.0, t.gainDb / 40.0);
    const double alpha = std::sin(w0) / (2.0 * t.q);
    const double c = std::cos(w0);
    const double a0 = 1.0 + alpha / a;
    const auto h = Transfer((1.0 + alpha * a) / a0, -2.0 * c / a0, (1.0 - alpha * a) / a0, -2.0 * c / a0,
                            (1.0 - alpha / a) / a0, kTwoPi * frequency / rate);
    return 20.0 * std::log10(std::abs(h));
}

} // namespace

// One band settled away from its centre, the others flat: the engine's measured response, with the
// output low-pass divided out, is the band's peaking design for the table's gain, Q and frequency.
TEST(GraphicEQResponse, SettledBandMatchesTheDesignedPeakingResponse)
{
    constexpr float kRate = 48000.0f;
    constexpr int32_t kLength = 1 << 16;
    struct Case
    {
        int32_t band;
        float position;
    };
    for (const Case& test : {Case{0, 1.0f}, Case{3, 0.3f}, Case{5, 0.0f}, Case{7, 0.8f}, Case{9, 0.9f}})
    {
        Faders faders = AllFaders(0.5f);
        faders[test.band] = test.position;
        CGraphicEQ eq;
        Settle(eq, kRate, faders);

        std::vector<float> left(kLength, 0.0f), right(kLength, 0.0f);
        left[0] = 1.0f;
        RunBlock(eq, kRate, faders, left.data(), right.data(), kLength);

        const BandTuning tuning = LookupBandTuning(test.band, test.position);
        const COutputLowPass& lp = eq.OutputFilter(0);
        for (double ratio : {1.0, 0.5, 0.8, 1.25, 2.0})
        {
            const double frequency = tuning.frequency * ratio;
            const double w = kTwoPi * frequency / kRate;
            std::complex<double> measured = 0.0;
            for (int32_t n = 0; n < kLength; ++n)
                measured += static_cast<double>(left[n]) * std::polar(1.0, -w * n);
            const double lowPass = std::abs(Transfer(lp.b0, lp.b1, lp.b2, lp.a1, lp.a2, w));
            const double bandDb = 20.0 * std::log10(std::abs(measured) / lowPass);
            EXPECT_NEAR(bandDb, PeakingDb(tuning, kRate, frequency), 0.01)
                << "band " << test.band << " position " << test.position << " at " << frequency << " Hz";
            if (ratio == 1.0)
            {
                EXPECT_NEAR(bandDb, tuning.gainDb, 0.01);
            }
        }
    }
}
