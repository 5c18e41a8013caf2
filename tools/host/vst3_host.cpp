// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/vst3_host.h"

#include "host/module_loader.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace KVX::Host::Vst3
{
namespace
{
template <typename T> tresult Answer(T* self, const TUID iid, void** object, const Uid& own)
{
    if (object == nullptr)
    {
        return kInvalidArgument;
    }
    if (Iid::FUnknown.Equals(iid) || own.Equals(iid))
    {
        *object = self;
        self->addRef();
        return kResultOk;
    }
    *object = nullptr;
    return kNoInterface;
}

template <typename Interface> Interface* Query(FUnknown* from, const Uid& iid)
{
    void* object = nullptr;
    if (from == nullptr || from->queryInterface(iid.Data(), &object) != kResultOk)
    {
        return nullptr;
    }
    return static_cast<Interface*>(object);
}

#if defined(_WIN32)
using EntryCall = bool (*)();
using ExitCall = bool (*)();
#else
using EntryCall = bool (*)(void*);
using ExitCall = bool (*)();
#endif
using FactoryCall = IPluginFactory* (*)();
} // namespace

std::string ModulePath(const std::string& bundle)
{
    std::string name = bundle;
    while (!name.empty() && (name.back() == '/' || name.back() == '\\'))
    {
        name.pop_back();
    }
    std::string stem = name.substr(name.find_last_of("/\\") + 1);
    if (stem.size() > 5 && stem.substr(stem.size() - 5) == ".vst3")
    {
        stem.resize(stem.size() - 5);
    }
#if defined(_WIN32)
    const char* arch = sizeof(void*) == 8 ? "x86_64-win" : "x86-win";
    return name + "/Contents/" + arch + "/" + stem + ".vst3";
#else
    return name + "/Contents/x86_64-linux/" + stem + ".so";
#endif
}

std::unique_ptr<CModule> CModule::Load(const std::string& bundle, std::string& error)
{
    std::unique_ptr<CModule> module(new CModule);
    module->m_Module = Host::OpenModule(ModulePath(bundle), error);
    if (module->m_Module == nullptr)
    {
        return nullptr;
    }
#if defined(_WIN32)
    auto entry = reinterpret_cast<EntryCall>(Host::ModuleSymbol(module->m_Module, "InitDll"));
    if (entry != nullptr && !entry())
#else
    auto entry = reinterpret_cast<EntryCall>(Host::ModuleSymbol(module->m_Module, "ModuleEntry"));
    if (entry == nullptr)
    {
        error = "no ModuleEntry";
        return nullptr;
    }
    if (!entry(module->m_Module))
#endif
    {
        error = "the module's entry call failed";
        return nullptr;
    }
    module->m_Entered = true;
    auto factory = reinterpret_cast<FactoryCall>(Host::ModuleSymbol(module->m_Module, "GetPluginFactory"));
    if (factory == nullptr)
    {
        error = "no GetPluginFactory";
        return nullptr;
    }
    module->m_Factory = factory();
    if (module->m_Factory == nullptr)
    {
        error = "GetPluginFactory answered null";
        return nullptr;
    }
    module->m_Factory2 = Query<IPluginFactory2>(module->m_Factory, Iid::IPluginFactory2);
    module->m_Factory3 = Query<IPluginFactory3>(module->m_Factory, Iid::IPluginFactory3);
    return module;
}

CModule::~CModule()
{
    for (FUnknown* factory : {static_cast<FUnknown*>(m_Factory3), static_cast<FUnknown*>(m_Factory2),
                              static_cast<FUnknown*>(m_Factory)})
    {
        if (factory != nullptr)
        {
            factory->release();
        }
    }
    if (m_Entered)
    {
#if defined(_WIN32)
        auto exit = reinterpret_cast<ExitCall>(Host::ModuleSymbol(m_Module, "ExitDll"));
#else
        auto exit = reinterpret_cast<ExitCall>(Host::ModuleSymbol(m_Module, "ModuleExit"));
#endif
        if (exit != nullptr)
        {
            exit();
        }
    }
    if (m_Module != nullptr)
    {
        Host::CloseModule(m_Module);
    }
}

IPluginFactory2* CModule::Factory2() const
{
    return m_Factory2;
}

IPluginFactory3* CModule::Factory3() const
{
    return m_Factory3;
}

bool CModule::FindAudioClass(PClassInfo& info) const
{
    const std::int32_t count = m_Factory->countClasses();
    for (std::int32_t i = 0; i < count; ++i)
    {
        PClassInfo candidate{};
        if (m_Factory->getClassInfo(i, &candidate) == kResultOk &&
            std::strncmp(candidate.category, "Audio Module Class", sizeof candidate.category) == 0)
        {
            info = candidate;
            return true;
        }
    }
    return false;
}

// ---- Streams ---------------------------------------------------------------------------------------

tresult CMemoryStream::queryInterface(const TUID iid, void** object)
{
    return Answer(this, iid, object, Iid::IBStream);
}

tresult CMemoryStream::read(void* buffer, std::int32_t numBytes, std::int32_t* numBytesRead)
{
    if (buffer == nullptr || numBytes < 0)
    {
        return kInvalidArgument;
    }
    const std::size_t n = std::min(static_cast<std::size_t>(numBytes), m_Bytes.size() - m_Position);
    if (n > 0)
    {
        std::memcpy(buffer, m_Bytes.data() + m_Position, n);
    }
    m_Position += n;
    if (numBytesRead != nullptr)
    {
        *numBytesRead = static_cast<std::int32_t>(n);
    }
    return kResultOk;
}

tresult CMemoryStream::write(void* buffer, std::int32_t numBytes, std::int32_t* numBytesWritten)
{
    if (buffer == nullptr || numBytes < 0)
    {
        return kInvalidArgument;
    }
    const auto* bytes = static_cast<const std::uint8_t*>(buffer);
    if (m_Position + static_cast<std::size_t>(numBytes) > m_Bytes.size())
    {
        m_Bytes.resize(m_Position + static_cast<std::size_t>(numBytes));
    }
    std::copy(bytes, bytes + numBytes, m_Bytes.begin() + static_cast<std::ptrdiff_t>(m_Position));
    m_Position += static_cast<std::size_t>(numBytes);
    if (numBytesWritten != nullptr)
    {
        *numBytesWritten = numBytes;
    }
    return kResultOk;
}

tresult CMemoryStream::seek(std::int64_t pos, std::int32_t mode, std::int64_t* result)
{
    std::int64_t base = 0;
    if (mode == kIBSeekCur)
    {
        base = static_cast<std::int64_t>(m_Position);
    }
    else if (mode == kIBSeekEnd)
    {
        base = static_cast<std::int64_t>(m_Bytes.size());
    }
    else if (mode != kIBSeekSet)
    {
        return kInvalidArgument;
    }
    const std::int64_t target = base + pos;
    if (target < 0 || target > static_cast<std::int64_t>(m_Bytes.size()))
    {
        return kInvalidArgument;
    }
    m_Position = static_cast<std::size_t>(target);
    if (result != nullptr)
    {
        *result = target;
    }
    return kResultOk;
}

tresult CMemoryStream::tell(std::int64_t* pos)
{
    if (pos == nullptr)
    {
        return kInvalidArgument;
    }
    *pos = static_cast<std::int64_t>(m_Position);
    return kResultOk;
}

// ---- Parameter changes -----------------------------------------------------------------------------

tresult CParamValueQueue::queryInterface(const TUID iid, void** object)
{
    return Answer(this, iid, object, Iid::IParamValueQueue);
}

tresult CParamValueQueue::getPoint(std::int32_t index, std::int32_t& sampleOffset, ParamValue& value)
{
    if (index < 0 || index >= getPointCount())
    {
        return kInvalidArgument;
    }
    sampleOffset = m_Points[static_cast<std::size_t>(index)].first;
    value = m_Points[static_cast<std::size_t>(index)].second;
    return kResultOk;
}

tresult CParamValueQueue::addPoint(std::int32_t sampleOffset, ParamValue value, std::int32_t& index)
{
    m_Points.emplace_back(sampleOffset, value);
    index = getPointCount() - 1;
    return kResultOk;
}

tresult CParameterChanges::queryInterface(const TUID iid, void** object)
{
    return Answer(this, iid, object, Iid::IParameterChanges);
}

IParamValueQueue* CParameterChanges::getParameterData(std::int32_t index)
{
    return index >= 0 && index < getParameterCount() ? m_Queues[static_cast<std::size_t>(index)].get()
                                                     : nullptr;
}

IParamValueQueue* CParameterChanges::addParameterData(const ParamID& id, std::int32_t& index)
{
    for (std::size_t i = 0; i < m_Queues.size(); ++i)
    {
        if (m_Queues[i]->getParameterId() == id)
        {
            index = static_cast<std::int32_t>(i);
            return m_Queues[i].get();
        }
    }
    m_Queues.push_back(std::make_unique<CParamValueQueue>(id));
    index = getParameterCount() - 1;
    return m_Queues.back().get();
}

void CParameterChanges::Add(ParamID id, std::int32_t offset, ParamValue value)
{
    std::int32_t index = 0;
    std::int32_t point = 0;
    addParameterData(id, index)->addPoint(offset, value, point);
}

// ---- Component handler -----------------------------------------------------------------------------

tresult CComponentHandler::queryInterface(const TUID iid, void** object)
{
    return Answer(this, iid, object, Iid::IComponentHandler);
}

tresult CComponentHandler::beginEdit(ParamID id)
{
    Record({'b', id, 0.0, std::this_thread::get_id()});
    return kResultOk;
}

tresult CComponentHandler::performEdit(ParamID id, ParamValue valueNormalized)
{
    Record({'p', id, valueNormalized, std::this_thread::get_id()});
    return kResultOk;
}

tresult CComponentHandler::endEdit(ParamID id)
{
    Record({'e', id, 0.0, std::this_thread::get_id()});
    return kResultOk;
}

tresult CComponentHandler::restartComponent(std::int32_t flags)
{
    Record({'r', static_cast<ParamID>(flags), 0.0, std::this_thread::get_id()});
    return kResultOk;
}

std::vector<CComponentHandler::Call> CComponentHandler::Calls() const
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    return m_Calls;
}

void CComponentHandler::Clear()
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Calls.clear();
}

void CComponentHandler::Record(Call call)
{
    std::lock_guard<std::mutex> lock(m_Mutex);
    m_Calls.push_back(call);
}

// ---- Host application and frame --------------------------------------------------------------------

tresult CHostApplication::queryInterface(const TUID iid, void** object)
{
    return Answer(this, iid, object, Iid::IHostApplication);
}

tresult CHostApplication::getName(String128 name)
{
    const char16_t text[] = u"KVX VST3 test host";
    std::memset(name, 0, sizeof(String128));
    std::memcpy(name, text, sizeof text);
    return kResultOk;
}

tresult CHostApplication::createInstance(TUID, TUID, void** object)
{
    if (object != nullptr)
    {
        *object = nullptr;
    }
    return kNotImplemented;
}

tresult CPlugFrame::queryInterface(const TUID iid, void** object)
{
    if (object == nullptr)
    {
        return kInvalidArgument;
    }
    *object = nullptr;
    if (Iid::FUnknown.Equals(iid) || Iid::IPlugFrame.Equals(iid))
    {
        *object = static_cast<IPlugFrame*>(this);
    }
    else if (m_OfferRunLoop && Iid::IRunLoop.Equals(iid))
    {
        *object = static_cast<IRunLoop*>(this);
    }
    if (*object == nullptr)
    {
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

tresult CPlugFrame::resizeView(IPlugView* view, ViewRect* newSize)
{
    if (view == nullptr || newSize == nullptr)
    {
        return kInvalidArgument;
    }
    const int width = newSize->right - newSize->left;
    const int height = newSize->bottom - newSize->top;
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        m_Requests.emplace_back(width, height);
    }
    if (!m_Resize || !m_Resize(width, height))
    {
        return kResultFalse;
    }
    ViewRect given{0, 0, width, height};
    view->onSize(&given);
    return kResultTrue;
}

tresult CPlugFrame::registerEventHandler(IEventHandler*, FileDescriptor)
{
    return kResultOk;
}

tresult CPlugFrame::unregisterEventHandler(IEventHandler*)
{
    return kResultOk;
}

tresult CPlugFrame::registerTimer(ITimerHandler* handler, TimerInterval)
{
    if (handler == nullptr)
    {
        return kInvalidArgument;
    }
    m_Timers.push_back(handler);
    return kResultOk;
}

tresult CPlugFrame::unregisterTimer(ITimerHandler* handler)
{
    m_Timers.erase(std::remove(m_Timers.begin(), m_Timers.end(), handler), m_Timers.end());
    return kResultOk;
}

void CPlugFrame::RunTimers()
{
    const auto timers = m_Timers;
    for (ITimerHandler* timer : timers)
    {
        timer->onTimer();
    }
}

tresult SetContentScale(IPlugView* view, float factor)
{
    auto* scale = Query<IPlugViewContentScaleSupport>(view, Iid::IPlugViewContentScaleSupport);
    if (scale == nullptr)
    {
        return kNoInterface;
    }
    const tresult result = scale->setContentScaleFactor(factor);
    scale->release();
    return result;
}

tresult ResizeView(IPlugView* view, ViewRect& rect)
{
    if (view == nullptr)
    {
        return kInvalidArgument;
    }
    const tresult fitted = view->checkSizeConstraint(&rect);
    if (fitted != kResultTrue)
    {
        return fitted;
    }
    return view->onSize(&rect);
}

// ---- Instance --------------------------------------------------------------------------------------

std::unique_ptr<CInstance> CInstance::Create(const CModule& module, const PClassInfo& info,
                                             std::string& error)
{
    std::unique_ptr<CInstance> instance(new CInstance);
    void* object = nullptr;
    if (module.Factory()->createInstance(info.cid, Iid::IComponent.Data(), &object) != kResultOk ||
        object == nullptr)
    {
        error = "the factory made no component";
        return nullptr;
    }
    instance->m_Component = static_cast<IComponent*>(object);
    if (instance->m_Component->initialize(&instance->m_Host) != kResultOk)
    {
        error = "the component's initialize failed";
        return nullptr;
    }
    instance->m_Processor = Query<IAudioProcessor>(instance->m_Component, Iid::IAudioProcessor);
    instance->m_Controller = Query<IEditController>(instance->m_Component, Iid::IEditController);
    if (instance->m_Controller == nullptr)
    {
        TUID controllerClass{};
        if (instance->m_Component->getControllerClassId(controllerClass) == kResultOk &&
            module.Factory()->createInstance(controllerClass, Iid::IEditController.Data(), &object) ==
                kResultOk &&
            object != nullptr)
        {
            instance->m_Controller = static_cast<IEditController*>(object);
            instance->m_SeparateController = true;
            instance->m_Controller->initialize(&instance->m_Host);
            auto* a = Query<IConnectionPoint>(instance->m_Component, Iid::IConnectionPoint);
            auto* b = Query<IConnectionPoint>(instance->m_Controller, Iid::IConnectionPoint);
            if (a != nullptr && b != nullptr)
            {
                a->connect(b);
                b->connect(a);
                instance->m_ComponentConnection = a;
                instance->m_ControllerConnection = b;
            }
            else
            {
                if (a != nullptr)
                {
                    a->release();
                }
                if (b != nullptr)
                {
                    b->release();
                }
            }
        }
    }
    return instance;
}

CInstance::~CInstance()
{
    Stop();
    if (m_ComponentConnection != nullptr)
    {
        auto* a = static_cast<IConnectionPoint*>(m_ComponentConnection);
        auto* b = static_cast<IConnectionPoint*>(m_ControllerConnection);
        a->disconnect(b);
        b->disconnect(a);
        a->release();
        b->release();
    }
    if (m_Controller != nullptr)
    {
        m_Controller->setComponentHandler(nullptr);
        if (m_SeparateController)
        {
            m_Controller->terminate();
        }
        m_Controller->release();
    }
    if (m_Processor != nullptr)
    {
        m_Processor->release();
    }
    if (m_Component != nullptr)
    {
        m_Component->terminate();
        m_Component->release();
    }
}

tresult CInstance::Start(double rate, std::int32_t maxBlock)
{
    if (m_Processor == nullptr)
    {
        return kNoInterface;
    }
    // The arrangement the plug-in proposes, offered back to it.
    SpeakerArrangement in = kStereo;
    SpeakerArrangement out = kStereo;
    m_Processor->getBusArrangement(kInput, 0, in);
    m_Processor->getBusArrangement(kOutput, 0, out);
    m_Processor->setBusArrangements(&in, 1, &out, 1);
    m_Component->activateBus(kAudio, kInput, 0, 1);
    m_Component->activateBus(kAudio, kOutput, 0, 1);
    ProcessSetup setup{0, kSample32, maxBlock, rate};
    const tresult result = m_Processor->setupProcessing(setup);
    if (result != kResultOk)
    {
        return result;
    }
    m_Component->setActive(1);
    m_Processor->setProcessing(1);
    m_Active = true;
    return kResultOk;
}

void CInstance::Stop()
{
    if (m_Active)
    {
        m_Processor->setProcessing(0);
        m_Component->setActive(0);
        m_Active = false;
    }
}

// Nothing here allocates, so that a test can count the processor's allocations alone.
tresult CInstance::Process(const float* const in[2], float* const out[2], std::int32_t frames,
                           IParameterChanges* changes)
{
    float* inputs[2] = {const_cast<float*>(in[0]), const_cast<float*>(in[1])};
    float* outputs[2] = {out[0], out[1]};
    return ProcessBuses(inputs, 2, outputs, 2, frames, changes);
}

tresult CInstance::ProcessChannels(const std::vector<float*>& in, const std::vector<float*>& out,
                                   std::int32_t frames, IParameterChanges* changes)
{
    std::vector<float*> inputs = in;
    std::vector<float*> outputs = out;
    return ProcessBuses(inputs.data(), static_cast<std::int32_t>(inputs.size()), outputs.data(),
                        static_cast<std::int32_t>(outputs.size()), frames, changes);
}

std::int32_t CInstance::Channels(BusDirection direction) const
{
    BusInfo info{};
    return m_Component->getBusInfo(kAudio, direction, 0, info) == kResultOk ? info.channelCount : 0;
}

tresult CInstance::ProcessBuses(float** in, std::int32_t inChannels, float** out, std::int32_t outChannels,
                                std::int32_t frames, IParameterChanges* changes)
{
    AudioBusBuffers inBus{};
    inBus.numChannels = inChannels;
    inBus.channelBuffers32 = in;
    AudioBusBuffers outBus{};
    outBus.numChannels = outChannels;
    outBus.channelBuffers32 = out;
    CParameterChanges noOutput;
    ProcessData data{};
    data.symbolicSampleSize = kSample32;
    data.numSamples = frames;
    data.numInputs = 1;
    data.numOutputs = 1;
    data.inputs = &inBus;
    data.outputs = &outBus;
    data.inputParameterChanges = changes;
    data.outputParameterChanges = &noOutput;
    const tresult result = m_Processor->process(data);
    m_OutputChanges = noOutput.getParameterCount();
    return result;
}

std::vector<std::uint8_t> CInstance::State() const
{
    CMemoryStream stream;
    if (m_Component->getState(&stream) != kResultOk)
    {
        return {};
    }
    return stream.Bytes();
}

tresult CInstance::SetState(const std::vector<std::uint8_t>& bytes) const
{
    CMemoryStream stream(bytes);
    const tresult result = m_Component->setState(&stream);
    if (result == kResultOk && m_Controller != nullptr)
    {
        CMemoryStream again(bytes);
        m_Controller->setComponentState(&again);
    }
    return result;
}

std::string Narrow(const TChar* text, std::size_t capacity)
{
    std::string out;
    for (std::size_t i = 0; i < capacity && text[i] != 0; ++i)
    {
        out.push_back(text[i] < 0x80 ? static_cast<char>(text[i]) : '?');
    }
    return out;
}

std::string UidText(const char* uid)
{
    std::string out;
    char hex[3];
    for (int i = 0; i < 16; ++i)
    {
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(uid[i]));
        out += hex;
    }
    return out;
}
} // namespace KVX::Host::Vst3
