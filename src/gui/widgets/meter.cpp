// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/widgets/meter.h"

#include "gui/core/gui.h"

#include <cmath>

namespace KVX
{
float CMeter::Sanitise(float v)
{
    if (std::isnan(v))
    {
        return 0.0f; // the engine indexes its tables with the value: NaN must never be stored
    }
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

CMeter::CMeter(CGUI* panel, const WidgetSpec& record)
    : CLabel(panel, record), m_RiseMs(static_cast<std::int32_t>(record.riseMs)),
      m_FallMs(static_cast<std::int32_t>(record.fallMs)), m_OnColour(record.onColour)
{
    const float value = Sanitise(record.defaultValue);
    m_Value.store(value, std::memory_order_relaxed);
    if ((value > 0.0f && m_RiseMs == 0) || (value < 0.0f && m_FallMs == 0))
    {
        m_Shown.store(value, std::memory_order_relaxed);
    }
}

bool CMeter::StoreValue(float v)
{
    if (std::isnan(v))
    {
        return false; // no value at all: a host's NaN must not switch IN off or drop a band to the floor
    }
    v = Sanitise(v);
    const float old = m_Value.load(std::memory_order_relaxed);
    if (v == old)
    {
        return false;
    }
    m_Value.store(v, std::memory_order_relaxed);
    if ((v > old && m_RiseMs == 0) || (v < old && m_FallMs == 0))
    {
        m_Shown.store(v, std::memory_order_relaxed);
    }
    return true;
}

void CMeter::SetValue(float v)
{
    StoreValue(v);
}

void CMeter::EditInOneStep(float v, bool immediate)
{
    if (m_Panel == nullptr || std::isnan(v) || Sanitise(v) == Value())
    {
        return; // no change: a host would only gain an empty undo step
    }
    m_Panel->OnEditBegin(this);
    SetValue(v);
    if (immediate)
    {
        m_Shown.store(Value(), std::memory_order_relaxed);
    }
    m_Panel->OnEditValue(this, Value());
    m_Panel->OnEditEnd(this);
}

void CMeter::Tick(float elapsedMs)
{
    CLabel::Tick(elapsedMs);
    const float value = Value();
    float shown = ShownValue();
    if (value > shown)
    {
        shown = m_RiseMs > 0 ? shown + elapsedMs / static_cast<float>(m_RiseMs) : value;
        if (shown > value)
        {
            shown = value;
        }
    }
    else if (value < shown)
    {
        shown = m_FallMs > 0 ? shown - elapsedMs / static_cast<float>(m_FallMs) : value;
        if (shown < value)
        {
            shown = value;
        }
    }
    m_Shown.store(shown, std::memory_order_relaxed);
}
} // namespace KVX
