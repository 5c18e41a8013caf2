// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/font.h"
#include "platform/linux/cairo_bitmap.h"
#include "platform/linux/font_library.h"
#include "platform/text.h"

#include <cmath>
#include <cstring>

namespace KVX::Platform
{
namespace
{
using namespace Linux;

struct LineMetrics
{
    double advance;    // pen travel of the whole text
    double ascent;     // baseline below the top of the line
    double lineHeight; // the font's line spacing
    double padding;    // room left and right of the text in its layout box
};

LineMetrics Measure(cairo_scaled_font_t* font, const std::string& utf8)
{
    cairo_text_extents_t text;
    cairo_scaled_font_text_extents(font, utf8.c_str(), &text);
    const VerticalMetrics line = LineMetricsOf(font);
    cairo_matrix_t matrix;
    cairo_scaled_font_get_font_matrix(font, &matrix);
    // A sixth of the em on either side, as Windows' own measuring allows for overhanging glyphs; labels
    // and hints are sized with it, so their text keeps the same margins on both systems.
    return {text.x_advance, line.ascent, line.lineSpacing, matrix.yy / 6.0};
}

double Place(TextAlign align, double start, double available, double needed)
{
    switch (align)
    {
    case TextAlign::Centre:
        return start + (available - needed) / 2.0;
    case TextAlign::Far:
        return start + available - needed;
    default:
        return start;
    }
}
} // namespace

TextBox MeasureText(std::u16string_view text, const Font& font)
{
    if (text.empty())
    {
        return {};
    }
    ScaledFontPtr scaled = CreateScaledFont(font, true);
    if (!scaled)
    {
        return {};
    }
    const LineMetrics m = Measure(scaled.get(), Utf16ToUtf8(text));
    if (cairo_scaled_font_status(scaled.get()) != CAIRO_STATUS_SUCCESS)
    {
        return {};
    }
    TextBox box;
    box.width = static_cast<float>(m.advance + 2.0 * m.padding);
    box.height = static_cast<float>(m.lineHeight);
    return box;
}

bool RenderText(Bitmap& target, std::u16string_view text, const Font& font, std::uint32_t argb,
                const TextBox& layout, TextAlign horizontal, TextAlign vertical, bool antialias)
{
    if (target.Empty() || target.stride != target.width * 4 || !std::isfinite(layout.left) ||
        !std::isfinite(layout.top) || !std::isfinite(layout.width) || !std::isfinite(layout.height))
    {
        return false;
    }
    // Without a font cairo would "draw" nothing and call it success; say so instead.
    ScaledFontPtr scaled = CreateScaledFont(font, antialias);
    if (!scaled)
    {
        return false;
    }
    if (text.empty() || layout.width <= 0.0f || layout.height <= 0.0f)
    {
        return true;
    }
    SurfacePtr surface = CreatePremultipliedSurface(target);
    if (!surface)
    {
        return false;
    }
    unsigned char* data = cairo_image_surface_get_data(surface.get());
    const int stride = cairo_image_surface_get_stride(surface.get());
    const std::vector<unsigned char> before(data, data + static_cast<std::size_t>(stride) * target.height);

    const std::string utf8 = Utf16ToUtf8(text);
    const LineMetrics m = Measure(scaled.get(), utf8);
    const double boxLeft = Place(horizontal, layout.left, layout.width, m.advance + 2.0 * m.padding);
    const double boxTop = Place(vertical, layout.top, layout.height, m.lineHeight);
    {
        ContextPtr cr(cairo_create(surface.get()));
        cairo_rectangle(cr.get(), layout.left, layout.top, layout.width, layout.height);
        cairo_clip(cr.get());
        cairo_set_scaled_font(cr.get(), scaled.get());
        cairo_set_source_rgba(cr.get(), ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                              (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
        cairo_move_to(cr.get(), std::floor(boxLeft + m.padding + 0.5), std::floor(boxTop + m.ascent + 0.5));
        cairo_show_text(cr.get(), utf8.c_str());
        if (cairo_status(cr.get()) != CAIRO_STATUS_SUCCESS)
        {
            return false;
        }
    }
    cairo_surface_flush(surface.get());

    // Only pixels the text touched go back: untouched translucent pixels keep their exact colour instead
    // of a premultiplied round trip.
    for (int y = 0; y < target.height; ++y)
    {
        const std::size_t row = static_cast<std::size_t>(y) * stride;
        for (int x = 0; x < target.width; ++x)
        {
            const std::size_t at = row + 4 * static_cast<std::size_t>(x);
            if (std::memcmp(data + at, before.data() + at, 4) != 0)
            {
                std::uint32_t word;
                std::memcpy(&word, data + at, 4);
                target.SetPixel(x, y, UnpremultiplyArgb(word));
            }
        }
    }
    return true;
}

std::u16string ResolvedFontFamily(const Font& font)
{
    return Utf8ToUtf16(ResolveFont(font).family);
}
} // namespace KVX::Platform
