// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/cairo_bitmap.h"

#include <cstring>

namespace KVX::Platform::Linux
{
SurfacePtr CreatePremultipliedSurface(const Bitmap& bitmap)
{
    if (bitmap.Empty() || bitmap.width > kMaxSurfaceSide || bitmap.height > kMaxSurfaceSide)
    {
        return nullptr;
    }
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, bitmap.width, bitmap.height));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    {
        return nullptr;
    }
    cairo_surface_flush(surface.get());
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    for (int y = 0; y < bitmap.height; ++y)
    {
        auto* row = data + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < bitmap.width; ++x)
        {
            // cairo keeps native-endian words; the bitmap keeps little-endian ones.
            const std::uint32_t word = PremultiplyArgb(bitmap.Pixel(x, y));
            std::memcpy(row + 4 * x, &word, 4);
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

ImageResult BitmapFromSurface(cairo_surface_t* surface)
{
    ImageResult result;
    if (surface == nullptr || cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
    {
        result.status = ImageStatus::InvalidParameter;
        return result;
    }
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const cairo_format_t format = cairo_image_surface_get_format(surface);

    // Formats other than the two plain 8-bit ones are painted onto an ARGB32 surface first.
    SurfacePtr converted;
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_RGB24)
    {
        converted.reset(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
        if (cairo_surface_status(converted.get()) != CAIRO_STATUS_SUCCESS)
        {
            result.status = ImageStatus::OutOfMemory;
            return result;
        }
        ContextPtr cr(cairo_create(converted.get()));
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        cairo_set_source_surface(cr.get(), surface, 0, 0);
        cairo_paint(cr.get());
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        {
            result.status = ImageStatus::OutOfMemory;
            return result;
        }
        cr.reset();
        surface = converted.get();
    }
    const bool opaque = format == CAIRO_FORMAT_RGB24;

    Bitmap bitmap(width, height);
    if (bitmap.Empty())
    {
        result.status = width > 0 && height > 0 ? ImageStatus::OutOfMemory : ImageStatus::InvalidParameter;
        return result;
    }
    cairo_surface_flush(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    if (data == nullptr)
    {
        result.status = ImageStatus::InvalidParameter;
        return result;
    }
    for (int y = 0; y < height; ++y)
    {
        const auto* row = data + static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < width; ++x)
        {
            std::uint32_t word;
            std::memcpy(&word, row + 4 * x, 4);
            // RGB24 leaves the top byte undefined: such a surface is opaque.
            bitmap.SetPixel(x, y, opaque ? (word | 0xFF000000u) : UnpremultiplyArgb(word));
        }
    }
    result.bitmap = std::move(bitmap);
    result.status = ImageStatus::Ok;
    return result;
}
} // namespace KVX::Platform::Linux
