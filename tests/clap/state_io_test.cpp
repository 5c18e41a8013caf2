// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP state through the host's streams, however they split, fail or stop.
#include "clap/state_io.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace KVX::Clap
{
namespace
{
// ---- state streams ---------------------------------------------------------------------------------
struct Stream
{
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
    std::size_t step = 1 << 20; // bytes per call at most
    std::int64_t failAt = -1;   // the call that returns an error
    int calls = 0;

    IStream Reader()
    {
        return {this,
                [](const IStream* s, void* buffer, std::uint64_t size) -> std::int64_t
                {
                    auto& self = *static_cast<Stream*>(s->ctx);
                    if (self.calls++ == self.failAt)
                    {
                        return -1;
                    }
                    const std::size_t n = std::min<std::size_t>(
                        {static_cast<std::size_t>(size), self.step, self.bytes.size() - self.position});
                    std::copy_n(self.bytes.begin() + static_cast<long>(self.position), n,
                                static_cast<std::uint8_t*>(buffer));
                    self.position += n;
                    return static_cast<std::int64_t>(n);
                }};
    }
    OStream Writer()
    {
        return {this,
                [](const OStream* s, const void* buffer, std::uint64_t size) -> std::int64_t
                {
                    auto& self = *static_cast<Stream*>(s->ctx);
                    if (self.calls++ == self.failAt)
                    {
                        return -1;
                    }
                    const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(size), self.step);
                    const auto* data = static_cast<const std::uint8_t*>(buffer);
                    self.bytes.insert(self.bytes.end(), data, data + n);
                    return static_cast<std::int64_t>(n);
                }};
    }
};

StateChunk GoodChunk()
{
    StateChunk chunk{};
    for (std::uint32_t i = 0; i < static_cast<std::uint32_t>(Device::Description::kParameterCount); ++i)
    {
        const std::uint32_t index = static_cast<std::uint32_t>(Device::Description::kParameterCount) - 1 - i; // any order
        const float value = static_cast<float>(index) / 10.0f;
        std::memcpy(&chunk[8 * i], &index, 4);
        std::memcpy(&chunk[8 * i + 4], &value, 4);
    }
    return chunk;
}

TEST(ClapStateStreams, WholeChunksCrossStreamsThatTakeAndGiveAByteAtATime)
{
    const StateChunk chunk = GoodChunk();
    Stream out;
    out.step = 1;
    const OStream writer = out.Writer();
    ASSERT_TRUE(WriteAll(&writer, chunk.data(), chunk.size()));
    EXPECT_EQ(out.bytes.size(), chunk.size());

    Stream in;
    in.bytes = out.bytes;
    in.step = 1;
    const IStream reader = in.Reader();
    const auto read = ReadChunk(&reader);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(*read, chunk);
}

TEST(ClapStateStreams, FailingShortLongAndStuckStreamsAreRefused)
{
    const StateChunk chunk = GoodChunk();
    Stream failing;
    failing.step = 10;
    failing.failAt = 3;
    const OStream failingWriter = failing.Writer();
    EXPECT_FALSE(WriteAll(&failingWriter, chunk.data(), chunk.size()));

    Stream stuck;
    stuck.step = 0; // takes nothing, ever
    const OStream stuckWriter = stuck.Writer();
    EXPECT_FALSE(WriteAll(&stuckWriter, chunk.data(), chunk.size()));
    EXPECT_FALSE(WriteAll(nullptr, chunk.data(), chunk.size()));

    Stream broken;
    broken.bytes.assign(chunk.begin(), chunk.end());
    broken.failAt = 0;
    const IStream brokenReader = broken.Reader();
    EXPECT_FALSE(ReadChunk(&brokenReader).has_value());

    for (std::size_t size :
         {std::size_t{0}, std::size_t{8}, chunk.size() - 1, chunk.size() + 1, std::size_t{4096}})
    {
        Stream in;
        in.bytes.assign(size, 0);
        std::copy_n(chunk.begin(), std::min(size, chunk.size()), in.bytes.begin());
        in.step = 7;
        const IStream reader = in.Reader();
        EXPECT_FALSE(ReadChunk(&reader).has_value()) << size << " bytes";
    }
    EXPECT_FALSE(ReadChunk(nullptr).has_value());
}

} // namespace
} // namespace KVX::Clap
