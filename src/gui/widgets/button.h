// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A latching switch: a plain left click toggles its value between 0 and 1.
#include "gui/widgets/led.h"

namespace KVX
{
class CButton : public CLED
{
public:
    CButton(CGUI* panel, const WidgetSpec& record);

    void OnMouseDown(int x, int y, std::uint32_t keys) override;
    void OnDoubleClick(int x, int y, std::uint32_t keys) override;
    std::u16string GetText(bool valueText) const override;
    void SetValue(float v) override;
    void Draw() override;
    void ReleaseTextures() override;

protected:
    void DrawOverlay();

    std::u16string m_OverlayImage;
    std::u16string m_OverlayFolder;
    std::int32_t m_OverlayOffsetX;
    std::int32_t m_OverlayOffsetY;
    std::uint32_t m_OverlayColour;
    std::uint32_t m_OverlayOnColour;
    TextureSlot m_OverlaySlot;
};
} // namespace KVX
