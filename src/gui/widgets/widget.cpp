// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/widget.h"

#include "gui/core/gui.h"

namespace KVX
{
void Animated::Step(float elapsedMs)
{
    if (target > current)
    {
        current = riseMs > 0.0f ? current + elapsedMs / riseMs : target;
        if (current >= target)
        {
            current = target;
        }
    }
    else
    {
        current = fallMs > 0.0f ? current - elapsedMs / fallMs : target;
        if (current <= target)
        {
            current = target;
        }
    }
}

void Animated::SetTarget(float value)
{
    target = value;
    if ((value > current && riseMs <= 0.0f) || (value < current && fallMs <= 0.0f))
    {
        current = value;
    }
}

CWidget::CWidget(CGUI* panel, const WidgetSpec& record)
    : m_Panel(panel), m_ParamIndex(record.paramIndex), m_Name(record.name), m_Title(record.name),
      m_Image(record.image), m_SpecularImage(record.specularImage), m_NormalImage(record.normalImage),
      m_ShaderName(record.shaderName), m_DisplayText(record.name), m_X(record.x), m_Y(record.y),
      m_Height(record.height), m_InsetLeft(record.insetLeft), m_InsetTop(record.insetTop),
      m_InsetRight(record.insetRight), m_InsetBottom(record.insetBottom), m_SliceLeft(record.sliceLeft),
      m_SliceTop(record.sliceTop), m_SliceRight(record.sliceRight), m_SliceBottom(record.sliceBottom),
      m_Anchors(record.anchors), m_Colour(record.colour), m_HoverColour(record.hoverColour),
      m_Enabled(record.enabled != 0), m_Tile(record.tile != 0), m_ShowHint(record.showHint != 0),
      m_Shadow(record.shadow != 0), m_ScaleImages(record.scaleImages != 0), m_ShadowBlur(record.shadowBlur),
      m_ShadowOffsetX(record.shadowOffsetX), m_ShadowOffsetY(record.shadowOffsetY),
      m_ShadowColour(static_cast<std::uint32_t>(record.shadowAlpha) << 24)
{
    const float visible = record.visible != 0 ? 1.0f : 0.0f;
    m_Opacity.riseMs = static_cast<float>(record.fadeInMs);
    m_Opacity.fallMs = static_cast<float>(record.fadeOutMs);
    m_Opacity.target = visible;
    m_Opacity.current = record.fadeInMs == 0 ? visible : 0.0f;
    m_WidthAnim.current = m_WidthAnim.target = static_cast<float>(record.width);
    if (m_Panel != nullptr)
    {
        m_Panel->AddWidget(this);
    }
}

CWidget::~CWidget() = default;

void CWidget::OnMouseDown(int, int, std::uint32_t) {}
void CWidget::OnMouseUp(int, int, std::uint32_t) {}
void CWidget::OnMouseMove(int, int, std::uint32_t) {}
void CWidget::OnDoubleClick(int, int, std::uint32_t) {}
void CWidget::OnMouseWheel(float, std::uint32_t) {}

void CWidget::OnMouseEnter()
{
    m_Hover.SetTarget(1.0f);
}

void CWidget::OnMouseLeave()
{
    m_Hover.SetTarget(0.0f);
}

void CWidget::Tick(float elapsedMs)
{
    m_WidthAnim.Step(elapsedMs);
    m_Opacity.Step(elapsedMs);
    m_Hover.Step(elapsedMs);
}

void CWidget::SetWidth(float width)
{
    if ((m_Anchors & kAnchorRight) != 0 && m_Panel != nullptr)
    {
        if ((m_Anchors & kAnchorLeft) != 0)
        {
            width = static_cast<float>(m_Panel->Width() - m_X);
        }
        else
        {
            m_X = m_Panel->Width() - static_cast<std::int32_t>(m_WidthAnim.current);
        }
    }
    if (width == m_WidthAnim.current)
    {
        return;
    }
    m_WidthAnim.SetTarget(width);
    if (m_ScaleImages)
    {
        ReleaseTextures(); // they reload at the new size
    }
}

void CWidget::SetHeight(std::int32_t height)
{
    if ((m_Anchors & kAnchorBottom) != 0 && m_Panel != nullptr)
    {
        if ((m_Anchors & kAnchorTop) != 0)
        {
            height = m_Panel->Height() - m_Y;
        }
        else
        {
            m_Y = m_Panel->Height() - m_Height;
        }
    }
    if (height == m_Height)
    {
        return;
    }
    m_Height = height;
    if (m_ScaleImages)
    {
        ReleaseTextures();
    }
}

void CWidget::SetDisplayValue(float) {}

void CWidget::EnterDisplayValue(float value)
{
    SetDisplayValue(value);
}

std::u16string CWidget::GetText(bool valueText) const
{
    return valueText ? m_ValueText : m_DisplayText;
}

bool CWidget::HitTest(int px, int py) const
{
    if (m_Opacity.target == 0.0f || !m_Enabled)
    {
        return false;
    }
    const float right = static_cast<float>(m_X) + m_WidthAnim.current - static_cast<float>(m_InsetRight);
    return px >= m_X + m_InsetLeft && static_cast<float>(px) <= right && py >= m_Y + m_InsetTop &&
           py <= m_Y + m_Height - m_InsetBottom;
}
} // namespace KVX
