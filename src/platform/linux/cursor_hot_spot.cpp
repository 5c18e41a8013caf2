// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdlib>

namespace KVX::Platform
{
// X only tells the image of the cursor shown right now, so this reads that one through a short-lived
// connection of its own: the panel asks once when it is built, possibly on a thread without a window.
void CursorHotSpot(int& x, int& y)
{
    x = 0;
    y = 0;
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
    {
        return;
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr)
    {
        return;
    }
    int eventBase = 0;
    int errorBase = 0;
    int major = 2;
    int minor = 0;
    if (XFixesQueryExtension(display, &eventBase, &errorBase) && XFixesQueryVersion(display, &major, &minor))
    {
        if (XFixesCursorImage* image = XFixesGetCursorImage(display))
        {
            x = image->xhot;
            y = image->yhot;
            XFree(image);
        }
    }
    XCloseDisplay(display);
}
} // namespace KVX::Platform
