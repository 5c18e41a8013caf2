// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A panel inside a host window on Windows, where it draws on the host's own thread: the thread's
// messages delivered (the panel's timer ticks among them), and its last frame read back.
#include "support/gl_read_back.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <vector>

namespace KVX::Test
{
// Delivers this thread's messages for a while.
inline void PumpMessages(int milliseconds)
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    do
    {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
    } while (std::chrono::steady_clock::now() < end);
}

// The last frame the panel presented, from its context, current on this thread; empty when no context is.
inline std::vector<std::uint32_t> CurrentPanelPixels(int width, int height)
{
    if (wglGetCurrentContext() == nullptr)
    {
        return {};
    }
    return ReadBackBuffer(width, height);
}
} // namespace KVX::Test
