// SPDX-License-Identifier: GPL-3.0-or-later
// gtest before Xlib, whose macros clash with its names.
#include <gtest/gtest.h>

#include "support/panel_pixels.h"

#include "device/description.h"

#include <chrono>
#include <thread>

namespace KVX::Test
{
using Device::Description::kPanelHeight;
using Device::Description::kPanelWidth;

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition())
    {
        if (std::chrono::steady_clock::now() > deadline)
        {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

void Frames(int count)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(34 * count));
}

std::vector<std::uint32_t> SettledPanelPixels(Display* display, unsigned long window,
                                              const std::function<void()>& tick)
{
    // Past the longest animation (half a second) first, so that a frame clock slowed by a loaded machine
    // cannot pass for a finished one; then three equal reads in a row.
    for (int i = 0; i < 20; ++i)
    {
        if (tick)
        {
            tick();
        }
        Frames(1);
    }
    std::vector<std::uint32_t> previous;
    int agreeing = 0;
    for (int attempt = 0; attempt < 60 && agreeing < 2; ++attempt)
    {
        if (tick)
        {
            tick();
        }
        Frames(3);
        auto current = ReadWindowPixels(display, window, 0, 0, kPanelWidth, kPanelHeight);
        agreeing = !current.empty() && current == previous ? agreeing + 1 : 0;
        previous = std::move(current);
    }
    return previous;
}

int DifferingPixels(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b)
{
    if (a.size() != b.size() || a.empty())
    {
        return -1;
    }
    int count = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
    {
        int worst = 0;
        for (int shift = 0; shift < 24; shift += 8)
        {
            const int d = static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF);
            worst = std::max(worst, std::abs(d));
        }
        count += worst > 2 ? 1 : 0;
    }
    return count;
}

void VstPanel::Open()
{
    std::string error;
    m_Plugin = Host::Plugin::Load(KVX_VST_PLUGIN_PATH, error);
    EXPECT_NE(m_Plugin, nullptr) << error;
    m_Window = std::make_unique<HostWindow>(m_X, m_Y, 1000, 330);
    if (m_Plugin != nullptr)
    {
        m_Plugin->Dispatch(effEditOpen, 0, 0,
                           reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Window->Id())));
    }
}

void VstPanel::Close()
{
    if (m_Plugin != nullptr)
    {
        m_Plugin->Dispatch(effEditClose);
    }
    m_Plugin.reset();
    m_Window.reset();
}

std::vector<std::uint32_t> VstPanel::Pixels(const std::vector<std::pair<int, float>>& values)
{
    if (m_Window == nullptr)
    {
        Open();
    }
    if (m_Plugin == nullptr)
    {
        return {};
    }
    for (const auto& [index, value] : values)
    {
        m_Plugin->SetParameter(index, value);
    }
    std::vector<float> left(64), right(64);
    float* io[] = {left.data(), right.data()};
    m_Plugin->Effect()->processReplacing(m_Plugin->Effect(), io, io, 64);
    return SettledPanelPixels(m_Window->GetDisplay(), m_Window->Id());
}
} // namespace KVX::Test
