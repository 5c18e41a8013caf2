// SPDX-License-Identifier: GPL-3.0-or-later
// VST3 preset files: the layout hosts read, and damage refused rather than read past.
#include "formats/vst3_preset.h"

#include <gtest/gtest.h>

#include <cstring>

namespace KVX::Formats::Vst3Preset
{
namespace
{
std::uint64_t Get64(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    std::uint64_t value = 0;
    for (int i = 7; i >= 0; --i)
    {
        value = (value << 8) | bytes[at + static_cast<std::size_t>(i)];
    }
    return value;
}

TEST(Vst3Preset, LaysOutTheHeaderTheChunksAndTheirList)
{
    Preset preset;
    preset.classId = ClassIdText(0x4B565854, 0x6F76696B, 0x54766B31, 0x00000001);
    EXPECT_EQ(preset.classId, "4B5658546F76696B54766B3100000001");
    preset.component = {1, 2, 3, 4, 5};
    const std::vector<std::uint8_t> bytes = Encode(preset);

    ASSERT_EQ(bytes.size(), 48u + 5u + 4u + 4u + 2u * 20u);
    EXPECT_EQ(std::memcmp(bytes.data(), "VST3\x01\0\0\0", 8), 0);
    EXPECT_EQ(std::string(bytes.begin() + 8, bytes.begin() + 40), preset.classId);
    const std::uint64_t list = Get64(bytes, 40);
    ASSERT_EQ(list, 53u);
    EXPECT_EQ(std::memcmp(bytes.data() + list, "List\x02\0\0\0Comp", 12), 0);
    EXPECT_EQ(Get64(bytes, list + 12), 48u);
    EXPECT_EQ(Get64(bytes, list + 20), 5u);
    EXPECT_EQ(std::memcmp(bytes.data() + list + 28, "Cont", 4), 0);
    EXPECT_EQ(Get64(bytes, list + 40), 0u);

    Preset read;
    ASSERT_EQ(Decode(bytes.data(), bytes.size(), read), DecodeError::None);
    EXPECT_EQ(read.classId, preset.classId);
    EXPECT_EQ(read.component, preset.component);
    EXPECT_TRUE(read.hasController);
    EXPECT_TRUE(read.controller.empty());
}

TEST(Vst3Preset, RefusesDamagedFiles)
{
    Preset preset;
    preset.classId = ClassIdText(1, 2, 3, 4);
    preset.component.assign(88, 7);
    const std::vector<std::uint8_t> good = Encode(preset);
    Preset read;
    read.classId = "untouched";

    std::vector<std::uint8_t> bytes = good;
    bytes[0] = 'X';
    EXPECT_EQ(Decode(bytes.data(), bytes.size(), read), DecodeError::NotAPreset);
    EXPECT_EQ(Decode(good.data(), 47, read), DecodeError::NotAPreset);
    EXPECT_EQ(Decode(good.data(), good.size() - 1, read), DecodeError::NoChunkList);
    bytes = good;
    bytes[40] = 0xFF; // the list's offset past the end
    EXPECT_EQ(Decode(bytes.data(), bytes.size(), read), DecodeError::NoChunkList);
    bytes = good;
    bytes[48 + 88 + 8 + 4 + 8] = 0xFF; // the component's size past the end
    EXPECT_EQ(Decode(bytes.data(), bytes.size(), read), DecodeError::ChunkOutside);
    bytes = good;
    std::memcpy(bytes.data() + 48 + 88 + 8, "Info", 4);
    EXPECT_EQ(Decode(bytes.data(), bytes.size(), read), DecodeError::NoComponentState);
    EXPECT_EQ(read.classId, "untouched");
}
} // namespace
} // namespace KVX::Formats::Vst3Preset
