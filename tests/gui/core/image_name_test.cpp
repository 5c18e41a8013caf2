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

TEST(ImageNames, ATwinInsertsItsDensityRightAfterTheBaseName)
{
    EXPECT_EQ(TwinImageName(u"Fader01((64x18))##Sz-1x-1pxSb0.png", 2),
              u"Fader01@2x((64x18))##Sz-1x-1pxSb0.png");
    EXPECT_EQ(TwinImageName(u"pnl##Sz-1x-1pxSb0.png", 2), u"pnl@2x##Sz-1x-1pxSb0.png");
    EXPECT_EQ(TwinImageName(u"My Knob.png", 2), u"My Knob@2x.png");
    EXPECT_EQ(TwinImageName(u"NoExtension", 2), u"NoExtension@2x");
    // Its cache key is the twin's resource name, as for the image itself.
    EXPECT_EQ(BuildImageName(TwinImageName(u"Hint##Sz-1x-1pxSb0.png", 2), -1, -1, 0),
              u"Hint@2x##Sz-1x-1pxSb0.png");
    EXPECT_EQ(TwinImageName(u"Fader01((64x18))##Sz-1x-1pxSb0.png", 1), u"Fader01((64x18))##Sz-1x-1pxSb0.png");
}

TEST(ImageNames, AFilePathsTwinChangesOnlyItsFileName)
{
    EXPECT_EQ(TwinImageName(u"C:\\Skins.v2\\Knob((2)).png", 2), u"C:\\Skins.v2\\Knob@2x((2)).png");
    EXPECT_EQ(TwinImageName(u"/home/a.b/Knob.png", 2), u"/home/a.b/Knob@2x.png");
    // A folder, or a name with nothing before its frame part, has no twin to look for.
    EXPECT_EQ(TwinImageName(u"/home/skins/", 2), u"");
    EXPECT_EQ(TwinImageName(u"((2)).png", 2), u"");
    EXPECT_EQ(TwinImageName(u"", 2), u"");
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
