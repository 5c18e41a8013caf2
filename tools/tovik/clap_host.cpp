// SPDX-License-Identifier: GPL-3.0-or-later
#include "clap_host.h"

#include "host/module_loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace KVX::Tovik
{
// The ABI's names, which would otherwise meet KVX::Host (the module loader's namespace).
using Clap::AudioBuffer;
using Clap::AudioPortInfo;
using Clap::EventHeader;
using Clap::EventParamGesture;
using Clap::EventParamValue;
using Clap::Host;
using Clap::HostGui;
using Clap::HostLog;
using Clap::HostParams;
using Clap::HostState;
using Clap::HostThreadCheck;
using Clap::Id;
using Clap::InputEvents;
using Clap::IStream;
using Clap::OStream;
using Clap::OutputEvents;
using Clap::ParamInfo;
using Clap::PluginAudioPorts;
using Clap::PluginDescriptor;
using Clap::PluginEntry;
using Clap::PluginFactory;
using Clap::PluginParams;
using Clap::PluginState;
using Clap::ProcessStatus;
using namespace Clap;

namespace
{

std::string Text(const char* text)
{
    return text != nullptr ? text : "";
}

// A fixed-size text from the plug-in, which may lack its terminator.
std::string BoundedText(const char* text, std::size_t capacity)
{
    return std::string(text, strnlen(text, capacity));
}

struct EventList
{
    std::vector<EventParamValue>* events;
};

std::uint32_t KVX_CLAP_CALL ListSize(const InputEvents* list)
{
    return static_cast<std::uint32_t>(static_cast<EventList*>(list->ctx)->events->size());
}

const EventHeader* KVX_CLAP_CALL ListGet(const InputEvents* list, std::uint32_t index)
{
    auto& events = *static_cast<EventList*>(list->ctx)->events;
    return index < events.size() ? &events[index].header : nullptr;
}
} // namespace

// ---- module ----------------------------------------------------------------------------------------
std::shared_ptr<ClapModule> ClapModule::Open(const std::string& path, std::string& error)
{
    std::shared_ptr<ClapModule> module(new ClapModule);
    module->m_Path = path;
#if !defined(_WIN32)
    // A bare file name is a file here, not a library for the loader to look for on its search path.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
#else
    const std::string& file = path;
#endif
    module->m_Module = KVX::Host::OpenModule(file, error);
    if (module->m_Module == nullptr)
    {
        return nullptr;
    }
    const auto* entry =
        static_cast<const PluginEntry*>(KVX::Host::ModuleSymbol(module->m_Module, kEntrySymbol));
    if (entry == nullptr)
    {
        error = path + ": not a CLAP plug-in (no clap_entry)";
        return nullptr;
    }
    if (!IsCompatible(entry->clapVersion) || entry->init == nullptr || entry->getFactory == nullptr)
    {
        char version[64];
        std::snprintf(version, sizeof version, "%u.%u.%u", entry->clapVersion.major, entry->clapVersion.minor,
                      entry->clapVersion.revision);
        error = path + ": CLAP version " + version + " is not one tovik can host";
        return nullptr;
    }
    if (!entry->init(path.c_str()))
    {
        error = path + ": the plug-in's entry refused to initialise";
        return nullptr;
    }
    module->m_Entry = entry;
    module->m_Factory = static_cast<const PluginFactory*>(entry->getFactory(kPluginFactoryId));
    if (module->m_Factory == nullptr || module->m_Factory->getPluginCount == nullptr ||
        module->m_Factory->getPluginDescriptor == nullptr || module->m_Factory->createPlugin == nullptr)
    {
        error = path + ": the plug-in has no plug-in factory";
        return nullptr;
    }
    // Any more than this and the factory is not believed.
    const std::uint32_t count =
        std::min<std::uint32_t>(module->m_Factory->getPluginCount(module->m_Factory), 4096);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const PluginDescriptor* descriptor = module->m_Factory->getPluginDescriptor(module->m_Factory, i);
        if (descriptor != nullptr && descriptor->id != nullptr)
        {
            module->m_Descriptors.push_back(descriptor);
        }
    }
    return module;
}

ClapModule::~ClapModule()
{
    if (m_Entry != nullptr && m_Entry->deinit != nullptr)
    {
        m_Entry->deinit();
    }
    if (m_Module != nullptr)
    {
        KVX::Host::CloseModule(m_Module);
    }
}

// ---- host callbacks --------------------------------------------------------------------------------
struct ClapHostCallbacks
{
    static ClapPlugin* Of(const Host* host) { return static_cast<ClapPlugin*>(host->hostData); }

    static const void* KVX_CLAP_CALL GetExtension(const Host* host, const char* id)
    {
        return id != nullptr ? Of(host)->HostExtension(id) : nullptr;
    }
    static void KVX_CLAP_CALL RequestRestart(const Host*) {}
    static void KVX_CLAP_CALL RequestProcess(const Host*) {}
    static void KVX_CLAP_CALL RequestCallback(const Host*) {}

    static void KVX_CLAP_CALL Rescan(const Host* host, std::uint32_t) { Of(host)->m_Rescans.fetch_add(1); }
    static void KVX_CLAP_CALL Clear(const Host*, Id, std::uint32_t) {}
    static void KVX_CLAP_CALL RequestFlush(const Host* host) { Of(host)->m_FlushRequested.store(true); }

    static void KVX_CLAP_CALL Log(const Host* host, std::int32_t severity, const char* message)
    {
        static const char* const kSeverity[] = {
            "debug", "info", "warning", "error", "fatal", "host misbehaving", "plug-in misbehaving"};
        const char* name = severity >= 0 && severity <= kLogPluginMisbehaving ? kSeverity[severity] : "log";
        const std::string line = std::string(name) + ": " + Text(message);
        ClapPlugin* plugin = Of(host);
        const std::lock_guard<std::mutex> lock(plugin->m_LogLock);
        if (plugin->m_Log.size() < 10000)
        {
            plugin->m_Log.push_back(line);
        }
        if (plugin->m_EchoLog)
        {
            std::fprintf(stderr, "tovik: plug-in says: %s\n", line.c_str());
        }
    }

    static bool KVX_CLAP_CALL IsMainThread(const Host* host)
    {
        return std::this_thread::get_id() == Of(host)->m_MainThread;
    }
    static bool KVX_CLAP_CALL IsAudioThread(const Host* host) { return Of(host)->IsAudioThread(); }

    static void KVX_CLAP_CALL MarkDirty(const Host*) {}

    static void KVX_CLAP_CALL ResizeHintsChanged(const Host*) {}
    static bool KVX_CLAP_CALL RequestResize(const Host* host, std::uint32_t width, std::uint32_t height)
    {
        ClapPlugin* plugin = Of(host);
        if (std::this_thread::get_id() == plugin->m_MainThread && plugin->m_InAudioCall)
        {
            return false; // not a call for the audio thread
        }
        return plugin->m_Resize && width > 0 && height > 0 && plugin->m_Resize(width, height);
    }
    static bool KVX_CLAP_CALL RequestShow(const Host*) { return false; }
    static bool KVX_CLAP_CALL RequestHide(const Host*) { return false; }
    static void KVX_CLAP_CALL Closed(const Host*, bool) {}

    static bool KVX_CLAP_CALL TryPush(const OutputEvents* list, const EventHeader* event)
    {
        static_cast<ClapPlugin*>(list->ctx)->PushOutput(event);
        return true;
    }

    static const HostParams kParams;
    static const HostLog kLog;
    static const HostThreadCheck kThreadCheck;
    static const HostState kState;
    static const HostGui kGui;
};

const HostParams ClapHostCallbacks::kParams = {Rescan, Clear, RequestFlush};
const HostLog ClapHostCallbacks::kLog = {Log};
const HostThreadCheck ClapHostCallbacks::kThreadCheck = {IsMainThread, IsAudioThread};
const HostState ClapHostCallbacks::kState = {MarkDirty};
const HostGui ClapHostCallbacks::kGui = {ResizeHintsChanged, RequestResize, RequestShow, RequestHide, Closed};

const void* ClapPlugin::HostExtension(const char* id) const
{
    const std::string name = id;
    if (name == kExtParams)
    {
        return &ClapHostCallbacks::kParams;
    }
    if (name == kExtLog)
    {
        return &ClapHostCallbacks::kLog;
    }
    if (name == kExtThreadCheck)
    {
        return &ClapHostCallbacks::kThreadCheck;
    }
    if (name == kExtState)
    {
        return &ClapHostCallbacks::kState;
    }
    if (name == kExtGui)
    {
        return &ClapHostCallbacks::kGui;
    }
    return nullptr;
}

void ClapPlugin::PushOutput(const EventHeader* event)
{
    if (event == nullptr || event->spaceId != kCoreEventSpace)
    {
        return;
    }
    if (event->type == kEventParamValue && event->size >= sizeof(EventParamValue))
    {
        const auto* value = reinterpret_cast<const EventParamValue*>(event);
        m_Output.push_back({event->type, value->paramId, value->value});
    }
    else if ((event->type == kEventParamGestureBegin || event->type == kEventParamGestureEnd) &&
             event->size >= sizeof(EventParamGesture))
    {
        const auto* gesture = reinterpret_cast<const EventParamGesture*>(event);
        m_Output.push_back({event->type, gesture->paramId, 0.0});
    }
}

// ---- plug-in ---------------------------------------------------------------------------------------
ClapPlugin::ClapPlugin(std::shared_ptr<ClapModule> module) : m_Module(std::move(module))
{
    m_Host.clapVersion = kVersion;
    m_Host.hostData = this;
    m_Host.name = "tovik";
    m_Host.vendor = "Brellmoor";
    m_Host.url = "";
    m_Host.version = "1.0";
    m_Host.getExtension = ClapHostCallbacks::GetExtension;
    m_Host.requestRestart = ClapHostCallbacks::RequestRestart;
    m_Host.requestProcess = ClapHostCallbacks::RequestProcess;
    m_Host.requestCallback = ClapHostCallbacks::RequestCallback;
}

std::unique_ptr<ClapPlugin> ClapPlugin::Create(std::shared_ptr<ClapModule> module, const std::string& id,
                                               std::string& error)
{
    const auto& descriptors = module->Descriptors();
    const PluginDescriptor* chosen = nullptr;
    std::string ids;
    for (const PluginDescriptor* descriptor : descriptors)
    {
        ids += (ids.empty() ? "" : ", ") + std::string(descriptor->id);
        if (id.empty() ? descriptors.size() == 1 : id == descriptor->id)
        {
            chosen = descriptor;
        }
    }
    if (chosen == nullptr)
    {
        if (descriptors.empty())
        {
            error = module->Path() + ": the file lists no plug-ins";
        }
        else if (id.empty())
        {
            error = module->Path() + " holds " + std::to_string(descriptors.size()) +
                    " plug-ins; pick one with --id (" + ids + ")";
        }
        else
        {
            error = module->Path() + ": no plug-in '" + id + "' (it holds " + ids + ")";
        }
        return nullptr;
    }
    std::unique_ptr<ClapPlugin> plugin(new ClapPlugin(module));
    const PluginFactory* factory = module->Factory();
    plugin->m_Plugin = factory->createPlugin(factory, &plugin->m_Host, chosen->id);
    if (plugin->m_Plugin == nullptr || plugin->m_Plugin->init == nullptr ||
        plugin->m_Plugin->destroy == nullptr || plugin->m_Plugin->process == nullptr)
    {
        error = module->Path() + ": the factory could not make plug-in '" + chosen->id + "'";
        plugin->m_Plugin = nullptr;
        return nullptr;
    }
    if (plugin->m_Plugin->desc == nullptr)
    {
        error = module->Path() + ": plug-in '" + chosen->id + "' has no descriptor";
        return nullptr;
    }
    if (!plugin->m_Plugin->init(plugin->m_Plugin))
    {
        error = module->Path() + ": plug-in '" + chosen->id + "' refused to initialise";
        return nullptr;
    }
    plugin->m_ParamsExt = static_cast<const PluginParams*>(plugin->Extension(kExtParams));
    plugin->m_PortsExt = static_cast<const PluginAudioPorts*>(plugin->Extension(kExtAudioPorts));
    plugin->m_StateExt = static_cast<const PluginState*>(plugin->Extension(kExtState));
    if (!plugin->ReadPorts(true, plugin->m_InputPorts, error) ||
        !plugin->ReadPorts(false, plugin->m_OutputPorts, error) || !plugin->ReadParams(error))
    {
        return nullptr;
    }
    return plugin;
}

ClapPlugin::~ClapPlugin()
{
    if (m_Plugin != nullptr)
    {
        Deactivate();
        m_Plugin->destroy(m_Plugin);
    }
}

const void* ClapPlugin::Extension(const char* id) const
{
    return m_Plugin->getExtension != nullptr ? m_Plugin->getExtension(m_Plugin, id) : nullptr;
}

bool ClapPlugin::ReadPorts(bool input, std::vector<ClapPort>& ports, std::string& error)
{
    if (m_PortsExt == nullptr || m_PortsExt->count == nullptr || m_PortsExt->get == nullptr)
    {
        return true; // no audio ports at all
    }
    const std::uint32_t count = m_PortsExt->count(m_Plugin, input);
    if (count > 64)
    {
        error = m_Module->Path() + ": the plug-in declares " + std::to_string(count) + " audio ports";
        return false;
    }
    std::uint32_t channels = 0;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        AudioPortInfo info{};
        if (!m_PortsExt->get(m_Plugin, i, input, &info))
        {
            continue;
        }
        channels += info.channelCount;
        if (info.channelCount > 64 || channels > 64)
        {
            error = m_Module->Path() + ": the plug-in declares more than 64 audio channels";
            return false;
        }
        ports.push_back({info.id, BoundedText(info.name, sizeof info.name), info.channelCount, info.flags,
                         Text(info.portType)});
    }
    return true;
}

bool ClapPlugin::ReadParams(std::string& error)
{
    if (m_ParamsExt == nullptr || m_ParamsExt->count == nullptr || m_ParamsExt->getInfo == nullptr)
    {
        return true;
    }
    const std::uint32_t count = m_ParamsExt->count(m_Plugin);
    if (count > 100000)
    {
        error = m_Module->Path() + ": the plug-in declares " + std::to_string(count) + " parameters";
        return false;
    }
    for (std::uint32_t i = 0; i < count; ++i)
    {
        ParamInfo info{};
        if (!m_ParamsExt->getInfo(m_Plugin, i, &info))
        {
            continue;
        }
        m_Params.push_back({info.id, info.flags, info.cookie, BoundedText(info.name, sizeof info.name),
                            BoundedText(info.module, sizeof info.module), info.minValue, info.maxValue,
                            info.defaultValue});
    }
    return true;
}

std::uint32_t ClapPlugin::InputChannels() const
{
    std::uint32_t n = 0;
    for (const auto& port : m_InputPorts)
    {
        n += port.channels;
    }
    return n;
}

std::uint32_t ClapPlugin::OutputChannels() const
{
    std::uint32_t n = 0;
    for (const auto& port : m_OutputPorts)
    {
        n += port.channels;
    }
    return n;
}

bool ClapPlugin::Activate(double sampleRate, std::uint32_t maxFrames, std::string& error)
{
    Deactivate();
    if (m_Plugin->activate == nullptr || !m_Plugin->activate(m_Plugin, sampleRate, 1, maxFrames))
    {
        error = m_Module->Path() + ": the plug-in refused to activate at " + std::to_string(sampleRate) +
                " Hz with blocks of up to " + std::to_string(maxFrames) + " frames";
        return false;
    }
    m_Active = true;
    m_InAudioCall = true;
    m_Processing = m_Plugin->startProcessing == nullptr || m_Plugin->startProcessing(m_Plugin);
    m_InAudioCall = false;
    if (!m_Processing)
    {
        Deactivate();
        error = m_Module->Path() + ": the plug-in refused to start processing";
        return false;
    }
    return true;
}

void ClapPlugin::Deactivate()
{
    if (!m_Active)
    {
        return;
    }
    if (m_Processing && m_Plugin->stopProcessing != nullptr)
    {
        m_InAudioCall = true;
        m_Plugin->stopProcessing(m_Plugin);
        m_InAudioCall = false;
    }
    m_Processing = false;
    if (m_Plugin->deactivate != nullptr)
    {
        m_Plugin->deactivate(m_Plugin);
    }
    m_Active = false;
}

void ClapPlugin::SetParam(Id id, double value)
{
    EventParamValue event{};
    event.header = {sizeof event, 0, kCoreEventSpace, kEventParamValue, 0};
    event.paramId = id;
    for (const auto& param : m_Params)
    {
        if (param.id == id)
        {
            event.cookie = param.cookie;
        }
    }
    event.noteId = -1;
    event.portIndex = -1;
    event.channel = -1;
    event.key = -1;
    event.value = value;
    m_Pending.push_back(event);
    if (!m_Active)
    {
        Flush();
    }
}

void ClapPlugin::Flush()
{
    if (m_ParamsExt == nullptr || m_ParamsExt->flush == nullptr)
    {
        m_Pending.clear();
        return;
    }
    EventList list{&m_Pending};
    const InputEvents in{&list, ListSize, ListGet};
    const OutputEvents out{this, ClapHostCallbacks::TryPush};
    m_InAudioCall = m_Active;
    m_ParamsExt->flush(m_Plugin, &in, &out);
    m_InAudioCall = false;
    m_Pending.clear();
}

std::optional<double> ClapPlugin::Value(Id id) const
{
    double value = 0.0;
    if (m_ParamsExt == nullptr || m_ParamsExt->getValue == nullptr ||
        !m_ParamsExt->getValue(m_Plugin, id, &value))
    {
        return std::nullopt;
    }
    return value;
}

std::string ClapPlugin::ValueText(Id id, double value) const
{
    char text[256] = {};
    if (m_ParamsExt == nullptr || m_ParamsExt->valueToText == nullptr ||
        !m_ParamsExt->valueToText(m_Plugin, id, value, text, sizeof text))
    {
        return {};
    }
    return BoundedText(text, sizeof text);
}

std::optional<double> ClapPlugin::TextValue(Id id, const std::string& text) const
{
    double value = 0.0;
    if (m_ParamsExt == nullptr || m_ParamsExt->textToValue == nullptr ||
        !m_ParamsExt->textToValue(m_Plugin, id, text.c_str(), &value))
    {
        return std::nullopt;
    }
    return value;
}

Clap::ProcessStatus ClapPlugin::Process(const float* const* inputs, float* const* outputs,
                                        std::uint32_t frames)
{
    m_InputBuffers.resize(m_InputPorts.size());
    m_OutputBuffers.resize(m_OutputPorts.size());
    m_ChannelPointers.resize(InputChannels() + OutputChannels());
    std::size_t next = 0;
    for (std::size_t p = 0; p < m_InputPorts.size(); ++p)
    {
        float** first = m_ChannelPointers.data() + next;
        for (std::uint32_t c = 0; c < m_InputPorts[p].channels; ++c)
        {
            m_ChannelPointers[next++] = const_cast<float*>(*inputs++);
        }
        m_InputBuffers[p] = {first, nullptr, m_InputPorts[p].channels, 0, 0};
    }
    for (std::size_t p = 0; p < m_OutputPorts.size(); ++p)
    {
        float** first = m_ChannelPointers.data() + next;
        for (std::uint32_t c = 0; c < m_OutputPorts[p].channels; ++c)
        {
            m_ChannelPointers[next++] = *outputs++;
        }
        m_OutputBuffers[p] = {first, nullptr, m_OutputPorts[p].channels, 0, 0};
    }
    return ProcessBuffers(m_InputBuffers.data(), static_cast<std::uint32_t>(m_InputBuffers.size()),
                          m_OutputBuffers.data(), static_cast<std::uint32_t>(m_OutputBuffers.size()), frames);
}

Clap::ProcessStatus ClapPlugin::ProcessBuffers(AudioBuffer* inputs, std::uint32_t inputCount,
                                               AudioBuffer* outputs, std::uint32_t outputCount,
                                               std::uint32_t frames)
{
    EventList list{&m_Pending};
    const InputEvents in{&list, ListSize, ListGet};
    const OutputEvents out{this, ClapHostCallbacks::TryPush};
    Clap::Process process{};
    process.steadyTime = m_SteadyTime;
    process.framesCount = frames;
    process.transport = nullptr;
    process.audioInputs = inputs;
    process.audioOutputs = outputs;
    process.audioInputsCount = inputCount;
    process.audioOutputsCount = outputCount;
    process.inEvents = &in;
    process.outEvents = &out;
    m_InAudioCall = true;
    const ProcessStatus status = m_Plugin->process(m_Plugin, &process);
    m_InAudioCall = false;
    m_Pending.clear();
    m_SteadyTime += frames;
    return status;
}

std::vector<ClapOutputEvent> ClapPlugin::TakeOutputEvents()
{
    std::vector<ClapOutputEvent> events;
    events.swap(m_Output);
    return events;
}

namespace
{
struct WriteTarget
{
    std::vector<std::uint8_t>* bytes;
};

std::int64_t KVX_CLAP_CALL WriteBytes(const OStream* stream, const void* buffer, std::uint64_t size)
{
    auto& bytes = *static_cast<WriteTarget*>(stream->ctx)->bytes;
    const auto* data = static_cast<const std::uint8_t*>(buffer);
    bytes.insert(bytes.end(), data, data + size);
    return static_cast<std::int64_t>(size);
}

struct ReadSource
{
    const std::vector<std::uint8_t>* bytes;
    std::size_t position;
};

std::int64_t KVX_CLAP_CALL ReadBytes(const IStream* stream, void* buffer, std::uint64_t size)
{
    auto& source = *static_cast<ReadSource*>(stream->ctx);
    const std::size_t n =
        static_cast<std::size_t>(std::min<std::uint64_t>(size, source.bytes->size() - source.position));
    if (n > 0)
    {
        std::memcpy(buffer, source.bytes->data() + source.position, n);
    }
    source.position += n;
    return static_cast<std::int64_t>(n);
}
} // namespace

bool ClapPlugin::SaveState(std::vector<std::uint8_t>& out) const
{
    out.clear();
    if (m_StateExt == nullptr || m_StateExt->save == nullptr)
    {
        return false;
    }
    WriteTarget target{&out};
    const OStream stream{&target, WriteBytes};
    return m_StateExt->save(m_Plugin, &stream);
}

bool ClapPlugin::LoadState(const std::vector<std::uint8_t>& bytes) const
{
    if (m_StateExt == nullptr || m_StateExt->load == nullptr)
    {
        return false;
    }
    ReadSource source{&bytes, 0};
    const IStream stream{&source, ReadBytes};
    return m_StateExt->load(m_Plugin, &stream);
}

std::vector<std::string> ClapPlugin::LogLines() const
{
    const std::lock_guard<std::mutex> lock(m_LogLock);
    return m_Log;
}
} // namespace KVX::Tovik
