// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/label.h"

namespace KVX
{
CLabel::CLabel(CGUI* panel, const WidgetSpec& record)
    : CWidget(panel, record), m_LabelText(record.labelText), m_FontFace(record.fontFace),
      m_TextColour(record.textColour), m_FontSize(record.fontSize), m_TextAlign(record.textAlign),
      m_TextRenderingHint(record.textRenderingHint), m_Bold(record.bold != 0), m_Italic(record.italic != 0),
      m_UpperCase(record.upperCase != 0)
{
}

CLabel::~CLabel() = default;

void CLabel::SetText(const std::u16string& text)
{
    if (text != m_LabelText)
    {
        m_LabelText = text;
        ReleaseLabelImage();
    }
}
} // namespace KVX
