// SPDX-License-Identifier: GPL-3.0-or-later
#include "shell/gui_vst24.h"

#include "formats/program_chunk.h"
#include "vst/audioeffectx.h"

#include <cmath>

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
    // Until a host speaks of scale the rectangle is the panel's own size, whatever the screen: a host
    // that never asked would frame a scaled window wrongly.
    std::int32_t width = m_Width;
    std::int32_t height = m_Height;
    if (HostAskedForScale())
    {
        ScaledSize(width, height);
    }
    m_Rect.top = 0;
    m_Rect.left = 0;
    m_Rect.bottom = static_cast<std::int16_t>(height);
    m_Rect.right = static_cast<std::int16_t>(width);
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
    if (!m_HostScale && !m_ScaleAccepted)
    {
        // A host that says nothing of scale may still take a window sized for the screen (asked once:
        // later changes of the screen arrive as such).
        const double screen = ClampScale(Platform::SystemScale(m_ParentWindow));
        if (screen != Scale())
        {
            AskHostForScale(screen);
        }
    }
    CreatePanelWindow();
    return true;
}

void CGUIVSTv24::SetHostScale(double scale)
{
    if (std::isnan(scale))
    {
        return;
    }
    m_HostScale = true;
    SetScale(scale);
}

void CGUIVSTv24::SetScreenScale(double scale)
{
    if (std::isnan(scale))
    {
        return;
    }
    m_ScaleAccepted = true;
    SetScale(scale);
}

void CGUIVSTv24::OnSystemScaleChanged(double scale)
{
    if (!m_HostScale)
    {
        AskHostForScale(ClampScale(scale));
    }
}

bool CGUIVSTv24::AskHostForScale(double scale)
{
    std::int32_t width = 0;
    std::int32_t height = 0;
    ScaledSize(scale, width, height);
    auto* host = dynamic_cast<AudioEffectX*>(effect);
    if (host == nullptr || !host->sizeWindow(width, height))
    {
        return false;
    }
    m_ScaleAccepted = true;
    SetScale(scale);
    return true;
}

void CGUIVSTv24::close()
{
    systemWindow = nullptr;
    DestroyPanelWindow();
}

void CGUIVSTv24::SetBackground(CWidget*) {}
} // namespace KVX
