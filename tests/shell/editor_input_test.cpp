// SPDX-License-Identifier: GPL-3.0-or-later
// The mouse on the panel, as a user's hand reaches it through the X server.
#include "editor_host.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace KVX::Test
{
namespace
{
class EditorInput : public EditorHost
{
protected:
    void SetUp() override
    {
        EditorHost::SetUp();
        ASSERT_TRUE(OpenEditor());
        MoveTo(600, 20); // over the plain panel
        Frames(3);
    }

    // Left-drags from (x, y) by dy pixels in small steps.
    void Drag(int x, int y, int dy)
    {
        MoveTo(x, y);
        Frames(1);
        Button(1, true);
        const int steps = 10;
        for (int i = 1; i <= steps; ++i)
        {
            MoveTo(x, y + dy * i / steps);
            Frames(1);
        }
        Button(1, false);
    }
};

TEST_F(EditorInput, DraggingAFaderUpByAHundredPixelsRaisesItsValue)
{
    Drag(463 + 12, 150, -100);
    ASSERT_TRUE(WaitUntil([this] { return std::abs(plugin->GetParameter(5) - 0.7f) < 1e-5f; }))
        << plugin->GetParameter(5);
    EXPECT_EQ(plugin->Text(effGetParamDisplay, 5), "+4.8");
    EXPECT_EQ(plugin->GetParameter(4), 0.5f);
}

TEST_F(EditorInput, CtrlClickResetsAFaderToItsDefault)
{
    plugin->SetParameter(5, 0.9f);
    MoveTo(463 + 12, 120);
    Frames(1);
    Key(XK_Control_L, true);
    Button(1, true);
    Key(XK_Control_L, false);
    ASSERT_TRUE(WaitUntil([this] { return plugin->GetParameter(5) == 0.5f; })) << plugin->GetParameter(5);
    // The reset starts no drag: moving with the button still held changes nothing.
    for (int y = 110; y >= 60; y -= 10)
    {
        MoveTo(463 + 12, y);
        Frames(1);
    }
    Button(1, false);
    Frames(2);
    EXPECT_EQ(plugin->GetParameter(5), 0.5f);
}

TEST_F(EditorInput, OneWheelNotchMovesTheHoveredFaderByTwoHundredths)
{
    MoveTo(463 + 12, 120);
    Frames(2);
    Button(4, true);
    Button(4, false);
    ASSERT_TRUE(WaitUntil([this] { return std::abs(plugin->GetParameter(5) - 0.52f) < 1e-5f; }))
        << plugin->GetParameter(5);
}

TEST_F(EditorInput, AClickOnInTogglesTheSwitch)
{
    MoveTo(843, 159);
    Frames(1);
    Button(1, true);
    Button(1, false);
    ASSERT_TRUE(WaitUntil([this] { return plugin->GetParameter(10) == 0.0f; }));
    EXPECT_EQ(plugin->Text(effGetParamDisplay, 10), "Off");
}
} // namespace
} // namespace KVX::Test

namespace KVX::Test
{
namespace
{
int Brightness(std::uint32_t pixel)
{
    return static_cast<int>(((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF));
}

// Mean brightness of the lamp's glass.
int LampBrightness(const std::vector<std::uint32_t>& pixels)
{
    int sum = 0;
    for (int y = 70; y < 80; ++y)
    {
        for (int x = 835; x < 845; ++x)
        {
            sum += Brightness(PixelAt(pixels, x, y));
        }
    }
    return sum / 100;
}

void ProcessBlock(AEffect* effect)
{
    std::vector<float> left(256, 0.0f), right(256, 0.0f);
    float* channels[] = {left.data(), right.data()};
    effect->processReplacing(effect, channels, channels, 256);
}

TEST_F(EditorInput, TheLampFollowsInAfterTheNextProcessedBlock)
{
    const int dark = LampBrightness(PanelPixels()); // nothing processed yet: the lamp is off
    ProcessBlock(plugin->Effect());
    ASSERT_TRUE(WaitUntil([&] { return LampBrightness(PanelPixels()) > dark + 60; })) << "lit while IN is on";
    const int lit = LampBrightness(PanelPixels());

    MoveTo(843, 159);
    Frames(1);
    Button(1, true);
    Button(1, false);
    ASSERT_TRUE(WaitUntil([this] { return plugin->GetParameter(10) == 0.0f; }));
    Frames(12);
    EXPECT_GT(LampBrightness(PanelPixels()), lit - 10) << "the lamp waits for the audio";
    ProcessBlock(plugin->Effect());
    EXPECT_TRUE(WaitUntil([&] { return LampBrightness(PanelPixels()) < dark + 10; })) << "dark once bypassed";
}
} // namespace
} // namespace KVX::Test
