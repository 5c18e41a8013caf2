// SPDX-License-Identifier: GPL-3.0-or-later
// The editor on a Windows screen of 192 dpi, in a per-monitor aware host: a host that passes the screen's
// scale on ('PreS'/'AeCs') and one that only answers audioMasterSizeWindow both end with a panel window
// of twice the size, which draws, drags and edits in panel units; a move to a monitor of another density
// asks the host for the new size.
#include "binary_host.h"
#include "host/module_loader.h"
#include "platform/window.h"
#include "support/windows_panel.h"

#include <windows.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

namespace KVX::Test
{
namespace
{
constexpr int kWidth = 900; // panel units
constexpr int kHeight = 258;
constexpr int kGripX = 463 + 12; // on the 1 kHz fader's handle at 0.5
constexpr int kGripY = 150;

constexpr VstInt32 FourCharacters(const char (&code)[5])
{
    return static_cast<VstInt32>(
        (static_cast<std::uint32_t>(code[0]) << 24) | (static_cast<std::uint32_t>(code[1]) << 16) |
        (static_cast<std::uint32_t>(code[2]) << 8) | static_cast<std::uint32_t>(code[3]));
}

double WindowScale(HWND window)
{
    using ForWindow = UINT(WINAPI*)(HWND);
    static const auto forWindow = reinterpret_cast<ForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    return forWindow(window) / 96.0;
}

// Share of panel units whose 2 × 2 physical pixels, averaged, are far from the panel as drawn at 100 %
// (the skin with the 1 kHz fader at 0.5, frame 31 of its sheet; the other faders and the IN switch left
// out): whichever artwork the window is drawn from, it must be the same picture at twice the size.
double UnitsUnlikeThePanel(const std::vector<std::uint32_t>& screen)
{
    static const Platform::Bitmap panel = SkinImage(u"panel.png");
    static const Platform::Bitmap fader = SkinImage(u"fader06.png");
    if (screen.size() != static_cast<std::size_t>(kWidth) * kHeight * 4 || panel.Empty() || fader.Empty())
    {
        return 1.0;
    }
    int checked = 0;
    int unlike = 0;
    for (int y = 1; y < kHeight - 1; ++y)
    {
        for (int x = 1; x < kWidth - 1; ++x)
        {
            const bool overOneKilohertz = x >= 463 && x < 463 + 50 && y >= 33;
            if ((x >= 141 && x < 771 && y >= 33 && !overOneKilohertz) || (x >= 805 && y >= 45 && y < 195))
            {
                continue; // the other faders' sheets and the IN switch
            }
            std::uint32_t expected = panel.Pixel(x, y);
            if (overOneKilohertz)
            {
                expected = Over(fader.Pixel(13 * 50 + x - 463, 235 + y - 33), expected);
            }
            std::uint32_t averaged = 0;
            for (int shift = 0; shift < 24; shift += 8)
            {
                int sum = 0;
                for (int dy = 0; dy < 2; ++dy)
                {
                    for (int dx = 0; dx < 2; ++dx)
                    {
                        const std::size_t at = static_cast<std::size_t>(2 * y + dy) * 2 * kWidth + 2 * x + dx;
                        sum += static_cast<int>((screen[at] >> shift) & 0xFF);
                    }
                }
                averaged |= static_cast<std::uint32_t>((sum + 2) / 4) << shift;
            }
            ++checked;
            unlike += ColourDistance(averaged, expected & 0xFFFFFF) > 48;
        }
    }
    return static_cast<double>(unlike) / checked;
}

// Pixels of the 1 kHz fader's rectangle at 200 % that differ from frame 31 (0.5) of `fader` over `panel`,
// sheets drawn for 200 %.
int FaderMismatchesAtTwice(const std::vector<std::uint32_t>& screen, const Platform::Bitmap& fader,
                           const Platform::Bitmap& panel)
{
    if (screen.size() != static_cast<std::size_t>(kWidth) * kHeight * 4 || fader.Empty() || panel.Empty())
    {
        return -1;
    }
    int mismatches = 0;
    for (int y = 0; y < 2 * (kHeight - 33); ++y)
    {
        for (int x = 0; x < 100; ++x)
        {
            const int px = 2 * 463 + x;
            const int py = 2 * 33 + y;
            const std::uint32_t expected = Over(fader.Pixel(13 * 100 + x, 470 + y), panel.Pixel(px, py));
            mismatches += ColourDistance(screen[static_cast<std::size_t>(py) * 2 * kWidth + px],
                                         expected & 0xFFFFFF) > 4;
        }
    }
    return mismatches;
}

// A sheet at twice its size, each pixel made four: what a window drawn from the 100 % sheets would show.
Platform::Bitmap Doubled(const Platform::Bitmap& sheet)
{
    Platform::Bitmap doubled(2 * sheet.width, 2 * sheet.height);
    for (int y = 0; y < doubled.height; ++y)
    {
        for (int x = 0; x < doubled.width; ++x)
        {
            doubled.SetPixel(x, y, sheet.Pixel(x / 2, y / 2));
        }
    }
    return doubled;
}

LRESULT CALLBACK HostWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcW(window, message, wParam, lParam);
}

class EditorAtScreenScale : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RecordedBoxes().clear();
        plugin = LoadPlugin(KVX_PLUGIN_PATH);
        ASSERT_NE(plugin, nullptr);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = &HostWindowProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"KVXScaleTestHost";
        RegisterClassW(&windowClass);
        host = CreateWindowExW(0, L"KVXScaleTestHost", L"KVX Tovik test host", WS_POPUP | WS_VISIBLE, 20, 20,
                               kWidth, kHeight, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(host, nullptr);
        ASSERT_EQ(WindowScale(host), 2.0);
        PumpMessages(20);
    }

    void TearDown() override
    {
        if (plugin)
        {
            plugin->Dispatch(effEditClose);
            plugin.reset();
        }
        if (host != nullptr)
        {
            DestroyWindow(host);
        }
        PumpMessages(20);
        EXPECT_TRUE(RecordedBoxes().empty()) << U8(RecordedBoxes().front().text);
    }

    // Resizes the host's frame to what the plug-in asks for, once `accept` says so; records each request.
    void AnswerSizeRequests()
    {
        plugin->SetSizeWindowHandler(
            [this](int width, int height)
            {
                asked.emplace_back(width, height);
                if (!accept)
                {
                    return false;
                }
                SetWindowPos(host, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
                return true;
            });
    }

    VstIntPtr SetHostScale(double scale)
    {
        return plugin->Dispatch(effVendorSpecific, FourCharacters("PreS"), FourCharacters("AeCs"), nullptr,
                                static_cast<float>(scale));
    }

    bool OpenEditor()
    {
        if (plugin->Dispatch(effEditOpen, 0, 0, host) != 1)
        {
            return false;
        }
        panel = FindWindowExW(host, nullptr, L"KVXGUIWindow", nullptr);
        return panel != nullptr;
    }

    std::pair<int, int> PanelSize() const
    {
        RECT client{};
        GetClientRect(panel, &client);
        return {client.right, client.bottom};
    }

    static bool PumpUntil(const std::function<bool()>& condition)
    {
        for (int waited = 0; waited < 5000; waited += 20)
        {
            if (condition())
            {
                return true;
            }
            PumpMessages(20);
        }
        return condition();
    }

    std::vector<std::uint8_t> Chunk() const
    {
        void* data = nullptr;
        const VstIntPtr size = plugin->Dispatch(effGetChunk, 1, 0, &data);
        if (size <= 0 || data == nullptr)
        {
            return {};
        }
        const auto* bytes = static_cast<const std::uint8_t*>(data);
        return {bytes, bytes + size};
    }

    // Physical pixels of the panel window, as a user's hand would send them.
    void Send(UINT message, WPARAM wParam, int x, int y) const
    {
        SendMessageW(panel, message, wParam, MAKELPARAM(x, y));
    }

    std::unique_ptr<Host::Plugin> plugin;
    HWND host = nullptr;
    HWND panel = nullptr;
    std::vector<std::pair<int, int>> asked;
    bool accept = true;
};

TEST_F(EditorAtScreenScale, AHostThatPassesTheScreensScaleOnGetsThePanelAtTwiceItsSize)
{
    const std::vector<std::uint8_t> state = Chunk();
    ASSERT_EQ(state.size(), 88u);
    ASSERT_EQ(SetHostScale(WindowScale(host)), 1);
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 1800);
    EXPECT_EQ(rect->bottom - rect->top, 516);
    SetWindowPos(host, nullptr, 0, 0, 1800, 516, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(PanelSize(), std::make_pair(1800, 516));
    EXPECT_TRUE(PumpUntil([] { return UnitsUnlikeThePanel(CurrentPanelPixels(1800, 516)) < 0.01; }))
        << UnitsUnlikeThePanel(CurrentPanelPixels(1800, 516)) << " of the panel is unlike it";
    EXPECT_EQ(Chunk(), state) << "the scale is the screen's, never part of the state";

    // 200 physical pixels are 100 units: the fader's travel is 500 units at every scale.
    Send(WM_MOUSEMOVE, 0, 2 * kGripX, 2 * kGripY);
    Send(WM_LBUTTONDOWN, MK_LBUTTON, 2 * kGripX, 2 * kGripY);
    for (int i = 1; i <= 10; ++i)
    {
        Send(WM_MOUSEMOVE, MK_LBUTTON, 2 * kGripX, 2 * kGripY - 20 * i);
    }
    Send(WM_LBUTTONUP, 0, 2 * kGripX, 2 * kGripY - 200);
    EXPECT_NEAR(plugin->GetParameter(5), 0.7f, 1e-5f);
    EXPECT_EQ(plugin->GetParameter(4), 0.5f);
    EXPECT_EQ(plugin->Log().lastAutomatedIndex, 5) << "the host is told, as at 100 %";
    EXPECT_NEAR(plugin->Log().lastAutomatedValue, 0.7f, 1e-5f);
}

TEST_F(EditorAtScreenScale, AtTwiceTheSizeTheFaderIsAsSharpAsItsSheetFor200Percent)
{
    const Platform::Bitmap fader = SkinImage(u"fader06@2x.png");
    const Platform::Bitmap panel2 = SkinImage(u"panel@2x.png");
    if (fader.Empty() || panel2.Empty())
    {
        GTEST_SKIP() << "this tree has no sheets drawn for 200 %";
    }
    ASSERT_EQ(SetHostScale(2.0), 1);
    ASSERT_TRUE(OpenEditor());
    EXPECT_TRUE(
        PumpUntil([&] { return FaderMismatchesAtTwice(CurrentPanelPixels(1800, 516), fader, panel2) == 0; }))
        << FaderMismatchesAtTwice(CurrentPanelPixels(1800, 516), fader, panel2) << " pixels differ";
    // The 100 % frame made larger would be soft where the 200 % artwork is sharp.
    EXPECT_GT(FaderMismatchesAtTwice(CurrentPanelPixels(1800, 516), Doubled(SkinImage(u"fader06.png")),
                                     Doubled(SkinImage(u"panel.png"))),
              1000);
}

TEST_F(EditorAtScreenScale, AHostThatSaysNothingOfScaleIsAskedForTheScreensSizeAtOpen)
{
    AnswerSizeRequests();
    ASSERT_TRUE(OpenEditor());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(1800, 516));
    EXPECT_EQ(PanelSize(), std::make_pair(1800, 516));
    EXPECT_TRUE(PumpUntil([] { return UnitsUnlikeThePanel(CurrentPanelPixels(1800, 516)) < 0.01; }));
}

// Wine 8 has one density for every monitor and never sends the message; the host sends it as Windows
// does once the host's window has moved to a monitor of another density.
TEST_F(EditorAtScreenScale, AMoveToAnotherMonitorsDensityAsksTheHostForTheSizeThere)
{
    AnswerSizeRequests();
    accept = false;
    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(PanelSize(), std::make_pair(kWidth, kHeight)) << "refused, the editor keeps its size";
    PumpMessages(100);

    accept = true;
    asked.clear();
    SendMessageW(panel, WM_DPICHANGED_AFTERPARENT, 0, 0);
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(1800, 516));
    EXPECT_EQ(PanelSize(), std::make_pair(1800, 516));
    EXPECT_TRUE(PumpUntil([] { return UnitsUnlikeThePanel(CurrentPanelPixels(1800, 516)) < 0.01; }));
}

TEST_F(EditorAtScreenScale, TheEditBoxTakesTwiceTheSizeAndTypeToMatchAndGoesBackAtOneHundredPercent)
{
    ASSERT_EQ(SetHostScale(2.0), 1);
    ASSERT_TRUE(OpenEditor());
    PumpMessages(100);
    const auto doubleClick = [this](int x, int y)
    {
        Send(WM_MOUSEMOVE, 0, x, y);
        Send(WM_LBUTTONDOWN, MK_LBUTTON, x, y);
        Send(WM_LBUTTONUP, 0, x, y);
        Send(WM_LBUTTONDBLCLK, MK_LBUTTON, x, y);
        Send(WM_LBUTTONUP, 0, x, y);
    };
    doubleClick(2 * kGripX, 2 * kGripY);
    const HWND edit = FindWindowExW(panel, nullptr, L"EDIT", nullptr);
    ASSERT_NE(edit, nullptr);
    ASSERT_TRUE(IsWindowVisible(edit));

    // At the pointer's hot spot, in units, then at twice the size.
    int hotX = 0;
    int hotY = 0;
    Platform::CursorHotSpot(hotX, hotY);
    RECT placed{};
    GetWindowRect(edit, &placed);
    MapWindowPoints(nullptr, panel, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(placed.left, 2 * (kGripX + static_cast<int>(std::lround(hotX / 2.0))));
    EXPECT_EQ(placed.top, 2 * (kGripY + static_cast<int>(std::lround(hotY / 2.0))));
    EXPECT_EQ(placed.right - placed.left, 100);
    EXPECT_EQ(placed.bottom - placed.top, 30);

    // The system's type as it is at 96 dpi, twice as tall.
    LOGFONTW system{};
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof system, &system);
    HDC screen = GetDC(nullptr);
    const int systemDpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    const auto font = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    HDC dc = GetDC(edit);
    const HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    wchar_t face[LF_FACESIZE] = {};
    GetTextFaceW(dc, LF_FACESIZE, face);
    SelectObject(dc, previous);
    ReleaseDC(edit, dc);
    EXPECT_NEAR(metrics.tmHeight, 2.0 * std::abs(system.lfHeight) * 96 / systemDpi, 1.0);
    EXPECT_STREQ(face, L"Tahoma") << "an outline face, not a bitmap enlarged";
    EXPECT_NE(metrics.tmPitchAndFamily & TMPF_TRUETYPE, 0);

    SendMessageW(edit, WM_CHAR, '6', 0);
    SendMessageW(edit, WM_CHAR, '\r', 0);
    EXPECT_FLOAT_EQ(plugin->GetParameter(5), 0.75f);
    EXPECT_FALSE(IsWindowVisible(edit));

    // Back at 100 % the field has the system's font again, as it always had there.
    ASSERT_EQ(SetHostScale(1.0), 1);
    PumpUntil([this] { return PanelSize() == std::make_pair(kWidth, kHeight); });
    PumpMessages(100);
    doubleClick(kGripX, kGripY);
    ASSERT_TRUE(IsWindowVisible(edit));
    EXPECT_EQ(SendMessageW(edit, WM_GETFONT, 0, 0), 0);
    GetWindowRect(edit, &placed);
    EXPECT_EQ(placed.right - placed.left, 50);
}
} // namespace
} // namespace KVX::Test
