// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The tooltip: half a second after the mouse comes to rest over a widget it fades in near the cursor,
// showing the widget's display text.
#include "gui/widgets/label.h"

namespace KVX
{
class CHint : public CLabel
{
public:
    CHint(CGUI* panel, const WidgetSpec& record);

    // The mouse moved (not a drag): restart the wait at the new position.
    void MouseMoved(int x, int y);
    // A drag is under way: show at once.
    void SetRestTime(float ms) { m_RestMs = ms; }

    // Once per frame, after every other widget has been drawn. Returns the widget whose text it shows,
    // or null when nothing is to be drawn.
    const CWidget* Update(float elapsedMs, const CWidget* hovered);

    // Sizes the hint to its text (with its insets around it), then renders it as a label.
    bool RenderLabelImage() override;

    float RestTime() const { return m_RestMs; }
    int PendingX() const { return m_PendingX; }
    int PendingY() const { return m_PendingY; }

protected:
    float m_RestMs = 0.0f;
    int m_PendingX = 0;
    int m_PendingY = 0;
    bool m_Restart = false;
};
} // namespace KVX
