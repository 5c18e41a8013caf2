// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/denormals.h"
#include "dsp/graphic_eq.h"
#include "engine_driver.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>

using namespace KVX;
using namespace KVX::Test;

namespace
{

constexpr unsigned kFlushBits = 0x8040;

bool Subnormal(double x)
{
    return x != 0.0 && std::fabs(x) < 2.2250738585072014e-308;
}

bool Subnormal(float x)
{
    return x != 0.0f && std::fabs(x) < 1.1754944e-38f;
}

// Loud noise through a boosted engine, then a stretch of silence long enough for the tails to decay.
void LoudThenSilent(CGraphicEQ& eq, bool guarded)
{
    const Faders faders = AllFaders(0.8f);
    std::vector<float> l(64), r(64);
    CNoise noise;
    for (int block = 0; block < 500; ++block)
    {
        noise.Fill(l);
        noise.Fill(r);
        RunBlock(eq, 48000.0f, faders, l.data(), r.data(), 64);
    }
    for (int block = 0; block < 3000; ++block)
    {
        std::fill(l.begin(), l.end(), 0.0f);
        std::fill(r.begin(), r.end(), 0.0f);
        if (guarded)
        {
            ScopedFlushDenormals guard;
            RunBlock(eq, 48000.0f, faders, l.data(), r.data(), 64);
        }
        else
        {
            RunBlock(eq, 48000.0f, faders, l.data(), r.data(), 64);
        }
    }
}

bool AnySubnormalState(const CGraphicEQ& eq)
{
    for (int32_t c = 0; c < 2; ++c)
    {
        if (Subnormal(eq.OutputFilter(c).w1) || Subnormal(eq.OutputFilter(c).w2))
            return true;
        for (int32_t b = 0; b < kBandCount; ++b)
            if (Subnormal(eq.Section(b, c).w1) || Subnormal(eq.Section(b, c).w2))
                return true;
    }
    return false;
}

} // namespace

TEST(FlushDenormals, SetsFlushBitsForItsLifetimeAndRestoresThePreviousState)
{
    const unsigned original = _mm_getcsr();
    ASSERT_EQ(original & kFlushBits, 0u);
    {
        ScopedFlushDenormals outer;
        EXPECT_EQ(_mm_getcsr() & kFlushBits, kFlushBits);
        {
            ScopedFlushDenormals inner;
            EXPECT_EQ(_mm_getcsr() & kFlushBits, kFlushBits);
        }
        EXPECT_EQ(_mm_getcsr() & kFlushBits, kFlushBits);
    }
    EXPECT_EQ(_mm_getcsr(), original);
}

TEST(FlushDenormals, SilenceAfterLoudInputLeavesNoSubnormalState)
{
    // Without the guard the single-precision output filter settles into a subnormal limit cycle, which is
    // what makes silence slow; with it every tail ends at exactly zero.
    CGraphicEQ unguarded, guarded;
    LoudThenSilent(unguarded, false);
    LoudThenSilent(guarded, true);
    EXPECT_TRUE(AnySubnormalState(unguarded));
    EXPECT_FALSE(AnySubnormalState(guarded));
}

TEST(FlushDenormals, NormalRangeOutputIsUnchanged)
{
    const Faders faders = {0.8f, 0.1f, 0.5f, 0.9f, 0.3f, 0.6f, 0.5f, 1.0f, 0.0f, 0.7f};
    CGraphicEQ plain, guarded;
    CNoise noise;
    std::vector<float> l(256), r(256);
    for (int block = 0; block < 200; ++block)
    {
        noise.Fill(l);
        noise.Fill(r);
        std::vector<float> gl = l, gr = r;
        RunBlock(plain, 48000.0f, faders, l.data(), r.data(), 256);
        {
            ScopedFlushDenormals guard;
            RunBlock(guarded, 48000.0f, faders, gl.data(), gr.data(), 256);
        }
        ASSERT_EQ(0, std::memcmp(l.data(), gl.data(), 256 * sizeof(float))) << block;
        ASSERT_EQ(0, std::memcmp(r.data(), gr.data(), 256 * sizeof(float))) << block;
    }
}

#endif
