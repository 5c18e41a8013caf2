// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/graphic_eq.h"
#include "engine_driver.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace KVX;
using namespace KVX::Test;

namespace
{

struct States
{
    double sections[kBandCount][2][2];
    float filters[2][2];
};

States Snapshot(const CGraphicEQ& eq)
{
    States s{};
    for (int32_t c = 0; c < 2; ++c)
    {
        for (int32_t b = 0; b < kBandCount; ++b)
        {
            s.sections[b][c][0] = eq.Section(b, c).w1;
            s.sections[b][c][1] = eq.Section(b, c).w2;
        }
        s.filters[c][0] = eq.OutputFilter(c).w1;
        s.filters[c][1] = eq.OutputFilter(c).w2;
    }
    return s;
}

bool operator==(const States& x, const States& y)
{
    return std::memcmp(&x, &y, sizeof x) == 0;
}

bool AllZero(const States& s)
{
    return s == States{};
}

// An engine settled at the given faders that has then filtered a few blocks of noise.
CGraphicEQ Running(const Faders& faders, float rate = 44100.0f)
{
    CGraphicEQ eq;
    Settle(eq, rate, faders);
    std::vector<float> l(512), r(512);
    CNoise noise;
    for (int i = 0; i < 4; ++i)
    {
        noise.Fill(l);
        noise.Fill(r);
        RunBlock(eq, rate, faders, l.data(), r.data(), 512);
    }
    return eq;
}

} // namespace

TEST(GraphicEQ, StartsFlatWithTheSmoothingOfA44100BlockRate)
{
    CGraphicEQ eq;
    EXPECT_NEAR(eq.RiseCoefficient(), 0.998956f, 5e-7f);
    EXPECT_EQ(eq.RiseCoefficient(), eq.FallCoefficient());
    EXPECT_EQ(eq.SampleRate(), 0.0f);
    EXPECT_EQ(eq.BlockSize(), 0);
    EXPECT_TRUE(eq.ForceUpdate());
    EXPECT_FALSE(eq.bypass);
    for (int32_t b = 0; b < kBandCount; ++b)
    {
        EXPECT_EQ(eq.SmoothedValue(b), 0.0f);
        EXPECT_EQ(eq.Section(b, 0).position, 0.5);
    }
}

TEST(GraphicEQ, SmoothingCoefficientsFollowTheBlockRate)
{
    CGraphicEQ eq;
    EXPECT_TRUE(eq.SetBlockSize(512));
    eq.SetSampleRate(44100.0f);
    EXPECT_NEAR(eq.RiseCoefficient(), 0.585869f, 5e-7f);
    EXPECT_EQ(eq.FallCoefficient(), eq.RiseCoefficient());
    EXPECT_FALSE(eq.SetBlockSize(512));

    CGraphicEQ other;
    other.SetBlockSize(256);
    other.SetSampleRate(48000.0f);
    EXPECT_NEAR(other.RiseCoefficient(), 0.782228f, 5e-7f);

    // A host that changes the block size every call: the coefficients follow each time.
    const States before = Snapshot(eq);
    for (int32_t size : {256, 64, 512, 1000, 256})
    {
        CGraphicEQ fresh;
        fresh.SetBlockSize(size);
        fresh.SetSampleRate(44100.0f);
        EXPECT_TRUE(eq.SetBlockSize(size));
        EXPECT_EQ(eq.RiseCoefficient(), fresh.RiseCoefficient()) << size;
    }
    EXPECT_TRUE(Snapshot(eq) == before);
}

TEST(GraphicEQ, OutputFilterIsTheSameAt44100And48000)
{
    for (float rate : {44100.0f, 48000.0f})
    {
        CGraphicEQ eq;
        eq.SetSampleRate(rate);
        const COutputLowPass& f = eq.OutputFilter(1);
        EXPECT_EQ(f.coefficientType, 0);
        EXPECT_EQ(f.q, 0.33f);
        EXPECT_EQ(f.cutoff, static_cast<float>(rate * 0.985 * 0.5));
        EXPECT_NEAR(f.b0, 0.932863f, 1e-6f);
        EXPECT_NEAR(f.b1, 1.865727f, 1e-6f);
        EXPECT_EQ(f.b2, f.b0);
        EXPECT_NEAR(f.a1, 1.864691f, 1e-6f);
        EXPECT_NEAR(f.a2, 0.866763f, 1e-6f);
    }
}

TEST(GraphicEQ, FaderJumpGlidesOneStepPerBlockThenSnaps)
{
    CGraphicEQ eq;
    Settle(eq, 44100.0f, AllFaders(0.5f));
    Faders faders = AllFaders(0.5f);
    faders[5] = 1.0f;

    std::vector<float> l(512), r(512);
    RunBlock(eq, 44100.0f, faders, l.data(), r.data(), 512);
    EXPECT_NEAR(eq.SmoothedValue(5), 0.5f + (1.0f - 0.585869f) * 0.5f, 1e-6f);
    EXPECT_EQ(eq.Section(5, 0).position, static_cast<double>(eq.SmoothedValue(5)));
    EXPECT_EQ(eq.Section(5, 1).position, eq.Section(5, 0).position);
    EXPECT_EQ(eq.SmoothedValue(4), 0.5f);

    float previous = eq.SmoothedValue(5);
    int blocks = 1;
    while (eq.SmoothedValue(5) != 1.0f && blocks < 100)
    {
        previous = eq.SmoothedValue(5);
        RunBlock(eq, 44100.0f, faders, l.data(), r.data(), 512);
        EXPECT_GT(eq.SmoothedValue(5), previous);
        ++blocks;
    }
    EXPECT_EQ(eq.SmoothedValue(5), 1.0f);
    EXPECT_GE(previous, 0.99f);
    EXPECT_LT(previous, 1.0f);
    EXPECT_EQ(eq.Section(5, 0).position, 1.0);
    EXPECT_EQ(blocks, 9);
}

TEST(GraphicEQ, StartsWithAGlideFromFullCut)
{
    // The first block repositions every band even when its fader is at 0, the smoothed start value.
    CGraphicEQ eq;
    std::vector<float> l(512), r(512);
    RunBlock(eq, 44100.0f, AllFaders(0.0f), l.data(), r.data(), 512);
    EXPECT_FALSE(eq.ForceUpdate());
    for (int32_t b = 0; b < kBandCount; ++b)
        EXPECT_EQ(eq.Section(b, 1).position, 0.0);

    // From there the bands rise to their faders in about 100 ms whatever the block size.
    for (int32_t size : {32, 64, 256, 512, 2048})
    {
        CGraphicEQ fresh;
        const double ms = Settle(fresh, 48000.0f, AllFaders(0.5f), size) * size * 1000.0 / 48000.0;
        EXPECT_GT(ms, 60.0) << size;
        EXPECT_LT(ms, 130.0) << size;
    }
}

TEST(GraphicEQ, FlatFadersChangeTheSignalOnlyThroughTheOutputFilter)
{
    CGraphicEQ eq;
    Settle(eq, 48000.0f, AllFaders(0.5f));
    COutputLowPass reference[2];
    reference[0].SetSampleRate(48000.0f);
    reference[1].SetSampleRate(48000.0f);

    CNoise noise;
    std::vector<float> l(300), r(300);
    for (int block = 0; block < 5; ++block)
    {
        noise.Fill(l);
        noise.Fill(r);
        std::vector<float> expectL = l, expectR = r;
        reference[0].Process(expectL.data(), 300);
        reference[1].Process(expectR.data(), 300);
        RunBlock(eq, 48000.0f, AllFaders(0.5f), l.data(), r.data(), 300);
        ASSERT_EQ(0, std::memcmp(l.data(), expectL.data(), 300 * sizeof(float)));
        ASSERT_EQ(0, std::memcmp(r.data(), expectR.data(), 300 * sizeof(float)));
    }
}

TEST(GraphicEQ, SampleRateChangeClearsEveryStateAndPositionChangeClearsNone)
{
    CGraphicEQ eq = Running(AllFaders(0.8f));
    const States running = Snapshot(eq);
    ASSERT_FALSE(AllZero(running));

    for (int32_t b = 0; b < kBandCount; ++b)
        eq.SetBandValue(0.3f, b);
    EXPECT_NE(eq.Section(3, 0).position, 0.8);
    EXPECT_TRUE(Snapshot(eq) == running);

    eq.SetSampleRate(96000.0f);
    EXPECT_TRUE(AllZero(Snapshot(eq)));
    for (int32_t b = 0; b < kBandCount; ++b)
        for (int32_t c = 0; c < 2; ++c)
        {
            EXPECT_EQ(eq.Section(b, c).sampleRate, 96000.0);
            EXPECT_EQ(eq.Section(b, c).band, b);
        }
    EXPECT_EQ(eq.OutputFilter(0).sampleRate, 96000.0f);
}

TEST(GraphicEQ, BypassLeavesAudioAndStatesButKeepsSmoothing)
{
    CGraphicEQ eq = Running(AllFaders(0.8f));
    const States running = Snapshot(eq);

    CNoise noise(99);
    std::vector<float> l(512), r(512);
    noise.Fill(l);
    noise.Fill(r);
    const std::vector<float> inL = l, inR = r;
    RunBlock(eq, 44100.0f, AllFaders(0.2f), l.data(), r.data(), 512, true);
    EXPECT_EQ(0, std::memcmp(l.data(), inL.data(), 512 * sizeof(float)));
    EXPECT_EQ(0, std::memcmp(r.data(), inR.data(), 512 * sizeof(float)));
    EXPECT_TRUE(Snapshot(eq) == running);
    EXPECT_LT(eq.SmoothedValue(0), 0.8f);
    EXPECT_EQ(eq.Section(0, 0).position, static_cast<double>(eq.SmoothedValue(0)));
}

TEST(GraphicEQ, EmptyOrAbsentBlockDoesNothing)
{
    CGraphicEQ eq = Running(AllFaders(0.7f));
    const States running = Snapshot(eq);
    float l[4] = {1, 2, 3, 4}, r[4] = {5, 6, 7, 8};
    float* channels[2] = {l, r};
    eq.Process(channels, 0);
    eq.Process(channels, -7);
    eq.Process(nullptr, 4);
    EXPECT_TRUE(Snapshot(eq) == running);
    EXPECT_EQ(l[0], 1.0f);
    EXPECT_EQ(r[3], 8.0f);
}

TEST(GraphicEQ, ResetClearsTheHistoryAndLandsTheGlidesButChangesNothingBeforeTheFirstBlock)
{
    CGraphicEQ eq = Running(AllFaders(0.8f));
    std::vector<float> l(512), r(512);
    RunBlock(eq, 44100.0f, AllFaders(0.2f), l.data(), r.data(), 512);
    ASSERT_GT(eq.SmoothedValue(3), 0.2f) << "mid-glide";

    eq.Reset();
    EXPECT_TRUE(AllZero(Snapshot(eq)));
    RunBlock(eq, 44100.0f, AllFaders(0.2f), l.data(), r.data(), 512);
    for (int32_t b = 0; b < kBandCount; ++b)
    {
        EXPECT_EQ(eq.SmoothedValue(b), 0.2f) << b;
        EXPECT_EQ(eq.Section(b, 1).position, static_cast<double>(0.2f)) << b;
    }
    // The block after only glides again.
    RunBlock(eq, 44100.0f, AllFaders(0.6f), l.data(), r.data(), 512);
    EXPECT_GT(eq.SmoothedValue(0), 0.2f);
    EXPECT_LT(eq.SmoothedValue(0), 0.6f);

    // A fresh engine has no history: the start-up glide is the same with or without a reset.
    CGraphicEQ fresh, reset;
    reset.Reset();
    RunBlock(fresh, 44100.0f, AllFaders(0.5f), l.data(), r.data(), 512);
    RunBlock(reset, 44100.0f, AllFaders(0.5f), l.data(), r.data(), 512);
    EXPECT_LT(reset.SmoothedValue(0), 0.5f);
    EXPECT_EQ(reset.SmoothedValue(0), fresh.SmoothedValue(0));
}
