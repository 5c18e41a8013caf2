// SPDX-License-Identifier: GPL-3.0-or-later
// The 88-byte program chunk: eleven little-endian (index, value) entries.
#include "binary_host.h"

#include <cstring>
#include <limits>
#include <vector>

namespace KVX::Test
{
namespace
{
using ChunksTest = PluginTest;

struct Entry
{
    std::int32_t index;
    float value;
};

std::vector<std::uint8_t> Chunk(std::initializer_list<Entry> entries)
{
    std::vector<std::uint8_t> bytes;
    for (const Entry& e : entries)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &e.value, 4);
        for (std::uint32_t v : {static_cast<std::uint32_t>(e.index), bits})
        {
            for (int shift = 0; shift < 32; shift += 8)
            {
                bytes.push_back(static_cast<std::uint8_t>(v >> shift));
            }
        }
    }
    return bytes;
}

TEST_F(ChunksTest, AProgramChunkHoldsElevenEntriesInIndexOrder)
{
    void* data = nullptr;
    ASSERT_EQ(Dispatch(effGetChunk, 1, 0, &data), 88);
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(std::memcmp(data,
                          Chunk({{0, 0.5f},
                                 {1, 0.5f},
                                 {2, 0.5f},
                                 {3, 0.5f},
                                 {4, 0.5f},
                                 {5, 0.5f},
                                 {6, 0.5f},
                                 {7, 0.5f},
                                 {8, 0.5f},
                                 {9, 0.5f},
                                 {10, 1.0f}})
                              .data(),
                          88),
              0);
}

TEST_F(ChunksTest, ABankIsRefusedBothWays)
{
    void* data = reinterpret_cast<void*>(0x1234);
    EXPECT_EQ(Dispatch(effGetChunk, 0, 0, &data), 0);
    EXPECT_EQ(data, reinterpret_cast<void*>(0x1234));
    auto bank = Chunk({{3, 0.9f}});
    EXPECT_EQ(Dispatch(effSetChunk, 0, static_cast<VstIntPtr>(bank.size()), bank.data()), 0);
    EXPECT_EQ(plugin->GetParameter(3), 0.5f);
}

TEST_F(ChunksTest, TwentyBytesApplyTwoEntriesAndIgnoreTheRest)
{
    auto bytes = Chunk({{0, 0.1f}, {1, 0.2f}, {2, 0.3f}});
    EXPECT_EQ(Dispatch(effSetChunk, 1, 20, bytes.data()), 1);
    EXPECT_EQ(plugin->GetParameter(0), 0.1f);
    EXPECT_EQ(plugin->GetParameter(1), 0.2f);
    EXPECT_EQ(plugin->GetParameter(2), 0.5f);
}

TEST_F(ChunksTest, UnknownIndicesAreSkippedAndTheChunkStillApplies)
{
    auto bytes = Chunk({{42, 0.9f}, {-1, 0.9f}, {4, 0.25f}});
    EXPECT_EQ(Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(bytes.size()), bytes.data()), 1);
    EXPECT_EQ(plugin->GetParameter(4), 0.25f);
    for (VstInt32 i : {0, 1, 2, 3, 5, 6, 7, 8, 9})
    {
        EXPECT_EQ(plugin->GetParameter(i), 0.5f) << i;
    }
}

TEST_F(ChunksTest, EntriesAreFoundByTheirIndexNotTheirPosition)
{
    auto bytes = Chunk({{10, 0.0f},
                        {9, 0.9f},
                        {8, 0.8f},
                        {7, 0.7f},
                        {6, 0.6f},
                        {5, 0.45f},
                        {4, 0.4f},
                        {3, 0.3f},
                        {2, 0.2f},
                        {1, 0.1f},
                        {0, 0.05f}});
    EXPECT_EQ(Dispatch(effSetChunk, 1, 88, bytes.data()), 1);
    const float expected[] = {0.05f, 0.1f, 0.2f, 0.3f, 0.4f, 0.45f, 0.6f, 0.7f, 0.8f, 0.9f, 0.0f};
    for (VstInt32 i = 0; i < 11; ++i)
    {
        EXPECT_EQ(plugin->GetParameter(i), expected[i]) << i;
    }
    void* data = nullptr;
    ASSERT_EQ(Dispatch(effGetChunk, 1, 0, &data), 88);
    EXPECT_EQ(std::memcmp(data,
                          Chunk({{0, 0.05f},
                                 {1, 0.1f},
                                 {2, 0.2f},
                                 {3, 0.3f},
                                 {4, 0.4f},
                                 {5, 0.45f},
                                 {6, 0.6f},
                                 {7, 0.7f},
                                 {8, 0.8f},
                                 {9, 0.9f},
                                 {10, 0.0f}})
                              .data(),
                          88),
              0);
}

TEST_F(ChunksTest, HostileValuesAreClampedAndNaNIsIgnored)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto bytes = Chunk({{0, nan},
                        {1, 7.0f},
                        {2, -3.0f},
                        {3, std::numeric_limits<float>::infinity()},
                        {1, 0.25f},
                        {10, nan},
                        {4, 0.9f},
                        {4, -nan}});
    EXPECT_EQ(Dispatch(effSetChunk, 1, static_cast<VstIntPtr>(bytes.size()), bytes.data()), 1);
    EXPECT_EQ(plugin->GetParameter(0), 0.5f) << "a NaN entry keeps the value";
    EXPECT_EQ(plugin->GetParameter(10), 1.0f) << "IN stays on";
    EXPECT_EQ(plugin->GetParameter(4), 0.9f) << "a later NaN entry does not undo an earlier value";
    EXPECT_EQ(plugin->GetParameter(1), 0.25f); // the later entry for an index wins
    EXPECT_EQ(plugin->GetParameter(2), 0.0f);
    EXPECT_EQ(plugin->GetParameter(3), 1.0f);
}

TEST_F(ChunksTest, EmptyNullAndNegativeSizedChunksChangeNothing)
{
    auto bytes = Chunk({{0, 0.9f}});
    EXPECT_EQ(Dispatch(effSetChunk, 1, 0, bytes.data()), 0);
    EXPECT_EQ(Dispatch(effSetChunk, 1, 8, nullptr), 0);
    EXPECT_EQ(Dispatch(effSetChunk, 1, -8, bytes.data()), 0);
    EXPECT_EQ(Dispatch(effSetChunk, 1, 7, bytes.data()), 1); // no whole entry: accepted, nothing applied
    EXPECT_EQ(plugin->GetParameter(0), 0.5f);
    EXPECT_EQ(Dispatch(effGetChunk, 1, 0, nullptr), 0);
}
} // namespace
} // namespace KVX::Test
