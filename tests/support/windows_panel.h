// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A panel inside a host window on Windows, where it draws on the host's own thread: the thread's
// messages delivered (the panel's timer ticks among them), and its last frame read back.
#include "platform/image.h"
#include "platform/resources.h"
#include "support/gl_read_back.h"

#include <windows.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
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

// A skin sheet the test program carries as a resource of type "TESTIMG"; empty when missing.
inline Platform::Bitmap SkinImage(const char16_t* name)
{
    Platform::ResourceView view;
    if (!Platform::FindModuleResource(name, u"TESTIMG", view))
    {
        return {};
    }
    return Platform::DecodePng(view.data, view.size).bitmap;
}

// The largest difference of one colour channel.
inline int ColourDistance(std::uint32_t a, std::uint32_t b)
{
    int worst = 0;
    for (int shift : {0, 8, 16})
    {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        worst = d > worst ? d : worst;
    }
    return worst;
}

// A straight-alpha sheet pixel drawn over an opaque panel pixel with the panel's blending.
inline std::uint32_t Over(std::uint32_t frame, std::uint32_t panel)
{
    const double a = static_cast<double>(frame >> 24) / 255.0;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const double s = static_cast<double>((frame >> shift) & 0xFF);
        const double d = static_cast<double>((panel >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>(s * a + d * (1.0 - a) + 0.5) << shift;
    }
    return out;
}
} // namespace KVX::Test
