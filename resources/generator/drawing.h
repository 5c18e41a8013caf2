// SPDX-License-Identifier: GPL-3.0-or-later
// Small drawing helpers shared by the sheet painters: an owned cairo canvas, colours, paths, gradients,
// a seeded noise source and the sprite-sheet frame arithmetic.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>

namespace KVX::Skin
{
struct Colour
{
    double r;
    double g;
    double b;
    double a = 1.0;
};

// 0xRRGGBB with a separate alpha.
constexpr Colour Rgb(std::uint32_t rgb, double alpha = 1.0)
{
    return {((rgb >> 16) & 0xFF) / 255.0, ((rgb >> 8) & 0xFF) / 255.0, (rgb & 0xFF) / 255.0, alpha};
}

constexpr Colour WithAlpha(Colour c, double alpha)
{
    return {c.r, c.g, c.b, alpha};
}

Colour Mix(Colour from, Colour to, double t);

// An ARGB32 image surface with its context, cleared to transparent. Painters draw in units: the surface
// holds `scale` pixels per unit, so the same drawing code makes the 1x sheet and its finer twins.
class CCanvas
{
public:
    CCanvas(int width, int height, int scale = 1);
    ~CCanvas();
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    cairo_t* Cr() const { return m_Cr; }
    cairo_surface_t* Surface() const { return m_Surface; }
    int Width() const { return m_Width; } // units
    int Height() const { return m_Height; }
    int Scale() const { return m_Scale; } // pixels per unit
    int PixelWidth() const { return m_Width * m_Scale; }
    int PixelHeight() const { return m_Height * m_Scale; }

    // Writes the surface as an 8-bit RGBA PNG, with alpha even when the image is opaque; false (with a
    // message on stderr) on any failure.
    bool WritePng(const std::string& path) const;

private:
    int m_Width;
    int m_Height;
    int m_Scale;
    cairo_surface_t* m_Surface;
    cairo_t* m_Cr;
};

using GradientStops = std::initializer_list<std::pair<double, Colour>>;

void SetColour(cairo_t* cr, Colour c);
// Device pixels per user unit along x under the current transformation: lets effects that work in whole
// pixels (shadow rings) stay as fine as the surface they land on.
double PixelsPerUnit(cairo_t* cr);
// A full circle as a path of its own.
void Disc(cairo_t* cr, double cx, double cy, double radius);
void RoundedRect(cairo_t* cr, double x, double y, double width, double height, double radius);

// Sets the source to a linear gradient from (x0, y0) to (x1, y1).
void SetLinearGradient(cairo_t* cr, double x0, double y0, double x1, double y1, GradientStops stops);
// Sets the source to a radial gradient between two circles.
void SetRadialGradient(cairo_t* cr, double cx0, double cy0, double r0, double cx1, double cy1, double r1,
                       GradientStops stops);

// A soft shadow under a rounded rectangle: concentric outlines of falling alpha, no blur pass needed.
void SoftShadow(cairo_t* cr, double x, double y, double width, double height, double radius, double spread,
                double alpha);

// A countersunk cross-head screw.
void Screw(cairo_t* cr, double cx, double cy, double radius, double angle);

// Seeded noise, so every run draws the same grain.
class CRandom
{
public:
    explicit CRandom(std::uint64_t seed) : m_State(seed) {}
    std::uint64_t Next();
    double Uniform();   // [0, 1)
    double Symmetric(); // (-1, 1), bunched towards 0
private:
    std::uint64_t m_State;
};

// Top-left corner of frame `index` in a sheet of frames laid out in rows of `columns`.
struct FrameOrigin
{
    int x;
    int y;
};
constexpr FrameOrigin FrameAt(int index, int columns, int frameWidth, int frameHeight)
{
    return {(index % columns) * frameWidth, (index / columns) * frameHeight};
}

// A sheet of `frames` frames in rows of `columns` at `scale` pixels per unit: `paint` draws each frame
// in units with the origin at the frame's top-left corner, clipped to it.
std::unique_ptr<CCanvas> DrawFrameSheet(int frameWidth, int frameHeight, int frames, int columns, int scale,
                                        const std::function<void(cairo_t*, int frame)>& paint);
} // namespace KVX::Skin
