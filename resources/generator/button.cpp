// SPDX-License-Identifier: GPL-3.0-or-later
// The IN switch: a round push button in a metal bezel with a light ring. Frame 0 is off (cap up, ring
// dark), frame 1 is on (cap pressed in, ring glowing).
#include "layout.h"
#include "sheets.h"

#include <numbers>

namespace KVX::Skin
{
namespace
{
constexpr double kBezelRadius = 25.5;
constexpr double kRingRadius = 22.0;
constexpr double kCapRadius = 18.5;
constexpr Colour kAmber = Rgb(0xffa53a);

void PaintButton(cairo_t* cr, double cx, double cy, bool on)
{
    // Bezel: a turned metal ring, lit from above.
    Disc(cr, cx, cy + 1.0, kBezelRadius + 1.0);
    SetColour(cr, Rgb(0x000000, 0.45));
    cairo_fill(cr);
    Disc(cr, cx, cy, kBezelRadius);
    SetLinearGradient(cr, 0, cy - kBezelRadius, 0, cy + kBezelRadius,
                      {{0.0, Rgb(0x8d9198)}, {0.5, Rgb(0x4a4d53)}, {1.0, Rgb(0x222326)}});
    cairo_fill(cr);
    Disc(cr, cx, cy, kBezelRadius - 1.5);
    SetLinearGradient(cr, 0, cy - kBezelRadius, 0, cy + kBezelRadius,
                      {{0.0, Rgb(0x3a3d42)}, {1.0, Rgb(0x5b5f65)}});
    cairo_fill(cr);

    // The light ring between bezel and cap.
    Disc(cr, cx, cy, kRingRadius);
    if (on)
    {
        SetRadialGradient(cr, cx, cy, kCapRadius, cx, cy, kRingRadius,
                          {{0.0, Rgb(0xfff1c8)}, {0.45, kAmber}, {1.0, Rgb(0xd8661a)}});
    }
    else
    {
        SetRadialGradient(cr, cx, cy, kCapRadius, cx, cy, kRingRadius,
                          {{0.0, Rgb(0x2a1708)}, {1.0, Rgb(0x120904)}});
    }
    cairo_fill(cr);
    if (on)
    {
        // Bloom over the bezel and beyond it.
        Disc(cr, cx, cy, 30.0);
        SetRadialGradient(
            cr, cx, cy, kRingRadius - 1.0, cx, cy, 30.0,
            {{0.0, WithAlpha(kAmber, 0.6)}, {0.45, WithAlpha(kAmber, 0.18)}, {1.0, WithAlpha(kAmber, 0.0)}});
        cairo_fill(cr);
    }

    // The cap: raised and lit when off; pressed in, flatter and lit by the ring when on.
    const double capY = on ? cy + 0.8 : cy;
    const double capR = on ? kCapRadius - 0.5 : kCapRadius;
    Disc(cr, cx, capY + (on ? 0.6 : 2.0), capR + (on ? 0.2 : 0.8));
    SetColour(cr, Rgb(0x000000, on ? 0.5 : 0.6));
    cairo_fill(cr);
    Disc(cr, cx, capY, capR);
    SetColour(cr, Rgb(0x0a0b0c));
    cairo_fill(cr);
    Disc(cr, cx, capY, capR - 0.8);
    if (on)
    {
        SetLinearGradient(cr, 0, capY - capR, 0, capY + capR,
                          {{0.0, Rgb(0x5a5d63)}, {0.5, Rgb(0x3c3e43)}, {1.0, Rgb(0x2c2d30)}});
    }
    else
    {
        SetLinearGradient(cr, 0, capY - capR, 0, capY + capR,
                          {{0.0, Rgb(0x72767d)}, {0.5, Rgb(0x45484e)}, {1.0, Rgb(0x2a2c30)}});
    }
    cairo_fill(cr);
    // A slightly dished top face.
    Disc(cr, cx, capY, capR - 4.0);
    SetLinearGradient(cr, 0, capY - capR, 0, capY + capR,
                      {{0.0, Rgb(0x000000, on ? 0.22 : 0.18)}, {1.0, Rgb(0xffffff, on ? 0.05 : 0.08)}});
    cairo_fill(cr);
    if (on)
    {
        // Warm light from the ring on the cap's rim.
        Disc(cr, cx, capY, capR - 0.8);
        SetRadialGradient(cr, cx, capY, capR - 5.0, cx, capY, capR,
                          {{0.0, WithAlpha(kAmber, 0.0)}, {1.0, WithAlpha(kAmber, 0.35)}});
        cairo_fill(cr);
    }
    // A catch-light on the upper rim, dimmer once the cap sits low in the bezel.
    cairo_set_line_width(cr, 1.2);
    cairo_arc(cr, cx, capY, capR - 1.6, std::numbers::pi * 1.15, std::numbers::pi * 1.85);
    SetColour(cr, Rgb(0xffffff, on ? 0.14 : 0.3));
    cairo_stroke(cr);
}
} // namespace

std::unique_ptr<CCanvas> DrawButtonSheet(int scale)
{
    return DrawFrameSheet(kButton.width, kButton.height, kButtonFrames, 1, scale,
                          [](cairo_t* cr, int frame)
                          { PaintButton(cr, kButton.width / 2.0, kButton.height / 2.0, frame == 1); });
}
} // namespace KVX::Skin
