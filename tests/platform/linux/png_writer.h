// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writes small PNG files byte by byte (uncompressed deflate blocks), so that tests know exactly which
// samples a file holds, independently of the decoder under test.
#include <cstdint>
#include <vector>

namespace KVX::Test
{
enum class PngColour : std::uint8_t
{
    Grey = 0,
    Rgb = 2,
    Palette = 3,
    Rgba = 6
};

struct PngImage
{
    int width = 0;
    int height = 0;
    PngColour colour = PngColour::Rgba;
    std::vector<std::uint8_t> samples;      // rows of 8-bit samples, no filter bytes
    std::vector<std::uint8_t> palette;      // RGB triples (palette images)
    std::vector<std::uint8_t> paletteAlpha; // tRNS entries (palette images, optional)
};

std::vector<std::uint8_t> EncodePng(const PngImage& image);
} // namespace KVX::Test
