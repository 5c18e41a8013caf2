// SPDX-License-Identifier: GPL-3.0-or-later
// Mouse routing of the panel: hit order, capture, hover and the wheel.
#include "device/device_layout.h"
#include "support/fake_window.h"
#include "gui/core/gui.h"
#include "gui/widgets/button.h"
#include "gui/widgets/knob.h"

#include <gtest/gtest.h>

namespace KVX
{
namespace
{
constexpr std::uint32_t kLeft = Platform::kKeyLeft;

class RoutingPanel : public CGUI
{
public:
    RoutingPanel() : CGUI(Device::g_HintSpec, Device::g_LightSpec)
    {
        auto fake = std::make_unique<Test::FakeWindow>();
        window = fake.get();
        m_Window = std::move(fake);
    }
    Test::FakeWindow* window;
};

struct RoutingTest : ::testing::Test
{
    RoutingPanel panel;
    CWidget background{&panel, Device::g_BackgroundSpec};
    CKnob low{&panel, Device::g_FaderSpecs[0]};  // x 141 .. 166, y 33 .. 223
    CKnob high{&panel, Device::g_FaderSpecs[1]}; // x 205 .. 230
    CButton in{&panel, Device::g_InButtonSpec};  // x 813 .. 873, y 129 .. 189
};

TEST_F(RoutingTest, ThePanelListsItsOwnWidgetsFirst)
{
    const auto& widgets = panel.Widgets();
    ASSERT_EQ(widgets.size(), 7u);
    EXPECT_EQ(widgets[0], &panel.Hint());
    EXPECT_EQ(widgets[1], &panel.EditBox());
    EXPECT_EQ(widgets[2], &panel.Light());
    EXPECT_EQ(widgets[3], &background);
    EXPECT_EQ(widgets[6], &in);
}

TEST_F(RoutingTest, ThePressGoesToTheTopmostHitAndTakesCapture)
{
    panel.OnMouseDown(150, 100, kLeft);
    EXPECT_EQ(panel.PressedWidget(), &low);
    EXPECT_EQ(panel.window->captures, 1);
    panel.OnMouseUp(150, 100, kLeft);
    EXPECT_EQ(panel.PressedWidget(), nullptr);
    EXPECT_EQ(panel.window->releases, 1);
}

TEST_F(RoutingTest, APressOutsideEveryWidgetLeavesNothingPressed)
{
    panel.OnMouseDown(5, 5, kLeft); // the background is not enabled
    EXPECT_EQ(panel.PressedWidget(), nullptr);
    panel.OnMouseUp(5, 5, kLeft);
    EXPECT_EQ(panel.window->releases, 1);
}

TEST_F(RoutingTest, ADragThatLeavesTheWidgetKeepsMovingIt)
{
    panel.OnMouseDown(150, 200, kLeft);
    panel.OnMouseMove(600, 100, kLeft); // far outside, over nothing
    EXPECT_FLOAT_EQ(low.Value(), 0.7f);
    panel.OnMouseMove(-50, -400, kLeft);
    EXPECT_EQ(low.Value(), 1.0f);
    panel.OnMouseUp(-50, -400, kLeft);
    EXPECT_FALSE(low.IsDragging());
    EXPECT_EQ(high.Value(), 0.5f);
}

TEST_F(RoutingTest, TheCursorHidesDuringADragAndReturnsToWhereItWas)
{
    panel.window->cursorX = 321;
    panel.window->cursorY = 123;
    panel.OnMouseDown(150, 200, kLeft);
    EXPECT_FALSE(panel.window->cursorVisible);
    panel.window->cursorX = 999;
    panel.OnMouseUp(150, 100, kLeft);
    EXPECT_TRUE(panel.window->cursorVisible);
    EXPECT_EQ(panel.window->cursorX, 321);
    EXPECT_EQ(panel.window->cursorY, 123);
}

TEST_F(RoutingTest, ASecondPressDuringADragDoesNotStealIt)
{
    constexpr std::uint32_t kRight = Platform::kKeyRight;
    // Right button on the other fader while the left drags the first, released in either order.
    for (const bool rightFirst : {true, false})
    {
        SCOPED_TRACE(rightFirst ? "right released first" : "left released first");
        low.SetValue(0.5f);
        high.SetValue(0.5f);
        panel.OnMouseDown(150, 200, kLeft);
        ASSERT_TRUE(low.IsDragging());
        panel.OnMouseDown(215, 100, kLeft | kRight);
        EXPECT_EQ(panel.PressedWidget(), &low);
        EXPECT_FALSE(high.IsDragging());
        panel.OnMouseMove(150, 150, kLeft | kRight);
        EXPECT_GT(low.Value(), 0.5f) << "the drag goes on";
        EXPECT_EQ(high.Value(), 0.5f);
        panel.OnMouseUp(215, 150, kLeft | kRight);
        panel.OnMouseUp(150, 150, rightFirst ? kLeft : kRight);
        EXPECT_FALSE(low.IsDragging());
        EXPECT_FALSE(low.IsEditing()) << "the host edit ended";
        EXPECT_EQ(panel.PressedWidget(), nullptr);
        EXPECT_TRUE(panel.window->cursorVisible);
        EXPECT_EQ(panel.window->captures, panel.window->releases);
        // The next press is an ordinary one again.
        panel.OnMouseDown(215, 200, kLeft);
        EXPECT_EQ(panel.PressedWidget(), &high);
        panel.OnMouseUp(215, 200, kLeft);
        EXPECT_EQ(panel.PressedWidget(), nullptr);
    }
}

TEST_F(RoutingTest, CtrlClickLeavesTheCursorVisible)
{
    low.SetValue(0.9f);
    panel.OnMouseDown(150, 200, kLeft | Platform::kKeyCtrl);
    EXPECT_TRUE(panel.window->cursorVisible);
    EXPECT_EQ(low.Value(), 0.5f);
    panel.OnMouseUp(150, 200, kLeft);
    EXPECT_EQ(panel.window->warps, 0);
}

TEST_F(RoutingTest, HoverFollowsTheMouseAndFreezesWhileAButtonIsHeld)
{
    panel.OnMouseMove(150, 100, 0);
    EXPECT_EQ(panel.HoveredWidget(), &low);
    EXPECT_EQ(low.HoverLevel(), 1.0f);
    const int pendingX = panel.Hint().PendingX();

    panel.OnMouseDown(150, 100, kLeft);
    panel.OnMouseMove(210, 100, kLeft); // over the other fader, button held
    EXPECT_EQ(panel.HoveredWidget(), &low);
    EXPECT_EQ(high.HoverLevel(), 0.0f);
    EXPECT_EQ(panel.Hint().PendingX(), pendingX);
    EXPECT_EQ(panel.Hint().RestTime(), 500.0f) << "a drag shows the hint at once";
    panel.OnMouseUp(210, 100, kLeft);

    panel.OnMouseMove(210, 100, 0);
    EXPECT_EQ(panel.HoveredWidget(), &high);
    EXPECT_EQ(low.HoverLevel(), 0.0f);
    panel.OnMouseMove(600, 20, 0);
    EXPECT_EQ(panel.HoveredWidget(), nullptr);
    EXPECT_EQ(high.HoverLevel(), 0.0f);
}

TEST_F(RoutingTest, TheWheelGoesToTheHoveredWidgetNotThePressedOne)
{
    panel.OnMouseMove(210, 100, 0);
    panel.OnMouseDown(210, 100, kLeft);
    panel.OnMouseUp(210, 100, kLeft);
    panel.OnMouseMove(150, 100, 0);
    panel.OnMouseDown(150, 100, kLeft);
    panel.OnMouseWheel(1.0f, kLeft);
    EXPECT_FLOAT_EQ(low.Value(), 0.52f);
    EXPECT_EQ(high.Value(), 0.5f);
    panel.OnMouseUp(150, 100, kLeft);

    panel.OnMouseMove(600, 20, 0);
    panel.OnMouseWheel(1.0f, 0); // nothing hovered: nothing moves
    EXPECT_FLOAT_EQ(low.Value(), 0.52f);
}

TEST_F(RoutingTest, AClickOnTheSwitchTogglesItAndADoubleClickTogglesBack)
{
    panel.OnMouseDown(820, 140, kLeft);
    panel.OnMouseUp(820, 140, kLeft);
    EXPECT_EQ(in.Value(), 1.0f);
    panel.OnDoubleClick(820, 140, kLeft);
    EXPECT_EQ(panel.PressedWidget(), &in);
    panel.OnMouseUp(820, 140, kLeft);
    EXPECT_EQ(in.Value(), 0.0f);
}

TEST_F(RoutingTest, TheLastMousePositionIsKeptForTheEditBox)
{
    panel.OnMouseMove(77, 88, 0);
    EXPECT_EQ(panel.LastMouseX(), 77);
    EXPECT_EQ(panel.LastMouseY(), 88);
}
} // namespace
} // namespace KVX
