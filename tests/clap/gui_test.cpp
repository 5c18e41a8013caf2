// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP plug-in's panel as a host embeds it: created for X11, given a host window as parent on a
// private X server, driven with XTest. It must draw what the VST editor draws, hand the user's edits to
// the host as gesture begin, values and gesture end, and follow the host's values without echoing them.
// gtest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "clap/param_values.h"
#include "device/parameter_values.h"
#include "support/panel_pixels.h"
#include "support/panel_pointer.h"
#include "support/xvfb.h"
#include "tovik/clap_host.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

#include <cmath>

namespace KVX::Test
{
namespace
{
const auto* const g_Server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

using Device::Description::kInParameter;
using Device::Description::kPanelHeight;
using Device::Description::kPanelWidth;
using Device::Description::kParameters;
using Tovik::ClapOutputEvent;

constexpr int kPanelX = 40;
constexpr int kPanelY = 30;
constexpr int kVstY = 400;

class ClapGui : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(XvfbEnvironment::Server(), nullptr);
        std::string error;
        auto module = Tovik::ClapModule::Open(KVX_CLAP_PLUGIN_PATH, error);
        ASSERT_NE(module, nullptr) << error;
        m_Plugin = Tovik::ClapPlugin::Create(module, "example.brellmoor.kvx-tovik", error);
        ASSERT_NE(m_Plugin, nullptr) << error;
        m_Gui = static_cast<const Clap::PluginGui*>(m_Plugin->Extension(Clap::kExtGui));
        ASSERT_NE(m_Gui, nullptr);
        m_Host = std::make_unique<HostWindow>(kPanelX, kPanelY, 1000, 330);
        Pointer().Park(); // no hint on either panel
    }

    void TearDown() override
    {
        if (m_Plugin != nullptr && m_Gui != nullptr)
        {
            m_Gui->destroy(m_Plugin->Raw());
        }
        m_Vst.Close();
        m_Plugin.reset();
        m_Host.reset();
    }

    const Clap::Plugin* Raw() const { return m_Plugin->Raw(); }

    void Open()
    {
        ASSERT_TRUE(m_Gui->create(Raw(), Clap::kWindowApiX11, false));
        Clap::Window window{};
        window.api = Clap::kWindowApiX11;
        window.x11 = m_Host->Id();
        ASSERT_TRUE(m_Gui->setParent(Raw(), &window));
        ASSERT_TRUE(m_Gui->show(Raw()));
        ASSERT_TRUE(WaitUntil([this] { return !m_Host->Children().empty(); }));
    }

    // One block, so that the lamp shows what the processor does, as the reference's block does.
    void ProcessBlock()
    {
        if (!m_Plugin->Active())
        {
            std::string error;
            ASSERT_TRUE(m_Plugin->Activate(48000.0, 64, error)) << error;
        }
        std::vector<float> l(64), r(64);
        const float* in[] = {l.data(), r.data()};
        float* out[] = {l.data(), r.data()};
        m_Plugin->Process(in, out, 64);
    }

    std::vector<std::uint32_t> PanelPixels()
    {
        return SettledPanelPixels(m_Host->GetDisplay(), m_Host->Id());
    }

    std::vector<std::uint32_t> VstPixels(const std::vector<std::pair<int, float>>& values)
    {
        return m_Vst.Pixels(values);
    }

    PanelPointer Pointer() const { return {m_Host->GetDisplay(), kPanelX, kPanelY}; }
    void MoveTo(int x, int y) const { Pointer().MoveTo(x, y); }
    void Button(bool down) const { Pointer().Button(down); }

    // Collects what the plug-in sends as a host does: a flush when the plug-in asks for one while the
    // host is not processing, the process call's output list while it is.
    void Collect(std::vector<ClapOutputEvent>& into)
    {
        if (m_Plugin->Active())
        {
            ProcessBlock();
        }
        else if (m_Plugin->TakeFlushRequest())
        {
            m_Plugin->Flush();
        }
        for (const auto& event : m_Plugin->TakeOutputEvents())
        {
            into.push_back(event);
        }
    }

    std::unique_ptr<Tovik::ClapPlugin> m_Plugin;
    const Clap::PluginGui* m_Gui = nullptr;
    std::unique_ptr<HostWindow> m_Host;
    VstPanel m_Vst{kPanelX, kVstY};
};

TEST_F(ClapGui, OffersOnlyAnEmbeddedX11WindowOfThePanelsSize)
{
    EXPECT_TRUE(m_Gui->isApiSupported(Raw(), Clap::kWindowApiX11, false));
    EXPECT_FALSE(m_Gui->isApiSupported(Raw(), Clap::kWindowApiX11, true));
    EXPECT_FALSE(m_Gui->isApiSupported(Raw(), "wayland", false));
    EXPECT_FALSE(m_Gui->isApiSupported(Raw(), nullptr, false));
    const char* api = nullptr;
    bool floating = true;
    ASSERT_TRUE(m_Gui->getPreferredApi(Raw(), &api, &floating));
    EXPECT_STREQ(api, Clap::kWindowApiX11);
    EXPECT_FALSE(floating);
    EXPECT_FALSE(m_Gui->create(Raw(), "cocoa", false));
    EXPECT_FALSE(m_Gui->create(Raw(), Clap::kWindowApiX11, true));

    std::uint32_t width = 0, height = 0;
    ASSERT_TRUE(m_Gui->getSize(Raw(), &width, &height));
    EXPECT_EQ(width, static_cast<std::uint32_t>(kPanelWidth));
    EXPECT_EQ(height, static_cast<std::uint32_t>(kPanelHeight));
    std::uint32_t w = 1500, h = 100; // no room for more than 100 %
    ASSERT_TRUE(m_Gui->adjustSize(Raw(), &w, &h));
    EXPECT_EQ(w, width);
    EXPECT_EQ(h, height);
    EXPECT_FALSE(m_Gui->setSize(Raw(), 1500, 100));
    EXPECT_TRUE(m_Gui->setSize(Raw(), width, height));

    // A parent before the editor exists, of another kind, or none: no window.
    Clap::Window window{};
    window.api = Clap::kWindowApiX11;
    window.x11 = m_Host->Id();
    EXPECT_FALSE(m_Gui->setParent(Raw(), &window));
    ASSERT_TRUE(m_Gui->create(Raw(), Clap::kWindowApiX11, false));
    Clap::Window other{};
    other.api = Clap::kWindowApiWin32;
    other.ptr = nullptr;
    EXPECT_FALSE(m_Gui->setParent(Raw(), &other));
    EXPECT_FALSE(m_Gui->setParent(Raw(), nullptr));
    EXPECT_TRUE(m_Host->Children().empty());
    m_Gui->destroy(Raw());
    m_Gui->destroy(Raw()); // twice is harmless
}

TEST_F(ClapGui, OpensInsideTheHostsWindowDrawsWhatTheVstEditorDrawsAndClosesAgain)
{
    Open();
    ProcessBlock();
    EXPECT_EQ(m_Host->Children().size(), 1u);
    EXPECT_EQ(DifferingPixels(PanelPixels(), VstPixels({})), 0);
    EXPECT_TRUE(m_Plugin->TakeOutputEvents().empty()) << "the panel spoke before anyone touched it";

    m_Gui->destroy(Raw());
    EXPECT_TRUE(WaitUntil([this] { return m_Host->Children().empty(); })) << "the window outlived destroy";
    // And again, as hosts do that close and reopen the editor.
    Open();
    EXPECT_EQ(m_Host->Children().size(), 1u);
}

TEST_F(ClapGui, ADragReachesTheHostAsGestureBeginValuesAndEndInOrder)
{
    Open();
    Frames(2);
    // The 1 kHz fader, 100 pixels up from its centre position, with the host not processing.
    Pointer().DragUp(463 + 12, 150, 100, [] { Frames(1); });
    std::vector<ClapOutputEvent> events;
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            Collect(events);
            return !events.empty() && events.back().type == Clap::kEventParamGestureEnd;
        }));
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events.front().type, Clap::kEventParamGestureBegin);
    for (std::size_t i = 1; i + 1 < events.size(); ++i)
    {
        EXPECT_EQ(events[i].type, Clap::kEventParamValue) << "event " << i;
    }
    for (const auto& event : events)
    {
        EXPECT_EQ(event.paramId, 5u) << "only the dragged band";
    }
    const double last = events[events.size() - 2].value;
    EXPECT_NEAR(last, 4.8, 1e-4) << "a value in dB";
    EXPECT_EQ(m_Plugin->Value(5), last) << "the host's value is the panel's";

    // A click on IN while the host processes: its gesture arrives through the process call.
    events.clear();
    ProcessBlock();
    Frames(3); // the fader puts the pointer back first
    MoveTo(813 + 30, 129 + 30);
    Frames(2);
    Button(true);
    Button(false);
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            Collect(events);
            return !events.empty() && events.back().type == Clap::kEventParamGestureEnd;
        }));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].type, Clap::kEventParamGestureBegin);
    EXPECT_EQ(events[1].type, Clap::kEventParamValue);
    EXPECT_EQ(events[1].value, 0.0);
    EXPECT_EQ(events[2].type, Clap::kEventParamGestureEnd);
    for (const auto& event : events)
    {
        EXPECT_EQ(event.paramId, static_cast<Clap::Id>(kInParameter));
    }

    MoveTo(600, 20); // over the plain panel, where no hint shows
    const auto shown = PanelPixels();
    EXPECT_EQ(DifferingPixels(
                  shown, VstPixels({{5, *Device::ValueTypeOf(5).ToNormalised(last)}, {kInParameter, 0.0f}})),
              0);
}

TEST_F(ClapGui, FollowsTheHostsValuesWithoutEchoingThem)
{
    Open();
    m_Plugin->SetParam(5, 6.0);
    m_Plugin->SetParam(0, -12.0);
    m_Plugin->SetParam(kInParameter, 0.0);
    m_Plugin->SetParam(3, std::nan(""));
    ProcessBlock();
    const auto followed = PanelPixels();
    std::vector<ClapOutputEvent> events;
    for (int i = 0; i < 5; ++i)
    {
        Frames(1);
        Collect(events);
    }
    EXPECT_TRUE(events.empty()) << "a host value was sent back, first for id " << events.front().paramId;
    EXPECT_EQ(DifferingPixels(followed, VstPixels({{5, 0.75f}, {0, 0.0f}, {kInParameter, 0.0f}})), 0);
}
} // namespace
} // namespace KVX::Test
