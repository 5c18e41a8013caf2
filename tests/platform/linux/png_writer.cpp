// SPDX-License-Identifier: GPL-3.0-or-later
#include "png_writer.h"

#include <algorithm>
#include <array>
#include <string>

namespace KVX::Test
{
namespace
{
std::uint32_t Crc(const std::uint8_t* data, std::size_t size, std::uint32_t crc = 0xFFFFFFFFu)
{
    static const auto table = []
    {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t n = 0; n < 256; ++n)
        {
            std::uint32_t c = n;
            for (int k = 0; k < 8; ++k)
            {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[n] = c;
        }
        return t;
    }();
    for (std::size_t i = 0; i < size; ++i)
    {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc;
}

void PutBig32(std::vector<std::uint8_t>& out, std::uint32_t v)
{
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void PutChunk(std::vector<std::uint8_t>& out, const char* type, const std::vector<std::uint8_t>& body)
{
    PutBig32(out, static_cast<std::uint32_t>(body.size()));
    std::vector<std::uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), body.begin(), body.end());
    out.insert(out.end(), typed.begin(), typed.end());
    PutBig32(out, Crc(typed.data(), typed.size()) ^ 0xFFFFFFFFu);
}

// A zlib stream of "stored" deflate blocks.
std::vector<std::uint8_t> Deflate(const std::vector<std::uint8_t>& raw)
{
    std::vector<std::uint8_t> out{0x78, 0x01};
    std::size_t at = 0;
    do
    {
        const std::size_t n = std::min<std::size_t>(raw.size() - at, 65535);
        const bool last = at + n == raw.size();
        out.push_back(last ? 1 : 0);
        out.push_back(static_cast<std::uint8_t>(n));
        out.push_back(static_cast<std::uint8_t>(n >> 8));
        out.push_back(static_cast<std::uint8_t>(~n));
        out.push_back(static_cast<std::uint8_t>(~n >> 8));
        out.insert(out.end(), raw.begin() + static_cast<long>(at), raw.begin() + static_cast<long>(at + n));
        at += n;
    } while (at < raw.size());
    std::uint32_t a = 1, b = 0;
    for (std::uint8_t byte : raw)
    {
        a = (a + byte) % 65521;
        b = (b + a) % 65521;
    }
    PutBig32(out, b << 16 | a);
    return out;
}
} // namespace

std::vector<std::uint8_t> EncodePng(const PngImage& image)
{
    const int channels = image.colour == PngColour::Rgba ? 4 : image.colour == PngColour::Rgb ? 3 : 1;
    std::vector<std::uint8_t> out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<std::uint8_t> header;
    PutBig32(header, static_cast<std::uint32_t>(image.width));
    PutBig32(header, static_cast<std::uint32_t>(image.height));
    header.insert(header.end(), {8, static_cast<std::uint8_t>(image.colour), 0, 0, 0});
    PutChunk(out, "IHDR", header);
    if (image.colour == PngColour::Palette)
    {
        PutChunk(out, "PLTE", image.palette);
        if (!image.paletteAlpha.empty())
        {
            PutChunk(out, "tRNS", image.paletteAlpha);
        }
    }
    std::vector<std::uint8_t> raw;
    const std::size_t rowBytes = static_cast<std::size_t>(image.width) * channels;
    for (int y = 0; y < image.height; ++y)
    {
        raw.push_back(0); // filter: none
        raw.insert(raw.end(), image.samples.begin() + static_cast<long>(y * rowBytes),
                   image.samples.begin() + static_cast<long>((y + 1) * rowBytes));
    }
    PutChunk(out, "IDAT", Deflate(raw));
    PutChunk(out, "IEND", {});
    return out;
}
} // namespace KVX::Test
