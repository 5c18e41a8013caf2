#include "vst3/state.h"

#include <cmath>
#include <cstring>

namespace KVX::Vst3
{
namespace
{
using Device::Description::kChunkBytes;
using Device::Description::kParameterCount;

std::uint32_t LittleEndian(const std::uint8_t* in)
{
    return static_cast<std::uint32_t>(in[0]) | (static_cast<std::uint32_t>(in[1]) << 8) |
           (static_cast<std::uint32_t>(in[2]) << 16) | (static_cast<std::uint32_t>(in[3]) << 24);
}

float Value(const std::uint8_t* entry)
{
    const std::uint32_t bits = LittleEndian(entry + 4);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}
} // namespace

bool IsOwnChunk(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size != static_cast<std::size_t>(kChunkBytes))
    {
        return false;
    }
    bool seen[kParameterCount] = {};
    for (int entry = 0; entry < kParameterCount; ++entry)
    {
        const auto index = static_cast<std::int32_t>(LittleEndian(data + 8 * entry));
        const float value = Value(data + 8 * entry);
        if (index < 0 || index >= kParameterCount || seen[index] || !(value >= 0.0f && value <= 1.0f))
        {
            return false;
        }
        seen[index] = true;
    }
    return true;
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
    for (int entry = 0; entry < kParameterCount; ++entry)
    {
        if (static_cast<std::int32_t>(LittleEndian(chunk.data() + 8 * entry)) == index)
        {
            return Value(chunk.data() + 8 * entry);
        }
    }
    return 0.0f;
}
} // namespace KVX::Vst3
