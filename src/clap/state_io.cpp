// SPDX-License-Identifier: GPL-3.0-or-later
#include "clap/state_io.h"

#include "formats/program_chunk.h"

#include <cstring>

namespace KVX::Clap
{
namespace
{
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

} // namespace KVX::Clap
