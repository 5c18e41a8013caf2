// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/program_chunk.h"

#include "formats/byte_order.h"

#include <cmath>

namespace KVX::Formats
{
void PutChunkEntry(std::uint8_t* chunk, std::size_t position, ChunkEntry entry)
{
    std::uint8_t* out = chunk + position * kChunkEntryBytes;
    PutLittleEndian32(out, static_cast<std::uint32_t>(entry.index));
    PutLittleEndian32(out + 4, FloatBits(entry.value));
}

ChunkEntry GetChunkEntry(const std::uint8_t* chunk, std::size_t position)
{
    const std::uint8_t* in = chunk + position * kChunkEntryBytes;
    return {static_cast<std::int32_t>(GetLittleEndian32(in)), FloatFromBits(GetLittleEndian32(in + 4))};
}

bool IsCompleteChunk(const void* data, std::size_t size, int parameterCount)
{
    if (data == nullptr || parameterCount <= 0 ||
        size != ChunkBytes(static_cast<std::size_t>(parameterCount)))
    {
        return false;
    }
    // With one entry per index and as many entries as indices, a repeat means one is missing. The earlier
    // entries are searched rather than marked so that a state restore allocates nothing.
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const auto count = static_cast<std::size_t>(parameterCount);
    for (std::size_t position = 0; position < count; ++position)
    {
        const ChunkEntry entry = GetChunkEntry(bytes, position);
        if (entry.index < 0 || entry.index >= parameterCount || !std::isfinite(entry.value))
        {
            return false;
        }
        for (std::size_t earlier = 0; earlier < position; ++earlier)
        {
            if (GetChunkEntry(bytes, earlier).index == entry.index)
            {
                return false;
            }
        }
    }
    return true;
}

bool IsNormalisedChunk(const void* data, std::size_t size, int parameterCount)
{
    if (!IsCompleteChunk(data, size, parameterCount))
    {
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t position = 0; position < static_cast<std::size_t>(parameterCount); ++position)
    {
        const float value = GetChunkEntry(bytes, position).value;
        if (!(value >= 0.0f && value <= 1.0f))
        {
            return false;
        }
    }
    return true;
}
} // namespace KVX::Formats
