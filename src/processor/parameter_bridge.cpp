// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter side of the editor adapter: every host parameter is the value of the first widget bound
// to its index. Reads and writes reach the widgets whether or not the editor window is open.
#include "formats/program_chunk.h"
#include "gui/widgets/knob.h"
#include "shell/gui_vst24.h"
#include "vst/audioeffectx.h"

namespace KVX
{
CWidget* CGUIVSTv24::BoundWidget(std::int32_t index) const
{
    if (index < 0)
    {
        return nullptr; // -1 marks unbound widgets; no host index is negative
    }
    for (CWidget* widget : m_Widgets)
    {
        if (widget->ParamIndex() == index)
        {
            return widget;
        }
    }
    return nullptr;
}

CMeter* CGUIVSTv24::AsValueHolder(CWidget* widget)
{
    return dynamic_cast<CMeter*>(widget);
}

std::u16string CGUIVSTv24::ParamName(std::int32_t index) const
{
    const CWidget* widget = BoundWidget(index);
    return widget != nullptr ? widget->Title() : m_Empty;
}

std::u16string CGUIVSTv24::ParamDisplay(std::int32_t index) const
{
    const CWidget* widget = BoundWidget(index);
    return widget != nullptr ? widget->GetText(true) : m_Empty;
}

std::u16string CGUIVSTv24::ParamLabel(std::int32_t index) const
{
    const auto* knob = dynamic_cast<const CKnob*>(BoundWidget(index));
    return knob != nullptr ? knob->Unit() : m_Empty;
}

float CGUIVSTv24::ParamValue(std::int32_t index) const
{
    const CMeter* meter = AsValueHolder(BoundWidget(index));
    return meter != nullptr ? meter->Value() : 0.0f;
}

void CGUIVSTv24::SetParamValue(std::int32_t index, float value)
{
    if (CMeter* meter = AsValueHolder(BoundWidget(index)))
    {
        meter->SetValue(value);
    }
}

void CGUIVSTv24::AutomateParam(std::int32_t index, float value)
{
    if (effect != nullptr)
    {
        effect->setParameterAutomated(index, value);
    }
}

void CGUIVSTv24::BeginParamEdit(std::int32_t index)
{
    if (auto* fx = dynamic_cast<AudioEffectX*>(effect))
    {
        fx->beginEdit(index);
    }
}

void CGUIVSTv24::EndParamEdit(std::int32_t index)
{
    if (auto* fx = dynamic_cast<AudioEffectX*>(effect))
    {
        fx->endEdit(index);
    }
}

// On Linux the panel runs on the editor's own thread, so these reach the host from that thread rather than
// from its user-interface thread. VST 2.4 hosts accept audioMasterAutomate from any thread; begin and end
// edit come from that same thread, so the host sees the three in order. A widget bound to no parameter has
// nothing to report.
void CGUIVSTv24::OnEditBegin(CWidget* widget)
{
    if (widget != nullptr && widget->ParamIndex() >= 0)
    {
        BeginParamEdit(widget->ParamIndex());
    }
}

void CGUIVSTv24::OnEditValue(CWidget* widget, float value)
{
    if (widget != nullptr && widget->ParamIndex() >= 0)
    {
        AutomateParam(widget->ParamIndex(), value);
    }
}

void CGUIVSTv24::OnEditEnd(CWidget* widget)
{
    if (widget != nullptr && widget->ParamIndex() >= 0)
    {
        EndParamEdit(widget->ParamIndex());
    }
}

void CGUIVSTv24::OnProgramLoaded(const std::u16string&) {}

void CGUIVSTv24::OnProgramRenamed(const std::u16string&) {}

std::int32_t CGUIVSTv24::GetChunk(void** data, bool isPreset)
{
    if (data == nullptr || !isPreset)
    {
        return 0;
    }
    const auto entries = static_cast<std::int32_t>(m_Chunk.size() / Formats::kChunkEntryBytes);
    for (CWidget* widget : m_Widgets)
    {
        const std::int32_t k = widget->ParamIndex();
        if (k < 0 || k >= entries)
        {
            continue; // only the host parameters have a place in the chunk
        }
        const CMeter* meter = AsValueHolder(widget);
        Formats::PutChunkEntry(m_Chunk.data(), static_cast<std::size_t>(k),
                               {k, meter != nullptr ? meter->Value() : 0.0f});
    }
    *data = m_Chunk.data();
    return static_cast<std::int32_t>(m_Chunk.size());
}

bool CGUIVSTv24::SetChunk(const void* data, std::uint32_t byteSize, bool isPreset)
{
    if (data == nullptr || byteSize == 0 || !isPreset)
    {
        return false;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    const std::size_t entries = Formats::ChunkEntryCount(byteSize);
    for (std::size_t i = 0; i < entries; ++i)
    {
        const Formats::ChunkEntry entry = Formats::GetChunkEntry(bytes, i);
        if (CMeter* meter = AsValueHolder(BoundWidget(entry.index)))
        {
            meter->SetValue(entry.value);
        }
    }
    return true;
}
} // namespace KVX
