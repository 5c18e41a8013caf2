// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/blur_pixels.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <random>
#include <vector>

namespace KVX
{
namespace
{
// The blur written as plainly as possible: one channel at a time, the four diagonal reads spelt out.
void ReferenceBlur(std::vector<std::uint8_t>& image, int width, int height, int passes, int stride,
                   bool hasAlpha)
{
    const int pixelBytes = stride / width;
    const int channels = hasAlpha ? 4 : 3;
    auto sample = [&](int x, int y, int c)
    {
        x = std::min(std::max(x, 0), width - 1);
        y = std::min(std::max(y, 0), height - 1);
        return static_cast<int>(image[y * stride + x * pixelBytes + c]);
    };
    for (int k = 1; k <= passes; ++k)
    {
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                for (int c = 0; c < channels; ++c)
                {
                    const int sum = sample(x - k, y - k, c) + sample(x + k, y - k, c) +
                                    sample(x - k, y + k, c) + sample(x + k, y + k, c);
                    image[y * stride + x * pixelBytes + c] = static_cast<std::uint8_t>(sum / 4);
                }
            }
        }
    }
}

std::vector<std::uint8_t> Noise(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes(size);
    for (auto& b : bytes)
    {
        b = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

TEST(BlurPixels, WorksInPlaceFromTheTopLeft)
{
    // One row of three 4-byte pixels, first channel 0, 100, 200. Rows clamp onto themselves, so each value
    // is (2 × left + 2 × right) / 4, and the left neighbour has already been blurred when it is read:
    // 0 → (0 + 100) / 2 = 50; 100 → (50 + 200) / 2 = 125; 200 → (125 + 200) / 2 = 162.
    std::vector<std::uint8_t> row{0, 9, 9, 9, 100, 9, 9, 9, 200, 9, 9, 9};
    BlurPixels(row.data(), 3, 1, 1, 12, true);
    EXPECT_EQ(row[0], 50);
    EXPECT_EQ(row[4], 125);
    EXPECT_EQ(row[8], 162);
    EXPECT_EQ(row[1], 9);

    // A column: the pixel below reads the already blurred pixel above it.
    std::vector<std::uint8_t> column{0, 0, 0, 0, 0, 0, 0, 0, 255, 255, 255, 255};
    BlurPixels(column.data(), 1, 3, 1, 4, true);
    EXPECT_EQ(column[0], 0);   // (0 + 0 + 0 + 0) / 4
    EXPECT_EQ(column[4], 127); // (2 × 0 + 2 × 255) / 4 = 127
    EXPECT_EQ(column[8], 191); // (2 × 127 + 2 × 255) / 4 = 191
}

TEST(BlurPixels, MatchesTheReferenceForBothPixelSizesAndSeveralPasses)
{
    struct Case
    {
        int width, height, stride;
        bool hasAlpha;
    } cases[] = {
        {7, 5, 28, true},  // 32-bit ARGB
        {7, 5, 28, false}, // 32-bit without alpha: the fourth byte stays
        {5, 6, 16, false}, // 24-bit rows padded to 4 bytes (16 / 5 = 3 bytes per pixel)
        {9, 3, 27, false}, // 24-bit, unpadded
        {1, 1, 4, true},
    };
    unsigned seed = 1;
    for (const auto& c : cases)
    {
        for (int passes : {1, 2, 3, 6})
        {
            auto expected = Noise(static_cast<std::size_t>(c.stride) * c.height, seed++);
            auto actual = expected;
            ReferenceBlur(expected, c.width, c.height, passes, c.stride, c.hasAlpha);
            BlurPixels(actual.data(), c.width, c.height, passes, c.stride, c.hasAlpha);
            EXPECT_EQ(actual, expected) << c.width << "x" << c.height << " stride " << c.stride << " passes "
                                        << passes << (c.hasAlpha ? " alpha" : "");
        }
    }
}

TEST(BlurPixels, LeavesBytesOutsidePixelsAndBadArgumentsAlone)
{
    // Padding at the end of 24-bit rows is never written.
    auto image = Noise(16 * 4, 99);
    const auto before = image;
    BlurPixels(image.data(), 5, 4, 2, 16, false);
    for (int y = 0; y < 4; ++y)
    {
        EXPECT_EQ(image[y * 16 + 15], before[y * 16 + 15]);
    }

    auto untouched = Noise(64, 7);
    const auto original = untouched;
    BlurPixels(untouched.data(), 4, 4, 0, 16, true);
    BlurPixels(untouched.data(), 0, 4, 1, 16, true);
    BlurPixels(untouched.data(), 4, -1, 1, 16, true);
    BlurPixels(untouched.data(), 4, 4, 1, 3, true); // stride smaller than the width
    BlurPixels(nullptr, 4, 4, 1, 16, true);
    EXPECT_EQ(untouched, original);

    // A stride of 2 bytes per pixel blurs only what lies inside each pixel, without reading beyond the
    // buffer (the sanitizer build checks the reads).
    std::vector<std::uint8_t> narrow{0, 1, 100, 1, 200, 1};
    BlurPixels(narrow.data(), 3, 1, 1, 6, true);
    EXPECT_EQ(narrow[0], 50);
    EXPECT_EQ(narrow[5], 1);

    // A flat image stays flat however far the passes reach.
    std::vector<std::uint8_t> flat(4 * 4 * 3, 77);
    BlurPixels(flat.data(), 4, 3, 40, 16, true);
    EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](std::uint8_t b) { return b == 77; }));
}
} // namespace
} // namespace KVX
