// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/knob.h"

#include "gui/core/gui.h"
#include "platform/window.h"
#include "values/linear_value.h"
#include "values/number_text.h"

#include <algorithm>
#include <cmath>

namespace KVX
{
std::vector<std::u16string> SplitValueTexts(const std::u16string& texts)
{
    std::vector<std::u16string> out;
    if (texts.empty())
    {
        return out;
    }
    std::size_t start = 0;
    for (;;)
    {
        const std::size_t bar = texts.find(u"||", start);
        if (bar == std::u16string::npos)
        {
            out.push_back(texts.substr(start));
            return out;
        }
        out.push_back(texts.substr(start, bar - start));
        start = bar + 2;
    }
}

CKnob::CKnob(CGUI* panel, const WidgetSpec& record)
    : CMeter(panel, record), m_DragPixels(static_cast<std::uint32_t>(record.dragPixels)),
      m_WheelDivisor(static_cast<std::uint32_t>(record.wheelDivisor)), m_Decimals(record.decimals),
      m_Mapper(record.valueMapper), m_ValueTexts(SplitValueTexts(record.valueTexts)), m_Unit(record.unit),
      m_DefaultValue(record.defaultValue), m_MinDisplay(record.minDisplay), m_MaxDisplay(record.maxDisplay)
{
    m_Enabled = true;
}

bool CKnob::ChangeValue(float v)
{
    if (!StoreValue(v))
    {
        return false;
    }
    if (m_Panel != nullptr)
    {
        m_Panel->OnValueChanged(this, Value());
    }
    return true;
}

void CKnob::SetValue(float v)
{
    ChangeValue(v);
}

bool CKnob::SetValueImmediately(float v)
{
    const bool changed = ChangeValue(v);
    m_Shown.store(Value(), std::memory_order_relaxed);
    return changed;
}

void CKnob::EditValue(float v, bool immediate)
{
    if (!m_Editing)
    {
        EditInOneStep(v, immediate);
        return;
    }
    if (immediate ? SetValueImmediately(v) : ChangeValue(v))
    {
        m_Panel->OnEditValue(this, Value());
    }
}

void CKnob::OnMouseDown(int, int y, std::uint32_t keys)
{
    if ((keys & Platform::kKeyLeft) == 0)
    {
        return;
    }
    if ((keys & Platform::kKeyCtrl) != 0)
    {
        EditValue(m_DefaultValue, false);
        m_Dragging = false;
        return;
    }
    m_Dragging = true;
    if (!m_CursorHidden && m_Panel != nullptr)
    {
        m_Panel->GetCursorScreenPos(m_SavedCursorX, m_SavedCursorY);
        m_Panel->ShowCursor(false);
        m_CursorHidden = true;
    }
    m_PressY = y;
    m_ValueAtPress = Value();
    // The gesture starts at the press, before any move, so that a host in touch mode stops playing back
    // while the fader is held. A further button pressed during the drag starts no second one.
    if (!m_Editing && m_Panel != nullptr)
    {
        m_Editing = true;
        m_Panel->OnEditBegin(this);
    }
}

void CKnob::OnMouseMove(int, int y, std::uint32_t keys)
{
    if (!m_Dragging)
    {
        return;
    }
    const float factor = (keys & Platform::kKeyShift) != 0 ? 0.2f : 1.0f;
    const float perPixel = m_DragPixels != 0 ? 1.0f / static_cast<float>(m_DragPixels) : 0.0f;
    EditValue(m_ValueAtPress + static_cast<float>(m_PressY - y) * perPixel * factor, true);
}

void CKnob::OnMouseUp(int, int, std::uint32_t)
{
    m_Dragging = false;
    if (m_CursorHidden && m_Panel != nullptr)
    {
        m_Panel->SetCursorScreenPos(m_SavedCursorX, m_SavedCursorY);
        m_Panel->ShowCursor(true);
    }
    m_CursorHidden = false;
    // Every end of a press comes here, also the one the panel makes when it closes mid-drag.
    if (m_Editing)
    {
        m_Editing = false;
        m_Panel->OnEditEnd(this);
    }
}

void CKnob::OnDoubleClick(int, int, std::uint32_t)
{
    if (m_Panel != nullptr)
    {
        m_Panel->OpenEditBox(this);
    }
}

void CKnob::OnMouseWheel(float steps, std::uint32_t keys)
{
    if (m_WheelDivisor == 0)
    {
        return;
    }
    const float step = (keys & Platform::kKeyShift) != 0 ? 2.0f : 10.0f;
    EditValue(Value() + steps * step / static_cast<float>(m_WheelDivisor), true);
}

float CKnob::ToNormalised(float displayValue) const
{
    if (m_Mapper != nullptr)
    {
        return m_Mapper(displayValue, m_MinDisplay, m_MaxDisplay, 1);
    }
    return (displayValue - m_MinDisplay) / (m_MaxDisplay - m_MinDisplay);
}

void CKnob::SetDisplayValue(float displayValue)
{
    SetValue(ToNormalised(displayValue));
}

void CKnob::EnterDisplayValue(float displayValue)
{
    EditValue(ToNormalised(displayValue), false);
}

std::u16string CKnob::FormatValue(float value) const
{
    if (!m_ValueTexts.empty())
    {
        const auto index = static_cast<std::size_t>(static_cast<float>(m_ValueTexts.size() - 1) * value);
        return m_ValueTexts[index < m_ValueTexts.size() ? index : m_ValueTexts.size() - 1];
    }
    const Values::CLinearValue scale(m_MinDisplay, m_MaxDisplay, m_Decimals, {});
    const float shown =
        m_Mapper != nullptr ? m_Mapper(value, m_MinDisplay, m_MaxDisplay, 0) : scale.DisplayValue(value);
    if (std::isinf(shown) && shown > 0.0f)
    {
        return u"\u221E";
    }
    const bool signedScale = m_MinDisplay < 0.0f || m_MaxDisplay < 0.0f;
    const std::string text = m_Mapper != nullptr
                                 ? Values::FormatFixed(shown, m_Decimals, signedScale && shown > 0.0f)
                                 : scale.Format(value);
    // At most 11 characters, as the panel's texts have always been.
    return std::u16string(text.begin(),
                          text.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(text.size(), 11)));
}

std::u16string CKnob::GetText(bool valueText) const
{
    if (m_Title.empty())
    {
        return valueText ? m_ValueText : m_DisplayText;
    }
    const std::u16string text = FormatValue(Value());
    if (valueText)
    {
        return text;
    }
    return m_Title + u": " + text + u" " + m_Unit;
}
} // namespace KVX
