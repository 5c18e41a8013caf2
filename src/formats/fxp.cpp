// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/fxp.h"

#include "formats/byte_order.h"

#include <algorithm>
#include <cstring>

namespace KVX::Formats::Fxp
{
namespace
{
void Append(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t bytes[4];
    PutBigEndian32(bytes, value);
    out.insert(out.end(), bytes, bytes + 4);
}

// Everything up to the name field; the byte size is patched once the file is complete.
std::vector<std::uint8_t> StartFile(std::uint32_t kind, std::int32_t pluginId, std::int32_t pluginVersion,
                                    std::uint32_t numParams, const NameField& name)
{
    std::vector<std::uint8_t> out;
    Append(out, kFileMagic);
    Append(out, 0);
    Append(out, kind);
    Append(out, static_cast<std::uint32_t>(kFormatVersion));
    Append(out, static_cast<std::uint32_t>(pluginId));
    Append(out, static_cast<std::uint32_t>(pluginVersion));
    Append(out, numParams);
    out.insert(out.end(), name.begin(), name.end());
    return out;
}

void FinishFile(std::vector<std::uint8_t>& out)
{
    PutBigEndian32(out.data() + kByteSizeOffset, static_cast<std::uint32_t>(out.size() - 8));
}
} // namespace

NameField MakeNameField(std::string_view name)
{
    NameField field{};
    std::memcpy(field.data(), name.data(), std::min(name.size(), kNameBytes - 1));
    return field;
}

bool ReadHeader(const std::uint8_t* data, std::size_t size, Header& header)
{
    if (data == nullptr || size < kHeaderBytes)
    {
        return false;
    }
    header.fileMagic = GetBigEndian32(data);
    header.byteSize = GetBigEndian32(data + kByteSizeOffset);
    header.kind = GetBigEndian32(data + kKindOffset);
    header.formatVersion = static_cast<std::int32_t>(GetBigEndian32(data + 12));
    header.pluginId = static_cast<std::int32_t>(GetBigEndian32(data + kPluginIdOffset));
    header.pluginVersion = static_cast<std::int32_t>(GetBigEndian32(data + 20));
    header.numParams = static_cast<std::int32_t>(GetBigEndian32(data + 24));
    const auto* name = reinterpret_cast<const char*>(data + kNameOffset);
    std::size_t length = 0;
    while (length < kNameBytes && name[length] != 0)
    {
        ++length;
    }
    header.name = std::string_view(name, length);
    return true;
}

bool ReadOpaqueChunk(const std::uint8_t* data, std::size_t size, const std::uint8_t*& chunk,
                     std::uint32_t& chunkSize)
{
    if (data == nullptr || size < kChunkOffset)
    {
        return false;
    }
    const std::uint32_t declared = GetBigEndian32(data + kChunkSizeOffset);
    const std::size_t present = size - kChunkOffset;
    chunk = data + kChunkOffset;
    chunkSize = static_cast<std::uint32_t>(declared < present ? declared : present);
    return true;
}

DecodeError Decode(const std::uint8_t* data, std::size_t size, Program& program)
{
    if (data == nullptr || size < 8 || GetBigEndian32(data) != kFileMagic)
    {
        return DecodeError::NotAPresetFile;
    }
    Header header{};
    if (!ReadHeader(data, size, header))
    {
        return DecodeError::HeaderIncomplete;
    }
    if (header.kind == kOpaqueBank || header.kind == kParameterBank)
    {
        return DecodeError::Bank;
    }
    if (header.kind != kOpaqueProgram && header.kind != kParameterProgram)
    {
        return DecodeError::UnknownKind;
    }
    if (static_cast<std::uint64_t>(header.byteSize) + 8 > size)
    {
        return DecodeError::FileIncomplete;
    }
    Program decoded;
    decoded.pluginId = header.pluginId;
    decoded.pluginVersion = header.pluginVersion;
    decoded.name = std::string(header.name);
    decoded.opaque = header.kind == kOpaqueProgram;
    if (decoded.opaque)
    {
        if (size < kChunkOffset || GetBigEndian32(data + kChunkSizeOffset) > size - kChunkOffset)
        {
            return DecodeError::ChunkIncomplete;
        }
        decoded.chunk.assign(data + kChunkOffset,
                             data + kChunkOffset + GetBigEndian32(data + kChunkSizeOffset));
    }
    else
    {
        // The count is read unsigned and widened, so a huge or negative field cannot wrap the bound.
        const std::uint64_t count = static_cast<std::uint32_t>(header.numParams);
        if (kValuesOffset + 4 * count > size)
        {
            return DecodeError::ValuesIncomplete;
        }
        decoded.parameters.reserve(static_cast<std::size_t>(count));
        for (std::uint64_t i = 0; i < count; ++i)
        {
            decoded.parameters.push_back(
                FloatFromBits(GetBigEndian32(data + kValuesOffset + 4 * static_cast<std::size_t>(i))));
        }
    }
    program = std::move(decoded);
    return DecodeError::None;
}

std::vector<std::uint8_t> EncodeOpaque(std::int32_t pluginId, std::int32_t pluginVersion,
                                       const NameField& name, const std::uint8_t* chunk,
                                       std::size_t chunkSize)
{
    std::vector<std::uint8_t> out = StartFile(kOpaqueProgram, pluginId, pluginVersion, 1, name);
    Append(out, static_cast<std::uint32_t>(chunkSize));
    if (chunkSize > 0)
    {
        out.insert(out.end(), chunk, chunk + chunkSize);
    }
    FinishFile(out);
    return out;
}

std::vector<std::uint8_t> Encode(const Program& program)
{
    const NameField name = MakeNameField(program.name);
    if (program.opaque)
    {
        return EncodeOpaque(program.pluginId, program.pluginVersion, name, program.chunk.data(),
                            program.chunk.size());
    }
    std::vector<std::uint8_t> out = StartFile(kParameterProgram, program.pluginId, program.pluginVersion,
                                              static_cast<std::uint32_t>(program.parameters.size()), name);
    for (float value : program.parameters)
    {
        Append(out, FloatBits(value));
    }
    FinishFile(out);
    return out;
}
} // namespace KVX::Formats::Fxp
