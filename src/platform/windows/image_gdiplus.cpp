// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/image.h"
#include "platform/windows/gdiplus_session.h"

#include <objbase.h>

#include <cstring>
#include <string>
#include <vector>

namespace KVX::Platform
{
namespace
{
using Windows::GdiplusSession;

ImageResult Failure(ImageStatus status)
{
    ImageResult result;
    result.status = status;
    return result;
}

// GDI+'s status numbers are the ones ImageStatus names; others pass through as they are, so that a report
// names the code GDI+ gave.
ImageResult Failure(Gdiplus::Status status)
{
    return Failure(status == Gdiplus::Ok ? ImageStatus::GenericError : static_cast<ImageStatus>(status));
}

// Copies a GDI+ bitmap out as straight (not premultiplied) 32-bit ARGB, converting any other format.
ImageResult CopyPixels(Gdiplus::Bitmap& image)
{
    const int width = static_cast<int>(image.GetWidth());
    const int height = static_cast<int>(image.GetHeight());
    ImageResult result;
    result.bitmap = Bitmap(width, height);
    if (result.bitmap.Empty())
    {
        return Failure(width <= 0 || height <= 0 ? ImageStatus::InvalidParameter : ImageStatus::OutOfMemory);
    }
    Gdiplus::Rect whole(0, 0, width, height);
    Gdiplus::BitmapData locked{};
    const Gdiplus::Status status =
        image.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &locked);
    if (status != Gdiplus::Ok)
    {
        return Failure(status);
    }
    for (int y = 0; y < height; ++y)
    {
        const auto* row =
            static_cast<const std::uint8_t*>(locked.Scan0) + static_cast<std::ptrdiff_t>(y) * locked.Stride;
        std::uint8_t* out = result.bitmap.Row(y);
        std::memcpy(out, row, static_cast<std::size_t>(width) * 4);
        // A fully transparent pixel has no colour: texture filtering would otherwise blend whatever colour
        // the file kept there into the visible edge next to it.
        for (int x = 0; x < width; ++x, out += 4)
        {
            if (out[3] == 0)
            {
                out[0] = out[1] = out[2] = 0;
            }
        }
    }
    image.UnlockBits(&locked);
    result.status = ImageStatus::Ok;
    return result;
}

// A COM stream over a movable global copy of the bytes; the stream frees the copy when released.
IStream* StreamOver(const std::uint8_t* data, std::size_t size)
{
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr)
    {
        return nullptr;
    }
    void* target = GlobalLock(memory);
    if (target == nullptr)
    {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(target, data, size);
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (FAILED(CreateStreamOnHGlobal(memory, TRUE, &stream)))
    {
        GlobalFree(memory);
        return nullptr;
    }
    return stream;
}
} // namespace

ImageResult DecodePng(const std::uint8_t* data, std::size_t size)
{
    if (data == nullptr || size == 0 || size > 0x7FFFFFFF)
    {
        return Failure(ImageStatus::InvalidParameter);
    }
    // GDI+ would decode other formats too, and names data it cannot place with a mere generic error.
    static const std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size < sizeof kSignature || std::memcmp(data, kSignature, sizeof kSignature) != 0)
    {
        return Failure(ImageStatus::UnknownImageFormat);
    }
    GdiplusSession session;
    if (session.Status() != Gdiplus::Ok)
    {
        return Failure(session.Status());
    }
    IStream* stream = StreamOver(data, size);
    if (stream == nullptr)
    {
        return Failure(ImageStatus::OutOfMemory);
    }
    ImageResult result;
    {
        Gdiplus::Bitmap image(stream, FALSE);
        const Gdiplus::Status status = image.GetLastStatus();
        result = status == Gdiplus::Ok ? CopyPixels(image) : Failure(status);
    }
    stream->Release();
    return result;
}

ImageResult LoadPngFile(std::u16string_view path)
{
    const std::u16string name(path);
    HANDLE file = name.empty()
                      ? INVALID_HANDLE_VALUE
                      : CreateFileW(reinterpret_cast<LPCWSTR>(name.c_str()), GENERIC_READ, FILE_SHARE_READ,
                                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
    {
        return Failure(ImageStatus::FileNotFound);
    }
    LARGE_INTEGER size{};
    std::vector<std::uint8_t> bytes;
    bool read = GetFileSizeEx(file, &size) && size.QuadPart >= 0 && size.QuadPart <= 0x7FFFFFFF;
    if (read)
    {
        bytes.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD got = 0;
        read =
            bytes.empty() || (ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr) &&
                              got == bytes.size());
    }
    CloseHandle(file);
    if (!read)
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
    if (source.Empty() || width <= 0 || height <= 0 || source.stride != source.width * 4)
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
    GdiplusSession session;
    if (session.Status() != Gdiplus::Ok)
    {
        return Failure(session.Status());
    }
    // GDI+ only reads through this pointer: the source is drawn from, never into.
    Gdiplus::Bitmap input(source.width, source.height, source.stride, PixelFormat32bppARGB,
                          const_cast<BYTE*>(source.pixels.data()));
    Gdiplus::Bitmap output(width, height, PixelFormat32bppARGB);
    if (input.GetLastStatus() != Gdiplus::Ok || output.GetLastStatus() != Gdiplus::Ok)
    {
        return Failure(output.GetLastStatus() != Gdiplus::Ok ? output.GetLastStatus()
                                                             : input.GetLastStatus());
    }
    Gdiplus::Status status = Gdiplus::Ok;
    {
        Gdiplus::Graphics graphics(&output);
        graphics.SetCompositingMode(Gdiplus::CompositingModeSourceCopy);
        graphics.SetInterpolationMode(Gdiplus::InterpolationModeHighQualityBicubic);
        // Pixel centres at half-pixel positions keep the picture where it was instead of shifting it by
        // half a pixel; mirrored edges keep flat borders flat instead of fading them into nothing.
        graphics.SetPixelOffsetMode(Gdiplus::PixelOffsetModeHalf);
        Gdiplus::ImageAttributes edges;
        edges.SetWrapMode(Gdiplus::WrapModeTileFlipXY);
        status = graphics.DrawImage(&input, Gdiplus::Rect(0, 0, width, height), 0, 0, source.width,
                                    source.height, Gdiplus::UnitPixel, &edges);
    }
    if (status != Gdiplus::Ok)
    {
        return Failure(status);
    }
    return CopyPixels(output);
}
} // namespace KVX::Platform
