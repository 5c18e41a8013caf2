// SPDX-License-Identifier: GPL-3.0-or-later
#include "text.h"

#include <cairo-ft.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>

namespace KVX::Skin
{
namespace
{
constexpr const char* kFamily = "DejaVu Sans";

using FaceKey = std::tuple<bool, bool, bool>; // bold, condensed, oblique

std::map<FaceKey, cairo_font_face_t*>& Faces()
{
    static std::map<FaceKey, cairo_font_face_t*> faces;
    return faces;
}

bool HasFamily(FcPattern* pattern, const char* family)
{
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(pattern, FC_FAMILY, i, &name) == FcResultMatch; ++i)
    {
        if (std::strcmp(reinterpret_cast<const char*>(name), family) == 0)
        {
            return true;
        }
    }
    return false;
}

// Fontconfig falls back to any font it has, and cairo draws nothing at all when there is none, so the
// match is checked and a missing family stops the generator instead of producing blank legends.
cairo_font_face_t* LoadFace(const FaceKey& key)
{
    const auto [bold, condensed, oblique] = key;
    FcPattern* request = FcPatternCreate();
    FcPatternAddString(request, FC_FAMILY, reinterpret_cast<const FcChar8*>(kFamily));
    FcPatternAddInteger(request, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(request, FC_WIDTH, condensed ? FC_WIDTH_CONDENSED : FC_WIDTH_NORMAL);
    FcPatternAddInteger(request, FC_SLANT, oblique ? FC_SLANT_OBLIQUE : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, request, FcMatchPattern);
    FcDefaultSubstitute(request);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, request, &result);
    FcPatternDestroy(request);

    FcChar8* file = nullptr;
    int index = 0;
    if (match == nullptr || !HasFamily(match, kFamily) ||
        FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch)
    {
        if (match != nullptr)
        {
            FcPatternDestroy(match);
        }
        throw std::runtime_error(std::string("font family \"") + kFamily +
                                 "\" is not installed (Debian package fonts-dejavu-core)");
    }
    FcPatternGetInteger(match, FC_INDEX, 0, &index);

    // Only the file goes on: rendering settings come from here, not from the machine's font
    // configuration, so the legends rasterise the same everywhere.
    FcPattern* exact = FcPatternCreate();
    FcPatternAddString(exact, FC_FILE, file);
    FcPatternAddInteger(exact, FC_INDEX, index);
    FcPatternAddBool(exact, FC_ANTIALIAS, FcTrue);
    FcPatternAddBool(exact, FC_HINTING, FcFalse);
    FcPatternAddBool(exact, FC_AUTOHINT, FcFalse);
    FcPatternAddBool(exact, FC_EMBEDDED_BITMAP, FcFalse);
    FcPatternDestroy(match);
    cairo_font_face_t* face = cairo_ft_font_face_create_for_pattern(exact);
    FcPatternDestroy(exact);
    if (cairo_font_face_status(face) != CAIRO_STATUS_SUCCESS)
    {
        cairo_font_face_destroy(face);
        throw std::runtime_error("cannot open the font file of \"" + std::string(kFamily) + "\"");
    }
    return face;
}

void UseFont(cairo_t* cr, const TextStyle& style)
{
    const FaceKey key{style.bold, style.condensed, style.oblique};
    auto& faces = Faces();
    auto found = faces.find(key);
    if (found == faces.end())
    {
        found = faces.emplace(key, LoadFace(key)).first;
    }
    cairo_set_font_face(cr, found->second);
    cairo_set_font_size(cr, style.size);

    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

// Length in bytes of the UTF-8 sequence that starts with this byte.
std::size_t SequenceLength(unsigned char lead)
{
    if (lead >= 0xF0)
    {
        return 4;
    }
    if (lead >= 0xE0)
    {
        return 3;
    }
    if (lead >= 0xC0)
    {
        return 2;
    }
    return 1;
}

template <typename Each> void ForEachCharacter(std::string_view text, Each each)
{
    for (std::size_t i = 0; i < text.size();)
    {
        const std::size_t n = std::min(SequenceLength(static_cast<unsigned char>(text[i])), text.size() - i);
        each(std::string(text.substr(i, n)), i + n == text.size());
        i += n;
    }
}

double Advance(cairo_t* cr, const std::string& piece)
{
    cairo_text_extents_t extents;
    cairo_text_extents(cr, piece.c_str(), &extents);
    return extents.x_advance;
}

void ShowRun(cairo_t* cr, std::string_view text, double x, double y, const TextStyle& style)
{
    if (style.tracking == 0.0)
    {
        cairo_move_to(cr, x, y);
        cairo_show_text(cr, std::string(text).c_str());
        return;
    }
    ForEachCharacter(text,
                     [&](const std::string& piece, bool)
                     {
                         cairo_move_to(cr, x, y);
                         cairo_show_text(cr, piece.c_str());
                         x += Advance(cr, piece) + style.tracking;
                     });
}
} // namespace

double TextWidth(cairo_t* cr, std::string_view text, const TextStyle& style)
{
    cairo_save(cr);
    UseFont(cr, style);
    double width = 0.0;
    if (style.tracking == 0.0)
    {
        width = Advance(cr, std::string(text));
    }
    else
    {
        ForEachCharacter(text, [&](const std::string& piece, bool last)
                         { width += Advance(cr, piece) + (last ? 0.0 : style.tracking); });
    }
    cairo_restore(cr);
    return width;
}

void DrawText(cairo_t* cr, std::string_view text, double x, double y, const TextStyle& style)
{
    cairo_save(cr);
    UseFont(cr, style);
    if (style.shadow.a > 0.0)
    {
        SetColour(cr, style.shadow);
        ShowRun(cr, text, x, y + 1.0, style);
    }
    SetColour(cr, style.colour);
    ShowRun(cr, text, x, y, style);
    cairo_restore(cr);
}

void DrawTextInBox(cairo_t* cr, std::string_view text, const Box& box, Align align, const TextStyle& style)
{
    const double width = TextWidth(cr, text, style);
    double x = box.x;
    if (align == Align::Centre)
    {
        x = box.x + (box.width - width) / 2.0;
    }
    else if (align == Align::Right)
    {
        x = box.x + box.width - width;
    }

    cairo_save(cr);
    UseFont(cr, style);
    cairo_text_extents_t capital;
    cairo_text_extents(cr, "H", &capital);
    cairo_restore(cr);
    // Whole-pixel baselines keep every legend of a row rasterised alike.
    const double baseline = std::round(box.y + (box.height - capital.y_bearing) / 2.0);
    DrawText(cr, text, x, baseline, style);
}

void ReleaseFonts()
{
    for (auto& [key, face] : Faces())
    {
        cairo_font_face_destroy(face);
    }
    Faces().clear();
}
} // namespace KVX::Skin
