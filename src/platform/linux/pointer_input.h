// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turns X pointer events into the panel's mouse calls, with the key word and the double click that the
// Windows message set delivers and X does not.
#include "platform/window.h"

#include <X11/Xlib.h>

#include <cstdint>

namespace KVX::Platform
{
class PointerInput
{
public:
    // A second left press this soon (server milliseconds) and this near the first one is a double click.
    static constexpr std::uint32_t kDoubleClickMs = 500;
    static constexpr int kDoubleClickDistance = 4;

    // Calls the client for button, motion and crossing events; any other event is ignored.
    void Handle(const XEvent& event, WindowClient& client);

    // The key word for an event's modifier and button state.
    static std::uint32_t KeysFromState(unsigned state);

private:
    void Press(const XButtonEvent& event, WindowClient& client);

    bool m_firstPressPending = false;
    std::uint32_t m_firstPressTime = 0;
    int m_firstPressX = 0;
    int m_firstPressY = 0;
};
} // namespace KVX::Platform
