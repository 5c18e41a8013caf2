// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The device as one VST3 object: component, audio processor and edit controller together. The processor
// side has a device of its own; the controller side keeps a second one, which holds the values the host
// last gave the controller and whose editor the plug view shows.
#include "device/device.h"
#include "device/edit_queue.h"
#include "vst3/abi/interfaces.h"
#include "vst3/state.h"

#include <atomic>
#include <memory>

namespace KVX::Vst3
{
class CPlugin;
class CView;

// The component and the controller both name their state operations setState and getState; each side
// gets its own.
class CComponentSide : public IComponent
{
public:
    tresult KVX_VST3_API setState(IBStream* state) final { return SetProcessorState(state); }
    tresult KVX_VST3_API getState(IBStream* state) final { return GetProcessorState(state); }

protected:
    ~CComponentSide() = default;
    virtual tresult SetProcessorState(IBStream* state) = 0;
    virtual tresult GetProcessorState(IBStream* state) = 0;
};

class CControllerSide : public IEditController
{
public:
    tresult KVX_VST3_API setState(IBStream* state) final { return SetControllerState(state); }
    tresult KVX_VST3_API getState(IBStream* state) final { return GetControllerState(state); }

protected:
    ~CControllerSide() = default;
    virtual tresult SetControllerState(IBStream* state) = 0;
    virtual tresult GetControllerState(IBStream* state) = 0;
};

class CPlugin final : private CDevice::IEditSink,
                      public CComponentSide,
                      public IAudioProcessor,
                      public IProcessContextRequirements,
                      public CControllerSide
{
public:
    // Null when the device could not be built (it has shown why).
    static CPlugin* Create();

    // FUnknown, shared by every side.
    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override;
    std::uint32_t KVX_VST3_API addRef() override;
    std::uint32_t KVX_VST3_API release() override;

    // IPluginBase, shared by both sides.
    tresult KVX_VST3_API initialize(FUnknown* context) override;
    tresult KVX_VST3_API terminate() override;

    // IComponent
    tresult KVX_VST3_API getControllerClassId(TUID classId) override;
    tresult KVX_VST3_API setIoMode(IoMode mode) override;
    std::int32_t KVX_VST3_API getBusCount(MediaType type, BusDirection dir) override;
    tresult KVX_VST3_API getBusInfo(MediaType type, BusDirection dir, std::int32_t index,
                                    BusInfo& bus) override;
    tresult KVX_VST3_API getRoutingInfo(RoutingInfo& inInfo, RoutingInfo& outInfo) override;
    tresult KVX_VST3_API activateBus(MediaType type, BusDirection dir, std::int32_t index,
                                     TBool state) override;
    tresult KVX_VST3_API setActive(TBool state) override;

    // IAudioProcessor
    tresult KVX_VST3_API setBusArrangements(SpeakerArrangement* inputs, std::int32_t numIns,
                                            SpeakerArrangement* outputs, std::int32_t numOuts) override;
    tresult KVX_VST3_API getBusArrangement(BusDirection dir, std::int32_t index,
                                           SpeakerArrangement& arrangement) override;
    tresult KVX_VST3_API canProcessSampleSize(std::int32_t symbolicSampleSize) override;
    std::uint32_t KVX_VST3_API getLatencySamples() override;
    tresult KVX_VST3_API setupProcessing(ProcessSetup& setup) override;
    tresult KVX_VST3_API setProcessing(TBool state) override;
    tresult KVX_VST3_API process(ProcessData& data) override;
    std::uint32_t KVX_VST3_API getTailSamples() override;

    // IProcessContextRequirements: the filters need nothing of the host's transport or tempo.
    std::uint32_t KVX_VST3_API getProcessContextRequirements() override { return 0; }

    // IEditController
    tresult KVX_VST3_API setComponentState(IBStream* state) override;
    std::int32_t KVX_VST3_API getParameterCount() override;
    tresult KVX_VST3_API getParameterInfo(std::int32_t paramIndex, ParameterInfo& info) override;
    tresult KVX_VST3_API getParamStringByValue(ParamID id, ParamValue valueNormalized,
                                               String128 string) override;
    tresult KVX_VST3_API getParamValueByString(ParamID id, TChar* string,
                                               ParamValue& valueNormalized) override;
    ParamValue KVX_VST3_API normalizedParamToPlain(ParamID id, ParamValue valueNormalized) override;
    ParamValue KVX_VST3_API plainParamToNormalized(ParamID id, ParamValue plainValue) override;
    ParamValue KVX_VST3_API getParamNormalized(ParamID id) override;
    tresult KVX_VST3_API setParamNormalized(ParamID id, ParamValue value) override;
    tresult KVX_VST3_API setComponentHandler(IComponentHandler* handler) override;
    IPlugView* KVX_VST3_API createView(FIDString name) override;

    // For the plug view: the controller's device, whose editor it shows.
    CDevice& Editor() { return *m_Controller; }
    void SetQueuedEdits(bool queued) { m_QueuedEdits.store(queued, std::memory_order_release); }
    // On the host's UI thread: hands every queued edit to the host.
    void DeliverQueuedEdits();
    void OnViewGone(CView* view);

private:
    CPlugin(std::unique_ptr<CDevice> processor, std::unique_ptr<CDevice> controller);
    // An edit from the panel: queued for the host's UI thread, or handed over at once while no queue is
    // being drained (on Windows, where the panel runs on that thread, and for hosts without a run loop).
    void OnPanelEdit(const PanelEdit& edit) override;
    ~CPlugin();

    tresult SetProcessorState(IBStream* state) override;
    tresult GetProcessorState(IBStream* state) override;
    tresult SetControllerState(IBStream* state) override;
    tresult GetControllerState(IBStream* state) override;

    void ApplyParameterChanges(IParameterChanges* changes) noexcept;
    void ShowChunk(const Chunk& chunk) { m_Controller->LoadState(chunk.data(), chunk.size()); }
    void ShowBypass(bool bypassed) { m_ControllerBypass = bypassed ? 1.0 : 0.0; }
    void ReleaseHandler();
    void Deliver(const PanelEdit& edit);

    std::atomic<std::uint32_t> m_References{1};
    std::unique_ptr<CDevice> m_Processor;
    std::unique_ptr<CDevice> m_Controller;
    // The processor's bypass (read on the audio thread) and what the controller last heard of it.
    std::atomic<bool> m_Bypassed{false};
    ParamValue m_ControllerBypass = 0.0;
    double m_SampleRate = 44100.0;
    std::atomic<IComponentHandler*> m_Handler{nullptr};
    std::atomic<bool> m_QueuedEdits{false};
    CEditQueue m_Edits;
    CView* m_View = nullptr;
};
} // namespace KVX::Vst3
