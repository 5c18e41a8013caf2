// SPDX-License-Identifier: GPL-3.0-or-later
// The window's life on a private X server: creation inside the host's window, the frame clock, pixels,
// failures, and what is left behind after closing.

// GoogleTest comes before the X headers, whose None macro would break it.
#include <gtest/gtest.h>

#include "platform/linux/recording_client.h"
#include "support/host_window.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>

#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iterator>

namespace
{
using KVX::Platform::SystemError;
using KVX::Test::HostWindow;
using KVX::Test::RecordingClient;
using namespace std::chrono_literals;

KVX::Test::Xvfb::Options ServerOptions()
{
    KVX::Test::Xvfb::Options options;
    options.framebufferFile = true; // the cursor tests look at the real screen
    return options;
}
auto* const g_Server = ::testing::AddGlobalTestEnvironment(new KVX::Test::XvfbEnvironment(ServerOptions()));

long Entries(const char* folder)
{
    return std::distance(std::filesystem::directory_iterator(folder), std::filesystem::directory_iterator());
}
long OpenFds()
{
    return Entries("/proc/self/fd");
}
long Threads()
{
    return Entries("/proc/self/task");
}

double CpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

int g_HostErrors = 0;
int CountError(Display*, XErrorEvent*)
{
    ++g_HostErrors;
    return 0;
}

class X11Window : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_NE(KVX::Test::XvfbEnvironment::Server(), nullptr); }
};

TEST_F(X11Window, OpensInsideTheParentAndRunsTheFrameClockOnItsOwnThread)
{
    HostWindow host(10, 10, 400, 300);
    RecordingClient client;
    client.Open(host.Id(), 300, 200);
    ASSERT_TRUE(client.window);

    const auto children = host.Children();
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(children[0], client.window->NativeHandle());
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(host.GetDisplay(), children[0], &attributes));
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, 300);
    EXPECT_EQ(attributes.height, 200);
    EXPECT_EQ(attributes.map_state, IsViewable);

    // About 30 frames a second; the bounds are wide because the machine may be busy.
    const double cpuBefore = CpuSeconds();
    ASSERT_TRUE(client.WaitUntil([&] { return client.frameTimes.size() >= 31; }));
    // Waiting between ticks sleeps: a second of frames costs a small fraction of a second of processor time.
    const double cpu = CpuSeconds() - cpuBefore;
    EXPECT_LT(cpu, 0.5);
    client.Locked(
        [&]
        {
            EXPECT_EQ(client.contextsCreated, 1);
            EXPECT_TRUE(client.currentAtCreation);
            EXPECT_FALSE(client.renderer.empty());
            EXPECT_NE(client.frameThread, std::this_thread::get_id());
            const auto& t = client.frameTimes;
            for (std::size_t i = 1; i < t.size(); ++i)
            {
                EXPECT_LT(static_cast<std::int32_t>(t[i - 1] - t[i]), 0) << "frame " << i;
            }
            const double period =
                static_cast<double>(t.back() - t.front()) / static_cast<double>(t.size() - 1);
            EXPECT_GT(period, 25.0);
            EXPECT_LT(period, 60.0);
            const auto& c = client.frameClock;
            double shortest = 1e9;
            double longest = 0.0;
            for (std::size_t i = 1; i < c.size(); ++i)
            {
                const double ms = std::chrono::duration<double, std::milli>(c[i] - c[i - 1]).count();
                shortest = std::min(shortest, ms);
                longest = std::max(longest, ms);
            }
            std::printf("frame period: mean %.2f ms, %.2f to %.2f ms; %.0f ms of processor time in 1 s\n",
                        period, shortest, longest, cpu * 1000.0);
            RecordProperty("mean_frame_period_us", static_cast<int>(period * 1000.0));
        });

    EXPECT_TRUE(client.window->HasContext());
    client.window.reset();
    EXPECT_EQ(client.contextsReleased, 1);
    EXPECT_TRUE(client.currentAtRelease);
    EXPECT_TRUE(host.Children().empty());
}

TEST_F(X11Window, CreateReturnsOnceTheWindowExistsAndTheContextFollowsOnTheEditorThread)
{
    HostWindow host(10, 10, 400, 300);
    RecordingClient client;
    std::atomic<bool> opened{false};
    std::atomic<bool> createdAfterOpen{false};
    client.onContextCreated = [&]
    {
        // A first frame that takes long, as loading every texture on a software renderer does.
        const auto deadline = std::chrono::steady_clock::now() + 5s;
        while (!opened && std::chrono::steady_clock::now() < deadline)
        {
            std::this_thread::sleep_for(5ms);
        }
        createdAfterOpen = opened.load();
    };
    client.Open(host.Id(), 300, 200);
    opened = true;
    ASSERT_EQ(host.Children().size(), 1u) << "the window exists when Create returns";
    ASSERT_TRUE(client.WaitUntil([&] { return !client.frameTimes.empty(); }));
    EXPECT_TRUE(createdAfterOpen) << "Create waited for the context and the first frame";
    EXPECT_TRUE(client.window->HasContext());
    EXPECT_EQ(client.Locked([&] { return client.frameThread; }) == std::this_thread::get_id(), false);
}

TEST_F(X11Window, FramesShowWhatTheClientDrew)
{
    HostWindow host(10, 10, 400, 300);
    RecordingClient client;
    client.clearColour = 0xFF00FF;
    client.Open(host.Id(), 300, 200);
    ASSERT_TRUE(client.WaitUntil([&] { return client.frameTimes.size() >= 3; }));
    EXPECT_EQ(client.Locked([&] { return client.readBack; }), 0xFF00FFu);

    // On the screen: the whole child is the colour, the host around it is still its own grey.
    const std::uint32_t outside =
        KVX::Test::ReadWindowPixels(host.GetDisplay(), host.Id(), 350, 250, 1, 1).at(0);
    EXPECT_EQ(outside, 0x404040u);
    std::vector<std::uint32_t> inside;
    for (int attempt = 0; attempt < 100; ++attempt)
    {
        inside =
            KVX::Test::ReadWindowPixels(host.GetDisplay(), client.window->NativeHandle(), 0, 0, 300, 200);
        if (!inside.empty() && std::ranges::count(inside, 0xFF00FFu) == static_cast<long>(inside.size()))
        {
            break;
        }
        std::this_thread::sleep_for(20ms);
    }
    ASSERT_EQ(inside.size(), 300u * 200u);
    EXPECT_EQ(std::ranges::count(inside, 0xFF00FFu), 300 * 200);
}

TEST_F(X11Window, AFrameTheClientAbandonsIsNotPresented)
{
    HostWindow host(10, 10, 400, 300);
    RecordingClient client;
    client.clearColour = 0xFF00FF;
    client.abandonFrames = true; // drawn into the back buffer, then reported as not drawn
    client.Open(host.Id(), 300, 200);
    ASSERT_TRUE(client.WaitUntil([&] { return client.frameTimes.size() >= 5; }));
    const auto shown = [&]
    {
        const auto pixels =
            KVX::Test::ReadWindowPixels(host.GetDisplay(), client.window->NativeHandle(), 0, 0, 300, 200);
        return std::ranges::count(pixels, 0xFF00FFu);
    };
    EXPECT_EQ(shown(), 0);

    client.abandonFrames = false;
    EXPECT_TRUE(client.WaitUntil([&] { return shown() == 300 * 200; }, 5s)) << "frames that are drawn show";
}

TEST_F(X11Window, OpeningAndClosingRepeatedlyLeavesNothingBehind)
{
    HostWindow host(10, 10, 400, 300);
    {
        // The first context loads the GL driver, which keeps a few things for the process.
        RecordingClient warmUp;
        warmUp.Open(host.Id(), 300, 200);
    }
    const long fds = OpenFds();
    const long threads = Threads();

    const auto start = std::chrono::steady_clock::now();
    constexpr int kRounds = 50;
    for (int round = 0; round < kRounds; ++round)
    {
        RecordingClient client;
        client.Open(host.Id(), 300, 200); // most rounds close while the context is still being made
        ASSERT_EQ(host.Children().size(), 1u);
        if (round == 0)
        {
            std::printf("while open: %ld fds, %ld threads\n", OpenFds(), Threads());
        }
        if (round % 10 == 0)
        {
            // Now and then let it run, so frames and the close race with each other.
            ASSERT_TRUE(client.WaitUntil([&] { return !client.frameTimes.empty(); }));
            ASSERT_TRUE(client.window->HasContext());
        }
    }
    const double each =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / kRounds;
    std::printf("open and close: %.1f ms each; %ld fds, %ld threads\n", each, fds, threads);
    RecordProperty("open_close_us", static_cast<int>(each * 1000.0));

    EXPECT_EQ(OpenFds(), fds);
    EXPECT_EQ(Threads(), threads);
    EXPECT_TRUE(host.Children().empty());
}

TEST_F(X11Window, AParentThatDoesNotExistIsAWindowError)
{
    HostWindow host(10, 10, 100, 100);
    const ::Window missing = host.Id() + 0x1000; // in our client's id range, never allocated
    const long fds = OpenFds();
    const long threads = Threads();
    RecordingClient client;
    try
    {
        client.Open(missing, 300, 200);
        FAIL() << "no error";
    }
    catch (const SystemError& e)
    {
        EXPECT_FALSE(e.openGL);
        EXPECT_EQ(e.code, BadWindow);
        EXPECT_FALSE(e.function.empty());
    }
    EXPECT_FALSE(client.window);
    EXPECT_EQ(client.contextsCreated, 0);
    EXPECT_EQ(OpenFds(), fds);
    EXPECT_EQ(Threads(), threads);
}

TEST_F(X11Window, AFailingContextSetUpGoesToTheClientAndLeavesTheWindowWithoutContext)
{
    struct Refused
    {
        Refused() : self(this) {}
        const Refused* self;
    };
    HostWindow host(10, 10, 400, 300);
    RecordingClient client;
    client.onContextCreated = [] { throw Refused(); };
    client.Open(host.Id(), 300, 200);
    ASSERT_TRUE(client.window);
    ASSERT_TRUE(client.WaitUntil([&] { return client.contextFailure != nullptr; }));
    try
    {
        std::rethrow_exception(client.Locked([&] { return client.contextFailure; }));
    }
    catch (const Refused& e)
    {
        EXPECT_EQ(e.self, &e); // the very object thrown on the editor thread
    }
    EXPECT_FALSE(client.window->HasContext());
    ASSERT_EQ(host.Children().size(), 1u);
    EXPECT_EQ(host.Children()[0], client.window->NativeHandle());

    std::this_thread::sleep_for(200ms); // several ticks
    client.window.reset();
    EXPECT_TRUE(client.frameTimes.empty());
    EXPECT_EQ(client.contextsReleased, 0);
    EXPECT_TRUE(host.Children().empty());
}

TEST_F(X11Window, AServerWithoutOpenGLGivesAWindowWithoutContext)
{
    KVX::Test::Xvfb::Options options;
    options.arguments = {"-extension", "GLX"};
    KVX::Test::Xvfb server(options); // DISPLAY points at this one until the end of the test
    HostWindow host(10, 10, 400, 300);
    RecordingClient client;
    client.Open(host.Id(), 300, 200);
    ASSERT_TRUE(client.window);
    ASSERT_TRUE(client.WaitUntil([&] { return client.contextFailure != nullptr; }));
    try
    {
        std::rethrow_exception(client.Locked([&] { return client.contextFailure; }));
    }
    catch (const SystemError& e)
    {
        EXPECT_TRUE(e.openGL);
        EXPECT_EQ(e.function, "glXChooseFBConfig");
    }
    EXPECT_FALSE(client.window->HasContext());
    EXPECT_EQ(host.Children().size(), 1u);
    EXPECT_EQ(client.contextsCreated, 0);
}

// A host that closes its window before the editor, with an X error handler of its own.
void OpenAndLoseTheParent()
{
    HostWindow host(10, 10, 400, 300);
    RecordingClient client;
    client.Open(host.Id(), 300, 200);
    ASSERT_TRUE(client.WaitUntil([&] { return client.frameTimes.size() >= 2; }));
    host.Destroy();
    std::this_thread::sleep_for(100ms); // frames and events meet the missing window
    client.window.reset();
    EXPECT_EQ(client.contextsReleased, 1);
}

void ProvokeAnErrorOnTheHostsConnection()
{
    HostWindow host(10, 10, 10, 10);
    XMapWindow(host.GetDisplay(), host.Id() + 0x1000);
    XSync(host.GetDisplay(), False);
}

TEST_F(X11Window, TheHostMayDestroyItsWindowFirstAndKeepsItsOwnErrorHandling)
{
    g_HostErrors = 0;
    const XErrorHandler previous = XSetErrorHandler(CountError);
    OpenAndLoseTheParent();
    EXPECT_EQ(g_HostErrors, 0) << "errors of the editor's connection reached the host";
    ProvokeAnErrorOnTheHostsConnection();
    EXPECT_EQ(g_HostErrors, 1) << "an error on the host's connection goes to the host's handler";

    // A host that installs its handler again, over ours, still sees none of the editor's errors.
    XSetErrorHandler(CountError);
    OpenAndLoseTheParent();
    ProvokeAnErrorOnTheHostsConnection();
    EXPECT_EQ(g_HostErrors, 2);
    XSetErrorHandler(previous);
}

TEST_F(X11Window, FocusGoesToTheWindowOnlyWhenItIsViewable)
{
    HostWindow host(10, 10, 400, 300);
    RecordingClient client;
    client.Open(host.Id(), 300, 200);
    ASSERT_TRUE(client.RunOnEditorThread([](KVX::Platform::Window& w) { w.SetFocus(); }));
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(host.GetDisplay(), &focus, &revert);
    EXPECT_EQ(focus, client.window->NativeHandle());

    XSetInputFocus(host.GetDisplay(), PointerRoot, RevertToPointerRoot, CurrentTime);
    XUnmapWindow(host.GetDisplay(), host.Id());
    XSync(host.GetDisplay(), False);
    ASSERT_TRUE(client.RunOnEditorThread([](KVX::Platform::Window& w) { w.SetFocus(); }));
    XGetInputFocus(host.GetDisplay(), &focus, &revert);
    EXPECT_EQ(focus, static_cast<::Window>(PointerRoot));
}

TEST_F(X11Window, CursorHotSpotNeedsNoWindowAndNoDisplay)
{
    int x = -1;
    int y = -1;
    KVX::Platform::CursorHotSpot(x, y);
    EXPECT_GE(x, 0);
    EXPECT_GE(y, 0);
    EXPECT_LT(x, 64);
    EXPECT_LT(y, 64);

    const std::string display = std::getenv("DISPLAY");
    unsetenv("DISPLAY");
    x = -1;
    y = -1;
    KVX::Platform::CursorHotSpot(x, y);
    setenv("DISPLAY", display.c_str(), 1);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
}
} // namespace
