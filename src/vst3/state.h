// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plug-in's state through a host stream: exactly the device's 88-byte program chunk.
#include "device/description.h"
#include "vst3/abi/interfaces.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace KVX::Vst3
{
using Chunk = std::array<std::uint8_t, Device::Description::kChunkBytes>;

// True when the bytes are one whole chunk of ours: every parameter index exactly once, each value a
// number in 0 … 1. Anything else is another plug-in's state or damage.
bool IsOwnChunk(const std::uint8_t* data, std::size_t size);

// Reads one chunk from the stream; false (and chunk unspecified) when the stream holds anything else:
// fewer bytes, more bytes, or bytes that are not a chunk of ours.
bool ReadChunk(IBStream* stream, Chunk& chunk);
bool WriteChunk(IBStream* stream, const Chunk& chunk);

// The value of parameter `index` in a checked chunk.
float ChunkValue(const Chunk& chunk, std::int32_t index);
} // namespace KVX::Vst3
