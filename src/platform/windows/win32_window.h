// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel's window on Windows: a child of the host's window, class "KVXGUIWindow", with a WGL context
// and a window timer as the frame clock.
//
// There is no thread of ours: the host's user-interface thread creates and destroys the window and runs
// the message loop that delivers its messages and timer ticks, so every WindowClient call happens on that
// thread, inside a window procedure or timer callback, with the window's context current.
#include "platform/window.h"
#include "platform/windows/edit_control.h"
#include "platform/windows/gdiplus_session.h"

#include <windows.h>

#include <atomic>
#include <memory>

namespace KVX::Platform::Windows
{
class Win32Window final : public Window
{
public:
    static constexpr const wchar_t* kClassName = L"KVXGUIWindow";

    Win32Window(const WindowOptions& options, WindowClient* client);
    ~Win32Window() override;

    // Registers the class (an earlier registration is reused) and creates the child window; throws
    // SystemError when the window cannot be made.
    void CreateNativeWindow();
    // Starts the frame clock.
    void StartClock();
    // Creates the context, makes it current and tells the client; throws SystemError or what the client
    // threw, leaving the window without a context.
    void CreateContext();
    // Shows the window and paints it at once (presenting the frame the client drew on creation).
    void Show();

    std::uint64_t PresentedFrames() const override { return m_Presented.load(std::memory_order_relaxed); }
    std::uintptr_t NativeHandle() const override { return reinterpret_cast<std::uintptr_t>(m_Window); }
    bool HasContext() const override { return m_Context != nullptr; }
    bool MakeContextCurrent(long& code) override;
    void SetCapture() override;
    void ReleaseCapture() override;
    void SetFocus() override;
    bool GetCursorScreenPos(int& x, int& y) override;
    void SetCursorScreenPos(int x, int y) override;
    void ShowCursor(bool show) override;
    TextField* GetTextField(TextFieldClient* client) override;
    void Resize(int width, int height) override;
    void Size(int& width, int& height) const override;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void CALLBACK TimerProc(HWND window, UINT message, UINT_PTR id, DWORD timeMs);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void Frame(DWORD timeMs);
    void Paint();
    bool MakeCurrent();
    void DestroyContext();
    UINT_PTR TimerId() const { return reinterpret_cast<UINT_PTR>(this); }

    const WindowOptions m_Options;
    WindowClient* const m_Client;
    GdiplusSession m_Gdiplus; // images and text run on it while the editor is open
    HINSTANCE m_Instance;
    HWND m_Window = nullptr;
    HDC m_DC = nullptr;
    HGLRC m_Context = nullptr;
    bool m_TimerRunning = false;
    bool m_CursorHidden = false;
    bool m_FrameReady = false; // a drawn frame waits in the back buffer for WM_PAINT
    std::atomic<std::uint64_t> m_Presented{0};
    std::unique_ptr<EditControl> m_Edit;
    int m_Width = 1; // physical pixels, as last asked for
    int m_Height = 1;
};
} // namespace KVX::Platform::Windows
