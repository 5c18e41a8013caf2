// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/lv2_host.h"

#include <cstring>
#include <dlfcn.h>

namespace KVX::Host
{
UridMap::UridMap()
{
    m_Map.handle = this;
    m_Map.map = &MapCallback;
    m_Feature.URI = LV2_URID__map;
    m_Feature.data = &m_Map;
}

LV2_URID UridMap::Map(const std::string& uri)
{
    for (std::size_t i = 0; i < m_Uris.size(); ++i)
    {
        if (m_Uris[i] == uri)
        {
            return static_cast<LV2_URID>(i + 1);
        }
    }
    m_Uris.push_back(uri);
    return static_cast<LV2_URID>(m_Uris.size());
}

LV2_URID UridMap::MapCallback(LV2_URID_Map_Handle handle, const char* uri)
{
    return static_cast<UridMap*>(handle)->Map(uri);
}

Lv2Module::Lv2Module(const std::string& path)
{
    m_Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_Handle == nullptr)
    {
        m_Error = "cannot load " + path + ": " + dlerror();
        return;
    }
    using DescriptorFunction = const LV2_Descriptor* (*)(std::uint32_t);
    auto entry = reinterpret_cast<DescriptorFunction>(dlsym(m_Handle, "lv2_descriptor"));
    if (entry == nullptr)
    {
        m_Error = path + " exports no lv2_descriptor";
        return;
    }
    m_Descriptor = entry(0);
    m_MoreThanOnePlugin = entry(1) != nullptr;
}

Lv2Module::~Lv2Module()
{
    if (m_Handle != nullptr)
    {
        dlclose(m_Handle);
    }
}

Lv2Instance::Lv2Instance(const Lv2Module& module, double sampleRate, UridMap* map)
    : m_Descriptor(module.Descriptor())
{
    if (m_Descriptor == nullptr)
    {
        return;
    }
    const LV2_Feature* features[] = {map != nullptr ? map->Feature() : nullptr, nullptr};
    m_Handle = m_Descriptor->instantiate(m_Descriptor, sampleRate, "", features);
    if (m_Handle == nullptr)
    {
        return;
    }
    for (std::uint32_t i = 0; i < LV2::kControlPortCount; ++i)
    {
        m_Controls[i] = LV2::RangeOf(Device::Description::kParameters[i]).defaultValue;
        m_Descriptor->connect_port(m_Handle, i, &m_Controls[i]);
    }
    if (m_Descriptor->extension_data != nullptr)
    {
        m_State = static_cast<const LV2_State_Interface*>(m_Descriptor->extension_data(LV2_STATE__interface));
    }
    m_Descriptor->activate(m_Handle);
}

Lv2Instance::~Lv2Instance()
{
    if (m_Handle != nullptr)
    {
        m_Descriptor->deactivate(m_Handle);
        m_Descriptor->cleanup(m_Handle);
    }
}

void Lv2Instance::Run(float* inLeft, float* inRight, float* outLeft, float* outRight, std::uint32_t frames)
{
    m_Descriptor->connect_port(m_Handle, LV2::kAudioInLeft, inLeft);
    m_Descriptor->connect_port(m_Handle, LV2::kAudioInRight, inRight);
    m_Descriptor->connect_port(m_Handle, LV2::kAudioOutLeft, outLeft);
    m_Descriptor->connect_port(m_Handle, LV2::kAudioOutRight, outRight);
    m_Descriptor->run(m_Handle, frames);
}

void Lv2Instance::Reactivate()
{
    m_Descriptor->deactivate(m_Handle);
    m_Descriptor->activate(m_Handle);
}

namespace
{
LV2_State_Status Store(LV2_State_Handle handle, std::uint32_t key, const void* value, std::size_t size,
                       std::uint32_t type, std::uint32_t flags)
{
    StateValue stored;
    stored.bytes.assign(static_cast<const unsigned char*>(value),
                        static_cast<const unsigned char*>(value) + size);
    stored.type = type;
    stored.flags = flags;
    (*static_cast<State*>(handle))[key] = std::move(stored);
    return LV2_STATE_SUCCESS;
}

const void* Retrieve(LV2_State_Handle handle, std::uint32_t key, std::size_t* size, std::uint32_t* type,
                     std::uint32_t* flags)
{
    const State& state = *static_cast<const State*>(handle);
    const auto found = state.find(key);
    if (found == state.end())
    {
        return nullptr;
    }
    *size = found->second.bytes.size();
    *type = found->second.type;
    *flags = found->second.flags;
    // An empty value still needs an address that is not null.
    static const unsigned char kNothing = 0;
    return found->second.bytes.empty() ? &kNothing : found->second.bytes.data();
}
} // namespace

LV2_State_Status Lv2Instance::Save(State& state)
{
    if (m_State == nullptr)
    {
        return LV2_STATE_ERR_UNKNOWN;
    }
    const LV2_Feature* features[] = {nullptr};
    return m_State->save(m_Handle, &Store, &state, LV2_STATE_IS_POD | LV2_STATE_IS_PORTABLE, features);
}

LV2_State_Status Lv2Instance::Restore(const State& state)
{
    if (m_State == nullptr)
    {
        return LV2_STATE_ERR_UNKNOWN;
    }
    const LV2_Feature* features[] = {nullptr};
    return m_State->restore(m_Handle, &Retrieve, const_cast<State*>(&state), 0, features);
}
} // namespace KVX::Host
