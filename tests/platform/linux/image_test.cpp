// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/image.h"
#include "png_writer.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace KVX::Platform
{
namespace
{
using Test::EncodePng;
using Test::PngColour;
using Test::PngImage;

int Channel(std::uint32_t argb, int shift)
{
    return static_cast<int>((argb >> shift) & 0xFF);
}

void ExpectNear(std::uint32_t expected, std::uint32_t actual, int tolerance, const char* where)
{
    for (int shift : {24, 16, 8, 0})
    {
        EXPECT_NEAR(Channel(expected, shift), Channel(actual, shift), tolerance)
            << where << ": expected " << std::hex << expected << ", got " << actual;
    }
}

// Straight RGBA samples of a 4 × 2 image; every colour differs per channel so swaps show.
const std::uint8_t kRgba[] = {
    255, 0,   0,  255, /**/ 0,  255, 0,  255, /**/ 0,  0,   255, 255, /**/ 10, 20, 30, 255,
    200, 100, 50, 128, /**/ 31, 62,  93, 200, /**/ 77, 154, 231, 254, /**/ 90, 80, 70, 0,
};

PngImage RgbaImage()
{
    PngImage image;
    image.width = 4;
    image.height = 2;
    image.colour = PngColour::Rgba;
    image.samples.assign(std::begin(kRgba), std::end(kRgba));
    return image;
}

TEST(DecodePng, KeepsStraightColourAndMemoryOrder)
{
    const auto png = EncodePng(RgbaImage());
    const ImageResult result = DecodePng(png.data(), png.size());
    ASSERT_TRUE(result);
    const Bitmap& bitmap = result.bitmap;
    ASSERT_EQ(bitmap.width, 4);
    ASSERT_EQ(bitmap.height, 2);
    EXPECT_EQ(bitmap.stride, 16);
    EXPECT_TRUE(bitmap.hasAlpha);
    // Bytes B, G, R, A in memory.
    EXPECT_EQ(bitmap.pixels[0], 0);
    EXPECT_EQ(bitmap.pixels[2], 255);
    EXPECT_EQ(bitmap.pixels[3], 255);
    EXPECT_EQ(bitmap.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(bitmap.Pixel(1, 0), 0xFF00FF00u);
    EXPECT_EQ(bitmap.Pixel(2, 0), 0xFF0000FFu);
    EXPECT_EQ(bitmap.Pixel(3, 0), 0xFF0A141Eu);
    for (int x = 0; x < 3; ++x)
    {
        const std::uint8_t* s = kRgba + 16 + 4 * x;
        const std::uint32_t expected =
            std::uint32_t{s[3]} << 24 | std::uint32_t{s[0]} << 16 | std::uint32_t{s[1]} << 8 | s[2];
        ExpectNear(expected, bitmap.Pixel(x, 1), 1, "translucent pixel");
    }
    EXPECT_EQ(bitmap.Pixel(3, 1), 0u) << "a fully transparent pixel has no colour";
}

TEST(DecodePng, OtherColourTypesBecomeArgb)
{
    PngImage grey{2, 1, PngColour::Grey, {0, 200}, {}, {}};
    auto png = EncodePng(grey);
    ImageResult result = DecodePng(png.data(), png.size());
    ASSERT_TRUE(result);
    EXPECT_EQ(result.bitmap.Pixel(0, 0), 0xFF000000u);
    EXPECT_EQ(result.bitmap.Pixel(1, 0), 0xFFC8C8C8u);

    PngImage rgb{2, 1, PngColour::Rgb, {1, 2, 3, 250, 128, 7}, {}, {}};
    png = EncodePng(rgb);
    result = DecodePng(png.data(), png.size());
    ASSERT_TRUE(result);
    EXPECT_EQ(result.bitmap.Pixel(0, 0), 0xFF010203u);
    EXPECT_EQ(result.bitmap.Pixel(1, 0), 0xFFFA8007u);

    PngImage palette{3, 1, PngColour::Palette, {2, 0, 1}, {255, 0, 0, 0, 0, 255, 9, 8, 7}, {255, 0}};
    png = EncodePng(palette);
    result = DecodePng(png.data(), png.size());
    ASSERT_TRUE(result);
    EXPECT_EQ(result.bitmap.Pixel(0, 0), 0xFF090807u) << "entries beyond tRNS are opaque";
    EXPECT_EQ(result.bitmap.Pixel(1, 0), 0xFFFF0000u);
    EXPECT_EQ(result.bitmap.Pixel(2, 0), 0u);
}

TEST(DecodePng, BadInputFailsWithNonZeroStatus)
{
    const auto png = EncodePng(RgbaImage());
    const std::uint8_t garbage[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    std::vector<std::uint8_t> corrupt = png;
    corrupt[50] ^= 0xFF; // inside the image data: its checksum no longer matches

    struct Case
    {
        const char* what;
        const std::uint8_t* data;
        std::size_t size;
    } cases[] = {
        {"null", nullptr, 10},
        {"empty", png.data(), 0},
        {"garbage", garbage, sizeof garbage},
        {"signature only", png.data(), 8},
        {"truncated header", png.data(), 20},
        {"truncated data", png.data(), png.size() - 20},
        {"corrupt data", corrupt.data(), corrupt.size()},
    };
    for (const auto& c : cases)
    {
        const ImageResult result = DecodePng(c.data, c.size);
        EXPECT_FALSE(result) << c.what;
        EXPECT_NE(static_cast<int>(result.status), 0) << c.what;
        EXPECT_TRUE(result.bitmap.Empty()) << c.what;
    }
    EXPECT_EQ(DecodePng(nullptr, 0).status, ImageStatus::InvalidParameter);
    EXPECT_EQ(DecodePng(garbage, sizeof garbage).status, ImageStatus::UnknownImageFormat);
}

TEST(LoadPngFile, ReadsFilesAndReportsMissingOnes)
{
    char path[] = "/tmp/kvx_png_XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    close(fd);
    const auto png = EncodePng(RgbaImage());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
    std::u16string widePath(path, path + sizeof path - 1);

    const ImageResult loaded = LoadPngFile(widePath);
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded.bitmap.Pixel(1, 0), 0xFF00FF00u);

    std::ofstream(path, std::ios::binary | std::ios::trunc).write("not a png", 9);
    EXPECT_EQ(LoadPngFile(widePath).status, ImageStatus::UnknownImageFormat);

    std::remove(path);
    EXPECT_EQ(LoadPngFile(widePath).status, ImageStatus::FileNotFound);
    EXPECT_EQ(LoadPngFile(u"").status, ImageStatus::FileNotFound);
}

TEST(PremultipliedAlpha, RoundsToNearestAndClearsTransparentPixels)
{
    EXPECT_EQ(PremultiplyArgb(0x00FFFFFFu), 0u);
    EXPECT_EQ(UnpremultiplyArgb(0x00123456u), 0u);
    EXPECT_EQ(PremultiplyArgb(0xFF123456u), 0xFF123456u);
    EXPECT_EQ(UnpremultiplyArgb(0xFF123456u), 0xFF123456u);
    // 255 × 128 / 255 = 128; 100 × 128 / 255 = 50.2 → 50; 201 × 128 / 255 = 100.9 → 101.
    EXPECT_EQ(PremultiplyArgb(0x80FF64C9u), 0x80803265u);
    // 64 × 255 / 128 = 127.5 → 128 (ties up); a colour above its alpha saturates.
    EXPECT_EQ(UnpremultiplyArgb(0x80409000u), 0x8080FF00u);

    // Round trip straight → premultiplied → straight: within ±1 from alpha 128 up, and within
    // 0.5 + 127.5 / alpha in general.
    for (std::uint32_t a = 1; a < 256; ++a)
    {
        const double bound = a >= 128 ? 1.0 : 0.5 + 127.5 / a;
        for (std::uint32_t c = 0; c < 256; ++c)
        {
            const std::uint32_t back = UnpremultiplyArgb(PremultiplyArgb(a << 24 | c));
            ASSERT_EQ(back >> 24, a);
            ASSERT_LE(std::abs(static_cast<int>(back & 0xFF) - static_cast<int>(c)), bound) << a << " " << c;
        }
    }
}

Bitmap Filled(int width, int height, std::uint32_t argb)
{
    Bitmap bitmap(width, height);
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            bitmap.SetPixel(x, y, argb);
        }
    }
    return bitmap;
}

TEST(ScaleBitmap, FlatAreasStayFlatUpToTheEdges)
{
    for (std::uint32_t colour : {0xFF3366CCu, 0x80C08040u})
    {
        for (auto [w, h] : {std::pair{9, 7}, std::pair{2, 3}, std::pair{40, 1}})
        {
            const ImageResult scaled = ScaleBitmap(Filled(5, 4, colour), w, h);
            ASSERT_TRUE(scaled);
            ASSERT_EQ(scaled.bitmap.width, w);
            ASSERT_EQ(scaled.bitmap.height, h);
            EXPECT_EQ(scaled.bitmap.stride, 4 * w);
            for (int y = 0; y < h; ++y)
            {
                for (int x = 0; x < w; ++x)
                {
                    ExpectNear(colour, scaled.bitmap.Pixel(x, y), 1, "flat area");
                }
            }
        }
    }
}

TEST(ScaleBitmap, InterpolatesEdgesWithoutBleedingTransparentColour)
{
    // Left half opaque red, right half opaque blue: the enlarged edge passes through mixtures.
    Bitmap halves(4, 1);
    for (int x = 0; x < 4; ++x)
    {
        halves.SetPixel(x, 0, x < 2 ? 0xFFFF0000u : 0xFF0000FFu);
    }
    const ImageResult wide = ScaleBitmap(halves, 16, 1);
    ASSERT_TRUE(wide);
    EXPECT_EQ(wide.bitmap.Pixel(0, 0), 0xFFFF0000u);
    EXPECT_EQ(wide.bitmap.Pixel(15, 0), 0xFF0000FFu);
    int mixed = 0;
    for (int x = 1; x < 15; ++x)
    {
        const std::uint32_t p = wide.bitmap.Pixel(x, 0);
        mixed += Channel(p, 16) > 20 && Channel(p, 0) > 20;
    }
    EXPECT_GE(mixed, 2);

    // Opaque red beside transparent pixels whose (meaningless) colour is green: no green may appear.
    Bitmap edge(4, 2);
    for (int y = 0; y < 2; ++y)
    {
        for (int x = 0; x < 4; ++x)
        {
            edge.SetPixel(x, y, x < 2 ? 0xFFFF0000u : 0x0000FF00u);
        }
    }
    const ImageResult grown = ScaleBitmap(edge, 13, 5);
    ASSERT_TRUE(grown);
    bool sawTranslucent = false;
    for (int y = 0; y < 5; ++y)
    {
        for (int x = 0; x < 13; ++x)
        {
            const std::uint32_t p = grown.bitmap.Pixel(x, y);
            if ((p >> 24) != 0)
            {
                EXPECT_LE(Channel(p, 8), 1) << x << "," << y;
                EXPECT_GE(Channel(p, 16), 250) << x << "," << y;
            }
            sawTranslucent |= (p >> 24) > 0 && (p >> 24) < 255;
        }
    }
    EXPECT_TRUE(sawTranslucent);
}

TEST(ScaleBitmap, SameSizeCopiesAndBadSizesFail)
{
    Bitmap checker(3, 2);
    checker.SetPixel(1, 1, 0x80FFFFFFu);
    const ImageResult same = ScaleBitmap(checker, 3, 2);
    ASSERT_TRUE(same);
    EXPECT_EQ(same.bitmap.pixels, checker.pixels);

    EXPECT_EQ(ScaleBitmap(checker, 0, 4).status, ImageStatus::InvalidParameter);
    EXPECT_EQ(ScaleBitmap(checker, 4, -1).status, ImageStatus::InvalidParameter);
    EXPECT_EQ(ScaleBitmap(Bitmap(), 4, 4).status, ImageStatus::InvalidParameter);
    EXPECT_TRUE(Bitmap(0, 5).Empty());
    EXPECT_TRUE(Bitmap(5, 100000).Empty());
}
} // namespace
} // namespace KVX::Platform
