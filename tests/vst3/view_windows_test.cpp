// SPDX-License-Identifier: GPL-3.0-or-later
// The plug view as a Windows host opens it: inside a window of the host's, on the host's own thread,
// with the host pumping messages. Pixels are read back with glReadPixels (under Wine, GL drawn into a
// child window reaches only the GL buffers); mouse input arrives as the messages a user's hand causes.
// The panel runs on the host's thread here, so its edits reach the handler at once, in order.
#include "plugin_fixture.h"
#include "support/windows_panel.h"

#include <windows.h>

#include <GL/gl.h>

#include <chrono>
#include <functional>
#include <thread>

namespace KVX::Test::Vst3
{
namespace
{
constexpr int kWidth = 900;
constexpr int kHeight = 258;
// The 1 kHz fader's rectangle on the panel, and a point on its handle at value 0.5.
constexpr int kFaderX = 463;
constexpr int kFaderY = 33;
constexpr int kGripX = kFaderX + 12;
constexpr int kGripY = 150;

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

class Vst3WindowsView : public Vst3Plugin
{
protected:
    void SetUp() override
    {
        Vst3Plugin::SetUp();
        if (HasFatalFailure())
        {
            return;
        }
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &HostWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"KVXVst3TestHost";
        RegisterClassW(&windowClass);
        m_Host =
            CreateWindowExW(0, L"KVXVst3TestHost", L"KVX Tovik VST3 test host", WS_POPUP | WS_VISIBLE, 40, 30,
                            kWidth, kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(m_Host, nullptr);
        ASSERT_EQ(Controller()->setComponentHandler(&m_Handler), kResultOk);
        Pump(20);
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
        if (m_Host != nullptr)
        {
            DestroyWindow(m_Host);
        }
        Pump(20);
        Vst3Plugin::TearDown();
    }

    static void Pump(int milliseconds) { PumpMessages(milliseconds); }

    // The last frame the panel presented (0xRRGGBB, rows from the top), from its context, current on
    // this thread.
    static std::vector<std::uint32_t> PanelPixels() { return CurrentPanelPixels(kWidth, kHeight); }

    // Differing pixels inside and outside the 1 kHz fader's rectangle.
    static std::pair<int, int> Changes(const std::vector<std::uint32_t>& a,
                                       const std::vector<std::uint32_t>& b)
    {
        int inside = 0;
        int outside = 0;
        for (int y = 0; y < kHeight; ++y)
        {
            for (int x = 0; x < kWidth; ++x)
            {
                const std::size_t i = static_cast<std::size_t>(y) * kWidth + x;
                if (a[i] != b[i])
                {
                    const bool fader = x >= kFaderX && x < kFaderX + 50 && y >= kFaderY;
                    ++(fader ? inside : outside);
                }
            }
        }
        return {inside, outside};
    }

    void Send(UINT message, WPARAM wParam, int x, int y) const
    {
        SendMessageW(m_Panel, message, wParam, MAKELPARAM(x, y));
    }

    HWND m_Host = nullptr;
    HWND m_Panel = nullptr;
    IPlugView* m_View = nullptr;
    CPlugFrame m_Frame{false};
    CComponentHandler m_Handler;
};

TEST_F(Vst3WindowsView, OpensInTheHostsWindowFollowsHostValuesAndReportsADragAsOneGesture)
{
    m_View = Controller()->createView(kEditorViewName);
    ASSERT_NE(m_View, nullptr);
    EXPECT_EQ(m_View->isPlatformTypeSupported(kPlatformTypeHWND), kResultTrue);
    EXPECT_NE(m_View->isPlatformTypeSupported(kPlatformTypeX11EmbedWindowID), kResultTrue);
    ASSERT_EQ(m_View->setFrame(&m_Frame), kResultOk);
    EXPECT_NE(m_View->attached(m_Host, kPlatformTypeX11EmbedWindowID), kResultOk);
    ASSERT_EQ(m_View->attached(m_Host, kPlatformTypeHWND), kResultOk);
    m_Panel = FindWindowExW(m_Host, nullptr, L"KVXGUIWindow", nullptr);
    ASSERT_NE(m_Panel, nullptr);
    RECT client{};
    GetClientRect(m_Panel, &client);
    EXPECT_EQ(client.right, kWidth);
    EXPECT_EQ(client.bottom, kHeight);

    Pump(700);
    const auto before = PanelPixels();
    ASSERT_EQ(before.size(), static_cast<std::size_t>(kWidth) * kHeight) << "no GL context current";
    ASSERT_EQ(Controller()->setParamNormalized(5, 1.0), kResultOk);
    Pump(700);
    const auto after = PanelPixels();
    ASSERT_EQ(after.size(), before.size());
    const auto [inside, outside] = Changes(before, after);
    EXPECT_GT(inside, 100) << "the 1 kHz fader did not move";
    EXPECT_EQ(outside, 0);
    EXPECT_TRUE(m_Handler.Calls().empty()) << "a host value was sent back";

    ASSERT_EQ(Controller()->setParamNormalized(5, 0.5), kResultOk);
    Pump(700);
    Send(WM_MOUSEMOVE, 0, kGripX, kGripY);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, kGripX, kGripY);
    for (int i = 1; i <= 10; ++i)
    {
        Send(WM_MOUSEMOVE, MK_LBUTTON, kGripX, kGripY - 10 * i);
    }
    Send(WM_LBUTTONUP, 0, kGripX, kGripY - 100);
    const auto calls = m_Handler.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls.front().kind, 'b');
    EXPECT_EQ(calls.back().kind, 'e');
    for (std::size_t i = 0; i < calls.size(); ++i)
    {
        EXPECT_EQ(calls[i].id, 5u);
        EXPECT_EQ(calls[i].thread, std::this_thread::get_id());
        if (i > 0 && i + 1 < calls.size())
        {
            EXPECT_EQ(calls[i].kind, 'p');
        }
    }
    EXPECT_NEAR(calls[calls.size() - 2].value, 0.7, 1e-6);

    EXPECT_EQ(m_View->removed(), kResultOk);
    EXPECT_EQ(FindWindowExW(m_Host, nullptr, L"KVXGUIWindow", nullptr), nullptr);
}
} // namespace
} // namespace KVX::Test::Vst3
