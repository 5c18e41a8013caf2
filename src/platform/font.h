// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Measuring and drawing one line of text into a bitmap. Sizes are in points at 96 dots per inch
// (pixels = points × 96 / 72). Safe to call from several threads (each call builds its own drawing
// context; the shared font lookup is locked); never from the audio thread.
#include "platform/image.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace KVX::Platform
{
struct Font
{
    std::u16string family; // e.g. u"Tahoma"; a family the machine lacks falls back to its sans-serif
    float sizePoints = 10.0f;
    bool bold = false;
    bool italic = false;
};

struct TextBox
{
    float left = 0.0f;
    float top = 0.0f;
    float width = 0.0f;
    float height = 0.0f;

    bool Empty() const { return width <= 0.0f || height <= 0.0f; }
};

enum class TextAlign : int
{
    Near = 0,
    Centre = 1,
    Far = 2
};

// The layout box of `text` as one line (no wrapping, no limits): the advance of the text plus a sixth of
// the em on either side (room for overhanging glyphs), and the font's line height. Left and top are 0.
// An empty text, a size ≤ 0 or a machine without fonts gives an empty box.
TextBox MeasureText(std::u16string_view text, const Font& font);

// Draws `text` in `argb` (straight alpha) over the bitmap, aligned inside `layout` as MeasureText's box
// would be and clipped to it; one line, no wrapping, no trimming. False when nothing could be drawn for
// a reason other than an empty text: no usable font, an empty bitmap, a drawing failure.
bool RenderText(Bitmap& target, std::u16string_view text, const Font& font, std::uint32_t argb,
                const TextBox& layout, TextAlign horizontal, TextAlign vertical, bool antialias);

// The family that `font` actually resolves to (e.g. u"DejaVu Sans" for u"Tahoma" on a machine without
// Tahoma); empty when the machine has no usable font.
std::u16string ResolvedFontFamily(const Font& font);
} // namespace KVX::Platform
