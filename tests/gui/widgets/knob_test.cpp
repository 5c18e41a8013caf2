// SPDX-License-Identifier: GPL-3.0-or-later
// The band control's behaviour: value texts, drag, wheel and Ctrl+click.
#include "device/device_layout.h"
#include "gui/core/gui.h"
#include "gui/widgets/knob.h"

#include <gtest/gtest.h>

#include <limits>

namespace KVX
{
namespace
{
constexpr std::uint32_t kLeft = Platform::kKeyLeft;
constexpr std::uint32_t kShift = Platform::kKeyShift;
constexpr std::uint32_t kCtrl = Platform::kKeyCtrl;

struct KnobTest : ::testing::Test
{
    CGUI panel{Device::g_HintSpec, Device::g_LightSpec};
    CKnob knob{&panel, Device::g_FaderSpecs[2]}; // "125 Hz"
};

TEST_F(KnobTest, ValueTextsFollowTheDisplayRange)
{
    knob.SetValue(0.75f);
    EXPECT_EQ(knob.GetText(true), u"+6.0");
    EXPECT_EQ(knob.GetText(false), u"125 Hz: +6.0 dB");
    knob.SetValue(0.5f);
    EXPECT_EQ(knob.GetText(true), u"0.0");
    knob.SetValue(0.25f);
    EXPECT_EQ(knob.GetText(true), u"-6.0");
    knob.SetValue(0.7f);
    EXPECT_EQ(knob.GetText(true), u"+4.8");
}

TEST_F(KnobTest, ValueTextListPicksByTruncatedPosition)
{
    WidgetSpec record = Device::g_FaderSpecs[0];
    record.valueTexts = u"Low||Mid||High";
    CKnob listed(&panel, record);
    for (float v : {0.0f, 0.49f})
    {
        listed.SetValue(v);
        EXPECT_EQ(listed.GetText(true), u"Low") << v;
    }
    for (float v : {0.5f, 0.99f})
    {
        listed.SetValue(v);
        EXPECT_EQ(listed.GetText(true), u"Mid") << v;
    }
    listed.SetValue(1.0f);
    EXPECT_EQ(listed.GetText(true), u"High");
    EXPECT_EQ(listed.GetText(false), u"31 Hz: High dB");
}

TEST(ValueTextList, SplitsAtDoubleBars)
{
    EXPECT_TRUE(SplitValueTexts(u"").empty());
    EXPECT_EQ(SplitValueTexts(u"a||b"), (std::vector<std::u16string>{u"a", u"b"}));
    EXPECT_EQ(SplitValueTexts(u"a||"), (std::vector<std::u16string>{u"a", u""}));
    EXPECT_EQ(SplitValueTexts(u"a|b"), (std::vector<std::u16string>{u"a|b"}));
}

TEST_F(KnobTest, AKnobWithoutTitleNeverBuildsTexts)
{
    WidgetSpec record = Device::g_FaderSpecs[0];
    record.name.clear();
    CKnob untitled(&panel, record);
    untitled.SetValue(0.9f);
    EXPECT_EQ(untitled.GetText(true), u"");
    EXPECT_EQ(untitled.GetText(false), u"");
}

TEST_F(KnobTest, InfinityIsShownAsTheInfinitySign)
{
    WidgetSpec record = Device::g_FaderSpecs[0];
    record.valueMapper = [](float value, float, float, int direction)
    { return direction == 0 && value >= 1.0f ? std::numeric_limits<float>::infinity() : value; };
    CKnob mapped(&panel, record);
    mapped.SetValue(1.0f);
    EXPECT_EQ(mapped.GetText(true), u"\u221E");
}

TEST_F(KnobTest, DragUpBySixHundredPixelsClampsAtTheTop)
{
    knob.SetValue(0.5f);
    knob.OnMouseDown(10, 300, kLeft);
    EXPECT_TRUE(knob.IsDragging());
    knob.OnMouseMove(10, 200, kLeft);
    EXPECT_FLOAT_EQ(knob.Value(), 0.7f);
    EXPECT_EQ(knob.ShownValue(), knob.Value()) << "the picture follows a drag at once";
    knob.OnMouseMove(10, -300, kLeft);
    EXPECT_EQ(knob.Value(), 1.0f);
    knob.OnMouseUp(10, -300, kLeft);
    EXPECT_FALSE(knob.IsDragging());
    knob.OnMouseMove(10, 500, 0);
    EXPECT_EQ(knob.Value(), 1.0f) << "moves after the release do nothing";
}

TEST_F(KnobTest, ShiftMakesTheDragFiveTimesFiner)
{
    knob.SetValue(0.5f);
    knob.OnMouseDown(0, 100, kLeft);
    knob.OnMouseMove(0, 0, kLeft | kShift);
    EXPECT_FLOAT_EQ(knob.Value(), 0.54f);
    knob.OnMouseMove(0, 200, kLeft);
    EXPECT_FLOAT_EQ(knob.Value(), 0.3f);
}

TEST_F(KnobTest, OnlyTheLeftButtonStartsADrag)
{
    knob.OnMouseDown(0, 100, Platform::kKeyRight);
    EXPECT_FALSE(knob.IsDragging());
    knob.OnMouseMove(0, 0, Platform::kKeyRight);
    EXPECT_EQ(knob.Value(), 0.5f);
}

TEST_F(KnobTest, CtrlClickRestoresTheDefaultWithoutDragging)
{
    knob.SetValue(0.9f);
    knob.OnMouseDown(0, 100, kLeft | kCtrl);
    EXPECT_EQ(knob.Value(), 0.5f);
    EXPECT_FALSE(knob.IsDragging());
    knob.SetDefaultValue(0.25f);
    knob.OnMouseDown(0, 100, kLeft | kCtrl);
    EXPECT_EQ(knob.Value(), 0.25f);
}

TEST_F(KnobTest, WheelStepsAreTwoHundredthsOrFourThousandthsWithShift)
{
    knob.SetValue(0.5f);
    knob.OnMouseWheel(1.0f, 0);
    EXPECT_FLOAT_EQ(knob.Value(), 0.52f);
    knob.OnMouseWheel(-2.0f, 0);
    EXPECT_FLOAT_EQ(knob.Value(), 0.48f);
    knob.OnMouseWheel(1.0f, kShift);
    EXPECT_FLOAT_EQ(knob.Value(), 0.484f);
    EXPECT_EQ(knob.ShownValue(), knob.Value());
}

TEST_F(KnobTest, DisplayValuesMapIntoTheUnitRangeAndClamp)
{
    knob.SetDisplayValue(6.0f);
    EXPECT_EQ(knob.Value(), 0.75f);
    knob.SetDisplayValue(-12.0f);
    EXPECT_EQ(knob.Value(), 0.0f);
    knob.SetDisplayValue(20.0f);
    EXPECT_EQ(knob.Value(), 1.0f);
    knob.SetDisplayValue(1.0f);
    EXPECT_FLOAT_EQ(knob.Value(), 13.0f / 24.0f);
}

struct RecordingPanel : CGUI
{
    RecordingPanel() : CGUI(Device::g_HintSpec, Device::g_LightSpec) {}
    void OnValueChanged(CWidget* widget, float value) override
    {
        ++changes;
        lastWidget = widget;
        lastValue = value;
    }
    int changes = 0;
    CWidget* lastWidget = nullptr;
    float lastValue = -1.0f;
};

TEST(KnobNotification, EveryChangeIsReportedToThePanelOnce)
{
    RecordingPanel panel;
    CKnob knob(&panel, Device::g_FaderSpecs[0]);
    knob.SetValue(0.5f);
    EXPECT_EQ(panel.changes, 0) << "an unchanged value is no change";
    knob.SetValue(0.6f);
    EXPECT_EQ(panel.changes, 1);
    EXPECT_EQ(panel.lastWidget, &knob);
    EXPECT_EQ(panel.lastValue, 0.6f);
}
} // namespace
} // namespace KVX
