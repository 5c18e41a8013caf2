// SPDX-License-Identifier: GPL-3.0-or-later
#include "clap/plugin.h"

#include "clap/param_values.h"
#include "clap/state_io.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <numeric>
#include <string>
#include <string_view>

namespace KVX::Clap
{
namespace
{

#if defined(_WIN32)
constexpr const char* kNativeWindowApi = kWindowApiWin32;
#else
constexpr const char* kNativeWindowApi = kWindowApiX11;
#endif

// The output channels whose every sample equals their first, one bit each, so that a host can skip
// silence after us. A varying channel usually gives itself away at its second sample. A single frame is
// constant by definition and tells a host nothing, so it is not flagged (the format's validator judges
// the flag over its whole buffer, not over the block).
std::uint64_t ConstantChannels(const AudioBuffer& out, std::uint32_t frames) noexcept
{
    std::uint64_t mask = 0;
    if (frames < 2)
    {
        return mask;
    }
    for (std::uint32_t c = 0; c < out.channelCount && c < 64; ++c)
    {
        const float* channel = out.data32[c];
        if (channel != nullptr &&
            std::all_of(channel + 1, channel + frames, [first = channel[0]](float x) { return x == first; }))
        {
            mask |= std::uint64_t{1} << c;
        }
    }
    return mask;
}

template <class T> const T* HostExtension(const Host* host, const char* id)
{
    return host->getExtension != nullptr ? static_cast<const T*>(host->getExtension(host, id)) : nullptr;
}

// ---- the records the host calls through ----------------------------------------------------------
bool KVX_CLAP_CALL PluginInit(const Plugin* plugin)
{
    return CPlugin::From(plugin)->Init();
}

void KVX_CLAP_CALL PluginDestroy(const Plugin* plugin)
{
    delete CPlugin::From(plugin);
}

bool KVX_CLAP_CALL PluginActivate(const Plugin* plugin, double rate, std::uint32_t minFrames,
                                  std::uint32_t maxFrames)
{
    return CPlugin::From(plugin)->Activate(rate, minFrames, maxFrames);
}

void KVX_CLAP_CALL PluginDeactivate(const Plugin* plugin)
{
    CPlugin::From(plugin)->Deactivate();
}

bool KVX_CLAP_CALL PluginStartProcessing(const Plugin* plugin)
{
    return CPlugin::From(plugin)->StartProcessing();
}

void KVX_CLAP_CALL PluginStopProcessing(const Plugin* plugin)
{
    CPlugin::From(plugin)->StopProcessing();
}

void KVX_CLAP_CALL PluginReset(const Plugin* plugin)
{
    CPlugin::From(plugin)->Reset();
}

ProcessStatus KVX_CLAP_CALL PluginProcess(const Plugin* plugin, const Process* process)
{
    return CPlugin::From(plugin)->Run(process);
}

void KVX_CLAP_CALL PluginOnMainThread(const Plugin*) {}

// params
std::uint32_t KVX_CLAP_CALL ParamsCount(const Plugin*)
{
    return ParamCount();
}

bool KVX_CLAP_CALL ParamsGetInfo(const Plugin*, std::uint32_t index, ParamInfo* info)
{
    if (index >= ParamCount() || info == nullptr)
    {
        return false;
    }
    *info = InfoOf(index);
    return true;
}

bool KVX_CLAP_CALL ParamsGetValue(const Plugin* plugin, Id id, double* value)
{
    return CPlugin::From(plugin)->GetValue(id, value);
}

bool KVX_CLAP_CALL ParamsValueToText(const Plugin* plugin, Id id, double value, char* text,
                                     std::uint32_t capacity)
{
    return CPlugin::From(plugin)->ValueToText(id, value, text, capacity);
}

bool KVX_CLAP_CALL ParamsTextToValue(const Plugin*, Id id, const char* text, double* value)
{
    if (!CDevice::IsParameter(id) || text == nullptr || value == nullptr)
    {
        return false;
    }
    const auto& type = CDevice::ValueType(static_cast<int>(id));
    const auto parsed = type.Parse(text);
    if (!parsed)
    {
        return false;
    }
    *value = type.ToPlain(*parsed);
    return true;
}

void KVX_CLAP_CALL ParamsFlush(const Plugin* plugin, const InputEvents* in, const OutputEvents* out)
{
    CPlugin::From(plugin)->Flush(in, out);
}

const PluginParams g_Params = {ParamsCount,       ParamsGetInfo,     ParamsGetValue,
                               ParamsValueToText, ParamsTextToValue, ParamsFlush};

// audio ports: one stereo input and one stereo output, processed in place.
std::uint32_t KVX_CLAP_CALL PortsCount(const Plugin*, bool)
{
    return 1;
}

bool KVX_CLAP_CALL PortsGet(const Plugin*, std::uint32_t index, bool isInput, AudioPortInfo* info)
{
    if (index != 0 || info == nullptr)
    {
        return false;
    }
    *info = AudioPortInfo{};
    info->id = 0;
    const std::string_view name = isInput ? "Input" : "Output";
    std::memcpy(info->name, name.data(), name.size());
    info->flags = kAudioPortIsMain;
    info->channelCount = 2;
    info->portType = kPortStereo;
    info->inPlacePair = 0;
    return true;
}

const PluginAudioPorts g_AudioPorts = {PortsCount, PortsGet};

// state
bool KVX_CLAP_CALL StateSave(const Plugin* plugin, const OStream* stream)
{
    return CPlugin::From(plugin)->Save(stream);
}

bool KVX_CLAP_CALL StateLoad(const Plugin* plugin, const IStream* stream)
{
    return CPlugin::From(plugin)->Load(stream);
}

const PluginState g_State = {StateSave, StateLoad};

// latency: none, the filters are minimum-phase.
std::uint32_t KVX_CLAP_CALL LatencyGet(const Plugin*)
{
    return 0;
}

const PluginLatency g_Latency = {LatencyGet};

// gui: embedded in the host's window, at the scale the host or the screen gives it.
bool KVX_CLAP_CALL GuiIsApiSupported(const Plugin*, const char* api, bool floating)
{
    return !floating && api != nullptr && std::strcmp(api, kNativeWindowApi) == 0;
}

bool KVX_CLAP_CALL GuiGetPreferredApi(const Plugin*, const char** api, bool* floating)
{
    if (api != nullptr)
    {
        *api = kNativeWindowApi;
    }
    if (floating != nullptr)
    {
        *floating = false;
    }
    return true;
}

bool KVX_CLAP_CALL GuiCreate(const Plugin* plugin, const char* api, bool floating)
{
    return CPlugin::From(plugin)->CreateGui(api, floating);
}

void KVX_CLAP_CALL GuiDestroy(const Plugin* plugin)
{
    CPlugin::From(plugin)->DestroyGui();
}

bool KVX_CLAP_CALL GuiSetScale(const Plugin* plugin, double scale)
{
    return CPlugin::From(plugin)->SetScale(scale);
}

bool KVX_CLAP_CALL GuiGetSize(const Plugin* plugin, std::uint32_t* width, std::uint32_t* height)
{
    return CPlugin::From(plugin)->GetSize(width, height);
}

bool KVX_CLAP_CALL GuiCanResize(const Plugin*)
{
    return true;
}

// The panel grows in both directions at once, keeping its own proportions.
bool KVX_CLAP_CALL GuiGetResizeHints(const Plugin*, GuiResizeHints* hints)
{
    if (hints == nullptr)
    {
        return false;
    }
    constexpr int kDivisor = std::gcd(CDevice::kEditorWidth, CDevice::kEditorHeight);
    *hints = GuiResizeHints{true, true, true, static_cast<std::uint32_t>(CDevice::kEditorWidth / kDivisor),
                            static_cast<std::uint32_t>(CDevice::kEditorHeight / kDivisor)};
    return true;
}

bool KVX_CLAP_CALL GuiAdjustSize(const Plugin* plugin, std::uint32_t* width, std::uint32_t* height)
{
    return CPlugin::From(plugin)->AdjustSize(width, height);
}

bool KVX_CLAP_CALL GuiSetSize(const Plugin* plugin, std::uint32_t width, std::uint32_t height)
{
    return CPlugin::From(plugin)->SetSize(width, height);
}

bool KVX_CLAP_CALL GuiSetParent(const Plugin* plugin, const Window* window)
{
    return CPlugin::From(plugin)->SetParent(window);
}

bool KVX_CLAP_CALL GuiSetTransient(const Plugin*, const Window*)
{
    return false; // never floating
}

void KVX_CLAP_CALL GuiSuggestTitle(const Plugin*, const char*) {}

// The panel is a child of the host's window: it is shown and hidden with it.
bool KVX_CLAP_CALL GuiShow(const Plugin*)
{
    return true;
}

bool KVX_CLAP_CALL GuiHide(const Plugin*)
{
    return true;
}

const PluginGui g_Gui = {GuiIsApiSupported, GuiGetPreferredApi, GuiCreate,         GuiDestroy,    GuiSetScale,
                         GuiGetSize,        GuiCanResize,       GuiGetResizeHints, GuiAdjustSize, GuiSetSize,
                         GuiSetParent,      GuiSetTransient,    GuiSuggestTitle,   GuiShow,       GuiHide};

const void* KVX_CLAP_CALL PluginGetExtension(const Plugin*, const char* id)
{
    if (id == nullptr)
    {
        return nullptr;
    }
    const std::string_view name = id;
    if (name == kExtParams)
    {
        return &g_Params;
    }
    if (name == kExtAudioPorts)
    {
        return &g_AudioPorts;
    }
    if (name == kExtState)
    {
        return &g_State;
    }
    if (name == kExtLatency)
    {
        return &g_Latency;
    }
    if (name == kExtGui)
    {
        return &g_Gui;
    }
    return nullptr;
}
} // namespace

// Defined with the factory.
extern const PluginDescriptor g_Descriptor;

CPlugin::CPlugin(const Host* host, std::unique_ptr<CDevice> device)
    : m_Host(host), m_Device(std::move(device))
{
    m_Record.desc = &g_Descriptor;
    m_Record.pluginData = this;
    m_Record.init = PluginInit;
    m_Record.destroy = PluginDestroy;
    m_Record.activate = PluginActivate;
    m_Record.deactivate = PluginDeactivate;
    m_Record.startProcessing = PluginStartProcessing;
    m_Record.stopProcessing = PluginStopProcessing;
    m_Record.reset = PluginReset;
    m_Record.process = PluginProcess;
    m_Record.getExtension = PluginGetExtension;
    m_Record.onMainThread = PluginOnMainThread;
    m_Device->SetEditSink(this);
}

CPlugin* CPlugin::Create(const Host* host)
{
    try
    {
        auto device = CDevice::Create();
        return device != nullptr ? new CPlugin(host, std::move(device)) : nullptr;
    }
    catch (...)
    {
        return nullptr; // nothing may escape into the host
    }
}

CPlugin::~CPlugin()
{
    DestroyGui();
    Deactivate();
    m_Device->SetEditorHost(nullptr);
    m_Device->SetEditSink(nullptr);
}

CPlugin* CPlugin::From(const Plugin* plugin)
{
    return static_cast<CPlugin*>(plugin->pluginData);
}

bool CPlugin::Init()
{
    m_HostParams = HostExtension<HostParams>(m_Host, kExtParams);
    m_HostGui = HostExtension<HostGui>(m_Host, kExtGui);
    if (m_HostGui != nullptr && m_HostGui->requestResize != nullptr)
    {
        m_Device->SetEditorHost(this);
    }
    return true;
}

bool CPlugin::Activate(double sampleRate, std::uint32_t, std::uint32_t maxFrames)
{
    // A rate the filters cannot be designed for is refused rather than run as silence or noise.
    if (!CDevice::IsUsableSampleRate(sampleRate))
    {
        return false;
    }
    Deactivate();
    m_Device->Prepare(sampleRate, maxFrames);
    // A new activation is a new stream: nothing of the last one rings on into it.
    m_Device->Reset();
    m_Active = true;
    return true;
}

void CPlugin::Deactivate()
{
    StopProcessing();
    m_Active = false;
}

bool CPlugin::StartProcessing()
{
    m_Processing = m_Active;
    return m_Active;
}

void CPlugin::StopProcessing()
{
    m_Processing = false;
}

void CPlugin::Reset() noexcept
{
    m_Device->Reset();
}

void CPlugin::OnPanelEdit(const PanelEdit& edit)
{
    m_Edits.Push(edit);
    // The host collects them in its next process call, or in a flush it makes for them when it is not
    // processing.
    if (m_HostParams != nullptr && m_HostParams->requestFlush != nullptr)
    {
        m_HostParams->requestFlush(m_Host);
    }
}

void CPlugin::ApplyEvents(const InputEvents* in) noexcept
{
    if (in == nullptr || in->size == nullptr || in->get == nullptr)
    {
        return;
    }
    const std::uint32_t count = in->size(in);
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const EventHeader* header = in->get(in, i);
        if (header == nullptr || header->spaceId != kCoreEventSpace || header->type != kEventParamValue ||
            header->size < sizeof(EventParamValue))
        {
            continue;
        }
        const auto* event = reinterpret_cast<const EventParamValue*>(header);
        if (!CDevice::IsParameter(event->paramId))
        {
            continue;
        }
        const int index = static_cast<int>(event->paramId);
        if (const auto normalised = CDevice::ValueType(index).ToNormalised(event->value))
        {
            m_Device->SetValue(index, *normalised);
        }
    }
}

void CPlugin::SendEdits(const OutputEvents* out) noexcept
{
    if (out == nullptr || out->tryPush == nullptr)
    {
        return;
    }
    while (const PanelEdit* edit = m_Edits.Peek())
    {
        const auto id = static_cast<std::uint32_t>(edit->index); // a parameter's, from the device
        bool pushed = false;
        if (edit->kind == PanelEdit::Kind::Value)
        {
            EventParamValue event{};
            event.header = {sizeof event, 0, kCoreEventSpace, kEventParamValue, kEventIsLive};
            event.paramId = id;
            event.noteId = -1;
            event.portIndex = -1;
            event.channel = -1;
            event.key = -1;
            event.value = CDevice::ValueType(edit->index).ToPlain(edit->value);
            pushed = out->tryPush(out, &event.header);
        }
        else
        {
            EventParamGesture event{};
            const auto type =
                edit->kind == PanelEdit::Kind::Begin ? kEventParamGestureBegin : kEventParamGestureEnd;
            event.header = {sizeof event, 0, kCoreEventSpace, static_cast<std::uint16_t>(type), kEventIsLive};
            event.paramId = id;
            pushed = out->tryPush(out, &event.header);
        }
        if (!pushed)
        {
            return; // the host's list is full: the rest goes next time
        }
        m_Edits.Drop();
    }
}

void CPlugin::Flush(const InputEvents* in, const OutputEvents* out) noexcept
{
    ApplyEvents(in);
    SendEdits(out);
}

ProcessStatus CPlugin::Run(const Process* process) noexcept
{
    if (process == nullptr || !m_Active)
    {
        return kProcessError;
    }
    // The engine smooths its faders once per block, so a value arriving within a block takes effect from
    // the block's start, as a VST host's parameter calls between blocks do.
    ApplyEvents(process->inEvents);
    SendEdits(process->outEvents);
    AudioBuffer* out = process->audioOutputsCount > 0 ? process->audioOutputs : nullptr;
    if (process->framesCount == 0 || out == nullptr || out->data32 == nullptr || out->channelCount == 0)
    {
        return kProcessContinue; // nothing to write to
    }
    const AudioBuffer* in = process->audioInputsCount > 0 ? process->audioInputs : nullptr;
    const bool hasInput = in != nullptr && in->data32 != nullptr;
    m_Device->Process(hasInput ? in->data32 : nullptr, hasInput ? in->channelCount : 0, out->data32,
                      std::min<std::uint32_t>(out->channelCount, 64), process->framesCount,
                      hasInput ? in->constantMask : 0);
    out->constantMask = ConstantChannels(*out, process->framesCount);
    return kProcessContinue;
}

bool CPlugin::GetValue(Id id, double* value) const
{
    if (!CDevice::IsParameter(id) || value == nullptr)
    {
        return false;
    }
    const int index = static_cast<int>(id);
    *value = CDevice::ValueType(index).ToPlain(m_Device->Value(index));
    return true;
}

bool CPlugin::ValueToText(Id id, double value, char* text, std::uint32_t capacity) const
{
    if (!CDevice::IsParameter(id) || text == nullptr || capacity == 0)
    {
        return false;
    }
    const int index = static_cast<int>(id);
    const auto normalised = CDevice::ValueType(index).ToNormalised(value);
    if (!normalised)
    {
        return false;
    }
    const std::string shown = m_Device->Text(index, *normalised);
    const std::size_t n = std::min<std::size_t>(shown.size(), capacity - 1);
    std::memcpy(text, shown.data(), n);
    text[n] = '\0';
    return true;
}

bool CPlugin::Save(const OStream* stream)
{
    const CDevice::State state = m_Device->SaveState();
    return WriteAll(stream, state.data(), state.size());
}

bool CPlugin::Load(const IStream* stream)
{
    // Checked whole first: a damaged or foreign state changes nothing rather than some parameters.
    const auto chunk = ReadChunk(stream);
    if (!chunk || !m_Device->LoadState(chunk->data(), chunk->size()))
    {
        return false;
    }
    if (m_HostParams != nullptr && m_HostParams->rescan != nullptr)
    {
        m_HostParams->rescan(m_Host, kParamRescanValues);
    }
    return true;
}

bool CPlugin::CreateGui(const char* api, bool floating)
{
    if (m_GuiCreated || !GuiIsApiSupported(&m_Record, api, floating))
    {
        return false;
    }
    m_GuiCreated = true;
    return true;
}

void CPlugin::DestroyGui()
{
    if (m_GuiOpen)
    {
        m_Device->CloseEditor();
        m_GuiOpen = false;
    }
    m_GuiCreated = false;
}

bool CPlugin::SetParent(const Window* window)
{
    if (!m_GuiCreated || window == nullptr || window->api == nullptr ||
        std::strcmp(window->api, kNativeWindowApi) != 0 || m_GuiOpen)
    {
        return false;
    }
#if defined(_WIN32)
    void* parent = window->win32;
#else
    void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(window->x11));
#endif
    // False when the window could not be made (the panel has said why).
    m_GuiOpen = m_Device->OpenEditor(parent);
    return m_GuiOpen;
}

namespace
{
// A host's size as the device counts (a size beyond any screen stays beyond it).
int Side(std::uint32_t side)
{
    return static_cast<int>(std::min<std::uint32_t>(side, INT_MAX));
}
} // namespace

bool CPlugin::GetSize(std::uint32_t* width, std::uint32_t* height) const
{
    if (width == nullptr || height == nullptr)
    {
        return false;
    }
    int w = 0;
    int h = 0;
    m_Device->EditorSize(w, h);
    *width = static_cast<std::uint32_t>(w);
    *height = static_cast<std::uint32_t>(h);
    return true;
}

bool CPlugin::SetScale(double scale)
{
    if (!std::isfinite(scale) || scale <= 0.0)
    {
        return false;
    }
    m_Device->SetEditorScale(scale); // taken into 1 ... 2
    return true;
}

bool CPlugin::AdjustSize(std::uint32_t* width, std::uint32_t* height) const
{
    if (width == nullptr || height == nullptr)
    {
        return false;
    }
    int w = Side(*width);
    int h = Side(*height);
    m_Device->AdjustEditorSize(w, h);
    *width = static_cast<std::uint32_t>(w);
    *height = static_cast<std::uint32_t>(h);
    return true;
}

bool CPlugin::SetSize(std::uint32_t width, std::uint32_t height)
{
    return m_Device->SetEditorSize(Side(width), Side(height));
}

// The host's frame is resized on its own terms: the request may come from the editor's thread, which the
// format allows for this call (never the audio thread).
bool CPlugin::RequestEditorSize(int width, int height)
{
    if (width <= 0 || height <= 0 || m_HostGui == nullptr || m_HostGui->requestResize == nullptr)
    {
        return false;
    }
    return m_HostGui->requestResize(m_Host, static_cast<std::uint32_t>(width),
                                    static_cast<std::uint32_t>(height));
}
} // namespace KVX::Clap
