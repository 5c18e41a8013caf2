// SPDX-License-Identifier: GPL-3.0-or-later
// A build without a window system: no window can be made, and there is no pointer to ask about.
#include "platform/window.h"

namespace KVX::Platform
{
void Window::Create(const WindowOptions&, WindowClient*, std::unique_ptr<Window>&)
{
    throw SystemError("no window system in this build", 0, false);
}

double SystemScale(std::uintptr_t)
{
    return 1.0;
}

void CursorHotSpot(int& x, int& y)
{
    x = 0;
    y = 0;
}
} // namespace KVX::Platform
