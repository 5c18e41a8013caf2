// SPDX-License-Identifier: GPL-3.0-or-later
// What closing the editor and the pointer leaving it end: nothing the hand had under way may carry over
// into the next open.
#include "editor_host.h"

#include <X11/Xlib.h>

namespace KVX::Test
{
namespace
{
constexpr int kGripX = 463 + 12; // the 1 kHz fader's handle at 0.5
constexpr int kGripY = 150;
constexpr int kParameter = 5;

class EditorClose : public EditorHost
{
protected:
    void SetUp() override
    {
        EditorHost::SetUp();
        ASSERT_TRUE(OpenEditor());
        MoveTo(600, 20); // over the plain panel
        Frames(3);
    }

    // Where the pointer is, in panel coordinates.
    void PointerAt(int& x, int& y) const
    {
        ::Window root = 0;
        ::Window child = 0;
        int windowX = 0;
        int windowY = 0;
        unsigned state = 0;
        XQueryPointer(host->GetDisplay(), DefaultRootWindow(host->GetDisplay()), &root, &child, &x, &y,
                      &windowX, &windowY, &state);
        x -= kHostX;
        y -= kHostY;
    }

    // Pixels of the rectangle that differ from the same rectangle of another capture.
    static int Changed(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int x0,
                       int y0, int x1, int y1)
    {
        int changed = 0;
        for (int y = y0; y < y1; ++y)
        {
            for (int x = x0; x < x1; ++x)
            {
                changed += ColourDistance(PixelAt(a, x, y), PixelAt(b, x, y)) > 8 ? 1 : 0;
            }
        }
        return changed;
    }
};

TEST_F(EditorClose, ClosingInTheMiddleOfADragEndsItAsAReleaseWould)
{
    MoveTo(kGripX, kGripY);
    Frames(1);
    Button(1, true);
    Frames(3); // the press is handled (and the pointer's place noted) before the hand moves on
    for (int i = 1; i <= 5; ++i)
    {
        MoveTo(kGripX, kGripY - 10 * i);
        Frames(1);
    }
    ASSERT_TRUE(WaitUntil([this] { return std::abs(plugin->GetParameter(kParameter) - 0.6f) < 1e-5f; }))
        << plugin->GetParameter(kParameter);
    CloseEditor();

    // A release puts the hidden pointer back where the press was.
    int x = 0;
    int y = 0;
    PointerAt(x, y);
    EXPECT_EQ(x, kGripX);
    EXPECT_EQ(y, kGripY);
    Button(1, false); // the hand lets go while the editor is closed

    // Reopened, neither the pointer arriving nor moving it over the fader drags anything.
    MoveTo(kGripX, 100);
    ASSERT_TRUE(OpenEditor());
    Frames(4);
    EXPECT_FLOAT_EQ(plugin->GetParameter(kParameter), 0.6f);
    MoveTo(kGripX, 60);
    Frames(2);
    MoveTo(kGripX, 200);
    Frames(2);
    EXPECT_FLOAT_EQ(plugin->GetParameter(kParameter), 0.6f);

    // And the fader still drags normally.
    MoveTo(kGripX, 150);
    Frames(1);
    Button(1, true);
    MoveTo(kGripX, 100);
    Frames(1);
    Button(1, false);
    EXPECT_TRUE(WaitUntil([this] { return std::abs(plugin->GetParameter(kParameter) - 0.7f) < 1e-5f; }))
        << plugin->GetParameter(kParameter);
}

TEST_F(EditorClose, APointerThatLeavesEndsTheHintAndItDoesNotComeBackAtTheNextOpen)
{
    const auto before = SettledPanelPixels();
    MoveTo(470, 120); // over the 1 kHz fader
    ASSERT_TRUE(WaitUntil([&] { return Changed(before, PanelPixels(), 470, 120, 570, 145) > 300; }))
        << "the hint shows";

    MoveTo(950, 300); // the host's window beyond the panel
    EXPECT_TRUE(WaitUntil([&] { return Changed(before, PanelPixels(), 470, 120, 570, 145) < 20; }))
        << "leaving the window ends the hint";

    MoveTo(470, 120);
    ASSERT_TRUE(WaitUntil([&] { return Changed(before, PanelPixels(), 470, 120, 570, 145) > 300; }));
    CloseEditor();
    MoveTo(950, 300);
    ASSERT_TRUE(OpenEditor());
    Frames(30); // a second: long past the hint's wait
    EXPECT_LT(Changed(before, PanelPixels(), 470, 120, 570, 145), 20) << "the hint came back without a hover";
}

TEST_F(EditorClose, TheMiddleButtonDoesNotEndADrag)
{
    MoveTo(kGripX, kGripY);
    Frames(1);
    Button(1, true);
    MoveTo(kGripX, kGripY - 20);
    Frames(1);
    Button(2, true);
    Button(2, false);
    MoveTo(kGripX, kGripY - 50);
    Frames(1);
    Button(1, false);
    EXPECT_TRUE(WaitUntil([this] { return std::abs(plugin->GetParameter(kParameter) - 0.6f) < 1e-5f; }))
        << plugin->GetParameter(kParameter);
}
} // namespace
} // namespace KVX::Test
