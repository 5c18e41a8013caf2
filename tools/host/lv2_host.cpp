// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/lv2_host.h"

#include <lv2/atom/atom.h>

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

Lv2UiModule::Lv2UiModule(const std::string& path)
{
    m_Handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (m_Handle == nullptr)
    {
        m_Error = "cannot load " + path + ": " + dlerror();
        return;
    }
    using DescriptorFunction = const LV2UI_Descriptor* (*)(std::uint32_t);
    auto entry = reinterpret_cast<DescriptorFunction>(dlsym(m_Handle, "lv2ui_descriptor"));
    if (entry == nullptr)
    {
        m_Error = path + " exports no lv2ui_descriptor";
        return;
    }
    m_Descriptor = entry(0);
}

Lv2UiModule::~Lv2UiModule()
{
    if (m_Handle != nullptr)
    {
        dlclose(m_Handle);
    }
}

Lv2UiInstance::Lv2UiInstance(const Lv2UiModule& module, const std::string& pluginUri, std::uintptr_t parent,
                             std::optional<float> scaleFactor, ResizeHandler resize)
    : m_Descriptor(module.Descriptor()), m_ResizeHandler(std::move(resize))
{
    if (m_Descriptor == nullptr)
    {
        return;
    }
    if (scaleFactor)
    {
        m_ScaleFactor = *scaleFactor;
        m_Options.push_back({LV2_OPTIONS_INSTANCE, 0, m_Map.Map(LV2_UI__scaleFactor), sizeof m_ScaleFactor,
                             m_Map.Map(LV2_ATOM__Float), &m_ScaleFactor});
    }
    m_Options.push_back({LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr});
    m_Resize = {this, &HostResize};
    m_Features = {{LV2_UI__parent, reinterpret_cast<void*>(parent)},
                  *m_Map.Feature(),
                  {LV2_UI__resize, &m_Resize},
                  {LV2_OPTIONS__options, m_Options.data()}};
    std::vector<const LV2_Feature*> features;
    for (const LV2_Feature& feature : m_Features)
    {
        features.push_back(&feature);
    }
    features.push_back(nullptr);
    m_Handle = m_Descriptor->instantiate(m_Descriptor, pluginUri.c_str(), "", &Write, this, &m_Widget,
                                         features.data());
}

Lv2UiInstance::~Lv2UiInstance()
{
    if (m_Handle != nullptr)
    {
        m_Descriptor->cleanup(m_Handle);
    }
}

void Lv2UiInstance::Idle()
{
    const auto* idle =
        m_Descriptor->extension_data != nullptr
            ? static_cast<const LV2UI_Idle_Interface*>(m_Descriptor->extension_data(LV2_UI__idleInterface))
            : nullptr;
    if (idle != nullptr)
    {
        idle->idle(m_Handle);
    }
}

void Lv2UiInstance::PortEvent(std::uint32_t port, float value)
{
    if (m_Descriptor->port_event != nullptr)
    {
        m_Descriptor->port_event(m_Handle, port, sizeof value, 0, &value);
    }
}

std::optional<int> Lv2UiInstance::Resize(int width, int height)
{
    const auto* resize = m_Descriptor->extension_data != nullptr
                             ? static_cast<const LV2UI_Resize*>(m_Descriptor->extension_data(LV2_UI__resize))
                             : nullptr;
    if (resize == nullptr || resize->ui_resize == nullptr)
    {
        return std::nullopt;
    }
    return resize->ui_resize(m_Handle, width, height);
}

std::optional<std::uint32_t> Lv2UiInstance::SetScaleFactor(double scale, bool asDouble)
{
    const auto* options =
        m_Descriptor->extension_data != nullptr
            ? static_cast<const LV2_Options_Interface*>(m_Descriptor->extension_data(LV2_OPTIONS__interface))
            : nullptr;
    if (options == nullptr || options->set == nullptr)
    {
        return std::nullopt;
    }
    const float single = static_cast<float>(scale);
    const LV2_Options_Option list[] = {
        {LV2_OPTIONS_INSTANCE, 0, m_Map.Map(LV2_UI__scaleFactor),
         asDouble ? static_cast<std::uint32_t>(sizeof scale) : static_cast<std::uint32_t>(sizeof single),
         m_Map.Map(asDouble ? LV2_ATOM__Double : LV2_ATOM__Float),
         asDouble ? static_cast<const void*>(&scale) : static_cast<const void*>(&single)},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    return options->set(m_Handle, list);
}

std::optional<float> Lv2UiInstance::ScaleFactor()
{
    const auto* options =
        m_Descriptor->extension_data != nullptr
            ? static_cast<const LV2_Options_Interface*>(m_Descriptor->extension_data(LV2_OPTIONS__interface))
            : nullptr;
    if (options == nullptr || options->get == nullptr)
    {
        return std::nullopt;
    }
    LV2_Options_Option list[] = {{LV2_OPTIONS_INSTANCE, 0, m_Map.Map(LV2_UI__scaleFactor), 0, 0, nullptr},
                                 {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    if (options->get(m_Handle, list) != LV2_OPTIONS_SUCCESS || list[0].value == nullptr ||
        list[0].type != m_Map.Map(LV2_ATOM__Float) || list[0].size != sizeof(float))
    {
        return std::nullopt;
    }
    float value;
    std::memcpy(&value, list[0].value, sizeof value);
    return value;
}

void Lv2UiInstance::Write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                          std::uint32_t protocol, const void* buffer)
{
    if (protocol == 0 && size == sizeof(float) && buffer != nullptr)
    {
        float value;
        std::memcpy(&value, buffer, sizeof value);
        static_cast<Lv2UiInstance*>(controller)->m_Writes.push_back({port, value});
    }
}

int Lv2UiInstance::HostResize(LV2UI_Feature_Handle handle, int width, int height)
{
    auto* self = static_cast<Lv2UiInstance*>(handle);
    self->m_ResizeRequests.emplace_back(width, height);
    return self->m_ResizeHandler && self->m_ResizeHandler(width, height) ? 0 : 1;
}
} // namespace KVX::Host
