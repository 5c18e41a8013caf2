// SPDX-License-Identifier: GPL-3.0-or-later
#include "png_image.h"

#include <cairo.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace KVX::SkinTest
{
double PngImage::Luma(int x, int y) const
{
    const std::uint32_t p = At(x, y);
    return 0.299 * ((p >> 16) & 0xFF) + 0.587 * ((p >> 8) & 0xFF) + 0.114 * (p & 0xFF);
}

PngImage LoadPng(const std::filesystem::path& path)
{
    PngImage image;
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
    {
        image.width = cairo_image_surface_get_width(surface);
        image.height = cairo_image_surface_get_height(surface);
        image.argb32 = cairo_image_surface_get_format(surface) == CAIRO_FORMAT_ARGB32;
        const int stride = cairo_image_surface_get_stride(surface);
        const unsigned char* data = cairo_image_surface_get_data(surface);
        image.pixels.resize(static_cast<std::size_t>(image.width) * image.height);
        for (int y = 0; y < image.height; ++y)
        {
            std::memcpy(&image.pixels[static_cast<std::size_t>(y) * image.width],
                        data + static_cast<std::ptrdiff_t>(y) * stride, sizeof(std::uint32_t) * image.width);
        }
    }
    cairo_surface_destroy(surface);
    return image;
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::filesystem::path ImageDir()
{
    return KVX_SKIN_IMAGE_DIR;
}
} // namespace KVX::SkinTest
