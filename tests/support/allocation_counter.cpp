// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{
std::atomic<bool> g_Counting{false};
std::atomic<int> g_Allocations{0};

void* Allocate(std::size_t size)
{
    if (g_Counting.load(std::memory_order_relaxed))
    {
        g_Allocations.fetch_add(1, std::memory_order_relaxed);
    }
    if (void* p = std::malloc(size != 0 ? size : 1))
    {
        return p;
    }
    throw std::bad_alloc();
}
} // namespace

namespace KVX::Test
{
void CountAllocations(bool on)
{
    if (on)
    {
        g_Allocations = 0;
    }
    g_Counting = on;
}

int Allocations()
{
    return g_Allocations.load();
}
} // namespace KVX::Test

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
