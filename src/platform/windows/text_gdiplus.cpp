// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/font.h"
#include "platform/windows/gdiplus_session.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <string>

namespace KVX::Platform
{
namespace
{
using Windows::GdiplusSession;

const WCHAR* Wide(const std::u16string& text)
{
    return reinterpret_cast<const WCHAR*>(text.c_str());
}

// The font's family, or the system's sans-serif when the machine lacks it; null when neither exists.
std::unique_ptr<Gdiplus::FontFamily> FindFamily(const std::u16string& name)
{
    if (!name.empty())
    {
        auto family = std::make_unique<Gdiplus::FontFamily>(Wide(name));
        if (family->GetLastStatus() == Gdiplus::Ok && family->IsAvailable())
        {
            return family;
        }
    }
    const Gdiplus::FontFamily* fallback = Gdiplus::FontFamily::GenericSansSerif();
    if (fallback == nullptr || fallback->GetLastStatus() != Gdiplus::Ok || !fallback->IsAvailable())
    {
        return nullptr;
    }
    WCHAR fallbackName[LF_FACESIZE] = {};
    if (fallback->GetFamilyName(fallbackName) != Gdiplus::Ok)
    {
        return nullptr;
    }
    auto family = std::make_unique<Gdiplus::FontFamily>(fallbackName);
    return family->GetLastStatus() == Gdiplus::Ok ? std::move(family) : nullptr;
}

// Sizes are given in points at 96 dots per inch; the font is made in pixels so that the result does not
// depend on the resolution of the surface it is used on. A style the family lacks falls back to regular.
std::unique_ptr<Gdiplus::Font> MakeFont(const Gdiplus::FontFamily& family, const Font& font)
{
    if (!(font.sizePoints > 0.0f) || !std::isfinite(font.sizePoints))
    {
        return nullptr;
    }
    const float pixels = font.sizePoints * 96.0f / 72.0f;
    const INT style = (font.bold ? Gdiplus::FontStyleBold : 0) | (font.italic ? Gdiplus::FontStyleItalic : 0);
    auto made = std::make_unique<Gdiplus::Font>(&family, pixels, style, Gdiplus::UnitPixel);
    if (made->GetLastStatus() != Gdiplus::Ok && style != Gdiplus::FontStyleRegular)
    {
        made =
            std::make_unique<Gdiplus::Font>(&family, pixels, Gdiplus::FontStyleRegular, Gdiplus::UnitPixel);
    }
    return made->GetLastStatus() == Gdiplus::Ok ? std::move(made) : nullptr;
}

Gdiplus::StringAlignment Alignment(TextAlign align)
{
    switch (align)
    {
    case TextAlign::Centre:
        return Gdiplus::StringAlignmentCenter;
    case TextAlign::Far:
        return Gdiplus::StringAlignmentFar;
    default:
        return Gdiplus::StringAlignmentNear;
    }
}
} // namespace

TextBox MeasureText(std::u16string_view text, const Font& font)
{
    if (text.empty())
    {
        return {};
    }
    GdiplusSession session;
    if (session.Status() != Gdiplus::Ok)
    {
        return {};
    }
    const auto family = FindFamily(font.family);
    const auto gdiFont = family ? MakeFont(*family, font) : nullptr;
    if (!gdiFont)
    {
        return {};
    }
    // Any surface will do for measuring; a small bitmap needs no display.
    Gdiplus::Bitmap surface(1, 1, PixelFormat32bppARGB);
    Gdiplus::Graphics graphics(&surface);
    graphics.SetTextRenderingHint(Gdiplus::TextRenderingHintAntiAliasGridFit);
    const std::u16string line(text);
    Gdiplus::RectF bounds;
    // No string format: the default one, which leaves a sixth of the em on either side.
    if (graphics.MeasureString(Wide(line), static_cast<INT>(line.size()), gdiFont.get(),
                               Gdiplus::PointF(0.0f, 0.0f), &bounds) != Gdiplus::Ok)
    {
        return {};
    }
    TextBox box;
    box.left = bounds.X;
    box.top = bounds.Y;
    box.width = bounds.Width;
    box.height = bounds.Height;
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
    GdiplusSession session;
    if (session.Status() != Gdiplus::Ok)
    {
        return false;
    }
    const auto family = FindFamily(font.family);
    const auto gdiFont = family ? MakeFont(*family, font) : nullptr;
    if (!gdiFont)
    {
        return false;
    }
    if (text.empty() || layout.width <= 0.0f || layout.height <= 0.0f)
    {
        return true;
    }

    // Drawn on a canvas of GDI+'s own in the same straight ARGB format: pixels the text does not touch
    // come back exactly as they went in.
    Gdiplus::Bitmap canvas(target.width, target.height, PixelFormat32bppARGB);
    if (canvas.GetLastStatus() != Gdiplus::Ok)
    {
        return false;
    }
    Gdiplus::Rect whole(0, 0, target.width, target.height);
    Gdiplus::BitmapData locked{};
    if (canvas.LockBits(&whole, Gdiplus::ImageLockModeWrite, PixelFormat32bppARGB, &locked) != Gdiplus::Ok)
    {
        return false;
    }
    for (int y = 0; y < target.height; ++y)
    {
        std::memcpy(static_cast<std::uint8_t*>(locked.Scan0) + static_cast<std::ptrdiff_t>(y) * locked.Stride,
                    target.Row(y), static_cast<std::size_t>(target.width) * 4);
    }
    canvas.UnlockBits(&locked);

    const std::u16string line(text);
    Gdiplus::Status status = Gdiplus::Ok;
    {
        Gdiplus::Graphics graphics(&canvas);
        graphics.SetTextRenderingHint(antialias ? Gdiplus::TextRenderingHintAntiAliasGridFit
                                                : Gdiplus::TextRenderingHintSingleBitPerPixelGridFit);
        const Gdiplus::RectF box(layout.left, layout.top, layout.width, layout.height);
        graphics.SetClip(box);
        Gdiplus::StringFormat format(Gdiplus::StringFormatFlagsNoWrap);
        format.SetAlignment(Alignment(horizontal));
        format.SetLineAlignment(Alignment(vertical));
        format.SetTrimming(Gdiplus::StringTrimmingNone);
        Gdiplus::SolidBrush brush{Gdiplus::Color(static_cast<Gdiplus::ARGB>(argb))};
        status = graphics.DrawString(Wide(line), static_cast<INT>(line.size()), gdiFont.get(), box, &format,
                                     &brush);
    }
    if (status != Gdiplus::Ok)
    {
        return false;
    }
    if (canvas.LockBits(&whole, Gdiplus::ImageLockModeRead, PixelFormat32bppARGB, &locked) != Gdiplus::Ok)
    {
        return false;
    }
    for (int y = 0; y < target.height; ++y)
    {
        std::memcpy(target.Row(y),
                    static_cast<const std::uint8_t*>(locked.Scan0) +
                        static_cast<std::ptrdiff_t>(y) * locked.Stride,
                    static_cast<std::size_t>(target.width) * 4);
    }
    canvas.UnlockBits(&locked);
    return true;
}

std::u16string ResolvedFontFamily(const Font& font)
{
    GdiplusSession session;
    if (session.Status() != Gdiplus::Ok)
    {
        return {};
    }
    const auto family = FindFamily(font.family);
    WCHAR name[LF_FACESIZE] = {};
    if (!family || family->GetFamilyName(name) != Gdiplus::Ok)
    {
        return {};
    }
    return std::u16string(reinterpret_cast<const char16_t*>(name));
}
} // namespace KVX::Platform
