// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/pointer_input.h"

#include <cstdlib>

namespace KVX::Platform
{
namespace
{
// The key bit of a mouse button; 0 for the wheel and any further button.
std::uint32_t ButtonKey(unsigned button)
{
    switch (button)
    {
    case Button1:
        return kKeyLeft;
    case Button2:
        return kKeyMiddle;
    case Button3:
        return kKeyRight;
    default:
        return 0;
    }
}
} // namespace

std::uint32_t PointerInput::KeysFromState(unsigned state)
{
    std::uint32_t keys = 0;
    if (state & Button1Mask)
    {
        keys |= kKeyLeft;
    }
    if (state & Button3Mask)
    {
        keys |= kKeyRight;
    }
    if (state & ShiftMask)
    {
        keys |= kKeyShift;
    }
    if (state & ControlMask)
    {
        keys |= kKeyCtrl;
    }
    if (state & Button2Mask)
    {
        keys |= kKeyMiddle;
    }
    return keys;
}

void PointerInput::Handle(const XEvent& event, WindowClient& client)
{
    switch (event.type)
    {
    case ButtonPress:
        Press(event.xbutton, client);
        break;
    case ButtonRelease:
        // X reports the state from before the event, which still holds the released button; the bit is
        // added anyway so the word does not depend on that.
        // The middle button is not the panel's (Windows gives it to the default procedure): it ends nothing.
        if (const std::uint32_t key = ButtonKey(event.xbutton.button); key != 0 && key != kKeyMiddle)
        {
            client.OnMouseUp(event.xbutton.x, event.xbutton.y, KeysFromState(event.xbutton.state) | key);
        }
        break;
    case MotionNotify:
        client.OnMouseMove(event.xmotion.x, event.xmotion.y, KeysFromState(event.xmotion.state));
        break;
    case EnterNotify:
        // Entering without a motion event (a window mapped under the pointer, a warp) still counts as a
        // move; crossings caused by grabs are not movements.
        if (event.xcrossing.mode == NotifyNormal)
        {
            client.OnMouseMove(event.xcrossing.x, event.xcrossing.y, KeysFromState(event.xcrossing.state));
        }
        break;
    case LeaveNotify:
        // Out of the window, also when a release outside ends the grab; a window inside ours (the text
        // field) is still ours, and a grab taken while the pointer is here is no leaving.
        if (event.xcrossing.detail != NotifyInferior &&
            (event.xcrossing.mode == NotifyNormal || event.xcrossing.mode == NotifyUngrab))
        {
            client.OnMouseLeftWindow();
        }
        break;
    default:
        break;
    }
}

void PointerInput::Press(const XButtonEvent& event, WindowClient& client)
{
    const std::uint32_t keys = KeysFromState(event.state);
    switch (event.button)
    {
    case 4:
        client.OnMouseWheel(1.0f, keys);
        return;
    case 5:
        client.OnMouseWheel(-1.0f, keys);
        return;
    case Button1:
        break;
    case Button2:
        m_firstPressPending = false; // another button between two left presses breaks the pair
        return;
    case Button3:
        m_firstPressPending = false;
        client.OnMouseDown(event.x, event.y, keys | kKeyRight);
        return;
    default:
        return; // horizontal wheel and extra buttons
    }

    // Server time is a 32-bit millisecond clock that wraps; the difference is taken in that width.
    const auto time = static_cast<std::uint32_t>(event.time);
    if (m_firstPressPending && time - m_firstPressTime <= kDoubleClickMs &&
        std::abs(event.x - m_firstPressX) <= kDoubleClickDistance &&
        std::abs(event.y - m_firstPressY) <= kDoubleClickDistance)
    {
        m_firstPressPending = false; // a third press starts a new pair
        client.OnDoubleClick(event.x, event.y, keys | kKeyLeft);
        return;
    }
    m_firstPressPending = true;
    m_firstPressTime = time;
    m_firstPressX = event.x;
    m_firstPressY = event.y;
    client.OnMouseDown(event.x, event.y, keys | kKeyLeft);
}
} // namespace KVX::Platform
