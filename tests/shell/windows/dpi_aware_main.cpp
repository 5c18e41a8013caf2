// SPDX-License-Identifier: GPL-3.0-or-later
// The start of a host that is per-monitor DPI aware, as current Windows hosts are: the system then tells
// its windows the screen's real density instead of stretching them. It runs in a Wine prefix whose DPI is
// KVX_PREFIX_DPI and skips (exit 77) where this Wine cannot say what density a window has.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>

namespace
{
using SetContext = BOOL(WINAPI*)(HANDLE);
using ForWindow = UINT(WINAPI*)(HWND);

template <class Function> Function User32(const char* name)
{
    return reinterpret_cast<Function>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

// The newest awareness the system takes; each call fails once the process has one (Wine 8 starts every
// process per-monitor aware and knows no version 2).
const char* BecomeDpiAware()
{
    if (auto set = User32<SetContext>("SetProcessDpiAwarenessContext"))
    {
        if (set(reinterpret_cast<HANDLE>(-4)))
        {
            return "per monitor, version 2";
        }
        if (set(reinterpret_cast<HANDLE>(-3)))
        {
            return "per monitor";
        }
        if (GetLastError() == ERROR_ACCESS_DENIED)
        {
            return "already set";
        }
    }
    return SetProcessDPIAware() ? "system" : "none";
}

// The density the system gives a top-level window of ours, 0 where it cannot tell.
UINT WindowDpi()
{
    auto forWindow = User32<ForWindow>("GetDpiForWindow");
    if (forWindow == nullptr)
    {
        return 0;
    }
    HWND window = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
    const UINT dpi = window != nullptr ? forWindow(window) : 0;
    if (window != nullptr)
    {
        DestroyWindow(window);
    }
    return dpi;
}
} // namespace

int main(int argc, char** argv)
{
    const char* awareness = BecomeDpiAware();
    const UINT dpi = WindowDpi();
    std::printf("DPI awareness: %s; a window's DPI: %u\n", awareness, dpi);
    if (dpi == 0)
    {
        std::printf("skipped: this Wine has no GetDpiForWindow\n");
        return 77;
    }
    if (dpi != KVX_PREFIX_DPI)
    {
        std::printf("the prefix was set to %d dpi, but windows get %u\n", KVX_PREFIX_DPI, dpi);
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
