// SPDX-License-Identifier: GPL-3.0-or-later
#include "vst3/plugin.h"

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
// The channels of the first bus (none when the host gave no bus or no buffers).
std::uint32_t Channels(const AudioBusBuffers* buses, std::int32_t count, float** (&channels))
{
    if (buses == nullptr || count < 1 || buses[0].numChannels < 1 || buses[0].channelBuffers32 == nullptr)
    {
        channels = nullptr;
        return 0;
    }
    channels = buses[0].channelBuffers32;
    return static_cast<std::uint32_t>(buses[0].numChannels);
}

// One bit for each channel that holds nothing but zeros, so that the host can skip what follows us. Audio
// gives itself away at its first samples.
std::uint64_t SilentChannels(float* const* channels, std::uint32_t count, std::size_t frames)
{
    std::uint64_t flags = 0;
    for (std::uint32_t c = 0; c < count && c < 64; ++c)
    {
        if (channels[c] != nullptr &&
            std::all_of(channels[c], channels[c] + frames, [](float x) { return x == 0.0f; }))
        {
            flags |= std::uint64_t{1} << c;
        }
    }
    return flags;
}
} // namespace

// ---- Life ------------------------------------------------------------------------------------------

CPlugin* CPlugin::Create()
{
    try
    {
        auto processor = CDevice::Create();
        auto controller = processor != nullptr ? CDevice::Create() : nullptr;
        if (controller == nullptr)
        {
            return nullptr; // the device has shown why
        }
        return new CPlugin(std::move(processor), std::move(controller));
    }
    catch (...)
    {
        return nullptr; // nothing may escape into the host
    }
}

// Both devices start at the default program, so the controller shows what the processor holds.
CPlugin::CPlugin(std::unique_ptr<CDevice> processor, std::unique_ptr<CDevice> controller)
    : m_Processor(std::move(processor)), m_Controller(std::move(controller))
{
    m_Controller->SetEditSink(this);
}

CPlugin::~CPlugin()
{
    ReleaseHandler();
    m_Controller->CloseEditor();
    m_Controller->SetEditSink(nullptr);
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
        // A new activation starts a new stream: nothing of the last one rings on into it.
        m_Processor->Reset();
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
    if (!m_Processor->LoadState(read.chunk.data(), read.chunk.size()))
    {
        return kResultFalse;
    }
    m_Bypassed.store(read.bypassed, std::memory_order_relaxed);
    // The controller is this object: it shows the state at once, also for hosts that never pass it on.
    ShowChunk(read.chunk);
    ShowBypass(read.bypassed);
    return kResultOk;
}

tresult CPlugin::GetProcessorState(IBStream* state)
{
    ComponentState written;
    written.chunk = m_Processor->SaveState();
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
    // A rate the filters cannot be designed for is refused rather than handed to the filter design.
    if (setup.symbolicSampleSize != kSample32 || !CDevice::IsUsableSampleRate(setup.sampleRate))
    {
        return kResultFalse;
    }
    m_SampleRate = setup.sampleRate;
    m_Processor->Prepare(setup.sampleRate, static_cast<std::uint32_t>(std::max(setup.maxSamplesPerBlock, 1)));
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
            m_Processor->SetValue(static_cast<int>(id), *deviceValue);
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
    float** out = nullptr;
    const std::uint32_t outCount = Channels(data.outputs, data.numOutputs, out);
    if (outCount == 0)
    {
        return kResultOk; // nowhere to write
    }
    float** in = nullptr;
    const std::uint32_t inCount = Channels(data.inputs, data.numInputs, in);
    const auto frames = static_cast<std::uint32_t>(data.numSamples);
    if (m_Bypassed.load(std::memory_order_relaxed))
    {
        m_Processor->Pass(in, inCount, out, outCount, frames);
    }
    else
    {
        m_Processor->Process(in, inCount, out, outCount, frames);
    }
    data.outputs[0].silenceFlags = SilentChannels(out, outCount, frames);
    return kResultOk;
}

// The narrowest band rings for a few hundred milliseconds after the input stops.
std::uint32_t CPlugin::getTailSamples()
{
    return static_cast<std::uint32_t>(std::lround(m_SampleRate * 0.5));
}

// ---- Edit controller -------------------------------------------------------------------------------

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
    if (string == nullptr || !DeviceValue(id, valueNormalized))
    {
        return kInvalidArgument;
    }
    // The value's text as the panel shows it; the host adds the unit.
    CopyText(std::string_view(FormatNormalised(id, valueNormalized)), string, 128);
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
    return IsKnownParameter(id) ? m_Controller->Value(static_cast<int>(id)) : 0.0;
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
    m_Controller->SetValue(static_cast<int>(id), *deviceValue);
    m_Processor->SetValue(static_cast<int>(id), *deviceValue);
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
        handler->performEdit(id, edit.value);
        break;
    case PanelEdit::Kind::End:
        handler->endEdit(id);
        break;
    }
}
} // namespace KVX::Vst3
