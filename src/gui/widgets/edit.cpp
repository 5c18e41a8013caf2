#include "gui/widgets/edit.h"

namespace KVX
{
CEdit::CEdit(CGUI* panel, const WidgetSpec& spec) : CWidget(panel, spec)
{
    m_WidthAnim.current = m_WidthAnim.target = 50.0f;
    m_Height = 15;
}

void CEdit::OpenFor(CWidget* target)
{
    if (!m_HasControl)
    {
        return;
    }
    m_Target = target;
}

void CEdit::Deactivate()
{
    m_Target = nullptr;
}
} // namespace KVX
