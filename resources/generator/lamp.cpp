// SPDX-License-Identifier: GPL-3.0-or-later
// The signal lamp: an amber glass lens in a chrome bezel. Frame 0 is dark, frame 1 lit with a halo.
#include "layout.h"
#include "sheets.h"

#include <numbers>

namespace KVX::Skin
{
namespace
{
constexpr double kBezelRadius = 15.5;
constexpr double kLensRadius = 11.0;
constexpr Colour kGlow = Rgb(0xff9a2e);

void PaintLamp(cairo_t* cr, double cx, double cy, bool lit)
{
    if (lit)
    {
        // Halo on the plate around the bezel; it fades out well inside the frame.
        Disc(cr, cx, cy, 24.5);
        SetRadialGradient(
            cr, cx, cy, kBezelRadius - 2.0, cx, cy, 24.5,
            {{0.0, WithAlpha(kGlow, 0.55)}, {0.4, WithAlpha(kGlow, 0.2)}, {1.0, WithAlpha(kGlow, 0.0)}});
        cairo_fill(cr);
    }

    // Chrome bezel with a dark seat for the lens.
    Disc(cr, cx, cy + 1.0, kBezelRadius + 0.8);
    SetColour(cr, Rgb(0x000000, 0.5));
    cairo_fill(cr);
    Disc(cr, cx, cy, kBezelRadius);
    SetLinearGradient(
        cr, cx - kBezelRadius, cy - kBezelRadius, cx + kBezelRadius, cy + kBezelRadius,
        {{0.0, Rgb(0xd8dbdf)}, {0.45, Rgb(0x7d8187)}, {0.55, Rgb(0x5d6167)}, {1.0, Rgb(0x26282b)}});
    cairo_fill(cr);
    Disc(cr, cx, cy, kLensRadius + 1.5);
    SetLinearGradient(cr, 0, cy - kLensRadius, 0, cy + kLensRadius,
                      {{0.0, Rgb(0x0c0d0e)}, {1.0, Rgb(0x4a4d52)}});
    cairo_fill(cr);

    // The lens.
    Disc(cr, cx, cy, kLensRadius);
    if (lit)
    {
        SetRadialGradient(
            cr, cx, cy - 1.0, 0.5, cx, cy, kLensRadius,
            {{0.0, Rgb(0xfffbea)}, {0.3, Rgb(0xffd27a)}, {0.75, Rgb(0xff9426)}, {1.0, Rgb(0xd45a12)}});
    }
    else
    {
        SetRadialGradient(cr, cx, cy + 2.0, 0.5, cx, cy, kLensRadius,
                          {{0.0, Rgb(0x4d250c)}, {0.7, Rgb(0x2e1507)}, {1.0, Rgb(0x150a04)}});
    }
    cairo_fill(cr);
    if (lit)
    {
        // Light spilling over the inner edge of the bezel.
        Disc(cr, cx, cy, kBezelRadius);
        SetRadialGradient(cr, cx, cy, kLensRadius, cx, cy, kBezelRadius,
                          {{0.0, WithAlpha(kGlow, 0.5)}, {1.0, WithAlpha(kGlow, 0.0)}});
        cairo_fill(cr);
    }

    // Reflections on the glass: a window highlight above, a faint rim below.
    cairo_save(cr);
    cairo_translate(cr, cx - 3.2, cy - 4.6);
    cairo_scale(cr, 5.2, 3.2);
    Disc(cr, 0, 0, 1.0);
    cairo_restore(cr);
    SetRadialGradient(cr, cx - 3.2, cy - 4.6, 0.0, cx - 3.2, cy - 4.6, 5.2,
                      {{0.0, Rgb(0xffffff, lit ? 0.75 : 0.45)}, {1.0, Rgb(0xffffff, 0.0)}});
    cairo_fill(cr);
    cairo_set_line_width(cr, 1.0);
    cairo_arc(cr, cx, cy, kLensRadius - 1.5, std::numbers::pi * 0.2, std::numbers::pi * 0.8);
    SetColour(cr, Rgb(0xffffff, lit ? 0.3 : 0.12));
    cairo_stroke(cr);
}
} // namespace

std::unique_ptr<CCanvas> DrawLampSheet(int scale)
{
    return DrawFrameSheet(kLamp.width, kLamp.height, kLampFrames, 1, scale,
                          [](cairo_t* cr, int frame)
                          { PaintLamp(cr, kLamp.width / 2.0, kLamp.height / 2.0, frame == 1); });
}
} // namespace KVX::Skin
