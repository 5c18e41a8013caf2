// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/framebuffer_file.h"

#include <array>
#include <cstring>
#include <fstream>

namespace KVX::Test
{
namespace
{
// The XWD header: 25 32-bit fields, big-endian.
enum Field
{
    kHeaderSize = 0,
    kWidth = 4,
    kHeight = 5,
    kByteOrder = 7,
    kBitsPerPixel = 11,
    kBytesPerLine = 12,
    kColourCount = 19,
    kFieldCount = 25
};

std::uint32_t BigEndian(const unsigned char* p)
{
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}
} // namespace

std::vector<std::uint32_t> ReadFramebufferFile(const std::string& path, int x, int y, int width, int height)
{
    std::ifstream file(path, std::ios::binary);
    std::array<unsigned char, kFieldCount * 4> raw{};
    if (!file.read(reinterpret_cast<char*>(raw.data()), raw.size()))
    {
        return {};
    }
    std::array<std::uint32_t, kFieldCount> header{};
    for (int i = 0; i < kFieldCount; ++i)
    {
        header[i] = BigEndian(&raw[static_cast<std::size_t>(i) * 4]);
    }
    const std::uint32_t bitsPerPixel = header[kBitsPerPixel];
    if ((bitsPerPixel != 32 && bitsPerPixel != 24) || x < 0 || y < 0 || width <= 0 || height <= 0 ||
        static_cast<std::uint32_t>(x + width) > header[kWidth] ||
        static_cast<std::uint32_t>(y + height) > header[kHeight])
    {
        return {};
    }
    const std::uint32_t bytesPerPixel = bitsPerPixel / 8;
    const bool lsbFirst = header[kByteOrder] == 0;
    const std::streamoff dataStart = header[kHeaderSize] + header[kColourCount] * 12;

    std::vector<std::uint32_t> pixels;
    std::vector<unsigned char> line(static_cast<std::size_t>(width) * bytesPerPixel);
    for (int row = 0; row < height; ++row)
    {
        file.seekg(dataStart + static_cast<std::streamoff>(y + row) * header[kBytesPerLine] +
                   static_cast<std::streamoff>(x) * bytesPerPixel);
        if (!file.read(reinterpret_cast<char*>(line.data()), static_cast<std::streamsize>(line.size())))
        {
            return {};
        }
        for (int column = 0; column < width; ++column)
        {
            const unsigned char* p = &line[static_cast<std::size_t>(column) * bytesPerPixel];
            std::uint32_t value = 0;
            for (std::uint32_t b = 0; b < bytesPerPixel; ++b)
            {
                value |= std::uint32_t{p[lsbFirst ? b : bytesPerPixel - 1 - b]} << (8 * b);
            }
            pixels.push_back(value & 0xFFFFFF);
        }
    }
    return pixels;
}
} // namespace KVX::Test
