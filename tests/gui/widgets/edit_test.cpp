// SPDX-License-Identifier: GPL-3.0-or-later
// The value editor's logic: which characters it takes and how a typed text becomes a value.
#include "device/device_layout.h"
#include "gui/core/gui.h"
#include "gui/widgets/edit.h"
#include "gui/widgets/knob.h"
#include "support/fake_window.h"

#include <gtest/gtest.h>

namespace KVX
{
namespace
{
TEST(EditBox, TakesOnlyTheCharactersOfANumber)
{
    for (char16_t c : std::u16string(u"0123456789-.k\b"))
    {
        EXPECT_TRUE(CEdit::AcceptsCharacter(c)) << static_cast<int>(c);
    }
    for (char16_t c : std::u16string(u"aKx+ ,\r\t"))
    {
        EXPECT_FALSE(CEdit::AcceptsCharacter(c)) << static_cast<int>(c);
    }
}

TEST(EditBox, ReadsTheLeadingNumberOfTheText)
{
    EXPECT_EQ(CEdit::LeadingNumber(u"6"), 6.0f);
    EXPECT_EQ(CEdit::LeadingNumber(u"1k"), 1.0f);
    EXPECT_EQ(CEdit::LeadingNumber(u"-12"), -12.0f);
    EXPECT_EQ(CEdit::LeadingNumber(u"+4.8"), 4.8f);
    EXPECT_EQ(CEdit::LeadingNumber(u" 2.5dB"), 2.5f);
    EXPECT_EQ(CEdit::LeadingNumber(u"k"), 0.0f);
    EXPECT_EQ(CEdit::LeadingNumber(u""), 0.0f);
    EXPECT_EQ(CEdit::LeadingNumber(u"--1"), 0.0f);
}

// A text field that records what the edit box does with it.
class FakeField : public Platform::TextField
{
public:
    void Show(int x, int y, int width, int height, const std::u16string& shown, double shownScale) override
    {
        scale = shownScale;
        visible = true;
        left = x;
        top = y;
        w = width;
        h = height;
        text = shown;
    }
    void Hide() override { visible = false; }
    bool IsVisible() const override { return visible; }
    std::u16string Text() const override { return text; }

    bool visible = false;
    double scale = 0.0;
    int left = 0, top = 0, w = 0, h = 0;
    std::u16string text;
};

class FieldWindow : public Test::FakeWindow
{
public:
    Platform::TextField* GetTextField(Platform::TextFieldClient*) override { return &field; }
    FakeField field;
};

class EditPanel : public CGUI
{
public:
    EditPanel() : CGUI(Device::g_HintSpec, Device::g_LightSpec)
    {
        auto window = std::make_unique<FieldWindow>();
        field = &window->field;
        m_Window = std::move(window);
    }
    FakeField* field;
};

struct EditFlowTest : ::testing::Test
{
    EditPanel panel;
    CKnob fader{&panel, Device::g_FaderSpecs[0]}; // 31 Hz at x 141
};

TEST_F(EditFlowTest, ADoubleClickOpensTheFieldAtThePointerWithTheValueText)
{
    fader.SetValue(0.75f);
    panel.OnMouseMove(150, 100, 0);
    panel.OnDoubleClick(150, 100, Platform::kKeyLeft);
    ASSERT_TRUE(panel.field->visible);
    EXPECT_EQ(panel.field->text, u"+6.0");
    EXPECT_EQ(panel.field->left, 150);
    EXPECT_EQ(panel.field->top, 100);
    EXPECT_EQ(panel.field->w, 50);
    EXPECT_EQ(panel.field->h, 15);
    EXPECT_EQ(panel.EditBox().Target(), &fader);
}

TEST_F(EditFlowTest, EnterAppliesTheTypedDecibelsAndClamps)
{
    panel.OnDoubleClick(150, 100, Platform::kKeyLeft);
    panel.field->text = u"6";
    panel.EditBox().Commit();
    EXPECT_EQ(fader.Value(), 0.75f);
    EXPECT_FALSE(panel.field->visible);
    EXPECT_EQ(panel.EditBox().Target(), nullptr);

    panel.OnDoubleClick(150, 100, Platform::kKeyLeft);
    panel.field->text = u"20";
    panel.EditBox().Commit();
    EXPECT_EQ(fader.Value(), 1.0f);

    panel.OnDoubleClick(150, 100, Platform::kKeyLeft);
    panel.field->text = u"-12";
    panel.EditBox().Commit();
    EXPECT_EQ(fader.Value(), 0.0f);
}

TEST_F(EditFlowTest, APressElsewhereCommitsTheOpenEdit)
{
    panel.OnDoubleClick(150, 100, Platform::kKeyLeft);
    panel.OnMouseUp(150, 100, Platform::kKeyLeft);
    panel.field->text = u"1k";
    panel.OnMouseDown(600, 20, Platform::kKeyLeft);
    EXPECT_FLOAT_EQ(fader.Value(), 13.0f / 24.0f);
    EXPECT_FALSE(panel.field->visible);
}
} // namespace
} // namespace KVX
