// SPDX-License-Identifier: GPL-3.0-or-later
// A composed picture of the editor for review: the panel with every sheet drawn where and as the
// widgets draw it (fader frames by position, the button and lamp in their last frames, a hint
// stretched nine-sliced around a value text).
#include "layout.h"
#include "sheets.h"
#include "text.h"

#include <array>

namespace KVX::Skin
{
namespace
{
// Copies a source rectangle of a sheet (in the sheet's units) into a destination rectangle, scaled with
// linear filtering.
void Blit(cairo_t* cr, const CCanvas& sheet, double sx, double sy, double sw, double sh, double dx, double dy,
          double dw, double dh)
{
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0)
    {
        return;
    }
    const double s = sheet.Scale();
    cairo_save(cr);
    cairo_rectangle(cr, dx, dy, dw, dh);
    cairo_clip(cr);
    cairo_translate(cr, dx, dy);
    cairo_scale(cr, dw / (sw * s), dh / (sh * s));
    cairo_set_source_surface(cr, sheet.Surface(), -sx * s, -sy * s);
    cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_BILINEAR);
    cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
    cairo_paint(cr);
    cairo_restore(cr);
}

void NineSlice(cairo_t* cr, const CCanvas& image, int margin, double x, double y, double w, double h)
{
    const double iw = image.Width();
    const double ih = image.Height();
    const std::array<double, 4> sx = {0, static_cast<double>(margin), iw - margin, iw};
    const std::array<double, 4> sy = {0, static_cast<double>(margin), ih - margin, ih};
    const std::array<double, 4> dx = {x, x + margin, x + w - margin, x + w};
    const std::array<double, 4> dy = {y, y + margin, y + h - margin, y + h};
    for (int row = 0; row < 3; ++row)
    {
        for (int column = 0; column < 3; ++column)
        {
            Blit(cr, image, sx[column], sy[row], sx[column + 1] - sx[column], sy[row + 1] - sy[row],
                 dx[column], dy[row], dx[column + 1] - dx[column], dy[row + 1] - dy[row]);
        }
    }
}
} // namespace

std::unique_ptr<CCanvas> DrawPreview(const CCanvas& panel, const CCanvas& fader, const CCanvas& button,
                                     const CCanvas& lamp, const CCanvas& hint)
{
    auto canvas = std::make_unique<CCanvas>(kPanelWidth, kPanelHeight, panel.Scale());
    cairo_t* cr = canvas->Cr();
    Blit(cr, panel, 0, 0, kPanelWidth, kPanelHeight, 0, 0, kPanelWidth, kPanelHeight);

    // A typical curve, with both ends of the travel and the centre among the positions.
    constexpr std::array<double, kBandCount> positions = {1.0, 0.8, 0.62, 0.5, 0.4, 0.7, 0.5, 0.3, 0.12, 0.0};
    for (int band = 0; band < kBandCount; ++band)
    {
        const int frame = static_cast<int>((kFaderFrames - 1) * positions[band]);
        const FrameOrigin origin = FrameAt(frame, kFaderColumns, kFaderFrameWidth, kFaderFrameHeight);
        Blit(cr, fader, origin.x, origin.y, kFaderFrameWidth, kFaderFrameHeight, kFaderX[band], kFaderY,
             kFaderFrameWidth, kFaderFrameHeight);
    }
    Blit(cr, button, 0, kButton.height, kButton.width, kButton.height, kButton.x, kButton.y, kButton.width,
         kButton.height);
    Blit(cr, lamp, 0, kLamp.height, kLamp.width, kLamp.height, kLamp.x, kLamp.y, kLamp.width, kLamp.height);

    // The hint over the 1 kHz fader, as the panel draws it: frame stretched to the text plus 5 units.
    TextStyle text;
    text.size = 11.0;
    const char* value = "1 kHz: +4.8 dB";
    const double width = TextWidth(cr, value, text) + 10.0;
    const Box box = {kFaderX[5] + 20, 60, static_cast<int>(width + 0.5), 22};
    NineSlice(cr, hint, kHintMargin, box.x, box.y, box.width, box.height);
    DrawTextInBox(cr, value, box, Align::Centre, text);
    return canvas;
}
} // namespace KVX::Skin
