// SPDX-License-Identifier: GPL-3.0-or-later
#include "vst3/plugin.h"

#include "device/description.h"
#include "device/device_dsp.h"
#include "processor/stereo_inputs.h"
#include "vst3/class_ids.h"
#include "vst3/parameters.h"
#include "vst3/view.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace KVX::Vst3
{
namespace
{
using Device::Description::kParameterCount;

// The processor asks its host only for the version at entry; everything else may answer 0.
VstIntPtr VSTCALLBACK HostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

// The two channels of the first bus, or false when the host gave fewer.
bool StereoChannels(const AudioBusBuffers* buses, std::int32_t count, float* (&channels)[2])
{
    if (buses == nullptr || count < 1 || buses[0].numChannels < 2 || buses[0].channelBuffers32 == nullptr)
    {
        return false;
    }
    channels[0] = buses[0].channelBuffers32[0];
    channels[1] = buses[0].channelBuffers32[1];
    return channels[0] != nullptr && channels[1] != nullptr;
}

// One bit for each of the two channels that holds nothing but zeros, so that the host can skip what
// follows us. Audio gives itself away at its first samples.
std::uint64_t SilentChannels(float* const (&channels)[2], std::size_t frames)
{
    std::uint64_t flags = 0;
    for (std::uint64_t c = 0; c < 2; ++c)
    {
        if (std::all_of(channels[c], channels[c] + frames, [](float x) { return x == 0.0f; }))
        {
            flags |= std::uint64_t{1} << c;
        }
    }
    return flags;
}

// The sample rates a host can mean: anything else is refused rather than handed to the filter design.
bool UsableSampleRate(double rate)
{
    return std::isfinite(rate) && rate >= 1000.0 && rate <= 1536000.0;
}
} // namespace

// ---- Controller panel ------------------------------------------------------------------------------

void CControllerPanel::BeginParamEdit(std::int32_t index)
{
    m_Owner.OnPanelEdit({PanelEdit::Kind::Begin, index, 0.0f});
}

void CControllerPanel::AutomateParam(std::int32_t index, float value)
{
    if (index == Device::Description::kInParameter)
    {
        FollowInSwitch();
    }
    m_Owner.OnPanelEdit({PanelEdit::Kind::Value, index, value});
}

void CControllerPanel::EndParamEdit(std::int32_t index)
{
    m_Owner.OnPanelEdit({PanelEdit::Kind::End, index, 0.0f});
}

void CControllerPanel::FollowInSwitch()
{
    Lamp().SetValue(InButton().Value() == 0.0f ? 0.0f : 1.0f);
}

// ---- Life ------------------------------------------------------------------------------------------

CPlugin* CPlugin::Create()
{
    try
    {
        std::unique_ptr<AudioEffect> effect(createEffectInstance(&HostCallback));
        if (effect == nullptr)
        {
            return nullptr; // the factory has shown why
        }
        return new CPlugin(std::move(effect));
    }
    catch (...)
    {
        return nullptr; // nothing may escape into the host
    }
}

CPlugin::CPlugin(std::unique_ptr<AudioEffect> effect)
    : m_Effect(std::move(effect)), m_Panel(std::make_unique<CControllerPanel>(*this))
{
    // The controller starts where the processor does: the default program.
    void* data = nullptr;
    const VstInt32 size = m_Effect->getChunk(&data, true);
    Chunk chunk{};
    if (data != nullptr && size == static_cast<VstInt32>(chunk.size()))
    {
        std::memcpy(chunk.data(), data, chunk.size());
        ShowChunk(chunk);
    }
}

CPlugin::~CPlugin()
{
    ReleaseHandler();
    m_Panel->close();
}

void CPlugin::ReleaseHandler()
{
    if (IComponentHandler* handler = m_Handler.exchange(nullptr))
    {
        handler->release();
    }
}

tresult CPlugin::queryInterface(const TUID iid, void** object)
{
    if (object == nullptr)
    {
        return kInvalidArgument;
    }
    void* found = nullptr;
    if (Iid::FUnknown.Equals(iid) || Iid::IPluginBase.Equals(iid) || Iid::IComponent.Equals(iid))
    {
        found = static_cast<IComponent*>(this);
    }
    else if (Iid::IAudioProcessor.Equals(iid))
    {
        found = static_cast<IAudioProcessor*>(this);
    }
    else if (Iid::IProcessContextRequirements.Equals(iid))
    {
        found = static_cast<IProcessContextRequirements*>(this);
    }
    else if (Iid::IEditController.Equals(iid))
    {
        found = static_cast<IEditController*>(this);
    }
    *object = found;
    if (found == nullptr)
    {
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

std::uint32_t CPlugin::addRef()
{
    return m_References.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint32_t CPlugin::release()
{
    const std::uint32_t left = m_References.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
    {
        delete this;
    }
    return left;
}

// Hosts that treat the component and the controller as two objects initialise and terminate each; the
// object is ready from construction, so both calls are harmless repeats.
tresult CPlugin::initialize(FUnknown*)
{
    return kResultOk;
}

// The host may keep the object a while after it has finished with it, and its handler must not be held
// past that point.
tresult CPlugin::terminate()
{
    ReleaseHandler();
    return kResultOk;
}

// ---- Component -------------------------------------------------------------------------------------

// The controller is this same object, which a host finds by asking the component for it.
tresult CPlugin::getControllerClassId(TUID)
{
    return kResultFalse;
}

tresult CPlugin::setIoMode(IoMode)
{
    return kNotImplemented;
}

std::int32_t CPlugin::getBusCount(MediaType type, BusDirection dir)
{
    return type == kAudio && (dir == kInput || dir == kOutput) ? 1 : 0;
}

tresult CPlugin::getBusInfo(MediaType type, BusDirection dir, std::int32_t index, BusInfo& bus)
{
    if (type != kAudio || (dir != kInput && dir != kOutput) || index != 0)
    {
        return kInvalidArgument;
    }
    bus = BusInfo{};
    bus.mediaType = kAudio;
    bus.direction = dir;
    bus.channelCount = 2;
    CopyText(std::string_view(dir == kInput ? "Stereo In" : "Stereo Out"), bus.name, 128);
    bus.busType = kMain;
    bus.flags = BusInfo::kDefaultActive;
    return kResultOk;
}

tresult CPlugin::getRoutingInfo(RoutingInfo&, RoutingInfo&)
{
    return kNotImplemented;
}

tresult CPlugin::activateBus(MediaType type, BusDirection dir, std::int32_t index, TBool)
{
    return type == kAudio && (dir == kInput || dir == kOutput) && index == 0 ? kResultOk : kInvalidArgument;
}

tresult CPlugin::setActive(TBool state)
{
    if (state != 0)
    {
        m_Effect->resume();
        // A new activation starts a new stream: nothing of the last one rings on into it.
        if (auto* processor = dynamic_cast<CVSTDSP*>(m_Effect.get()))
        {
            processor->OnStreamReset();
        }
    }
    else
    {
        m_Effect->suspend();
    }
    return kResultOk;
}

tresult CPlugin::SetProcessorState(IBStream* state)
{
    ComponentState read;
    if (!ReadState(state, read))
    {
        return kResultFalse; // nothing changes
    }
    m_Effect->setChunk(read.chunk.data(), static_cast<VstInt32>(read.chunk.size()), true);
    m_Bypassed.store(read.bypassed, std::memory_order_relaxed);
    // The controller is this object: it shows the state at once, also for hosts that never pass it on.
    ShowChunk(read.chunk);
    ShowBypass(read.bypassed);
    return kResultOk;
}

tresult CPlugin::GetProcessorState(IBStream* state)
{
    void* data = nullptr;
    const VstInt32 size = m_Effect->getChunk(&data, true);
    ComponentState written;
    if (data == nullptr || size != static_cast<VstInt32>(written.chunk.size()))
    {
        return kInternalError;
    }
    std::memcpy(written.chunk.data(), data, written.chunk.size());
    written.bypassed = m_Bypassed.load(std::memory_order_relaxed);
    return WriteState(state, written) ? kResultOk : kResultFalse;
}

// ---- Audio processor -------------------------------------------------------------------------------

tresult CPlugin::setBusArrangements(SpeakerArrangement* inputs, std::int32_t numIns,
                                    SpeakerArrangement* outputs, std::int32_t numOuts)
{
    if (inputs == nullptr || outputs == nullptr || numIns != 1 || numOuts != 1 || inputs[0] != kStereo ||
        outputs[0] != kStereo)
    {
        return kResultFalse;
    }
    return kResultTrue;
}

tresult CPlugin::getBusArrangement(BusDirection dir, std::int32_t index, SpeakerArrangement& arrangement)
{
    if ((dir != kInput && dir != kOutput) || index != 0)
    {
        return kInvalidArgument;
    }
    arrangement = kStereo;
    return kResultOk;
}

// Single precision only: the engine works on floats, and a conversion from doubles would not be exact.
tresult CPlugin::canProcessSampleSize(std::int32_t symbolicSampleSize)
{
    return symbolicSampleSize == kSample32 ? kResultTrue : kResultFalse;
}

std::uint32_t CPlugin::getLatencySamples()
{
    return 0;
}

tresult CPlugin::setupProcessing(ProcessSetup& setup)
{
    if (setup.symbolicSampleSize != kSample32 || !UsableSampleRate(setup.sampleRate))
    {
        return kResultFalse;
    }
    m_SampleRate = setup.sampleRate;
    m_Effect->setSampleRate(static_cast<float>(setup.sampleRate));
    if (setup.maxSamplesPerBlock > 0)
    {
        m_Effect->setBlockSize(setup.maxSamplesPerBlock);
    }
    return kResultOk;
}

tresult CPlugin::setProcessing(TBool)
{
    return kResultOk;
}

void CPlugin::ApplyParameterChanges(IParameterChanges* changes) noexcept
{
    if (changes == nullptr)
    {
        return;
    }
    // The engine smooths its faders once per block, so a value takes effect for the whole block: the last
    // point of each queue, the value at the block's end. Splitting blocks would change the smoothing.
    const std::int32_t count = changes->getParameterCount();
    for (std::int32_t i = 0; i < count; ++i)
    {
        IParamValueQueue* queue = changes->getParameterData(i);
        if (queue == nullptr)
        {
            continue;
        }
        const std::int32_t points = queue->getPointCount();
        std::int32_t offset = 0;
        ParamValue value = 0.0;
        if (points <= 0 || queue->getPoint(points - 1, offset, value) != kResultOk)
        {
            continue;
        }
        const ParamID id = queue->getParameterId();
        const auto deviceValue = DeviceValue(id, value);
        if (!deviceValue)
        {
            continue;
        }
        if (id == kBypassId)
        {
            m_Bypassed.store(*deviceValue != 0.0f, std::memory_order_relaxed);
        }
        else
        {
            m_Effect->setParameter(static_cast<VstInt32>(id), *deviceValue);
        }
    }
}

tresult CPlugin::process(ProcessData& data)
{
    ApplyParameterChanges(data.inputParameterChanges);
    if (data.numSamples <= 0)
    {
        return kResultOk; // a host flushing parameters
    }
    if (data.symbolicSampleSize != kSample32)
    {
        return kInvalidArgument;
    }
    float* out[2];
    if (!StereoChannels(data.outputs, data.numOutputs, out))
    {
        return kResultOk; // nowhere to write
    }
    const auto frames = static_cast<std::size_t>(data.numSamples);
    float* in[2];
    if (!StereoChannels(data.inputs, data.numInputs, in))
    {
        std::fill_n(out[0], frames, 0.0f);
        std::fill_n(out[1], frames, 0.0f);
        data.outputs[0].silenceFlags = 3;
        return kResultOk;
    }
    const std::uint64_t inputSilence = data.inputs[0].silenceFlags;
    CopyStereoInputs(in, out, frames);
    if (m_Bypassed.load(std::memory_order_relaxed))
    {
        data.outputs[0].silenceFlags = inputSilence;
        return kResultOk;
    }
    // In place from here: the processor copies nothing when input and output are the same buffer.
    m_Effect->processReplacing(out, out, static_cast<VstInt32>(data.numSamples));
    data.outputs[0].silenceFlags = SilentChannels(out, frames);
    return kResultOk;
}

// The narrowest band rings for a few hundred milliseconds after the input stops.
std::uint32_t CPlugin::getTailSamples()
{
    return static_cast<std::uint32_t>(std::lround(m_SampleRate * 0.5));
}

// ---- Edit controller -------------------------------------------------------------------------------

void CPlugin::ShowChunk(const Chunk& chunk)
{
    for (std::int32_t index = 0; index < kParameterCount; ++index)
    {
        m_Panel->SetParamValue(index, ChunkValue(chunk, index));
    }
    m_Panel->FollowInSwitch();
}

tresult CPlugin::setComponentState(IBStream* state)
{
    ComponentState read;
    if (!ReadState(state, read))
    {
        return kResultFalse;
    }
    ShowChunk(read.chunk);
    ShowBypass(read.bypassed);
    return kResultOk;
}

// Everything the controller knows is in the component's state.
tresult CPlugin::SetControllerState(IBStream*)
{
    return kResultOk;
}

tresult CPlugin::GetControllerState(IBStream*)
{
    return kResultOk;
}

std::int32_t CPlugin::getParameterCount()
{
    return kHostParameterCount;
}

tresult CPlugin::getParameterInfo(std::int32_t paramIndex, ParameterInfo& info)
{
    return DescribeParameter(paramIndex, info) ? kResultOk : kInvalidArgument;
}

tresult CPlugin::getParamStringByValue(ParamID id, ParamValue valueNormalized, String128 string)
{
    if (string == nullptr || !IsKnownParameter(id) || std::isnan(valueNormalized))
    {
        return kInvalidArgument;
    }
    if (IsSwitch(id))
    {
        CopyText(std::string_view(*DeviceValue(id, valueNormalized) != 0.0f ? "On" : "Off"), string, 128);
        return kResultOk;
    }
    // The fader's own text, as the VST 2.4 build shows it.
    CopyText(m_Panel->Fader(static_cast<int>(id)).FormatValue(*DeviceValue(id, valueNormalized)), string,
             128);
    return kResultOk;
}

tresult CPlugin::getParamValueByString(ParamID id, TChar* string, ParamValue& valueNormalized)
{
    if (string == nullptr)
    {
        return kInvalidArgument;
    }
    std::size_t length = 0;
    while (length < 128 && string[length] != u'\0')
    {
        ++length;
    }
    const auto value = ParseNormalised(id, std::u16string_view(string, length));
    if (!value)
    {
        return kResultFalse;
    }
    valueNormalized = *value;
    return kResultOk;
}

ParamValue CPlugin::normalizedParamToPlain(ParamID id, ParamValue valueNormalized)
{
    return ToPlain(id, valueNormalized);
}

ParamValue CPlugin::plainParamToNormalized(ParamID id, ParamValue plainValue)
{
    return ToNormalised(id, plainValue);
}

ParamValue CPlugin::getParamNormalized(ParamID id)
{
    if (id == kBypassId)
    {
        return m_ControllerBypass;
    }
    return IsKnownParameter(id) ? m_Panel->ParamValue(static_cast<std::int32_t>(id)) : 0.0;
}

// A value from the host: shown, never reported back as an edit. Component and controller are one object,
// so the processor takes the value too: a host that sets a parameter and saves before the next block
// (Ardour does) then stores what it set.
tresult CPlugin::setParamNormalized(ParamID id, ParamValue value)
{
    const auto deviceValue = DeviceValue(id, value);
    if (!deviceValue)
    {
        return kInvalidArgument;
    }
    if (id == kBypassId)
    {
        m_ControllerBypass = *deviceValue;
        m_Bypassed.store(*deviceValue != 0.0f, std::memory_order_relaxed);
        return kResultOk;
    }
    m_Panel->SetParamValue(static_cast<std::int32_t>(id), *deviceValue);
    m_Panel->FollowInSwitch();
    m_Effect->setParameter(static_cast<VstInt32>(id), *deviceValue);
    return kResultOk;
}

tresult CPlugin::setComponentHandler(IComponentHandler* handler)
{
    if (handler != nullptr)
    {
        handler->addRef();
    }
    if (IComponentHandler* old = m_Handler.exchange(handler))
    {
        old->release();
    }
    return kResultOk;
}

IPlugView* CPlugin::createView(FIDString name)
{
    if (name == nullptr || std::strcmp(name, kEditorViewName) != 0 || m_View != nullptr)
    {
        return nullptr; // one panel, one window: a second view at a time is refused
    }
    m_View = new (std::nothrow) CView(*this);
    return m_View;
}

void CPlugin::OnViewGone(CView* view)
{
    if (m_View == view)
    {
        m_View = nullptr;
    }
}

// ---- Edits from the panel --------------------------------------------------------------------------

void CPlugin::OnPanelEdit(const PanelEdit& edit)
{
    if (edit.index < 0 || edit.index >= kParameterCount)
    {
        return;
    }
    if (m_QueuedEdits.load(std::memory_order_acquire))
    {
        m_Edits.Push(edit);
        return;
    }
    Deliver(edit);
}

void CPlugin::DeliverQueuedEdits()
{
    PanelEdit edit;
    while (m_Edits.Pop(edit))
    {
        Deliver(edit);
    }
}

void CPlugin::Deliver(const PanelEdit& edit)
{
    IComponentHandler* handler = m_Handler.load();
    if (handler == nullptr)
    {
        return;
    }
    const auto id = static_cast<ParamID>(edit.index);
    switch (edit.kind)
    {
    case PanelEdit::Kind::Begin:
        handler->beginEdit(id);
        break;
    case PanelEdit::Kind::Value:
        handler->performEdit(id, CMeter::Sanitise(edit.value));
        break;
    case PanelEdit::Kind::End:
        handler->endEdit(id);
        break;
    }
}
} // namespace KVX::Vst3
