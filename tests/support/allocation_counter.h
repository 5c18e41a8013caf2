// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Counts the allocations a test binary makes while counting is on. The binary must compile
// allocation_counter.cpp itself: it replaces the global operator new and delete.
namespace KVX::Test
{
void CountAllocations(bool on);
int Allocations();
} // namespace KVX::Test
