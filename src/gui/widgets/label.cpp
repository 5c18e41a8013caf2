#include "gui/widgets/label.h"

namespace KVX
{
CLabel::CLabel(CGUI* panel, const WidgetSpec& spec)
    : CWidget(panel, spec), m_LabelText(spec.labelText), m_FontFace(spec.fontFace),
      m_TextColour(spec.textColour), m_FontSize(spec.fontSize), m_TextAlign(spec.textAlign),
      m_TextRenderingHint(spec.textRenderingHint), m_Bold(spec.bold != 0), m_Italic(spec.italic != 0),
      m_UpperCase(spec.upperCase != 0)
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
