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

CWidget::CWidget(CGUI* panel, const WidgetSpec& spec)
    : m_Panel(panel), m_ParamIndex(spec.paramIndex), m_Name(spec.name), m_Title(spec.name),
      m_Image(spec.image), m_SpecularImage(spec.specularImage), m_NormalImage(spec.normalImage),
      m_ShaderName(spec.shaderName), m_DisplayText(spec.name), m_X(spec.x), m_Y(spec.y),
      m_Height(spec.height), m_InsetLeft(spec.insetLeft), m_InsetTop(spec.insetTop),
      m_InsetRight(spec.insetRight), m_InsetBottom(spec.insetBottom), m_SliceLeft(spec.sliceLeft),
      m_SliceTop(spec.sliceTop), m_SliceRight(spec.sliceRight), m_SliceBottom(spec.sliceBottom),
      m_Anchors(spec.anchors), m_Colour(spec.colour), m_HoverColour(spec.hoverColour),
      m_Enabled(spec.enabled != 0), m_Tile(spec.tile != 0), m_ShowHint(spec.showHint != 0),
      m_Shadow(spec.shadow != 0), m_ScaleImages(spec.scaleImages != 0), m_ShadowBlur(spec.shadowBlur),
      m_ShadowOffsetX(spec.shadowOffsetX), m_ShadowOffsetY(spec.shadowOffsetY),
      m_ShadowColour(static_cast<std::uint32_t>(spec.shadowAlpha) << 24)
{
    const float visible = spec.visible != 0 ? 1.0f : 0.0f;
    m_Opacity.riseMs = static_cast<float>(spec.fadeInMs);
    m_Opacity.fallMs = static_cast<float>(spec.fadeOutMs);
    m_Opacity.target = visible;
    m_Opacity.current = spec.fadeInMs == 0 ? visible : 0.0f;
    m_WidthAnim.current = m_WidthAnim.target = static_cast<float>(spec.width);
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
