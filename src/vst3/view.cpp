// SPDX-License-Identifier: GPL-3.0-or-later
#include "vst3/view.h"

#include "vst3/plugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace KVX::Vst3
{
namespace
{
#if defined(_WIN32)
constexpr const char* kOwnPlatformType = kPlatformTypeHWND;
#else
constexpr const char* kOwnPlatformType = kPlatformTypeX11EmbedWindowID;
#endif

// Often enough that a fader drag reaches the host as smoothly as the panel draws it (33 ms frames).
constexpr TimerInterval kDeliveryIntervalMs = 16;

// A rectangle's width or height, computed so that a host's garbage cannot overflow; a negative or absurd
// one is no size (0).
int Extent(std::int32_t from, std::int32_t to)
{
    const std::int64_t extent = static_cast<std::int64_t>(to) - from;
    return extent > 0 && extent <= std::numeric_limits<std::int32_t>::max() ? static_cast<int>(extent) : 0;
}

std::int32_t Edge(std::int32_t from, int extent)
{
    return static_cast<std::int32_t>(std::min<std::int64_t>(static_cast<std::int64_t>(from) + extent,
                                                            std::numeric_limits<std::int32_t>::max()));
}

ViewRect EditorRect(const CDevice& device)
{
    int width = 0;
    int height = 0;
    device.EditorSize(width, height);
    return {0, 0, width, height};
}
} // namespace

CView::CView(CPlugin& plugin) : m_Plugin(plugin)
{
    m_Plugin.addRef();
}

CView::~CView()
{
    if (m_Attached)
    {
        removed();
    }
    setFrame(nullptr);
    m_Plugin.OnViewGone(this);
    m_Plugin.release();
}

tresult CView::queryInterface(const TUID iid, void** object)
{
    if (object == nullptr)
    {
        return kInvalidArgument;
    }
    void* found = nullptr;
    if (Iid::FUnknown.Equals(iid) || Iid::IPlugView.Equals(iid))
    {
        found = static_cast<IPlugView*>(this);
    }
    else if (Iid::IPlugViewContentScaleSupport.Equals(iid))
    {
        found = static_cast<IPlugViewContentScaleSupport*>(this);
    }
    else if (Iid::ITimerHandler.Equals(iid))
    {
        found = static_cast<ITimerHandler*>(this);
    }
    *object = found;
    if (found == nullptr)
    {
        return kNoInterface;
    }
    addRef();
    return kResultOk;
}

std::uint32_t CView::addRef()
{
    return m_References.fetch_add(1, std::memory_order_relaxed) + 1;
}

std::uint32_t CView::release()
{
    const std::uint32_t left = m_References.fetch_sub(1, std::memory_order_acq_rel) - 1;
    if (left == 0)
    {
        delete this;
    }
    return left;
}

tresult CView::isPlatformTypeSupported(FIDString type)
{
    return type != nullptr && std::strcmp(type, kOwnPlatformType) == 0 ? kResultTrue : kResultFalse;
}

tresult CView::attached(void* parent, FIDString type)
{
    if (m_Attached || parent == nullptr || isPlatformTypeSupported(type) != kResultTrue)
    {
        return kResultFalse;
    }
    // Opening reads the screen's scale, and a size other than the one getSize gave goes to the frame.
    m_Plugin.Editor().SetEditorHost(this);
    if (!m_Plugin.Editor().OpenEditor(parent))
    {
        m_Plugin.Editor().CloseEditor();
        m_Plugin.Editor().SetEditorHost(nullptr);
        return kResultFalse; // the panel has shown why
    }
    m_Attached = true;
    StartTimer();
    return kResultOk;
}

tresult CView::removed()
{
    if (!m_Attached)
    {
        return kResultFalse;
    }
    // Closing ends a drag under way: its end edit is handed over with the rest.
    m_Plugin.Editor().CloseEditor();
    m_Plugin.Editor().SetEditorHost(nullptr);
    StopTimer();
    m_Attached = false;
    return kResultOk;
}

tresult CView::onWheel(float)
{
    return kResultFalse;
}

tresult CView::onKeyDown(TChar, std::int16_t, std::int16_t)
{
    return kResultFalse;
}

tresult CView::onKeyUp(TChar, std::int16_t, std::int16_t)
{
    return kResultFalse;
}

tresult CView::getSize(ViewRect* size)
{
    if (size == nullptr)
    {
        return kInvalidArgument;
    }
    *size = EditorRect(m_Plugin.Editor());
    return kResultOk;
}

// The panel takes the nearest size it can (see checkSizeConstraint); a host that lays out another keeps a
// window of that size around it.
tresult CView::onSize(ViewRect* newSize)
{
    if (newSize == nullptr)
    {
        return kInvalidArgument;
    }
    m_Plugin.Editor().SetEditorSize(Extent(newSize->left, newSize->right),
                                    Extent(newSize->top, newSize->bottom));
    return kResultTrue;
}

tresult CView::onFocus(TBool)
{
    return kResultOk;
}

tresult CView::setFrame(IPlugFrame* frame)
{
    if (frame == m_Frame)
    {
        return kResultOk;
    }
    StopTimer();
    if (m_RunLoop != nullptr)
    {
        m_RunLoop->release();
        m_RunLoop = nullptr;
    }
    if (m_Frame != nullptr)
    {
        m_Frame->release();
    }
    m_Frame = frame;
    if (m_Frame != nullptr)
    {
        m_Frame->addRef();
#if !defined(_WIN32)
        void* loop = nullptr;
        if (m_Frame->queryInterface(Iid::IRunLoop.Data(), &loop) == kResultOk && loop != nullptr)
        {
            m_RunLoop = static_cast<IRunLoop*>(loop);
        }
#endif
    }
    if (m_Attached)
    {
        StartTimer();
    }
    return kResultOk;
}

tresult CView::canResize()
{
    return kResultTrue;
}

// The panel's own aspect at a scale of 1 to 2 in quarter steps.
tresult CView::checkSizeConstraint(ViewRect* rect)
{
    if (rect == nullptr)
    {
        return kInvalidArgument;
    }
    int width = Extent(rect->left, rect->right);
    int height = Extent(rect->top, rect->bottom);
    m_Plugin.Editor().AdjustEditorSize(width, height);
    rect->right = Edge(rect->left, width);
    rect->bottom = Edge(rect->top, height);
    return kResultTrue;
}

tresult CView::setContentScaleFactor(ScaleFactor factor)
{
    if (!std::isfinite(factor) || factor <= 0.0f)
    {
        return kResultFalse;
    }
    CDevice& editor = m_Plugin.Editor();
    const ViewRect before = EditorRect(editor);
    editor.SetEditorScale(factor);
    ViewRect after = EditorRect(editor);
    // Attached, the panel has resized its window already; the host's window follows.
    if (m_Attached && m_Frame != nullptr && (after.right != before.right || after.bottom != before.bottom))
    {
        m_Frame->resizeView(this, &after);
    }
    return kResultTrue;
}

bool CView::RequestEditorSize(int width, int height)
{
    if (m_Frame == nullptr)
    {
        return false;
    }
    ViewRect rect{0, 0, width, height};
    return m_Frame->resizeView(this, &rect) == kResultTrue;
}

void CView::onTimer()
{
    m_Plugin.DeliverQueuedEdits();
}

// With the host's run loop the panel's edits wait for its timer; without one (and on Windows, where the
// panel runs on the host's thread anyway) each edit goes to the host as it happens.
void CView::StartTimer()
{
    if (!m_Attached || m_RunLoop == nullptr)
    {
        m_Plugin.SetQueuedEdits(false);
        return;
    }
    m_TimerRegistered = m_RunLoop->registerTimer(this, kDeliveryIntervalMs) == kResultOk;
    m_Plugin.SetQueuedEdits(m_TimerRegistered);
}

void CView::StopTimer()
{
    m_Plugin.SetQueuedEdits(false);
    if (m_TimerRegistered && m_RunLoop != nullptr)
    {
        m_RunLoop->unregisterTimer(this);
    }
    m_TimerRegistered = false;
    // Whatever the panel queued before this still belongs to the host.
    m_Plugin.DeliverQueuedEdits();
}
} // namespace KVX::Vst3
