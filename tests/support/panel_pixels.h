// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a panel's pixels off the X server, and the VST editor as the reference for what the panel
// must look like with given parameter values.
#include "host/plugin_host.h"
#include "support/host_window.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace KVX::Test
{
// The panel's pixels once its animations are over and three reads agree; `tick` runs before
// each read. Empty when the window cannot be read.
std::vector<std::uint32_t> SettledPanelPixels(Display* display, unsigned long window,
                                              const std::function<void()>& tick = {});

// Pixels that differ visibly, or -1 when the two reads cannot be compared.
int DifferingPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b);

// The VST build's editor in a host window of its own at (x, y), opened when first read, so that a test
// that never compares against it does not pay for it.
class VstPanel
{
public:
    VstPanel(int x, int y) : m_X(x), m_Y(y) {}
    ~VstPanel() { Close(); }
    VstPanel(const VstPanel&) = delete;
    VstPanel& operator=(const VstPanel&) = delete;

    // The settled panel after setting the given normalised values and processing one block (which
    // lights the lamp as the processor drives it).
    std::vector<std::uint32_t> Pixels(const std::vector<std::pair<int, float>>& values);
    // The editor and its window gone, as before a test's own host window goes.
    void Close();

private:
    void Open();

    int m_X;
    int m_Y;
    std::unique_ptr<Host::Plugin> m_Plugin;
    std::unique_ptr<HostWindow> m_Window;
};

bool WaitUntil(const std::function<bool()>& condition,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(5000));
void Frames(int count);
} // namespace KVX::Test
