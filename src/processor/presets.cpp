// Programs are single-program preset files with an opaque chunk, carried as module resources of type
// "FXP". Header fields are big-endian; the chunk keeps its own little-endian layout.
#include "gui/core/resource_stream.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "processor/vst_dsp.h"
#include "shell/gui_vst24.h"

#include <cstring>

namespace KVX
{
namespace
{
constexpr std::size_t kFxIdOffset = 16;
constexpr std::size_t kNameOffset = 28;
constexpr std::size_t kNameBytes = 28;
constexpr std::size_t kChunkSizeOffset = 56;
constexpr std::size_t kChunkOffset = 60;

std::uint32_t GetBigEndian(const std::uint8_t* in)
{
    return (static_cast<std::uint32_t>(in[0]) << 24) | (static_cast<std::uint32_t>(in[1]) << 16) |
           (static_cast<std::uint32_t>(in[2]) << 8) | static_cast<std::uint32_t>(in[3]);
}
} // namespace

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
    if (data == nullptr || size < kChunkOffset)
    {
        return; // too short to hold a header: nothing can be read from it
    }
    if (static_cast<VstInt32>(GetBigEndian(data + kFxIdOffset)) != cEffect.uniqueID)
    {
        Platform::ShowMessageBox(u"FXP loading error", u"This preset was created for another Plugin!",
                                 nullptr, Platform::kMessageBoxErrorOk);
        return;
    }

    // The size field is not trusted beyond the bytes that are really there.
    const std::uint32_t declared = GetBigEndian(data + kChunkSizeOffset);
    const std::size_t present = size - kChunkOffset;
    const auto chunkSize = static_cast<std::uint32_t>(declared < present ? declared : present);
    m_Panel->SetChunk(data + kChunkOffset, chunkSize, true);

    char name[kNameBytes + 1] = {};
    std::size_t length = 0;
    while (length < kNameBytes && data[kNameOffset + length] != 0)
    {
        name[length] = static_cast<char>(data[kNameOffset + length]);
        ++length;
    }
    m_ProgramName = Platform::Utf8ToUtf16(std::string_view(name, length));
    m_Panel->OnProgramLoaded(m_ProgramName);
}
} // namespace KVX
