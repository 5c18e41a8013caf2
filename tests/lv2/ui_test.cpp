// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 UI as a host loads it: its binary through lv2ui_descriptor, opened in a host window on a
// private X server and driven with XTest. It must show what the VST editor shows for the same values,
// report the user's edits through the write function and follow the host's values without echoing them.
// gtest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "lv2/lv2_names.h"
#include "lv2/port_values.h"
#include "support/panel_pixels.h"
#include "support/panel_pointer.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <dlfcn.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <limits>
#include <thread>

namespace KVX::Test
{
namespace
{
const auto* const g_Server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

using Device::Description::kPanelHeight;
using Device::Description::kPanelWidth;
using Device::Description::kParameters;

constexpr int kUiX = 40;
constexpr int kUiY = 30;
constexpr int kVstY = 400;

struct Written
{
    std::uint32_t port;
    float value;
};

class Lv2Ui : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(XvfbEnvironment::Server(), nullptr);
        m_Module = dlopen(KVX_LV2_UI_PATH, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(m_Module, nullptr) << dlerror();
        using Entry = const LV2UI_Descriptor* (*)(std::uint32_t);
        auto entry = reinterpret_cast<Entry>(dlsym(m_Module, "lv2ui_descriptor"));
        ASSERT_NE(entry, nullptr);
        m_Descriptor = entry(0);
        ASSERT_NE(m_Descriptor, nullptr);
        EXPECT_EQ(std::string(m_Descriptor->URI), LV2::kUiUri);
        m_Idle =
            static_cast<const LV2UI_Idle_Interface*>(m_Descriptor->extension_data(LV2_UI__idleInterface));
        ASSERT_NE(m_Idle, nullptr);
        m_Host = std::make_unique<HostWindow>(kUiX, kUiY, 1000, 330);
        Pointer().Park(); // no hint on either panel
    }

    void TearDown() override
    {
        CloseUi();
        m_Vst.Close();
        m_Host.reset();
        if (m_Module != nullptr)
        {
            dlclose(m_Module);
        }
    }

    LV2UI_Handle Instantiate(bool withParent, const char* pluginUri)
    {
        m_Parent = {LV2_UI__parent, reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host->Id()))};
        m_Resize = {this, [](LV2UI_Feature_Handle self, int width, int height)
                    {
                        static_cast<Lv2Ui*>(self)->m_Resized = {width, height};
                        return 0;
                    }};
        m_ResizeFeature = {LV2_UI__resize, &m_Resize};
        const LV2_Feature* features[] = {withParent ? &m_Parent : &m_ResizeFeature, &m_ResizeFeature,
                                         nullptr};
        return m_Descriptor->instantiate(m_Descriptor, pluginUri, "", &Write, this, &m_Widget, features);
    }

    void OpenUi()
    {
        m_Ui = Instantiate(true, KVX_LV2_PLUGIN_URI);
        ASSERT_NE(m_Ui, nullptr);
        ASSERT_TRUE(WaitUntil([this] { return !m_Host->Children().empty(); }));
    }

    void CloseUi()
    {
        if (m_Ui != nullptr)
        {
            m_Descriptor->cleanup(m_Ui);
            m_Ui = nullptr;
        }
    }

    // Calls idle as a host does, for a while.
    void Idle(int frames)
    {
        for (int i = 0; i < frames; ++i)
        {
            m_Idle->idle(m_Ui);
            Frames(1);
        }
    }

    void PortEvent(std::uint32_t port, float value)
    {
        m_Descriptor->port_event(m_Ui, port, sizeof value, 0, &value);
    }

    std::vector<std::uint32_t> UiPixels()
    {
        return SettledPanelPixels(m_Host->GetDisplay(), m_Host->Id(), [this] { m_Idle->idle(m_Ui); });
    }

    std::vector<std::uint32_t> VstPixels(const std::vector<std::pair<int, float>>& values)
    {
        return m_Vst.Pixels(values);
    }

    PanelPointer Pointer() const { return {m_Host->GetDisplay(), kUiX, kUiY}; }
    void MoveTo(int x, int y) const { Pointer().MoveTo(x, y); }
    void Button(bool down) const { Pointer().Button(down); }

    static void Write(LV2UI_Controller controller, std::uint32_t port, std::uint32_t size,
                      std::uint32_t protocol, const void* buffer)
    {
        auto* self = static_cast<Lv2Ui*>(controller);
        EXPECT_EQ(size, sizeof(float));
        EXPECT_EQ(protocol, 0u);
        self->m_Writes.push_back({port, *static_cast<const float*>(buffer)});
    }

    void* m_Module = nullptr;
    const LV2UI_Descriptor* m_Descriptor = nullptr;
    const LV2UI_Idle_Interface* m_Idle = nullptr;
    std::unique_ptr<HostWindow> m_Host;
    LV2_Feature m_Parent{};
    LV2UI_Resize m_Resize{};
    LV2_Feature m_ResizeFeature{};
    LV2UI_Handle m_Ui = nullptr;
    LV2UI_Widget m_Widget = nullptr;
    std::pair<int, int> m_Resized{0, 0};
    std::vector<Written> m_Writes;
    VstPanel m_Vst{kUiX, kVstY};
};

TEST_F(Lv2Ui, OpensInsideTheHostsWindowAndDrawsWhatTheVstEditorDraws)
{
    OpenUi();
    EXPECT_EQ(m_Resized, std::make_pair(kPanelWidth, kPanelHeight));
    const auto children = m_Host->Children();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(m_Widget), children.front());

    const auto ui = UiPixels();
    const auto vst = VstPixels({});
    EXPECT_EQ(DifferingPixels(ui, vst), 0);
    EXPECT_TRUE(m_Writes.empty()) << "the UI spoke before anyone touched it";

    CloseUi();
    EXPECT_TRUE(WaitUntil([this] { return m_Host->Children().empty(); })) << "the window outlived cleanup";
}

TEST_F(Lv2Ui, ADragAndAClickAreWrittenToTheHostInPortUnits)
{
    OpenUi();
    Idle(2);
    // The 1 kHz fader, 100 pixels up from its centre position.
    Pointer().DragUp(463 + 12, 150, 100, [this] { Idle(1); });
    ASSERT_TRUE(WaitUntil(
        [this]
        {
            m_Idle->idle(m_Ui);
            return !m_Writes.empty() && std::fabs(m_Writes.back().value - 4.8f) < 1e-4f;
        }));
    for (const Written& w : m_Writes)
    {
        EXPECT_EQ(w.port, 5u) << "only the dragged band";
    }

    m_Writes.clear();
    // The fader puts the pointer back where the drag began once it sees the release: wait for that first.
    Frames(3);
    MoveTo(813 + 30, 129 + 30);
    Frames(2);
    Button(true);
    Button(false);
    ASSERT_TRUE(WaitUntil(
        [this]
        {
            m_Idle->idle(m_Ui);
            return !m_Writes.empty();
        }));
    ASSERT_EQ(m_Writes.size(), 1u);
    EXPECT_EQ(m_Writes.front().port, static_cast<std::uint32_t>(Device::Description::kInParameter));
    EXPECT_EQ(m_Writes.front().value, 0.0f);

    MoveTo(600, 20); // over the plain panel, where no hint shows
    const float db = LV2::PortFromNormalised(kParameters[5], 0.7f);
    EXPECT_EQ(DifferingPixels(UiPixels(),
                              VstPixels({{5, LV2::NormalisedFromPort(kParameters[5], db)}, {10, 0.0f}})),
              0);
}

TEST_F(Lv2Ui, FollowsTheHostsValuesWithoutEchoingThemAndIgnoresMalformedEvents)
{
    OpenUi();
    PortEvent(5, 6.0f);
    PortEvent(0, -12.0f);
    PortEvent(10, 0.0f);
    const auto followed = UiPixels();
    EXPECT_TRUE(m_Writes.empty()) << "a host value was sent back, first to port " << m_Writes.front().port;
    EXPECT_EQ(DifferingPixels(followed, VstPixels({{5, 0.75f}, {0, 0.0f}, {10, 0.0f}})), 0);

    // Nothing of these may move a widget or reach the host.
    const float nan = std::numeric_limits<float>::quiet_NaN();
    PortEvent(5, nan);
    PortEvent(99, 3.0f);
    PortEvent(LV2::kAudioInLeft, 3.0f);
    const float value = 3.0f;
    m_Descriptor->port_event(m_Ui, 5, sizeof value, 1, &value);
    m_Descriptor->port_event(m_Ui, 5, 2, 0, &value);
    m_Descriptor->port_event(m_Ui, 5, sizeof value, 0, nullptr);
    EXPECT_EQ(DifferingPixels(UiPixels(), followed), 0);
    EXPECT_TRUE(m_Writes.empty());

    // Beyond its range a host value shows the end of the range.
    PortEvent(5, 40.0f);
    EXPECT_EQ(DifferingPixels(UiPixels(), VstPixels({{5, 1.0f}})), 0);
    EXPECT_TRUE(m_Writes.empty());
}

TEST_F(Lv2Ui, HostFeaturesWithoutTheirFunctionsCountAsNotOffered)
{
    LV2UI_Resize resize{this, nullptr};
    LV2UI_Touch touch{this, nullptr};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2_Feature touchFeature{LV2_UI__touch, &touch};
    m_Parent = {LV2_UI__parent, reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host->Id()))};
    const LV2_Feature* features[] = {&m_Parent, &resizeFeature, &touchFeature, nullptr};
    m_Ui = m_Descriptor->instantiate(m_Descriptor, KVX_LV2_PLUGIN_URI, "", &Write, this, &m_Widget, features);
    ASSERT_NE(m_Ui, nullptr);
    ASSERT_TRUE(WaitUntil([this] { return !m_Host->Children().empty(); }));

    // A click on IN is an edit, which a host with touch would hear of; the value still gets through.
    MoveTo(813 + 30, 129 + 30);
    Frames(2);
    Button(true);
    Button(false);
    ASSERT_TRUE(WaitUntil(
        [this]
        {
            m_Idle->idle(m_Ui);
            return !m_Writes.empty();
        }));
    EXPECT_EQ(m_Writes.front().port, static_cast<std::uint32_t>(Device::Description::kInParameter));
}

TEST_F(Lv2Ui, IsNotMadeWithoutAParentWindowOrForAnotherPlugin)
{
    EXPECT_EQ(Instantiate(false, KVX_LV2_PLUGIN_URI), nullptr);
    EXPECT_EQ(Instantiate(true, "urn:another:plugin"), nullptr);
    EXPECT_TRUE(m_Host->Children().empty());
}
} // namespace
} // namespace KVX::Test
