// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window.h"

#include <X11/Xlib.h>
#include <X11/Xresource.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace KVX::Platform
{
namespace
{
constexpr double kBaseDpi = 96.0;
}

// The desktop publishes its text density as Xft.dpi in the root window's resources (what xrdb loads and
// the desktop's settings daemon keeps up to date); 96 is one to one. Read through a short-lived connection
// of its own, as the host may ask before any window of ours exists.
double SystemScale(std::uintptr_t)
{
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == '\0')
    {
        return 1.0;
    }
    Display* display = XOpenDisplay(name);
    if (display == nullptr)
    {
        return 1.0;
    }
    double scale = 1.0;
    if (const char* resources = XResourceManagerString(display))
    {
        XrmInitialize();
        if (XrmDatabase database = XrmGetStringDatabase(resources))
        {
            char* type = nullptr;
            XrmValue value{};
            if (XrmGetResource(database, "Xft.dpi", "Xft.Dpi", &type, &value) && value.addr != nullptr)
            {
                // Not strtod: the host's locale may want a decimal comma.
                const char* text = value.addr;
                while (*text == ' ' || *text == '\t')
                {
                    ++text;
                }
                double dpi = 0.0;
                const auto parsed = std::from_chars(text, text + std::strlen(text), dpi);
                if (parsed.ec == std::errc() && std::isfinite(dpi) && dpi > 0.0)
                {
                    scale = dpi / kBaseDpi;
                }
            }
            XrmDestroyDatabase(database);
        }
    }
    XCloseDisplay(display);
    return scale;
}
} // namespace KVX::Platform
