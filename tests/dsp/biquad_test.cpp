// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/band_tuning.h"
#include "dsp/biquad.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <complex>
#include <cstring>
#include <limits>
#include <vector>

using namespace KVX;

namespace
{

constexpr double kPi = 3.14159265358979323846;

double MagnitudeDb(const BiquadCoefficients& c, double w)
{
    const std::complex<double> z1 = std::polar(1.0, -w);
    const std::complex<double> z2 = z1 * z1;
    const std::complex<double> h = (c.b0 + c.b1 * z1 + c.b2 * z2) / (1.0 + c.a1 * z1 + c.a2 * z2);
    return 20.0 * std::log10(std::abs(h));
}

// Largest pole radius of 1 + a1 z^-1 + a2 z^-2.
double PoleRadius(const BiquadCoefficients& c)
{
    const double disc = c.a1 * c.a1 - 4.0 * c.a2;
    if (disc < 0.0)
        return std::sqrt(c.a2);
    const double root = std::sqrt(disc);
    return std::max(std::fabs((-c.a1 + root) / 2.0), std::fabs((-c.a1 - root) / 2.0));
}

bool SameBits(const BiquadCoefficients& x, const BiquadCoefficients& y)
{
    auto same = [](double a, double b) { return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b); };
    return x.type == y.type && same(x.b0, y.b0) && same(x.b1, y.b1) && same(x.b2, y.b2) && same(x.a1, y.a1) &&
           same(x.a2, y.a2);
}

CBiquad MakeSection(int32_t band, double rate, double position)
{
    CBiquad section;
    section.sampleRate = rate;
    section.Update(true);
    section.SetBand(band);
    section.SetPosition(position);
    return section;
}

} // namespace

TEST(BiquadDesign, EveryTypeHasItsDefiningResponse)
{
    const double rate = 48000.0, f = 1000.0, q = 0.7, gain = 6.0;
    const double w0 = f * 6.283185306 / rate;
    BiquadCoefficients c;
    auto design = [&](int32_t type)
    {
        Design(type, rate, q, gain, f, c);
        EXPECT_EQ(c.type, type);
    };

    design(kBiquadLowPass);
    EXPECT_NEAR(MagnitudeDb(c, 0.0), 0.0, 1e-9);
    EXPECT_NEAR(MagnitudeDb(c, w0), 20.0 * std::log10(q), 1e-9);
    design(kBiquadHighPass);
    EXPECT_NEAR(MagnitudeDb(c, kPi), 0.0, 1e-9);
    EXPECT_NEAR(MagnitudeDb(c, w0), 20.0 * std::log10(q), 1e-9);
    design(kBiquadBandPassPeakQ);
    EXPECT_NEAR(MagnitudeDb(c, w0), 20.0 * std::log10(q), 1e-9);
    design(kBiquadBandPass);
    EXPECT_NEAR(MagnitudeDb(c, w0), 0.0, 1e-9);
    design(kBiquadNotch);
    EXPECT_LT(MagnitudeDb(c, w0), -150.0);
    EXPECT_NEAR(MagnitudeDb(c, 0.0), 0.0, 1e-9);
    design(kBiquadAllPass);
    for (double w : {0.01, 0.3, 1.0, 2.5})
        EXPECT_NEAR(MagnitudeDb(c, w), 0.0, 1e-9);
    design(kBiquadLowShelf);
    EXPECT_NEAR(MagnitudeDb(c, 0.0), gain, 1e-9);
    EXPECT_NEAR(MagnitudeDb(c, kPi), 0.0, 1e-3);
    design(kBiquadHighShelf);
    EXPECT_NEAR(MagnitudeDb(c, kPi), gain, 1e-9);
    EXPECT_NEAR(MagnitudeDb(c, 0.0), 0.0, 1e-3);
    design(kBiquadPeaking);
    EXPECT_NEAR(MagnitudeDb(c, w0), gain, 1e-9);
    EXPECT_NEAR(MagnitudeDb(c, 0.0), 0.0, 1e-9);
}

TEST(BiquadDesign, PeakingAtZeroGainIsExactlyFlatAndUnknownTypesPassThrough)
{
    BiquadCoefficients c;
    Design(kBiquadPeaking, 44100.0, 0.3, 0.0, 2000.0, c);
    EXPECT_EQ(c.b0, 1.0);
    EXPECT_EQ(c.b1, c.a1);
    EXPECT_EQ(c.b2, c.a2);

    Design(42, 44100.0, 0.3, 6.0, 2000.0, c);
    EXPECT_EQ(c.type, 42);
    EXPECT_EQ(c.b0, 1.0);
    EXPECT_EQ(c.b1, 0.0);
    EXPECT_EQ(c.b2, 0.0);
    EXPECT_EQ(c.a1, 0.0);
    EXPECT_EQ(c.a2, 0.0);
}

TEST(Biquad, RedesignsOnlyOnAnExactChangeAndKeepsItsState)
{
    CBiquad section = MakeSection(4, 48000.0, 0.8);
    section.w1 = 0.25;
    section.w2 = -0.5;

    // A sentinel in the coefficients shows whether a redesign happened.
    section.coefficients.b0 = 123.0;
    section.SetPosition(0.8);
    section.SetBand(4);
    EXPECT_EQ(section.coefficients.b0, 123.0);

    section.SetPosition(0.7);
    EXPECT_NE(section.coefficients.b0, 123.0);
    section.coefficients.b0 = 123.0;
    section.SetBand(5);
    EXPECT_NE(section.coefficients.b0, 123.0);
    section.coefficients.b0 = 123.0;
    section.SetBand(10);
    EXPECT_EQ(section.band, 5);
    EXPECT_EQ(section.coefficients.b0, 123.0);
    EXPECT_EQ(section.w1, 0.25);
    EXPECT_EQ(section.w2, -0.5);

    section.Update(false);
    EXPECT_EQ(section.w1, 0.25);
    section.Update(true);
    EXPECT_EQ(section.w1, 0.0);
    EXPECT_EQ(section.w2, 0.0);
}

TEST(Biquad, CentrePositionPassesBitExactAndFreezesTheState)
{
    CBiquad section = MakeSection(2, 44100.0, 0.9);
    std::vector<float> block = {0.5f, -0.25f, 1e-30f, 0.75f, std::numeric_limits<float>::denorm_min()};
    section.Process(block.data(), static_cast<int32_t>(block.size()));
    const double w1 = section.w1, w2 = section.w2;

    section.SetPosition(0.5);
    std::vector<float> input = {0.3f, -0.7f, 1e-42f, 0.0f, -0.0f, 1.0f};
    std::vector<float> output = input;
    section.Process(output.data(), static_cast<int32_t>(output.size()));
    EXPECT_EQ(0, std::memcmp(output.data(), input.data(), input.size() * sizeof(float)));
    EXPECT_EQ(section.w1, w1);
    EXPECT_EQ(section.w2, w2);

    // The smallest step away from the centre runs the filter again.
    section.SetPosition(std::nextafter(0.5, 1.0));
    section.Process(output.data(), static_cast<int32_t>(output.size()));
    EXPECT_NE(section.w1, w1);
}

TEST(Biquad, FlushesTinyOutputButKeepsTheUnflushedState)
{
    CBiquad section;
    section.position = 0.25;
    section.coefficients = {kBiquadPeaking, 1e-40, 0.0, 0.0, 0.0, 0.0};
    float sample = 1.0f;
    section.Process(&sample, 1);
    EXPECT_EQ(sample, 0.0f);
    EXPECT_FALSE(std::signbit(sample));
    EXPECT_EQ(section.w1, 1.0);

    section.coefficients.b0 = 1.1754944e-38;
    sample = 1.0f;
    section.Process(&sample, 1);
    EXPECT_EQ(sample, 1.1754944e-38f);
}

TEST(Biquad, NonFiniteOrGarbageSizedInputClearsTheStateAtTheEndOfTheBlock)
{
    for (float bad : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
                      std::numeric_limits<float>::max(), 1e20f})
    {
        CBiquad poisoned = MakeSection(0, 48000.0, 1.0);
        CBiquad fresh = poisoned;
        std::vector<float> block(64, 0.1f);
        block[10] = bad;
        poisoned.Process(block.data(), 64);
        EXPECT_EQ(poisoned.w1, 0.0);
        EXPECT_EQ(poisoned.w2, 0.0);

        std::vector<float> a(64, 0.2f), b(64, 0.2f);
        poisoned.Process(a.data(), 64);
        fresh.Process(b.data(), 64);
        EXPECT_EQ(a, b);
    }
}

// Table frequencies reach 19 kHz; at 32 kHz and below that is at or past Nyquist, where the plain design
// is unstable. Every section must stay stable at every rate a host may use.
TEST(Biquad, EverySectionIsStableFrom8To384kHz)
{
    std::vector<double> rates = {8000,  11025, 16000,  22050,  24000,  32000,  44100, 48000,
                                 88200, 96000, 176400, 192000, 352800, 384000, 1.0,   1e7};
    for (double r = 8000.0; r < 48000.0; r += 500.0)
        rates.push_back(r);
    for (double rate : rates)
        for (int32_t band = 0; band < kBandCount; ++band)
            for (int step = 0; step <= 240; ++step)
            {
                if (step == 120)
                    continue; // the centre is never run
                const CBiquad s = MakeSection(band, rate, step / 240.0);
                ASSERT_LT(PoleRadius(s.coefficients), 1.0)
                    << "rate " << rate << " band " << band << " position " << step / 240.0;
            }
}

TEST(Biquad, DesignIsUnchangedWhereTheTableLiesBelowNyquist)
{
    for (double rate : {44100.0, 48000.0, 88200.0, 96000.0, 192000.0, 384000.0})
        for (int32_t band = 0; band < kBandCount; ++band)
            for (int step = 0; step <= 48; ++step)
            {
                const double position = step / 48.0 + (step % 3) * 1e-3;
                const CBiquad s = MakeSection(band, rate, position);
                const BandTuning t = LookupBandTuning(band, position);
                BiquadCoefficients plain;
                Design(kBiquadPeaking, rate, t.q, t.gainDb, t.frequency, plain);
                ASSERT_TRUE(SameBits(s.coefficients, plain))
                    << "rate " << rate << " band " << band << " position " << position;
            }
}

// A section reuses sine, cosine and amplitude between designs; walked through positions, bands and rates
// in an order that repeats and changes each input alone, it must still match a fresh design every time.
TEST(Biquad, ReusedDesignValuesMatchAFreshDesignThroughAnySequence)
{
    auto expectFresh = [](const CBiquad& s, const char* what)
    {
        BandTuning t = LookupBandTuning(s.band, s.position);
        t.frequency = std::min(t.frequency, s.sampleRate * CBiquad::kMaxFrequencyRatio);
        BiquadCoefficients plain;
        Design(kBiquadPeaking, s.sampleRate, t.q, t.gainDb, t.frequency, plain);
        ASSERT_TRUE(SameBits(s.coefficients, plain))
            << what << ": rate " << s.sampleRate << " band " << s.band << " position " << s.position;
    };
    for (int32_t band = 0; band < kBandCount; ++band)
    {
        CBiquad section = MakeSection(band, 48000.0, 0.3);
        // Up and down across steps where frequency, Q or gain stay put while the others move.
        for (int i = 0; i <= 400; ++i)
        {
            section.SetPosition(0.5 + 0.49 * std::sin(i * 0.37));
            expectFresh(section, "position");
        }
        // The same frequency at another rate, then back: the angle differs.
        for (double rate : {44100.0, 48000.0, 32000.0, 48000.0})
        {
            section.sampleRate = rate;
            section.Update(false);
            expectFresh(section, "rate");
        }
        section.SetBand((band + 3) % kBandCount);
        expectFresh(section, "band");
    }
}

#if defined(__GLIBC__)
// Where it optimises, the compiler turns the sine and cosine of one angle into a single sincos() call;
// where it does not (a debug build), they stay apart. Pinned coefficients need both to give the same
// bits over every angle a band design can reach: up to 0.45 of a turn, down to 20 Hz at 10 MHz.
TEST(BiquadDesign, SincosGivesTheBitsOfSineAndCosineOverEveryDesignAngle)
{
    // Called through pointers the compiler cannot see through, so that they are not fused here.
    double (*volatile sine)(double) = ::sin;
    double (*volatile cosine)(double) = ::cos;
    auto expectSame = [&](double w0)
    {
        double s, c;
        ::sincos(w0, &s, &c);
        const double s1 = sine(w0), c1 = cosine(w0);
        ASSERT_EQ(std::bit_cast<uint64_t>(s), std::bit_cast<uint64_t>(s1)) << "sine of " << w0;
        ASSERT_EQ(std::bit_cast<uint64_t>(c), std::bit_cast<uint64_t>(c1)) << "cosine of " << w0;
    };
    for (double rate : {1.0, 8000.0, 22050.0, 32000.0, 44100.0, 48000.0, 96000.0, 192000.0, 384000.0, 1e7})
        for (int32_t band = 0; band < kBandCount; ++band)
            for (int step = 0; step <= 2400; ++step)
            {
                const double f = std::min(LookupBandTuning(band, step / 2400.0).frequency,
                                          rate * CBiquad::kMaxFrequencyRatio);
                expectSame(f * 6.283185306 / rate);
            }
    uint64_t state = 0x9E3779B97F4A7C15u;
    const double top = 0.45 * 6.283185306;
    for (int i = 0; i < 400000; ++i)
    {
        state = state * 6364136223846793005u + 1442695040888963407u;
        const double u = static_cast<double>(state >> 11) * 0x1p-53;
        expectSame(u * top);                            // evenly over the range
        expectSame(top * std::exp2(-24.0 * (1.0 - u))); // evenly over the octaves of low angles
    }
}
#endif
