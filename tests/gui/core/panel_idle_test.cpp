// SPDX-License-Identifier: GPL-3.0-or-later
// The open editor in a real child window on the private server: an idle panel presents nothing, and
// whatever wakes it (a host value, the lamp, the pointer, an exposure) brings back the picture that a full
// redraw would show.
#include <gtest/gtest.h> // before any X header, whose None macro would break it

#include "device/device_dsp.h"
#include "device/device_gui.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>
#include <vector>

namespace KVX
{
namespace
{
VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

using namespace std::chrono_literals;

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 10000ms)
{
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end)
    {
        if (condition())
        {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

class PanelIdle : public ::testing::Test
{
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        const int screen = DefaultScreen(display);
        parent = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 900, 258, 0, 0, 0x404040);
        XMapWindow(display, parent);
        XSync(display, False);
        device = std::make_unique<CDeviceDSP>(Host);
        panel = &device->DevicePanel();
        panel->open(reinterpret_cast<void*>(parent));
        ASSERT_TRUE(panel->HasWindow());
        ASSERT_TRUE(WaitUntil([&] { return panel->PresentedFrames() > 0; }, 30000ms));
        ASSERT_TRUE(Settled());
    }
    void TearDown() override
    {
        if (panel != nullptr)
        {
            panel->close();
        }
        device.reset();
        XDestroyWindow(display, parent);
        XCloseDisplay(display);
    }

    // Waits until no frame has been presented for half a second (every animation finished).
    bool Settled()
    {
        std::uint64_t last = panel->PresentedFrames();
        auto quietSince = std::chrono::steady_clock::now();
        return WaitUntil(
            [&]
            {
                const std::uint64_t now = panel->PresentedFrames();
                if (now != last)
                {
                    last = now;
                    quietSince = std::chrono::steady_clock::now();
                }
                return std::chrono::steady_clock::now() - quietSince > 500ms;
            },
            20000ms);
    }

    // Frames presented while the test sleeps for `period`.
    std::uint64_t FramesOver(std::chrono::milliseconds period)
    {
        const std::uint64_t before = panel->PresentedFrames();
        std::this_thread::sleep_for(period);
        return panel->PresentedFrames() - before;
    }

    // What the editor's window shows (0xRRGGBB).
    std::vector<std::uint32_t> Shown()
    {
        XSync(display, False);
        const auto window = static_cast<::Window>(panel->NativeWindow());
        XImage* image = XGetImage(display, window, 0, 0, 900, 258, AllPlanes, ZPixmap);
        std::vector<std::uint32_t> pixels;
        if (image == nullptr)
        {
            return pixels;
        }
        pixels.reserve(900 * 258);
        for (int y = 0; y < 258; ++y)
        {
            for (int x = 0; x < 900; ++x)
            {
                pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFFu);
            }
        }
        XDestroyImage(image);
        return pixels;
    }

    // Makes the editor draw its whole picture anew (an exposure) and returns it once settled.
    std::vector<std::uint32_t> FullRedraw()
    {
        const std::uint64_t before = panel->PresentedFrames();
        XClearArea(display, static_cast<::Window>(panel->NativeWindow()), 0, 0, 0, 0, True);
        XFlush(display);
        EXPECT_TRUE(WaitUntil([&] { return panel->PresentedFrames() > before; }));
        EXPECT_TRUE(Settled());
        return Shown();
    }

    // After a wake-up: frames came back, the panel settles again, and what it shows is a full redraw.
    void ExpectWokenAndExact(std::uint64_t before, const char* what)
    {
        SCOPED_TRACE(what);
        EXPECT_TRUE(WaitUntil([&] { return panel->PresentedFrames() > before; }));
        ASSERT_TRUE(Settled());
        const std::vector<std::uint32_t> shown = Shown();
        ASSERT_FALSE(shown.empty());
        EXPECT_EQ(FramesOver(1000ms), 0u) << "idle again";
        EXPECT_TRUE(shown == FullRedraw()) << "the picture differs from a full redraw";
    }

    Display* display = nullptr;
    ::Window parent = 0;
    std::unique_ptr<CDeviceDSP> device;
    CDeviceGUI* panel = nullptr;
};

TEST_F(PanelIdle, AnIdleEditorPresentsNoFrames)
{
    EXPECT_EQ(FramesOver(1000ms), 0u);
}

TEST_F(PanelIdle, HostValuesTheLampAndThePointerEachBringFramesBack)
{
    const std::vector<std::uint32_t> idle = Shown();

    const VstInt32 index = panel->Fader(3).ParamIndex();
    const float old = panel->Fader(3).Value();
    std::uint64_t before = panel->PresentedFrames();
    device->setParameter(index, old < 0.5f ? 0.9f : 0.1f);
    ExpectWokenAndExact(before, "a host value");
    EXPECT_FALSE(Shown() == idle) << "the fader moved";

    const float lamp = panel->Lamp().Value();
    before = panel->PresentedFrames();
    panel->Lamp().SetValue(lamp > 0.5f ? 0.0f : 1.0f); // as the audio thread does
    ExpectWokenAndExact(before, "the lamp");

    // Hovering a fader lights it and, after a rest, shows its hint.
    const CKnob& fader = panel->Fader(5);
    before = panel->PresentedFrames();
    XWarpPointer(display, 0, static_cast<::Window>(panel->NativeWindow()), 0, 0, 0, 0,
                 fader.X() + static_cast<int>(fader.Width()) / 2, fader.Y() + fader.Height() / 2);
    XFlush(display);
    ExpectWokenAndExact(before, "a hover");
    EXPECT_EQ(panel->HoveredWidget(), &fader);
}

TEST_F(PanelIdle, AnUncoveredEditorShowsItsPictureAgain)
{
    const std::vector<std::uint32_t> before = Shown();
    ASSERT_FALSE(before.empty());
    const int screen = DefaultScreen(display);
    const ::Window cover =
        XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 900, 258, 0, 0, 0xFF00FF);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    XChangeWindowAttributes(display, cover, CWOverrideRedirect, &attributes);
    XMapRaised(display, cover);
    XSync(display, False);
    std::this_thread::sleep_for(200ms);
    const std::uint64_t frames = panel->PresentedFrames();
    XDestroyWindow(display, cover);
    XSync(display, False);
    EXPECT_TRUE(WaitUntil([&] { return panel->PresentedFrames() > frames; })) << "the exposure redraws";
    ASSERT_TRUE(Settled());
    EXPECT_TRUE(Shown() == before);
}
} // namespace
} // namespace KVX
