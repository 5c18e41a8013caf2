#pragma once
// The in-place value editor: a small native text field opened over a knob by a double click.
#include "gui/widgets/widget.h"

namespace KVX
{
class CKnob;

class CEdit : public CWidget
{
public:
    CEdit(CGUI* panel, const WidgetSpec& spec);

    CWidget* Target() const { return m_Target; }

    // Whether the native text field exists (it does only while the panel has a window).
    bool HasControl() const { return m_HasControl; }
    // Opens the field over the knob with its value text; without a field nothing happens.
    void OpenFor(CWidget* target);
    // Forgets the target and hides the field.
    void Deactivate();

protected:
    CWidget* m_Target = nullptr;
    bool m_HasControl = false;
};
} // namespace KVX
