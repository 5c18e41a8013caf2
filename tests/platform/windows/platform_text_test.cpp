// SPDX-License-Identifier: GPL-3.0-or-later
// Measuring and drawing text with GDI+: the same contract as on Linux, with Windows' own Tahoma.
#include "platform/font.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace KVX::Platform
{
namespace
{
const Font kTahoma10{u"Tahoma", 10.0f, false, false};
const std::u16string kHintText = u"125 Hz: +6.0 dB";

struct Ink
{
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1;
    int bottom = -1;
    bool Empty() const { return right < 0; }
    double CentreX() const { return (left + right + 1) / 2.0; }
};

Ink InkOf(const Bitmap& bitmap)
{
    Ink ink;
    for (int y = 0; y < bitmap.height; ++y)
    {
        for (int x = 0; x < bitmap.width; ++x)
        {
            if ((bitmap.Pixel(x, y) >> 24) != 0)
            {
                ink.left = std::min(ink.left, x);
                ink.top = std::min(ink.top, y);
                ink.right = std::max(ink.right, x);
                ink.bottom = std::max(ink.bottom, y);
            }
        }
    }
    return ink;
}

TEST(Fonts, TahomaIsFoundAndAnUnknownFamilyFallsBackToTheSansSerif)
{
    EXPECT_EQ(ResolvedFontFamily(kTahoma10), u"Tahoma");
    const std::u16string fallback = ResolvedFontFamily(Font{u"No Such Family 7", 10.0f, false, false});
    EXPECT_FALSE(fallback.empty());
    EXPECT_NE(fallback, u"No Such Family 7");
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

TEST(RenderText, DrawsStraightColouredTextOnlyInsideTheLayoutRectangle)
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
                EXPECT_NEAR(static_cast<int>((p >> 16) & 0xFF), 0x20, 1);
                EXPECT_NEAR(static_cast<int>(p & 0xFF), 0x60, 1);
            }
        }
    }
    EXPECT_GT(opaque, 20);
}

TEST(RenderText, ClipsToTheRectangleAndKeepsOtherPixelsExactly)
{
    Bitmap bitmap(80, 30);
    ASSERT_TRUE(RenderText(bitmap, u"A very long line that cannot fit", kTahoma10, 0xFF000000u,
                           {5, 5, 30, 10}, TextAlign::Near, TextAlign::Near, true));
    const Ink ink = InkOf(bitmap);
    ASSERT_FALSE(ink.Empty());
    EXPECT_GE(ink.left, 5);
    EXPECT_GE(ink.top, 5);
    EXPECT_LT(ink.right, 35);
    EXPECT_LT(ink.bottom, 15);

    Bitmap translucent(80, 30);
    translucent.SetPixel(79, 29, 0x40123456u); // away from the text: survives exactly
    translucent.SetPixel(0, 0, 0x01FFFFFFu);
    ASSERT_TRUE(RenderText(translucent, u"Gain", kTahoma10, 0xFF000000u, {5, 5, 30, 10}, TextAlign::Near,
                           TextAlign::Near, true));
    EXPECT_EQ(translucent.Pixel(79, 29), 0x40123456u);
    EXPECT_EQ(translucent.Pixel(0, 0), 0x01FFFFFFu);
    Bitmap empty;
    EXPECT_FALSE(RenderText(empty, u"x", kTahoma10, 0xFF000000u, {0, 0, 9, 9}, TextAlign::Near,
                            TextAlign::Near, true));
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
    EXPECT_GT(farFar.right, 192);
    EXPECT_GT(farFar.bottom, 45);
    EXPECT_EQ(nearNear.right - nearNear.left, farFar.right - farFar.left);
}

// Wine's GDI+ draws every text grey-antialiased whatever the rendering hint; Windows' honours it.
bool RunningUnderWine()
{
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

TEST(RenderText, WithoutAntialiasingPixelsAreOnOrOff)
{
    if (RunningUnderWine())
    {
        GTEST_SKIP() << "Wine's GDI+ ignores the text rendering hint";
    }
    Bitmap bitmap(120, 30);
    ASSERT_TRUE(RenderText(bitmap, kHintText, kTahoma10, 0xFFFFFFFFu, {0, 0, 120, 30}, TextAlign::Centre,
                           TextAlign::Centre, false));
    int on = 0;
    for (int y = 0; y < 30; ++y)
    {
        for (int x = 0; x < 120; ++x)
        {
            const std::uint32_t a = bitmap.Pixel(x, y) >> 24;
            ASSERT_TRUE(a == 0 || a == 255) << x << "," << y << ": " << a;
            on += a == 255;
        }
    }
    EXPECT_GT(on, 20);
}
} // namespace
} // namespace KVX::Platform
