// SPDX-License-Identifier: GPL-3.0-or-later
// Image names: cache keys and frame layouts.
#include "gui/core/image_name.h"
#include "gui/core/texture_cache.h"

#include <gtest/gtest.h>

namespace KVX
{
namespace
{
TEST(ImageNames, AnOwnSizeUnblurredResourceNameIsItsOwnKey)
{
    const std::u16string name = u"Fader01((64x18))##Sz-1x-1pxSb0.png";
    EXPECT_EQ(BuildImageName(name, -1, -1, 0), u"Fader01((64x18))##Sz-1x-1pxSb0.png");
    EXPECT_EQ(BuildImageName(u"pnl##Sz-1x-1pxSb0.png", 40, 20, 2), u"pnl##Sz40x20pxSb2.png");
}

TEST(ImageNames, BlanksBecomeUnderscoresInTheKeyOnly)
{
    EXPECT_EQ(BuildImageName(u"My Knob.png", 40, 40, 0), u"My_Knob##Sz40x40pxSb0.png");
    EXPECT_EQ(BuildImageName(u"NoExtension", -1, -1, 0), u"NoExtension##Sz-1x-1pxSb0.");
}

TEST(ImageNames, FrameLayoutsAreReadFromTheDoubleParentheses)
{
    FrameLayout layout = ParseFrameLayout(u"Fader01((64x18))##Sz-1x-1pxSb0.png");
    EXPECT_EQ(layout.frames, 64);
    EXPECT_EQ(layout.columns, 18);
    layout = ParseFrameLayout(u"Button((2))##Sz-1x-1pxSb0.png");
    EXPECT_EQ(layout.frames, 2);
    EXPECT_EQ(layout.columns, 1);
}

TEST(ImageNames, IncompleteOrMalformedFramePartsMeanOneFrame)
{
    for (const char16_t* name : {u"Knob((64x18.png", u"Knob.png", u"Knob((abc)).png", u"Knob(()).png",
                                 u"Knob((0x0)).png", u"Knob((-3)).png"})
    {
        const FrameLayout layout = ParseFrameLayout(name);
        EXPECT_EQ(layout.frames, 1);
        EXPECT_EQ(layout.columns, 1);
    }
}

TEST(TextureSides, AreThePowerOfTwoAtOrAboveTheImage)
{
    EXPECT_EQ(TextureSide(900), 1024);
    EXPECT_EQ(TextureSide(1), 2);
    EXPECT_EQ(TextureSide(2), 2);
    EXPECT_EQ(TextureSide(1025), 2048);
    EXPECT_EQ(TextureSide(1 << 20), 1 << 19);
}
} // namespace
} // namespace KVX
