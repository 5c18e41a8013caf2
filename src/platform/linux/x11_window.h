// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel's window on X11: a child of the host's window with a GLX context, run by a thread of its own.
//
// Threads: the host's thread only creates and destroys the window. Everything else happens on the
// editor thread, which owns the display connection, the window and the context; every WindowClient call
// runs there with the context current, and the Window operations meant for the client (capture, focus,
// cursor, text field) act only when called from there. NativeHandle and HasContext are fixed before Create
// returns and may be read from any thread.
#include "platform/linux/glx_context.h"
#include "platform/linux/pointer_input.h"
#include "platform/linux/x11_error_trap.h"
#include "platform/linux/x11_text_field.h"
#include "platform/window.h"

#include <X11/Xlib.h>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace KVX::Platform
{
class X11Window final : public Window
{
public:
    X11Window(const WindowOptions& options, WindowClient* client);
    ~X11Window() override;

    // Starts the editor thread and waits until the window exists; throws SystemError when it cannot be
    // made.
    void Start();
    // Lets the thread make the context and deliver frames and events; called once the caller holds the
    // window, so that the client can reach it from its first callback.
    void Run();

    std::uintptr_t NativeHandle() const override { return m_window; }
    bool HasContext() const override { return m_hasContext; }
    std::uint64_t PresentedFrames() const override { return m_presented.load(std::memory_order_relaxed); }
    void SetCapture() override;
    void ReleaseCapture() override;
    void SetFocus() override;
    bool GetCursorScreenPos(int& x, int& y) override;
    void SetCursorScreenPos(int x, int y) override;
    void ShowCursor(bool show) override;
    // Made on the editor thread for the first client that asks; later clients get the same field.
    TextField* GetTextField(TextFieldClient* client) override;
    void Resize(int width, int height) override;
    void Size(int& width, int& height) const override;

private:
    enum class Stage
    {
        Starting,
        WindowFailed,
        Ready
    };

    void ThreadMain();
    void OpenWindow();
    void OpenContext();
    void Loop();
    void DispatchEvents();
    void DrawFrame();
    // Takes a size asked for from another thread, if any.
    void ApplyResize();
    // `ran`: the client has had the window (and so may have a press or an edit under way).
    void CloseWindow(bool ran);
    void CloseDisplay();
    bool Usable() const;
    void Report(Stage stage, std::exception_ptr failure);

    const WindowOptions m_options;
    WindowClient* const m_client;

    // Hand-over between the creating thread and the editor thread.
    std::mutex m_mutex;
    std::condition_variable m_changed;
    Stage m_stage = Stage::Starting;
    std::exception_ptr m_failure;
    bool m_running = false;
    std::atomic<bool> m_stopping{false};
    int m_wakeFd = -1;   // stays readable once the window closes
    int m_resizeFd = -1; // a new size waits (read empty when taken)
    // The size asked for last, width in the high half; read and written from any thread.
    std::atomic<std::uint64_t> m_size{0};
    std::uint64_t m_appliedSize = 0; // editor thread
    std::thread m_thread;
    std::thread::id m_threadId;

    // Owned by the editor thread once it runs.
    Display* m_display = nullptr;
    std::unique_ptr<X11ErrorTrap> m_trap;
    int m_screen = 0;
    ::Window m_root = 0;
    ::Window m_window = 0;
    Colormap m_colormap = 0;
    GlxFormat m_format;
    bool m_formatFound = false;
    GLXContext m_context = nullptr;
    std::atomic<bool> m_hasContext{false}; // read from any thread
    bool m_hasXFixes = false;
    bool m_windowGone = false;
    bool m_exposed = false; // draw at once, not at the next tick
    std::atomic<std::uint64_t> m_presented{0};
    bool m_cursorHidden = false;
    PointerInput m_input;
    std::unique_ptr<X11TextField> m_field;
};
} // namespace KVX::Platform
