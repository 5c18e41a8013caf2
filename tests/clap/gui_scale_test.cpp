// SPDX-License-Identifier: GPL-3.0-or-later
// The CLAP plug-in's panel on a denser screen: the host's set_scale or the screen's Xft.dpi gives a window
// of the scaled size drawn as the VST editor draws it at that scale, the panel behaves in its own units,
// a host's resize snaps to sizes the panel can take, and none of it reaches the state.
// gtest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "device/parameter_values.h"
#include "support/panel_pixels.h"
#include "support/panel_pointer.h"
#include "support/screen_dpi.h"
#include "support/xvfb.h"
#include "tovik/clap_host.h"

#include <X11/Xlib.h>

#include <cmath>
#include <cstdlib>
#include <limits>
#include <mutex>

namespace KVX::Test
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

using Size = std::pair<int, int>;
constexpr int kPanelX = 40;
constexpr int kPanelY = 30;
constexpr int kReferenceY = 620; // where the VST editors drawn for comparison sit

// A window's pixels once three reads in a row agree, after the panel's animations are over.
std::vector<std::uint32_t> Settled(Display* display, ::Window window, int width, int height)
{
    Frames(20);
    std::vector<std::uint32_t> previous;
    int agreeing = 0;
    for (int attempt = 0; attempt < 60 && agreeing < 2; ++attempt)
    {
        Frames(3);
        auto current = ReadWindowPixels(display, window, 0, 0, width, height);
        agreeing = !current.empty() && current == previous ? agreeing + 1 : 0;
        previous = std::move(current);
    }
    return previous;
}

constexpr VstInt32 FourCharacters(const char (&code)[5])
{
    return static_cast<VstInt32>(
        (static_cast<std::uint32_t>(code[0]) << 24) | (static_cast<std::uint32_t>(code[1]) << 16) |
        (static_cast<std::uint32_t>(code[2]) << 8) | static_cast<std::uint32_t>(code[3]));
}

// The VST build's editor at twice the size, after one block (which lights the lamp).
std::vector<std::uint32_t> VstPixelsAtTwice()
{
    std::string error;
    auto plugin = Host::Plugin::Load(KVX_VST_PLUGIN_PATH, error);
    EXPECT_NE(plugin, nullptr) << error;
    if (plugin == nullptr)
    {
        return {};
    }
    HostWindow window(kPanelX, kReferenceY, 1800, 516);
    EXPECT_EQ(
        plugin->Dispatch(effVendorSpecific, FourCharacters("PreS"), FourCharacters("AeCs"), nullptr, 2.0f),
        1);
    plugin->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(window.Id())));
    std::vector<float> left(64), right(64);
    float* io[] = {left.data(), right.data()};
    plugin->Effect()->processReplacing(plugin->Effect(), io, io, 64);
    auto pixels = Settled(window.GetDisplay(), window.Id(), 1800, 516);
    plugin->Dispatch(effEditClose);
    return pixels;
}

class ClapGuiScale : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(XvfbEnvironment::Server(), nullptr);
        m_Host = std::make_unique<HostWindow>(kPanelX, kPanelY, 1900, 560);
        std::string error;
        auto module = Tovik::ClapModule::Open(KVX_CLAP_PLUGIN_PATH, error);
        ASSERT_NE(module, nullptr) << error;
        m_Plugin = Tovik::ClapPlugin::Create(module, "example.brellmoor.kvx-tovik", error);
        ASSERT_NE(m_Plugin, nullptr) << error;
        m_Gui = static_cast<const Clap::PluginGui*>(m_Plugin->Extension(Clap::kExtGui));
        ASSERT_NE(m_Gui, nullptr);
        m_Plugin->SetResizeHandler(
            [this](std::uint32_t width, std::uint32_t height)
            {
                const std::lock_guard<std::mutex> lock(m_Lock);
                m_Requests.emplace_back(static_cast<int>(width), static_cast<int>(height));
                return m_AcceptResize;
            });
        Pointer().MoveTo(1990, 1230); // off every panel, so that no hint shows
    }

    void TearDown() override
    {
        SetScreenDpi(m_Host->GetDisplay(), 0);
        if (m_Plugin != nullptr && m_Gui != nullptr)
        {
            m_Gui->destroy(Raw());
        }
        m_Vst.Close();
        m_Plugin.reset();
        m_Host.reset();
    }

    const Clap::Plugin* Raw() const { return m_Plugin->Raw(); }
    PanelPointer Pointer() const { return {m_Host->GetDisplay(), kPanelX, kPanelY}; }

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

    Size GuiSize() const
    {
        std::uint32_t width = 0;
        std::uint32_t height = 0;
        EXPECT_TRUE(m_Gui->getSize(Raw(), &width, &height));
        return {static_cast<int>(width), static_cast<int>(height)};
    }
    Size Adjusted(std::uint32_t width, std::uint32_t height) const
    {
        EXPECT_TRUE(m_Gui->adjustSize(Raw(), &width, &height));
        return {static_cast<int>(width), static_cast<int>(height)};
    }
    Size ChildSize() const
    {
        const auto children = m_Host->Children();
        XWindowAttributes attributes{};
        if (children.size() != 1 || !XGetWindowAttributes(m_Host->GetDisplay(), children[0], &attributes))
        {
            return {0, 0};
        }
        return {attributes.width, attributes.height};
    }
    std::vector<std::uint8_t> State() const
    {
        std::vector<std::uint8_t> bytes;
        EXPECT_TRUE(m_Plugin->SaveState(bytes));
        return bytes;
    }
    std::vector<Size> Requests()
    {
        const std::lock_guard<std::mutex> lock(m_Lock);
        return m_Requests;
    }

    std::unique_ptr<HostWindow> m_Host;
    std::unique_ptr<Tovik::ClapPlugin> m_Plugin;
    const Clap::PluginGui* m_Gui = nullptr;
    VstPanel m_Vst{kPanelX, kReferenceY};
    std::mutex m_Lock;
    std::vector<Size> m_Requests;
    bool m_AcceptResize = true;
};

TEST_F(ClapGuiScale, TwiceTheScaleGivesTheDoubledWindowDrawnAsTheVstEditorDrawsItAndLeavesTheStateAlone)
{
    const auto before = State();
    ASSERT_TRUE(m_Gui->setScale(Raw(), 2.0));
    EXPECT_EQ(GuiSize(), Size(1800, 516));
    Open();
    EXPECT_EQ(ChildSize(), Size(1800, 516));
    std::string error;
    ASSERT_TRUE(m_Plugin->Activate(48000.0, 64, error)) << error;
    std::vector<float> l(64), r(64);
    const float* in[] = {l.data(), r.data()};
    float* out[] = {l.data(), r.data()};
    m_Plugin->Process(in, out, 64);
    const auto shown = Settled(m_Host->GetDisplay(), m_Host->Id(), 1800, 516);
    EXPECT_EQ(State(), before) << "the scale reached the state";

    EXPECT_EQ(DifferingPixels(shown, VstPixelsAtTwice()), 0);
    // And it is the panel at twice its size: averaged back down, the 100 % picture, give or take the
    // finer drawing of edges and text.
    const auto one = m_Vst.Pixels({});
    ASSERT_EQ(one.size(), static_cast<std::size_t>(900 * 258));
    ASSERT_EQ(shown.size(), static_cast<std::size_t>(1800 * 516));
    double difference = 0.0;
    for (int y = 0; y < 258; ++y)
    {
        for (int x = 0; x < 900; ++x)
        {
            for (int shift = 0; shift < 24; shift += 8)
            {
                int sum = 0;
                for (const int dy : {0, 1})
                {
                    for (const int dx : {0, 1})
                    {
                        sum += static_cast<int>(
                            (shown[static_cast<std::size_t>((2 * y + dy) * 1800 + 2 * x + dx)] >> shift) &
                            0xFF);
                    }
                }
                difference += std::abs(sum / 4.0 - static_cast<double>((one[y * 900 + x] >> shift) & 0xFF));
            }
        }
    }
    EXPECT_LT(difference / (900.0 * 258.0 * 3.0), 4.0) << "mean difference per channel";
}

TEST_F(ClapGuiScale, ADragOfTwoHundredPixelsAtTwiceMovesAFaderFromTheMiddleToSevenTenths)
{
    ASSERT_TRUE(m_Gui->setScale(Raw(), 2.0));
    Open();
    Frames(2);
    Pointer().DragUp((463 + 12) * 2, 150 * 2, 200, [] { Frames(1); });
    std::vector<Tovik::ClapOutputEvent> events;
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            if (m_Plugin->TakeFlushRequest())
            {
                m_Plugin->Flush();
            }
            for (const auto& event : m_Plugin->TakeOutputEvents())
            {
                events.push_back(event);
            }
            return !events.empty() && events.back().type == Clap::kEventParamGestureEnd;
        }));
    ASSERT_GE(events.size(), 3u);
    const auto& last = events[events.size() - 2];
    EXPECT_EQ(last.type, Clap::kEventParamValue);
    EXPECT_EQ(last.paramId, 5u);
    EXPECT_NEAR(*Device::ValueTypeOf(5).ToNormalised(last.value), 0.7f, 1e-6f);
    EXPECT_EQ(m_Plugin->Value(5), last.value);
    EXPECT_EQ(m_Plugin->Value(4), 0.0) << "the fader beside it stays in the middle (0 dB)";
}

TEST_F(ClapGuiScale, AHostsResizeSnapsToASizeOfThePanelsAspectAndTheWindowFollows)
{
    EXPECT_TRUE(m_Gui->canResize(Raw()));
    Clap::GuiResizeHints hints{};
    ASSERT_TRUE(m_Gui->getResizeHints(Raw(), &hints));
    EXPECT_TRUE(hints.canResizeHorizontally && hints.canResizeVertically && hints.preserveAspectRatio);
    EXPECT_EQ(hints.aspectRatioWidth * 258, hints.aspectRatioHeight * 900);
    Open();
    EXPECT_EQ(ChildSize(), Size(900, 258));

    // A frame of 1500 x 400 holds the panel at 150 % at most.
    EXPECT_EQ(Adjusted(1500, 400), Size(1350, 387));
    EXPECT_FALSE(m_Gui->setSize(Raw(), 1500, 400)) << "not a size the panel can take exactly";
    EXPECT_EQ(GuiSize(), Size(1350, 387));
    EXPECT_TRUE(WaitUntil([&] { return ChildSize() == Size(1350, 387); })) << ChildSize().first;
    EXPECT_TRUE(m_Gui->setSize(Raw(), 1350, 387));
    // One edge dragged to twice the width: the step nearest to it.
    EXPECT_EQ(Adjusted(1800, 387), Size(1800, 516));
    EXPECT_TRUE(m_Gui->setSize(Raw(), 1800, 516));
    EXPECT_TRUE(WaitUntil([&] { return ChildSize() == Size(1800, 516); }));
    EXPECT_TRUE(Requests().empty()) << "the plug-in asked the host for a size it was given";
}

TEST_F(ClapGuiScale, WhatIsNoScaleIsRefusedAndNoCallBeforeOrAfterTheEditorHarmsIt)
{
    const auto before = State();
    // Before the editor exists.
    EXPECT_FALSE(m_Gui->setScale(Raw(), std::nan("")));
    EXPECT_FALSE(m_Gui->setScale(Raw(), std::numeric_limits<double>::infinity()));
    EXPECT_FALSE(m_Gui->setScale(Raw(), 0.0));
    EXPECT_FALSE(m_Gui->setScale(Raw(), -1.0));
    EXPECT_EQ(GuiSize(), Size(900, 258));
    EXPECT_TRUE(m_Gui->setScale(Raw(), 100.0));
    EXPECT_EQ(GuiSize(), Size(1800, 516)) << "beyond 200 % is 200 %";
    EXPECT_TRUE(m_Gui->setSize(Raw(), 1350, 387));
    EXPECT_FALSE(m_Gui->setSize(Raw(), 0, 0));
    EXPECT_FALSE(m_Gui->setSize(Raw(), 0xFFFFFFFFu, 0xFFFFFFFFu));
    EXPECT_EQ(Adjusted(0xFFFFFFFFu, 0xFFFFFFFFu), Size(1800, 516));
    EXPECT_FALSE(m_Gui->getSize(Raw(), nullptr, nullptr));

    Open();
    EXPECT_EQ(ChildSize(), Size(1800, 516));
    m_Gui->destroy(Raw());
    // After it is gone.
    EXPECT_TRUE(m_Gui->setScale(Raw(), 1.25));
    EXPECT_EQ(GuiSize(), Size(1125, 323));
    EXPECT_TRUE(m_Gui->setSize(Raw(), 900, 258));
    EXPECT_EQ(State(), before);
}

TEST_F(ClapGuiScale, ADenserScreenOpensTheEditorAtTwiceAndTheHostIsAskedToFollow)
{
    EXPECT_EQ(GuiSize(), Size(900, 258)); // what the host sized its frame by
    SetScreenDpi(m_Host->GetDisplay(), 192);
    Open();
    EXPECT_EQ(Requests(), std::vector<Size>{Size(1800, 516)});
    EXPECT_EQ(GuiSize(), Size(1800, 516));
    EXPECT_TRUE(WaitUntil([&] { return ChildSize() == Size(1800, 516); }));
}

TEST_F(ClapGuiScale, AHostThatCannotFollowTheDenserScreenKeepsTheSizeItWasTold)
{
    m_AcceptResize = false;
    EXPECT_EQ(GuiSize(), Size(900, 258));
    SetScreenDpi(m_Host->GetDisplay(), 192);
    Open();
    EXPECT_EQ(Requests(), std::vector<Size>{Size(1800, 516)});
    EXPECT_EQ(GuiSize(), Size(900, 258));
    Frames(5);
    EXPECT_EQ(ChildSize(), Size(900, 258));
}
} // namespace
} // namespace KVX::Test
