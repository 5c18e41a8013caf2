// SPDX-License-Identifier: GPL-3.0-or-later
// The value model shared by every value-holding widget, and the widget animations.
#include "device/device_layout.h"
#include "gui/core/gui.h"
#include "gui/widgets/button.h"
#include "gui/widgets/knob.h"
#include "gui/widgets/led.h"

#include <gtest/gtest.h>

#include <limits>

namespace KVX
{
namespace
{
struct MeterTest : ::testing::Test
{
    CGUI panel{Device::g_HintSpec, Device::g_LightSpec};
};

TEST_F(MeterTest, WritesAreClampedAndNaNIsIgnored)
{
    CLED lamp(&panel, Device::g_LampSpec);
    lamp.SetValue(2.0f);
    EXPECT_EQ(lamp.Value(), 1.0f);
    lamp.SetValue(-1.0f);
    EXPECT_EQ(lamp.Value(), 0.0f);
    lamp.SetValue(0.4f);
    lamp.SetValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(lamp.Value(), 0.4f);
    lamp.SetValue(-std::numeric_limits<float>::signaling_NaN());
    EXPECT_EQ(lamp.Value(), 0.4f);
    CKnob fader(&panel, Device::g_FaderSpecs[0]);
    fader.SetDisplayValue(std::numeric_limits<float>::quiet_NaN()); // a typed value that is no number
    EXPECT_EQ(fader.Value(), 0.5f);
}

TEST_F(MeterTest, TheShownValueFollowsOverTheRiseAndFallTimes)
{
    CLED lamp(&panel, Device::g_LampSpec); // 250 ms each way
    lamp.SetValue(1.0f);
    EXPECT_EQ(lamp.Value(), 1.0f);
    EXPECT_EQ(lamp.ShownValue(), 0.0f);
    lamp.Tick(125.0f);
    EXPECT_FLOAT_EQ(lamp.ShownValue(), 0.5f);
    lamp.Tick(1000.0f);
    EXPECT_EQ(lamp.ShownValue(), 1.0f) << "stops at the value";
    lamp.SetValue(0.0f);
    lamp.Tick(50.0f);
    EXPECT_FLOAT_EQ(lamp.ShownValue(), 0.8f);
}

TEST_F(MeterTest, AFaderShowsAHostJumpOverHalfASecond)
{
    CKnob fader(&panel, Device::g_FaderSpecs[0]);
    EXPECT_EQ(fader.ShownValue(), 0.0f) << "the picture glides up to the record's value";
    fader.SetValue(1.0f);
    EXPECT_EQ(fader.Value(), 1.0f);
    fader.Tick(250.0f);
    EXPECT_FLOAT_EQ(fader.ShownValue(), 0.5f);
    fader.Tick(250.0f);
    EXPECT_FLOAT_EQ(fader.ShownValue(), 1.0f);
    fader.SetValue(0.0f);
    fader.Tick(250.0f);
    EXPECT_FLOAT_EQ(fader.ShownValue(), 0.5f);
}

TEST_F(MeterTest, WidgetsFadeInUnlessTheirFadeTimeIsZero)
{
    WidgetSpec record = Device::g_BackgroundSpec;
    CWidget fading(&panel, record);
    EXPECT_EQ(fading.Opacity(), 0.0f);
    EXPECT_EQ(fading.OpacityTarget(), 1.0f);
    fading.Tick(125.0f);
    EXPECT_FLOAT_EQ(fading.Opacity(), 0.5f);
    fading.Tick(125.0f);
    EXPECT_EQ(fading.Opacity(), 1.0f);

    record.fadeInMs = 0;
    CWidget instant(&panel, record);
    EXPECT_EQ(instant.Opacity(), 1.0f);
}

TEST_F(MeterTest, HitRectangleHonoursInsetsAndIncludesItsEdges)
{
    CKnob fader(&panel, Device::g_FaderSpecs[0]); // x 141, y 33, 50 x 235, insets right 25, bottom 45
    EXPECT_TRUE(fader.HitTest(141, 33));
    EXPECT_TRUE(fader.HitTest(141 + 25, 33 + 190)) << "right and bottom edges hit";
    EXPECT_FALSE(fader.HitTest(141 + 26, 100));
    EXPECT_FALSE(fader.HitTest(150, 33 + 191));
    EXPECT_FALSE(fader.HitTest(140, 100));

    CLED lamp(&panel, Device::g_LampSpec);
    EXPECT_FALSE(lamp.HitTest(820, 60)) << "a lamp is not enabled";
    WidgetSpec hidden = Device::g_InButtonSpec;
    hidden.visible = 0;
    CButton invisible(&panel, hidden);
    EXPECT_FALSE(invisible.HitTest(820, 140));
}
} // namespace
} // namespace KVX
