// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/font_library.h"
#include "platform/text.h"

#include <algorithm>
#include <cairo-ft.h>
#include <cctype>
#include <cmath>
#include <filesystem>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include <map>
#include <mutex>
#include <tuple>

namespace KVX::Platform::Linux
{
namespace
{
// Windows draws a missing italic as the upright face sheared by about this much.
constexpr double kSyntheticSlant = 0.2;
// Beyond this, glyph images would be absurdly large; no panel asks for it.
constexpr double kMaxPixelSize = 2048.0;

// Adds the outline fonts of a folder file by file. Adding the folder as a whole would make fontconfig
// try to write a cache for it and complain on standard error where it may not. A missing folder adds
// nothing.
void AddFolder(FcConfig* config, const std::string& folder)
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
    {
        std::string extension = it->path().extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (extension == ".ttf" || extension == ".otf" || extension == ".ttc")
        {
            FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(it->path().c_str()));
        }
    }
}

struct Key
{
    std::string family;
    bool bold;
    bool italic;

    bool operator<(const Key& other) const
    {
        return std::tie(family, bold, italic) < std::tie(other.family, other.bold, other.italic);
    }
};

struct Entry
{
    cairo_font_face_t* face = nullptr; // one reference held by the cache; null = no font
    std::string family;
    bool syntheticItalic = false;
};

// One per process. Fontconfig's lookup uses a private configuration, so the host's own fontconfig state
// is never changed by the folders we add.
class Library
{
public:
    ~Library() { Clear(); }

    void SetSources(const FontSources& sources)
    {
        std::lock_guard lock(m_Mutex);
        Clear();
        m_Sources = sources;
    }

    ResolvedFont Resolve(const Font& font)
    {
        std::lock_guard lock(m_Mutex);
        Key key{Utf16ToUtf8(font.family), font.bold, font.italic};
        auto it = m_Entries.find(key);
        if (it == m_Entries.end())
        {
            it = m_Entries.emplace(key, Find(key)).first;
        }
        ResolvedFont result;
        if (it->second.face != nullptr)
        {
            result.face.reset(cairo_font_face_reference(it->second.face));
            result.family = it->second.family;
            result.syntheticItalic = it->second.syntheticItalic;
        }
        return result;
    }

private:
    void Clear()
    {
        for (auto& [key, entry] : m_Entries)
        {
            if (entry.face != nullptr)
            {
                cairo_font_face_destroy(entry.face);
            }
        }
        m_Entries.clear();
        if (m_Config != nullptr)
        {
            FcConfigDestroy(m_Config);
            m_Config = nullptr;
        }
        m_ConfigTried = false;
    }

    FcConfig* Config()
    {
        if (!m_ConfigTried)
        {
            m_ConfigTried = true;
            m_Config = m_Sources.systemFonts ? FcInitLoadConfigAndFonts() : FcConfigCreate();
            if (m_Config != nullptr)
            {
                for (const auto& folder : m_Sources.extraFolders)
                {
                    AddFolder(m_Config, folder);
                }
            }
        }
        return m_Config;
    }

    Entry Find(const Key& key)
    {
        Entry entry;
        FcConfig* config = Config();
        if (config == nullptr)
        {
            return entry;
        }
        FcPattern* wanted = FcPatternCreate();
        if (wanted == nullptr)
        {
            return entry;
        }
        if (!key.family.empty())
        {
            FcPatternAddString(wanted, FC_FAMILY, reinterpret_cast<const FcChar8*>(key.family.c_str()));
        }
        FcPatternAddInteger(wanted, FC_WEIGHT, key.bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(wanted, FC_SLANT, key.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(wanted, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(config, wanted, FcMatchPattern);
        FcDefaultSubstitute(wanted);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(config, wanted, &result);
        FcPatternDestroy(wanted);
        if (match == nullptr)
        {
            return entry;
        }

        FcChar8* file = nullptr;
        int index = 0;
        if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr && file[0] != 0)
        {
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            int weight = FC_WEIGHT_REGULAR;
            int slant = FC_SLANT_ROMAN;
            FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(match, FC_SLANT, 0, &slant);
            // The machine's configuration may already have marked an upright face for synthetic slant or
            // emboldening (calling it oblique or bold): we do both ourselves, so read what it decided.
            FcMatrix* matrix = nullptr;
            const bool configSlanted = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch &&
                                       matrix != nullptr && matrix->xy != 0.0;
            FcBool embolden = FcFalse;
            FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
            FcChar8* family = nullptr;
            if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch && family != nullptr)
            {
                entry.family = reinterpret_cast<const char*>(family);
            }

            // Only the file and the style synthesis go to cairo: how glyphs are rendered is decided per
            // call, not by whatever rendering preferences the machine's configuration holds.
            FcPattern* face = FcPatternCreate();
            if (face != nullptr)
            {
                FcPatternAddString(face, FC_FILE, file);
                FcPatternAddInteger(face, FC_INDEX, index);
                if (key.bold && (weight < FC_WEIGHT_DEMIBOLD || embolden))
                {
                    FcPatternAddBool(face, FC_EMBOLDEN, FcTrue);
                }
                cairo_font_face_t* cairoFace = cairo_ft_font_face_create_for_pattern(face);
                FcPatternDestroy(face);
                if (cairo_font_face_status(cairoFace) == CAIRO_STATUS_SUCCESS)
                {
                    entry.face = cairoFace;
                    entry.syntheticItalic = key.italic && (slant == FC_SLANT_ROMAN || configSlanted);
                }
                else
                {
                    cairo_font_face_destroy(cairoFace);
                }
            }
        }
        FcPatternDestroy(match);
        if (entry.face == nullptr)
        {
            entry.family.clear();
        }
        return entry;
    }

    std::mutex m_Mutex;
    FontSources m_Sources;
    FcConfig* m_Config = nullptr;
    bool m_ConfigTried = false;
    std::map<Key, Entry> m_Entries;
};

Library& TheLibrary()
{
    static Library library;
    return library;
}
} // namespace

void SetFontSourcesForTesting(const FontSources& sources)
{
    TheLibrary().SetSources(sources);
}

ResolvedFont ResolveFont(const Font& font)
{
    return TheLibrary().Resolve(font);
}

ScaledFontPtr CreateScaledFont(const Font& font, bool antialias)
{
    const double pixels = static_cast<double>(font.sizePoints) * 96.0 / 72.0;
    if (!(pixels > 0.0) || !std::isfinite(pixels))
    {
        return nullptr;
    }
    ResolvedFont resolved = ResolveFont(font);
    if (!resolved.face)
    {
        return nullptr;
    }
    const double size = std::min(pixels, kMaxPixelSize);
    cairo_matrix_t fontMatrix;
    cairo_matrix_init_scale(&fontMatrix, size, size);
    if (resolved.syntheticItalic)
    {
        // y grows downwards: the top of a glyph (negative y) moves right.
        fontMatrix.xy = -kSyntheticSlant * size;
    }
    cairo_matrix_t identity;
    cairo_matrix_init_identity(&identity);

    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, antialias ? CAIRO_ANTIALIAS_GRAY : CAIRO_ANTIALIAS_NONE);
    cairo_font_options_set_hint_style(options, antialias ? CAIRO_HINT_STYLE_SLIGHT : CAIRO_HINT_STYLE_FULL);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    ScaledFontPtr scaled(cairo_scaled_font_create(resolved.face.get(), &fontMatrix, &identity, options));
    cairo_font_options_destroy(options);
    if (cairo_scaled_font_status(scaled.get()) != CAIRO_STATUS_SUCCESS)
    {
        return nullptr;
    }
    return scaled;
}

VerticalMetrics LineMetricsOf(cairo_scaled_font_t* font)
{
    VerticalMetrics metrics;
    if (font == nullptr || cairo_scaled_font_status(font) != CAIRO_STATUS_SUCCESS)
    {
        return metrics;
    }
    cairo_matrix_t matrix;
    cairo_scaled_font_get_font_matrix(font, &matrix);
    const double pixelsPerEm = matrix.yy;

    bool found = false;
    if (FT_Face face = cairo_ft_scaled_font_lock_face(font))
    {
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
        const double unitsPerEm = face->units_per_EM;
        if (unitsPerEm > 0.0)
        {
            double ascent = 0.0;
            double descent = 0.0;
            double gap = 0.0;
            if (os2 != nullptr && os2->version != 0xFFFF && (os2->usWinAscent != 0 || os2->usWinDescent != 0))
            {
                ascent = os2->usWinAscent;
                descent = os2->usWinDescent;
                if (hhea != nullptr)
                {
                    const double hheaHeight = static_cast<double>(hhea->Ascender) - hhea->Descender;
                    gap = std::max(0.0, hhea->Line_Gap - ((ascent + descent) - hheaHeight));
                }
            }
            else
            {
                ascent = face->ascender;
                descent = -static_cast<double>(face->descender);
                gap = std::max(0.0, static_cast<double>(face->height) - (ascent + descent));
            }
            if (ascent + descent > 0.0)
            {
                const double scale = pixelsPerEm / unitsPerEm;
                metrics.ascent = ascent * scale;
                metrics.descent = descent * scale;
                metrics.lineSpacing = (ascent + descent + gap) * scale;
                found = true;
            }
        }
        cairo_ft_scaled_font_unlock_face(font);
    }
    if (!found)
    {
        cairo_font_extents_t extents;
        cairo_scaled_font_extents(font, &extents);
        metrics.ascent = extents.ascent;
        metrics.descent = extents.descent;
        metrics.lineSpacing = extents.height;
    }
    return metrics;
}
} // namespace KVX::Platform::Linux
