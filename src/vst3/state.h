// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The component's state through a host stream: the device's 88-byte program chunk, then, only while the
// host's bypass is on, a tagged and versioned record that holds it. Every other state is the plain chunk,
// which is all that builds before the record existed can read: they refuse any longer state whole.
//
// The record, little-endian: the tag "TvkX", a 32-bit version (1), the 32-bit byte count of the fields
// that follow, then the fields. Version 1 has one field, 32-bit flags (bit 0: bypassed). A later version
// keeps those fields first and appends its own, so this build reads what it knows of a newer record.
#include "device/description.h"
#include "vst3/abi/interfaces.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace KVX::Vst3
{
using Chunk = std::array<std::uint8_t, Device::Description::kChunkBytes>;

struct ComponentState
{
    Chunk chunk{};
    bool bypassed = false;
};

// True when the bytes are one whole chunk of ours: every parameter index exactly once, each value a
// number in 0 … 1. Anything else is another plug-in's state or damage.
bool IsOwnChunk(const std::uint8_t* data, std::size_t size);

// Reads one state from the stream; false (and state unspecified) when the stream holds anything else:
// fewer bytes, bytes that are not a chunk of ours, or a tail after the chunk that is not one whole record.
// A plain chunk is a state with bypass off.
bool ReadState(IBStream* stream, ComponentState& state);
bool WriteState(IBStream* stream, const ComponentState& state);

// The value of parameter `index` in a checked chunk.
float ChunkValue(const Chunk& chunk, std::int32_t index);
} // namespace KVX::Vst3
