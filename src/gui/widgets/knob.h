// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A meter the user drags vertically, scrolls, resets with Ctrl+click and types into; it owns the
// conversion between its normalised value and the display value with its unit.
#include "gui/widgets/meter.h"

#include <vector>

namespace KVX
{
class CKnob : public CMeter
{
public:
    CKnob(CGUI* panel, const WidgetSpec& record);

    void OnMouseDown(int x, int y, std::uint32_t keys) override;
    void OnMouseUp(int x, int y, std::uint32_t keys) override;
    void OnMouseMove(int x, int y, std::uint32_t keys) override;
    void OnDoubleClick(int x, int y, std::uint32_t keys) override;
    void OnMouseWheel(float steps, std::uint32_t keys) override;

    void SetDisplayValue(float displayValue) override;
    void EnterDisplayValue(float displayValue) override;
    std::u16string GetText(bool valueText) const override;

    // Stores the value and tells the panel.
    void SetValue(float v) override;
    virtual void SetDefaultValue(float v) { m_DefaultValue = v; }

    float DefaultValue() const { return m_DefaultValue; }
    const std::u16string& Unit() const { return m_Unit; }
    bool IsDragging() const { return m_Dragging; }
    // A drag's begin has gone to the panel and its end has not yet.
    bool IsEditing() const { return m_Editing; }

    // The value text for a normalised value (also what the host shows as the parameter's display).
    std::u16string FormatValue(float value) const;

protected:
    // Stores the value and tells the panel; true when it changed.
    bool ChangeValue(float v);
    // Sets the value with the picture following at once (drag and wheel); true when it changed.
    bool SetValueImmediately(float v);
    // A user's change outside a drag is a gesture of its own; during one it belongs to the drag.
    void EditValue(float v, bool immediate);
    // The normalised value of a display value (not clamped).
    float ToNormalised(float displayValue) const;

    bool m_Dragging = false;
    bool m_Editing = false;
    bool m_CursorHidden = false;
    int m_SavedCursorX = 0;
    int m_SavedCursorY = 0;
    int m_PressY = 0;
    float m_ValueAtPress = 0.0f;
    std::uint32_t m_DragPixels;
    std::uint32_t m_WheelDivisor;
    std::uint8_t m_Decimals;
    ValueMapper m_Mapper;
    std::vector<std::u16string> m_ValueTexts;
    std::u16string m_Unit;
    float m_DefaultValue;
    float m_MinDisplay;
    float m_MaxDisplay;
};

// Splits a list of texts joined by "||"; an empty text gives an empty list.
std::vector<std::u16string> SplitValueTexts(const std::u16string& texts);
} // namespace KVX
