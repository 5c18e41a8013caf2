// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik editor PLUGIN`: the plug-in's editor in a window of its own, so a person can try the panel
// without a DAW. Pink noise runs through the plug-in (and is thrown away) so that meters and lamps live;
// parameter changes made on the panel are printed as they happen.
#include "commands.h"
#include "host/plugin_host.h"
#include "options.h"
#include "output_file.h"
#include "plot.h"
#include "plugin_session.h"
#include "signals.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cairo.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

namespace KVX::Tovik
{
namespace
{
std::atomic<bool> g_Interrupted{false};

void OnInterrupt(int)
{
    g_Interrupted = true;
}

// The window's pixels as a PNG (what the screen shows inside it).
bool Screenshot(Display* display, Window window, int width, int height, const std::string& path,
                std::string& error)
{
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
    {
        error = "cannot read the editor's pixels for " + path;
        return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    auto* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y)
    {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < width; ++x)
        {
            row[x] = static_cast<std::uint32_t>(XGetPixel(image, x, y)) & 0xFFFFFF;
        }
    }
    cairo_surface_mark_dirty(surface);
    OutputFile output;
    const bool ok = output.Create(path, error) && WritePng(surface, output, error) && output.Commit(error);
    cairo_surface_destroy(surface);
    XDestroyImage(image);
    return ok;
}

// A window for a plug-in that tells its size only after its editor has opened in it.
constexpr int kStandInWidth = 640;
constexpr int kStandInHeight = 480;
// Larger than any screen: a size beyond it is not believed.
constexpr int kMaxEditorSide = 16384;

// The editor's size as the plug-in reports it; false (and the sizes untouched) when it reports none.
bool EditorSize(Host::Plugin& plugin, int& width, int& height)
{
    ERect* rect = nullptr;
    if (plugin.Dispatch(effEditGetRect, 0, 0, &rect) == 0 || rect == nullptr)
    {
        return false;
    }
    const int w = rect->right - rect->left;
    const int h = rect->bottom - rect->top;
    if (w <= 0 || h <= 0 || w > kMaxEditorSide || h > kMaxEditorSide)
    {
        return false;
    }
    width = w;
    height = h;
    return true;
}

void PrintChanges(Host::Plugin& plugin, std::vector<float>& last)
{
    for (VstInt32 i = 0; i < static_cast<VstInt32>(last.size()); ++i)
    {
        const float value = plugin.GetParameter(i);
        if (value != last[static_cast<std::size_t>(i)])
        {
            last[static_cast<std::size_t>(i)] = value;
            std::printf("%-8s %s %s\n", plugin.Text(effGetParamName, i).c_str(),
                        plugin.Text(effGetParamDisplay, i).c_str(), plugin.Text(effGetParamLabel, i).c_str());
            std::fflush(stdout);
        }
    }
}
} // namespace

int Editor(const Arguments& args)
{
    std::string pluginPath;
    double seconds = 0.0;
    std::string screenshot;
    for (std::size_t i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--seconds" && i + 1 < args.size())
        {
            if (!ParseNumber(args[++i], seconds) || seconds <= 0.0)
            {
                std::fprintf(stderr, "tovik: --seconds needs a positive number\n");
                return 2;
            }
        }
        else if (args[i] == "--screenshot" && i + 1 < args.size())
        {
            screenshot = args[++i];
        }
        else if (pluginPath.empty() && args[i].rfind("--", 0) != 0)
        {
            pluginPath = args[i];
        }
        else
        {
            std::fprintf(stderr, "usage: tovik editor PLUGIN [--seconds S] [--screenshot FILE.png]\n");
            return 2;
        }
    }
    if (pluginPath.empty())
    {
        std::fprintf(stderr, "usage: tovik editor PLUGIN [--seconds S] [--screenshot FILE.png]\n");
        return 2;
    }

    // The plug-in's editor may run Xlib on threads of its own beside ours, which Xlib allows only when
    // told so before any other Xlib call, the plug-in's own included.
    XInitThreads();
    std::string error;
    PluginChoice choice;
    choice.plugin = pluginPath;
    auto session = Session::Open(choice, error);
    if (!session)
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        return 1;
    }
    if (session->Vst() == nullptr)
    {
        std::fprintf(stderr, "tovik: the editor command opens VST editors; %s is not a VST plug-in\n",
                     pluginPath.c_str());
        return 1;
    }
    Host::Plugin& plugin = *session->Vst();
    if ((plugin.Effect()->flags & effFlagsHasEditor) == 0)
    {
        std::fprintf(stderr, "tovik: %s has no editor\n", pluginPath.c_str());
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        std::fprintf(stderr, "tovik: cannot open the X display (is DISPLAY set?)\n");
        return 1;
    }
    // Many plug-ins know their size before the editor opens; some only once it is open, so the window
    // starts at the early size (or a stand-in) and takes the size reported after opening.
    int width = kStandInWidth;
    int height = kStandInHeight;
    EditorSize(plugin, width, height);
    const int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                        static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                        BlackPixel(display, screen), BlackPixel(display, screen));
    const std::string title = session->Name() + " - tovik editor";
    XStoreName(display, window, title.c_str());
    Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display, window, &deleteWindow, 1);
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XSync(display, False);

    const int block = 480;
    session->Start(48000.0, block);
    plugin.Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)));
    if (!EditorSize(plugin, width, height))
    {
        std::fprintf(stderr, "tovik: %s reports no editor size\n", pluginPath.c_str());
        plugin.Dispatch(effEditClose);
        session->Stop();
        XDestroyWindow(display, window);
        XCloseDisplay(display);
        return 1;
    }
    XResizeWindow(display, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XSizeHints hints{};
    hints.flags = PMinSize | PMaxSize;
    hints.min_width = hints.max_width = width;
    hints.min_height = hints.max_height = height;
    XSetWMNormalHints(display, window, &hints);
    XSync(display, False);
    std::printf("Editor of %s open; close its window (or press Ctrl-C) to quit.\n", session->Name().c_str());
    std::fflush(stdout);

    auto previous = std::signal(SIGINT, OnInterrupt);
    const std::vector<float> noise = PinkNoise(48000, 7, 0.1f);
    std::vector<float> last(static_cast<std::size_t>(std::clamp(plugin.Effect()->numParams, 0, 100000)),
                            -1.0f);
    PrintChanges(plugin, last);
    const auto start = std::chrono::steady_clock::now();
    std::size_t position = 0;
    bool done = false;
    bool shot = false;
    while (!done && !g_Interrupted)
    {
        // Audio in real time, ten milliseconds a block.
        for (int c = 0; c < session->Inputs(); ++c)
        {
            for (int i = 0; i < block; ++i)
            {
                session->Input(c)[i] = noise[(position + static_cast<std::size_t>(i)) % noise.size()];
            }
        }
        position = (position + block) % noise.size();
        session->Process(block);
        // Hosts give the editor a regular turn on their own thread; some plug-ins draw only there.
        plugin.Dispatch(effEditIdle);
        PrintChanges(plugin, last);

        while (XPending(display) > 0)
        {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow)
            {
                done = true;
            }
        }
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (!screenshot.empty() && !shot && elapsed >= (seconds > 0.0 ? seconds * 0.8 : 1.0))
        {
            shot = true;
            std::string shotError;
            if (!Screenshot(display, window, width, height, screenshot, shotError))
            {
                std::fprintf(stderr, "tovik: %s\n", shotError.c_str());
            }
        }
        if (seconds > 0.0 && elapsed >= seconds)
        {
            done = true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    std::signal(SIGINT, previous);

    plugin.Dispatch(effEditClose);
    session->Stop();
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return 0;
}
} // namespace KVX::Tovik
