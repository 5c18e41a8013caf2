// SPDX-License-Identifier: GPL-3.0-or-later
// The hint's timing and placement.
#include "device/device_layout.h"
#include "gui/core/gui.h"
#include "gui/widgets/knob.h"

#include <gtest/gtest.h>

namespace KVX
{
namespace
{
struct HintTest : ::testing::Test
{
    // The hint keeps inside the panel, so the panel has the device's size.
    HintTest() { panel.SetPanelSize(Device::Description::kPanelWidth, Device::Description::kPanelHeight); }

    CGUI panel{Device::g_HintSpec, Device::g_LightSpec};
    CKnob fader{&panel, Device::g_FaderSpecs[5]}; // "1 kHz"
    CHint& hint = panel.Hint();
};

TEST_F(HintTest, StartsHiddenUnderItsOwnName)
{
    EXPECT_EQ(hint.Name(), u"Hint");
    EXPECT_EQ(hint.Title(), u"Hint");
    EXPECT_EQ(hint.Opacity(), 0.0f);
    EXPECT_EQ(hint.OpacityTarget(), 0.0f);
    EXPECT_EQ(hint.Update(1000.0f, nullptr), nullptr);
}

TEST_F(HintTest, ShowsTheDisplayTextAfterHalfASecondAtRest)
{
    fader.SetValue(0.7f);
    hint.MouseMoved(200, 100);
    EXPECT_EQ(hint.Update(499.0f, &fader), nullptr);
    EXPECT_EQ(hint.OpacityTarget(), 0.0f);
    EXPECT_EQ(hint.Update(1.0f, &fader), &fader);
    EXPECT_EQ(hint.OpacityTarget(), 1.0f);
    EXPECT_EQ(hint.LabelText(), u"1 kHz: +4.8 dB");
    EXPECT_EQ(hint.X(), 200);
    EXPECT_EQ(hint.Y(), 100);
}

TEST_F(HintTest, AnyMoveRestartsTheWaitAndFadesAVisibleHintOut)
{
    hint.MouseMoved(200, 100);
    hint.Update(600.0f, &fader);
    ASSERT_EQ(hint.OpacityTarget(), 1.0f);
    hint.MouseMoved(210, 100);
    hint.Update(10.0f, &fader);
    EXPECT_EQ(hint.OpacityTarget(), 0.0f);
    EXPECT_EQ(hint.RestTime(), 10.0f);
}

TEST_F(HintTest, StaysInsideThePanel)
{
    hint.MouseMoved(890, 250);
    hint.Update(600.0f, &fader);
    EXPECT_EQ(hint.X(), 900 - 86);
    EXPECT_EQ(hint.Y(), 258 - 28);
    hint.MouseMoved(-20, -5);
    hint.Update(600.0f, &fader);
    EXPECT_EQ(hint.X(), 0);
    EXPECT_EQ(hint.Y(), 0);
}

TEST_F(HintTest, WidgetsThatHideTheirHintShowNone)
{
    WidgetSpec record = Device::g_FaderSpecs[0];
    record.showHint = 0;
    CKnob quiet(&panel, record);
    hint.MouseMoved(10, 10);
    EXPECT_EQ(hint.Update(600.0f, &quiet), nullptr);
}
} // namespace
} // namespace KVX
