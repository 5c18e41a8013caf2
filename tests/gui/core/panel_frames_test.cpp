// SPDX-License-Identifier: GPL-3.0-or-later
// The device's panel drawn frame by frame at chosen clock times, on a real context: the hint's wait,
// fades, text, place and size, the lamp's fade, and every layout record against the hit test and the
// pixels it draws.
#include <gtest/gtest.h> // before any X header, whose None macro would break it

#include "device/device_dsp.h"
#include "device/device_gui.h"
#include "support/xvfb.h"

#include <GL/glew.h>
#include <GL/glx.h>

#include "support/gl_read_back.h" // after glew, which must come before gl.h

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace KVX
{
namespace
{
// The private server is the one gl_context.cpp starts for this test program.
VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

std::string Name(const std::u16string& text)
{
    return std::string(text.begin(), text.end());
}

constexpr int kWidth = 900;
constexpr int kHeight = 258;

struct Rect
{
    int left = kWidth;
    int top = kHeight;
    int right = -1; // inclusive
    int bottom = -1;
    bool Empty() const { return right < left; }
};

class PanelFrames : public ::testing::Test
{
protected:
    void SetUp() override
    {
        display = XOpenDisplay(nullptr);
        ASSERT_NE(display, nullptr);
        int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                            None};
        XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
        ASSERT_NE(visual, nullptr);
        XSetWindowAttributes set{};
        set.colormap =
            XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
        window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0, kWidth, kHeight, 0,
                               visual->depth, InputOutput, visual->visual, CWColormap, &set);
        XMapWindow(display, window);
        XSync(display, False);
        context = glXCreateContext(display, visual, nullptr, True);
        XFree(visual);
        ASSERT_TRUE(glXMakeCurrent(display, window, context));
        device = std::make_unique<CDeviceDSP>(Host);
        panel = &device->DevicePanel();
        panel->OnContextCreated(); // set-up and the first frame at time 0
        Frame(1000);               // every animation finished
    }
    void TearDown() override
    {
        if (panel != nullptr)
        {
            panel->OnContextReleasing();
        }
        device.reset();
        glXMakeCurrent(display, 0, nullptr);
        glXDestroyContext(display, context);
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }

    // Draws the frame of clock time `t` and reads it back (0xRRGGBB, rows from the top).
    std::vector<std::uint32_t> Frame(std::uint32_t t)
    {
        EXPECT_TRUE(panel->ReDraw(t));
        glFinish();
        return KVX::Test::ReadBackBuffer(kWidth, kHeight);
    }

    static int Distance(std::uint32_t a, std::uint32_t b)
    {
        int worst = 0;
        for (int shift = 0; shift < 24; shift += 8)
        {
            worst = std::max(worst, std::abs(static_cast<int>((a >> shift) & 0xFF) -
                                             static_cast<int>((b >> shift) & 0xFF)));
        }
        return worst;
    }
    // Where two frames differ, and by how much in all (sum of the largest channel differences).
    static Rect Changed(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b,
                        long* total = nullptr)
    {
        Rect r;
        long sum = 0;
        for (int y = 0; y < kHeight; ++y)
        {
            for (int x = 0; x < kWidth; ++x)
            {
                const int d = Distance(a[static_cast<std::size_t>(y) * kWidth + x],
                                       b[static_cast<std::size_t>(y) * kWidth + x]);
                sum += d;
                if (d > 2)
                {
                    r.left = std::min(r.left, x);
                    r.top = std::min(r.top, y);
                    r.right = std::max(r.right, x);
                    r.bottom = std::max(r.bottom, y);
                }
            }
        }
        if (total != nullptr)
        {
            *total = sum;
        }
        return r;
    }

    Display* display = nullptr;
    ::Window window = 0;
    GLXContext context = nullptr;
    std::unique_ptr<CDeviceDSP> device;
    CDeviceGUI* panel = nullptr;
};

TEST_F(PanelFrames, TheHintWaitsHalfASecondFadesInAQuarterShowsTheValueBesideThePointerAndFadesOut)
{
    // Hovering changes the fader's own picture: let that settle first, on the same fader, within the
    // hint's wait.
    panel->OnMouseMove(480, 200, 0);
    for (std::uint32_t t = 1100; t <= 1400; t += 100)
    {
        Frame(t);
    }
    panel->OnMouseMove(470, 120, 0); // the wait starts again
    const auto before = Frame(1410);
    EXPECT_TRUE(Changed(before, Frame(1899)).Empty()) << "shown before the mouse rested 500 ms";
    EXPECT_TRUE(Changed(before, Frame(1900)).Empty()) << "the fade starts from nothing";
    long half = 0;
    long full = 0;
    Changed(before, Frame(2025), &half);
    const Rect shown = Changed(before, Frame(2150), &full);
    ASSERT_GT(full, 0) << "not shown 750 ms after the move";
    EXPECT_NEAR(static_cast<double>(half) / static_cast<double>(full), 0.5, 0.1) << "fade-in over 250 ms";
    long later = 0;
    Changed(before, Frame(2300), &later);
    EXPECT_EQ(later, full) << "fully faded in at 250 ms";

    CHint& hint = panel->Hint();
    EXPECT_EQ(hint.LabelText(), u"1 kHz: 0.0 dB");
    int hotX = 0;
    int hotY = 0;
    panel->CursorHotSpotOffset(hotX, hotY);
    EXPECT_EQ(hint.X(), 470 + hotX);
    EXPECT_EQ(hint.Y(), 120 + hotY);
    // The frame fits the text with 5 pixels around it, and the drawing is exactly that frame.
    const auto text = panel->MeasureText(u"1 kHz: 0.0 dB", Platform::Font{u"Tahoma", 10.0f, false, false});
    EXPECT_EQ(hint.Height(), static_cast<int>(text.top + text.height + 10.0f + 0.5f));
    EXPECT_EQ(hint.Width(), static_cast<float>(static_cast<int>(text.left + text.width + 10.0f + 0.5f)));
    EXPECT_NEAR(shown.left, hint.X(), 1);
    EXPECT_NEAR(shown.top, hint.Y(), 1);
    EXPECT_NEAR(shown.right + 1, hint.X() + static_cast<int>(hint.Width()), 1);
    EXPECT_NEAR(shown.bottom + 1, hint.Y() + hint.Height(), 1);

    // Any move fades it out over 250 ms.
    panel->OnMouseMove(471, 120, 0);
    Frame(2310); // the frame that takes the move in
    Changed(before, Frame(2310 + 125), &half);
    EXPECT_NEAR(static_cast<double>(half) / static_cast<double>(full), 0.5, 0.1) << "fade-out over 250 ms";
    EXPECT_TRUE(Changed(before, Frame(2310 + 250)).Empty());
}

TEST_F(PanelFrames, TheLampFadesOverAQuarterOfASecond)
{
    const auto dark = Frame(1000);
    panel->Lamp().SetValue(1.0f);
    long quarter = 0;
    long half = 0;
    long full = 0;
    Changed(dark, Frame(1000 + 62), &quarter);
    Changed(dark, Frame(1000 + 125), &half);
    const Rect lit = Changed(dark, Frame(1000 + 250), &full);
    ASSERT_GT(full, 0);
    EXPECT_NEAR(static_cast<double>(quarter) / static_cast<double>(full), 0.25, 0.08);
    EXPECT_NEAR(static_cast<double>(half) / static_cast<double>(full), 0.5, 0.08);
    long after = 0;
    Changed(dark, Frame(1000 + 400), &after);
    EXPECT_EQ(after, full);
    // Only inside the lamp's record (50 x 50 at 815, 50).
    EXPECT_GE(lit.left, 815);
    EXPECT_GE(lit.top, 50);
    EXPECT_LT(lit.right, 815 + 50);
    EXPECT_LT(lit.bottom, 50 + 50);
}

TEST_F(PanelFrames, EveryRecordIsHitInsideItsInsetsAndDrawsInsideItsRectangle)
{
    // Each control: its hit rectangle from the record (bounds included), and what changes on the
    // screen when its value moves stays inside the record's rectangle (a fader's shadow reaches 10
    // pixels to the left and 20 down).
    struct Control
    {
        const WidgetSpec& record;
        CMeter& widget;
        float value;
    };
    std::vector<Control> controls;
    for (int band = 0; band < Device::kBandCount; ++band)
    {
        controls.push_back({Device::g_FaderSpecs[static_cast<std::size_t>(band)], panel->Fader(band), 1.0f});
    }
    auto& in = const_cast<CButton&>(panel->InButton());
    controls.push_back({Device::g_InButtonSpec, in, in.Value() != 0.0f ? 0.0f : 1.0f});

    std::uint32_t t = 1000;
    for (const Control& c : controls)
    {
        const WidgetSpec& r = c.record;
        const int left = r.x + r.insetLeft;
        const int top = r.y + r.insetTop;
        const int right = r.x + r.width - r.insetRight;
        const int bottom = r.y + r.height - r.insetBottom;
        for (const auto [x, y] : {std::pair{left, top}, {right, top}, {left, bottom}, {right, bottom}})
        {
            EXPECT_EQ(panel->HitWidget(x, y, true), &c.widget) << Name(r.name) << " at " << x << ", " << y;
        }
        for (const auto [x, y] :
             {std::pair{left - 1, top}, {right + 1, top}, {left, top - 1}, {left, bottom + 1}})
        {
            EXPECT_NE(panel->HitWidget(x, y, true), &c.widget) << Name(r.name) << " at " << x << ", " << y;
        }

        const auto before = Frame(t += 1000);
        const float old = c.widget.Value();
        c.widget.SetValue(c.value);
        const Rect changed = Changed(before, Frame(t += 1000));
        c.widget.SetValue(old);
        Frame(t += 1000);
        ASSERT_FALSE(changed.Empty()) << Name(r.name);
        EXPECT_GE(changed.left, r.x + std::min(0, r.shadowOffsetX)) << Name(r.name);
        EXPECT_GE(changed.top, r.y + std::min(0, r.shadowOffsetY)) << Name(r.name);
        EXPECT_LT(changed.right, std::min(kWidth, r.x + r.width + std::max(0, r.shadowOffsetX)))
            << Name(r.name);
        EXPECT_LT(changed.bottom, std::min(kHeight, r.y + r.height + std::max(0, r.shadowOffsetY)))
            << Name(r.name);
        // The picture spans the record's width, not a neighbour's.
        EXPECT_LE(changed.left, r.x + r.width / 2) << Name(r.name);
        EXPECT_GE(changed.right, r.x + r.width / 2 - 1) << Name(r.name);
    }
}
} // namespace
} // namespace KVX
