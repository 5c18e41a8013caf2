// SPDX-License-Identifier: GPL-3.0-or-later
// A fader sheet: the cap in 64 positions from -12 dB (frame 0) to +12 dB (frame 63). The slot is
// painted on the panel, so a frame holds only the cap and the shadow it throws.
#include "layout.h"
#include "sheets.h"

namespace KVX::Skin
{
namespace
{
constexpr double kRadius = 3.0;

void Ridge(cairo_t* cr, double left, double right, double y)
{
    cairo_move_to(cr, left, y - 0.5);
    cairo_line_to(cr, right, y - 0.5);
    SetColour(cr, Rgb(0x000000, 0.45));
    cairo_stroke(cr);
    cairo_move_to(cr, left, y + 0.5);
    cairo_line_to(cr, right, y + 0.5);
    SetColour(cr, Rgb(0xffffff, 0.16));
    cairo_stroke(cr);
}

void PaintCap(cairo_t* cr, double cy)
{
    const double left = kCapCentreX - kCapWidth / 2.0;
    const double top = cy - kCapHeight / 2.0;
    const double bottom = top + kCapHeight;

    SoftShadow(cr, left + 1.0, top + 2.5, kCapWidth, kCapHeight, kRadius, 3.0, 0.55);

    RoundedRect(cr, left, top, kCapWidth, kCapHeight, kRadius);
    SetColour(cr, Rgb(0x0b0c0e));
    cairo_fill(cr);

    // The face is a shallow saddle: the upper half leans towards the light, the lower half away.
    RoundedRect(cr, left + 0.75, top + 0.75, kCapWidth - 1.5, kCapHeight - 1.5, kRadius - 0.5);
    SetLinearGradient(cr, 0, top, 0, bottom,
                      {{0.0, Rgb(0x80848b)},
                       {0.44, Rgb(0x51545a)},
                       {0.5, Rgb(0x2b2d31)},
                       {0.9, Rgb(0x3a3d42)},
                       {1.0, Rgb(0x4a4d53)}});
    cairo_fill(cr);

    // Side walls darken towards the edges.
    RoundedRect(cr, left + 0.75, top + 0.75, kCapWidth - 1.5, kCapHeight - 1.5, kRadius - 0.5);
    SetLinearGradient(cr, left, 0, left + kCapWidth, 0,
                      {{0.0, Rgb(0x000000, 0.35)},
                       {0.18, Rgb(0x000000, 0.0)},
                       {0.82, Rgb(0x000000, 0.0)},
                       {1.0, Rgb(0x000000, 0.4)}});
    cairo_fill(cr);

    cairo_set_line_width(cr, 1.0);
    cairo_move_to(cr, left + kRadius, top + 1.5);
    cairo_line_to(cr, left + kCapWidth - kRadius, top + 1.5);
    SetColour(cr, Rgb(0xffffff, 0.35));
    cairo_stroke(cr);

    const double ridgeLeft = left + 3.0;
    const double ridgeRight = left + kCapWidth - 3.0;
    for (double offset : {4.5, 7.5})
    {
        Ridge(cr, ridgeLeft, ridgeRight, cy - offset);
        Ridge(cr, ridgeLeft, ridgeRight, cy + offset);
    }

    // The index line that reads against the scale.
    cairo_rectangle(cr, left + 1.5, cy - 0.8, kCapWidth - 3.0, 1.6);
    SetColour(cr, Rgb(0xf6f5f0));
    cairo_fill(cr);
}
} // namespace

std::unique_ptr<CCanvas> DrawFaderSheet(int scale)
{
    return DrawFrameSheet(kFaderFrameWidth, kFaderFrameHeight, kFaderFrames, kFaderColumns, scale,
                          [](cairo_t* cr, int frame)
                          { PaintCap(cr, CapCentreY(static_cast<double>(frame) / (kFaderFrames - 1))); });
}
} // namespace KVX::Skin
