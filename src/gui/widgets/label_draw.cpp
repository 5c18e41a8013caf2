// SPDX-License-Identifier: GPL-3.0-or-later
// The label's text image: rendered once on the platform's text layer, then drawn as a texture.
#include "gui/core/gui.h"
#include "gui/core/opengl.h"
#include "gui/core/quad.h"
#include "gui/core/texture_cache.h"
#include "gui/widgets/label.h"
#include "platform/font.h"

#include <cmath>

namespace KVX
{
namespace
{
Platform::TextAlign Horizontal(std::int32_t align)
{
    return (align & kAlignRight) != 0     ? Platform::TextAlign::Far
           : (align & kAlignCentreH) != 0 ? Platform::TextAlign::Centre
                                          : Platform::TextAlign::Near;
}

Platform::TextAlign Vertical(std::int32_t align)
{
    return (align & kAlignBottom) != 0    ? Platform::TextAlign::Far
           : (align & kAlignCentreV) != 0 ? Platform::TextAlign::Centre
                                          : Platform::TextAlign::Near;
}
} // namespace

Platform::Font CLabel::LabelFont() const
{
    return Platform::Font{m_FontFace, static_cast<float>(m_FontSize), m_Bold, m_Italic};
}

std::u16string CLabel::RenderedText() const
{
    std::u16string out(m_LabelText);
    if (m_UpperCase)
    {
        for (auto& c : out)
        {
            if ((c >= u'a' && c <= u'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7))
            {
                c = static_cast<char16_t>(c - 0x20);
            }
        }
    }
    return out;
}

void CLabel::ReleaseLabelImage()
{
    if (m_LabelSlot.texture != 0)
    {
        OpenGL::DeleteTexture(m_LabelSlot.texture);
    }
    m_LabelSlot = TextureSlot{};
    m_LabelDirty = true;
}

void CLabel::ReleaseTextures()
{
    CWidget::ReleaseTextures();
    ReleaseLabelImage();
}

void CLabel::SetWidth(float width)
{
    const float before = m_WidthAnim.current;
    CWidget::SetWidth(width);
    if (m_WidthAnim.current != before)
    {
        ReleaseLabelImage();
    }
}

void CLabel::SetHeight(std::int32_t height)
{
    const std::int32_t before = m_Height;
    CWidget::SetHeight(height);
    if (m_Height != before)
    {
        ReleaseLabelImage();
    }
}

bool CLabel::RenderLabelImage()
{
    const auto width = static_cast<std::int32_t>(m_WidthAnim.current);
    if (width <= 0 || m_Height <= 0 || m_LabelText.empty())
    {
        return false;
    }
    // Rendered for the pixels the label covers on screen, not stretched from its size in units.
    const double scale = m_Panel != nullptr ? m_Panel->ViewScale() : 1.0;
    const auto pixels = [scale](std::int32_t units)
    { return static_cast<std::int32_t>(std::lround(units * scale)); };
    Platform::Bitmap bitmap(pixels(width), pixels(m_Height));
    if (bitmap.Empty())
    {
        return false;
    }
    const std::u16string text = RenderedText();
    const Platform::TextBox layout{static_cast<float>(m_InsetLeft * scale),
                                   static_cast<float>(m_InsetTop * scale),
                                   static_cast<float>((width - m_InsetLeft - m_InsetRight) * scale),
                                   static_cast<float>((m_Height - m_InsetTop - m_InsetBottom) * scale)};
    Platform::Font font = LabelFont();
    font.sizePoints = static_cast<float>(font.sizePoints * scale);
    const bool antialias = m_TextRenderingHint != 1 && m_TextRenderingHint != 2;
    if (!Platform::RenderText(bitmap, text, font, m_TextColour, layout, Horizontal(m_TextAlign),
                              Vertical(m_TextAlign), antialias))
    {
        return false;
    }
    m_LabelSlot = UploadTexture(bitmap, u"LabelImage");
    return true;
}

void CLabel::DrawLabelImage()
{
    if (m_LabelText.empty())
    {
        return;
    }
    if (m_LabelDirty || !m_LabelSlot.IsLoaded())
    {
        ReleaseLabelImage();
        m_LabelDirty = false;
        if (!RenderLabelImage())
        {
            return;
        }
    }
    const QuadRect rect{static_cast<float>(m_X), static_cast<float>(m_Y), m_WidthAnim.current,
                        static_cast<float>(m_Height)};
    DrawQuad(m_LabelSlot.texture, rect, {0.0f, 0.0f, m_LabelSlot.uExtent, m_LabelSlot.vExtent}, 0xFFFFFFFFu,
             m_Opacity.current);
}

void CLabel::Draw()
{
    CWidget::Draw();
    DrawLabelImage();
}
} // namespace KVX
