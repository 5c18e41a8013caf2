// SPDX-License-Identifier: GPL-3.0-or-later
// What many editor open/close cycles in one process leave behind, beside a bare GLX loop that does what
// each open and close does below the panel (a display connection of its own, a window, a context, a
// frame with textures, all torn down again). Resident memory and the C heap's bytes in use are read
// before and after; the growth per cycle is the figure to compare.
#include "editor_bench_host.h"
#include "process_memory.h"

#include <benchmark/benchmark.h>
#include <gtest/gtest.h> // before any X header, whose None macro would break it

#include "host/plugin_host.h"
#include "support/host_window.h"
#include "support/xvfb.h"

#include <GL/gl.h>
#include <GL/glx.h>

#include <malloc.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace
{
using KVX::Bench::ResidentKiB;

double HeapKiB()
{
    return static_cast<double>(mallinfo2().uordblks) / 1024.0;
}

constexpr int kWarmUp = 20; // driver caches that fill once per process are not counted

struct Growth
{
    long rss = 0;
    double heap = 0.0;
    void Start()
    {
        rss = ResidentKiB();
        heap = HeapKiB();
    }
    void Report(benchmark::State& state, int cycles) const
    {
        state.counters["rss_growth_KiB_per_cycle"] = static_cast<double>(ResidentKiB() - rss) / cycles;
        state.counters["heap_growth_KiB_per_cycle"] = (HeapKiB() - heap) / cycles;
        state.counters["rss_end_MiB"] = static_cast<double>(ResidentKiB()) / 1024.0;
    }
};

void BM_EditorOpenCloseCycles(benchmark::State& state)
{
    const int cycles = static_cast<int>(state.range(0));
    KVX::Bench::CEditorBenchHost bench(state);
    KVX::Host::Plugin* plugin = bench.Plugin();
    if (plugin == nullptr)
    {
        return;
    }
    void* parent = bench.Parent();
    const KVX::Test::HostWindow& host = bench.Window();
    const auto cycle = [&]
    {
        plugin->Dispatch(effEditOpen, 0, 0, parent);
        // Until the first frame is on the screen: every texture has been made.
        for (int i = 0; i < 2000; ++i)
        {
            if (bench.PanelShows())
            {
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        plugin->Dispatch(effEditClose);
        XSync(host.GetDisplay(), False);
    };
    for (auto _ : state)
    {
        for (int i = 0; i < kWarmUp; ++i)
        {
            cycle();
        }
        Growth growth;
        growth.Start();
        for (int i = 0; i < cycles; ++i)
        {
            cycle();
        }
        growth.Report(state, cycles);
    }
}
BENCHMARK(BM_EditorOpenCloseCycles)->Arg(200)->Iterations(1)->Unit(benchmark::kSecond);

// The platform's part of one cycle without any of our code: the pattern of the editor's thread.
void BareGlxCycle(::Window parent, int textures)
{
    Display* display = XOpenDisplay(nullptr);
    const int screen = DefaultScreen(display);
    const int wanted[] = {GLX_DRAWABLE_TYPE,
                          GLX_WINDOW_BIT,
                          GLX_RENDER_TYPE,
                          GLX_RGBA_BIT,
                          GLX_DOUBLEBUFFER,
                          True,
                          GLX_RED_SIZE,
                          8,
                          GLX_GREEN_SIZE,
                          8,
                          GLX_BLUE_SIZE,
                          8,
                          None};
    int count = 0;
    GLXFBConfig* configs = glXChooseFBConfig(display, screen, wanted, &count);
    XVisualInfo* visual = glXGetVisualFromFBConfig(display, configs[0]);
    XSetWindowAttributes set{};
    set.colormap = XCreateColormap(display, RootWindow(display, screen), visual->visual, AllocNone);
    const ::Window window = XCreateWindow(display, parent, 0, 0, 900, 258, 0, visual->depth, InputOutput,
                                          visual->visual, CWColormap, &set);
    XMapWindow(display, window);
    GLXContext context = glXCreateNewContext(display, configs[0], GLX_RGBA_TYPE, nullptr, True);
    glXMakeCurrent(display, window, context);

    std::vector<GLuint> names(static_cast<std::size_t>(textures));
    glGenTextures(textures, names.data());
    std::vector<std::uint32_t> pixels(256 * 256, 0x80FF8040u);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    for (GLuint name : names)
    {
        glBindTexture(GL_TEXTURE_2D, name);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 256, 256, 0, GL_BGRA, GL_UNSIGNED_BYTE, pixels.data());
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(-1, -1);
        glTexCoord2f(1, 0);
        glVertex2f(1, -1);
        glTexCoord2f(1, 1);
        glVertex2f(1, 1);
        glTexCoord2f(0, 1);
        glVertex2f(-1, 1);
        glEnd();
    }
    glXSwapBuffers(display, window);
    glFinish();
    glDeleteTextures(textures, names.data());

    glXMakeCurrent(display, None, nullptr);
    glXDestroyContext(display, context);
    XDestroyWindow(display, window);
    XFreeColormap(display, set.colormap);
    XFree(visual);
    XFree(configs);
    XCloseDisplay(display);
}

void BM_BareGlxCycles(benchmark::State& state)
{
    const int cycles = static_cast<int>(state.range(0));
    KVX::Test::Xvfb server;
    KVX::Test::HostWindow host(0, 0, 900, 258);
    for (auto _ : state)
    {
        // On a thread per cycle, as the editor does.
        const auto cycle = [&] { std::thread([&] { BareGlxCycle(host.Id(), 16); }).join(); };
        for (int i = 0; i < kWarmUp; ++i)
        {
            cycle();
        }
        Growth growth;
        growth.Start();
        for (int i = 0; i < cycles; ++i)
        {
            cycle();
        }
        growth.Report(state, cycles);
    }
}
BENCHMARK(BM_BareGlxCycles)->Arg(200)->Iterations(1)->Unit(benchmark::kSecond);
} // namespace
