// SPDX-License-Identifier: GPL-3.0-or-later
// The hint's frame: 8 x 8 units drawn nine-sliced with 3-unit margins, so the rounding of the corners
// must stay inside the 3 x 3 corner cells and the middle two rows and columns must be plain.
#include "layout.h"
#include "sheets.h"

namespace KVX::Skin
{
std::unique_ptr<CCanvas> DrawHint(int scale)
{
    auto canvas = std::make_unique<CCanvas>(kHintSize, kHintSize, scale);
    cairo_t* cr = canvas->Cr();
    const double radius = kHintMargin - 0.5;
    RoundedRect(cr, 0.5, 0.5, kHintSize - 1.0, kHintSize - 1.0, radius);
    SetColour(cr, Rgb(0x16171a, 0.9));
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, 1.0);
    SetColour(cr, Rgb(0xd6d9dd, 0.85));
    cairo_stroke(cr);
    return canvas;
}
} // namespace KVX::Skin
