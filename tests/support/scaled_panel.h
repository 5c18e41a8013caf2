// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel at a scale other than 1: the screen's density as desktops publish it, the size of a window,
// its settled pixels at any size, and the VST 2.4 editor at a host's scale as the reference for what a
// scaled panel must look like.
#include "support/panel_pixels.h"
#include "support/screen_dpi.h"

#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace KVX::Test
{
// A window's width and height as the server sees them ({0, 0} for none).
std::pair<int, int> WindowSize(Display* display, unsigned long window);

// The top-left width × height of a window once its animations are over and three reads agree; `tick`
// runs before each read.
std::vector<std::uint32_t> SettledWindowPixels(Display* display, unsigned long window, int width, int height,
                                               const std::function<void()>& tick = {});

// Pixels of a width × height picture averaged over 2 × 2 blocks: a 200 % panel as it would look at 100 %.
std::vector<std::uint32_t> HalfSize(const std::vector<std::uint32_t>& pixels, int width, int height);

// Pixels whose colours differ by more than `tolerance` in some channel, or -1 when the two cannot be
// compared.
int PixelsBeyond(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int tolerance);

// The VST 2.4 editor at `scale` (set with 'PreS'/'AeCs' before it opens) in a host window of its own at
// (x, y), opened when first read.
class ScaledVstPanel
{
public:
    ScaledVstPanel(int x, int y, float scale) : m_X(x), m_Y(y), m_Scale(scale) {}
    ~ScaledVstPanel() { Close(); }
    ScaledVstPanel(const ScaledVstPanel&) = delete;
    ScaledVstPanel& operator=(const ScaledVstPanel&) = delete;

    // The settled editor after setting the given normalised values and processing one block.
    std::vector<std::uint32_t> Pixels(const std::vector<std::pair<int, float>>& values);
    void Close();

private:
    int m_X;
    int m_Y;
    float m_Scale;
    int m_Width = 0;
    int m_Height = 0;
    std::unique_ptr<Host::Plugin> m_Plugin;
    std::unique_ptr<HostWindow> m_Window;
};
} // namespace KVX::Test
