// SPDX-License-Identifier: GPL-3.0-or-later
// The LV2 UI on a screen of higher density, through tools/host's UI host: the host's ui:scaleFactor (or the
// screen's Xft.dpi when the host says nothing) gives a window of the scaled size, drawn as the VST 2.4
// editor draws at that scale and dragged in panel units, and the host hears the size through ui:resize.
// The host changes the scale through the options interface and resizes through the UI's resize
// extension, which snaps to the sizes the panel can take.
// gtest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "host/lv2_host.h"
#include "lv2/lv2_names.h"
#include "lv2/port_values.h"
#include "support/panel_pointer.h"
#include "support/scaled_panel.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>

#include <cmath>
#include <limits>

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

constexpr int kUiX = 40;
constexpr int kUiY = 30;

using Size = std::pair<int, int>;

class Lv2UiScale : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(XvfbEnvironment::Server(), nullptr);
        ASSERT_NE(m_Module.Descriptor(), nullptr) << m_Module.Error();
        m_Host = std::make_unique<HostWindow>(kUiX, kUiY, 900, 258);
        PanelPointer(m_Host->GetDisplay(), 0, 0).MoveTo(2040, 1270); // off every panel: no hint shows
    }

    void TearDown() override
    {
        m_Ui.reset();
        m_Vst.Close();
        SetScreenDpi(m_Host->GetDisplay(), 0);
        m_Host.reset();
    }

    // The UI in the host window, which takes every size the UI asks for.
    void Open(std::optional<float> scaleFactor)
    {
        m_Ui = std::make_unique<Host::Lv2UiInstance>(m_Module, KVX_LV2_PLUGIN_URI, m_Host->Id(), scaleFactor,
                                                     [this](int width, int height)
                                                     {
                                                         XResizeWindow(m_Host->GetDisplay(), m_Host->Id(),
                                                                       static_cast<unsigned>(width),
                                                                       static_cast<unsigned>(height));
                                                         XSync(m_Host->GetDisplay(), False);
                                                         return true;
                                                     });
        ASSERT_TRUE(m_Ui->Valid());
        ASSERT_TRUE(WaitUntil([this] { return !m_Host->Children().empty(); }));
    }

    Size UiWindowSize() const { return WindowSize(m_Host->GetDisplay(), m_Ui->Widget()); }
    bool UiBecomes(Size size) const
    {
        return WaitUntil([&] { return UiWindowSize() == size; });
    }
    std::vector<Size> Requests() const { return m_Ui->ResizeRequests(); }

    Host::Lv2UiModule m_Module{KVX_LV2_UI_PATH};
    std::unique_ptr<HostWindow> m_Host;
    std::unique_ptr<Host::Lv2UiInstance> m_Ui;
    ScaledVstPanel m_Vst{kUiX, 620, 2.0f};
};

TEST_F(Lv2UiScale, AScaleFactorOfTwoGivesTheTwiceSizedWindowDrawnAsTheVstEditorDrawsIt)
{
    Open(2.0f);
    EXPECT_EQ(Requests(), std::vector<Size>{Size(1800, 516)});
    EXPECT_EQ(UiWindowSize(), Size(1800, 516));
    EXPECT_EQ(m_Ui->ScaleFactor(), 2.0f);
    const auto ui =
        SettledWindowPixels(m_Host->GetDisplay(), m_Host->Id(), 1800, 516, [this] { m_Ui->Idle(); });
    EXPECT_EQ(DifferingPixels(ui, m_Vst.Pixels({})), 0);
    EXPECT_TRUE(m_Ui->Writes().empty()) << "the scale reached the plug-in";
}

TEST_F(Lv2UiScale, ADragOfTwoHundredPixelsAtTwiceTheSizeMovesAFaderFromHalfToSevenTenths)
{
    Open(2.0f);
    m_Ui->Idle();
    Frames(2);
    PanelPointer(m_Host->GetDisplay(), kUiX, kUiY)
        .DragUp((463 + 12) * 2, 150 * 2, 200,
                [this]
                {
                    m_Ui->Idle();
                    Frames(1);
                });
    const float wanted = LV2::PortFromNormalised(Device::Description::kParameters[5], 0.7f);
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            m_Ui->Idle();
            const auto writes = m_Ui->Writes();
            return !writes.empty() && std::fabs(writes.back().value - wanted) < 1e-4f;
        }))
        << (m_Ui->Writes().empty() ? 0.0f : m_Ui->Writes().back().value);
    for (const auto& write : m_Ui->Writes())
    {
        EXPECT_EQ(write.port, 5u) << "only the dragged band";
    }
}

TEST_F(Lv2UiScale, TheOptionsInterfaceRescalesAnOpenUiAndTheHostHearsTheNewSize)
{
    Open(std::nullopt);
    EXPECT_EQ(Requests(), std::vector<Size>{Size(900, 258)});
    EXPECT_EQ(m_Ui->SetScaleFactor(1.5, true), LV2_OPTIONS_SUCCESS) << "an atom:Double";
    EXPECT_EQ(Requests().back(), Size(1350, 387));
    EXPECT_TRUE(UiBecomes(Size(1350, 387)));
    EXPECT_EQ(m_Ui->ScaleFactor(), 1.5f);

    const std::size_t told = Requests().size();
    EXPECT_EQ(m_Ui->SetScaleFactor(1.5), LV2_OPTIONS_SUCCESS);
    for (const double wrong : {std::numeric_limits<double>::quiet_NaN(), 0.0, -1.0})
    {
        EXPECT_EQ(m_Ui->SetScaleFactor(wrong), LV2_OPTIONS_ERR_BAD_VALUE) << wrong;
    }
    EXPECT_EQ(Requests().size(), told) << "no new size, nothing to tell";
    EXPECT_EQ(m_Ui->ScaleFactor(), 1.5f);
    EXPECT_TRUE(m_Ui->Writes().empty());
}

TEST_F(Lv2UiScale, TheResizeExtensionSnapsAndTellsTheHostTheSizeTaken)
{
    Open(std::nullopt);
    EXPECT_EQ(m_Ui->Resize(1500, 400), 0);
    EXPECT_EQ(Requests().back(), Size(1350, 387)) << "the largest step inside the size asked for";
    EXPECT_TRUE(UiBecomes(Size(1350, 387)));

    const std::size_t told = Requests().size();
    EXPECT_EQ(m_Ui->Resize(1800, 516), 0);
    EXPECT_EQ(Requests().size(), told) << "a size the panel takes as it is needs no answer";
    EXPECT_TRUE(UiBecomes(Size(1800, 516)));
    EXPECT_NE(m_Ui->Resize(0, 300), 0);
    EXPECT_NE(m_Ui->Resize(-5, -5), 0);
    EXPECT_EQ(UiWindowSize(), Size(1800, 516));
}

TEST_F(Lv2UiScale, TheScreensDensityGivesTheScaledWindowWhenTheHostSaysNothing)
{
    SetScreenDpi(m_Host->GetDisplay(), 192);
    Open(std::nullopt);
    EXPECT_EQ(Requests().back(), Size(1800, 516));
    EXPECT_EQ(UiWindowSize(), Size(1800, 516));
}
} // namespace
} // namespace KVX::Test
