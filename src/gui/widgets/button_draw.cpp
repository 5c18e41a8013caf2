// SPDX-License-Identifier: GPL-3.0-or-later
// The switch draws like a lamp, then its optional overlay image, then its label.
#include "gui/core/gui.h"
#include "gui/widgets/button.h"

#include <cmath>

namespace KVX
{
void CButton::ReleaseTextures()
{
    CLabel::ReleaseTextures();
    FreeSlot(m_OverlaySlot);
}

void CButton::DrawOverlay()
{
    if (!m_OverlaySlot.IsLoaded())
    {
        if (m_WidthAnim.current <= 0.0f || m_Height < 1 || m_OverlayImage.empty() || m_Panel == nullptr)
        {
            return;
        }
        m_OverlaySlot =
            m_Panel->GetTexture(m_OverlayImage, m_Panel->BaseFolder() + m_OverlayFolder, -1, -1, 0);
        if (!m_OverlaySlot.IsLoaded())
        {
            return;
        }
    }
    // For the pass the widget takes the overlay's size, centred over its own.
    const Animated savedWidth = m_WidthAnim;
    const std::int32_t savedHeight = m_Height;
    const std::int32_t savedX = m_X;
    const std::int32_t savedY = m_Y;
    const std::int32_t columns = m_OverlaySlot.columns > 0 ? m_OverlaySlot.columns : 1;
    const std::int32_t rows = (m_OverlaySlot.frames + columns - 1) / columns;
    const float overlayWidth = static_cast<float>(m_OverlaySlot.width);
    const std::int32_t overlayHeight =
        m_OverlaySlot.frames >= 2
            ? static_cast<std::int32_t>(static_cast<float>(m_OverlaySlot.height) / static_cast<float>(rows))
            : m_OverlaySlot.height;
    m_WidthAnim.target = overlayWidth;
    if (m_WidthAnim.riseMs <= 0.0f)
    {
        m_WidthAnim.current = overlayWidth;
    }
    m_Height = overlayHeight;
    m_X = savedX + static_cast<std::int32_t>(std::fabs(savedWidth.current - overlayWidth) * 0.5f) +
          m_OverlayOffsetX;
    m_Y = savedY + std::abs(savedHeight - overlayHeight) / 2 + m_OverlayOffsetY;

    const float s = ShownValue();
    const float offAlpha = static_cast<float>(m_OverlayColour >> 24) * (1.0f - s);
    const float onAlpha = static_cast<float>(m_OverlayOnColour >> 24) * s;
    if (m_OverlaySlot.frames < 2)
    {
        DrawWholeImage(m_OverlaySlot, 0.0f, 0.0f, m_OverlayColour, offAlpha);
        DrawWholeImage(m_OverlaySlot, 0.0f, 0.0f, m_OverlayOnColour, onAlpha);
    }
    else
    {
        DrawFrame(m_OverlaySlot, 0, 0.0f, 0.0f, m_OverlayColour, offAlpha);
        DrawFrame(m_OverlaySlot, m_OverlaySlot.frames - 1, 0.0f, 0.0f, m_OverlayOnColour, onAlpha);
    }
    m_WidthAnim = savedWidth;
    m_Height = savedHeight;
    m_X = savedX;
    m_Y = savedY;
}

void CButton::Draw()
{
    ApplyAnchors();
    DrawShadow();
    DrawBody();
    DrawOverlay();
    DrawLabelImage();
    DrawSelectionFrame();
}
} // namespace KVX
