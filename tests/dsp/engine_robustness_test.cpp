// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/graphic_eq.h"
#include "engine_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>

using namespace KVX;
using namespace KVX::Test;

namespace
{

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

bool AllFinite(const std::vector<float>& v)
{
    for (float x : v)
        if (!std::isfinite(x))
            return false;
    return true;
}

} // namespace

TEST(GraphicEQRobustness, StaysStableAtLowAndHighHostRates)
{
    const Faders patterns[] = {
        AllFaders(1.0f), AllFaders(0.0f), AllFaders(0.75f), AllFaders(0.55f), {1, 0, 1, 0, 1, 0, 1, 0, 1, 0}};
    for (float rate : {8000.0f, 11025.0f, 16000.0f, 22050.0f, 32000.0f, 44100.0f, 384000.0f})
        for (const Faders& faders : patterns)
        {
            CGraphicEQ eq;
            CNoise noise;
            std::vector<float> l(256), r(256);
            float peak = 0.0f;
            for (int block = 0; block < static_cast<int>(rate) / 256; ++block)
            {
                noise.Fill(l, 0.5f);
                noise.Fill(r, 0.5f);
                RunBlock(eq, rate, faders, l.data(), r.data(), 256);
                ASSERT_TRUE(AllFinite(l) && AllFinite(r)) << rate;
                for (float x : l)
                    peak = std::max(peak, std::fabs(x));
            }
            // Boosted bands stack up but stay bounded; an unstable section would run off to infinity.
            EXPECT_LT(peak, 100.0f) << rate;
        }
}

TEST(GraphicEQRobustness, InvalidSampleRateIsIgnored)
{
    CGraphicEQ eq;
    Settle(eq, 48000.0f, AllFaders(0.8f));
    std::vector<float> l(512, 0.5f), r(512, -0.5f);
    RunBlock(eq, 48000.0f, AllFaders(0.8f), l.data(), r.data(), 512);
    const double w1 = eq.Section(2, 0).w1;
    const float coefficient = eq.RiseCoefficient();

    for (float bad : {0.0f, -0.0f, -44100.0f, kNaN, kInf, -kInf, 0.5f, 1e9f,
                      std::numeric_limits<float>::denorm_min(), std::numeric_limits<float>::max()})
    {
        eq.SetSampleRate(bad);
        EXPECT_EQ(eq.SampleRate(), 48000.0f) << bad;
        EXPECT_EQ(eq.Section(2, 0).w1, w1) << bad;
        EXPECT_EQ(eq.Section(2, 0).sampleRate, 48000.0) << bad;
        EXPECT_EQ(eq.OutputFilter(0).sampleRate, 48000.0f) << bad;
        EXPECT_EQ(eq.RiseCoefficient(), coefficient) << bad;
    }

    // Before any valid rate the engine keeps its start values, and the first valid rate takes hold.
    CGraphicEQ fresh;
    fresh.SetSampleRate(kNaN);
    fresh.SetSampleRate(0.0f);
    EXPECT_EQ(fresh.SampleRate(), 0.0f);
    fresh.SetSampleRate(44100.0f);
    EXPECT_EQ(fresh.SampleRate(), 44100.0f);
}

TEST(GraphicEQRobustness, BlockSizeNeverGivesNonFiniteSmoothing)
{
    CGraphicEQ eq;
    EXPECT_FALSE(eq.SetBlockSize(0));
    eq.SetSampleRate(44100.0f);
    EXPECT_TRUE(eq.SetBlockSize(512));
    const float coefficient = eq.RiseCoefficient();
    for (int32_t bad : {0, -1, -512, INT_MIN})
    {
        EXPECT_FALSE(eq.SetBlockSize(bad));
        EXPECT_EQ(eq.BlockSize(), 512);
        EXPECT_EQ(eq.RiseCoefficient(), coefficient);
    }

    for (float rate : {8000.0f, 44100.0f, 384000.0f, CGraphicEQ::kMinSampleRate, CGraphicEQ::kMaxSampleRate})
        for (int32_t size : {1, 2, 64, 4096, 1 << 20, INT_MAX})
        {
            CGraphicEQ e;
            e.SetBlockSize(size);
            e.SetSampleRate(rate);
            EXPECT_TRUE(e.RiseCoefficient() >= 0.0f && e.RiseCoefficient() < 1.0f) << rate << " " << size;
            EXPECT_TRUE(e.FallCoefficient() >= 0.0f && e.FallCoefficient() < 1.0f) << rate << " " << size;
        }
}

TEST(GraphicEQRobustness, NonFiniteInputDoesNotPoisonLaterBlocks)
{
    const Faders faders = {0.8f, 0.1f, 0.5f, 0.9f, 0.3f, 0.6f, 0.5f, 1.0f, 0.0f, 0.7f};
    CGraphicEQ eq;
    Settle(eq, 48000.0f, faders);
    CGraphicEQ clean = eq; // settled on silence: every state is zero

    std::vector<float> l(256, 0.25f), r(256, -0.25f);
    l[100] = kNaN;
    r[7] = kInf;
    RunBlock(eq, 48000.0f, faders, l.data(), r.data(), 256);

    CNoise noise;
    std::vector<float> inL(256), inR(256);
    noise.Fill(inL);
    noise.Fill(inR);
    std::vector<float> outL = inL, outR = inR, cleanL = inL, cleanR = inR;
    RunBlock(eq, 48000.0f, faders, outL.data(), outR.data(), 256);
    RunBlock(clean, 48000.0f, faders, cleanL.data(), cleanR.data(), 256);
    EXPECT_TRUE(AllFinite(outL) && AllFinite(outR));
    EXPECT_EQ(outL, cleanL);
    EXPECT_EQ(outR, cleanR);
}

TEST(GraphicEQRobustness, HugeFiniteInputIsForgottenByTheNextBlock)
{
    // Far beyond full scale but finite: such states used to ring for up to two seconds, or overflow the
    // output into NaN, instead of being cleared like a non-finite one.
    for (float amplitude : {1e38f, 1e30f, 1e15f})
    {
        CGraphicEQ eq;
        Settle(eq, 48000.0f, AllFaders(1.0f));
        CGraphicEQ clean = eq;
        CNoise noise, signs(7);
        std::vector<float> l(512), r(512), cl(512), cr(512);
        for (int block = 0; block < 3; ++block)
        {
            for (int32_t i = 0; i < 512; ++i)
            {
                l[i] = signs.Next() < 0.0f ? -amplitude : amplitude;
                r[i] = signs.Next() < 0.0f ? -amplitude : amplitude;
            }
            noise.Fill(cl, 0.5f);
            noise.Fill(cr, 0.5f);
            RunBlock(eq, 48000.0f, AllFaders(1.0f), l.data(), r.data(), 512);
            RunBlock(clean, 48000.0f, AllFaders(1.0f), cl.data(), cr.data(), 512);
        }

        // Blocks of the same sane input to both, until the hit engine stays within twice the clean level.
        int loudBlocks = 0;
        for (int block = 0; block < 200; ++block)
        {
            noise.Fill(l, 0.5f);
            noise.Fill(r, 0.5f);
            cl = l;
            cr = r;
            RunBlock(eq, 48000.0f, AllFaders(1.0f), l.data(), r.data(), 512);
            RunBlock(clean, 48000.0f, AllFaders(1.0f), cl.data(), cr.data(), 512);
            float peak = 0.0f, cleanPeak = 0.0f;
            for (int32_t i = 0; i < 512; ++i)
            {
                peak = std::max({peak, std::fabs(l[i]), std::fabs(r[i])});
                cleanPeak = std::max({cleanPeak, std::fabs(cl[i]), std::fabs(cr[i])});
            }
            if (!(peak <= 2.0f * cleanPeak))
                loudBlocks = block + 1;
        }
        EXPECT_EQ(loudBlocks, 0) << amplitude;
    }
}

TEST(GraphicEQRobustness, BadBandValuesAreClampedAndBadBandsIgnored)
{
    CGraphicEQ bad, good;
    for (CGraphicEQ* eq : {&bad, &good})
    {
        eq->SetBlockSize(64);
        eq->SetSampleRate(44100.0f);
    }
    for (int block = 0; block < 150; ++block)
    {
        bad.SetBandValue(kNaN, 0);
        good.SetBandValue(0.0f, 0);
        bad.SetBandValue(7.0f, 1);
        good.SetBandValue(1.0f, 1);
        bad.SetBandValue(-kInf, 2);
        good.SetBandValue(0.0f, 2);
        bad.SetBandValue(0.5f, 10);
        bad.SetBandValue(0.5f, -1);
        bad.SetBandValue(0.5f, INT_MIN);
        for (CGraphicEQ* eq : {&bad, &good})
        {
            float* none[2] = {nullptr, nullptr};
            eq->Process(none, 64);
        }
        for (int32_t b = 0; b < 3; ++b)
            ASSERT_EQ(bad.SmoothedValue(b), good.SmoothedValue(b)) << b;
    }
    EXPECT_EQ(bad.SmoothedValue(1), 1.0f);
    EXPECT_EQ(bad.Section(1, 0).position, 1.0);
}
