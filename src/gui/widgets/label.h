// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A widget that can show one line of text, rendered into an image of its own.
#include "gui/widgets/widget.h"
#include "platform/font.h"

namespace KVX
{
class CLabel : public CWidget
{
public:
    CLabel(CGUI* panel, const WidgetSpec& record);
    ~CLabel() override;

    void Draw() override;
    void ReleaseTextures() override;
    void SetWidth(float width) override;
    void SetHeight(std::int32_t height) override;

    // Renders the label text into the label's own texture; false when there is nothing to render.
    virtual bool RenderLabelImage();

    // Replaces the text; the label image re-renders on the next draw.
    void SetText(const std::u16string& text);
    const std::u16string& LabelText() const { return m_LabelText; }

protected:
    Platform::Font LabelFont() const;
    // The text as rendered: upper-cased when the record asks for it.
    std::u16string RenderedText() const;
    void ReleaseLabelImage();
    // The label image drawn as one untiled quad over the widget, rendered first when needed.
    void DrawLabelImage();

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
