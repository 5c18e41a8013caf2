// SPDX-License-Identifier: GPL-3.0-or-later
// Which user actions on the widgets make an edit gesture for the host (begin, new values, end), and that
// values set from outside the panel never do; then the same gestures as host callbacks of the device.
#include "device/device_dsp.h"
#include "device/device_gui.h"
#include "device/device_layout.h"
#include "gui/core/gui.h"
#include "gui/widgets/button.h"
#include "gui/widgets/knob.h"
#include "support/fake_window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace KVX
{
namespace
{
constexpr std::uint32_t kLeft = Platform::kKeyLeft;
constexpr std::uint32_t kRight = Platform::kKeyRight;
constexpr std::uint32_t kShift = Platform::kKeyShift;
constexpr std::uint32_t kCtrl = Platform::kKeyCtrl;

class Field : public Platform::TextField
{
public:
    void Show(int, int, int, int, const std::u16string& shown, double) override
    {
        visible = true;
        text = shown;
    }
    void Hide() override { visible = false; }
    bool IsVisible() const override { return visible; }
    std::u16string Text() const override { return text; }

    bool visible = false;
    std::u16string text;
};

class FieldWindow : public Test::FakeWindow
{
public:
    Platform::TextField* GetTextField(Platform::TextFieldClient*) override { return &field; }
    Field field;
};

// Records the edit hooks as "b" (begin), "v0.52" (value) and "e" (end).
class GesturePanel : public CGUI
{
public:
    GesturePanel() : CGUI(Device::g_HintSpec, Device::g_LightSpec)
    {
        auto window = std::make_unique<FieldWindow>();
        field = &window->field;
        m_Window = std::move(window);
    }
    void OnEditBegin(CWidget* widget) override { Record(widget, "b"); }
    void OnEditValue(CWidget* widget, float value) override
    {
        char text[32];
        std::snprintf(text, sizeof text, "v%g", static_cast<double>(value));
        Record(widget, text);
    }
    void OnEditEnd(CWidget* widget) override { Record(widget, "e"); }
    void OnValueChanged(CWidget*, float) override { ++changes; }

    std::string Take()
    {
        std::string out;
        for (const std::string& call : calls)
        {
            out += (out.empty() ? "" : " ") + call;
        }
        calls.clear();
        return out;
    }

    Field* field;
    CWidget* last = nullptr;
    std::vector<std::string> calls;
    int changes = 0;

private:
    void Record(CWidget* widget, const std::string& call)
    {
        last = widget;
        calls.push_back(call);
    }
};

struct GestureTest : ::testing::Test
{
    GesturePanel panel;
    CKnob fader{&panel, Device::g_FaderSpecs[5]}; // default 0.5, 500 pixels, wheel divisor 500
    CButton in{&panel, Device::g_InButtonSpec};
};

TEST_F(GestureTest, ADragIsOneGestureFromPressToRelease)
{
    fader.OnMouseDown(10, 100, kLeft);
    EXPECT_EQ(panel.Take(), "b") << "begins at the press, before anything changed";
    fader.OnMouseMove(10, 100, kLeft);
    fader.OnMouseMove(10, 50, kLeft);
    fader.OnMouseMove(10, 50, kLeft); // no change, no report
    fader.OnMouseMove(10, -400, kLeft);
    fader.OnMouseMove(10, -500, kLeft); // clamped at the top: still 1
    EXPECT_EQ(panel.Take(), "v0.6 v1");
    EXPECT_EQ(panel.last, &fader);

    // A second button pressed and released during the drag opens no second gesture.
    fader.OnMouseDown(10, -500, kLeft | kRight);
    fader.OnMouseMove(10, -400, kLeft | kRight);
    fader.OnMouseUp(10, -400, kLeft | kRight);
    EXPECT_EQ(panel.Take(), "v0.8 e");
    fader.OnMouseUp(10, -400, kLeft);
    EXPECT_EQ(panel.Take(), "") << "one end per begin";
    EXPECT_FALSE(fader.IsEditing());
}

TEST_F(GestureTest, APressWithoutMovingIsStillBracketed)
{
    fader.OnMouseDown(10, 100, kLeft);
    fader.OnMouseUp(10, 100, kLeft);
    EXPECT_EQ(panel.Take(), "b e");
    fader.OnMouseDown(10, 100, kRight); // not a drag
    fader.OnMouseUp(10, 100, kRight);
    fader.OnMouseUp(10, 100, kLeft); // a release without a press (a double click's second one)
    EXPECT_EQ(panel.Take(), "");
}

TEST_F(GestureTest, OneStepActionsAreWholeGesturesOnlyWhenTheyChangeTheValue)
{
    fader.OnMouseWheel(1.0f, 0);
    EXPECT_EQ(panel.Take(), "b v0.52 e");
    fader.OnMouseWheel(-1.0f, kShift);
    EXPECT_EQ(panel.Take(), "b v0.516 e");
    fader.OnMouseDown(10, 10, kLeft | kCtrl);
    fader.OnMouseUp(10, 10, kLeft | kCtrl);
    EXPECT_EQ(panel.Take(), "b v0.5 e");

    fader.OnMouseDown(10, 10, kLeft | kCtrl); // already at the default
    fader.SetValue(1.0f);
    fader.OnMouseWheel(1.0f, 0); // already at the top
    EXPECT_EQ(panel.Take(), "");
}

TEST_F(GestureTest, StepsDuringADragBelongToIt)
{
    fader.OnMouseDown(10, 100, kLeft);
    fader.OnMouseMove(10, 75, kLeft);
    fader.OnMouseWheel(1.0f, kLeft);
    fader.OnMouseDown(10, 75, kLeft | kRight | kCtrl); // a reset with the drag still held
    fader.OnMouseUp(10, 75, kLeft);
    EXPECT_EQ(panel.Take(), "b v0.55 v0.57 v0.5 e");
}

TEST_F(GestureTest, ATypedValueIsOneGestureWhenCommitted)
{
    panel.OpenEditBox(&fader);
    EXPECT_EQ(panel.Take(), "") << "opening the field is no edit";
    panel.field->text = u"6";
    panel.EditBox().Commit();
    EXPECT_EQ(panel.Take(), "b v0.75 e");
    EXPECT_EQ(fader.Value(), 0.75f);

    panel.OpenEditBox(&fader);
    panel.EditBox().Commit(); // the shown text unchanged: +6.0
    panel.OpenEditBox(&fader);
    panel.field->text = u"";
    panel.EditBox().Deactivate(); // a press elsewhere commits: no number reads as 0 dB
    EXPECT_EQ(panel.Take(), "b v0.5 e");
}

TEST_F(GestureTest, TheSwitchReportsEachToggle)
{
    in.SetValue(1.0f);
    in.OnMouseDown(0, 0, kLeft);
    EXPECT_EQ(panel.Take(), "b v0 e");
    EXPECT_EQ(panel.last, &in);
    in.OnMouseDown(0, 0, kLeft | kShift);
    in.OnMouseDown(0, 0, kLeft | kCtrl);
    EXPECT_EQ(panel.Take(), "");
    in.OnDoubleClick(0, 0, kLeft);
    EXPECT_EQ(panel.Take(), "b v1 e");
}

TEST_F(GestureTest, ValuesSetFromOutsideThePanelAreNoEdits)
{
    fader.SetValue(0.9f);
    fader.SetDisplayValue(-12.0f);
    in.SetValue(1.0f);
    EXPECT_EQ(panel.Take(), "");
    EXPECT_EQ(panel.changes, 3) << "the value-changed notification still fires";
}

// The device as the host meets it: the panel's gestures arrive as host callbacks for the bound parameter.
std::vector<std::string> g_HostCalls;

VstIntPtr VSTCALLBACK RecordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    char text[48];
    switch (opcode)
    {
    case audioMasterBeginEdit:
        std::snprintf(text, sizeof text, "begin %d", index);
        break;
    case audioMasterEndEdit:
        std::snprintf(text, sizeof text, "end %d", index);
        break;
    case audioMasterAutomate:
        std::snprintf(text, sizeof text, "automate %d %g", index, static_cast<double>(opt));
        break;
    default:
        return opcode == audioMasterVersion ? 2400 : 0;
    }
    g_HostCalls.emplace_back(text);
    return 0;
}

TEST(DeviceEdits, GesturesReachTheHostForTheBoundParameterOnly)
{
    g_HostCalls.clear();
    {
        CDeviceDSP device(RecordingHost);
        CDeviceGUI& panel = device.DevicePanel();
        EXPECT_TRUE(g_HostCalls.empty()) << "construction and program 0 are no edits";

        CKnob& fader = panel.Fader(3);
        fader.OnMouseDown(0, 100, kLeft);
        fader.OnMouseMove(0, 0, kLeft);
        fader.OnMouseUp(0, 0, kLeft);
        EXPECT_EQ(g_HostCalls, (std::vector<std::string>{"begin 3", "automate 3 0.7", "end 3"}));
        EXPECT_FLOAT_EQ(device.getParameter(3), 0.7f) << "automation does not write the value back";

        g_HostCalls.clear();
        device.setParameter(3, 0.1f);
        std::uint8_t chunk[8] = {10, 0, 0, 0, 0, 0, 0, 0}; // IN off
        device.setChunk(chunk, sizeof chunk, true);
        EXPECT_TRUE(g_HostCalls.empty());
        EXPECT_EQ(device.getParameter(10), 0.0f);

        CWidget* loose = &panel.Light(); // bound to no parameter
        panel.OnEditBegin(loose);
        panel.OnEditValue(loose, 1.0f);
        panel.OnEditEnd(loose);
    }
    EXPECT_TRUE(g_HostCalls.empty());
}
} // namespace
} // namespace KVX
