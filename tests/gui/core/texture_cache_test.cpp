// SPDX-License-Identifier: GPL-3.0-or-later
// The texture cache with a real context: power-of-two sides, extents, sharing and release, and the finer
// twins that density-2 requests take.
#include <gtest/gtest.h>

#include "gl_context.h"
#include "gui/core/exceptions.h"
#include "gui/core/texture_cache.h"
#include "platform/resources.h"

#include <string>
#include <vector>

#include <GL/glew.h>

namespace KVX
{
namespace
{
struct TextureCacheTest : ::testing::Test
{
    void SetUp() override { ASSERT_TRUE(context.Ok()); }
    KVX::Test::GLContext context;
    CTextureCache cache;
};

TEST_F(TextureCacheTest, AWideImageSitsInTheCornerOfAPowerOfTwoTexture)
{
    TextureSlot slot = cache.GetTexture(u"Wide((3))##Sz-1x-1pxSb0.png", u"", -1, -1, 0);
    ASSERT_TRUE(slot.IsLoaded());
    EXPECT_EQ(slot.width, 900);
    EXPECT_EQ(slot.height, 258);
    EXPECT_EQ(slot.uExtent, 0.87890625f);
    EXPECT_EQ(slot.vExtent, 258.0f / 512.0f);
    EXPECT_EQ(slot.frames, 3);
    EXPECT_EQ(slot.columns, 1);
    glBindTexture(GL_TEXTURE_2D, slot.texture);
    GLint width = 0, height = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    EXPECT_EQ(width, 1024);
    EXPECT_EQ(height, 512);
    cache.FreeTexture(slot);
}

TEST_F(TextureCacheTest, AOnePixelImageGetsATwoPixelTextureWithItsColour)
{
    TextureSlot slot = cache.GetTexture(u"Dot.png", u"", -1, -1, 0);
    ASSERT_TRUE(slot.IsLoaded());
    EXPECT_EQ(slot.uExtent, 0.5f);
    glBindTexture(GL_TEXTURE_2D, slot.texture);
    std::uint8_t pixels[2 * 2 * 4] = {};
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    EXPECT_EQ(pixels[0], 255);
    EXPECT_EQ(pixels[1], 0);
    EXPECT_EQ(pixels[2], 0);
    EXPECT_EQ(pixels[3], 255);
    cache.FreeTexture(slot);
}

TEST_F(TextureCacheTest, LoadingTwiceSharesOneTextureUntilBothAreFreed)
{
    TextureSlot a = cache.GetTexture(u"Dot.png", u"", -1, -1, 0);
    TextureSlot b = cache.GetTexture(u"Dot.png", u"", -1, -1, 0);
    ASSERT_EQ(a.texture, b.texture);
    const auto* entry = cache.Find(u"Dot##Sz-1x-1pxSb0.png");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->references, 2);
    const GLuint texture = a.texture;
    cache.FreeTexture(a);
    EXPECT_EQ(a.texture, 0u);
    EXPECT_EQ(a.uExtent, 0.0f);
    EXPECT_TRUE(glIsTexture(texture));
    cache.FreeTexture(b);
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(cache.Find(u"Dot##Sz-1x-1pxSb0.png"), nullptr);
}

TEST_F(TextureCacheTest, ANameWithBlanksIsCachedUnderItsKeyAndLoadedScaled)
{
    TextureSlot slot = cache.GetTexture(u"My Knob.png", u"", 40, 40, 0);
    ASSERT_TRUE(slot.IsLoaded());
    EXPECT_EQ(slot.width, 40);
    EXPECT_EQ(slot.height, 40);
    EXPECT_NE(cache.Find(u"My_Knob##Sz40x40pxSb0.png"), nullptr);
    cache.FreeTexture(slot);
}

TEST_F(TextureCacheTest, AMissingImageThrowsUnlessItIsABlurredShadow)
{
    TextureSlot shadow = cache.GetTexture(u"Nowhere.png", u"", -1, -1, 2);
    EXPECT_FALSE(shadow.IsLoaded());
    EXPECT_THROW(cache.GetTexture(u"Nowhere.png", u"", -1, -1, 0), Exceptions::Std);
    try
    {
        cache.GetTexture(u"Broken.png", u"", -1, -1, 0);
        FAIL() << "an undecodable image must throw";
    }
    catch (const Exceptions::GDIPImage& error)
    {
        EXPECT_NE(error.Text().find(u"Image: \"Broken.png\""), std::u16string::npos);
        EXPECT_EQ(error.Text().find(u"error = 0x0"), std::u16string::npos) << "a failure never reports 0";
    }
}

TEST_F(TextureCacheTest, ABlurredLoadIsCachedApartFromTheSharpOne)
{
    TextureSlot sharp = cache.GetTexture(u"My Knob.png", u"", -1, -1, 0);
    TextureSlot blurred = cache.GetTexture(u"My Knob.png", u"", -1, -1, 2);
    ASSERT_TRUE(sharp.IsLoaded() && blurred.IsLoaded());
    EXPECT_NE(sharp.texture, blurred.texture);
    EXPECT_EQ(cache.Size(), 2u);
    cache.FreeTexture(sharp);
    cache.FreeTexture(blurred);
    EXPECT_EQ(cache.Size(), 0u);
}
TEST_F(TextureCacheTest, NamesWithIdenticalBytesShareOneTextureUntilTheLastIsFreed)
{
    // The ten fader sheets are byte-identical: the module holds their bytes once, the cache one texture.
    Platform::ResourceView first, last;
    ASSERT_TRUE(Platform::FindModuleResource(u"Fader01((64x18))##Sz-1x-1pxSb0.png", u"IMG", first));
    ASSERT_TRUE(Platform::FindModuleResource(u"fader10((64x18))##sz-1x-1pxsb0.png", u"img", last));
    EXPECT_EQ(first.data, last.data);
    EXPECT_EQ(first.size, last.size);

    std::vector<TextureSlot> slots;
    for (int i = 1; i <= 10; ++i)
    {
        const std::u16string number = i < 10 ? u"0" + std::u16string(1, u'0' + i) : u"10";
        slots.push_back(cache.GetTexture(u"Fader" + number + u"((64x18))##Sz-1x-1pxSb0.png", u"", -1, -1, 0));
        ASSERT_TRUE(slots.back().IsLoaded());
        EXPECT_EQ(slots.back().texture, slots.front().texture);
        EXPECT_EQ(slots.back().frames, 64);
    }
    EXPECT_EQ(cache.Size(), 1u);
    const auto* entry = cache.Find(u"Fader07((64x18))##Sz-1x-1pxSb0.png");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->references, 10);

    const GLuint texture = slots.front().texture;
    for (std::size_t i = 0; i + 1 < slots.size(); ++i)
    {
        cache.FreeTexture(slots[i]);
        EXPECT_TRUE(glIsTexture(texture)) << "freed " << i + 1;
    }
    cache.FreeTexture(slots.back());
    EXPECT_FALSE(glIsTexture(texture));
    EXPECT_EQ(cache.Size(), 0u);
    EXPECT_EQ(cache.Find(u"Fader07((64x18))##Sz-1x-1pxSb0.png"), nullptr);

    // Reloading after the last release makes a fresh texture, not a stale name.
    TextureSlot again = cache.GetTexture(u"Fader03((64x18))##Sz-1x-1pxSb0.png", u"", -1, -1, 0);
    EXPECT_TRUE(again.IsLoaded());
    EXPECT_TRUE(glIsTexture(again.texture));
    cache.FreeTexture(again);
}

TEST_F(TextureCacheTest, IdenticalBytesCutOrLoadedDifferentlyStayApart)
{
    // "My Knob.png" holds the lamp's bytes as one frame; the lamp sheet declares two.
    TextureSlot lamp = cache.GetTexture(u"Lamp((2))##Sz-1x-1pxSb0.png", u"", -1, -1, 0);
    TextureSlot knob = cache.GetTexture(u"My Knob.png", u"", -1, -1, 0);
    TextureSlot scaled = cache.GetTexture(u"My Knob.png", u"", 40, 40, 0);
    ASSERT_TRUE(lamp.IsLoaded() && knob.IsLoaded() && scaled.IsLoaded());
    EXPECT_NE(lamp.texture, knob.texture);
    EXPECT_NE(knob.texture, scaled.texture);
    EXPECT_EQ(lamp.frames, 2);
    EXPECT_EQ(knob.frames, 1);
    EXPECT_EQ(scaled.width, 40);
    EXPECT_EQ(cache.Size(), 3u);
    cache.FreeTexture(lamp);
    cache.FreeTexture(knob);
    cache.FreeTexture(scaled);
}
GLint TextureWidth(GLuint texture)
{
    GLint width = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    return width;
}

TEST_F(TextureCacheTest, ADensityTwoRequestTakesTheTwinAndMeasuresItInUnits)
{
    TextureSlot fine = cache.GetTexture(u"pnl##Sz-1x-1pxSb0.png", u"", -1, -1, 0, 2);
    ASSERT_TRUE(fine.IsLoaded());
    EXPECT_EQ(fine.density, 2);
    EXPECT_EQ(fine.width, 900);
    EXPECT_EQ(fine.height, 258);
    EXPECT_EQ(fine.uExtent, 1800.0f / 2048.0f);
    EXPECT_EQ(fine.vExtent, 516.0f / 1024.0f);
    EXPECT_EQ(TextureWidth(fine.texture), 2048);

    // The same name at density 1 is the 1x sheet, a texture of its own.
    TextureSlot coarse = cache.GetTexture(u"pnl##Sz-1x-1pxSb0.png", u"", -1, -1, 0);
    ASSERT_TRUE(coarse.IsLoaded());
    EXPECT_NE(coarse.texture, fine.texture);
    EXPECT_EQ(coarse.density, 1);
    EXPECT_EQ(coarse.width, 900);
    EXPECT_EQ(TextureWidth(coarse.texture), 1024);
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_EQ(cache.Find(u"pnl##Sz-1x-1pxSb0.png", 2)->slot.texture, fine.texture);
    EXPECT_EQ(cache.Find(u"pnl##Sz-1x-1pxSb0.png")->slot.texture, coarse.texture);

    // A size asked for in units is loaded at twice as many pixels.
    TextureSlot scaled = cache.GetTexture(u"My Knob.png", u"", 40, 30, 0, 2);
    ASSERT_TRUE(scaled.IsLoaded());
    EXPECT_EQ(scaled.density, 2);
    EXPECT_EQ(scaled.width, 40);
    EXPECT_EQ(scaled.height, 30);
    EXPECT_EQ(scaled.uExtent, 80.0f / 128.0f);

    cache.FreeTexture(fine);
    EXPECT_EQ(fine.density, 0) << "a released slot is all zero";
    cache.FreeTexture(coarse);
    cache.FreeTexture(scaled);
    EXPECT_EQ(cache.Size(), 0u);
}

TEST_F(TextureCacheTest, IdenticalTwinsShareOneTextureApartFromTheirSheets)
{
    // Even a twin with its sheet's very bytes is another texture: it covers half as many units.
    TextureSlot wide = cache.GetTexture(u"Wide((3))##Sz-1x-1pxSb0.png", u"", -1, -1, 0);
    TextureSlot half = cache.GetTexture(u"Wide((3))##Sz-1x-1pxSb0.png", u"", -1, -1, 0, 2);
    ASSERT_TRUE(wide.IsLoaded() && half.IsLoaded());
    EXPECT_NE(wide.texture, half.texture);
    EXPECT_EQ(wide.width, 900);
    EXPECT_EQ(half.width, 450);
    cache.FreeTexture(wide);
    cache.FreeTexture(half);

    TextureSlot first = cache.GetTexture(u"Fader01((64x18))##Sz-1x-1pxSb0.png", u"", -1, -1, 0, 2);
    TextureSlot second = cache.GetTexture(u"Fader02((64x18))##Sz-1x-1pxSb0.png", u"", -1, -1, 0, 2);
    TextureSlot again = cache.GetTexture(u"Fader01((64x18))##Sz-1x-1pxSb0.png", u"", -1, -1, 0, 2);
    TextureSlot coarse = cache.GetTexture(u"Fader01((64x18))##Sz-1x-1pxSb0.png", u"", -1, -1, 0);
    ASSERT_TRUE(first.IsLoaded() && second.IsLoaded() && again.IsLoaded() && coarse.IsLoaded());
    EXPECT_EQ(first.texture, second.texture);
    EXPECT_EQ(first.texture, again.texture);
    EXPECT_NE(first.texture, coarse.texture);
    EXPECT_EQ(first.frames, 64);
    EXPECT_EQ(first.columns, 18);
    EXPECT_EQ(first.width, 900);
    EXPECT_EQ(cache.Size(), 2u);
    EXPECT_EQ(cache.Find(u"Fader02((64x18))##Sz-1x-1pxSb0.png", 2)->references, 3);
    for (TextureSlot* slot : {&first, &second, &again, &coarse})
    {
        cache.FreeTexture(*slot);
    }
    EXPECT_EQ(cache.Size(), 0u);
}

TEST_F(TextureCacheTest, WithoutAUsableTwinTheImageItselfServesSilently)
{
    // No twin at all; a twin of odd size (no whole number of units).
    for (const auto& [name, label] : {std::pair{u"Dot.png", "Dot.png"}, {u"Odd.png", "Odd.png"}})
    {
        SCOPED_TRACE(label);
        TextureSlot slot = cache.GetTexture(name, u"", -1, -1, 0, 2);
        ASSERT_TRUE(slot.IsLoaded());
        EXPECT_EQ(slot.density, 1);
        TextureSlot coarse = cache.GetTexture(name, u"", -1, -1, 0);
        EXPECT_EQ(coarse.texture, slot.texture);
        cache.FreeTexture(slot);
        cache.FreeTexture(coarse);
    }
    EXPECT_EQ(cache.Size(), 0u);
    // The image's own rules still hold: its absence is reported under its own name.
    try
    {
        cache.GetTexture(u"Nowhere.png", u"", -1, -1, 0, 2);
        FAIL() << "a missing image must throw";
    }
    catch (const Exceptions::Std& error)
    {
        EXPECT_NE(error.Text().find(u"\"Nowhere.png\""), std::u16string::npos);
    }
    EXPECT_FALSE(cache.GetTexture(u"Nowhere.png", u"", -1, -1, 2, 2).IsLoaded());
}

TEST_F(TextureCacheTest, AFilesTwinIsFoundBesideItOrBesideTheAlternativePath)
{
    const std::string folder = KVX_IMAGE_DIR;
    const std::u16string images(folder.begin(), folder.end());
    TextureSlot direct = cache.GetTexture(images + u"/lamp.png", u"", -1, -1, 0, 2);
    TextureSlot alternative = cache.GetTexture(u"/nowhere/lamp.png", images + u"/lamp.png", -1, -1, 0, 2);
    ASSERT_TRUE(direct.IsLoaded() && alternative.IsLoaded());
    EXPECT_EQ(direct.density, 2);
    EXPECT_EQ(direct.width, 50);
    EXPECT_EQ(direct.height, 100);
    EXPECT_EQ(alternative.texture, direct.texture);
    cache.FreeTexture(direct);
    cache.FreeTexture(alternative);
}
} // namespace
} // namespace KVX

#include "device/device_dsp.h"
#include "device/device_gui.h"

namespace KVX
{
namespace
{
VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

TEST_F(TextureCacheTest, ThePanelGivesBackEveryTextureWhenItsContextGoes)
{
    CDeviceDSP device(Host);
    CDeviceGUI& panel = device.DevicePanel();
    for (int round = 0; round < 3; ++round)
    {
        panel.OnContextCreated(); // the first frame loads what the widgets draw
        EXPECT_EQ(panel.Textures().Size(), 4u) << "background, one shared fader sheet, switch and lamp";
        panel.OnContextReleasing();
        EXPECT_EQ(panel.Textures().Size(), 0u);
    }
}
} // namespace
} // namespace KVX
