// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik editor PLUGIN`: the plug-in's editor (VST 2.4 or CLAP) in a window of its own, so a person can
// try the panel without a DAW, at the scale of their screen. Pink noise runs through the plug-in (and is
// thrown away) so that meters and lamps live; parameter changes made on the panel are printed as they
// happen.
#include "commands.h"
#include "options.h"
#include "output_file.h"
#include "plot.h"
#include "plugin_editor.h"
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
#include <optional>
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

constexpr const char* kUsage =
    "usage: tovik editor PLUGIN [--scale S] [--seconds S] [--screenshot FILE.png]\n";

// "1.5" or "150%": the screen's scale, from 1 to 2.
bool ParseScale(std::string text, double& scale)
{
    double divisor = 1.0;
    if (!text.empty() && text.back() == '%')
    {
        text.pop_back();
        divisor = 100.0;
    }
    double value = 0.0;
    if (!ParseNumber(text, value))
    {
        return false;
    }
    value /= divisor;
    if (value < 1.0 || value > 2.0)
    {
        return false;
    }
    scale = value;
    return true;
}

// tovik's window for the editor, which the plug-in may ask to resize from a thread of its own (Xlib is
// told it is threaded before anything else).
class EditorWindow
{
public:
    EditorWindow(Display* display, const std::string& title, int width, int height) : m_Display(display)
    {
        const int screen = DefaultScreen(display);
        m_Window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                                       static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                                       BlackPixel(display, screen), BlackPixel(display, screen));
        XStoreName(display, m_Window, title.c_str());
        m_DeleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
        XSetWMProtocols(display, m_Window, &m_DeleteWindow, 1);
        XSelectInput(display, m_Window, StructureNotifyMask);
        XMapWindow(display, m_Window);
        m_Width = width;
        m_Height = height;
        XSync(display, False);
    }
    ~EditorWindow() { XDestroyWindow(m_Display, m_Window); }
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    Window Id() const { return m_Window; }
    Atom DeleteMessage() const { return m_DeleteWindow; }
    int Width() const { return m_Width; }
    int Height() const { return m_Height; }

    // The editor's size, which the window keeps (a person cannot drag it to another).
    bool Resize(int width, int height)
    {
        if (width <= 0 || height <= 0 || width > kMaxEditorSide || height > kMaxEditorSide)
        {
            return false;
        }
        XResizeWindow(m_Display, m_Window, static_cast<unsigned>(width), static_cast<unsigned>(height));
        XSizeHints hints{};
        hints.flags = PMinSize | PMaxSize;
        hints.min_width = hints.max_width = width;
        hints.min_height = hints.max_height = height;
        XSetWMNormalHints(m_Display, m_Window, &hints);
        XSync(m_Display, False);
        m_Width = width;
        m_Height = height;
        return true;
    }

private:
    Display* m_Display;
    Window m_Window = 0;
    Atom m_DeleteWindow = 0;
    std::atomic<int> m_Width{0};
    std::atomic<int> m_Height{0};
};
} // namespace

int Editor(const Arguments& args)
{
    std::string pluginPath;
    double seconds = 0.0;
    std::optional<double> scale;
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
        else if (args[i] == "--scale" && i + 1 < args.size() && !scale)
        {
            double value = 0.0;
            if (!ParseScale(args[++i], value))
            {
                std::fprintf(stderr, "tovik: --scale needs a scale from 1 to 2 (or 100%% to 200%%)\n");
                return 2;
            }
            scale = value;
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
            std::fputs(kUsage, stderr);
            return 2;
        }
    }
    if (pluginPath.empty())
    {
        std::fputs(kUsage, stderr);
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
    if (session->Vst() == nullptr && session->ClapInstance() == nullptr)
    {
        std::fprintf(stderr, "tovik: the editor command opens VST and CLAP editors; %s is neither\n",
                     pluginPath.c_str());
        return 1;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        std::fprintf(stderr, "tovik: cannot open the X display (is DISPLAY set?)\n");
        return 1;
    }
    // Set once the window exists; the plug-in may ask before (it is refused then).
    std::atomic<EditorWindow*> window{nullptr};
    const auto resize = [&window](int width, int height)
    {
        EditorWindow* target = window.load();
        return target != nullptr && target->Resize(width, height);
    };
    auto editor = session->Vst() != nullptr
                      ? MakeVstEditor(*session->Vst(), resize, pluginPath, error)
                      : MakeClapEditor(*session->ClapInstance(), resize, pluginPath, error);
    if (!editor)
    {
        std::fprintf(stderr, "tovik: %s\n", error.c_str());
        XCloseDisplay(display);
        return 1;
    }
    // Without --scale tovik says nothing, and the plug-in follows the screen as it sees it.
    if (scale && !editor->SetScale(*scale))
    {
        std::fprintf(stderr, "tovik: %s does not take a scale; its editor keeps its own size\n",
                     pluginPath.c_str());
    }

    // Many plug-ins know their size before the editor opens; some only once it is open, so the window
    // starts at the early size (or a stand-in) and takes the size reported after opening.
    int width = kStandInWidth;
    int height = kStandInHeight;
    editor->Size(width, height);
    std::optional<EditorWindow> own;
    own.emplace(display, session->Name() + " - tovik editor", width, height);
    window = &*own;
    // The editor goes before its parent window, the window before the display.
    const auto finish = [&]
    {
        window = nullptr;
        editor.reset();
        session->Stop();
        own.reset();
        XCloseDisplay(display);
    };

    const int block = 480;
    session->Start(48000.0, block);
    if (!editor->Open(own->Id(), error))
    {
        finish();
        std::fprintf(stderr, "tovik: %s: %s\n", pluginPath.c_str(), error.c_str());
        return 1;
    }
    if (!editor->Size(width, height))
    {
        finish();
        std::fprintf(stderr, "tovik: %s reports no editor size\n", pluginPath.c_str());
        return 1;
    }
    own->Resize(width, height);
    std::printf("Editor of %s open; close its window (or press Ctrl-C) to quit.\n", session->Name().c_str());
    std::fflush(stdout);

    auto previous = std::signal(SIGINT, OnInterrupt);
    const std::vector<float> noise = PinkNoise(48000, 7, 0.1f);
    editor->PrintChanges();
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
        editor->Idle();
        editor->PrintChanges();

        while (XPending(display) > 0)
        {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage &&
                static_cast<Atom>(event.xclient.data.l[0]) == own->DeleteMessage())
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
            if (!Screenshot(display, own->Id(), own->Width(), own->Height(), screenshot, shotError))
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
    finish();
    return 0;
}
} // namespace KVX::Tovik
