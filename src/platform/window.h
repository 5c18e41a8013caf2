// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel's child window with its OpenGL context, frame clock and input events.
//
// On Linux the window runs a thread of its own: it owns its X display connection, the child window of the
// host's window, the GLX context, the event handling and the frame clock, because many hosts never call
// the editor's idle and no message loop of ours runs on the host's thread. Every WindowClient call
// arrives on that thread, with the window's OpenGL context current.
#include "platform/text_field.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

namespace KVX::Platform
{
// Bits of the key word passed with mouse events.
enum : std::uint32_t
{
    kKeyLeft = 1,
    kKeyRight = 2,
    kKeyShift = 4,
    kKeyCtrl = 8,
    kKeyMiddle = 16
};

// A failing platform call while the window or its context is being made. `openGL` tells a context
// failure (reported as an OpenGL error) from a window failure.
class SystemError : public std::runtime_error
{
public:
    SystemError(std::string function, long code, bool openGL)
        : std::runtime_error(function), function(std::move(function)), code(code), openGL(openGL)
    {
    }
    std::string function;
    long code;
    bool openGL;
};

class WindowClient
{
public:
    virtual ~WindowClient() = default;
    // The context has just been created and made current. May throw; the window then carries on without
    // a context (no frames are drawn) and what was thrown goes to OnContextFailed.
    virtual void OnContextCreated() = 0;
    // The context could not be made, or OnContextCreated threw: `failure` holds what was thrown (a
    // SystemError for the platform's own calls). Called once, on the window's thread; no frames follow.
    virtual void OnContextFailed(std::exception_ptr failure) = 0;
    // One tick of the frame clock; `timeMs` is a millisecond clock (wrapping at 2^32). Returns whether
    // the frame was drawn: only then is the back buffer presented after the call.
    virtual bool OnFrame(std::uint32_t timeMs) = 0;
    // The context is about to be destroyed (still current): give back textures and programs.
    virtual void OnContextReleasing() = 0;
    // The window is about to close, on its thread, before OnContextReleasing and while capture, focus,
    // cursor and text field still work: whatever the user had under way ends here as a release would.
    virtual void OnWindowClosing() {}
    // What the window showed was lost (uncovered, or an undefined back buffer must be shown again): the
    // next OnFrame must draw the whole picture. The window ticks at once after this.
    virtual void OnExposed() {}
    // The window has taken a new size (physical pixels) asked for with Window::Resize; the next frame
    // draws at it. Called with the context current, before that frame.
    virtual void OnResized(int width, int height)
    {
        (void)width;
        (void)height;
    }
    // The system's scale for the window changed (it moved to a monitor of another density, or the user
    // changed the setting): 1 = 96 dots per inch. Only where the platform tells such a thing.
    virtual void OnSystemScaleChanged(double scale) { (void)scale; }

    // Client pixels (origin top left); `keys` holds the kKey bits valid during the event.
    virtual void OnMouseDown(int x, int y, std::uint32_t keys) = 0;
    virtual void OnMouseUp(int x, int y, std::uint32_t keys) = 0;
    virtual void OnMouseMove(int x, int y, std::uint32_t keys) = 0;
    virtual void OnDoubleClick(int x, int y, std::uint32_t keys) = 0;
    virtual void OnMouseWheel(float steps, std::uint32_t keys) = 0;
    // The pointer went out of the window (not into a window inside it). Where the platform tells no
    // such thing, never called.
    virtual void OnMouseLeftWindow() {}
};

struct WindowOptions
{
    std::uintptr_t parent = 0; // the host's window (an X11 window id on Linux, an HWND on Windows)
    int width = 0;
    int height = 0;
    unsigned framePeriodMs = 33;
};

class Window
{
public:
    // Creates the child window and starts the frame clock; throws SystemError when the window cannot be
    // made, and leaves `window` alone then. The context follows, and with it OnContextCreated (which
    // draws the first frame) or OnContextFailed: on Linux on the window's own thread after Create has
    // returned, because making them takes long on a software renderer and hosts open editors on their
    // user-interface thread; on Windows inside Create. Callbacks begin only once `window` holds the new
    // window, so the client can use it from its first callback on.
    static void Create(const WindowOptions& options, WindowClient* client, std::unique_ptr<Window>& window);

    // Stops the clock and the thread, releases the context (after OnContextReleasing) and the window.
    virtual ~Window() = default;

    virtual std::uintptr_t NativeHandle() const = 0;
    // The context exists (on Linux it may still be on its way for a while after Create).
    virtual bool HasContext() const = 0;
    // Makes the window's context current on the calling thread if it is not; false with the system's
    // error code when that fails. Called by the client at the start of each frame.
    virtual bool MakeContextCurrent(long& code)
    {
        code = 0;
        return true;
    }

    // Called from within client callbacks; on Linux they do nothing on any other thread.
    // Capture: moves and releases come to this window wherever the pointer goes, until released.
    virtual void SetCapture() = 0;
    virtual void ReleaseCapture() = 0;
    virtual void SetFocus() = 0;
    virtual bool GetCursorScreenPos(int& x, int& y) = 0;
    virtual void SetCursorScreenPos(int x, int y) = 0;
    // On or off, not counted: one show undoes any number of hides.
    virtual void ShowCursor(bool show) = 0;

    // Gives the window a new size in physical pixels; may be called from the thread that created it. On
    // Linux it takes effect on the window's thread before its next frame; OnResized follows there.
    virtual void Resize(int width, int height) = 0;
    // The window's size in physical pixels as last asked for (any thread).
    virtual void Size(int& width, int& height) const = 0;

    // How many frames have been put on screen (buffer swaps) since the window opened; any thread.
    virtual std::uint64_t PresentedFrames() const { return 0; }

    // The window's text field, made on first use for `client`; null where the platform has none.
    virtual TextField* GetTextField(TextFieldClient* client)
    {
        (void)client;
        return nullptr;
    }
};

// The system's scale for a window (1 = 96 dots per inch, as the platform counts it), unclamped: on Linux
// the X resources' Xft.dpi (1 without it or without a display), on Windows the DPI the system gives the
// window (the monitor's for a process that is per-monitor aware, the system's otherwise; with no window,
// the system's). Any thread; never the audio thread.
double SystemScale(std::uintptr_t window);

// Offset from the pointer position to the hot spot of the system's arrow cursor (0, 0 where unknown).
// Needs no window; may be called on any thread, also where there is no display.
void CursorHotSpot(int& x, int& y);
} // namespace KVX::Platform
