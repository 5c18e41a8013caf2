// SPDX-License-Identifier: GPL-3.0-or-later
// A lamp cross-fades between its first (off) and last (on) frame.
#include "gui/widgets/led.h"

#include "gui/core/quad.h"

namespace KVX
{
void CLED::DrawBody()
{
    if (!EnsureLoaded(m_BodySlot, m_Image, m_ImageFolder))
    {
        return;
    }
    if (m_BodySlot.frames <= 1)
    {
        CWidget::DrawBody();
        return;
    }
    const float s = ShownValue();
    DrawFrame(m_BodySlot, 0, 0.0f, 0.0f, m_Colour, AlphaOf(m_Colour) * (1.0f - s));
    DrawFrame(m_BodySlot, m_BodySlot.frames - 1, 0.0f, 0.0f, m_OnColour,
              AlphaOf(m_OnColour) * s);
}

void CLED::DrawShadow()
{
    if (!m_Shadow || !EnsureLoaded(m_ShadowSlot, m_Image, m_ImageFolder))
    {
        return;
    }
    if (m_ShadowSlot.frames <= 1)
    {
        CWidget::DrawShadow();
        return;
    }
    const float s = ShownValue();
    const float alpha = AlphaOf(m_ShadowColour);
    const auto dx = static_cast<float>(m_ShadowOffsetX);
    const auto dy = static_cast<float>(m_ShadowOffsetY);
    DrawFrame(m_ShadowSlot, 0, dx, dy, m_ShadowColour, alpha * (1.0f - s));
    DrawFrame(m_ShadowSlot, m_ShadowSlot.frames - 1, dx, dy, m_ShadowColour, alpha * s);
}
} // namespace KVX
