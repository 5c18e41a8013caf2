// SPDX-License-Identifier: GPL-3.0-or-later
// Typing a value into a fader: a double click opens the text field at the pointer, the keys go into it,
// and Enter, a press elsewhere on the panel or closing the editor hands the typed decibels to the fader.
#include "editor_host.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <cmath>

namespace KVX::Test
{
namespace
{
constexpr int kFaderX = 463 + 12; // the 1 kHz fader
constexpr int kFaderY = 120;
constexpr int kParameter = 5;

class EditorEdit : public EditorHost
{
protected:
    void SetUp() override
    {
        EditorHost::SetUp();
        ASSERT_TRUE(OpenEditor());
        MoveTo(600, 20); // over the plain panel
        Frames(3);
    }

    // Two quick presses at one spot, then waits until the field is shown and has the keyboard.
    ::Window OpenField(int x, int y)
    {
        MoveTo(x, y);
        Frames(1);
        Button(1, true);
        Button(1, false);
        Button(1, true);
        Button(1, false);
        ::Window field = 0;
        EXPECT_TRUE(WaitUntil(
            [&]
            {
                field = ShownField();
                return field != 0 && Focus() == field;
            }))
            << "no field with the focus";
        return field;
    }
    // The panel's shown child window, or 0.
    ::Window ShownField() const
    {
        Display* display = host->GetDisplay();
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        ::Window shown = 0;
        if (EditorWindow() != 0 && XQueryTree(display, EditorWindow(), &root, &parent, &children, &count))
        {
            for (unsigned i = 0; i < count; ++i)
            {
                XWindowAttributes attributes{};
                if (XGetWindowAttributes(display, children[i], &attributes) &&
                    attributes.map_state == IsViewable)
                {
                    shown = children[i];
                }
            }
            XFree(children);
        }
        return shown;
    }
    ::Window Focus() const
    {
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(host->GetDisplay(), &focus, &revert);
        return focus;
    }
    void Type(std::initializer_list<unsigned long> keys)
    {
        for (const unsigned long key : keys)
        {
            Key(key, true);
            Key(key, false);
        }
    }
    bool ParameterBecomes(float wanted)
    {
        return WaitUntil([&] { return std::abs(plugin->GetParameter(kParameter) - wanted) < 1e-6f; });
    }
};

TEST_F(EditorEdit, TypedDecibelsGoToTheFaderOnEnter)
{
    OpenField(kFaderX, kFaderY);
    Type({XK_6, XK_Return});
    ASSERT_TRUE(ParameterBecomes(0.75f)) << plugin->GetParameter(kParameter);
    EXPECT_TRUE(WaitUntil([&] { return ShownField() == 0; }));
    EXPECT_EQ(plugin->Text(effGetParamDisplay, kParameter), "+6.0");

    // A unit letter after the number is allowed and ignored: 1 dB.
    OpenField(kFaderX, kFaderY);
    Type({XK_1, XK_k, XK_KP_Enter});
    ASSERT_TRUE(ParameterBecomes(13.0f / 24.0f)) << plugin->GetParameter(kParameter);

    // Any other letter does not get in: "6a" is 6.
    OpenField(kFaderX, kFaderY);
    Type({XK_6, XK_a, XK_Return});
    ASSERT_TRUE(ParameterBecomes(0.75f)) << plugin->GetParameter(kParameter);
}

TEST_F(EditorEdit, APressElsewhereOnThePanelCommits)
{
    OpenField(kFaderX, kFaderY);
    Type({XK_minus, XK_1, XK_2});
    MoveTo(600, 20);
    Button(1, true);
    Button(1, false);
    ASSERT_TRUE(ParameterBecomes(0.0f)) << plugin->GetParameter(kParameter);
    EXPECT_TRUE(WaitUntil([&] { return ShownField() == 0; }));
}

TEST_F(EditorEdit, TheMiddleButtonNeitherCommitsNorClosesTheField)
{
    const ::Window field = OpenField(kFaderX, kFaderY);
    Type({XK_3});
    MoveTo(600, 20);
    Button(2, true);
    Button(2, false);
    Frames(3);
    EXPECT_EQ(ShownField(), field);
    EXPECT_EQ(Focus(), field);
    EXPECT_EQ(plugin->GetParameter(kParameter), 0.5f);
    Type({XK_Return});
    EXPECT_TRUE(ParameterBecomes(0.625f)) << plugin->GetParameter(kParameter);
}

TEST_F(EditorEdit, ClosingTheEditorCommitsAnOpenField)
{
    OpenField(kFaderX, kFaderY);
    Type({XK_3});
    Frames(2); // let the key arrive before the window goes
    CloseEditor();
    EXPECT_TRUE(ParameterBecomes(0.625f)) << plugin->GetParameter(kParameter);
    EXPECT_TRUE(host->Children().empty());
}

TEST_F(EditorEdit, TheFieldOpensWhereThePointerWas)
{
    // The pointer's position plus the cursor's hot spot: the same offset wherever the double click is.
    int offsetX = 0;
    int offsetY = 0;
    const std::pair<int, int> places[] = {{kFaderX, kFaderY}, {141 + 20, 200}};
    for (std::size_t i = 0; i < std::size(places); ++i)
    {
        const auto [x, y] = places[i];
        const ::Window field = OpenField(x, y);
        ASSERT_NE(field, 0u);
        XWindowAttributes attributes{};
        ASSERT_TRUE(XGetWindowAttributes(host->GetDisplay(), field, &attributes));
        EXPECT_EQ(attributes.width, 50);
        EXPECT_EQ(attributes.height, 15);
        if (i == 0)
        {
            offsetX = attributes.x - x;
            offsetY = attributes.y - y;
            EXPECT_GE(offsetX, 0);
            EXPECT_GE(offsetY, 0);
            EXPECT_LT(offsetX, 32);
            EXPECT_LT(offsetY, 32);
        }
        else
        {
            EXPECT_EQ(attributes.x - x, offsetX);
            EXPECT_EQ(attributes.y - y, offsetY);
        }
        Type({XK_Return});
        ASSERT_TRUE(WaitUntil([&] { return ShownField() == 0; }));
    }
    // Nothing was typed over the values shown.
    EXPECT_EQ(plugin->GetParameter(kParameter), 0.5f);
    EXPECT_EQ(plugin->GetParameter(0), 0.5f);
}
} // namespace
} // namespace KVX::Test
