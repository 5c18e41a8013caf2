// SPDX-License-Identifier: GPL-3.0-or-later
#include "vst3/state.h"

#include "formats/program_chunk.h"

#include <cstring>

namespace KVX::Vst3
{
namespace
{
using Device::Description::kChunkBytes;
using Device::Description::kParameterCount;
} // namespace

bool IsOwnChunk(const std::uint8_t* data, std::size_t size)
{
    return Formats::IsNormalisedChunk(data, size, kParameterCount);
}

bool ReadChunk(IBStream* stream, Chunk& chunk)
{
    if (stream == nullptr)
    {
        return false;
    }
    // One byte more than a chunk: a longer stream is not ours even when it starts like one.
    std::uint8_t buffer[kChunkBytes + 1];
    std::int32_t total = 0;
    while (total < static_cast<std::int32_t>(sizeof buffer))
    {
        std::int32_t got = 0;
        const tresult result =
            stream->read(buffer + total, static_cast<std::int32_t>(sizeof buffer) - total, &got);
        if (result != kResultOk || got <= 0 || got > static_cast<std::int32_t>(sizeof buffer) - total)
        {
            break;
        }
        total += got;
    }
    if (total != kChunkBytes || !IsOwnChunk(buffer, static_cast<std::size_t>(total)))
    {
        return false;
    }
    std::memcpy(chunk.data(), buffer, chunk.size());
    return true;
}

bool WriteChunk(IBStream* stream, const Chunk& chunk)
{
    if (stream == nullptr)
    {
        return false;
    }
    Chunk copy = chunk;
    std::int32_t written = 0;
    return stream->write(copy.data(), static_cast<std::int32_t>(copy.size()), &written) == kResultOk &&
           written == static_cast<std::int32_t>(copy.size());
}

float ChunkValue(const Chunk& chunk, std::int32_t index)
{
    for (std::size_t entry = 0; entry < static_cast<std::size_t>(kParameterCount); ++entry)
    {
        const Formats::ChunkEntry read = Formats::GetChunkEntry(chunk.data(), entry);
        if (read.index == index)
        {
            return read.value;
        }
    }
    return 0.0f;
}
} // namespace KVX::Vst3
