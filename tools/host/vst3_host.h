// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A small VST3 host: loads a bundle's module through its exported entry points, as a host
// application does, and offers the host side of the interfaces (streams, parameter changes, a component
// handler, a frame with a run loop). It works with any plug-in, ours or another's.
#include "vst3/abi/interfaces.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace KVX::Host::Vst3
{
using namespace KVX::Vst3;

// Host objects live on the stack or in fixtures: their counts only keep the plug-in's calls honest.
template <typename Interface> class CHostObject : public Interface
{
public:
    std::uint32_t KVX_VST3_API addRef() override { return ++m_References; }
    std::uint32_t KVX_VST3_API release() override { return --m_References; }
    std::uint32_t References() const { return m_References; }

protected:
    std::atomic<std::uint32_t> m_References{1};
};

// The module binary inside a bundle folder, for this platform and architecture.
std::string ModulePath(const std::string& bundle);

class CModule
{
public:
    // Null with `error` set when the module cannot be loaded or has no factory.
    static std::unique_ptr<CModule> Load(const std::string& bundle, std::string& error);
    ~CModule();

    IPluginFactory* Factory() const { return m_Factory; }
    // The factory's newer interfaces, or null.
    IPluginFactory2* Factory2() const;
    IPluginFactory3* Factory3() const;
    // The first class of the category "Audio Module Class".
    bool FindAudioClass(PClassInfo& info) const;
    void* Module() const { return m_Module; }

private:
    CModule() = default;
    void* m_Module = nullptr;
    IPluginFactory* m_Factory = nullptr;
    IPluginFactory2* m_Factory2 = nullptr;
    IPluginFactory3* m_Factory3 = nullptr;
    bool m_Entered = false;
};

// A growing memory stream.
class CMemoryStream final : public CHostObject<IBStream>
{
public:
    CMemoryStream() = default;
    explicit CMemoryStream(std::vector<std::uint8_t> bytes) : m_Bytes(std::move(bytes)) {}

    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override;
    tresult KVX_VST3_API read(void* buffer, std::int32_t numBytes, std::int32_t* numBytesRead) override;
    tresult KVX_VST3_API write(void* buffer, std::int32_t numBytes, std::int32_t* numBytesWritten) override;
    tresult KVX_VST3_API seek(std::int64_t pos, std::int32_t mode, std::int64_t* result) override;
    tresult KVX_VST3_API tell(std::int64_t* pos) override;

    const std::vector<std::uint8_t>& Bytes() const { return m_Bytes; }
    void Rewind() { m_Position = 0; }

private:
    std::vector<std::uint8_t> m_Bytes;
    std::size_t m_Position = 0;
};

class CParamValueQueue final : public CHostObject<IParamValueQueue>
{
public:
    explicit CParamValueQueue(ParamID id) : m_Id(id) {}
    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override;
    ParamID KVX_VST3_API getParameterId() override { return m_Id; }
    std::int32_t KVX_VST3_API getPointCount() override { return static_cast<std::int32_t>(m_Points.size()); }
    tresult KVX_VST3_API getPoint(std::int32_t index, std::int32_t& sampleOffset, ParamValue& value) override;
    tresult KVX_VST3_API addPoint(std::int32_t sampleOffset, ParamValue value, std::int32_t& index) override;

private:
    ParamID m_Id;
    std::vector<std::pair<std::int32_t, ParamValue>> m_Points;
};

class CParameterChanges final : public CHostObject<IParameterChanges>
{
public:
    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override;
    std::int32_t KVX_VST3_API getParameterCount() override
    {
        return static_cast<std::int32_t>(m_Queues.size());
    }
    IParamValueQueue* KVX_VST3_API getParameterData(std::int32_t index) override;
    IParamValueQueue* KVX_VST3_API addParameterData(const ParamID& id, std::int32_t& index) override;

    // A point at `offset` in the queue of `id` (made when it does not exist yet).
    void Add(ParamID id, std::int32_t offset, ParamValue value);
    void Clear() { m_Queues.clear(); }

private:
    std::vector<std::unique_ptr<CParamValueQueue>> m_Queues;
};

// Records the edits a controller reports, with the thread each came on.
class CComponentHandler final : public CHostObject<IComponentHandler>
{
public:
    struct Call
    {
        char kind; // 'b'egin, 'p'erform, 'e'nd, 'r'estart
        ParamID id;
        ParamValue value;
        std::thread::id thread;
    };
    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override;
    tresult KVX_VST3_API beginEdit(ParamID id) override;
    tresult KVX_VST3_API performEdit(ParamID id, ParamValue valueNormalized) override;
    tresult KVX_VST3_API endEdit(ParamID id) override;
    tresult KVX_VST3_API restartComponent(std::int32_t flags) override;

    std::vector<Call> Calls() const;
    void Clear();

private:
    void Record(Call call);
    mutable std::mutex m_Mutex;
    std::vector<Call> m_Calls;
};

class CHostApplication final : public CHostObject<IHostApplication>
{
public:
    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override;
    tresult KVX_VST3_API getName(String128 name) override;
    tresult KVX_VST3_API createInstance(TUID cid, TUID iid, void** object) override;
};

// A frame whose run loop is the test's own thread: timers fire when the test calls RunTimers. A view's
// request for another size goes to the resize handler (the host's window); when it resized, the view is
// told its new size with onSize, as a host does.
class CPlugFrame final : public IPlugFrame, public IRunLoop
{
public:
    using ResizeHandler = std::function<bool(int width, int height)>;

    explicit CPlugFrame(bool offerRunLoop) : m_OfferRunLoop(offerRunLoop) {}
    // Without a handler every request is refused.
    void SetResizeHandler(ResizeHandler handler) { m_Resize = std::move(handler); }
    // The sizes views asked for, in order.
    std::vector<std::pair<int, int>> ResizeRequests() const
    {
        std::lock_guard<std::mutex> lock(m_Mutex);
        return m_Requests;
    }

    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override;
    std::uint32_t KVX_VST3_API addRef() override { return ++m_References; }
    std::uint32_t KVX_VST3_API release() override { return --m_References; }
    tresult KVX_VST3_API resizeView(IPlugView* view, ViewRect* newSize) override;

    tresult KVX_VST3_API registerEventHandler(IEventHandler* handler, FileDescriptor fd) override;
    tresult KVX_VST3_API unregisterEventHandler(IEventHandler* handler) override;
    tresult KVX_VST3_API registerTimer(ITimerHandler* handler, TimerInterval milliseconds) override;
    tresult KVX_VST3_API unregisterTimer(ITimerHandler* handler) override;

    void RunTimers();
    std::size_t TimerCount() const { return m_Timers.size(); }
    std::uint32_t References() const { return m_References; }

private:
    bool m_OfferRunLoop;
    std::atomic<std::uint32_t> m_References{1};
    std::vector<ITimerHandler*> m_Timers;
    ResizeHandler m_Resize;
    mutable std::mutex m_Mutex;
    std::vector<std::pair<int, int>> m_Requests;
};

// The host's content scale for a view: kNoInterface when the view does not take one.
tresult SetContentScale(IPlugView* view, float factor);
// A host's resize of a view: the size is fitted with checkSizeConstraint (`rect` then holds the fitted
// size) and given to the view with onSize.
tresult ResizeView(IPlugView* view, ViewRect& rect);

// One instance of a class: the component, its processor and its controller (the same object or one made
// from the controller class the component names), initialised and, when both can, connected.
class CInstance
{
public:
    static std::unique_ptr<CInstance> Create(const CModule& module, const PClassInfo& info,
                                             std::string& error);
    ~CInstance();

    IComponent* Component() const { return m_Component; }
    IAudioProcessor* Processor() const { return m_Processor; }
    IEditController* Controller() const { return m_Controller; }
    bool SeparateController() const { return m_SeparateController; }
    CHostApplication& Host() { return m_Host; }

    // setupProcessing, stereo buses, active and processing.
    tresult Start(double rate, std::int32_t maxBlock);
    void Stop();
    // One block of stereo audio through the processor, with the given parameter changes.
    tresult Process(const float* const in[2], float* const out[2], std::int32_t frames,
                    IParameterChanges* changes = nullptr);
    // The same for any channel counts (one bus each way).
    tresult ProcessChannels(const std::vector<float*>& in, const std::vector<float*>& out,
                            std::int32_t frames, IParameterChanges* changes = nullptr);
    // How many parameters the last block reported as output.
    std::int32_t OutputChanges() const { return m_OutputChanges; }
    // The channels of the first audio bus of a direction.
    std::int32_t Channels(BusDirection direction) const;
    std::vector<std::uint8_t> State() const;
    tresult SetState(const std::vector<std::uint8_t>& bytes) const;

private:
    CInstance() = default;
    tresult ProcessBuses(float** in, std::int32_t inChannels, float** out, std::int32_t outChannels,
                         std::int32_t frames, IParameterChanges* changes);
    CHostApplication m_Host;
    IComponent* m_Component = nullptr;
    IAudioProcessor* m_Processor = nullptr;
    IEditController* m_Controller = nullptr;
    FUnknown* m_ComponentConnection = nullptr;
    FUnknown* m_ControllerConnection = nullptr;
    bool m_SeparateController = false;
    bool m_Active = false;
    std::int32_t m_OutputChanges = 0;
};

std::string Narrow(const TChar* text, std::size_t capacity);
std::string UidText(const char* uid);
} // namespace KVX::Host::Vst3
