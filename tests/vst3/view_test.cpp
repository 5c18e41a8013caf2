// SPDX-License-Identifier: GPL-3.0-or-later
// The plug view as a Linux host opens it: inside the host's window on a private X server, driven with
// XTest. It must draw what the VST 2.4 editor draws, report a drag to the host's component handler as
// begin, perform and end on the host's own thread (through the run loop's timer), and show host-set
// values without echoing them.
// gtest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "plugin_fixture.h"
#include "support/panel_pixels.h"
#include "support/panel_pointer.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cmath>
#include <thread>

namespace KVX::Test::Vst3
{
namespace
{
const auto* const g_Server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

constexpr int kViewX = 40;
constexpr int kViewY = 30;
constexpr int kVstY = 400;

class Vst3View : public Vst3Plugin
{
protected:
    void SetUp() override
    {
        ASSERT_NE(XvfbEnvironment::Server(), nullptr);
        Vst3Plugin::SetUp();
        if (HasFatalFailure())
        {
            return;
        }
        m_Host = std::make_unique<HostWindow>(kViewX, kViewY, 1000, 330);
        Pointer().Park(); // no hint on either panel
        ASSERT_EQ(Controller()->setComponentHandler(&m_Handler), kResultOk);
    }

    void TearDown() override
    {
        CloseView();
        m_Instance.reset(); // before the handler it holds goes
        m_Vst.Close();
        m_Host.reset();
        Vst3Plugin::TearDown();
    }

    void OpenView(bool offerRunLoop)
    {
        m_Frame = std::make_unique<CPlugFrame>(offerRunLoop);
        m_View = Controller()->createView(kEditorViewName);
        ASSERT_NE(m_View, nullptr);
        ASSERT_EQ(m_View->setFrame(m_Frame.get()), kResultOk);
        void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host->Id()));
        ASSERT_EQ(m_View->attached(parent, kPlatformTypeX11EmbedWindowID), kResultOk);
        ASSERT_TRUE(WaitUntil([this] { return !m_Host->Children().empty(); }));
    }

    void CloseView()
    {
        if (m_View != nullptr)
        {
            m_View->removed();
            m_View->setFrame(nullptr);
            m_View->release();
            m_View = nullptr;
        }
    }

    // The host's loop turning, for a few frames.
    void Turn(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            m_Frame->RunTimers();
            Frames(1);
        }
    }

    std::vector<std::uint32_t> ViewPixels()
    {
        return SettledPanelPixels(m_Host->GetDisplay(), m_Host->Id(), [this] { m_Frame->RunTimers(); });
    }

    std::vector<std::uint32_t> VstPixels(const std::vector<std::pair<int, float>>& values)
    {
        return m_Vst.Pixels(values);
    }

    PanelPointer Pointer() const { return {m_Host->GetDisplay(), kViewX, kViewY}; }
    void MoveTo(int x, int y) const { Pointer().MoveTo(x, y); }
    void Button(bool down) const { Pointer().Button(down); }

    // Drags the 1 kHz fader 100 pixels up from its centre position.
    void DragTheOneKilohertzFader()
    {
        Pointer().DragUp(463 + 12, 150, 100, [this] { Turn(1); });
    }

    // Checks that the calls are one gesture on `id`: a begin, performs, an end.
    static void ExpectOneGesture(const std::vector<CComponentHandler::Call>& calls, ParamID id)
    {
        ASSERT_GE(calls.size(), 3u);
        EXPECT_EQ(calls.front().kind, 'b');
        EXPECT_EQ(calls.back().kind, 'e');
        for (std::size_t i = 0; i < calls.size(); ++i)
        {
            EXPECT_EQ(calls[i].id, id) << i;
            if (i > 0 && i + 1 < calls.size())
            {
                EXPECT_EQ(calls[i].kind, 'p') << i;
            }
        }
    }

    std::unique_ptr<HostWindow> m_Host;
    std::unique_ptr<CPlugFrame> m_Frame;
    IPlugView* m_View = nullptr;
    CComponentHandler m_Handler;
    VstPanel m_Vst{kViewX, kVstY};
};

TEST_F(Vst3View, OpensInsideTheHostsWindowAtThePanelsSizeAndDrawsWhatTheVstEditorDraws)
{
    IPlugView* view = Controller()->createView(kEditorViewName);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    EXPECT_NE(view->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
    EXPECT_NE(view->isPlatformTypeSupported(nullptr), kResultTrue);
    ViewRect size{};
    ASSERT_EQ(view->getSize(&size), kResultOk);
    EXPECT_EQ(size.left, 0);
    EXPECT_EQ(size.top, 0);
    EXPECT_EQ(size.right, 900);
    EXPECT_EQ(size.bottom, 258);
    ViewRect asked{10, 20, 910, 278};
    EXPECT_EQ(view->checkSizeConstraint(&asked), kResultOk);
    EXPECT_EQ(asked.right - asked.left, 900) << "the largest size inside is the panel's own";
    EXPECT_EQ(asked.bottom - asked.top, 258);
    EXPECT_EQ(Controller()->createView(kEditorViewName), nullptr) << "one panel, one view at a time";
    EXPECT_EQ(Controller()->createView("another"), nullptr);
    void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host->Id()));
    EXPECT_NE(view->attached(parent, kPlatformTypeHWND), kResultOk);
    EXPECT_NE(view->attached(nullptr, kPlatformTypeX11EmbedWindowID), kResultOk);
    EXPECT_NE(view->removed(), kResultOk) << "nothing attached yet";
    view->release();
    EXPECT_TRUE(m_Host->Children().empty());

    OpenView(true);
    EXPECT_EQ(m_Frame->TimerCount(), 1u) << "the edits are delivered from the host's run loop";
    const auto children = m_Host->Children();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(DifferingPixels(ViewPixels(), VstPixels({})), 0);
    EXPECT_TRUE(m_Handler.Calls().empty()) << "the view spoke before anyone touched it";
    void* parentAgain = reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host->Id()));
    EXPECT_NE(m_View->attached(parentAgain, kPlatformTypeX11EmbedWindowID), kResultOk) << "already attached";

    EXPECT_EQ(m_View->removed(), kResultOk);
    EXPECT_EQ(m_Frame->TimerCount(), 0u);
    EXPECT_TRUE(WaitUntil([this] { return m_Host->Children().empty(); })) << "the window outlived removed";
    CloseView();
    EXPECT_EQ(m_Frame->References(), 1u) << "the view gave the frame back";

    // Once the view is gone, another may open.
    OpenView(true);
    EXPECT_EQ(m_Host->Children().size(), 1u);
}

TEST_F(Vst3View, ADragReachesTheHostAsBeginPerformEndOnTheHostsThread)
{
    OpenView(true);
    Turn(2);
    DragTheOneKilohertzFader();
    ASSERT_TRUE(WaitUntil(
        [this]
        {
            m_Frame->RunTimers();
            const auto calls = m_Handler.Calls();
            return !calls.empty() && calls.back().kind == 'e';
        }));
    const auto calls = m_Handler.Calls();
    ExpectOneGesture(calls, 5);
    for (const auto& call : calls)
    {
        EXPECT_EQ(call.thread, std::this_thread::get_id()) << "an edit came on the editor's own thread";
    }
    EXPECT_NEAR(calls[calls.size() - 2].value, 0.7, 1e-6);
    EXPECT_NEAR(Controller()->getParamNormalized(5), 0.7, 1e-6);

    // A click on IN is a gesture of its own.
    m_Handler.Clear();
    Frames(3); // the fader puts the pointer back where the drag began once it sees the release
    MoveTo(813 + 30, 129 + 30);
    Frames(2);
    Button(true);
    Button(false);
    ASSERT_TRUE(WaitUntil(
        [this]
        {
            m_Frame->RunTimers();
            const auto calls = m_Handler.Calls();
            return !calls.empty() && calls.back().kind == 'e';
        }));
    const auto click = m_Handler.Calls();
    ExpectOneGesture(click, 10);
    EXPECT_EQ(click[click.size() - 2].value, 0.0);

    MoveTo(600, 20); // over the plain panel, where no hint shows
    EXPECT_EQ(DifferingPixels(ViewPixels(), VstPixels({{5, 0.7f}, {10, 0.0f}})), 0);
}

TEST_F(Vst3View, ShowsHostSetValuesAndTheStateWithoutEchoingThem)
{
    OpenView(true);
    const auto target = VstPixels({{5, 0.75f}, {0, 0.0f}, {10, 0.0f}});
    EXPECT_GT(DifferingPixels(ViewPixels(), target), 0) << "the comparison cannot tell the values apart";
    ASSERT_EQ(Controller()->setParamNormalized(5, 0.75), kResultOk);
    ASSERT_EQ(Controller()->setParamNormalized(0, 0.0), kResultOk);
    ASSERT_EQ(Controller()->setParamNormalized(10, 0.0), kResultOk);
    EXPECT_EQ(DifferingPixels(ViewPixels(), target), 0);
    EXPECT_TRUE(m_Handler.Calls().empty()) << "a host value was sent back";

    auto other = NewInstance();
    CParameterChanges changes;
    changes.Add(9, 0, 1.0);
    ASSERT_EQ(other->Start(48000.0, 64), kResultOk);
    std::vector<float> silence(64, 0.0f);
    const float* in[2] = {silence.data(), silence.data()};
    StereoBuffers out(64);
    ASSERT_EQ(other->Process(in, out.Channels(), 64, &changes), kResultOk);
    CMemoryStream state(other->State());
    ASSERT_EQ(Controller()->setComponentState(&state), kResultOk);
    EXPECT_EQ(DifferingPixels(ViewPixels(), VstPixels({{5, 0.5f}, {0, 0.5f}, {10, 1.0f}, {9, 1.0f}})), 0);
    EXPECT_TRUE(m_Handler.Calls().empty());
}

TEST_F(Vst3View, WithoutARunLoopTheEditsStillArriveWholeAndInOrder)
{
    OpenView(false);
    EXPECT_EQ(m_Frame->TimerCount(), 0u);
    Turn(2);
    DragTheOneKilohertzFader();
    ASSERT_TRUE(WaitUntil(
        [this]
        {
            const auto calls = m_Handler.Calls();
            return !calls.empty() && calls.back().kind == 'e';
        }));
    ExpectOneGesture(m_Handler.Calls(), 5);
}
} // namespace
} // namespace KVX::Test::Vst3
