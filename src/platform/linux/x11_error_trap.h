// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// X errors of the editor's own display connections.
//
// Xlib reports protocol errors through one process-wide handler whose default ends the process. Our
// requests fail in ordinary situations (the host destroyed its window before closing the editor, a bad
// parent id), so errors on our connections are recorded here instead; errors on any other connection go
// on to the handler that was installed before ours, so a host that uses Xlib itself sees no difference.
#include <X11/Xlib.h>

namespace KVX::Platform
{
class X11ErrorTrap
{
public:
    // Starts recording the errors of `display`. The first trap installs the shared handler.
    explicit X11ErrorTrap(Display* display);
    // Stops recording; destroy the trap only after the display is closed.
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    // Waits until the server has handled every request sent so far, then returns and forgets the first
    // error code recorded since the previous call (Success when there was none).
    int Sync();
    // The first error code recorded since the previous call, without a round trip.
    int Take();

private:
    Display* m_display;
};
} // namespace KVX::Platform
