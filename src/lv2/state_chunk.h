// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Checks a program chunk handed back by an LV2 host before any of it is applied. The VST side accepts
// partial chunks entry by entry; a stored LV2 state is always a whole chunk, so anything else is damage.
#include <cstddef>

namespace KVX::LV2
{
// True when data holds exactly one entry for each parameter index, each with a finite value.
bool IsCompleteChunk(const void* data, std::size_t size);
} // namespace KVX::LV2
