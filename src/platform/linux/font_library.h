// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Linux only: finding fonts with fontconfig and turning them into cairo font faces. A process-wide cache
// behind a lock holds one face per (family, bold, italic).
#include "platform/font.h"
#include "platform/linux/cairo_bitmap.h"

#include <memory>
#include <string>
#include <vector>

namespace KVX::Platform::Linux
{
// Where fonts are looked up. The machine's own fonts, plus folders that fontconfig does not search by
// itself: the Windows-metric fonts that fonts-wine installs, so that "Tahoma" is the real thing.
struct FontSources
{
    bool systemFonts = true;
    std::vector<std::string> extraFolders{"/usr/share/wine/fonts"};
};

// Tests only: switch to other sources (no sources at all = a machine without fonts) and forget every
// face found so far.
void SetFontSourcesForTesting(const FontSources& sources);

struct ResolvedFont
{
    FontFacePtr face;             // null when no usable font exists
    std::string family;           // UTF-8 family name of the face found
    bool syntheticItalic = false; // the face is upright but italic was asked for: slant it ourselves
};

// A face of its own reference for the font's family and style.
ResolvedFont ResolveFont(const Font& font);

struct ScaledFontDeleter
{
    void operator()(cairo_scaled_font_t* f) const { cairo_scaled_font_destroy(f); }
};
using ScaledFontPtr = std::unique_ptr<cairo_scaled_font_t, ScaledFontDeleter>;

// A scaled font for `font` at 96 dpi, grey anti-aliased or one bit per pixel, with metrics fitted to the
// pixel grid so that measuring and drawing agree. Null when there is no usable font or the size is not a
// positive number.
ScaledFontPtr CreateScaledFont(const Font& font, bool antialias);

// Vertical metrics in pixels as Windows computes them for a line of text: ascent and descent from the
// font's Windows metrics (usWinAscent, usWinDescent), line spacing from those plus whatever part of the
// horizontal header's line gap they do not already cover. FreeType would report the typographic metrics
// instead for fonts that ask for them, which makes lines of Tahoma about a fifth shorter than on Windows.
struct VerticalMetrics
{
    double ascent = 0.0;
    double descent = 0.0;
    double lineSpacing = 0.0;
};
VerticalMetrics LineMetricsOf(cairo_scaled_font_t* font);
} // namespace KVX::Platform::Linux
