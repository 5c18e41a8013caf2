// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/gui_vst24.h"

#include "formats/program_chunk.h"

namespace KVX
{
CGUIVSTv24::CGUIVSTv24(AudioEffect* owner, const WidgetSpec& hintSpec, const WidgetSpec& lightSpec,
                       std::int32_t parameterCount)
    : CGUI(hintSpec, lightSpec), AEffEditor(owner),
      m_Chunk(Formats::ChunkBytes(static_cast<std::size_t>(parameterCount > 0 ? parameterCount : 0)))
{
}

CGUIVSTv24::~CGUIVSTv24()
{
    // The processor is being destroyed around us: a drag that the window's end releases must not reach
    // it or the host any more.
    effect = nullptr;
    DestroyPanelWindow();
}

bool CGUIVSTv24::getRect(ERect** rect)
{
    m_Rect.top = 0;
    m_Rect.left = 0;
    m_Rect.bottom = static_cast<std::int16_t>(m_Height);
    m_Rect.right = static_cast<std::int16_t>(m_Width);
    if (rect != nullptr)
    {
        *rect = &m_Rect;
    }
    return true;
}

bool CGUIVSTv24::open(void* parent)
{
    if (HasWindow())
    {
        return true; // already open: no second window, context or first frame
    }
    systemWindow = parent;
    m_ParentWindow = reinterpret_cast<std::uintptr_t>(parent);
    CreatePanelWindow();
    return true;
}

void CGUIVSTv24::close()
{
    systemWindow = nullptr;
    DestroyPanelWindow();
}

void CGUIVSTv24::SetBackground(CWidget*) {}
} // namespace KVX
