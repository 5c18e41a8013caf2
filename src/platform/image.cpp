// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/image.h"

namespace KVX::Platform
{
namespace
{
// Beyond this side the drawing libraries refuse surfaces anyway.
constexpr int kMaxSide = 32767;
} // namespace

Bitmap::Bitmap(int width, int height)
{
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
    {
        return;
    }
    this->width = width;
    this->height = height;
    stride = width * 4;
    hasAlpha = true;
    pixels.assign(static_cast<std::size_t>(stride) * static_cast<std::size_t>(height), 0);
}

std::uint32_t Bitmap::Pixel(int x, int y) const
{
    const std::uint8_t* p = Row(y) + 4 * static_cast<std::size_t>(x);
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

void Bitmap::SetPixel(int x, int y, std::uint32_t argb)
{
    std::uint8_t* p = Row(y) + 4 * static_cast<std::size_t>(x);
    p[0] = static_cast<std::uint8_t>(argb);
    p[1] = static_cast<std::uint8_t>(argb >> 8);
    p[2] = static_cast<std::uint8_t>(argb >> 16);
    p[3] = static_cast<std::uint8_t>(argb >> 24);
}

std::uint32_t PremultiplyArgb(std::uint32_t argb)
{
    const std::uint32_t a = argb >> 24;
    if (a == 255)
    {
        return argb;
    }
    if (a == 0)
    {
        return 0;
    }
    // c × a / 255 rounded to nearest; 255 is odd, so there are no ties.
    auto scale = [a](std::uint32_t c) { return (c * a + 127) / 255; };
    return a << 24 | scale((argb >> 16) & 0xFF) << 16 | scale((argb >> 8) & 0xFF) << 8 | scale(argb & 0xFF);
}

std::uint32_t UnpremultiplyArgb(std::uint32_t argb)
{
    const std::uint32_t a = argb >> 24;
    if (a == 255)
    {
        return argb;
    }
    if (a == 0)
    {
        return 0;
    }
    // c × 255 / a rounded to nearest (ties up), saturating for colours that exceed their alpha.
    auto scale = [a](std::uint32_t c)
    {
        const std::uint32_t v = (c * 255 + a / 2) / a;
        return v > 255 ? 255u : v;
    };
    return a << 24 | scale((argb >> 16) & 0xFF) << 16 | scale((argb >> 8) & 0xFF) << 8 | scale(argb & 0xFF);
}
} // namespace KVX::Platform
