// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel's GLX frame buffer format and context.
#include "platform/linux/x11_error_trap.h"

#include <GL/glx.h>

namespace KVX::Platform
{
struct GlxFormat
{
    GLXFBConfig config = nullptr;
    XVisualInfo visual{};
};

// Picks a window-drawable, double-buffered RGBA format with 8-bit colour channels, preferring one without
// alpha, depth or stencil (the panel draws flat sprites and never reads them). False when the server
// offers none or has no GLX 1.3.
bool ChooseGlxFormat(Display* display, int screen, GlxFormat& format);

// Creates a direct context for `format` and makes it current on `window` for the calling thread.
// Throws SystemError (as an OpenGL failure) naming the call that failed; nothing is left behind then.
GLXContext CreateCurrentContext(Display* display, const GlxFormat& format, ::Window window,
                                X11ErrorTrap& trap);

// Releases the calling thread's current context and destroys `context`.
void DestroyContext(Display* display, GLXContext context);
} // namespace KVX::Platform
