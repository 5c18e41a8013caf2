// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11_present.h"

#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace KVX::Platform::Linux
{
namespace
{
// One colour channel of a visual: where its bits sit in a pixel and how many there are.
struct ChannelMask
{
    int shift = 0;
    unsigned long maximum = 0;

    explicit ChannelMask(unsigned long mask)
    {
        if (mask == 0)
        {
            return;
        }
        while ((mask & 1) == 0)
        {
            mask >>= 1;
            ++shift;
        }
        maximum = mask;
    }
    unsigned long Place(std::uint32_t value) const
    {
        return ((static_cast<unsigned long>(value & 0xFF) * maximum + 127) / 255) << shift;
    }
};
} // namespace

void PresentSurface(Display* display, ::Window window, int screen, cairo_surface_t* canvas)
{
    cairo_surface_flush(canvas);
    Visual* visual = DefaultVisual(display, screen);
    const int width = cairo_image_surface_get_width(canvas);
    const int height = cairo_image_surface_get_height(canvas);
    const unsigned char* pixels = cairo_image_surface_get_data(canvas);
    if (pixels == nullptr || width <= 0 || height <= 0)
    {
        return;
    }
    XImage* image =
        XCreateImage(display, visual, static_cast<unsigned>(DefaultDepth(display, screen)), ZPixmap, 0,
                     nullptr, static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
    if (image == nullptr)
    {
        return;
    }
    // XDestroyImage releases the pixels with free().
    image->data = static_cast<char*>(std::malloc(static_cast<std::size_t>(image->bytes_per_line) * height));
    if (image->data == nullptr)
    {
        XDestroyImage(image);
        return;
    }
    const ChannelMask red(visual->red_mask);
    const ChannelMask green(visual->green_mask);
    const ChannelMask blue(visual->blue_mask);
    const int stride = cairo_image_surface_get_stride(canvas);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            std::uint32_t word;
            std::memcpy(&word,
                        pixels + static_cast<std::size_t>(y) * stride + 4 * static_cast<std::size_t>(x), 4);
            XPutPixel(image, x, y, red.Place(word >> 16) | green.Place(word >> 8) | blue.Place(word));
        }
    }
    XPutImage(display, window, DefaultGC(display, screen), image, 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XDestroyImage(image);
    XFlush(display);
}
} // namespace KVX::Platform::Linux
