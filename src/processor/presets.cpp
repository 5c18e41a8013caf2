// SPDX-License-Identifier: GPL-3.0-or-later
// Programs are single-program preset files with an opaque chunk, carried as module resources of type
// "FXP". Header fields are big-endian; the chunk keeps its own little-endian layout.
#include "formats/fxp.h"
#include "gui/core/resource_stream.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "processor/vst_dsp.h"
#include "shell/gui_vst24.h"

namespace KVX
{
void CVSTDSP::LoadProgram(VstInt32 index)
{
    const auto count = static_cast<VstInt32>(m_Programs.size());
    if (index < 0)
    {
        index = count - 1;
    }
    if (index >= count)
    {
        index = 0;
    }
    if (index == curProgram || index < 0)
    {
        return;
    }
    curProgram = index;

    Platform::ResourceView resource;
    OpenResourceStream(m_Programs[static_cast<std::size_t>(index)].resourceName, u"FXP", resource, true);
    ApplyPresetBuffer(resource.data, resource.size);
}

void CVSTDSP::ApplyPresetBuffer(const std::uint8_t* data, std::size_t size)
{
    Formats::Fxp::Header header{};
    const std::uint8_t* chunk = nullptr;
    std::uint32_t chunkSize = 0;
    if (!Formats::Fxp::ReadHeader(data, size, header) ||
        !Formats::Fxp::ReadOpaqueChunk(data, size, chunk, chunkSize))
    {
        return; // too short to hold a header and a chunk size: nothing can be read from it
    }
    if (header.pluginId != cEffect.uniqueID)
    {
        Platform::ShowMessageBox(u"FXP loading error", u"This preset was created for another Plugin!",
                                 nullptr, Platform::kMessageBoxErrorOk);
        return;
    }

    // The size field is not trusted beyond the bytes that are really there.
    m_Panel->SetChunk(chunk, chunkSize, true);
    m_ProgramName = Platform::Utf8ToUtf16(header.name);
    m_Panel->OnProgramLoaded(m_ProgramName);
}
} // namespace KVX
