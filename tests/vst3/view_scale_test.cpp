// SPDX-License-Identifier: GPL-3.0-or-later
// The plug view on a screen of higher density: the host's content scale (or the screen's Xft.dpi when the
// host says nothing) gives a view of the scaled size, drawn as the VST 2.4 editor draws at that scale and
// dragged in panel units; a host's resize snaps to the sizes the panel can take, and the frame follows
// the view's own changes. The scale never reaches the state.
// gtest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "plugin_fixture.h"
#include "support/panel_pointer.h"
#include "support/scaled_panel.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>

#include <cmath>
#include <limits>

namespace KVX::Test::Vst3
{
namespace
{
Xvfb::Options WideScreen()
{
    Xvfb::Options options;
    options.screen = "2048x1280x24";
    return options;
}

const auto* const g_Server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment(WideScreen()));

constexpr int kViewX = 40;
constexpr int kViewY = 30;

std::pair<int, int> SizeOf(const ViewRect& rect)
{
    return {rect.right - rect.left, rect.bottom - rect.top};
}

class Vst3ViewScale : public Vst3Plugin
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
        m_Display = XOpenDisplay(nullptr);
        ASSERT_NE(m_Display, nullptr);
        ASSERT_EQ(Controller()->setComponentHandler(&m_Handler), kResultOk);
        m_View = Controller()->createView(kEditorViewName);
        ASSERT_NE(m_View, nullptr);
        // The host's window takes whatever size the view asks of the frame.
        m_Frame.SetResizeHandler(
            [this](int width, int height)
            {
                if (m_Host == nullptr)
                {
                    return false;
                }
                XResizeWindow(m_Host->GetDisplay(), m_Host->Id(), static_cast<unsigned>(width),
                              static_cast<unsigned>(height));
                XSync(m_Host->GetDisplay(), False);
                return true;
            });
        ASSERT_EQ(m_View->setFrame(&m_Frame), kResultOk);
    }

    void TearDown() override
    {
        if (m_View != nullptr)
        {
            m_View->removed();
            m_View->setFrame(nullptr);
            m_View->release();
        }
        m_Instance.reset(); // before the handler it holds goes
        m_Vst.Close();
        m_Host.reset();
        if (m_Display != nullptr)
        {
            SetScreenDpi(m_Display, 0);
            XCloseDisplay(m_Display);
        }
        Vst3Plugin::TearDown();
    }

    std::pair<int, int> ViewSize() const
    {
        ViewRect rect{};
        EXPECT_EQ(m_View->getSize(&rect), kResultOk);
        return SizeOf(rect);
    }

    // A host window of the size the view reports, and the view attached inside it.
    void Attach()
    {
        const auto [width, height] = ViewSize();
        m_Host = std::make_unique<HostWindow>(kViewX, kViewY, width, height);
        PanelPointer(m_Display, 0, 0).MoveTo(2040, 1270); // off every panel, so that no hint shows
        void* parent = reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host->Id()));
        ASSERT_EQ(m_View->attached(parent, kPlatformTypeX11EmbedWindowID), kResultOk);
        ASSERT_TRUE(WaitUntil([this] { return !m_Host->Children().empty(); }));
    }

    std::pair<int, int> PanelWindowSize() const
    {
        const auto children = m_Host->Children();
        return children.size() == 1 ? WindowSize(m_Host->GetDisplay(), children.front())
                                    : std::make_pair(0, 0);
    }

    bool PanelBecomes(int width, int height) const
    {
        return WaitUntil([&] { return PanelWindowSize() == std::make_pair(width, height); });
    }

    std::vector<std::uint8_t> ControllerState()
    {
        CMemoryStream stream;
        EXPECT_EQ(Controller()->getState(&stream), kResultOk);
        return stream.Bytes();
    }

    Display* m_Display = nullptr;
    std::unique_ptr<HostWindow> m_Host;
    CPlugFrame m_Frame{true};
    IPlugView* m_View = nullptr;
    CComponentHandler m_Handler;
    ScaledVstPanel m_Vst{kViewX, 620, 2.0f};
};

TEST_F(Vst3ViewScale, AContentScaleOfTwoGivesTheTwiceSizedViewDrawnAsTheVstEditorDrawsIt)
{
    const auto state = m_Instance->State();
    const auto controllerState = ControllerState();
    EXPECT_EQ(ViewSize(), std::make_pair(900, 258));
    // What no scale is: refused, and the size stays.
    for (const float wrong :
         {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), 0.0f, -2.0f})
    {
        EXPECT_NE(SetContentScale(m_View, wrong), kResultTrue) << wrong;
    }
    EXPECT_EQ(ViewSize(), std::make_pair(900, 258));

    ASSERT_EQ(SetContentScale(m_View, 2.0f), kResultTrue);
    EXPECT_EQ(ViewSize(), std::make_pair(1800, 516));
    Attach();
    EXPECT_EQ(PanelWindowSize(), std::make_pair(1800, 516));
    EXPECT_TRUE(m_Frame.ResizeRequests().empty()) << "the view asked for a size other than getSize's";
    const auto view =
        SettledWindowPixels(m_Host->GetDisplay(), m_Host->Id(), 1800, 516, [this] { m_Frame.RunTimers(); });
    EXPECT_EQ(DifferingPixels(view, m_Vst.Pixels({})), 0);
    // And that is the panel at twice the size: halved, it is the 100 % panel but for finer edges and text.
    m_Vst.Close();
    VstPanel one(kViewX, 620);
    const int differing = PixelsBeyond(HalfSize(view, 1800, 516), one.Pixels({}), 32);
    EXPECT_GE(differing, 0);
    EXPECT_LT(differing, 900 * 258 / 50)
        << "halved, it is not the panel (the 100 % panel in its corner: 20 %)";

    EXPECT_EQ(m_Instance->State(), state) << "the scale reached the component's state";
    EXPECT_EQ(ControllerState(), controllerState);
    EXPECT_TRUE(m_Handler.Calls().empty()) << "scaling spoke to the host as an edit";
}

TEST_F(Vst3ViewScale, ADragOfTwoHundredPixelsAtTwiceTheSizeMovesAFaderFromHalfToSevenTenths)
{
    ASSERT_EQ(SetContentScale(m_View, 2.0f), kResultTrue);
    Attach();
    Frames(2);
    PanelPointer(m_Display, kViewX, kViewY)
        .DragUp((463 + 12) * 2, 150 * 2, 200,
                [this]
                {
                    m_Frame.RunTimers();
                    Frames(1);
                });
    ASSERT_TRUE(WaitUntil(
        [this]
        {
            m_Frame.RunTimers();
            const auto calls = m_Handler.Calls();
            return !calls.empty() && calls.back().kind == 'e';
        }));
    const auto calls = m_Handler.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().kind, 'b');
    EXPECT_EQ(calls[calls.size() - 2].kind, 'p');
    EXPECT_EQ(calls[calls.size() - 2].id, 5u);
    EXPECT_NEAR(calls[calls.size() - 2].value, 0.7, 1e-6);
    EXPECT_NEAR(Controller()->getParamNormalized(5), 0.7, 1e-6);
    EXPECT_NEAR(Controller()->getParamNormalized(4), 0.5, 1e-6);
}

TEST_F(Vst3ViewScale, AHostsResizeSnapsToTheSizesThePanelCanTake)
{
    EXPECT_EQ(m_View->canResize(), kResultTrue);
    ViewRect frame{10, 20, 1510, 420};
    ASSERT_EQ(m_View->checkSizeConstraint(&frame), kResultTrue);
    EXPECT_EQ(frame.left, 10);
    EXPECT_EQ(frame.top, 20);
    EXPECT_EQ(SizeOf(frame), std::make_pair(1350, 387)) << "the largest step inside the frame";
    EXPECT_EQ(ViewSize(), std::make_pair(900, 258)) << "a question changed the size";
    EXPECT_EQ(m_View->checkSizeConstraint(nullptr), kInvalidArgument);
    // A host's garbage is no size: the current one stands.
    constexpr std::int32_t kLow = std::numeric_limits<std::int32_t>::min();
    constexpr std::int32_t kHigh = std::numeric_limits<std::int32_t>::max();
    ViewRect garbage{kLow, kLow, kHigh, kHigh};
    ASSERT_EQ(m_View->checkSizeConstraint(&garbage), kResultTrue);
    EXPECT_EQ(garbage.right, kLow + 900);
    EXPECT_EQ(garbage.bottom, kLow + 258);
    ViewRect beyond{kHigh - 10, 0, kHigh, 258};
    ASSERT_EQ(m_View->checkSizeConstraint(&beyond), kResultTrue);
    EXPECT_EQ(beyond.right, kHigh);
    ViewRect wide{kLow, kLow, kHigh, kHigh};
    EXPECT_EQ(m_View->onSize(&wide), kResultTrue);
    EXPECT_EQ(ViewSize(), std::make_pair(900, 258));
    EXPECT_EQ(m_View->onSize(nullptr), kInvalidArgument);

    Attach();
    // The width dragged alone: the nearest step, and the open panel follows.
    ViewRect dragged{0, 0, 1700, 258};
    ASSERT_EQ(ResizeView(m_View, dragged), kResultTrue);
    EXPECT_EQ(SizeOf(dragged), std::make_pair(1800, 516));
    EXPECT_EQ(ViewSize(), std::make_pair(1800, 516));
    EXPECT_TRUE(PanelBecomes(1800, 516));

    // A size given without asking first is taken as the nearest the panel can be.
    ViewRect given{0, 0, 1500, 400};
    EXPECT_EQ(m_View->onSize(&given), kResultTrue);
    EXPECT_EQ(ViewSize(), std::make_pair(1350, 387));
    EXPECT_TRUE(PanelBecomes(1350, 387));
    EXPECT_TRUE(m_Frame.ResizeRequests().empty());
}

TEST_F(Vst3ViewScale, AnAttachedViewHasTheFrameFollowANewScale)
{
    Attach();
    ASSERT_EQ(SetContentScale(m_View, 1.5f), kResultTrue);
    ASSERT_EQ(m_Frame.ResizeRequests().size(), 1u);
    EXPECT_EQ(m_Frame.ResizeRequests().front(), std::make_pair(1350, 387));
    EXPECT_EQ(WindowSize(m_Host->GetDisplay(), m_Host->Id()), std::make_pair(1350, 387));
    EXPECT_TRUE(PanelBecomes(1350, 387));
    EXPECT_EQ(ViewSize(), std::make_pair(1350, 387));

    ASSERT_EQ(SetContentScale(m_View, 1.5f), kResultTrue);
    EXPECT_EQ(m_Frame.ResizeRequests().size(), 1u) << "the same scale again is no new size";
}

TEST_F(Vst3ViewScale, TheScreensDensityGivesTheScaledViewWhenTheHostSaysNothing)
{
    SetScreenDpi(m_Display, 192);
    EXPECT_EQ(ViewSize(), std::make_pair(1800, 516));
    Attach();
    EXPECT_EQ(PanelWindowSize(), std::make_pair(1800, 516));
    EXPECT_TRUE(m_Frame.ResizeRequests().empty());
}
} // namespace
} // namespace KVX::Test::Vst3
