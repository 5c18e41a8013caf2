// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/gui.h"

#include <algorithm>
#include <cmath>

namespace KVX
{
CGUI::CGUI(const WidgetSpec& hintSpec, const WidgetSpec& lightSpec)
    : m_Hint(this, hintSpec), m_Edit(this, WidgetSpec{}), m_Light(this, lightSpec)
{
    Platform::CursorHotSpot(m_HotSpotX, m_HotSpotY);
}

CGUI::~CGUI()
{
    DestroyPanelWindow();
}

void CGUI::SetPanelSize(std::int32_t width, std::int32_t height)
{
    // The host's editor rectangle holds 16-bit coordinates.
    m_Width = width < 0 ? 0 : (width > 32767 ? 32767 : width);
    m_Height = height < 0 ? 0 : (height > 32767 ? 32767 : height);
    m_ViewWidth = m_Width;
    m_ViewHeight = m_Height;
}

void CGUI::AddWidget(CWidget* widget)
{
    m_Widgets.push_back(widget);
}

void CGUI::OnValueChanged(CWidget*, float) {}

void CGUI::SetBackground(CWidget*) {}

void CGUI::OnEditBegin(CWidget*) {}

void CGUI::OnEditValue(CWidget*, float) {}

void CGUI::OnEditEnd(CWidget*) {}

CWidget* CGUI::HitWidget(int x, int y, bool skipHintAndEdit) const
{
    for (auto it = m_Widgets.rbegin(); it != m_Widgets.rend(); ++it)
    {
        CWidget* widget = *it;
        if (skipHintAndEdit && (widget == &m_Hint || widget == &m_Edit))
        {
            continue;
        }
        if (widget->HitTest(x, y))
        {
            return widget;
        }
    }
    return nullptr;
}

void CGUI::OnMouseDown(int x, int y, std::uint32_t keys)
{
    ToUnits(x, y);
    PressAt(x, y, keys);
}

void CGUI::OnMouseUp(int x, int y, std::uint32_t keys)
{
    ToUnits(x, y);
    ReleaseAt(x, y, keys);
}

void CGUI::OnMouseMove(int x, int y, std::uint32_t keys)
{
    ToUnits(x, y);
    MoveAt(x, y, keys);
}

void CGUI::OnDoubleClick(int x, int y, std::uint32_t keys)
{
    ToUnits(x, y);
    DoubleClickAt(x, y, keys);
}

void CGUI::PressAt(int x, int y, std::uint32_t keys)
{
    if (m_Pressed != nullptr)
    {
        // Another button during a drag: the pressed widget keeps the press until its own release, so
        // that its edit ends and its cursor returns; this press and its release are ignored.
        ++m_ExtraPresses;
        return;
    }
    m_Edit.Deactivate(); // a press elsewhere on the panel commits an open edit
    if (m_Window)
    {
        m_Window->SetCapture();
    }
    if (CWidget* widget = HitWidget(x, y, false))
    {
        m_Pressed = widget;
        m_PressButtons = keys & (Platform::kKeyLeft | Platform::kKeyRight);
        widget->OnMouseDown(x, y, keys);
    }
}

void CGUI::ReleaseAt(int x, int y, std::uint32_t keys)
{
    if (m_ExtraPresses > 0 && m_Pressed != nullptr)
    {
        --m_ExtraPresses;
        return;
    }
    m_ExtraPresses = 0;
    if (m_Window)
    {
        m_Window->ReleaseCapture();
    }
    if (m_Pressed != nullptr)
    {
        CWidget* widget = m_Pressed;
        m_Pressed = nullptr;
        widget->OnMouseUp(x, y, keys);
    }
}

void CGUI::MoveAt(int x, int y, std::uint32_t keys)
{
    m_LastMouseX = x;
    m_LastMouseY = y;
    if (m_Pressed != nullptr)
    {
        m_Pressed->OnMouseMove(x, y, keys);
        m_Hint.SetRestTime(500.0f); // a drag shows the hint at once and lets it follow the value
        return;
    }
    int hotX = 0;
    int hotY = 0;
    CursorHotSpotOffset(hotX, hotY);
    m_Hint.MouseMoved(x + hotX, y + hotY);
    if (CWidget* widget = HitWidget(x, y, true))
    {
        if (widget != m_Hovered)
        {
            if (m_Hovered != nullptr)
            {
                m_Hovered->OnMouseLeave();
            }
            m_Hovered = widget;
            widget->OnMouseEnter();
        }
        widget->OnMouseMove(x, y, keys);
        return;
    }
    if (m_Hovered != nullptr)
    {
        m_Hovered->OnMouseLeave();
        m_Hovered = nullptr;
    }
}

void CGUI::DoubleClickAt(int x, int y, std::uint32_t keys)
{
    if (CWidget* widget = HitWidget(x, y, false))
    {
        m_Pressed = widget;
        m_PressButtons = keys & (Platform::kKeyLeft | Platform::kKeyRight);
        widget->OnDoubleClick(x, y, keys);
    }
}

void CGUI::OnMouseLeftWindow()
{
    if (m_Pressed != nullptr)
    {
        return;
    }
    int hotX = 0;
    int hotY = 0;
    CursorHotSpotOffset(hotX, hotY);
    m_Hint.MouseMoved(m_LastMouseX + hotX, m_LastMouseY + hotY); // hides it until the next rest
    if (m_Hovered != nullptr)
    {
        m_Hovered->OnMouseLeave();
        m_Hovered = nullptr;
    }
}

void CGUI::OnWindowClosing()
{
    m_Edit.Deactivate();
    if (m_Pressed != nullptr)
    {
        m_ExtraPresses = 0; // closing ends the press itself
        ReleaseAt(m_LastMouseX, m_LastMouseY, m_PressButtons);
    }
    else if (m_Window)
    {
        m_Window->ReleaseCapture(); // a press outside every widget holds the capture alone
    }
    OnMouseLeftWindow();
}

void CGUI::OnMouseWheel(float steps, std::uint32_t keys)
{
    if (m_Hovered != nullptr)
    {
        m_Hovered->OnMouseWheel(steps, keys);
    }
}

// ---- scale ---------------------------------------------------------------------------------------------

double CGUI::ClampScale(double scale)
{
    if (!std::isfinite(scale))
    {
        return kMinScale;
    }
    return std::clamp(scale, kMinScale, kMaxScale);
}

void CGUI::ScaledSize(double scale, std::int32_t& width, std::int32_t& height) const
{
    scale = ClampScale(scale);
    width = static_cast<std::int32_t>(std::min(32767L, std::lround(m_Width * scale)));
    height = static_cast<std::int32_t>(std::min(32767L, std::lround(m_Height * scale)));
}

void CGUI::SetScale(double scale)
{
    if (std::isnan(scale))
    {
        return;
    }
    scale = ClampScale(scale);
    m_Scale.store(scale);
    if (m_Window)
    {
        std::int32_t width = 0;
        std::int32_t height = 0;
        ScaledSize(scale, width, height);
        m_Window->Resize(width, height);
    }
}

void CGUI::ToUnits(int& x, int& y) const
{
    if ((m_ViewWidth == m_Width && m_ViewHeight == m_Height) || m_ViewWidth <= 0 || m_ViewHeight <= 0)
    {
        return;
    }
    // The pixel's centre, so that every unit gets the pixels whose centres fall inside it.
    x = static_cast<int>(std::floor((x + 0.5) * m_Width / m_ViewWidth));
    y = static_cast<int>(std::floor((y + 0.5) * m_Height / m_ViewHeight));
}

void CGUI::ToWindow(int& x, int& y, int& width, int& height) const
{
    if (m_Width <= 0 || m_Height <= 0)
    {
        return;
    }
    const double sx = static_cast<double>(m_ViewWidth) / m_Width;
    const double sy = static_cast<double>(m_ViewHeight) / m_Height;
    const auto left = static_cast<int>(std::lround(x * sx));
    const auto top = static_cast<int>(std::lround(y * sy));
    width = static_cast<int>(std::lround((x + width) * sx)) - left;
    height = static_cast<int>(std::lround((y + height) * sy)) - top;
    x = left;
    y = top;
}

double CGUI::ViewScale() const
{
    if (m_Width <= 0 || m_Height <= 0)
    {
        return 1.0;
    }
    return std::max(static_cast<double>(m_ViewWidth) / m_Width, static_cast<double>(m_ViewHeight) / m_Height);
}

void CGUI::CursorHotSpotOffset(int& x, int& y) const
{
    x = m_HotSpotX;
    y = m_HotSpotY;
    if ((m_ViewWidth != m_Width || m_ViewHeight != m_Height) && m_ViewWidth > 0 && m_ViewHeight > 0)
    {
        x = static_cast<int>(std::lround(static_cast<double>(x) * m_Width / m_ViewWidth));
        y = static_cast<int>(std::lround(static_cast<double>(y) * m_Height / m_ViewHeight));
    }
}

void CGUI::OpenEditBox(CWidget* widget)
{
    m_Edit.OpenFor(widget);
}

Platform::TextField* CGUI::TextField(Platform::TextFieldClient* client) const
{
    return m_Window ? m_Window->GetTextField(client) : nullptr;
}

bool CGUI::GetCursorScreenPos(int& x, int& y)
{
    return m_Window && m_Window->GetCursorScreenPos(x, y);
}

void CGUI::SetCursorScreenPos(int x, int y)
{
    if (m_Window)
    {
        m_Window->SetCursorScreenPos(x, y);
    }
}

void CGUI::ShowCursor(bool show)
{
    if (m_Window)
    {
        m_Window->ShowCursor(show);
    }
}
} // namespace KVX
