// SPDX-License-Identifier: GPL-3.0-or-later
// Report texts of the exception family, as a user would send them to support.
#include "gui/core/exceptions.h"
#include "gui/core/resource_stream.h"
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <vector>

namespace KVX
{
namespace
{
TEST(ReportTexts, NumbersAreDecimalOrLowerCaseHexadecimal)
{
    EXPECT_EQ(Exceptions::Hexadecimal(1282), u"0x502");
    EXPECT_EQ(Exceptions::Hexadecimal(0), u"0x0");
    EXPECT_EQ(Exceptions::Hexadecimal(-1), u"0xffffffff");
    EXPECT_EQ(Exceptions::Decimal(-1407), u"-1407");
}

TEST(ReportTexts, EveryTextStartsWithABlankAndTheTitleWord)
{
    EXPECT_EQ(Exceptions::Std(u"Message", u"TITLE").Text(), u" TITLE ERROR:\r\n\r\nMessage");
    EXPECT_EQ(Exceptions::StdFunc(u"CreateWindow", 1407, u"KVXGUIWindow").Text(),
              u" KVXGUIWindow ERROR:\r\n\r\n\r\n\r\nFunction: CreateWindow(): error = 1407");
}

TEST(ReportTexts, OpenGLReportsOmitDriverLinesWithoutAContext)
{
    EXPECT_EQ(Exceptions::OGL(u"ReDraw::wglMakeCurrent", 1282).Text(),
              u" OPENGL ERROR:\r\n\r\nFunction: ReDraw::wglMakeCurrent(): error = 0x502");
    EXPECT_EQ(Exceptions::OGLTexImage2D(u"Fader01.png", 1024, 2048, 1285).Text(),
              u" OPENGL ERROR:\r\n\r\nFunction: glTexImage2D(): error = 0x505\r\nImage: \"Fader01.png\" "
              u"(1024x2048px)\r\n\r\nCan't create texture. Your version of OpenGL supports maximum 0px size "
              u"texture. Please update your graphics driver or hardware and try again.");
}

TEST(ReportTexts, ImageReportsHaveNoColonAfterTheParentheses)
{
    EXPECT_EQ(Exceptions::GDIP(u"GdiplusStartup", 3).Text(),
              u" GDI+ ERROR:\r\n\r\nFunction: GdiplusStartup() error = 0x3");
    EXPECT_EQ(Exceptions::GDIPImage(u"pnl.png", 900, 258, 2).Text(),
              u" GDI+ ERROR:\r\n\r\nFunction: Gdiplus::Bitmap() error = 0x2\r\nImage: \"pnl.png\" (900x258px)"
              u"\r\n\r\nCan't load image.");
}

TEST(ReportTexts, AMissingResourceNamesItAndItsType)
{
    Platform::ResourceView view;
    try
    {
        OpenResourceStream(u"Missing Knob.png", u"IMG", view, true);
        FAIL() << "expected an exception";
    }
    catch (const Exceptions::Std& error)
    {
        EXPECT_EQ(error.Text(),
                  u" RESOURCE ERROR:\r\n\r\nCan't find resource \"Missing Knob.png\" of type \"IMG\".");
    }
    EXPECT_FALSE(OpenResourceStream(u"Missing Knob.png", u"IMG", view, false));
}

std::vector<std::pair<std::u16string, std::u16string>> g_Shown;

TEST(ReportTexts, TheBoxShowsTheCaptionFollowedByTheReport)
{
    g_Shown.clear();
    auto previous = Platform::SetMessageBoxHandler(
        [](const char16_t* caption, const char16_t* text, void*, unsigned style)
        {
            EXPECT_EQ(style, 0x10u);
            g_Shown.emplace_back(caption, text);
        });
    Exceptions::Std(u"Oops", u"RESOURCE").Show(u"KVX Tovik 1.0.0.283", nullptr);
    Platform::SetMessageBoxHandler(previous);
    ASSERT_EQ(g_Shown.size(), 1u);
    EXPECT_EQ(g_Shown[0].first, u"KVX Tovik 1.0.0.283");
    EXPECT_EQ(g_Shown[0].second, u"KVX Tovik 1.0.0.283 RESOURCE ERROR:\r\n\r\nOops");
}
} // namespace
} // namespace KVX
