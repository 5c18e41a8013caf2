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

constexpr std::uint8_t kRecordTag[4] = {'T', 'v', 'k', 'X'};
constexpr std::uint32_t kRecordVersion = 1;
constexpr std::size_t kRecordHeaderBytes = 12;
constexpr std::uint32_t kVersion1FieldBytes = 4;
constexpr std::uint32_t kBypassedFlag = 1u << 0;
// Room for fields later versions may add; a longer tail is damage.
constexpr std::size_t kMaxFieldBytes = 1024;
constexpr std::size_t kMaxStateBytes = kChunkBytes + kRecordHeaderBytes + kMaxFieldBytes;

std::uint32_t GetU32(const std::uint8_t* at)
{
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

void PutU32(std::uint8_t* at, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
    {
        at[i] = static_cast<std::uint8_t>(value >> (8 * i));
    }
}

// The flags of a whole record of any version, or false.
bool ReadRecord(const std::uint8_t* record, std::size_t size, std::uint32_t& flags)
{
    if (size < kRecordHeaderBytes + kVersion1FieldBytes || std::memcmp(record, kRecordTag, 4) != 0 ||
        GetU32(record + 4) < 1)
    {
        return false;
    }
    const std::uint32_t fieldBytes = GetU32(record + 8);
    if (fieldBytes < kVersion1FieldBytes || fieldBytes != size - kRecordHeaderBytes)
    {
        return false;
    }
    flags = GetU32(record + kRecordHeaderBytes);
    return true;
}
} // namespace

bool IsOwnChunk(const std::uint8_t* data, std::size_t size)
{
    return Formats::IsNormalisedChunk(data, size, kParameterCount);
}

bool ReadState(IBStream* stream, ComponentState& state)
{
    if (stream == nullptr)
    {
        return false;
    }
    // One byte more than the longest state: a stream longer than that is not ours.
    std::uint8_t buffer[kMaxStateBytes + 1];
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
    const auto size = static_cast<std::size_t>(total);
    if (size < kChunkBytes || size > kMaxStateBytes || !IsOwnChunk(buffer, kChunkBytes))
    {
        return false;
    }
    std::uint32_t flags = 0;
    if (size > kChunkBytes && !ReadRecord(buffer + kChunkBytes, size - kChunkBytes, flags))
    {
        return false;
    }
    std::memcpy(state.chunk.data(), buffer, kChunkBytes);
    state.bypassed = (flags & kBypassedFlag) != 0;
    return true;
}

bool WriteState(IBStream* stream, const ComponentState& state)
{
    if (stream == nullptr)
    {
        return false;
    }
    std::uint8_t bytes[kChunkBytes + kRecordHeaderBytes + kVersion1FieldBytes];
    std::memcpy(bytes, state.chunk.data(), kChunkBytes);
    std::size_t size = kChunkBytes;
    if (state.bypassed)
    {
        std::memcpy(bytes + size, kRecordTag, 4);
        PutU32(bytes + size + 4, kRecordVersion);
        PutU32(bytes + size + 8, kVersion1FieldBytes);
        PutU32(bytes + size + kRecordHeaderBytes, kBypassedFlag);
        size = sizeof bytes;
    }
    std::int32_t written = 0;
    return stream->write(bytes, static_cast<std::int32_t>(size), &written) == kResultOk &&
           written == static_cast<std::int32_t>(size);
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
