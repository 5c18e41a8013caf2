// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What every editor benchmark starts from: a private X server, a host window the size of the panel, and
// the plug-in loaded through its entry point into this process.
#include <benchmark/benchmark.h>
#include <gtest/gtest.h> // before any X header, whose None macro would break it

#include "host/plugin_host.h"
#include "support/host_window.h"
#include "support/xvfb.h"

#include <cstdint>
#include <memory>
#include <string>

namespace KVX::Bench
{
// Room for the editor at twice its size.
inline Test::Xvfb::Options LargeScreen()
{
    Test::Xvfb::Options options;
    options.screen = "2048x1280x24";
    return options;
}

class CEditorBenchHost
{
public:
    explicit CEditorBenchHost(benchmark::State& state)
    {
        std::string error;
        m_Plugin = Host::Plugin::Load(KVX_PLUGIN_PATH, error);
        if (!m_Plugin)
        {
            state.SkipWithError(error.c_str());
        }
    }

    // Null when the plug-in could not be loaded; the benchmark has then been marked as skipped.
    Host::Plugin* Plugin() const { return m_Plugin.get(); }
    const Test::HostWindow& Window() const { return m_Host; }

    // A spot of plain panel: the host's own grey until the editor's first frame is on the screen.
    bool PanelShows() const
    {
        const auto pixel = Test::ReadWindowPixels(m_Host.GetDisplay(), m_Host.Id(), 600, 20, 1, 1);
        return !pixel.empty() && pixel[0] != 0x404040u;
    }
    // The window id as effEditOpen takes it.
    void* Parent() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(m_Host.Id())); }

private:
    Test::Xvfb m_Server{LargeScreen()};
    Test::HostWindow m_Host{0, 0, 1800, 516};
    std::unique_ptr<Host::Plugin> m_Plugin;
};
} // namespace KVX::Bench
