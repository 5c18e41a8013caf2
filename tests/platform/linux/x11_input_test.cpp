// SPDX-License-Identifier: GPL-3.0-or-later
// Input through the window as the server delivers it: pointer and keyboard synthesised with XTest on a
// connection of the test's own, the way a user's hand would reach the panel.

// GoogleTest comes before the X headers, whose None macro would break it.
#include <gtest/gtest.h>

#include "platform/linux/recording_client.h"
#include "support/framebuffer_file.h"
#include "support/host_window.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>

namespace
{
using KVX::Test::HostWindow;
using KVX::Test::MouseEvent;
using KVX::Test::RecordingClient;
using namespace std::chrono_literals;

constexpr std::uint32_t kColour = 0xFF00FF;

// The host window sits at (50, 50) of the screen; the panel fills its top left 300 x 200.
class X11Input : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_NE(KVX::Test::XvfbEnvironment::Server(), nullptr);
        m_host = std::make_unique<HostWindow>(50, 50, 400, 300);
        m_display = m_host->GetDisplay();
        m_client.clearColour = kColour;
        m_client.Open(m_host->Id(), 300, 200);
        ASSERT_TRUE(m_client.WaitUntil([&] { return !m_client.frameTimes.empty(); }));
        MoveTo(150, 100);
        ASSERT_TRUE(WaitForEvent({MouseEvent::Move, 150, 100, 0}));
        // Entering reports a crossing and a motion; let both arrive before starting afresh.
        ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window&) {}));
        Forget();
    }
    void TearDown() override { m_client.window.reset(); }

    // Panel coordinates; the server's motion goes in screen coordinates.
    void MoveTo(int x, int y)
    {
        XTestFakeMotionEvent(m_display, DefaultScreen(m_display), 50 + x, 50 + y, CurrentTime);
        XSync(m_display, False);
    }
    void Button(unsigned button, bool down, unsigned long delayMs = CurrentTime)
    {
        XTestFakeButtonEvent(m_display, button, down, delayMs);
        XSync(m_display, False);
    }
    void Click(unsigned button)
    {
        Button(button, true);
        Button(button, false);
    }
    void Key(KeySym key, bool down)
    {
        XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, key), down, CurrentTime);
        XSync(m_display, False);
    }

    bool WaitForEvent(const MouseEvent& wanted)
    {
        return m_client.WaitUntil(
            [&] { return std::ranges::find(m_client.events, wanted) != m_client.events.end(); });
    }
    bool WaitForClicks(std::size_t count)
    {
        return m_client.WaitUntil(
            [&]
            {
                return static_cast<std::size_t>(
                           std::ranges::count_if(m_client.events, [](const MouseEvent& e)
                                                 { return e.kind != MouseEvent::Move; })) >= count;
            });
    }
    // The recorded events without moves.
    std::vector<MouseEvent> Clicks()
    {
        return m_client.Locked(
            [&]
            {
                std::vector<MouseEvent> result;
                std::ranges::copy_if(m_client.events, std::back_inserter(result),
                                     [](const MouseEvent& e) { return e.kind != MouseEvent::Move; });
                return result;
            });
    }
    void Forget()
    {
        m_client.Locked([&] { m_client.events.clear(); });
    }

    std::unique_ptr<HostWindow> m_host;
    Display* m_display = nullptr;
    RecordingClient m_client;
};

TEST_F(X11Input, PressMoveAndReleaseCarryPositionAndButtons)
{
    Button(1, true);
    MoveTo(170, 110);
    Button(1, false);
    ASSERT_TRUE(WaitForEvent({MouseEvent::Up, 170, 110, 1}));
    const std::vector<MouseEvent> expected = {
        {MouseEvent::Down, 150, 100, 1}, {MouseEvent::Move, 170, 110, 1}, {MouseEvent::Up, 170, 110, 1}};
    EXPECT_EQ(m_client.Locked([&] { return m_client.events; }), expected);
}

TEST_F(X11Input, ModifiersAndTheOtherButtonsSetTheirKeyBits)
{
    Key(XK_Shift_L, true);
    Key(XK_Control_L, true);
    Click(3);
    Key(XK_Control_L, false);
    // The middle button's press and release are not the panel's (on Windows they go to the default
    // procedure), so they end no drag; while it is held, moves carry its bit.
    Button(2, true);
    MoveTo(160, 100);
    Button(2, false);
    Key(XK_Shift_L, false);
    ASSERT_TRUE(WaitForEvent({MouseEvent::Move, 160, 100, 16 | 4}));
    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window&) {})); // the release, if any, is in
    const std::vector<MouseEvent> expected = {{MouseEvent::Down, 150, 100, 2 | 4 | 8},
                                              {MouseEvent::Up, 150, 100, 2 | 4 | 8}};
    EXPECT_EQ(Clicks(), expected);
}

TEST_F(X11Input, TwoQuickPressesMakeADoubleClickButSlowOrDistantOnesDoNot)
{
    Click(1);
    Click(1);
    Click(1); // a third press starts a new pair
    ASSERT_TRUE(WaitForClicks(6));
    std::vector<MouseEvent> expected = {
        {MouseEvent::Down, 150, 100, 1},        {MouseEvent::Up, 150, 100, 1},
        {MouseEvent::DoubleClick, 150, 100, 1}, {MouseEvent::Up, 150, 100, 1},
        {MouseEvent::Down, 150, 100, 1},        {MouseEvent::Up, 150, 100, 1}};
    EXPECT_EQ(Clicks(), expected);

    // The server stamps the delayed press 600 ms later: too slow for a pair.
    std::this_thread::sleep_for(600ms);
    Forget();
    Click(1);
    Button(1, true, 600);
    Button(1, false);
    ASSERT_TRUE(WaitForClicks(4));
    expected = {{MouseEvent::Down, 150, 100, 1},
                {MouseEvent::Up, 150, 100, 1},
                {MouseEvent::Down, 150, 100, 1},
                {MouseEvent::Up, 150, 100, 1}};
    EXPECT_EQ(Clicks(), expected);

    std::this_thread::sleep_for(600ms);
    Forget();
    Click(1);
    MoveTo(160, 100);
    Click(1);
    ASSERT_TRUE(WaitForEvent({MouseEvent::Up, 160, 100, 1}));
    expected = {{MouseEvent::Down, 150, 100, 1},
                {MouseEvent::Up, 150, 100, 1},
                {MouseEvent::Down, 160, 100, 1},
                {MouseEvent::Up, 160, 100, 1}};
    EXPECT_EQ(Clicks(), expected);
}

TEST_F(X11Input, TheWheelStepsOneNotchAtATime)
{
    Click(4);
    Click(5);
    Key(XK_Shift_L, true);
    Click(4);
    Key(XK_Shift_L, false);
    Click(6); // horizontal wheel: ignored
    Click(1);
    ASSERT_TRUE(WaitForClicks(5));
    const std::vector<MouseEvent> expected = {{MouseEvent::Wheel, 0, 0, 0, 1.0f},
                                              {MouseEvent::Wheel, 0, 0, 0, -1.0f},
                                              {MouseEvent::Wheel, 0, 0, 4, 1.0f},
                                              {MouseEvent::Down, 150, 100, 1},
                                              {MouseEvent::Up, 150, 100, 1}};
    EXPECT_EQ(Clicks(), expected);
}

TEST_F(X11Input, ADragThatLeavesTheWindowIsStillReported)
{
    m_client.captureOnPress = true;
    m_client.releaseOnRelease = true;
    Button(1, true);
    MoveTo(350, 150); // over the host, beside the panel
    EXPECT_TRUE(WaitForEvent({MouseEvent::Move, 350, 150, 1}));
    MoveTo(600, -30); // off the host altogether
    EXPECT_TRUE(WaitForEvent({MouseEvent::Move, 600, -30, 1}));
    Button(1, false);
    ASSERT_TRUE(WaitForEvent({MouseEvent::Up, 600, -30, 1}));

    // Released: moves outside go elsewhere again.
    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window&) {}));
    Forget();
    MoveTo(380, 250);
    MoveTo(100, 100);
    ASSERT_TRUE(WaitForEvent({MouseEvent::Move, 100, 100, 0}));
    for (const MouseEvent& e : m_client.Locked([&] { return m_client.events; }))
    {
        EXPECT_EQ(e, (MouseEvent{MouseEvent::Move, 100, 100, 0}));
    }
}

TEST_F(X11Input, CaptureLastsUntilItIsReleased)
{
    m_client.captureOnPress = true;
    Click(1);
    ASSERT_TRUE(WaitForEvent({MouseEvent::Up, 150, 100, 1})); // the press has taken the capture
    MoveTo(380, 250);
    ASSERT_TRUE(WaitForEvent({MouseEvent::Move, 380, 250, 0}));

    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window& w) { w.ReleaseCapture(); }));
    Forget();
    MoveTo(390, 260);
    MoveTo(100, 100);
    ASSERT_TRUE(WaitForEvent({MouseEvent::Move, 100, 100, 0}));
    for (const MouseEvent& e : m_client.Locked([&] { return m_client.events; }))
    {
        EXPECT_EQ(e, (MouseEvent{MouseEvent::Move, 100, 100, 0}));
    }
}

TEST_F(X11Input, KeysNeverReachThePanelAndReachTheHostUnlessThePanelHasTheFocus)
{
    // With the pointer over the panel but the focus elsewhere, keys go on to the host's window.
    XSelectInput(m_display, m_host->Id(), KeyPressMask);
    XSetInputFocus(m_display, m_host->Id(), RevertToPointerRoot, CurrentTime);
    XSync(m_display, False);
    Key(XK_Left, true);
    Key(XK_Left, false);
    XEvent event{};
    EXPECT_TRUE(XCheckTypedWindowEvent(m_display, m_host->Id(), KeyPress, &event));

    // Once the panel has the focus it takes them, and drops them.
    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window& w) { w.SetFocus(); }));
    Key(XK_a, true);
    Key(XK_a, false);
    Click(1);
    ASSERT_TRUE(WaitForClicks(2));
    XSync(m_display, False);
    EXPECT_FALSE(XCheckTypedWindowEvent(m_display, m_host->Id(), KeyPress, &event));
    EXPECT_EQ(Clicks().front(), (MouseEvent{MouseEvent::Down, 150, 100, 1}));

    // Focus back on the host: keys are the host's again.
    XSetInputFocus(m_display, m_host->Id(), RevertToPointerRoot, CurrentTime);
    XSync(m_display, False);
    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window&) {})); // the focus change is seen
    Key(XK_b, true);
    Key(XK_b, false);
    EXPECT_TRUE(XCheckTypedWindowEvent(m_display, m_host->Id(), KeyPress, &event));
}

// Whether the software cursor shows around the pointer, on the real screen.
class X11Cursor : public X11Input
{
protected:
    bool CursorShows()
    {
        const auto pixels = KVX::Test::ReadFramebufferFile(
            KVX::Test::XvfbEnvironment::Server()->FramebufferFile(), 50 + 150 - 20, 50 + 100 - 20, 40, 40);
        EXPECT_FALSE(pixels.empty());
        return std::ranges::count(pixels, kColour) != static_cast<long>(pixels.size());
    }
    bool ShowsWithin(bool shows)
    {
        for (int attempt = 0; attempt < 200; ++attempt)
        {
            if (CursorShows() == shows)
            {
                return true;
            }
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }
};

TEST_F(X11Cursor, HidingIsOnOrOffNotCounted)
{
    ASSERT_TRUE(ShowsWithin(true));
    ASSERT_TRUE(m_client.RunOnEditorThread(
        [](KVX::Platform::Window& w)
        {
            w.ShowCursor(false);
            w.ShowCursor(false);
        }));
    EXPECT_TRUE(ShowsWithin(false));
    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window& w) { w.ShowCursor(true); }));
    EXPECT_TRUE(ShowsWithin(true));
}

TEST_F(X11Cursor, ClosingWhileHiddenShowsTheCursorAgain)
{
    ASSERT_TRUE(m_client.RunOnEditorThread([](KVX::Platform::Window& w) { w.ShowCursor(false); }));
    ASSERT_TRUE(ShowsWithin(false));
    m_client.window.reset();
    // The host's grey now surrounds the pointer; the cursor must be drawn over it.
    for (int attempt = 0; attempt < 200; ++attempt)
    {
        const auto pixels = KVX::Test::ReadFramebufferFile(
            KVX::Test::XvfbEnvironment::Server()->FramebufferFile(), 50 + 150 - 20, 50 + 100 - 20, 40, 40);
        if (std::ranges::count(pixels, 0x404040u) != static_cast<long>(pixels.size()))
        {
            return;
        }
        std::this_thread::sleep_for(10ms);
    }
    FAIL() << "the cursor stayed hidden";
}

TEST_F(X11Cursor, ThePointerCanBeReadAndPutOnTheScreen)
{
    int x = 0;
    int y = 0;
    ASSERT_TRUE(m_client.RunOnEditorThread(
        [&](KVX::Platform::Window& w)
        {
            EXPECT_TRUE(w.GetCursorScreenPos(x, y));
            w.SetCursorScreenPos(700, 500);
        }));
    EXPECT_EQ(x, 200);
    EXPECT_EQ(y, 150);
    ::Window root = 0;
    ::Window child = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned state = 0;
    XQueryPointer(m_display, DefaultRootWindow(m_display), &root, &child, &x, &y, &windowX, &windowY, &state);
    EXPECT_EQ(x, 700);
    EXPECT_EQ(y, 500);

    // Off the editor thread these do nothing.
    EXPECT_FALSE(m_client.window->GetCursorScreenPos(x, y));
}
} // namespace
