// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pointer and its first button driven through XTest over a panel whose top-left corner is at (x, y)
// of the screen.
#include "support/panel_pixels.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <functional>

namespace KVX::Test
{
class PanelPointer
{
public:
    PanelPointer(Display* display, int x, int y) : m_Display(display), m_X(x), m_Y(y) {}

    // To (x, y) of the panel.
    void MoveTo(int x, int y) const { MoveToScreen(m_X + x, m_Y + y); }
    // Off every panel a test opens, so that no hint shows.
    void Park() const { MoveToScreen(1200, 1000); }
    void Button(bool down) const
    {
        XTestFakeButtonEvent(m_Display, 1, down ? True : False, CurrentTime);
        XSync(m_Display, False);
    }

    // A hand's drag on a fader: pressed at (x, y) of the panel, moved `pixels` up in ten steps with `step`
    // run after each (the host's loop turning), released.
    void DragUp(int x, int y, int pixels, const std::function<void()>& step) const
    {
        MoveTo(x, y);
        Frames(1);
        Button(true);
        for (int i = 1; i <= 10; ++i)
        {
            MoveTo(x, y - pixels * i / 10);
            step();
        }
        Button(false);
    }

private:
    void MoveToScreen(int x, int y) const
    {
        XTestFakeMotionEvent(m_Display, DefaultScreen(m_Display), x, y, CurrentTime);
        XSync(m_Display, False);
    }

    Display* m_Display;
    int m_X;
    int m_Y;
};
} // namespace KVX::Test
