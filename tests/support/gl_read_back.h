// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The back buffer of the GL context current on this thread, as a panel test compares it: 0xRRGGBB, rows
// from the top.
#ifdef _WIN32
#include <windows.h>
#endif
#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace KVX::Test
{
inline std::vector<std::uint32_t> ReadBackBuffer(int width, int height)
{
    constexpr GLenum kBgra = 0x80E1; // as the pixels sit in a little-endian 0xAARRGGBB word
    std::vector<std::uint32_t> raw(static_cast<std::size_t>(width) * height);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, kBgra, GL_UNSIGNED_BYTE, raw.data());
    std::vector<std::uint32_t> pixels(raw.size());
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            pixels[static_cast<std::size_t>(y) * width + x] =
                raw[static_cast<std::size_t>(height - 1 - y) * width + x] & 0xFFFFFFu;
        }
    }
    return pixels;
}
} // namespace KVX::Test
