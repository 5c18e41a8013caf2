// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Linux only: moving bitmaps in and out of cairo's premultiplied image surfaces, and owning handles for
// cairo objects.
#include "platform/image.h"

#include <cairo.h>
#include <memory>

namespace KVX::Platform::Linux
{
struct SurfaceDeleter
{
    void operator()(cairo_surface_t* s) const { cairo_surface_destroy(s); }
};
struct ContextDeleter
{
    void operator()(cairo_t* c) const { cairo_destroy(c); }
};
struct FontFaceDeleter
{
    void operator()(cairo_font_face_t* f) const { cairo_font_face_destroy(f); }
};
using SurfacePtr = std::unique_ptr<cairo_surface_t, SurfaceDeleter>;
using ContextPtr = std::unique_ptr<cairo_t, ContextDeleter>;
using FontFacePtr = std::unique_ptr<cairo_font_face_t, FontFaceDeleter>;

// The largest side cairo's image surfaces accept.
constexpr int kMaxSurfaceSide = 32767;

// A new ARGB32 surface holding the bitmap's pixels premultiplied; null when cairo cannot make one.
SurfacePtr CreatePremultipliedSurface(const Bitmap& bitmap);

// A straight-alpha bitmap of any image surface (ARGB32, RGB24 or other formats, which are converted
// first). Fails with OutOfMemory or InvalidParameter.
ImageResult BitmapFromSurface(cairo_surface_t* surface);
} // namespace KVX::Platform::Linux
