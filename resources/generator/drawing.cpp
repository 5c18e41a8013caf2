// SPDX-License-Identifier: GPL-3.0-or-later
#include "drawing.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace KVX::Skin
{
Colour Mix(Colour from, Colour to, double t)
{
    return {from.r + (to.r - from.r) * t, from.g + (to.g - from.g) * t, from.b + (to.b - from.b) * t,
            from.a + (to.a - from.a) * t};
}

CCanvas::CCanvas(int width, int height, int scale)
    : m_Width(width), m_Height(height), m_Scale(scale),
      m_Surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width * scale, height * scale)),
      m_Cr(cairo_create(m_Surface))
{
    // A fresh image surface is already transparent; say so anyway so the start state is not an
    // assumption about the allocator.
    cairo_save(m_Cr);
    cairo_set_operator(m_Cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(m_Cr);
    cairo_restore(m_Cr);
    if (scale != 1)
    {
        cairo_scale(m_Cr, scale, scale);
    }
}

CCanvas::~CCanvas()
{
    cairo_destroy(m_Cr);
    cairo_surface_destroy(m_Surface);
}

bool CCanvas::WritePng(const std::string& path) const
{
    if (cairo_status(m_Cr) != CAIRO_STATUS_SUCCESS)
    {
        std::fprintf(stderr, "drawing %s failed: %s\n", path.c_str(),
                     cairo_status_to_string(cairo_status(m_Cr)));
        return false;
    }
    // cairo would store an opaque surface as RGB without alpha; every sheet must be RGBA, so the
    // pixels go through libpng, unpremultiplied as a PNG wants them.
    cairo_surface_flush(m_Surface);
    const unsigned char* data = cairo_image_surface_get_data(m_Surface);
    const int stride = cairo_image_surface_get_stride(m_Surface);
    const int width = PixelWidth();
    const int height = PixelHeight();
    std::vector<unsigned char> rgba(static_cast<std::size_t>(width) * height * 4);
    for (int y = 0; y < height; ++y)
    {
        const auto* row =
            reinterpret_cast<const std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x)
        {
            const std::uint32_t argb = row[x];
            const std::uint32_t a = argb >> 24;
            unsigned char* out = &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
            for (int c = 0; c < 3; ++c)
            {
                const std::uint32_t v = (argb >> (16 - 8 * c)) & 0xFF;
                out[c] = a == 0 ? 0 : static_cast<unsigned char>((v * 255 + a / 2) / a);
            }
            out[3] = static_cast<unsigned char>(a);
        }
    }

    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGBA;
    if (png_image_write_to_file(&image, path.c_str(), 0, rgba.data(), 0, nullptr) == 0)
    {
        std::fprintf(stderr, "cannot write %s: %s\n", path.c_str(), image.message);
        png_image_free(&image);
        return false;
    }
    return true;
}

void SetColour(cairo_t* cr, Colour c)
{
    cairo_set_source_rgba(cr, c.r, c.g, c.b, c.a);
}

double PixelsPerUnit(cairo_t* cr)
{
    double dx = 1.0;
    double dy = 0.0;
    cairo_user_to_device_distance(cr, &dx, &dy);
    return std::hypot(dx, dy);
}

void Disc(cairo_t* cr, double cx, double cy, double radius)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2.0 * std::numbers::pi);
}

void RoundedRect(cairo_t* cr, double x, double y, double width, double height, double radius)
{
    const double r = std::min(radius, std::min(width, height) / 2.0);
    const double half = std::numbers::pi / 2.0;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + width - r, y + r, r, -half, 0.0);
    cairo_arc(cr, x + width - r, y + height - r, r, 0.0, half);
    cairo_arc(cr, x + r, y + height - r, r, half, 2.0 * half);
    cairo_arc(cr, x + r, y + r, r, 2.0 * half, 3.0 * half);
    cairo_close_path(cr);
}

namespace
{
void SetPattern(cairo_t* cr, cairo_pattern_t* pattern, GradientStops stops)
{
    for (const auto& [offset, c] : stops)
    {
        cairo_pattern_add_color_stop_rgba(pattern, offset, c.r, c.g, c.b, c.a);
    }
    cairo_set_source(cr, pattern);
    cairo_pattern_destroy(pattern);
}
} // namespace

void SetLinearGradient(cairo_t* cr, double x0, double y0, double x1, double y1, GradientStops stops)
{
    SetPattern(cr, cairo_pattern_create_linear(x0, y0, x1, y1), stops);
}

void SetRadialGradient(cairo_t* cr, double cx0, double cy0, double r0, double cx1, double cy1, double r1,
                       GradientStops stops)
{
    SetPattern(cr, cairo_pattern_create_radial(cx0, cy0, r0, cx1, cy1, r1), stops);
}

void SoftShadow(cairo_t* cr, double x, double y, double width, double height, double radius, double spread,
                double alpha)
{
    // One ring per device pixel of spread.
    const int steps = std::max(1, static_cast<int>(std::ceil(spread * PixelsPerUnit(cr))));
    cairo_save(cr);
    for (int i = steps; i >= 1; --i)
    {
        const double grow = spread * i / steps;
        const double weight = 1.0 - static_cast<double>(i - 1) / steps;
        RoundedRect(cr, x - grow, y - grow, width + 2 * grow, height + 2 * grow, radius + grow);
        cairo_set_source_rgba(cr, 0, 0, 0, alpha * weight * weight / steps * 1.6);
        cairo_fill(cr);
    }
    cairo_restore(cr);
}

void Screw(cairo_t* cr, double cx, double cy, double radius, double angle)
{
    cairo_save(cr);
    // Countersink: a dark ring that catches light at its lower edge.
    cairo_arc(cr, cx, cy, radius + 1.2, 0, 2 * std::numbers::pi);
    SetLinearGradient(cr, cx, cy - radius, cx, cy + radius, {{0.0, Rgb(0x0a0b0c)}, {1.0, Rgb(0x5c6066)}});
    cairo_fill(cr);
    // Head: brushed steel lit from above.
    cairo_arc(cr, cx, cy, radius, 0, 2 * std::numbers::pi);
    SetRadialGradient(cr, cx - radius * 0.35, cy - radius * 0.45, radius * 0.1, cx, cy, radius * 1.05,
                      {{0.0, Rgb(0xc9cdd2)}, {0.55, Rgb(0x868b92)}, {1.0, Rgb(0x4a4e54)}});
    cairo_fill(cr);
    // Cross recess.
    cairo_translate(cr, cx, cy);
    cairo_rotate(cr, angle);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    const double arm = radius * 0.62;
    for (int pass = 0; pass < 2; ++pass)
    {
        const double shift = pass == 0 ? 0.6 : 0.0;
        cairo_move_to(cr, -arm, shift);
        cairo_line_to(cr, arm, shift);
        cairo_move_to(cr, shift, -arm);
        cairo_line_to(cr, shift, arm);
        cairo_set_line_width(cr, radius * 0.32);
        SetColour(cr, pass == 0 ? Rgb(0xe0e3e6, 0.45) : Rgb(0x202226));
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

std::uint64_t CRandom::Next()
{
    // splitmix64: tiny, and the same sequence everywhere.
    m_State += 0x9E3779B97F4A7C15ull;
    std::uint64_t z = m_State;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double CRandom::Uniform()
{
    return static_cast<double>(Next() >> 11) * (1.0 / 9007199254740992.0);
}

double CRandom::Symmetric()
{
    return (Uniform() + Uniform() + Uniform()) / 1.5 - 1.0;
}
std::unique_ptr<CCanvas> DrawFrameSheet(int frameWidth, int frameHeight, int frames, int columns, int scale,
                                        const std::function<void(cairo_t*, int frame)>& paint)
{
    const int rows = (frames + columns - 1) / columns;
    auto canvas = std::make_unique<CCanvas>(frameWidth * columns, frameHeight * rows, scale);
    cairo_t* cr = canvas->Cr();
    for (int frame = 0; frame < frames; ++frame)
    {
        const FrameOrigin origin = FrameAt(frame, columns, frameWidth, frameHeight);
        cairo_save(cr);
        cairo_translate(cr, origin.x, origin.y);
        cairo_rectangle(cr, 0, 0, frameWidth, frameHeight);
        cairo_clip(cr);
        paint(cr, frame);
        cairo_restore(cr);
    }
    return canvas;
}
} // namespace KVX::Skin
