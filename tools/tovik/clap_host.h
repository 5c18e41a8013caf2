// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A CLAP host: a module opened through its clap_entry export, and plug-in instances made by its factory
// and driven the way a host drives them (init, activate, start processing, process, state, parameters
// through events). It runs everything on the thread that made it, which is both its main and its audio
// thread; only request_flush, request_resize and the log may come from other threads (a plug-in's editor).
#include "clap/clap_abi.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace KVX::Tovik
{
class ClapModule
{
public:
    // The module at `path`, its entry initialised; null with a one-line `error` otherwise.
    static std::shared_ptr<ClapModule> Open(const std::string& path, std::string& error);
    ~ClapModule();
    ClapModule(const ClapModule&) = delete;
    ClapModule& operator=(const ClapModule&) = delete;

    const std::string& Path() const { return m_Path; }
    void* Handle() const { return m_Module; }
    const Clap::PluginEntry& Entry() const { return *m_Entry; }
    const Clap::PluginFactory* Factory() const { return m_Factory; }
    // The factory's descriptors that have an id, in its order.
    const std::vector<const Clap::PluginDescriptor*>& Descriptors() const { return m_Descriptors; }

private:
    ClapModule() = default;

    std::string m_Path;
    void* m_Module = nullptr;
    const Clap::PluginEntry* m_Entry = nullptr;
    const Clap::PluginFactory* m_Factory = nullptr;
    std::vector<const Clap::PluginDescriptor*> m_Descriptors;
};

struct ClapParam
{
    Clap::Id id = 0;
    std::uint32_t flags = 0;
    void* cookie = nullptr;
    std::string name;
    std::string module;
    double minimum = 0.0;
    double maximum = 1.0;
    double defaultValue = 0.0;
};

struct ClapPort
{
    Clap::Id id = 0;
    std::string name;
    std::uint32_t channels = 0;
    std::uint32_t flags = 0;
    std::string type;
};

// An event the plug-in sent to the host.
struct ClapOutputEvent
{
    std::uint16_t type = 0;
    Clap::Id paramId = 0;
    double value = 0.0;
};

class ClapPlugin
{
public:
    // The plug-in `id` (any when empty: then the file must hold exactly one), created and initialised.
    static std::unique_ptr<ClapPlugin> Create(std::shared_ptr<ClapModule> module, const std::string& id,
                                              std::string& error);
    ~ClapPlugin();
    ClapPlugin(const ClapPlugin&) = delete;
    ClapPlugin& operator=(const ClapPlugin&) = delete;

    const Clap::Plugin* Raw() const { return m_Plugin; }
    const Clap::Host* HostRecord() const { return &m_Host; }
    const Clap::PluginDescriptor& Descriptor() const { return *m_Plugin->desc; }
    const ClapModule& Module() const { return *m_Module; }

    const std::vector<ClapParam>& Params() const { return m_Params; }
    const std::vector<ClapPort>& InputPorts() const { return m_InputPorts; }
    const std::vector<ClapPort>& OutputPorts() const { return m_OutputPorts; }
    std::uint32_t InputChannels() const;
    std::uint32_t OutputChannels() const;

    // A plug-in extension by id, or null.
    const void* Extension(const char* id) const;
    const Clap::PluginParams* ParamsExtension() const { return m_ParamsExt; }

    bool Activate(double sampleRate, std::uint32_t maxFrames, std::string& error);
    void Deactivate();
    bool Active() const { return m_Active; }

    // A value for the parameter with this id: sent with the next process call while active, through the
    // parameter flush otherwise.
    void SetParam(Clap::Id id, double value);
    std::optional<double> Value(Clap::Id id) const;
    std::string ValueText(Clap::Id id, double value) const;
    std::optional<double> TextValue(Clap::Id id, const std::string& text) const;
    // Hands queued values over and collects the plug-in's events without processing audio.
    void Flush();

    // One block: the channels of every input port, then of every output port, in port order.
    // Returns the plug-in's status.
    Clap::ProcessStatus Process(const float* const* inputs, float* const* outputs, std::uint32_t frames);
    // The same with the caller's own port buffers.
    Clap::ProcessStatus ProcessBuffers(Clap::AudioBuffer* inputs, std::uint32_t inputCount,
                                       Clap::AudioBuffer* outputs, std::uint32_t outputCount,
                                       std::uint32_t frames);

    // Everything the plug-in has sent since the last call.
    std::vector<ClapOutputEvent> TakeOutputEvents();
    // The plug-in asked for a flush (from any thread) since the last call.
    bool TakeFlushRequest() { return m_FlushRequested.exchange(false); }
    int RescanRequests() const { return m_Rescans.load(); }

    bool SaveState(std::vector<std::uint8_t>& out) const;
    bool LoadState(const std::vector<std::uint8_t>& bytes) const;

    // Answers the plug-in's request for another editor size (gui request_resize, on any thread but
    // within an audio call): true when the host resized its window. Refused without a handler. Set it while
    // no editor is open.
    using ResizeHandler = std::function<bool(std::uint32_t width, std::uint32_t height)>;
    void SetResizeHandler(ResizeHandler handler) { m_Resize = std::move(handler); }

    // The plug-in's log lines, collected; printed to stderr as they come when `echo` is set.
    void EchoLog(bool echo) { m_EchoLog = echo; }
    std::vector<std::string> LogLines() const;

private:
    explicit ClapPlugin(std::shared_ptr<ClapModule> module);
    bool ReadPorts(bool input, std::vector<ClapPort>& ports, std::string& error);
    bool ReadParams(std::string& error);
    const void* HostExtension(const char* id) const;
    void PushOutput(const Clap::EventHeader* event);
    bool IsAudioThread() const { return m_InAudioCall && std::this_thread::get_id() == m_MainThread; }

    std::shared_ptr<ClapModule> m_Module;
    Clap::Host m_Host{};
    const Clap::Plugin* m_Plugin = nullptr;
    const Clap::PluginParams* m_ParamsExt = nullptr;
    const Clap::PluginAudioPorts* m_PortsExt = nullptr;
    const Clap::PluginState* m_StateExt = nullptr;
    std::vector<ClapParam> m_Params;
    std::vector<ClapPort> m_InputPorts;
    std::vector<ClapPort> m_OutputPorts;
    std::vector<Clap::EventParamValue> m_Pending;
    std::vector<ClapOutputEvent> m_Output;
    std::vector<Clap::AudioBuffer> m_InputBuffers;
    std::vector<Clap::AudioBuffer> m_OutputBuffers;
    std::vector<float*> m_ChannelPointers;
    std::int64_t m_SteadyTime = 0;
    bool m_Active = false;
    bool m_Processing = false;
    bool m_InAudioCall = false;
    bool m_EchoLog = false;
    std::thread::id m_MainThread = std::this_thread::get_id();
    ResizeHandler m_Resize;
    std::atomic<bool> m_FlushRequested{false};
    std::atomic<int> m_Rescans{0};
    mutable std::mutex m_LogLock;
    std::vector<std::string> m_Log;

    friend struct ClapHostCallbacks;
};
} // namespace KVX::Tovik
