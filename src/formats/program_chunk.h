// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program chunk that hosts store and presets carry: one 8-byte entry per parameter, a little-endian
// int32 parameter index followed by its normalised value as a little-endian IEEE 754 single.
#include <cstddef>
#include <cstdint>

namespace KVX::Formats
{
inline constexpr std::size_t kChunkEntryBytes = 8;

struct ChunkEntry
{
    std::int32_t index;
    float value;
};

constexpr std::size_t ChunkBytes(std::size_t entries)
{
    return entries * kChunkEntryBytes;
}

// Whole entries in `bytes`; trailing bytes that cannot hold one are not part of any.
constexpr std::size_t ChunkEntryCount(std::size_t bytes)
{
    return bytes / kChunkEntryBytes;
}

// Entry `position` of a chunk; the caller has room for it.
void PutChunkEntry(std::uint8_t* chunk, std::size_t position, ChunkEntry entry);
ChunkEntry GetChunkEntry(const std::uint8_t* chunk, std::size_t position);

// True when the chunk holds exactly one entry for each index 0 … parameterCount − 1, in any order, each
// with a finite value: what a whole stored state looks like.
bool IsCompleteChunk(const void* data, std::size_t size, int parameterCount);

// A complete chunk whose every value is also within 0 … 1: what this plug-in itself writes, so what the
// formats that store only their own state accept back.
bool IsNormalisedChunk(const void* data, std::size_t size, int parameterCount);
} // namespace KVX::Formats
