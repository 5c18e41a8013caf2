// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/hint.h"

#include "gui/core/gui.h"

#include <algorithm>

namespace KVX
{
namespace
{
constexpr float kRestBeforeShowMs = 500.0f;
}

CHint::CHint(CGUI* panel, const WidgetSpec& record) : CLabel(panel, record)
{
    m_Opacity.target = 0.0f;
    m_Opacity.current = 0.0f;
    m_Name = u"Hint";
    m_Title = u"Hint";
}

void CHint::MouseMoved(int x, int y)
{
    m_PendingX = x;
    m_PendingY = y;
    m_Restart = true;
}

const CWidget* CHint::Update(float elapsedMs, const CWidget* hovered)
{
    if (m_Restart)
    {
        m_Restart = false;
        m_RestMs = 0.0f;
        m_Opacity.SetTarget(0.0f);
    }
    m_RestMs += elapsedMs;
    if (m_RestMs >= kRestBeforeShowMs)
    {
        m_Opacity.SetTarget(1.0f);
        m_X = m_PendingX;
        m_Y = m_PendingY;
    }
    if ((m_Opacity.target == 0.0f && m_Opacity.current == 0.0f) || hovered == nullptr ||
        !hovered->ShowsHint())
    {
        return nullptr;
    }
    SetText(hovered->GetText(false));
    if (m_LabelText.empty())
    {
        return nullptr;
    }
    const int panelWidth = m_Panel != nullptr ? m_Panel->Width() : 0;
    const int panelHeight = m_Panel != nullptr ? m_Panel->Height() : 0;
    m_X = m_X < 0 ? 0 : std::min(m_X, panelWidth - static_cast<int>(m_WidthAnim.current));
    m_Y = m_Y < 0 ? 0 : std::min(m_Y, panelHeight - m_Height);
    return hovered;
}
} // namespace KVX
