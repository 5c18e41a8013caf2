// SPDX-License-Identifier: GPL-3.0-or-later
#include "formats/vst3_preset.h"

#include "formats/byte_order.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace KVX::Formats::Vst3Preset
{
namespace
{
constexpr char kFileId[4] = {'V', 'S', 'T', '3'};
constexpr char kListId[4] = {'L', 'i', 's', 't'};
constexpr char kComponentId[4] = {'C', 'o', 'm', 'p'};
constexpr char kControllerId[4] = {'C', 'o', 'n', 't'};
constexpr std::size_t kListOffsetAt = 40;
constexpr std::size_t kEntryBytes = 4 + 8 + 8;
// Far more chunks than any preset has; keeps a damaged count from running through gigabytes.
constexpr std::uint32_t kMaxEntries = 128;

void Append(std::vector<std::uint8_t>& out, const void* data, std::size_t size)
{
    if (size > 0)
    {
        const std::size_t at = out.size();
        out.resize(at + size);
        std::memcpy(out.data() + at, data, size);
    }
}

void Append32(std::vector<std::uint8_t>& out, std::uint32_t value)
{
    std::uint8_t bytes[4];
    PutLittleEndian32(bytes, value);
    Append(out, bytes, 4);
}

void Append64(std::vector<std::uint8_t>& out, std::uint64_t value)
{
    Append32(out, static_cast<std::uint32_t>(value));
    Append32(out, static_cast<std::uint32_t>(value >> 32));
}

std::uint64_t Get64(const std::uint8_t* in)
{
    return static_cast<std::uint64_t>(GetLittleEndian32(in)) |
           (static_cast<std::uint64_t>(GetLittleEndian32(in + 4)) << 32);
}

void AppendId(std::vector<std::uint8_t>& out, const char (&id)[4])
{
    Append(out, id, 4);
}
} // namespace

std::string ClassIdText(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d)
{
    char text[kClassIdChars + 1];
    std::snprintf(text, sizeof text, "%08X%08X%08X%08X", a, b, c, d);
    return text;
}

std::vector<std::uint8_t> Encode(const Preset& preset)
{
    std::vector<std::uint8_t> out;
    AppendId(out, kFileId);
    Append32(out, static_cast<std::uint32_t>(kFormatVersion));
    std::string classId = preset.classId;
    classId.resize(kClassIdChars, '0');
    Append(out, classId.data(), kClassIdChars);
    Append64(out, 0); // the list's offset, patched below

    const std::uint64_t componentAt = out.size();
    Append(out, preset.component.data(), preset.component.size());
    const std::uint64_t controllerAt = out.size();
    Append(out, preset.controller.data(), preset.controller.size());

    const std::uint64_t listAt = out.size();
    AppendId(out, kListId);
    Append32(out, preset.hasController ? 2u : 1u);
    AppendId(out, kComponentId);
    Append64(out, componentAt);
    Append64(out, preset.component.size());
    if (preset.hasController)
    {
        AppendId(out, kControllerId);
        Append64(out, controllerAt);
        Append64(out, preset.controller.size());
    }
    PutLittleEndian32(out.data() + kListOffsetAt, static_cast<std::uint32_t>(listAt));
    PutLittleEndian32(out.data() + kListOffsetAt + 4, static_cast<std::uint32_t>(listAt >> 32));
    return out;
}

DecodeError Decode(const std::uint8_t* data, std::size_t size, Preset& preset)
{
    if (data == nullptr || size < kHeaderBytes || std::memcmp(data, kFileId, 4) != 0)
    {
        return DecodeError::NotAPreset;
    }
    Preset read;
    read.classId.assign(reinterpret_cast<const char*>(data + 8), kClassIdChars);
    for (char c : read.classId)
    {
        if (!std::isxdigit(static_cast<unsigned char>(c)))
        {
            return DecodeError::NotAPreset;
        }
    }
    const std::uint64_t listAt = Get64(data + kListOffsetAt);
    if (listAt < kHeaderBytes || listAt > size || size - listAt < 8 ||
        std::memcmp(data + listAt, kListId, 4) != 0)
    {
        return DecodeError::NoChunkList;
    }
    const std::uint32_t count = GetLittleEndian32(data + listAt + 4);
    if (count > kMaxEntries || (size - listAt - 8) / kEntryBytes < count)
    {
        return DecodeError::NoChunkList;
    }
    bool component = false;
    read.hasController = false;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const std::uint8_t* entry = data + listAt + 8 + i * kEntryBytes;
        const std::uint64_t at = Get64(entry + 4);
        const std::uint64_t length = Get64(entry + 12);
        if (at > size || length > size - at)
        {
            return DecodeError::ChunkOutside;
        }
        if (std::memcmp(entry, kComponentId, 4) == 0)
        {
            read.component.assign(data + at, data + at + length);
            component = true;
        }
        else if (std::memcmp(entry, kControllerId, 4) == 0)
        {
            read.controller.assign(data + at, data + at + length);
            read.hasController = true;
        }
    }
    if (!component)
    {
        return DecodeError::NoComponentState;
    }
    preset = std::move(read);
    return DecodeError::None;
}
} // namespace KVX::Formats::Vst3Preset
