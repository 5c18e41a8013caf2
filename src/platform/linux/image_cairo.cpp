// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/image.h"
#include "platform/linux/cairo_bitmap.h"
#include "platform/text.h"

#include <cstring>
#include <fstream>
#include <iterator>

namespace KVX::Platform
{
namespace
{
using namespace Linux;

struct ReadCursor
{
    const std::uint8_t* data;
    std::size_t size;
    std::size_t position;
};

cairo_status_t ReadChunk(void* closure, unsigned char* out, unsigned int length)
{
    auto* cursor = static_cast<ReadCursor*>(closure);
    // A truncated stream must fail here; cairo turns that into an error surface.
    if (length > cursor->size - cursor->position)
    {
        return CAIRO_STATUS_READ_ERROR;
    }
    std::memcpy(out, cursor->data + cursor->position, length);
    cursor->position += length;
    return CAIRO_STATUS_SUCCESS;
}

ImageStatus StatusOf(cairo_status_t status)
{
    switch (status)
    {
    case CAIRO_STATUS_SUCCESS:
        return ImageStatus::Ok;
    case CAIRO_STATUS_NO_MEMORY:
        return ImageStatus::OutOfMemory;
    case CAIRO_STATUS_INVALID_SIZE:
        return ImageStatus::InvalidParameter;
    default:
        return ImageStatus::GenericError;
    }
}

ImageResult Failure(ImageStatus status)
{
    ImageResult result;
    result.status = status;
    return result;
}
} // namespace

ImageResult DecodePng(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size == 0)
    {
        return Failure(ImageStatus::InvalidParameter);
    }
    ReadCursor cursor{data, size, 0};
    SurfacePtr surface(cairo_image_surface_create_from_png_stream(ReadChunk, &cursor));
    if (cairo_surface_status(surface.get()) != CAIRO_STATUS_SUCCESS)
    {
        // cairo reports a corrupt file as "out of memory" as often as not, so its status cannot tell bad
        // data from exhausted memory; bad data is by far the likelier.
        return Failure(ImageStatus::UnknownImageFormat);
    }
    return BitmapFromSurface(surface.get());
}

ImageResult LoadPngFile(std::u16string_view path)
{
    if (path.empty())
    {
        return Failure(ImageStatus::FileNotFound);
    }
    std::ifstream file(Utf16ToUtf8(path), std::ios::binary);
    if (!file)
    {
        return Failure(ImageStatus::FileNotFound);
    }
    const std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                          std::istreambuf_iterator<char>());
    if (file.bad())
    {
        return Failure(ImageStatus::FileNotFound);
    }
    if (bytes.empty())
    {
        return Failure(ImageStatus::UnknownImageFormat);
    }
    return DecodePng(bytes.data(), bytes.size());
}

ImageResult ScaleBitmap(const Bitmap& source, int width, int height)
{
    if (source.Empty() || width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide)
    {
        return Failure(ImageStatus::InvalidParameter);
    }
    if (width == source.width && height == source.height)
    {
        ImageResult same;
        same.bitmap = source;
        same.status = ImageStatus::Ok;
        return same;
    }
    // Filtering has to happen on premultiplied colour, or transparent pixels bleed their (meaningless)
    // colour into their neighbours.
    SurfacePtr input = CreatePremultipliedSurface(source);
    if (!input)
    {
        return Failure(ImageStatus::OutOfMemory);
    }
    SurfacePtr output(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height));
    if (cairo_surface_status(output.get()) != CAIRO_STATUS_SUCCESS)
    {
        return Failure(ImageStatus::OutOfMemory);
    }
    {
        ContextPtr cr(cairo_create(output.get()));
        cairo_scale(cr.get(), static_cast<double>(width) / source.width,
                    static_cast<double>(height) / source.height);
        cairo_set_source_surface(cr.get(), input.get(), 0, 0);
        cairo_pattern_t* pattern = cairo_get_source(cr.get());
        // BEST is a bicubic (Catmull-Rom) convolution that also widens its kernel when shrinking.
        cairo_pattern_set_filter(pattern, CAIRO_FILTER_BEST);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
        cairo_paint(cr.get());
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        {
            return Failure(StatusOf(cairo_status(cr.get())));
        }
    }
    return BitmapFromSurface(output.get());
}
} // namespace KVX::Platform
