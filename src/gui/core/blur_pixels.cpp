// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/blur_pixels.h"

#include <algorithm>
#include <cstddef>

namespace KVX
{
void BlurPixels(std::uint8_t* pixels, int width, int height, int passes, int stride, bool hasAlpha)
{
    if (pixels == nullptr || width <= 0 || height <= 0 || passes <= 0 || stride < width)
    {
        return;
    }
    const int bytesPerPixel = stride / width;
    // Never read past a pixel's own bytes, whatever the caller's stride says.
    const int channels = std::min(hasAlpha ? 4 : 3, bytesPerPixel);

    auto at = [&](long long x, long long y)
    {
        x = std::clamp<long long>(x, 0, width - 1);
        y = std::clamp<long long>(y, 0, height - 1);
        return pixels + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride) +
               static_cast<std::size_t>(x) * static_cast<std::size_t>(bytesPerPixel);
    };

    for (long long k = 1; k <= passes; ++k)
    {
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                const std::uint8_t* a = at(x - k, y - k);
                const std::uint8_t* b = at(x + k, y - k);
                const std::uint8_t* c = at(x - k, y + k);
                const std::uint8_t* d = at(x + k, y + k);
                std::uint8_t* out = at(x, y);
                for (int ch = 0; ch < channels; ++ch)
                {
                    out[ch] = static_cast<std::uint8_t>((a[ch] + b[ch] + c[ch] + d[ch]) >> 2);
                }
            }
        }
    }
}
} // namespace KVX
