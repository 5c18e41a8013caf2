// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/quad.h"

#include "gui/core/opengl.h"

#include <cstring>

namespace KVX
{
namespace
{
using OpenGL::Vertex;

void Emit(Vertex* out, float x0, float y0, float x1, float y1, float u0, float v0, float u1, float v1,
          const std::uint8_t colour[4])
{
    const float corners[4][4] = {{u0, v0, x0, y0}, {u1, v0, x1, y0}, {u1, v1, x1, y1}, {u0, v1, x0, y1}};
    for (int i = 0; i < 4; ++i)
    {
        out[i].u = corners[i][0];
        out[i].v = corners[i][1];
        std::memcpy(out[i].colour, colour, 4);
        out[i].x = corners[i][2];
        out[i].y = corners[i][3];
        out[i].z = 0.0f;
    }
}
} // namespace

void ColourBytes(std::uint32_t argb, float opacity, std::uint8_t out[4])
{
    out[0] = static_cast<std::uint8_t>(argb >> 16);
    out[1] = static_cast<std::uint8_t>(argb >> 8);
    out[2] = static_cast<std::uint8_t>(argb);
    float alpha = static_cast<float>(argb >> 24) * opacity;
    alpha = alpha < 0.0f ? 0.0f : (alpha > 255.0f ? 255.0f : alpha);
    out[3] = static_cast<std::uint8_t>(alpha);
}

void DrawQuad(std::uint32_t texture, const QuadRect& rect, const TexRect& tex, std::uint32_t argb,
              float opacity)
{
    std::uint8_t colour[4];
    ColourBytes(argb, opacity, colour);
    Vertex vertices[4];
    Emit(vertices, rect.left, rect.top, rect.left + rect.width, rect.top + rect.height, tex.u0, tex.v0,
         tex.u1, tex.v1, colour);
    OpenGL::DrawQuads(texture, vertices, 4);
}

void DrawNineSliceQuad(std::uint32_t texture, const QuadRect& rect, const TexRect& tex, float framePixelWidth,
                       float framePixelHeight, const Slices& slices, std::uint32_t argb, float opacity)
{
    std::uint8_t colour[4];
    ColourBytes(argb, opacity, colour);
    const float right = rect.left + rect.width;
    const float bottom = rect.top + rect.height;
    const float xs[4] = {rect.left, rect.left + static_cast<float>(slices.left),
                         right - static_cast<float>(slices.right), right};
    const float ys[4] = {rect.top, rect.top + static_cast<float>(slices.top),
                         bottom - static_cast<float>(slices.bottom), bottom};
    const float du = tex.u1 - tex.u0;
    const float dv = tex.v1 - tex.v0;
    const float fw = framePixelWidth > 0.0f ? framePixelWidth : 1.0f;
    const float fh = framePixelHeight > 0.0f ? framePixelHeight : 1.0f;
    const float us[4] = {tex.u0, tex.u0 + du * static_cast<float>(slices.left) / fw,
                         tex.u0 + du * (fw - static_cast<float>(slices.right)) / fw, tex.u1};
    const float vs[4] = {tex.v0, tex.v0 + dv * static_cast<float>(slices.top) / fh,
                         tex.v0 + dv * (fh - static_cast<float>(slices.bottom)) / fh, tex.v1};
    Vertex vertices[36];
    int n = 0;
    for (int row = 0; row < 3; ++row)
    {
        for (int column = 0; column < 3; ++column)
        {
            Emit(vertices + n, xs[column], ys[row], xs[column + 1], ys[row + 1], us[column], vs[row],
                 us[column + 1], vs[row + 1], colour);
            n += 4;
        }
    }
    OpenGL::DrawQuads(texture, vertices, n);
}
} // namespace KVX
