// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A shown text field in a real window on the private Xvfb, with keys and clicks sent through XTest.

// GoogleTest comes before the X headers, whose None macro would break it.
#include <gtest/gtest.h>

#include "platform/linux/recording_client.h"
#include "support/host_window.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <initializer_list>

namespace KVX::Test
{
using Platform::TextField;
using namespace std::chrono_literals;

inline constexpr std::uint32_t kSelection = 0x0078D6;

// Takes digits, '-', '.' and Backspace, like the panel's value editor, and hides the field on a commit.
class FieldClient final : public Platform::TextFieldClient
{
public:
    explicit FieldClient(RecordingClient& window) : m_window(window) {}

    bool OnTextFieldCharacter(char16_t c) override
    {
        const bool accepted = c == u'\b' || c == u'-' || c == u'.' || (c >= u'0' && c <= u'9');
        m_window.Locked([&] { offered.push_back(c); });
        return accepted;
    }
    void OnTextFieldCommit() override
    {
        m_window.Locked([&] { committed.push_back(field->Text()); });
        field->Hide();
    }
    // The window's field, asked for on the editor thread; kept because a closing window is no longer
    // reachable through its owner.
    TextField* Get(KVX::Platform::Window& window)
    {
        field = window.GetTextField(this);
        return field;
    }

    TextField* field = nullptr;
    // Read through the window client's Locked or WaitUntil.
    std::u16string offered;
    std::vector<std::u16string> committed;

private:
    RecordingClient& m_window;
};

// The host window sits at (50, 50) of the screen; the panel fills its top left 300 x 200.
class TextFieldFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(KVX::Test::XvfbEnvironment::Server(), nullptr);
        m_host = std::make_unique<HostWindow>(50, 50, 400, 300);
        m_display = m_host->GetDisplay();
        m_client.clearColour = 0xFF00FF;
        m_client.Open(m_host->Id(), 300, 200);
        ASSERT_TRUE(m_client.WaitUntil([&] { return !m_client.frameTimes.empty(); }));
        // The host has the keyboard, as a host window does that was clicked last.
        XSetInputFocus(m_display, m_host->Id(), RevertToPointerRoot, CurrentTime);
        XSync(m_display, False);
    }
    void TearDown() override { m_client.window.reset(); }

    void Show(int x, int y, int width, int height, const std::u16string& text, double scale = 1.0)
    {
        ASSERT_TRUE(m_client.RunOnEditorThread(
            [&](KVX::Platform::Window& w)
            {
                TextField* field = m_field.Get(w);
                ASSERT_NE(field, nullptr);
                field->Show(x, y, width, height, text, scale);
            }));
        m_shown = {x, y, width, height};
    }
    void Hide()
    {
        ASSERT_TRUE(
            m_client.RunOnEditorThread([&](KVX::Platform::Window& w) { w.GetTextField(&m_field)->Hide(); }));
    }
    std::u16string Text()
    {
        std::u16string text;
        EXPECT_TRUE(m_client.RunOnEditorThread([&](KVX::Platform::Window& w)
                                               { text = w.GetTextField(&m_field)->Text(); }));
        return text;
    }
    // Keys reach the editor's connection a little later than the test's request returns.
    bool TextBecomes(const std::u16string& wanted)
    {
        for (int attempt = 0; attempt < 200; ++attempt)
        {
            if (Text() == wanted)
            {
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
    bool Commits(std::size_t count)
    {
        return m_client.WaitUntil([&] { return m_field.committed.size() >= count; });
    }

    void Key(KeySym key)
    {
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, key), True, CurrentTime);
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, key), False, CurrentTime);
        XSync(m_display, False);
    }
    // The key with modifiers held, such as {XK_Shift_L, XK_Control_L}.
    void KeyWith(std::initializer_list<KeySym> modifiers, KeySym key)
    {
        for (const KeySym modifier : modifiers)
        {
            XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, modifier), True, CurrentTime);
        }
        Key(key);
        for (const KeySym modifier : modifiers)
        {
            XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, modifier), False, CurrentTime);
        }
        XSync(m_display, False);
    }

    // The pointer at (x, y) of the field last shown; the host window sits at (50, 50) of the screen.
    void PointerTo(int x, int y)
    {
        XTestFakeMotionEvent(m_display, DefaultScreen(m_display), 50 + m_shown.x + x, 50 + m_shown.y + y,
                             CurrentTime);
        XSync(m_display, False);
    }
    void Button(unsigned button, bool down)
    {
        XTestFakeButtonEvent(m_display, button, down, CurrentTime);
        XSync(m_display, False);
    }
    void ClickAt(int x, int y, unsigned button = 1)
    {
        PointerTo(x, y);
        Button(button, true);
        Button(button, false);
    }

    // The field's pixels (0xRRGGBB, row by row) once `condition` holds of them; false if it never does.
    bool FieldPixels(std::vector<std::uint32_t>& pixels,
                     const std::function<bool(const std::vector<std::uint32_t>&)>& condition)
    {
        const auto area = static_cast<std::size_t>(m_shown.width * m_shown.height);
        for (int attempt = 0; attempt < 200; ++attempt)
        {
            pixels = ReadWindowPixels(m_display, FieldWindow(), 0, 0, m_shown.width, m_shown.height);
            if (pixels.size() == area && condition(pixels))
            {
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

    // The field's X window: the one child of the panel's window.
    ::Window FieldWindow()
    {
        ::Window root = 0;
        ::Window parent = 0;
        ::Window* children = nullptr;
        unsigned count = 0;
        ::Window found = 0;
        if (XQueryTree(m_display, m_client.window->NativeHandle(), &root, &parent, &children, &count))
        {
            if (count == 1)
            {
                found = children[0];
            }
            XFree(children);
        }
        return found;
    }
    XWindowAttributes FieldAttributes()
    {
        XWindowAttributes attributes{};
        XGetWindowAttributes(m_display, FieldWindow(), &attributes);
        return attributes;
    }
    ::Window Focus()
    {
        ::Window focus = 0;
        int revert = 0;
        XGetInputFocus(m_display, &focus, &revert);
        return focus;
    }

    std::unique_ptr<HostWindow> m_host;
    Display* m_display = nullptr;
    RecordingClient m_client;
    FieldClient m_field{m_client};
    struct
    {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
    } m_shown;
};

inline bool Near(std::uint32_t a, std::uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        worst = std::max(
            worst, std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)));
    }
    return worst <= 8;
}

// The columns inside the border that hold anything but white, as [first, last]; {-1, -1} when none.
inline std::pair<int, int> InkColumns(const std::vector<std::uint32_t>& pixels, int width, int height)
{
    int first = -1;
    int last = -1;
    for (int x = 1; x < width - 1; ++x)
    {
        for (int y = 1; y < height - 1; ++y)
        {
            if (!Near(pixels[static_cast<std::size_t>(y * width + x)], 0xFFFFFF))
            {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    return {first, last};
}
} // namespace KVX::Test
