// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// VST3 preset files (.vstpreset): a 48-byte header ('VST3', a 32-bit version, the processor's class id as 32
// hexadecimal characters, the 64-bit offset of the chunk list), the chunks' data, then the chunk list
// ('List', a 32-bit count, and per chunk a four-character id, a 64-bit offset and a 64-bit size). The
// component's state is the chunk 'Comp', the edit controller's 'Cont'. Integers are little-endian.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace KVX::Formats::Vst3Preset
{
inline constexpr std::size_t kHeaderBytes = 48;
inline constexpr std::size_t kClassIdChars = 32;
inline constexpr std::int32_t kFormatVersion = 1;

// A class id as preset files spell it: its four 32-bit words, most significant first, in upper-case
// hexadecimal.
std::string ClassIdText(std::uint32_t a, std::uint32_t b, std::uint32_t c, std::uint32_t d);

struct Preset
{
    std::string classId;
    std::vector<std::uint8_t> component;
    // Written as a chunk even when empty: a controller whose state is empty restores from nothing.
    std::vector<std::uint8_t> controller;
    bool hasController = true;
};

std::vector<std::uint8_t> Encode(const Preset& preset);

enum class DecodeError
{
    None,
    NotAPreset,      // no 'VST3' header, or a class id that is not 32 hexadecimal characters
    NoChunkList,     // the list offset points outside the file or not at 'List'
    ChunkOutside,    // a listed chunk lies outside the file
    NoComponentState // no 'Comp' chunk
};

// `preset` is written only on success.
DecodeError Decode(const std::uint8_t* data, std::size_t size, Preset& preset);
} // namespace KVX::Formats::Vst3Preset
