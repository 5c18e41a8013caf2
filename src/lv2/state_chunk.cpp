#include "lv2/state_chunk.h"

#include "device/description.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace KVX::LV2
{
bool IsCompleteChunk(const void* data, std::size_t size)
{
    using Device::Description::kChunkBytes;
    using Device::Description::kParameterCount;
    if (data == nullptr || size != static_cast<std::size_t>(kChunkBytes))
    {
        return false;
    }
    const auto* bytes = static_cast<const unsigned char*>(data);
    bool seen[kParameterCount] = {};
    for (int entry = 0; entry < kParameterCount; ++entry)
    {
        std::int32_t index = 0;
        float value = 0.0f;
        std::memcpy(&index, bytes + 8 * entry, sizeof index);
        std::memcpy(&value, bytes + 8 * entry + 4, sizeof value);
        if (index < 0 || index >= kParameterCount || seen[index] || !std::isfinite(value))
        {
            return false;
        }
        seen[index] = true;
    }
    return true;
}
} // namespace KVX::LV2
