// SPDX-License-Identifier: GPL-3.0-or-later
#include "lv2/state_chunk.h"

#include "device/description.h"
#include "formats/program_chunk.h"

namespace KVX::LV2
{
bool IsCompleteChunk(const void* data, std::size_t size)
{
    return Formats::IsCompleteChunk(data, size, Device::Description::kParameterCount);
}
} // namespace KVX::LV2
