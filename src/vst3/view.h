// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The plug view: the controller's panel opened inside the host's window. On Linux the panel draws and
// handles input on its own thread; its edits reach the host on the host's UI thread through a timer on
// the host's run loop. Its size follows the host's content scale (or the screen's), and a host may resize
// it to the sizes the panel can take.
#include "device/device.h"
#include "vst3/abi/interfaces.h"

#include <atomic>

namespace KVX::Vst3
{
class CPlugin;

class CView final : public IPlugView,
                    public IPlugViewContentScaleSupport,
                    public ITimerHandler,
                    private CDevice::IEditorHost
{
public:
    explicit CView(CPlugin& plugin);

    tresult KVX_VST3_API queryInterface(const TUID iid, void** object) override;
    std::uint32_t KVX_VST3_API addRef() override;
    std::uint32_t KVX_VST3_API release() override;

    tresult KVX_VST3_API isPlatformTypeSupported(FIDString type) override;
    tresult KVX_VST3_API attached(void* parent, FIDString type) override;
    tresult KVX_VST3_API removed() override;
    tresult KVX_VST3_API onWheel(float distance) override;
    tresult KVX_VST3_API onKeyDown(TChar key, std::int16_t keyCode, std::int16_t modifiers) override;
    tresult KVX_VST3_API onKeyUp(TChar key, std::int16_t keyCode, std::int16_t modifiers) override;
    tresult KVX_VST3_API getSize(ViewRect* size) override;
    tresult KVX_VST3_API onSize(ViewRect* newSize) override;
    tresult KVX_VST3_API onFocus(TBool state) override;
    tresult KVX_VST3_API setFrame(IPlugFrame* frame) override;
    tresult KVX_VST3_API canResize() override;
    tresult KVX_VST3_API checkSizeConstraint(ViewRect* rect) override;

    tresult KVX_VST3_API setContentScaleFactor(ScaleFactor factor) override;

    void KVX_VST3_API onTimer() override;

private:
    ~CView();
    // The panel wants another size by itself: the frame is asked to resize to it.
    bool RequestEditorSize(int width, int height) override;
    void StartTimer();
    void StopTimer();

    std::atomic<std::uint32_t> m_References{1};
    CPlugin& m_Plugin;
    IPlugFrame* m_Frame = nullptr;
    IRunLoop* m_RunLoop = nullptr;
    bool m_Attached = false;
    bool m_TimerRegistered = false;
};
} // namespace KVX::Vst3
