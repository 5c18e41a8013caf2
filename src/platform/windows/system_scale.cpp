// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/window.h"

#include <windows.h>

namespace KVX::Platform
{
namespace
{
constexpr double kBaseDpi = 96.0;

// Looked up at run time: both came with Windows 10 (1607); older systems give every window 96 dpi.
template <class Function> Function User32Function(const char* name)
{
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 != nullptr
               ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)))
               : nullptr;
}
} // namespace

// The system answers in the caller's own terms: a host that is not DPI aware always gets 96 (the system
// stretches its windows), a system-aware one the system's DPI, a per-monitor aware one the DPI of the
// monitor the window is on.
double SystemScale(std::uintptr_t window)
{
    using ForWindow = UINT(WINAPI*)(HWND);
    using ForSystem = UINT(WINAPI*)();
    static const auto forWindow = User32Function<ForWindow>("GetDpiForWindow");
    static const auto forSystem = User32Function<ForSystem>("GetDpiForSystem");
    UINT dpi = 0;
    if (window != 0 && forWindow != nullptr)
    {
        dpi = forWindow(reinterpret_cast<HWND>(window));
    }
    if (dpi == 0 && forSystem != nullptr)
    {
        dpi = forSystem();
    }
    if (dpi == 0)
    {
        HDC screen = GetDC(nullptr);
        if (screen != nullptr)
        {
            dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSX));
            ReleaseDC(nullptr, screen);
        }
    }
    return dpi > 0 ? static_cast<double>(dpi) / kBaseDpi : 1.0;
}
} // namespace KVX::Platform
