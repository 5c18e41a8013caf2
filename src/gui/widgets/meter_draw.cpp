// SPDX-License-Identifier: GPL-3.0-or-later
// A meter shows its value as one frame of a sprite sheet.
#include "gui/core/gui.h"
#include "gui/core/quad.h"
#include "gui/widgets/meter.h"

namespace KVX
{
std::int32_t CMeter::FrameIndex(std::int32_t frames, float shownValue)
{
    const auto index = static_cast<std::int32_t>(static_cast<float>(frames - 1) * shownValue);
    return index < 0 ? 0 : (index >= frames ? frames - 1 : index);
}

bool CMeter::LoadImage(TextureSlot& slot, const std::u16string& imageName, const std::u16string& folder)
{
    if (imageName.empty() || m_Panel == nullptr)
    {
        return false;
    }
    const std::int32_t width = m_ScaleImages ? static_cast<std::int32_t>(m_WidthAnim.current) : -1;
    const std::int32_t height = m_ScaleImages ? m_Height : -1;
    const bool shadow = &slot == &m_ShadowSlot;
    slot = m_Panel->GetTexture(imageName, m_Panel->BaseFolder() + folder, width, height,
                               shadow ? m_ShadowBlur : 0);
    if (!slot.IsLoaded())
    {
        return false;
    }
    if (!shadow && m_WidthAnim.target == 0.0f && m_Height == 0 && m_SliceLeft == 0 && m_SliceTop == 0 &&
        m_SliceRight == 0 && m_SliceBottom == 0)
    {
        // A meter without a size takes it from one frame of its sheet.
        const std::int32_t columns = slot.columns > 0 ? slot.columns : 1;
        const std::int32_t rows = (slot.frames + columns - 1) / columns;
        m_WidthAnim.target = static_cast<float>(slot.width / columns);
        if (m_WidthAnim.riseMs <= 0.0f)
        {
            m_WidthAnim.current = m_WidthAnim.target;
        }
        m_Height = static_cast<std::int32_t>(static_cast<float>(slot.height) /
                                             static_cast<float>(rows > 0 ? rows : 1));
    }
    return true;
}

void CMeter::DrawFrame(const TextureSlot& slot, std::int32_t index, float dx, float dy, std::uint32_t rgb,
                       float alpha)
{
    const std::int32_t columns = slot.columns > 0 ? slot.columns : 1;
    const std::int32_t frames = slot.frames > 0 ? slot.frames : 1;
    const std::int32_t rows = (frames + columns - 1) / columns;
    const std::int32_t column = index % columns;
    const std::int32_t row = index / columns;
    const float c = static_cast<float>(columns);
    const float r = static_cast<float>(rows);
    DrawPass(slot, static_cast<float>(column) / c * slot.uExtent, static_cast<float>(row) / r * slot.vExtent,
             static_cast<float>(column + 1) / c * slot.uExtent,
             static_cast<float>(row + 1) / r * slot.vExtent, static_cast<float>(slot.width) / c,
             static_cast<float>(slot.height) / r, dx, dy, rgb, alpha);
}

void CMeter::DrawShadow()
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
    DrawFrame(m_ShadowSlot, FrameIndex(m_ShadowSlot.frames, ShownValue()),
              static_cast<float>(m_ShadowOffsetX), static_cast<float>(m_ShadowOffsetY), m_ShadowColour,
              AlphaOf(m_ShadowColour));
}

void CMeter::DrawBody()
{
    if (!EnsureLoaded(m_BodySlot, m_Image, m_ImageFolder))
    {
        return;
    }
    const float s = ShownValue();
    if (m_BodySlot.frames <= 1)
    {
        DrawWholeImage(m_BodySlot, 0.0f, 0.0f, m_Colour, AlphaOf(m_Colour) * (1.0f - s));
        DrawWholeImage(m_BodySlot, 0.0f, 0.0f, m_OnColour, AlphaOf(m_OnColour) * s);
        return;
    }
    const float h = m_Hover.current;
    const std::int32_t index = FrameIndex(m_BodySlot.frames, s);
    DrawFrame(m_BodySlot, index, 0.0f, 0.0f, m_Colour, AlphaOf(m_Colour) * (1.0f - h));
    DrawFrame(m_BodySlot, index, 0.0f, 0.0f, m_HoverColour, AlphaOf(m_HoverColour) * h);
}
} // namespace KVX
