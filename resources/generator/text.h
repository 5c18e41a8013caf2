// SPDX-License-Identifier: GPL-3.0-or-later
// Printed legends: DejaVu Sans found through fontconfig and drawn with cairo.
#pragma once

#include "drawing.h"
#include "layout.h"

#include <string_view>

namespace KVX::Skin
{
enum class Align
{
    Left,
    Centre,
    Right,
};

struct TextStyle
{
    double size = 10.0; // pixels
    bool bold = false;
    bool condensed = false;
    bool oblique = false;
    double tracking = 0.0; // extra pixels after every character but the last
    Colour colour = Rgb(0xffffff);
    Colour shadow = Rgb(0x000000, 0.0); // drawn one pixel lower first when not transparent
};

// Advance width of the text in the style.
double TextWidth(cairo_t* cr, std::string_view text, const TextStyle& style);

// Draws the text with its baseline at y, starting at x.
void DrawText(cairo_t* cr, std::string_view text, double x, double y, const TextStyle& style);

// Draws the text aligned horizontally in the box and with its capitals centred vertically.
void DrawTextInBox(cairo_t* cr, std::string_view text, const Box& box, Align align, const TextStyle& style);

// Fonts are looked up once and kept; this lets them go before the program ends.
void ReleaseFonts();
} // namespace KVX::Skin
