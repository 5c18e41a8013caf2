// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The screen's text density as desktops publish it (Xft.dpi in the root window's resources, which is what
// xrdb loads), for tests of editors that follow it.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <string>

namespace KVX::Test
{
// 0 takes the resources away again.
inline void SetScreenDpi(Display* display, int dpi)
{
    const ::Window root = DefaultRootWindow(display);
    if (dpi == 0)
    {
        XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
    }
    else
    {
        const std::string resources = "Xft.dpi:\t" + std::to_string(dpi) + "\n";
        XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(resources.data()),
                        static_cast<int>(resources.size()));
    }
    XSync(display, False);
}
} // namespace KVX::Test
