// SPDX-License-Identifier: GPL-3.0-or-later
// Cost of one editor frame of the full panel on the machine's OpenGL (Mesa's llvmpipe on a private Xvfb
// server), and the memory an open editor takes, measured through the plug-in module.
#include "editor_bench_host.h"
#include "process_memory.h"

#include <benchmark/benchmark.h>
#include <gtest/gtest.h> // before any X header, whose None macro would break it

#include "device/device_dsp.h"
#include "device/device_gui.h"

#include <GL/glew.h>
#include <GL/glx.h>

#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <thread>

namespace
{
VstIntPtr VSTCALLBACK Host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

using KVX::Bench::ResidentKiB;

constexpr VstInt32 kScaleSelector = ('P' << 24) | ('r' << 16) | ('e' << 8) | 'S';
constexpr VstIntPtr kScaleCode = ('A' << 24) | ('e' << 16) | ('C' << 8) | 's';

// The benchmark's argument is the editor's scale in per cent.
double ScaleOf(const benchmark::State& state)
{
    return static_cast<double>(state.range(0)) / 100.0;
}

// A context current on this thread, on a window of that size.
struct Context
{
    Context(int width, int height)
    {
        display = XOpenDisplay(nullptr);
        int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                            None};
        XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
        XSetWindowAttributes set{};
        set.colormap =
            XCreateColormap(display, RootWindow(display, visual->screen), visual->visual, AllocNone);
        window = XCreateWindow(display, RootWindow(display, visual->screen), 0, 0,
                               static_cast<unsigned>(width), static_cast<unsigned>(height), 0, visual->depth,
                               InputOutput, visual->visual, CWColormap, &set);
        XMapWindow(display, window);
        context = glXCreateContext(display, visual, nullptr, True);
        XFree(visual);
        glXMakeCurrent(display, window, context);
    }
    ~Context()
    {
        glXMakeCurrent(display, 0, nullptr);
        glXDestroyContext(display, context);
        XDestroyWindow(display, window);
        XCloseDisplay(display);
    }
    Display* display;
    Window window;
    GLXContext context;
};

void BM_EditorFrame(benchmark::State& state)
{
    KVX::Test::Xvfb server(KVX::Bench::LargeScreen());
    KVX::CDeviceDSP device(Host);
    KVX::CDeviceGUI& panel = device.DevicePanel();
    panel.SetScale(ScaleOf(state));
    std::int32_t width = 0;
    std::int32_t height = 0;
    panel.ScaledSize(width, height);
    Context context(width, height);
    panel.OnContextCreated();       // set-up and the first frame at the panel's own size
    panel.OnResized(width, height); // the scaled view, whose first frame loads every texture
    panel.ReDraw(1000);
    std::uint32_t time = 1000;
    for (auto _ : state)
    {
        time += 33;
        for (int band = 0; band < 10; ++band)
        {
            panel.Fader(band).SetValue(static_cast<float>((time / 33 + band) % 64) / 63.0f);
        }
        panel.OnFrame(time);
        glFinish();
    }
    panel.OnContextReleasing();
}
// Wall time per frame: llvmpipe renders on threads of its own. At 100 % and 200 %.
BENCHMARK(BM_EditorFrame)->Arg(100)->Arg(200)->Unit(benchmark::kMillisecond)->MinTime(2.0)->UseRealTime();

// A tick of a settled panel: the animations advance and the picture is found unchanged, so nothing draws.
void BM_EditorIdleTick(benchmark::State& state)
{
    KVX::Test::Xvfb server;
    Context context(900, 258);
    KVX::CDeviceDSP device(Host);
    KVX::CDeviceGUI& panel = device.DevicePanel();
    panel.OnContextCreated();
    std::uint32_t time = 1000;
    panel.OnFrame(time); // every animation finished
    std::int64_t drawn = 0;
    for (auto _ : state)
    {
        time += 33;
        drawn += panel.OnFrame(time) ? 1 : 0;
    }
    state.counters["frames_drawn"] = static_cast<double>(drawn);
    panel.OnContextReleasing();
}
BENCHMARK(BM_EditorIdleTick)->Unit(benchmark::kMicrosecond);

// The resident memory an open editor adds to the host, at 100 % and 200 %: the first open in the process
// (window, context, driver, every texture) and a later one.
void BM_OpenEditorMemory(benchmark::State& state)
{
    KVX::Bench::CEditorBenchHost bench(state);
    KVX::Host::Plugin* plugin = bench.Plugin();
    if (plugin == nullptr)
    {
        return;
    }
    plugin->Dispatch(effVendorSpecific, kScaleSelector, kScaleCode, nullptr,
                     static_cast<float>(ScaleOf(state)));
    void* parent = bench.Parent();
    const long beforeFirst = ResidentKiB();
    // One open and close first, so that libraries loaded once per process are not counted.
    plugin->Dispatch(effEditOpen, 0, 0, parent);
    while (!bench.PanelShows())
    {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const long firstOpen = ResidentKiB();
    plugin->Dispatch(effEditClose);
    long closed = 0;
    long open = 0;
    for (auto _ : state)
    {
        closed = ResidentKiB();
        plugin->Dispatch(effEditOpen, 0, 0, parent);
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        open = ResidentKiB();
        plugin->Dispatch(effEditClose);
    }
    state.counters["closed_KiB"] = static_cast<double>(closed);
    state.counters["open_KiB"] = static_cast<double>(open);
    state.counters["editor_KiB"] = static_cast<double>(open - closed);
    state.counters["first_open_KiB"] = static_cast<double>(firstOpen - beforeFirst);
}
BENCHMARK(BM_OpenEditorMemory)->Arg(100)->Arg(200)->Iterations(3)->Unit(benchmark::kMillisecond);

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// How long effEditOpen keeps the host's thread, how long until the panel shows on the screen, and how
// long a close right after the open takes. Every open is a fresh one: textures and context are made anew.
void BM_EditorOpenLatency(benchmark::State& state)
{
    KVX::Bench::CEditorBenchHost bench(state);
    KVX::Host::Plugin* plugin = bench.Plugin();
    if (plugin == nullptr)
    {
        return;
    }
    void* parent = bench.Parent();
    plugin->Dispatch(effEditOpen, 0, 0, parent); // loads the GL driver once for the process
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    plugin->Dispatch(effEditClose);
    const KVX::Test::HostWindow& host = bench.Window();
    double openMs = 0.0;
    double shownMs = 0.0;
    double openCloseMs = 0.0;
    for (auto _ : state)
    {
        const auto start = Clock::now();
        plugin->Dispatch(effEditOpen, 0, 0, parent);
        const auto returned = Clock::now();
        while (!bench.PanelShows() && Clock::now() - start < std::chrono::seconds(10))
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const auto shown = Clock::now();
        plugin->Dispatch(effEditClose);
        XClearArea(host.GetDisplay(), host.Id(), 0, 0, 0, 0, False); // the grey back for the next round
        XSync(host.GetDisplay(), False);

        const auto again = Clock::now();
        plugin->Dispatch(effEditOpen, 0, 0, parent);
        plugin->Dispatch(effEditClose);
        const auto closed = Clock::now();
        XClearArea(host.GetDisplay(), host.Id(), 0, 0, 0, 0, False);
        XSync(host.GetDisplay(), False);

        openMs += Ms(returned - start);
        shownMs += Ms(shown - start);
        openCloseMs += Ms(closed - again);
        state.SetIterationTime(std::chrono::duration<double>(returned - start).count());
    }
    const auto n = static_cast<double>(state.iterations());
    state.counters["open_returns_ms"] = openMs / n;
    state.counters["panel_shown_ms"] = shownMs / n;
    state.counters["open_then_close_ms"] = openCloseMs / n;
}
BENCHMARK(BM_EditorOpenLatency)->Iterations(10)->UseManualTime()->Unit(benchmark::kMillisecond);
} // namespace
