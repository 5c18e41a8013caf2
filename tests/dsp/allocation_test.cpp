#include "dsp/denormals.h"
#include "dsp/graphic_eq.h"
#include "engine_driver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

// Counts every allocation this test binary makes while counting is switched on.
namespace
{
std::atomic<bool> g_Counting{false};
std::atomic<int> g_Allocations{0};

void* Allocate(std::size_t size)
{
    if (g_Counting.load())
        g_Allocations.fetch_add(1);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
} // namespace

void* operator new(std::size_t size)
{
    return Allocate(size);
}
void* operator new[](std::size_t size)
{
    return Allocate(size);
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete[](void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

using namespace KVX;
using namespace KVX::Test;

TEST(GraphicEQAllocation, TheAudioPathAllocatesNothing)
{
    std::vector<float> l(512), r(512);
    CNoise noise;
    g_Allocations = 0;
    g_Counting = true;
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
    g_Counting = false;
    EXPECT_EQ(g_Allocations.load(), 0);

    // The counter itself works.
    g_Counting = true;
    delete new int(1);
    g_Counting = false;
    EXPECT_EQ(g_Allocations.load(), 1);
}
