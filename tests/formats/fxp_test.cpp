// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/fxp.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace KVX::Test
{
namespace
{
using namespace Formats::Fxp;

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<std::uint8_t> out;
    for (int value : values)
    {
        out.push_back(static_cast<std::uint8_t>(value));
    }
    return out;
}

void AppendText(std::vector<std::uint8_t>& out, const char* text, std::size_t length)
{
    out.insert(out.end(), text, text + length);
}

// An opaque program for 'Tvk1' version 1000 named "Ab" with one chunk entry (2, 0.25), written out by hand.
std::vector<std::uint8_t> KnownOpaqueFile()
{
    std::vector<std::uint8_t> file;
    AppendText(file, "CcnK", 4);
    auto size = Bytes({0x00, 0x00, 0x00, 0x3C}); // 68 bytes in all, less the first 8
    file.insert(file.end(), size.begin(), size.end());
    AppendText(file, "FPCh", 4);
    auto fields = Bytes({0, 0, 0, 1, 'T', 'v', 'k', '1', 0x00, 0x00, 0x03, 0xE8, 0, 0, 0, 1});
    file.insert(file.end(), fields.begin(), fields.end());
    AppendText(file, "Ab", 2);
    file.resize(file.size() + 26, 0);
    auto chunk = Bytes({0, 0, 0, 8, 0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3E});
    file.insert(file.end(), chunk.begin(), chunk.end());
    return file;
}

TEST(FxpFile, WritesTheKnownOpaqueProgramByteForByte)
{
    const auto chunk = Bytes({0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x80, 0x3E});
    const auto file = EncodeOpaque(static_cast<std::int32_t>(Code('T', 'v', 'k', '1')), 1000,
                                   MakeNameField("Ab"), chunk.data(), chunk.size());
    EXPECT_EQ(file, KnownOpaqueFile());

    Program program;
    program.pluginId = static_cast<std::int32_t>(Code('T', 'v', 'k', '1'));
    program.pluginVersion = 1000;
    program.name = "Ab";
    program.chunk = chunk;
    EXPECT_EQ(Encode(program), KnownOpaqueFile());
}

TEST(FxpFile, WritesTheKnownParameterProgramByteForByte)
{
    Program program;
    program.pluginId = 42;
    program.pluginVersion = -1;
    program.opaque = false;
    program.parameters = {1.0f, 0.5f};
    std::vector<std::uint8_t> expected;
    AppendText(expected, "CcnK", 4);
    auto size = Bytes({0, 0, 0, 56 + 8 - 8});
    expected.insert(expected.end(), size.begin(), size.end());
    AppendText(expected, "FxCk", 4);
    auto fields = Bytes({0, 0, 0, 1, 0, 0, 0, 42, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 2});
    expected.insert(expected.end(), fields.begin(), fields.end());
    expected.resize(expected.size() + 28, 0);
    auto values = Bytes({0x3F, 0x80, 0x00, 0x00, 0x3F, 0x00, 0x00, 0x00});
    expected.insert(expected.end(), values.begin(), values.end());
    EXPECT_EQ(Encode(program), expected);
}

TEST(FxpFile, ReadsBackWhatItWrites)
{
    Program opaque;
    opaque.pluginId = static_cast<std::int32_t>(Code('A', 'b', 'c', 'd'));
    opaque.pluginVersion = 7;
    opaque.name = "a name longer than the twenty-eight bytes of its field";
    opaque.chunk = {1, 2, 3, 4, 5};
    Program values;
    values.pluginId = -5;
    values.opaque = false;
    values.name = "values";
    values.parameters = {0.0f, 0.25f, 1.0f};
    Program empty;

    for (const Program& program : {opaque, values, empty})
    {
        const auto bytes = Encode(program);
        Program decoded;
        ASSERT_EQ(Decode(bytes.data(), bytes.size(), decoded), DecodeError::None);
        EXPECT_EQ(decoded.pluginId, program.pluginId);
        EXPECT_EQ(decoded.pluginVersion, program.pluginVersion);
        EXPECT_EQ(decoded.name, program.name.substr(0, kNameBytes - 1)); // the field stays terminated
        EXPECT_EQ(decoded.opaque, program.opaque);
        EXPECT_EQ(decoded.chunk, program.chunk);
        EXPECT_EQ(decoded.parameters, program.parameters);

        Header header{};
        ASSERT_TRUE(ReadHeader(bytes.data(), bytes.size(), header));
        EXPECT_EQ(header.fileMagic, kFileMagic);
        EXPECT_EQ(header.byteSize, bytes.size() - 8);
        EXPECT_EQ(header.formatVersion, kFormatVersion);
        EXPECT_EQ(header.numParams,
                  program.opaque ? 1 : static_cast<std::int32_t>(program.parameters.size()));
    }
}

TEST(FxpFile, ANameFieldWithoutAZeroByteIsReadToItsEnd)
{
    auto file = KnownOpaqueFile();
    std::fill(file.begin() + kNameOffset, file.begin() + kNameOffset + kNameBytes, 'x');
    Header header{};
    ASSERT_TRUE(ReadHeader(file.data(), file.size(), header));
    EXPECT_EQ(header.name, std::string(kNameBytes, 'x'));
    Program program;
    ASSERT_EQ(Decode(file.data(), file.size(), program), DecodeError::None);
    EXPECT_EQ(program.name, std::string(kNameBytes, 'x'));
}

TEST(FxpFile, RefusesAnythingButACompleteSingleProgram)
{
    const auto good = KnownOpaqueFile();
    auto with = [&](std::size_t offset, std::initializer_list<int> bytes)
    {
        auto copy = good;
        std::size_t at = offset;
        for (int byte : bytes)
        {
            copy[at++] = static_cast<std::uint8_t>(byte);
        }
        return copy;
    };
    const auto otherMagic = with(0, {'R', 'I', 'F', 'F'});
    const auto opaqueBank = with(8, {'F', 'B', 'C', 'h'});
    const auto valueBank = with(8, {'F', 'x', 'B', 'k'});
    const auto unknownKind = with(8, {'X', 'Y', 'Z', 'W'});
    const auto promisesMore = with(4, {0, 0, 0, 0x3D});
    const auto hugeByteSize = with(4, {0xFF, 0xFF, 0xFF, 0xFF});
    const auto chunkPastTheEnd = with(kChunkSizeOffset, {0, 0, 0, 9});
    const auto hugeChunk = with(kChunkSizeOffset, {0xFF, 0xFF, 0xFF, 0xFF});
    // A parameter program that counts more values than it holds, up to a count that would wrap 32 bits.
    auto values = with(8, {'F', 'x', 'C', 'k'});
    values[24] = values[25] = values[26] = values[27] = 0xFF;

    const struct
    {
        const std::vector<std::uint8_t>* bytes;
        DecodeError expected;
    } cases[] = {
        {&otherMagic, DecodeError::NotAPresetFile},
        {&opaqueBank, DecodeError::Bank},
        {&valueBank, DecodeError::Bank},
        {&unknownKind, DecodeError::UnknownKind},
        {&promisesMore, DecodeError::FileIncomplete},
        {&hugeByteSize, DecodeError::FileIncomplete},
        {&chunkPastTheEnd, DecodeError::ChunkIncomplete},
        {&hugeChunk, DecodeError::ChunkIncomplete},
        {&values, DecodeError::ValuesIncomplete},
    };
    for (const auto& c : cases)
    {
        Program program;
        program.name = "untouched";
        EXPECT_EQ(Decode(c.bytes->data(), c.bytes->size(), program), c.expected);
        EXPECT_EQ(program.name, "untouched"); // nothing is written unless the whole file is good
    }

    // Every shortened copy is refused, and for the right reason.
    for (std::size_t size = 0; size < good.size(); ++size)
    {
        Program program;
        const DecodeError error = Decode(good.data(), size, program);
        const DecodeError expected = size < 8              ? DecodeError::NotAPresetFile
                                     : size < kHeaderBytes ? DecodeError::HeaderIncomplete
                                                           : DecodeError::FileIncomplete;
        EXPECT_EQ(error, expected) << size;
    }
    Program program;
    EXPECT_EQ(Decode(nullptr, 100, program), DecodeError::NotAPresetFile);
}

TEST(FxpFile, TheLoadersChunkViewStopsAtTheBytesPresent)
{
    const auto file = KnownOpaqueFile();
    const std::uint8_t* chunk = nullptr;
    std::uint32_t size = 0;
    ASSERT_TRUE(ReadOpaqueChunk(file.data(), file.size(), chunk, size));
    EXPECT_EQ(chunk, file.data() + kChunkOffset);
    EXPECT_EQ(size, 8u);

    // A size field that claims more (even 4 GiB) yields only what is there.
    auto claimsMore = file;
    claimsMore[kChunkSizeOffset] = 0xFF;
    ASSERT_TRUE(ReadOpaqueChunk(claimsMore.data(), claimsMore.size(), chunk, size));
    EXPECT_EQ(size, 8u);
    ASSERT_TRUE(ReadOpaqueChunk(file.data(), kChunkOffset, chunk, size));
    EXPECT_EQ(size, 0u);

    EXPECT_FALSE(ReadOpaqueChunk(file.data(), kChunkOffset - 1, chunk, size));
    EXPECT_FALSE(ReadOpaqueChunk(nullptr, file.size(), chunk, size));
    Header header{};
    EXPECT_FALSE(ReadHeader(file.data(), kHeaderBytes - 1, header));
    EXPECT_TRUE(ReadHeader(file.data(), kHeaderBytes, header));
}
} // namespace
} // namespace KVX::Test
