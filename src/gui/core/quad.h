// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The drawing primitives of every widget: one textured quad, or nine quads that keep the corners of an
// image at their pixel size while edges and centre stretch.
#include "gui/core/slots.h"

#include <cstdint>

namespace KVX
{
struct QuadRect
{
    float left;
    float top;
    float width;
    float height;
};

// The part of a texture to draw, in texture coordinates.
struct TexRect
{
    float u0;
    float v0;
    float u1;
    float v1;
};

struct Slices
{
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    bool Any() const { return left != 0 || top != 0 || right != 0 || bottom != 0; }
};

// The alpha byte of an ARGB word, as a float.
inline float AlphaOf(std::uint32_t argb)
{
    return static_cast<float>(argb >> 24);
}

// The four colour bytes OpenGL receives for an ARGB word whose alpha is scaled by `opacity` (truncated).
void ColourBytes(std::uint32_t argb, float opacity, std::uint8_t out[4]);

void DrawQuad(std::uint32_t texture, const QuadRect& rect, const TexRect& tex, std::uint32_t argb,
              float opacity);

// `framePixelWidth` and `framePixelHeight` are the pixel size of the image part that `tex` addresses, so
// that the slices can be measured in its own pixels.
void DrawNineSliceQuad(std::uint32_t texture, const QuadRect& rect, const TexRect& tex, float framePixelWidth,
                       float framePixelHeight, const Slices& slices, std::uint32_t argb, float opacity);
} // namespace KVX
