// SPDX-License-Identifier: GPL-3.0-or-later
// The device as an LV2 plug-in: control ports in the parameters' plain values, the state as the
// device's program chunk.
#include "device/device.h"
#include "lv2/features.h"
#include "lv2/lv2_names.h"
#include "lv2/port_values.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/state/state.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <memory>
#include <string_view>

namespace KVX::LV2
{
namespace
{
// What the device prepares its own buffers for; longer blocks go through them in pieces.
constexpr std::uint32_t kTypicalBlock = 8192;

bool SameBits(float a, float b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

class CPlugin
{
public:
    CPlugin(std::unique_ptr<CDevice> device, const LV2_URID_Map* map) : m_Device(std::move(device))
    {
        if (map != nullptr)
        {
            m_ChunkKey = map->map(map->handle, std::string(kStateChunkKey).c_str());
            m_ChunkType = map->map(map->handle, LV2_ATOM__Chunk);
        }
        // A port still at the value the processor starts with is not applied, so that a restored state
        // survives until the host actually moves the port.
        for (std::uint32_t i = 0; i < kControlPortCount; ++i)
        {
            m_Applied[i] = RangeOf(Device::Description::kParameters[i]).defaultValue;
        }
    }

    void Connect(std::uint32_t port, void* data)
    {
        if (port < kControlPortCount)
        {
            m_Controls[port] = static_cast<const float*>(data);
        }
        else if (port < kPortCount)
        {
            m_Audio[port - kControlPortCount] = static_cast<float*>(data);
        }
    }

    void Activate() { m_Device->Reset(); }

    void Run(std::uint32_t frames) noexcept
    {
        ApplyControls();
        const float* in[2] = {m_Audio[0], m_Audio[1]};
        float* out[2] = {m_Audio[2], m_Audio[3]};
        m_Device->Process(in, 2, out, 2, frames);
    }

    LV2_State_Status Save(LV2_State_Store_Function store, LV2_State_Handle handle)
    {
        if (m_ChunkKey == 0 || store == nullptr)
        {
            return LV2_STATE_ERR_NO_FEATURE;
        }
        const CDevice::State state = m_Device->SaveState();
        return store(handle, m_ChunkKey, state.data(), state.size(), m_ChunkType,
                     LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE);
    }

    LV2_State_Status Restore(LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle)
    {
        if (m_ChunkKey == 0 || retrieve == nullptr)
        {
            return LV2_STATE_ERR_NO_FEATURE;
        }
        std::size_t size = 0;
        std::uint32_t type = 0;
        std::uint32_t flags = 0;
        const void* data = retrieve(handle, m_ChunkKey, &size, &type, &flags);
        if (data == nullptr)
        {
            return LV2_STATE_ERR_NO_PROPERTY;
        }
        if (type != m_ChunkType)
        {
            return LV2_STATE_ERR_BAD_TYPE;
        }
        // Checked whole: a damaged state changes nothing rather than half of the parameters.
        return m_Device->LoadState(data, size) ? LV2_STATE_SUCCESS : LV2_STATE_ERR_UNKNOWN;
    }

private:
    // Only ports that changed since the last block reach the processor; NaN is ignored like a host
    // that sent nothing, and everything else is clamped to the port's range.
    void ApplyControls() noexcept
    {
        for (std::uint32_t i = 0; i < kControlPortCount; ++i)
        {
            const float* port = m_Controls[i];
            if (port == nullptr || SameBits(*port, m_Applied[i]))
            {
                continue;
            }
            const float value = *port;
            m_Applied[i] = value;
            m_Device->SetValue(static_cast<int>(i), NormalisedFromPort(Device::Description::kParameters[i], value));
        }
    }

    std::unique_ptr<CDevice> m_Device;
    std::array<const float*, kControlPortCount> m_Controls{};
    std::array<float*, 4> m_Audio{};
    std::array<float, kControlPortCount> m_Applied{};
    LV2_URID m_ChunkKey = 0;
    LV2_URID m_ChunkType = 0;
};

LV2_Handle Instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features)
{
    // A rate the filters cannot be designed for is refused rather than run at some other rate.
    if (!CDevice::IsUsableSampleRate(rate))
    {
        return nullptr;
    }
    const auto* map = FeatureWith(features, LV2_URID__map, &LV2_URID_Map::map);
    try
    {
        auto device = CDevice::Create();
        if (device == nullptr)
        {
            return nullptr; // it has shown why
        }
        // LV2 hands blocks of any length; the device copes with every one.
        device->Prepare(rate, kTypicalBlock);
        return new CPlugin(std::move(device), map);
    }
    catch (...)
    {
        return nullptr; // nothing may escape into the host
    }
}

void ConnectPort(LV2_Handle instance, std::uint32_t port, void* data)
{
    static_cast<CPlugin*>(instance)->Connect(port, data);
}

// A (re-)activation starts a new stream: nothing of the last one rings on into it.
void Activate(LV2_Handle instance)
{
    static_cast<CPlugin*>(instance)->Activate();
}

void Run(LV2_Handle instance, std::uint32_t frames)
{
    static_cast<CPlugin*>(instance)->Run(frames);
}

void Deactivate(LV2_Handle) {}

void Cleanup(LV2_Handle instance)
{
    delete static_cast<CPlugin*>(instance);
}

LV2_State_Status Save(LV2_Handle instance, LV2_State_Store_Function store, LV2_State_Handle handle,
                      std::uint32_t, const LV2_Feature* const*)
{
    return static_cast<CPlugin*>(instance)->Save(store, handle);
}

LV2_State_Status Restore(LV2_Handle instance, LV2_State_Retrieve_Function retrieve, LV2_State_Handle handle,
                         std::uint32_t, const LV2_Feature* const*)
{
    return static_cast<CPlugin*>(instance)->Restore(retrieve, handle);
}

const LV2_State_Interface g_StateInterface = {Save, Restore};

const void* ExtensionData(const char* uri)
{
    if (uri != nullptr && std::string_view(uri) == LV2_STATE__interface)
    {
        return &g_StateInterface;
    }
    return nullptr;
}

const LV2_Descriptor g_Descriptor = {KVX_LV2_PLUGIN_URI, Instantiate, ConnectPort,  Activate, Run,
                                     Deactivate,         Cleanup,     ExtensionData};
} // namespace
} // namespace KVX::LV2

extern "C" LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(std::uint32_t index)
{
    return index == 0 ? &KVX::LV2::g_Descriptor : nullptr;
}
