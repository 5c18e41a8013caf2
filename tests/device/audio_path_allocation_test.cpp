// SPDX-License-Identifier: GPL-3.0-or-later
// processReplacing, from the host's entry down to the filters, allocates nothing: not while faders move,
// not when IN is switched, not when the host changes sample rate or block size between blocks.
#include "device/device_dsp.h"

#include <gtest/gtest.h>

#include "support/allocation_counter.h"

#include <cmath>
#include <memory>
#include <vector>

namespace
{
VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

TEST(AudioPath, ProcessingAllocatesNothing)
{
    auto device = std::make_unique<KVX::CDeviceDSP>(Host);
    AEffect* effect = device->getAeffect();
    std::vector<float> left(4096), right(4096), outLeft(4096), outRight(4096);
    for (std::size_t i = 0; i < left.size(); ++i)
    {
        left[i] = right[i] = 0.3f * std::sin(0.05f * static_cast<float>(i));
    }
    float* in[] = {left.data(), right.data()};
    float* out[] = {outLeft.data(), outRight.data()};
    effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 48000.0f);
    effect->processReplacing(effect, in, out, 512); // the first block designs every section

    KVX::Test::CountAllocations(true);
    for (int block = 0; block < 200; ++block)
    {
        effect->setParameter(effect, block % 10, static_cast<float>(block % 7) / 6.0f);
        if (block % 50 == 25)
        {
            effect->setParameter(effect, 10, block % 100 == 25 ? 0.0f : 1.0f);
        }
        if (block == 120)
        {
            effect->dispatcher(effect, effSetSampleRate, 0, 0, nullptr, 44100.0f);
        }
        const int frames = 1 + (block * 37) % 4096;
        effect->processReplacing(effect, in, out, frames);
        effect->processReplacing(effect, out, out, frames); // host passes the same buffers
    }
    KVX::Test::CountAllocations(false);
    EXPECT_EQ(KVX::Test::Allocations(), 0);
}
} // namespace
