// SPDX-License-Identifier: GPL-3.0-or-later
// The hint sizes itself to its text and draws as a nine-sliced frame with the text inside.
#include "gui/core/gui.h"
#include "gui/widgets/hint.h"

namespace KVX
{
bool CHint::RenderLabelImage()
{
    m_Height = 0;
    m_WidthAnim.target = 0.0f;
    if (m_WidthAnim.riseMs <= 0.0f)
    {
        m_WidthAnim.current = 0.0f;
    }
    if (m_LabelText.empty() || m_Panel == nullptr)
    {
        return false;
    }
    const Platform::TextBox box = m_Panel->MeasureText(RenderedText(), LabelFont());
    const auto width = static_cast<float>(static_cast<std::int32_t>(
        box.left + box.width + static_cast<float>(m_InsetLeft + m_InsetRight) + 0.5f));
    m_Height = static_cast<std::int32_t>(box.top + box.height +
                                         static_cast<float>(m_InsetTop + m_InsetBottom) + 0.5f);
    m_WidthAnim.target = width;
    m_WidthAnim.current = width;
    return CLabel::RenderLabelImage();
}
} // namespace KVX
