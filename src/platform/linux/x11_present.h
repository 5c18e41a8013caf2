// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Linux only: sending a picture drawn in memory with cairo to an X window as one image. Drawing in memory
// keeps the picture free of flicker and independent of cairo's X backend.
#include <X11/Xlib.h>
#include <cairo.h>

namespace KVX::Platform::Linux
{
// Copies an RGB24 or ARGB32 image surface (alpha ignored) to (0, 0) of `window`, which must use the
// screen's default visual and depth. Does nothing when the image cannot be made.
void PresentSurface(Display* display, ::Window window, int screen, cairo_surface_t* canvas);
} // namespace KVX::Platform::Linux
