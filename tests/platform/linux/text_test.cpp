// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/font.h"
#include "platform/linux/font_library.h"

#include <filesystem>
#include <future>
#include <gtest/gtest.h>
#include <vector>

namespace KVX::Platform
{
namespace
{
const Font kTahoma10{u"Tahoma", 10.0f, false, false};
const std::u16string kHintText = u"1 kHz: +4.8 dB";

bool WineTahomaInstalled()
{
    return std::filesystem::exists("/usr/share/wine/fonts/tahoma.ttf");
}

// The smallest rectangle holding every pixel with non-zero alpha.
struct Ink
{
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
    bool Empty() const { return right < 0; }
    double CentreX() const { return (left + right) / 2.0; }
    double CentreY() const { return (top + bottom) / 2.0; }
};

Ink InkOf(const Bitmap& bitmap)
{
    Ink ink;
    for (int y = 0; y < bitmap.height; ++y)
    {
        for (int x = 0; x < bitmap.width; ++x)
        {
            if (bitmap.Pixel(x, y) >> 24)
            {
                ink.left = std::min(ink.left, x);
                ink.right = std::max(ink.right, x);
                ink.top = std::min(ink.top, y);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

// Restores the normal font sources however a test ends.
struct FontSourcesScope
{
    explicit FontSourcesScope(const Linux::FontSources& sources) { Linux::SetFontSourcesForTesting(sources); }
    ~FontSourcesScope() { Linux::SetFontSourcesForTesting(Linux::FontSources{}); }
};

TEST(Fonts, TahomaIsTheRealOneWhenInstalledElseTheSystemSansSerif)
{
    const std::u16string family = ResolvedFontFamily(kTahoma10);
    ASSERT_FALSE(family.empty()) << "this machine has no usable font: text would silently not draw";
    if (WineTahomaInstalled())
    {
        EXPECT_EQ(family, u"Tahoma");
    }
    {
        FontSourcesScope systemOnly(Linux::FontSources{true, {}});
        const std::u16string fallback = ResolvedFontFamily(kTahoma10);
        EXPECT_FALSE(fallback.empty());
        EXPECT_NE(fallback, u"Tahoma") << "fontconfig found Tahoma on its own; the fallback is untested";
    }
    if (WineTahomaInstalled())
    {
        FontSourcesScope wineOnly(Linux::FontSources{false, {"/usr/share/wine/fonts"}});
        EXPECT_EQ(ResolvedFontFamily(kTahoma10), u"Tahoma");
    }
}

TEST(Fonts, NoFontMeansEmptyMeasureAndFailedDrawing)
{
    FontSourcesScope none(Linux::FontSources{false, {}});
    EXPECT_TRUE(ResolvedFontFamily(kTahoma10).empty());
    EXPECT_TRUE(MeasureText(kHintText, kTahoma10).Empty());
    Bitmap bitmap(60, 20);
    const auto before = bitmap.pixels;
    EXPECT_FALSE(RenderText(bitmap, kHintText, kTahoma10, 0xFF000000u, {0, 0, 60, 20}, TextAlign::Near,
                            TextAlign::Near, true));
    EXPECT_EQ(bitmap.pixels, before);
}

TEST(MeasureText, GivesAPlausibleSingleLineBox)
{
    const TextBox box = MeasureText(kHintText, kTahoma10);
    EXPECT_EQ(box.left, 0.0f);
    EXPECT_EQ(box.top, 0.0f);
    EXPECT_GT(box.width, 60.0f);
    EXPECT_LT(box.width, 130.0f);
    EXPECT_GE(box.height, 12.0f);
    EXPECT_LE(box.height, 17.0f);

    const TextBox longer = MeasureText(kHintText + u" and more", kTahoma10);
    EXPECT_GT(longer.width, box.width + 20.0f);
    EXPECT_EQ(longer.height, box.height) << "one line, however long";

    const TextBox big = MeasureText(kHintText, Font{u"Tahoma", 20.0f, false, false});
    EXPECT_NEAR(big.width / box.width, 2.0, 0.25);
    EXPECT_NEAR(big.height / box.height, 2.0, 0.25);

    EXPECT_GT(MeasureText(kHintText, Font{u"Tahoma", 10.0f, true, false}).width, box.width);

    EXPECT_TRUE(MeasureText(u"", kTahoma10).Empty());
    EXPECT_TRUE(MeasureText(kHintText, Font{u"Tahoma", 0.0f, false, false}).Empty());
    EXPECT_TRUE(MeasureText(kHintText, Font{u"Tahoma", -3.0f, false, false}).Empty());
}

TEST(RenderText, DrawsOpaqueTextOnlyInsideTheLayoutRectangle)
{
    Bitmap bitmap(120, 40);
    const TextBox layout{10, 8, 100, 24};
    ASSERT_TRUE(RenderText(bitmap, kHintText, kTahoma10, 0xFF204060u, layout, TextAlign::Centre,
                           TextAlign::Centre, true));
    int opaque = 0;
    for (int y = 0; y < bitmap.height; ++y)
    {
        for (int x = 0; x < bitmap.width; ++x)
        {
            const std::uint32_t p = bitmap.Pixel(x, y);
            const bool inside = x >= 10 && x < 110 && y >= 8 && y < 32;
            if (!inside)
            {
                ASSERT_EQ(p, 0u) << x << "," << y;
            }
            if ((p >> 24) == 255)
            {
                ++opaque;
                EXPECT_EQ(p, 0xFF204060u);
            }
            else if ((p >> 24) >= 128)
            {
                // Edge pixels keep the text colour: the bitmap holds straight alpha.
                EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x20, 1);
                EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x60, 1);
            }
        }
    }
    EXPECT_GT(opaque, 20);
}

TEST(RenderText, ClipsToTheRectangleAndKeepsOtherPixels)
{
    Bitmap bitmap(80, 30);
    bitmap.SetPixel(79, 29, 0x40123456u); // translucent pixel away from the text survives exactly
    ASSERT_TRUE(RenderText(bitmap, u"A very long line that cannot fit", kTahoma10, 0xFF000000u,
                           {5, 5, 30, 10}, TextAlign::Near, TextAlign::Near, true));
    const Ink ink = InkOf(bitmap);
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.left, 5);
    EXPECT_GE(ink.top, 5);
    EXPECT_EQ(bitmap.Pixel(79, 29), 0x40123456u);
    Bitmap empty;
    EXPECT_FALSE(RenderText(empty, u"x", kTahoma10, 0xFF000000u, {0, 0, 9, 9}, TextAlign::Near,
                            TextAlign::Near, true));
    for (int y = 0; y < 30; ++y)
    {
        for (int x = 35; x < 79; ++x)
        {
            ASSERT_EQ(bitmap.Pixel(x, y), 0u) << x << "," << y;
        }
    }
}

TEST(RenderText, AlignmentMovesTheText)
{
    const TextBox layout{0, 0, 200, 60};
    auto inkFor = [&](TextAlign h, TextAlign v)
    {
        Bitmap bitmap(200, 60);
        EXPECT_TRUE(RenderText(bitmap, u"Gain", kTahoma10, 0xFF000000u, layout, h, v, true));
        return InkOf(bitmap);
    };
    const Ink nearNear = inkFor(TextAlign::Near, TextAlign::Near);
    const Ink centre = inkFor(TextAlign::Centre, TextAlign::Centre);
    const Ink farFar = inkFor(TextAlign::Far, TextAlign::Far);
    ASSERT_FALSE(nearNear.Empty());
    EXPECT_LT(nearNear.left, 6);
    EXPECT_LT(nearNear.top, 8);
    EXPECT_NEAR(centre.CentreX(), 100.0, 3.0);
    EXPECT_NEAR(centre.CentreY(), 30.0, 4.0);
    EXPECT_GT(farFar.right, 192);
    EXPECT_GT(farFar.bottom, 50);
    // Same glyphs, same shape: only the position changes.
    EXPECT_EQ(nearNear.right - nearNear.left, farFar.right - farFar.left);
    EXPECT_EQ(nearNear.bottom - nearNear.top, farFar.bottom - farFar.top);
}

TEST(RenderText, WithoutAntialiasingPixelsAreOnOrOff)
{
    Bitmap bitmap(120, 30);
    ASSERT_TRUE(RenderText(bitmap, kHintText, kTahoma10, 0xFFFFFFFFu, {0, 0, 120, 30}, TextAlign::Centre,
                           TextAlign::Centre, false));
    int on = 0;
    for (int y = 0; y < 30; ++y)
    {
        for (int x = 0; x < 120; ++x)
        {
            const std::uint32_t a = bitmap.Pixel(x, y) >> 24;
            ASSERT_TRUE(a == 0 || a == 255);
            on += a == 255;
        }
    }
    EXPECT_GT(on, 20);
}

TEST(RenderText, StylesChangeTheGlyphs)
{
    auto render = [](const Font& font)
    {
        Bitmap bitmap(120, 30);
        EXPECT_TRUE(RenderText(bitmap, u"Hint", font, 0xFF000000u, {0, 0, 120, 30}, TextAlign::Near,
                               TextAlign::Near, true));
        return bitmap.pixels;
    };
    const auto regular = render(kTahoma10);
    EXPECT_NE(render(Font{u"Tahoma", 10.0f, true, false}), regular);
    EXPECT_NE(render(Font{u"Tahoma", 10.0f, false, true}), regular);
}

TEST(RenderText, ThreadsGetTheSameResult)
{
    auto work = []
    {
        std::vector<std::uint8_t> last;
        for (int i = 0; i < 20; ++i)
        {
            Bitmap bitmap(120, 30);
            RenderText(bitmap, kHintText, Font{u"Tahoma", 10.0f, (i % 3) == 0, false}, 0xFF000000u,
                       {0, 0, 120, 30}, TextAlign::Centre, TextAlign::Centre, true);
            MeasureText(kHintText, kTahoma10);
            if ((i % 3) != 0)
            {
                last = bitmap.pixels;
            }
        }
        return last;
    };
    auto a = std::async(std::launch::async, work);
    auto b = std::async(std::launch::async, work);
    const auto mine = work();
    EXPECT_EQ(a.get(), mine);
    EXPECT_EQ(b.get(), mine);
}
} // namespace
} // namespace KVX::Platform
