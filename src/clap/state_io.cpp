#include "clap/state_io.h"

#include <bitset>
#include <cmath>
#include <cstring>

namespace KVX::Clap
{
namespace
{
std::uint32_t LittleEndianAt(const StateChunk& chunk, std::size_t offset)
{
    return static_cast<std::uint32_t>(chunk[offset]) | (static_cast<std::uint32_t>(chunk[offset + 1]) << 8) |
           (static_cast<std::uint32_t>(chunk[offset + 2]) << 16) |
           (static_cast<std::uint32_t>(chunk[offset + 3]) << 24);
}

// A stream that keeps answering with nothing is at its end; one that answers with more than was asked
// for is broken.
constexpr int kMaxEmptyWrites = 8;
} // namespace

bool WriteAll(const OStream* stream, const void* data, std::size_t size)
{
    if (stream == nullptr || stream->write == nullptr)
    {
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    int empty = 0;
    while (size > 0)
    {
        const std::int64_t written = stream->write(stream, bytes, size);
        if (written < 0 || static_cast<std::uint64_t>(written) > size)
        {
            return false;
        }
        if (written == 0 && ++empty >= kMaxEmptyWrites)
        {
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

std::optional<StateChunk> ReadChunk(const IStream* stream)
{
    if (stream == nullptr || stream->read == nullptr)
    {
        return std::nullopt;
    }
    // One byte of room beyond the chunk tells a longer state from ours.
    std::array<std::uint8_t, Device::Description::kChunkBytes + 1> buffer{};
    std::size_t total = 0;
    for (;;)
    {
        const std::uint64_t room = buffer.size() - total;
        const std::int64_t got = stream->read(stream, buffer.data() + total, room);
        if (got < 0 || static_cast<std::uint64_t>(got) > room)
        {
            return std::nullopt;
        }
        if (got == 0)
        {
            break;
        }
        total += static_cast<std::size_t>(got);
        if (total == buffer.size())
        {
            return std::nullopt;
        }
    }
    if (total != static_cast<std::size_t>(Device::Description::kChunkBytes))
    {
        return std::nullopt;
    }
    StateChunk chunk;
    std::memcpy(chunk.data(), buffer.data(), chunk.size());
    return chunk;
}

bool IsWholeChunk(const StateChunk& chunk)
{
    using Device::Description::kParameterCount;
    std::bitset<kParameterCount> seen;
    for (std::size_t entry = 0; entry < static_cast<std::size_t>(kParameterCount); ++entry)
    {
        const std::uint32_t index = LittleEndianAt(chunk, 8 * entry);
        const std::uint32_t bits = LittleEndianAt(chunk, 8 * entry + 4);
        float value = 0.0f;
        std::memcpy(&value, &bits, sizeof value);
        if (index >= static_cast<std::uint32_t>(kParameterCount) || seen.test(index) || !(value >= 0.0f) ||
            !(value <= 1.0f))
        {
            return false;
        }
        seen.set(index);
    }
    return true;
}
} // namespace KVX::Clap
