// SPDX-License-Identifier: GPL-3.0-or-later
// Decoded PNG sheets for the skin tests, read back with cairo as the Linux panel reads them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

namespace KVX::SkinTest
{
struct PngImage
{
    int width = 0;
    int height = 0;
    bool argb32 = false;
    std::vector<std::uint32_t> pixels; // premultiplied ARGB, row by row

    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
    int Alpha(int x, int y) const { return static_cast<int>(At(x, y) >> 24); }
    // Brightness of the pixel over black, 0 ... 255.
    double Luma(int x, int y) const;
};

// An empty image (width 0) when the file is missing or does not decode.
PngImage LoadPng(const std::filesystem::path& path);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);

std::filesystem::path ImageDir();
} // namespace KVX::SkinTest
