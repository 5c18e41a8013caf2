// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Single-program preset files (.fxp). Header integers and four-character codes are big-endian (a code's
// first character is the first byte). After the 56-byte header comes either a big-endian chunk size and
// an opaque chunk in the plug-in's own layout ('FPCh'), or one big-endian float per parameter ('FxCk').
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace KVX::Formats::Fxp
{
constexpr std::uint32_t Code(char a, char b, char c, char d)
{
    return (static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
           (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(d));
}

inline constexpr std::uint32_t kFileMagic = Code('C', 'c', 'n', 'K');
inline constexpr std::uint32_t kOpaqueProgram = Code('F', 'P', 'C', 'h');
inline constexpr std::uint32_t kParameterProgram = Code('F', 'x', 'C', 'k');
inline constexpr std::uint32_t kOpaqueBank = Code('F', 'B', 'C', 'h');
inline constexpr std::uint32_t kParameterBank = Code('F', 'x', 'B', 'k');
inline constexpr std::int32_t kFormatVersion = 1;

inline constexpr std::size_t kByteSizeOffset = 4;
inline constexpr std::size_t kKindOffset = 8;
inline constexpr std::size_t kPluginIdOffset = 16;
inline constexpr std::size_t kNameOffset = 28;
inline constexpr std::size_t kNameBytes = 28;
inline constexpr std::size_t kHeaderBytes = 56;
inline constexpr std::size_t kChunkSizeOffset = 56; // opaque programs
inline constexpr std::size_t kChunkOffset = 60;
inline constexpr std::size_t kValuesOffset = 56; // parameter programs

// The name field as stored: 8-bit text ended by a zero byte or by the field's end.
using NameField = std::array<std::uint8_t, kNameBytes>;
// At most 27 bytes of the name, so that the field stays terminated; the rest is zero.
NameField MakeNameField(std::string_view name);

struct Header
{
    std::uint32_t fileMagic;
    std::uint32_t byteSize; // bytes after this field
    std::uint32_t kind;
    std::int32_t formatVersion;
    std::int32_t pluginId;
    std::int32_t pluginVersion;
    std::int32_t numParams;
    std::string_view name; // into the bytes read, up to the first zero byte
};

// Reads the header's fields without judging them; false when fewer than kHeaderBytes are present.
bool ReadHeader(const std::uint8_t* data, std::size_t size, Header& header);

// An opaque program's chunk as far as the bytes hold it: a declared size beyond the end is cut to the bytes
// present. False when there is no room for the size field.
bool ReadOpaqueChunk(const std::uint8_t* data, std::size_t size, const std::uint8_t*& chunk,
                     std::uint32_t& chunkSize);

struct Program
{
    std::int32_t pluginId = 0;
    std::int32_t pluginVersion = 0;
    std::string name;
    // An opaque chunk ('FPCh') when true, else one value per parameter ('FxCk').
    bool opaque = true;
    std::vector<std::uint8_t> chunk;
    std::vector<float> parameters;
};

enum class DecodeError
{
    None,
    NotAPresetFile,   // too short for a magic, or another magic
    HeaderIncomplete, // fewer bytes than the header
    Bank,             // a bank of programs
    UnknownKind,      // neither kind of program
    FileIncomplete,   // fewer bytes than the header's byte size promises
    ChunkIncomplete,  // the chunk size field or the chunk is cut off
    ValuesIncomplete  // fewer parameter values than the header counts
};

// Accepts only a complete single-program file; `program` is written only on success.
DecodeError Decode(const std::uint8_t* data, std::size_t size, Program& program);

// An opaque program with the name field exactly as given.
std::vector<std::uint8_t> EncodeOpaque(std::int32_t pluginId, std::int32_t pluginVersion,
                                       const NameField& name, const std::uint8_t* chunk,
                                       std::size_t chunkSize);
std::vector<std::uint8_t> Encode(const Program& program);
} // namespace KVX::Formats::Fxp
