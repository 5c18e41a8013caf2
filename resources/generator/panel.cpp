// SPDX-License-Identifier: GPL-3.0-or-later
// The background: a brushed, dark anodised front plate with a recessed fader bay, the fader slots, the
// dB scales, the printed legends and the seats of the IN button and the lamp.
#include "layout.h"
#include "sheets.h"
#include "text.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace KVX::Skin
{
namespace
{
constexpr Colour kPlateTop = Rgb(0x3b3e43);
constexpr Colour kPlateBottom = Rgb(0x292b2f);
constexpr Colour kBayShadeTop = Rgb(0x17181b);
constexpr Colour kBayShadeBottom = Rgb(0x202226);
constexpr Colour kInk = Rgb(0xdde0e4);
constexpr Colour kInkDim = Rgb(0x9ba1a8);
constexpr Colour kAccent = Rgb(0xf0a03c);
constexpr Colour kShadowInk = Rgb(0x000000, 0.55);

// The recess that holds the ten faders and their scales.
constexpr double kBayLeft = 104.5;
constexpr double kBayTop = 22.5;
constexpr double kBayRight = 792.5;
constexpr double kBayBottom = 251.5;
constexpr double kBayRadius = 5.0;

double SlotCentreX(int band)
{
    return kFaderX[band] + kCapCentreX;
}

// Snaps a line to the middle of a unit row so that 1-unit strokes cover whole pixels at every scale.
double PixelRow(double y)
{
    return std::floor(y) + 0.5;
}

// Brushed metal: fine random shading from row to row plus long streaks along each row. The grain is
// drawn per device pixel; on a finer canvas the streaks keep their length in units and the amplitudes
// grow so that each unit of the plate varies as much as one pixel of the 1x sheet does.
void BrushGrain(CCanvas& canvas, const Box& region, double levels, std::uint64_t seed)
{
    cairo_surface_t* surface = canvas.Surface();
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    CRandom random(seed);

    const int scale = canvas.Scale();
    const int width = region.width * scale;
    constexpr int kReach = 14;
    const int reach = kReach * scale;
    const double rowGain = std::sqrt(static_cast<double>(scale));
    const double streakGain = std::sqrt(static_cast<double>(2 * reach + 1) / (2 * kReach + 1)) * rowGain;
    const double fineGain = scale;
    std::vector<double> raw(width);
    std::vector<double> smooth(width);
    for (int y = region.y * scale; y < (region.y + region.height) * scale; ++y)
    {
        const double rowShade = random.Symmetric();
        for (double& v : raw)
        {
            v = random.Symmetric();
        }
        // Two running means make the streaks soft-edged.
        for (int pass = 0; pass < 2; ++pass)
        {
            double sum = 0.0;
            for (int x = -reach; x < width + reach; ++x)
            {
                sum += raw[std::clamp(x + reach, 0, width - 1)];
                sum -= raw[std::clamp(x - reach - 1, 0, width - 1)];
                if (x >= 0 && x < width)
                {
                    smooth[x] = sum / (2 * reach + 1);
                }
            }
            raw.swap(smooth);
        }
        unsigned char* row = data + static_cast<std::ptrdiff_t>(y) * stride;
        for (int x = 0; x < width; ++x)
        {
            const double delta = levels * (0.55 * rowGain * rowShade + 3.2 * streakGain * raw[x] +
                                           0.18 * fineGain * random.Symmetric());
            unsigned char* pixel = row + 4 * (region.x * scale + x);
            for (int channel = 0; channel < 3; ++channel)
            {
                const double v = std::round(pixel[channel] + delta);
                pixel[channel] =
                    static_cast<unsigned char>(std::clamp(v, 0.0, static_cast<double>(pixel[3])));
            }
        }
    }
    cairo_surface_mark_dirty(surface);
}

void PaintPlate(CCanvas& canvas)
{
    cairo_t* cr = canvas.Cr();
    cairo_rectangle(cr, 0, 0, kPanelWidth, kPanelHeight);
    SetLinearGradient(cr, 0, 0, 0, kPanelHeight, {{0.0, kPlateTop}, {1.0, kPlateBottom}});
    cairo_fill(cr);
    // A broad, faint sheen across the plate, as under a studio light.
    cairo_rectangle(cr, 0, 0, kPanelWidth, kPanelHeight);
    SetLinearGradient(cr, 0, 0, kPanelWidth, kPanelHeight * 0.6,
                      {{0.0, Rgb(0xffffff, 0.0)}, {0.35, Rgb(0xffffff, 0.035)}, {0.7, Rgb(0xffffff, 0.0)}});
    cairo_fill(cr);
    BrushGrain(canvas, {0, 0, kPanelWidth, kPanelHeight}, 1.6, 0x7056696bu);

    // Edges: dark outline, lit top and left, shaded bottom and right.
    cairo_set_line_width(cr, 1.0);
    cairo_rectangle(cr, 0.5, 0.5, kPanelWidth - 1, kPanelHeight - 1);
    SetColour(cr, Rgb(0x08090a));
    cairo_stroke(cr);
    cairo_move_to(cr, 1, 1.5);
    cairo_line_to(cr, kPanelWidth - 1, 1.5);
    cairo_move_to(cr, 1.5, 1);
    cairo_line_to(cr, 1.5, kPanelHeight - 1);
    SetColour(cr, Rgb(0xffffff, 0.16));
    cairo_stroke(cr);
    cairo_move_to(cr, 2, kPanelHeight - 1.5);
    cairo_line_to(cr, kPanelWidth - 1, kPanelHeight - 1.5);
    cairo_move_to(cr, kPanelWidth - 1.5, 2);
    cairo_line_to(cr, kPanelWidth - 1.5, kPanelHeight - 1);
    SetColour(cr, Rgb(0x000000, 0.35));
    cairo_stroke(cr);
}

void BayPath(cairo_t* cr)
{
    RoundedRect(cr, kBayLeft, kBayTop, kBayRight - kBayLeft, kBayBottom - kBayTop, kBayRadius);
}

void PaintBay(CCanvas& canvas)
{
    cairo_t* cr = canvas.Cr();
    // The plate's lower lip catches the light below the recess.
    RoundedRect(cr, kBayLeft - 0.5, kBayTop - 0.5, kBayRight - kBayLeft + 1.0, kBayBottom - kBayTop + 1.5,
                kBayRadius + 0.5);
    SetColour(cr, Rgb(0xffffff, 0.10));
    cairo_fill(cr);

    BayPath(cr);
    SetLinearGradient(cr, 0, kBayTop, 0, kBayBottom, {{0.0, kBayShadeTop}, {1.0, kBayShadeBottom}});
    cairo_fill(cr);
    BrushGrain(canvas, {105, 23, 687, 228}, 0.6, 0x42617942u);

    // Inner shadow thrown by the upper edge.
    cairo_save(cr);
    BayPath(cr);
    cairo_clip(cr);
    for (int i = 1; i <= 5; ++i)
    {
        RoundedRect(cr, kBayLeft - 4.0, kBayTop - 4.0 + 0.8 * i, kBayRight - kBayLeft + 8.0,
                    kBayBottom - kBayTop + 8.0, kBayRadius + 4.0);
        cairo_set_line_width(cr, 8.0 + 1.2 * i);
        SetColour(cr, Rgb(0x000000, 0.09));
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    cairo_set_line_width(cr, 1.0);
    BayPath(cr);
    SetColour(cr, Rgb(0x000000, 0.8));
    cairo_stroke(cr);
}

void PaintSlots(cairo_t* cr)
{
    for (int band = 0; band < kBandCount; ++band)
    {
        const double x = SlotCentreX(band) - kSlotWidth / 2.0;
        const double top = kFaderY + kSlotTop;
        const double height = kSlotBottom - kSlotTop;
        // A faint plate behind the slot: the fader's own escutcheon.
        RoundedRect(cr, x - 4.5, top - 4.5, kSlotWidth + 9.0, height + 9.0, 4.0);
        SetLinearGradient(
            cr, x - 4.5, 0, x + kSlotWidth + 4.5, 0,
            {{0.0, Rgb(0xffffff, 0.02)}, {0.5, Rgb(0xffffff, 0.045)}, {1.0, Rgb(0xffffff, 0.02)}});
        cairo_fill_preserve(cr);
        cairo_set_line_width(cr, 1.0);
        SetColour(cr, Rgb(0x000000, 0.35));
        cairo_stroke(cr);
        // Light on the far lip of the slot.
        RoundedRect(cr, x - 0.5, top - 0.5, kSlotWidth + 1.5, height + 1.5, 2.5);
        SetColour(cr, Rgb(0xffffff, 0.13));
        cairo_fill(cr);
        // The slot itself, darkest at its upper wall.
        RoundedRect(cr, x - 0.5, top - 0.5, kSlotWidth + 1.0, height + 1.0, 2.5);
        SetLinearGradient(cr, x, 0, x + kSlotWidth, 0, {{0.0, Rgb(0x000000)}, {1.0, Rgb(0x101114)}});
        cairo_fill(cr);
    }
}

void Tick(cairo_t* cr, double x0, double x1, double y)
{
    cairo_move_to(cr, x0, PixelRow(y));
    cairo_line_to(cr, x1, PixelRow(y));
}

void PaintScales(cairo_t* cr)
{
    cairo_save(cr);
    cairo_set_line_width(cr, 1.0);
    for (int row = 0; row < kScaleRows; ++row)
    {
        const double y = ScaleRowY(row);
        const bool major = row % 2 == 0;
        const bool centre = row == kScaleRows / 2;
        // Beside the first and the last fader.
        const double left = kFaderX.front() - (major ? 9.0 : 5.0);
        Tick(cr, left, kFaderX.front() - 1.0, y);
        const double right = kFaderX.back() + kCapCentreX + kCapWidth / 2.0 + 2.0;
        Tick(cr, right, right + (major ? 8.0 : 4.0), y);
        // Between neighbouring columns.
        for (int band = 0; band + 1 < kBandCount; ++band)
        {
            const double mid = std::round((SlotCentreX(band) + SlotCentreX(band + 1)) / 2.0);
            const double half = centre ? 7.0 : (major ? 5.0 : 2.5);
            Tick(cr, mid - half, mid + half, y);
        }
        SetColour(cr, centre ? WithAlpha(kInk, 0.85) : WithAlpha(kInkDim, major ? 0.8 : 0.55));
        cairo_stroke(cr);
    }
    cairo_restore(cr);
}

TextStyle StyleOf(LabelStyle style)
{
    TextStyle text;
    text.shadow = kShadowInk;
    switch (style)
    {
    case LabelStyle::Brand:
        text.size = 17.0;
        text.bold = true;
        text.condensed = true;
        text.colour = kInk;
        break;
    case LabelStyle::Subtitle:
        text.size = 6.4;
        text.bold = true;
        text.tracking = 0.55;
        text.colour = kInkDim;
        break;
    case LabelStyle::Vendor:
        text.size = 13.0;
        text.bold = true;
        text.oblique = true;
        text.colour = kInk;
        break;
    case LabelStyle::Band:
        text.size = 9.0;
        text.bold = true;
        text.condensed = true;
        text.colour = kInk;
        break;
    case LabelStyle::Scale:
    case LabelStyle::ScaleLeft:
        text.size = 8.0;
        text.condensed = true;
        text.colour = kInkDim;
        break;
    case LabelStyle::Unit:
        text.size = 7.5;
        text.bold = true;
        text.condensed = true;
        text.colour = kInkDim;
        break;
    case LabelStyle::Caption:
        text.size = 8.5;
        text.bold = true;
        text.tracking = 1.2;
        text.colour = kInk;
        break;
    }
    return text;
}

Align AlignOf(const Label& label)
{
    switch (label.style)
    {
    case LabelStyle::Scale:
        return Align::Right;
    case LabelStyle::ScaleLeft:
        return Align::Left;
    case LabelStyle::Unit:
        return label.box.x < kPanelWidth / 2 ? Align::Right : Align::Left;
    case LabelStyle::Brand:
    case LabelStyle::Subtitle:
    case LabelStyle::Vendor:
        return Align::Left;
    default:
        return Align::Centre;
    }
}

void PaintLegends(cairo_t* cr)
{
    for (const Label& label : PanelLabels())
    {
        DrawTextInBox(cr, label.text, label.box, AlignOf(label), StyleOf(label.style));
    }
    // The accent rule under the product name, as wide as the name's box.
    const Box brand = PanelLabels().front().box;
    cairo_rectangle(cr, brand.x, brand.y + brand.height - 1, brand.width, 1.5);
    SetColour(cr, kAccent);
    cairo_fill(cr);
}

// Round, shallow seats machined into the plate under the lamp and the button.
void Seat(cairo_t* cr, double cx, double cy, double radius)
{
    cairo_arc(cr, cx, cy, radius + 1.0, 0, 2 * std::numbers::pi);
    SetLinearGradient(cr, 0, cy - radius, 0, cy + radius,
                      {{0.0, Rgb(0x000000, 0.55)}, {0.5, Rgb(0x000000, 0.2)}, {1.0, Rgb(0xffffff, 0.14)}});
    cairo_fill(cr);
    cairo_arc(cr, cx, cy, radius, 0, 2 * std::numbers::pi);
    SetLinearGradient(cr, 0, cy - radius, 0, cy + radius, {{0.0, Rgb(0x1b1c1f)}, {1.0, Rgb(0x2a2c30)}});
    cairo_fill(cr);
}

void PaintSeats(cairo_t* cr)
{
    Seat(cr, kLamp.x + kLamp.width / 2.0, kLamp.y + kLamp.height / 2.0, 20.0);
    Seat(cr, kButton.x + kButton.width / 2.0, kButton.y + kButton.height / 2.0, 28.0);
}

// Ventilation slots pressed into the plate under the product name.
void PaintVents(cairo_t* cr)
{
    constexpr int kSlots = 9;
    constexpr double kLeft = 16.0;
    constexpr double kWidth = 80.0;
    constexpr double kHeight = 3.0;
    constexpr double kPitch = 10.0;
    constexpr double kTop = 98.0;
    for (int i = 0; i < kSlots; ++i)
    {
        const double y = kTop + i * kPitch;
        RoundedRect(cr, kLeft - 0.5, y - 0.5, kWidth + 1.0, kHeight + 1.8, 2.0);
        SetColour(cr, Rgb(0xffffff, 0.09));
        cairo_fill(cr);
        RoundedRect(cr, kLeft - 0.5, y - 0.5, kWidth + 1.0, kHeight + 1.0, 2.0);
        SetLinearGradient(cr, 0, y, 0, y + kHeight, {{0.0, Rgb(0x000000)}, {1.0, Rgb(0x141518)}});
        cairo_fill(cr);
    }
}

void PaintScrews(cairo_t* cr)
{
    Screw(cr, 11.0, 11.0, 4.5, 0.35);
    Screw(cr, 11.0, kPanelHeight - 11.0, 4.5, 1.1);
    Screw(cr, kPanelWidth - 11.0, 11.0, 4.5, 0.8);
    Screw(cr, kPanelWidth - 11.0, kPanelHeight - 11.0, 4.5, 0.15);
}
} // namespace

std::unique_ptr<CCanvas> DrawPanel(int scale)
{
    auto canvas = std::make_unique<CCanvas>(kPanelWidth, kPanelHeight, scale);
    cairo_t* cr = canvas->Cr();
    PaintPlate(*canvas);
    PaintBay(*canvas);
    PaintSlots(cr);
    PaintScales(cr);
    PaintSeats(cr);
    PaintVents(cr);
    PaintLegends(cr);
    PaintScrews(cr);
    return canvas;
}
} // namespace KVX::Skin
