// SPDX-License-Identifier: GPL-3.0-or-later
// The device as a whole, below the host boundary: panel construction, the in-place process's lamp and
// IN reading, host automation, and preset files with hostile content.
#include "device/device_dsp.h"
#include "device/device_gui.h"
#include "platform/message_box.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace KVX
{
namespace
{
int g_Automations = 0;
VstInt32 g_AutomatedIndex = -1;
float g_AutomatedValue = 0.0f;

VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (opcode == audioMasterAutomate)
    {
        ++g_Automations;
        g_AutomatedIndex = index;
        g_AutomatedValue = opt;
    }
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::vector<std::u16string> g_Boxes;
void RecordBox(const char16_t*, const char16_t* text, void*, unsigned)
{
    g_Boxes.emplace_back(text);
}

struct DeviceTest : ::testing::Test
{
    void SetUp() override
    {
        g_Boxes.clear();
        previous = Platform::SetMessageBoxHandler(RecordBox);
    }
    void TearDown() override { Platform::SetMessageBoxHandler(previous); }

    Platform::MessageBoxHandler previous = nullptr;
    CDeviceDSP device{Host};
    CDeviceGUI& panel = device.DevicePanel();
};

std::vector<std::uint8_t> Preset(const char* pluginId,
                                 const std::vector<std::pair<std::int32_t, float>>& entries,
                                 std::int32_t declaredChunkSize = -1, const char* name = "Preset")
{
    std::vector<std::uint8_t> out;
    auto big = [&out](std::uint32_t v)
    {
        for (int s = 24; s >= 0; s -= 8)
        {
            out.push_back(static_cast<std::uint8_t>(v >> s));
        }
    };
    auto little = [&out](std::uint32_t v)
    {
        for (int s = 0; s < 32; s += 8)
        {
            out.push_back(static_cast<std::uint8_t>(v >> s));
        }
    };
    big(CCONST('C', 'c', 'n', 'K'));
    big(0);
    big(CCONST('F', 'P', 'C', 'h'));
    big(1);
    big(static_cast<std::uint32_t>(CCONST(pluginId[0], pluginId[1], pluginId[2], pluginId[3])));
    big(1000);
    big(1);
    char field[28] = {};
    std::memcpy(field, name, std::min<std::size_t>(std::strlen(name), 28));
    out.insert(out.end(), field, field + 28);
    big(static_cast<std::uint32_t>(declaredChunkSize >= 0 ? declaredChunkSize
                                                          : static_cast<std::int32_t>(entries.size() * 8)));
    for (const auto& [index, value] : entries)
    {
        std::uint32_t bits;
        std::memcpy(&bits, &value, 4);
        little(static_cast<std::uint32_t>(index));
        little(bits);
    }
    return out;
}

TEST_F(DeviceTest, ThePanelHoldsItsWidgetsInLayoutOrder)
{
    const auto& widgets = panel.Widgets();
    ASSERT_EQ(widgets.size(), 16u);
    const char16_t* names[] = {u"Hint",   u"",       u"Light",  u"Background", u"31 Hz", u"63",
                               u"125 Hz", u"250 Hz", u"500 Hz", u"1 kHz",      u"2 kHz", u"4 kHz",
                               u"8 kHz",  u"16 kHz", u"Btn IN", u"LED In"};
    for (std::size_t i = 0; i < widgets.size(); ++i)
    {
        EXPECT_EQ(widgets[i]->Name(), names[i]) << i;
    }
    for (int band = 0; band < 10; ++band)
    {
        EXPECT_EQ(panel.Fader(band).ParamIndex(), band);
    }
    EXPECT_EQ(panel.InButton().ParamIndex(), 10);
    EXPECT_EQ(panel.Lamp().ParamIndex(), -1);
}

TEST_F(DeviceTest, TheLampFollowsInAfterEachBlockButNotAfterAnEmptyOne)
{
    std::vector<float> left(64, 0.1f), right(64, 0.1f);
    float* channels[] = {left.data(), right.data()};
    device.ProcessInPlace(channels, 64);
    EXPECT_EQ(panel.Lamp().Value(), 1.0f);

    device.setParameter(10, 0.0f);
    device.ProcessInPlace(channels, 0);
    device.ProcessInPlace(nullptr, 64);
    EXPECT_EQ(panel.Lamp().Value(), 1.0f);
    device.ProcessInPlace(channels, 64);
    EXPECT_EQ(panel.Lamp().Value(), 0.0f);

    device.setParameter(10, 0.01f); // any non-zero value is on
    device.ProcessInPlace(channels, 64);
    EXPECT_EQ(panel.Lamp().Value(), 1.0f);
}

TEST_F(DeviceTest, AutomationIsSentToTheHostAndLeavesTheValueAlone)
{
    g_Automations = 0;
    device.setParameterAutomated(4, 0.9f);
    EXPECT_EQ(g_Automations, 1);
    EXPECT_EQ(g_AutomatedIndex, 4);
    EXPECT_EQ(g_AutomatedValue, 0.9f);
    EXPECT_EQ(device.getParameter(4), 0.5f);
}

TEST_F(DeviceTest, TheHostSampleRateReachesTheDevice)
{
    EXPECT_EQ(device.DeviceSampleRate(), 44100.0f);
    device.setSampleRate(48000.0f);
    EXPECT_EQ(device.DeviceSampleRate(), 48000.0f);
    EXPECT_EQ(device.getSampleRate(), 48000.0f);
}

TEST_F(DeviceTest, AnUnusableRateKeepsTheLastValidOne)
{
    device.setSampleRate(0.0f);
    EXPECT_EQ(device.DeviceSampleRate(), 44100.0f) << "the default stays until a valid rate arrives";
    EXPECT_EQ(device.getSampleRate(), 44100.0f);
    device.setSampleRate(96000.0f);
    for (float rate : {0.0f, -1.0f, 0.5f, std::nanf(""), INFINITY, -INFINITY, 2.0e7f})
    {
        device.setSampleRate(rate);
        EXPECT_EQ(device.DeviceSampleRate(), 96000.0f) << rate;
        EXPECT_EQ(device.getSampleRate(), 96000.0f) << rate;
    }
    device.setSampleRate(1.0f); // the bounds themselves are usable
    EXPECT_EQ(device.DeviceSampleRate(), 1.0f);
    device.setSampleRate(1.0e7f);
    EXPECT_EQ(device.DeviceSampleRate(), 1.0e7f);
}

TEST_F(DeviceTest, APresetsNaNEntriesKeepTheirValues)
{
    const float nan = std::numeric_limits<float>::quiet_NaN();
    auto preset = Preset("Tvk1", {{2, nan}, {10, nan}, {3, 0.75f}});
    device.ApplyPresetBuffer(preset.data(), preset.size());
    EXPECT_EQ(device.getParameter(2), 0.5f);
    EXPECT_EQ(device.getParameter(10), 1.0f);
    EXPECT_EQ(device.getParameter(3), 0.75f);
}

TEST_F(DeviceTest, APresetAppliesOnlyTheIndicesItLists)
{
    auto preset = Preset("Tvk1", {{2, 0.25f}, {10, 0.0f}});
    device.ApplyPresetBuffer(preset.data(), preset.size());
    EXPECT_EQ(device.getParameter(2), 0.25f);
    EXPECT_EQ(device.getParameter(10), 0.0f);
    EXPECT_EQ(device.getParameter(3), 0.5f);
    EXPECT_EQ(device.ProgramName(), u"Preset");
    EXPECT_TRUE(g_Boxes.empty());
}

TEST_F(DeviceTest, AChunkSizeBeyondTheDataAppliesOnlyTheEntriesPresent)
{
    auto preset = Preset("Tvk1", {{0, 0.1f}, {1, 0.2f}}, 88);
    device.ApplyPresetBuffer(preset.data(), preset.size());
    EXPECT_EQ(device.getParameter(0), 0.1f);
    EXPECT_EQ(device.getParameter(1), 0.2f);
    EXPECT_EQ(device.getParameter(2), 0.5f);

    auto huge = Preset("Tvk1", {{3, 0.3f}}, -1);
    huge[56] = huge[57] = huge[58] = huge[59] = 0xFF; // a size field of 4 GiB
    device.ApplyPresetBuffer(huge.data(), huge.size());
    EXPECT_EQ(device.getParameter(3), 0.3f);
}

TEST_F(DeviceTest, ANameFillingTheWholeFieldIsTwentyEightCharacters)
{
    auto preset = Preset("Tvk1", {}, -1, "ABCDEFGHIJKLMNOPQRSTUVWXYZ12");
    device.ApplyPresetBuffer(preset.data(), preset.size());
    EXPECT_EQ(device.ProgramName(), u"ABCDEFGHIJKLMNOPQRSTUVWXYZ12");
}

TEST_F(DeviceTest, APresetForAnotherPluginIsRefusedWithABox)
{
    auto preset = Preset("Abcd", {{0, 0.9f}});
    device.ApplyPresetBuffer(preset.data(), preset.size());
    ASSERT_EQ(g_Boxes.size(), 1u);
    EXPECT_EQ(g_Boxes[0], u"This preset was created for another Plugin!");
    EXPECT_EQ(device.getParameter(0), 0.5f);
    EXPECT_EQ(device.ProgramName(), u"Default");
}

TEST_F(DeviceTest, ATruncatedPresetIsIgnored)
{
    auto preset = Preset("Tvk1", {{0, 0.9f}});
    for (std::size_t size : {0u, 10u, 20u, 59u})
    {
        device.ApplyPresetBuffer(preset.data(), size);
    }
    EXPECT_EQ(device.getParameter(0), 0.5f);
    EXPECT_TRUE(g_Boxes.empty());
}

TEST_F(DeviceTest, RenamingToTheSameNameChangesNothing)
{
    char name[] = "Default";
    device.setProgramName(name);
    EXPECT_EQ(device.ProgramName(), u"Default");
    char other[] = "Live";
    device.setProgramName(other);
    EXPECT_EQ(device.ProgramName(), u"Live");
}
} // namespace
} // namespace KVX
