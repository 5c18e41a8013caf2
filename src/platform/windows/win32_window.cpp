// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/win32_window.h"

#include "platform/windows/callback_guard.h"
#include "platform/windows/module_instance.h"
#include "platform/windows/wgl_context.h"

#include <shellapi.h>

#include <exception>

// Older headers lack them; the system sends them from Windows 8.1 and 10 (1607) on.
#ifndef WM_DPICHANGED
#define WM_DPICHANGED 0x02E0
#endif
#ifndef WM_DPICHANGED_AFTERPARENT
#define WM_DPICHANGED_AFTERPARENT 0x02E3
#endif

namespace KVX::Platform
{
using Windows::Win32Window;

void Window::Create(const WindowOptions& options, WindowClient* client, std::unique_ptr<Window>& window)
{
    auto created = std::make_unique<Win32Window>(options, client);
    created->CreateNativeWindow();
    Win32Window* made = created.get();
    window = std::move(created);
    made->StartClock();
    std::exception_ptr contextFailure;
    try
    {
        made->CreateContext();
    }
    catch (...)
    {
        contextFailure = std::current_exception();
    }
    if (contextFailure)
    {
        Windows::Guarded("reporting the context failure", [&] { client->OnContextFailed(contextFailure); });
    }
    made->Show();
}
} // namespace KVX::Platform

namespace KVX::Platform::Windows
{
namespace
{
// Client pixels from a mouse message: sign-extended, as a drag may leave the window to the left or top.
int X(LPARAM lParam)
{
    return static_cast<short>(LOWORD(lParam));
}

int Y(LPARAM lParam)
{
    return static_cast<short>(HIWORD(lParam));
}

// The mouse message's key word carries the same bits as the client's key word.
std::uint32_t Keys(WPARAM wParam)
{
    return static_cast<std::uint32_t>(LOWORD(wParam));
}

Win32Window* FromWindow(HWND window)
{
    return reinterpret_cast<Win32Window*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}
} // namespace

Win32Window::Win32Window(const WindowOptions& options, WindowClient* client)
    : m_Options(options), m_Client(client), m_Instance(ModuleInstance())
{
}

Win32Window::~Win32Window()
{
    if (m_Window != nullptr)
    {
        // The client applies an open edit and ends a press here, while the window still works.
        Guarded("closing", [this] { m_Client->OnWindowClosing(); });
    }
    if (m_Edit)
    {
        m_Edit->Detach(); // the client is done: the focus leaving the dying field commits nothing more
    }
    DestroyContext();
    if (m_CursorHidden)
    {
        ::ShowCursor(TRUE);
        m_CursorHidden = false;
    }
    if (m_Window != nullptr)
    {
        if (m_TimerRunning)
        {
            KillTimer(m_Window, TimerId());
        }
        SetWindowLongPtrW(m_Window, GWLP_USERDATA, 0); // late messages find no window object
        ShowWindow(m_Window, SW_HIDE);
        DestroyWindow(m_Window); // destroys the edit control with it
        m_Window = nullptr;
    }
    m_Edit.reset();
    // Fails while another panel's window still uses the class; its own close unregisters it then.
    UnregisterClassW(kClassName, m_Instance);
}

void Win32Window::CreateNativeWindow()
{
    WNDCLASSW windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = &Win32Window::WindowProc;
    windowClass.hInstance = m_Instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kClassName;
    RegisterClassW(&windowClass); // a class left registered by an earlier open is reused

    const int width = m_Options.width > 0 ? m_Options.width : 1;
    const int height = m_Options.height > 0 ? m_Options.height : 1;
    m_Width = width;
    m_Height = height;
    m_Window = CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_CLIPCHILDREN, 0, 0, width, height,
                               reinterpret_cast<HWND>(m_Options.parent), nullptr, m_Instance, nullptr);
    if (m_Window == nullptr)
    {
        throw SystemError("CreateWindow", static_cast<long>(GetLastError()), false);
    }
    DragAcceptFiles(m_Window, TRUE);
    SetWindowLongPtrW(m_Window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

void Win32Window::StartClock()
{
    const UINT period = m_Options.framePeriodMs > 0 ? m_Options.framePeriodMs : 1;
    m_TimerRunning = SetTimer(m_Window, TimerId(), period, &Win32Window::TimerProc) != 0;
}

void Win32Window::CreateContext()
{
    m_DC = GetDC(m_Window);
    if (m_DC == nullptr)
    {
        throw SystemError("GetDC", 0, true);
    }
    try
    {
        m_Context = CreateCurrentContext(m_DC);
    }
    catch (...)
    {
        ReleaseDC(m_Window, m_DC);
        m_DC = nullptr;
        throw;
    }
    try
    {
        m_Client->OnContextCreated();
    }
    catch (...)
    {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(m_Context);
        m_Context = nullptr;
        ReleaseDC(m_Window, m_DC);
        m_DC = nullptr;
        throw;
    }
}

void Win32Window::Show()
{
    ShowWindow(m_Window, SW_SHOW);
    if (m_Context != nullptr)
    {
        InvalidateRect(m_Window, nullptr, FALSE);
    }
    UpdateWindow(m_Window);
}

void Win32Window::DestroyContext()
{
    if (m_Context == nullptr)
    {
        return;
    }
    {
        CurrentContextScope scope(m_DC, m_Context);
        if (scope.Current())
        {
            Guarded("releasing the context", [this] { m_Client->OnContextReleasing(); });
        }
        if (wglGetCurrentContext() == m_Context)
        {
            wglMakeCurrent(nullptr, nullptr);
        }
    }
    wglDeleteContext(m_Context);
    m_Context = nullptr;
    ReleaseDC(m_Window, m_DC);
    m_DC = nullptr;
}

bool Win32Window::MakeCurrent()
{
    return m_Context != nullptr && (wglGetCurrentContext() == m_Context || wglMakeCurrent(m_DC, m_Context));
}

bool Win32Window::MakeContextCurrent(long& code)
{
    code = 0;
    if (MakeCurrent())
    {
        return true;
    }
    code = static_cast<long>(GetLastError());
    return false;
}

void Win32Window::Frame(DWORD timeMs)
{
    if (m_Context == nullptr)
    {
        return;
    }
    // The client makes the context current itself, so that a failure reaches its report.
    bool drawn = false;
    Guarded("a frame", [this, timeMs, &drawn] { drawn = m_Client->OnFrame(timeMs); });
    if (drawn)
    {
        m_FrameReady = true;
        InvalidateRect(m_Window, nullptr, FALSE); // WM_PAINT presents it
    }
}

void Win32Window::Paint()
{
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(m_Window, &paint);
    if (!m_FrameReady && m_Context != nullptr)
    {
        // A paint of our own frame finds it in the back buffer; any other (uncovered, moved) must draw it
        // again, as the back buffer is undefined after a swap.
        Guarded("an exposure",
                [this]
                {
                    m_Client->OnExposed();
                    m_FrameReady = m_Client->OnFrame(GetTickCount());
                });
    }
    if (dc != nullptr && m_FrameReady && MakeCurrent())
    {
        SwapBuffers(dc);
        m_Presented.fetch_add(1, std::memory_order_relaxed);
    }
    m_FrameReady = false;
    EndPaint(m_Window, &paint);
}

void CALLBACK Win32Window::TimerProc(HWND window, UINT, UINT_PTR id, DWORD timeMs)
{
    Win32Window* self = FromWindow(window);
    if (self != nullptr && self->TimerId() == id)
    {
        self->Frame(timeMs);
    }
}

LRESULT CALLBACK Win32Window::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    Win32Window* self = FromWindow(window);
    if (self == nullptr)
    {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

void Win32Window::Resize(int width, int height)
{
    width = width < 1 ? 1 : (width > 32767 ? 32767 : width);
    height = height < 1 ? 1 : (height > 32767 ? 32767 : height);
    if (width == m_Width && height == m_Height)
    {
        return;
    }
    m_Width = width;
    m_Height = height;
    if (m_Window == nullptr)
    {
        return;
    }
    SetWindowPos(m_Window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    if (m_Context != nullptr && MakeCurrent())
    {
        Guarded("a resize", [&] { m_Client->OnResized(width, height); });
    }
    InvalidateRect(m_Window, nullptr, FALSE);
}

void Win32Window::Size(int& width, int& height) const
{
    width = m_Width;
    height = m_Height;
}

LRESULT Win32Window::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    WindowClient& client = *m_Client;
    switch (message)
    {
    case WM_PAINT:
        Paint();
        return 0;
    case WM_ERASEBKGND:
        return 1; // every frame covers the whole window
    case WM_KEYDOWN:
    case WM_COMMAND:
        return 0;
    case WM_DROPFILES:
        DragFinish(reinterpret_cast<HDROP>(wParam)); // accepted, and ignored
        return 0;
    case WM_MOUSEMOVE:
        Guarded("a mouse move", [&] { client.OnMouseMove(X(lParam), Y(lParam), Keys(wParam)); });
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        ::SetFocus(m_Window);
        Guarded("a mouse press", [&] { client.OnMouseDown(X(lParam), Y(lParam), Keys(wParam)); });
        return 0;
    case WM_LBUTTONUP:
        Guarded("a mouse release", [&] { client.OnMouseUp(X(lParam), Y(lParam), Keys(wParam) | kKeyLeft); });
        return 0;
    case WM_RBUTTONUP:
        Guarded("a mouse release", [&] { client.OnMouseUp(X(lParam), Y(lParam), Keys(wParam) | kKeyRight); });
        return 0;
    case WM_LBUTTONDBLCLK:
        Guarded("a double click", [&] { client.OnDoubleClick(X(lParam), Y(lParam), Keys(wParam)); });
        return 0;
    case WM_MOUSEWHEEL:
    {
        const float steps = static_cast<float>(GET_WHEEL_DELTA_WPARAM(wParam)) / 120.0f;
        Guarded("a wheel turn", [&] { client.OnMouseWheel(steps, Keys(wParam)); });
        return 0;
    }
    case WM_DPICHANGED_AFTERPARENT: // a child's: the host's window went to a monitor of another density
    case WM_DPICHANGED:             // the same, should the window ever be top level
    {
        // The size stays: the panel asks its host for the new one, and the host resizes its frame first.
        const double scale = SystemScale(NativeHandle());
        Guarded("a scale change", [&] { client.OnSystemScaleChanged(scale); });
        return 0;
    }
    default:
        return DefWindowProcW(m_Window, message, wParam, lParam);
    }
}

void Win32Window::SetCapture()
{
    ::SetCapture(m_Window);
}

void Win32Window::ReleaseCapture()
{
    if (GetCapture() == m_Window)
    {
        ::ReleaseCapture();
    }
}

void Win32Window::SetFocus()
{
    ::SetFocus(m_Window);
}

bool Win32Window::GetCursorScreenPos(int& x, int& y)
{
    POINT point{};
    if (!GetCursorPos(&point))
    {
        return false;
    }
    x = point.x;
    y = point.y;
    return true;
}

void Win32Window::SetCursorScreenPos(int x, int y)
{
    SetCursorPos(x, y);
}

void Win32Window::ShowCursor(bool show)
{
    // The system counts hides and shows; one flag makes this a plain on/off switch.
    if (show == m_CursorHidden)
    {
        ::ShowCursor(show ? TRUE : FALSE);
        m_CursorHidden = !show;
    }
}

TextField* Win32Window::GetTextField(TextFieldClient* client)
{
    if (!m_Edit && m_Window != nullptr)
    {
        m_Edit = EditControl::Create(m_Window, m_Instance, client);
    }
    return m_Edit.get();
}
} // namespace KVX::Platform::Windows
