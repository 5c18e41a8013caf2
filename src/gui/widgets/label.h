#pragma once
// A widget that can show one line of text, rendered into an image of its own.
#include "gui/widgets/widget.h"

namespace KVX
{
class CLabel : public CWidget
{
public:
    CLabel(CGUI* panel, const WidgetSpec& spec);

    // Replaces the text; the label image re-renders on the next draw.
    void SetText(const std::u16string& text);
    const std::u16string& LabelText() const { return m_LabelText; }

protected:
    std::u16string m_LabelText;
    std::u16string m_FontFace;
    std::uint32_t m_TextColour;
    std::int32_t m_FontSize;
    std::int32_t m_TextAlign;
    std::int32_t m_TextRenderingHint;
    bool m_Bold;
    bool m_Italic;
    bool m_UpperCase;
    TextureSlot m_LabelSlot;
    bool m_LabelDirty = true;
};
} // namespace KVX
