// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/x11_window.h"

#include "platform/linux/window_closing.h"

#include <X11/extensions/Xfixes.h>

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>

namespace KVX::Platform
{
namespace
{
using Clock = std::chrono::steady_clock;

constexpr long kEventMask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask | EnterWindowMask |
                            LeaveWindowMask | ExposureMask | StructureNotifyMask | FocusChangeMask;
// Keys do nothing in the panel. While the window has the focus they are taken and dropped, as the
// Windows version does; otherwise they are not selected, because X hands keys to the window under the
// pointer, and taking them there would cut the host off its shortcuts whenever the mouse is over us.
constexpr long kFocusedEventMask = kEventMask | KeyPressMask | KeyReleaseMask;
constexpr unsigned kGrabMask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;

// The frame clock's time: CLOCK_MONOTONIC in milliseconds, wrapping like the Windows tick count.
std::uint32_t NowMs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint32_t>(static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                                      static_cast<std::uint64_t>(now.tv_nsec) / 1000000u);
}

// A client callback that throws must not end the host: there is nobody on this thread to tell, so the
// failure is written out and the loop goes on.
template <class Call> bool Guarded(const char* what, Call&& call)
{
    try
    {
        call();
        return true;
    }
    catch (const std::exception& e)
    {
        std::fprintf(stderr, "KVX editor: %s failed: %s\n", what, e.what());
    }
    catch (...)
    {
        std::fprintf(stderr, "KVX editor: %s failed\n", what);
    }
    return false;
}
} // namespace

void Window::Create(const WindowOptions& options, WindowClient* client, std::unique_ptr<Window>& window)
{
    auto created = std::make_unique<X11Window>(options, client);
    created->Start();
    X11Window* running = created.get();
    window = std::move(created);
    running->Run();
}

namespace
{
std::uint64_t PackSize(int width, int height)
{
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(std::max(1, width))) << 32) |
           static_cast<std::uint32_t>(std::max(1, height));
}
} // namespace

X11Window::X11Window(const WindowOptions& options, WindowClient* client)
    : m_options(options), m_client(client), m_size(PackSize(options.width, options.height)),
      m_appliedSize(m_size.load())
{
}

X11Window::~X11Window()
{
    if (m_thread.joinable())
    {
        {
            std::lock_guard lock(m_mutex);
            m_stopping = true;
        }
        m_changed.notify_all();
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = write(m_wakeFd, &one, sizeof one);
        m_thread.join();
    }
    if (m_wakeFd >= 0)
    {
        close(m_wakeFd);
    }
    if (m_resizeFd >= 0)
    {
        close(m_resizeFd);
    }
}

void X11Window::Start()
{
    m_wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_wakeFd < 0)
    {
        throw SystemError("eventfd", errno, false);
    }
    m_resizeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_resizeFd < 0)
    {
        throw SystemError("eventfd", errno, false);
    }
    m_thread = std::thread([this] { ThreadMain(); });

    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stage != Stage::Starting; });
    if (m_stage == Stage::WindowFailed)
    {
        lock.unlock();
        m_thread.join();
        std::rethrow_exception(m_failure);
    }
}

void X11Window::Run()
{
    {
        std::lock_guard lock(m_mutex);
        m_running = true;
    }
    m_changed.notify_all();
}

void X11Window::Report(Stage stage, std::exception_ptr failure)
{
    {
        std::lock_guard lock(m_mutex);
        m_stage = stage;
        m_failure = std::move(failure);
    }
    m_changed.notify_all();
}

void X11Window::ThreadMain()
{
    m_threadId = std::this_thread::get_id();
    pthread_setname_np(pthread_self(), "kvx-editor");
    // An error box shown on this thread (a failed context or frame) stops waiting when the host closes us.
    Linux::SetWindowClosingSignal(m_wakeFd);
    try
    {
        OpenWindow();
    }
    catch (...)
    {
        CloseDisplay();
        Report(Stage::WindowFailed, std::current_exception());
        return;
    }

    Report(Stage::Ready, nullptr);

    bool run = false;
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_running || m_stopping; });
        run = !m_stopping;
    }
    if (run)
    {
        // A close that came meanwhile skips the context and its first frame.
        if (!m_stopping)
        {
            std::exception_ptr contextFailure;
            try
            {
                OpenContext();
            }
            catch (...)
            {
                contextFailure = std::current_exception();
            }
            m_hasContext = m_context != nullptr;
            if (contextFailure)
            {
                Guarded("reporting the context failure", [&] { m_client->OnContextFailed(contextFailure); });
            }
        }
        Loop();
    }
    CloseWindow(run);
}

void X11Window::OpenWindow()
{
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr)
    {
        throw SystemError("XOpenDisplay", 0, false);
    }
    m_trap = std::make_unique<X11ErrorTrap>(m_display);

    // The parent decides the screen; a bad id ends here rather than in XCreateWindow.
    const auto parent = static_cast<::Window>(m_options.parent);
    XWindowAttributes parentAttributes{};
    const Status known = XGetWindowAttributes(m_display, parent, &parentAttributes);
    if (int error = m_trap->Take(); !known || error != Success)
    {
        throw SystemError("XGetWindowAttributes", error != Success ? error : BadWindow, false);
    }
    const int screen = XScreenNumberOfScreen(parentAttributes.screen);
    m_screen = screen;
    m_root = RootWindow(m_display, screen);

    XSetWindowAttributes attributes{};
    attributes.background_pixmap = None; // never erased: every frame covers the whole window
    attributes.border_pixel = 0;
    attributes.event_mask = kEventMask;
    unsigned long mask = CWBackPixmap | CWBorderPixel | CWEventMask;
    Visual* visual = CopyFromParent;
    int depth = CopyFromParent;
    m_formatFound = ChooseGlxFormat(m_display, screen, m_format);
    if (m_formatFound)
    {
        // A visual of its own needs a colormap of its own, whatever the parent uses.
        m_colormap = XCreateColormap(m_display, m_root, m_format.visual.visual, AllocNone);
        attributes.colormap = m_colormap;
        mask |= CWColormap;
        visual = m_format.visual.visual;
        depth = m_format.visual.depth;
    }

    const auto width = static_cast<unsigned>(std::max(1, m_options.width));
    const auto height = static_cast<unsigned>(std::max(1, m_options.height));
    m_window = XCreateWindow(m_display, parent, 0, 0, width, height, 0, depth, InputOutput, visual, mask,
                             &attributes);
    if (int error = m_trap->Sync(); error != Success)
    {
        m_window = 0;
        throw SystemError("XCreateWindow", error, false);
    }
    XMapWindow(m_display, m_window);

    int eventBase = 0;
    int errorBase = 0;
    int major = 4;
    int minor = 0;
    m_hasXFixes = XFixesQueryExtension(m_display, &eventBase, &errorBase) &&
                  XFixesQueryVersion(m_display, &major, &minor) && major >= 4;
    m_trap->Sync();
}

void X11Window::OpenContext()
{
    if (!m_formatFound)
    {
        throw SystemError("glXChooseFBConfig", 0, true);
    }
    m_context = CreateCurrentContext(m_display, m_format, m_window, *m_trap);
    try
    {
        m_client->OnContextCreated();
    }
    catch (...)
    {
        DestroyContext(m_display, m_context);
        m_context = nullptr;
        throw;
    }
}

void X11Window::Loop()
{
    const auto period = std::chrono::milliseconds(std::max(1u, m_options.framePeriodMs));
    pollfd watched[3] = {
        {ConnectionNumber(m_display), POLLIN, 0}, {m_wakeFd, POLLIN, 0}, {m_resizeFd, POLLIN, 0}};
    auto nextFrame = Clock::now();
    while (!m_stopping)
    {
        DispatchEvents();
        ApplyResize();
        const auto now = Clock::now();
        if (now >= nextFrame || m_exposed)
        {
            m_exposed = false;
            DrawFrame();
            // After a stall the next frame follows at once; missed ticks are not made up in a burst.
            nextFrame = std::max(nextFrame + period, Clock::now());
            continue;
        }
        XFlush(m_display);
        if (XEventsQueued(m_display, QueuedAlready) > 0)
        {
            continue;
        }
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(nextFrame - now);
        const timespec timeout{static_cast<time_t>(wait.count() / 1000000000),
                               static_cast<long>(wait.count() % 1000000000)};
        ppoll(watched, 3, &timeout, nullptr);
    }
}

void X11Window::DispatchEvents()
{
    while (!m_stopping && XPending(m_display) > 0)
    {
        XEvent event{};
        XNextEvent(m_display, &event);
        switch (event.type)
        {
        case MotionNotify:
            // Only the newest of a run of moves matters; a move is never taken across another event.
            while (XEventsQueued(m_display, QueuedAlready) > 0)
            {
                XEvent next{};
                XPeekEvent(m_display, &next);
                if (next.type != MotionNotify || next.xmotion.window != event.xmotion.window)
                {
                    break;
                }
                XNextEvent(m_display, &event);
            }
            break;
        case FocusIn:
        case FocusOut:
            if (event.xfocus.window != m_window)
            {
                break; // the text field's own focus changes go to the field below
            }
            // The window itself gained or lost the focus (not a window inside it, nor the pointer's
            // window under a pointer-root focus, nor a keyboard grab coming and going).
            if (event.xfocus.detail != NotifyInferior && event.xfocus.detail != NotifyPointer &&
                event.xfocus.mode != NotifyGrab && event.xfocus.mode != NotifyUngrab)
            {
                XSelectInput(m_display, m_window, event.type == FocusIn ? kFocusedEventMask : kEventMask);
            }
            continue;
        case Expose:
            // The last of a run of exposures: with GLX the back buffer is undefined after a swap, so the
            // uncovered picture is drawn again rather than presented again.
            if (event.xexpose.window == m_window && event.xexpose.count == 0)
            {
                Guarded("an exposure", [this] { m_client->OnExposed(); });
                m_exposed = true;
            }
            continue;
        case DestroyNotify:
            // The host destroyed its window, and ours with it.
            if (event.xdestroywindow.window == m_window)
            {
                m_windowGone = true;
                if (m_field)
                {
                    m_field->ForgetWindow(); // gone with ours
                }
            }
            continue;
        default:
            break;
        }
        if (event.xany.window == m_window)
        {
            // The pointer input gives the panel no middle button (as on Windows, where the panel never
            // receives it), so a middle press neither ends a drag nor commits a shown text field.
            Guarded("a mouse event", [&] { m_input.Handle(event, *m_client); });
        }
        else if (m_field && event.xany.window == m_field->Handle())
        {
            Guarded("a text field event", [&] { m_field->HandleEvent(event); });
        }
    }
}

void X11Window::Resize(int width, int height)
{
    const std::uint64_t size = PackSize(std::min(width, 32767), std::min(height, 32767));
    if (m_size.exchange(size) != size && m_resizeFd >= 0)
    {
        const std::uint64_t one = 1;
        [[maybe_unused]] const auto written = write(m_resizeFd, &one, sizeof one);
    }
}

void X11Window::Size(int& width, int& height) const
{
    const std::uint64_t size = m_size.load();
    width = static_cast<int>(size >> 32);
    height = static_cast<int>(size & 0xFFFFFFFFu);
}

void X11Window::ApplyResize()
{
    std::uint64_t count = 0;
    [[maybe_unused]] const auto read = ::read(m_resizeFd, &count, sizeof count);
    const std::uint64_t size = m_size.load();
    if (size == m_appliedSize || m_windowGone)
    {
        return;
    }
    m_appliedSize = size;
    const auto width = static_cast<int>(size >> 32);
    const auto height = static_cast<int>(size & 0xFFFFFFFFu);
    XResizeWindow(m_display, m_window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (m_context != nullptr)
    {
        Guarded("a resize", [&] { m_client->OnResized(width, height); });
    }
    m_exposed = true; // the new size is drawn at once
}

void X11Window::DrawFrame()
{
    if (m_context == nullptr || m_windowGone)
    {
        return;
    }
    bool drawn = false;
    Guarded("a frame", [this, &drawn] { drawn = m_client->OnFrame(NowMs()); });
    if (drawn)
    {
        glXSwapBuffers(m_display, m_window); // an abandoned frame is half drawn: it is not shown
        m_presented.fetch_add(1, std::memory_order_relaxed);
    }
}

void X11Window::CloseWindow(bool ran)
{
    if (ran)
    {
        Guarded("closing", [this] { m_client->OnWindowClosing(); });
    }
    if (m_field)
    {
        // Closing takes the focus from a shown field, which commits what was typed.
        Guarded("committing the text field", [this] { m_field->CommitIfShown(); });
        m_field.reset();
    }
    if (m_context != nullptr)
    {
        Guarded("releasing the context", [this] { m_client->OnContextReleasing(); });
        DestroyContext(m_display, m_context);
        m_context = nullptr;
    }
    if (m_cursorHidden)
    {
        XFixesShowCursor(m_display, m_root);
        m_cursorHidden = false;
    }
    XUngrabPointer(m_display, CurrentTime);
    if (!m_windowGone)
    {
        XUnmapWindow(m_display, m_window);
        XDestroyWindow(m_display, m_window);
    }
    if (m_colormap != 0)
    {
        XFreeColormap(m_display, m_colormap);
    }
    CloseDisplay();
}

void X11Window::CloseDisplay()
{
    if (m_display != nullptr)
    {
        if (m_trap)
        {
            m_trap->Sync(); // errors of the last requests (a window already gone) land in the trap
        }
        XCloseDisplay(m_display);
        m_display = nullptr;
    }
    m_trap.reset();
}

bool X11Window::Usable() const
{
    return std::this_thread::get_id() == m_threadId && m_display != nullptr && !m_windowGone;
}

void X11Window::SetCapture()
{
    if (Usable())
    {
        XGrabPointer(m_display, m_window, False, kGrabMask, GrabModeAsync, GrabModeAsync, None, None,
                     CurrentTime);
    }
}

void X11Window::ReleaseCapture()
{
    if (Usable())
    {
        XUngrabPointer(m_display, CurrentTime);
        XFlush(m_display);
    }
}

void X11Window::SetFocus()
{
    if (!Usable())
    {
        return;
    }
    // Focus can only go to a viewable window; asking otherwise is an error, so just do nothing.
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(m_display, m_window, &attributes) && attributes.map_state == IsViewable)
    {
        XSelectInput(m_display, m_window, kFocusedEventMask);
        XSetInputFocus(m_display, m_window, RevertToParent, CurrentTime);
        XFlush(m_display);
    }
}

TextField* X11Window::GetTextField(TextFieldClient* client)
{
    if (std::this_thread::get_id() != m_threadId || m_display == nullptr)
    {
        return nullptr;
    }
    // Once made, the field answers even after the host destroyed the window: the client may still
    // read and hide it.
    if (m_field || m_windowGone || client == nullptr)
    {
        return m_field.get();
    }
    m_trap->Sync(); // older errors are not the field's
    auto field = std::make_unique<X11TextField>(m_display, m_screen, m_window, client);
    if (m_trap->Sync() != Success)
    {
        field->ForgetWindow();
        return nullptr;
    }
    m_field = std::move(field);
    return m_field.get();
}

bool X11Window::GetCursorScreenPos(int& x, int& y)
{
    if (std::this_thread::get_id() != m_threadId || m_display == nullptr)
    {
        return false;
    }
    ::Window root = 0;
    ::Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int windowX = 0;
    int windowY = 0;
    unsigned state = 0;
    if (!XQueryPointer(m_display, m_root, &root, &child, &rootX, &rootY, &windowX, &windowY, &state))
    {
        return false; // the pointer is on another screen
    }
    x = rootX;
    y = rootY;
    return true;
}

void X11Window::SetCursorScreenPos(int x, int y)
{
    if (std::this_thread::get_id() == m_threadId && m_display != nullptr)
    {
        XWarpPointer(m_display, None, m_root, 0, 0, 0, 0, x, y);
        XFlush(m_display);
    }
}

void X11Window::ShowCursor(bool show)
{
    // Hiding is counted by the server; keeping one flag makes it a plain on/off switch. The root window
    // only names the screen: the cursor stays hidden while a drag takes it outside the panel.
    if (std::this_thread::get_id() != m_threadId || m_display == nullptr || !m_hasXFixes ||
        show != m_cursorHidden)
    {
        return;
    }
    if (show)
    {
        XFixesShowCursor(m_display, m_root);
    }
    else
    {
        XFixesHideCursor(m_display, m_root);
    }
    m_cursorHidden = !show;
    XFlush(m_display);
}
} // namespace KVX::Platform
