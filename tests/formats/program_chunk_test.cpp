// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/program_chunk.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

namespace KVX::Test
{
namespace
{
using namespace Formats;

TEST(ProgramChunk, EntriesAreLittleEndianIndexThenSingleFloat)
{
    std::array<std::uint8_t, 16> bytes{};
    PutChunkEntry(bytes.data(), 0, {3, 0.5f});
    PutChunkEntry(bytes.data(), 1, {-1, 1.0f});
    const std::array<std::uint8_t, 16> expected = {0x03, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x3F,
                                                   0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x80, 0x3F};
    EXPECT_EQ(bytes, expected);

    const ChunkEntry first = GetChunkEntry(bytes.data(), 0);
    const ChunkEntry second = GetChunkEntry(bytes.data(), 1);
    EXPECT_EQ(first.index, 3);
    EXPECT_EQ(first.value, 0.5f);
    EXPECT_EQ(second.index, -1);
    EXPECT_EQ(second.value, 1.0f);
}

TEST(ProgramChunk, EveryValueSurvivesBitForBit)
{
    const float values[] = {0.0f,
                            -0.0f,
                            1e-40f,
                            std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(),
                            0.123456789f};
    std::array<std::uint8_t, 8> bytes{};
    for (float value : values)
    {
        PutChunkEntry(bytes.data(), 0, {7, value});
        const float back = GetChunkEntry(bytes.data(), 0).value;
        EXPECT_EQ(std::memcmp(&back, &value, sizeof value), 0) << value;
    }
}

TEST(ProgramChunk, TrailingBytesHoldNoEntry)
{
    EXPECT_EQ(ChunkEntryCount(0), 0u);
    EXPECT_EQ(ChunkEntryCount(7), 0u);
    EXPECT_EQ(ChunkEntryCount(20), 2u);
    EXPECT_EQ(ChunkBytes(11), 88u);
}

std::vector<std::uint8_t> Chunk(const std::vector<ChunkEntry>& entries)
{
    std::vector<std::uint8_t> bytes(ChunkBytes(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i)
    {
        PutChunkEntry(bytes.data(), i, entries[i]);
    }
    return bytes;
}

TEST(ProgramChunk, CompleteMeansEachIndexOnceWithAFiniteValue)
{
    const auto inOrder = Chunk({{0, 0.5f}, {1, 0.5f}, {2, 1.0f}});
    EXPECT_TRUE(IsCompleteChunk(inOrder.data(), inOrder.size(), 3));
    const auto reversed = Chunk({{2, 0.0f}, {1, 0.25f}, {0, 1.0f}});
    EXPECT_TRUE(IsCompleteChunk(reversed.data(), reversed.size(), 3));

    const auto repeated = Chunk({{0, 0.5f}, {1, 0.5f}, {1, 0.5f}});
    const auto foreign = Chunk({{0, 0.5f}, {1, 0.5f}, {42, 0.5f}});
    const auto negative = Chunk({{0, 0.5f}, {-1, 0.5f}, {2, 0.5f}});
    const auto notANumber = Chunk({{0, 0.5f}, {1, std::nanf("")}, {2, 0.5f}});
    const auto infinite = Chunk({{0, std::numeric_limits<float>::infinity()}, {1, 0.5f}, {2, 0.5f}});
    for (const auto* bad : {&repeated, &foreign, &negative, &notANumber, &infinite})
    {
        EXPECT_FALSE(IsCompleteChunk(bad->data(), bad->size(), 3));
    }

    // Only the exact size of one entry per parameter is whole.
    const auto longer = Chunk({{0, 0.5f}, {1, 0.5f}, {2, 0.5f}, {0, 0.5f}});
    EXPECT_FALSE(IsCompleteChunk(longer.data(), longer.size(), 3));
    EXPECT_FALSE(IsCompleteChunk(inOrder.data(), inOrder.size() - 1, 3));
    EXPECT_FALSE(IsCompleteChunk(inOrder.data(), inOrder.size() + 4, 3));
    EXPECT_FALSE(IsCompleteChunk(nullptr, inOrder.size(), 3));
    EXPECT_FALSE(IsCompleteChunk(inOrder.data(), 0, 0));
}
} // namespace
} // namespace KVX::Test
