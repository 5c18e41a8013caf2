// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11_error_trap.h"

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

namespace KVX::Platform
{
namespace
{
struct TrappedDisplay
{
    Display* display;
    int firstError;
};

// Guards everything below; Xlib calls a handler without its own global lock held, so taking this mutex
// inside the handler cannot deadlock against a thread that installs or removes the handler.
std::mutex g_Mutex;
std::vector<TrappedDisplay> g_Displays;
XErrorHandler g_Previous = nullptr;
bool g_Installed = false;

// Set while an error is passed on: a handler that replaced ours may pass it back to us.
thread_local bool t_PassingOn = false;

int RecordError(Display* display, XErrorEvent* event)
{
    XErrorHandler previous = nullptr;
    {
        std::lock_guard lock(g_Mutex);
        for (auto& trapped : g_Displays)
        {
            if (trapped.display == display)
            {
                if (trapped.firstError == Success)
                {
                    trapped.firstError = event->error_code;
                }
                return 0;
            }
        }
        previous = g_Previous;
    }
    if (previous == nullptr || t_PassingOn)
    {
        return 0; // back from a handler that chains to ours: it has seen the error already
    }
    t_PassingOn = true;
    const int result = previous(display, event);
    t_PassingOn = false;
    return result;
}

// Our handler is put on top at every trap, so that a handler installed meanwhile cannot take our errors,
// and it is never taken off before the module is unloaded: removing it while a host also replaces
// handlers could lose the host's. At unloading, the previous handler goes back unless another one
// replaced ours meanwhile.
struct HandlerRestorer
{
    ~HandlerRestorer()
    {
        std::lock_guard lock(g_Mutex);
        if (g_Installed)
        {
            const XErrorHandler current = XSetErrorHandler(g_Previous);
            if (current != RecordError)
            {
                XSetErrorHandler(current);
            }
        }
    }
} g_Restorer;
} // namespace

X11ErrorTrap::X11ErrorTrap(Display* display) : m_display(display)
{
    std::lock_guard lock(g_Mutex);
    const XErrorHandler current = XSetErrorHandler(RecordError);
    if (current != RecordError)
    {
        g_Previous = current;
    }
    g_Installed = true;
    g_Displays.push_back({display, Success});
}

X11ErrorTrap::~X11ErrorTrap()
{
    std::lock_guard lock(g_Mutex);
    std::erase_if(g_Displays, [this](const TrappedDisplay& d) { return d.display == m_display; });
}

int X11ErrorTrap::Sync()
{
    XSync(m_display, False);
    return Take();
}

int X11ErrorTrap::Take()
{
    std::lock_guard lock(g_Mutex);
    for (auto& trapped : g_Displays)
    {
        if (trapped.display == m_display)
        {
            return std::exchange(trapped.firstError, Success);
        }
    }
    return Success;
}
} // namespace KVX::Platform
