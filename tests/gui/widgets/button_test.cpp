// SPDX-License-Identifier: GPL-3.0-or-later
// The IN switch: toggles on a plain left click only and reads On or Off.
#include "device/device_layout.h"
#include "gui/core/gui.h"
#include "gui/widgets/button.h"

#include <gtest/gtest.h>

namespace KVX
{
namespace
{
struct ButtonTest : ::testing::Test
{
    CGUI panel{Device::g_HintSpec, Device::g_LightSpec};
    CButton button{&panel, Device::g_InButtonSpec};
};

TEST_F(ButtonTest, StartsOffFromItsRecordAndReactsToTheMouse)
{
    EXPECT_EQ(button.Value(), 0.0f);
    EXPECT_TRUE(button.IsEnabled());
    EXPECT_EQ(button.GetText(true), u"Off");
    EXPECT_EQ(button.GetText(false), u"Btn IN: Off");
}

TEST_F(ButtonTest, OnlyAPlainLeftClickToggles)
{
    button.OnMouseDown(0, 0, Platform::kKeyLeft | Platform::kKeyShift);
    button.OnMouseDown(0, 0, Platform::kKeyLeft | Platform::kKeyCtrl);
    button.OnMouseDown(0, 0, Platform::kKeyRight);
    button.OnMouseDown(0, 0, Platform::kKeyLeft | Platform::kKeyRight);
    EXPECT_EQ(button.Value(), 0.0f);
    button.OnMouseDown(0, 0, Platform::kKeyLeft);
    EXPECT_EQ(button.Value(), 1.0f);
    EXPECT_EQ(button.ShownValue(), 1.0f) << "no rise time: the picture jumps";
    EXPECT_EQ(button.GetText(true), u"On");
    button.OnMouseDown(0, 0, Platform::kKeyLeft);
    EXPECT_EQ(button.Value(), 0.0f);
}

TEST_F(ButtonTest, ADoubleClickTogglesTwice)
{
    button.OnMouseDown(0, 0, Platform::kKeyLeft);
    button.OnDoubleClick(0, 0, Platform::kKeyLeft);
    EXPECT_EQ(button.Value(), 0.0f);
}

TEST_F(ButtonTest, AnyNonZeroHostValueReadsOnAndTheNextClickTurnsItOff)
{
    button.SetValue(0.3f);
    EXPECT_EQ(button.GetText(true), u"On");
    button.OnMouseDown(0, 0, Platform::kKeyLeft);
    EXPECT_EQ(button.Value(), 0.0f);
}
} // namespace
} // namespace KVX
