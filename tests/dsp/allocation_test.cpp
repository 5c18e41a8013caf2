// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/denormals.h"
#include "dsp/graphic_eq.h"
#include "engine_driver.h"

#include <gtest/gtest.h>

#include "support/allocation_counter.h"

using namespace KVX;
using namespace KVX::Test;

TEST(GraphicEQAllocation, TheAudioPathAllocatesNothing)
{
    std::vector<float> l(512), r(512);
    CNoise noise;
    CountAllocations(true);
    {
        // Construction, rate and block-size changes, fader moves, bypass and processing.
        CGraphicEQ eq;
        for (int block = 0; block < 200; ++block)
        {
            noise.Fill(l);
            noise.Fill(r);
            const float rate = block < 100 ? 44100.0f : 96000.0f;
            const int32_t count = 64 + (block % 7) * 64;
            Faders faders = AllFaders(block % 20 < 10 ? 0.9f : 0.2f);
            ScopedFlushDenormals guard;
            RunBlock(eq, rate, faders, l.data(), r.data(), count, block % 50 == 49);
        }
    }
    CountAllocations(false);
    EXPECT_EQ(Allocations(), 0);

    // The counter itself works.
    CountAllocations(true);
    int* volatile probe = new int(1); // volatile: the compiler may not elide this pair
    delete probe;
    CountAllocations(false);
    EXPECT_EQ(Allocations(), 1);
}
