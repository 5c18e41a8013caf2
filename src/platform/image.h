// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Decoded images as the panel uses them: 32 bits per pixel, bytes in memory order B, G, R, A (an ARGB word
// stored little-endian), colour NOT premultiplied by alpha. Decoding and scaling are the platform's job.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace KVX::Platform
{
// Why an image operation failed. The numbers are those of the Windows image library's status family, so
// that a report text names the same code on every platform. Ok is the only zero.
enum class ImageStatus : int
{
    Ok = 0,
    GenericError = 1,
    InvalidParameter = 2,
    OutOfMemory = 3,
    FileNotFound = 10,
    UnknownImageFormat = 13
};

struct Bitmap
{
    int width = 0;
    int height = 0;
    int stride = 0;       // bytes per row (width × 4)
    bool hasAlpha = true; // always true for bitmaps made here
    std::vector<std::uint8_t> pixels;

    Bitmap() = default;
    // A bitmap of that size cleared to transparent black; a size ≤ 0 (or one too large) gives an empty one.
    Bitmap(int width, int height);

    bool Empty() const { return width <= 0 || height <= 0 || pixels.empty(); }
    std::uint8_t* Row(int y) { return pixels.data() + static_cast<std::size_t>(y) * stride; }
    const std::uint8_t* Row(int y) const { return pixels.data() + static_cast<std::size_t>(y) * stride; }
    // The ARGB word at (x, y); no bounds check.
    std::uint32_t Pixel(int x, int y) const;
    void SetPixel(int x, int y, std::uint32_t argb);
};

// A bitmap and how it was obtained: `bitmap` is non-empty exactly when `status` is Ok.
struct ImageResult
{
    Bitmap bitmap;
    ImageStatus status = ImageStatus::GenericError;

    explicit operator bool() const { return status == ImageStatus::Ok; }
};

// Any PNG (palette, grey, RGB, with or without alpha) comes out as 32-bit ARGB. Colours of translucent
// pixels pass through a premultiplied form on the way, so they survive within the rounding of that form
// (exact for opaque pixels, within ±1 for alpha ≥ 128).
ImageResult DecodePng(const std::uint8_t* data, std::size_t size);

// Reads and decodes a PNG file (path in UTF-16); a missing or unreadable file gives FileNotFound.
ImageResult LoadPngFile(std::u16string_view path);

// Scales to width × height with high-quality bicubic interpolation, the border pixels extended outwards
// so that flat areas stay flat up to the edge. Sizes ≤ 0 give InvalidParameter.
ImageResult ScaleBitmap(const Bitmap& source, int width, int height);

// Straight ↔ premultiplied ARGB words, rounding to nearest. Alpha 0 gives 0 in both directions; a colour
// larger than its alpha (possible after filtering) saturates at 255 when made straight.
std::uint32_t PremultiplyArgb(std::uint32_t argb);
std::uint32_t UnpremultiplyArgb(std::uint32_t argb);
} // namespace KVX::Platform
