// SPDX-License-Identifier: GPL-3.0-or-later
// A build without an image decoder: nothing decodes or scales.
#include "platform/image.h"

namespace KVX::Platform
{
ImageResult DecodePng(const std::uint8_t*, std::size_t)
{
    return {Bitmap(), ImageStatus::UnknownImageFormat};
}

ImageResult LoadPngFile(std::u16string_view)
{
    return {Bitmap(), ImageStatus::UnknownImageFormat};
}

ImageResult ScaleBitmap(const Bitmap&, int, int)
{
    return {Bitmap(), ImageStatus::GenericError};
}
} // namespace KVX::Platform
