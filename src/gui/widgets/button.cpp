// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/button.h"

#include "gui/core/gui.h"
#include "platform/window.h"

namespace KVX
{
CButton::CButton(CGUI* panel, const WidgetSpec& record)
    : CLED(panel, record), m_OverlayImage(record.overlayImage), m_OverlayOffsetX(record.overlayOffsetX),
      m_OverlayOffsetY(record.overlayOffsetY), m_OverlayColour(record.overlayColour),
      m_OverlayOnColour(record.overlayOnColour)
{
    m_Enabled = true;
}

void CButton::SetValue(float v)
{
    if (StoreValue(v) && m_Panel != nullptr)
    {
        m_Panel->OnValueChanged(this, Value());
    }
}

void CButton::OnMouseDown(int, int, std::uint32_t keys)
{
    if (keys == Platform::kKeyLeft)
    {
        EditInOneStep(Value() != 0.0f ? 0.0f : 1.0f, false);
    }
}

void CButton::OnDoubleClick(int x, int y, std::uint32_t keys)
{
    OnMouseDown(x, y, keys);
}

std::u16string CButton::GetText(bool valueText) const
{
    if (m_Title.empty())
    {
        return valueText ? m_ValueText : m_DisplayText;
    }
    const std::u16string text = Value() != 0.0f ? u"On" : u"Off";
    return valueText ? text : m_Title + u": " + text;
}
} // namespace KVX
