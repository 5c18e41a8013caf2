// SPDX-License-Identifier: GPL-3.0-or-later
// A CLAP file holding two small plug-ins, for tovik's choice between several: each scales its stereo input
// by its "Gain" parameter, which starts at 0.5 for one and 2 for the other.
#include "clap/clap_abi.h"

#include <cstring>
#include <string_view>

namespace
{
using namespace KVX::Clap;

const char* const kFeatures[] = {"audio-effect", nullptr};
const PluginDescriptor kDescriptors[] = {
    {kVersion, "example.test.half", "Half", "Test", "", "", "", "1", "Halves the input", kFeatures},
    {kVersion, "example.test.double", "Double", "Test", "", "", "", "1", "Doubles the input", kFeatures},
};

struct Instance
{
    Plugin record{};
    double gain = 1.0;
};

Instance* Of(const Plugin* plugin)
{
    return static_cast<Instance*>(plugin->pluginData);
}

void Apply(Instance& self, const InputEvents* in)
{
    for (std::uint32_t i = 0; in != nullptr && i < in->size(in); ++i)
    {
        const EventHeader* header = in->get(in, i);
        if (header != nullptr && header->type == kEventParamValue && header->size >= sizeof(EventParamValue))
        {
            self.gain = reinterpret_cast<const EventParamValue*>(header)->value;
        }
    }
}

std::uint32_t KVX_CLAP_CALL ParamCount(const Plugin*)
{
    return 1;
}

bool KVX_CLAP_CALL ParamInfoAt(const Plugin* plugin, std::uint32_t index, ParamInfo* info)
{
    if (index != 0)
    {
        return false;
    }
    *info = ParamInfo{};
    info->id = 7;
    info->flags = kParamIsAutomatable;
    std::strcpy(info->name, "Gain");
    info->minValue = 0.0;
    info->maxValue = 4.0;
    info->defaultValue = plugin->desc == &kDescriptors[0] ? 0.5 : 2.0;
    return true;
}

bool KVX_CLAP_CALL ParamValue(const Plugin* plugin, Id id, double* value)
{
    *value = Of(plugin)->gain;
    return id == 7;
}

bool KVX_CLAP_CALL ParamText(const Plugin*, Id, double, char*, std::uint32_t)
{
    return false;
}

bool KVX_CLAP_CALL ParamFromText(const Plugin*, Id, const char*, double*)
{
    return false;
}

void KVX_CLAP_CALL ParamFlush(const Plugin* plugin, const InputEvents* in, const OutputEvents*)
{
    Apply(*Of(plugin), in);
}

const PluginParams kParams = {ParamCount, ParamInfoAt, ParamValue, ParamText, ParamFromText, ParamFlush};

std::uint32_t KVX_CLAP_CALL PortCount(const Plugin*, bool)
{
    return 1;
}

bool KVX_CLAP_CALL PortInfo(const Plugin*, std::uint32_t index, bool isInput, AudioPortInfo* info)
{
    if (index != 0)
    {
        return false;
    }
    *info = AudioPortInfo{};
    std::strcpy(info->name, isInput ? "In" : "Out");
    info->flags = kAudioPortIsMain;
    info->channelCount = 2;
    info->portType = kPortStereo;
    info->inPlacePair = kInvalidId;
    return true;
}

const PluginAudioPorts kPorts = {PortCount, PortInfo};

ProcessStatus KVX_CLAP_CALL Run(const Plugin* plugin, const Process* process)
{
    Instance& self = *Of(plugin);
    Apply(self, process->inEvents);
    for (std::uint32_t c = 0; c < 2; ++c)
    {
        const float* in = process->audioInputs[0].data32[c];
        float* out = process->audioOutputs[0].data32[c];
        for (std::uint32_t i = 0; i < process->framesCount; ++i)
        {
            out[i] = static_cast<float>(in[i] * self.gain);
        }
    }
    return kProcessContinue;
}

const void* KVX_CLAP_CALL Extension(const Plugin*, const char* id)
{
    const std::string_view name = id;
    if (name == kExtParams)
    {
        return &kParams;
    }
    return name == kExtAudioPorts ? &kPorts : nullptr;
}

const Plugin* KVX_CLAP_CALL Create(const PluginFactory*, const Host*, const char* id)
{
    for (const auto& descriptor : kDescriptors)
    {
        if (std::strcmp(id, descriptor.id) == 0)
        {
            auto* self = new Instance;
            self->gain = &descriptor == &kDescriptors[0] ? 0.5 : 2.0;
            self->record = {&descriptor,
                            self,
                            [](const Plugin*) { return true; },
                            [](const Plugin* p) { delete Of(p); },
                            [](const Plugin*, double, std::uint32_t, std::uint32_t) { return true; },
                            [](const Plugin*) {},
                            [](const Plugin*) { return true; },
                            [](const Plugin*) {},
                            [](const Plugin*) {},
                            Run,
                            Extension,
                            [](const Plugin*) {}};
            return &self->record;
        }
    }
    return nullptr;
}

const PluginFactory kFactory = {[](const PluginFactory*) -> std::uint32_t { return 2; },
                                [](const PluginFactory*, std::uint32_t i) -> const PluginDescriptor*
                                { return i < 2 ? &kDescriptors[i] : nullptr; },
                                Create};
} // namespace

extern "C" __attribute__((visibility("default")))
const PluginEntry clap_entry = {kVersion, [](const char*) { return true; }, [] {},
                                [](const char* id) -> const void*
                                { return std::strcmp(id, kPluginFactoryId) == 0 ? &kFactory : nullptr; }};
