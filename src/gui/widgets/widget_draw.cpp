// SPDX-License-Identifier: GPL-3.0-or-later
// How the base widget draws itself: lazily loaded images, shadow and body passes, anchoring.
#include "gui/core/gui.h"
#include "gui/core/opengl.h"
#include "gui/core/quad.h"
#include "gui/widgets/widget.h"

namespace KVX
{
namespace
{
std::uint32_t WithAlpha(std::uint32_t rgb, float alpha)
{
    return (rgb & 0x00FFFFFFu) | (static_cast<std::uint32_t>(alpha) << 24);
}

} // namespace

bool CWidget::LoadImage(TextureSlot& slot, const std::u16string& imageName, const std::u16string& folder)
{
    if (m_WidthAnim.current <= 0.0f || m_Height <= 0 || imageName.empty() || m_Panel == nullptr)
    {
        return false;
    }
    const std::int32_t width = m_ScaleImages ? static_cast<std::int32_t>(m_WidthAnim.current) : -1;
    const std::int32_t height = m_ScaleImages ? m_Height : -1;
    const std::int32_t blur = &slot == &m_ShadowSlot ? m_ShadowBlur : 0;
    slot = m_Panel->GetTexture(imageName, m_Panel->BaseFolder() + folder, width, height, blur);
    return slot.IsLoaded();
}

bool CWidget::EnsureLoaded(TextureSlot& slot, const std::u16string& imageName, const std::u16string& folder)
{
    return slot.IsLoaded() || LoadImage(slot, imageName, folder);
}

void CWidget::FreeSlot(TextureSlot& slot)
{
    if (m_Panel != nullptr)
    {
        m_Panel->FreeTexture(slot);
    }
}

void CWidget::DrawPass(const TextureSlot& slot, float u0, float v0, float u1, float v1, float framePixelWidth,
                       float framePixelHeight, float dx, float dy, std::uint32_t rgb, float alpha)
{
    if (static_cast<std::int32_t>(alpha) == 0)
    {
        return;
    }
    const std::uint32_t argb = WithAlpha(rgb, alpha);
    const QuadRect rect{static_cast<float>(m_X) + dx, static_cast<float>(m_Y) + dy, m_WidthAnim.current,
                        static_cast<float>(m_Height)};
    const Slices slices{m_SliceLeft, m_SliceTop, m_SliceRight, m_SliceBottom};
    if (slices.Any())
    {
        DrawNineSliceQuad(slot.texture, rect, {u0, v0, u1, v1}, framePixelWidth, framePixelHeight, slices,
                          argb, m_Opacity.current);
        return;
    }
    if (m_Tile && framePixelWidth > 0.0f && framePixelHeight > 0.0f)
    {
        u1 = u0 + (u1 - u0) * (rect.width / framePixelWidth);
        v1 = v0 + (v1 - v0) * (rect.height / framePixelHeight);
    }
    DrawQuad(slot.texture, rect, {u0, v0, u1, v1}, argb, m_Opacity.current);
}

void CWidget::DrawWholeImage(const TextureSlot& slot, float dx, float dy, std::uint32_t rgb, float alpha)
{
    DrawPass(slot, 0.0f, 0.0f, slot.uExtent, slot.vExtent, static_cast<float>(slot.width),
             static_cast<float>(slot.height), dx, dy, rgb, alpha);
}

void CWidget::DrawShadow()
{
    if (!m_Shadow || !EnsureLoaded(m_ShadowSlot, m_Image, m_ImageFolder))
    {
        return;
    }
    DrawWholeImage(m_ShadowSlot, static_cast<float>(m_ShadowOffsetX), static_cast<float>(m_ShadowOffsetY),
                   m_ShadowColour, AlphaOf(m_ShadowColour));
}

void CWidget::DrawBody()
{
    if (!EnsureLoaded(m_BodySlot, m_Image, m_ImageFolder))
    {
        return;
    }
    const float h = m_Hover.current;
    const std::uint32_t first = m_Hover.target == 1.0f ? m_HoverColour : m_Colour;
    DrawWholeImage(m_BodySlot, 0.0f, 0.0f, first, AlphaOf(first) * (1.0f - h));
    DrawWholeImage(m_BodySlot, 0.0f, 0.0f, m_HoverColour, AlphaOf(m_HoverColour) * h);
}

void CWidget::DrawSelectionFrame() {}

void CWidget::ApplyAnchors()
{
    if (m_Anchors == 0)
    {
        return;
    }
    if ((m_Anchors & kAnchorLeft) != 0)
    {
        m_X = 0;
    }
    if ((m_Anchors & kAnchorTop) != 0)
    {
        m_Y = 0;
    }
    SetWidth(m_WidthAnim.current);
    SetHeight(m_Height);
}

void CWidget::Draw()
{
    ApplyAnchors();
    if (m_Shader.program == 0 && !m_ShaderName.empty() && m_Panel != nullptr)
    {
        m_Shader = m_Panel->GetShader(m_ShaderName);
    }
    // The program's extra images are loaded only when it reads them.
    const auto loaded = [this](TextureSlot& slot, const std::u16string& image, const std::u16string& folder) {
        return [this, &slot, &image, &folder]
        { return EnsureLoaded(slot, image, folder) ? slot.texture : 0u; };
    };
    const bool programBound = m_Shader.program != 0 && m_Shader.usable != 0 &&
                              OpenGL::UseProgram(m_Shader.program, m_Colour,
                                                 loaded(m_SpecularSlot, m_SpecularImage, m_SpecularFolder),
                                                 loaded(m_NormalSlot, m_NormalImage, m_NormalFolder));
    DrawShadow();
    DrawBody();
    if (programBound)
    {
        OpenGL::UseNoProgram();
    }
    DrawSelectionFrame();
}

void CWidget::ReleaseTextures()
{
    FreeSlot(m_BodySlot);
    FreeSlot(m_SpecularSlot);
    FreeSlot(m_NormalSlot);
    FreeSlot(m_ShadowSlot);
}

void CWidget::ReleaseShader()
{
    if (m_Panel != nullptr)
    {
        m_Panel->FreeShader(m_Shader);
    }
}
} // namespace KVX
