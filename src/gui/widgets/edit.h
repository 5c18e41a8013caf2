// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The in-place value editor: a small native text field opened over a knob by a double click. It takes
// the keyboard while open; Enter, a lost focus or a press elsewhere on the panel commits the typed value.
#include "gui/widgets/widget.h"
#include "platform/text_field.h"

namespace KVX
{
class CEdit : public CWidget, public Platform::TextFieldClient
{
public:
    CEdit(CGUI* panel, const WidgetSpec& record);

    // Opens the field at the last mouse position with the widget's value text; with no field, nothing.
    void OpenFor(CWidget* target);
    // Commits a pending edit and hides the field; nothing when no edit is open.
    void Deactivate();
    // Hands the typed value to the target as a display value, then hides the field.
    void Commit();

    CWidget* Target() const { return m_Target; }

    // The characters a value can be typed with: digits, sign, decimal point, "k" and Backspace.
    static bool AcceptsCharacter(char16_t character);
    // The leading decimal number of a text ("1k" gives 1, "-6.5dB" gives -6.5); 0 without one.
    static float LeadingNumber(const std::u16string& text);

private:
    bool OnTextFieldCharacter(char16_t character) override { return AcceptsCharacter(character); }
    void OnTextFieldCommit() override { Commit(); }
    // The window's text field; null while the panel has no window.
    Platform::TextField* Field();

    CWidget* m_Target = nullptr;
};
} // namespace KVX
