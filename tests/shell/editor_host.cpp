// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor_host.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <thread>

namespace KVX::Test
{
namespace
{
// Room for the editor at twice its size.
Xvfb::Options ScreenOptions()
{
    Xvfb::Options options;
    options.screen = "2048x1280x24";
    return options;
}
const auto* const g_Server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment(ScreenOptions()));
}

void EditorHost::SetUp()
{
    ASSERT_NE(XvfbEnvironment::Server(), nullptr);
    std::string error;
    plugin = Host::Plugin::Load(KVX_PLUGIN_PATH, error);
    ASSERT_NE(plugin, nullptr) << error;
    host = std::make_unique<HostWindow>(kHostX, kHostY, 1000, 330);
}

void EditorHost::TearDown()
{
    if (plugin)
    {
        CloseEditor();
        plugin.reset();
    }
    host.reset();
}

bool EditorHost::OpenEditor()
{
    ERect* rect = nullptr;
    if (plugin->Dispatch(effEditGetRect, 0, 0, &rect) != 1 || rect == nullptr)
    {
        return false;
    }
    const auto parent = static_cast<std::uintptr_t>(host->Id());
    if (plugin->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)) != 1)
    {
        return false;
    }
    // The open returns before the first frame is drawn (that happens on the editor's thread): wait until
    // the panel shows where the host's grey was.
    // Under a sanitiser on a busy machine the first frame with every texture can take seconds.
    return WaitUntil([this] { return EditorWindow() != 0; }) &&
           WaitUntil([this] { return PanelShown(); }, std::chrono::seconds(30));
}

bool EditorHost::PanelShown() const
{
    const auto pixels = ReadWindowPixels(host->GetDisplay(), host->Id(), 600, 20, 1, 1);
    return !pixels.empty() && pixels[0] != kHostGrey;
}

void EditorHost::CloseEditor()
{
    plugin->Dispatch(effEditClose);
}

unsigned long EditorHost::EditorWindow() const
{
    const auto children = host->Children();
    return children.empty() ? 0 : children.front();
}

std::vector<std::uint32_t> EditorHost::PanelPixels() const
{
    return ReadWindowPixels(host->GetDisplay(), host->Id(), 0, 0, 900, 258);
}

std::vector<std::uint32_t> EditorHost::SettledPanelPixels() const
{
    std::vector<std::uint32_t> previous = PanelPixels();
    for (int attempt = 0; attempt < 50; ++attempt)
    {
        Frames(3);
        std::vector<std::uint32_t> current = PanelPixels();
        if (current == previous)
        {
            return current;
        }
        previous = std::move(current);
    }
    return previous;
}

bool EditorHost::WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
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

void EditorHost::Frames(int count)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(34 * count));
}

void EditorHost::MoveTo(int x, int y)
{
    Display* display = host->GetDisplay();
    XTestFakeMotionEvent(display, DefaultScreen(display), kHostX + x, kHostY + y, CurrentTime);
    XSync(display, False);
}

void EditorHost::Button(unsigned button, bool down)
{
    Display* display = host->GetDisplay();
    XTestFakeButtonEvent(display, button, down ? True : False, CurrentTime);
    XSync(display, False);
}

void EditorHost::Key(unsigned long keysym, bool down)
{
    Display* display = host->GetDisplay();
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, keysym), down ? True : False, CurrentTime);
    XSync(display, False);
}

std::uint32_t PixelAt(const std::vector<std::uint32_t>& pixels, int x, int y)
{
    return pixels.at(static_cast<std::size_t>(y) * 900 + static_cast<std::size_t>(x));
}

int ColourDistance(std::uint32_t a, std::uint32_t b)
{
    int worst = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const int d = std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF));
        worst = std::max(worst, d);
    }
    return worst;
}

bool WritePng(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height)
{
    if (pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
    {
        return false;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    auto* data = reinterpret_cast<std::uint32_t*>(cairo_image_surface_get_data(surface));
    const int stride = cairo_image_surface_get_stride(surface) / 4;
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            data[y * stride + x] = pixels[static_cast<std::size_t>(y) * width + x];
        }
    }
    cairo_surface_mark_dirty(surface);
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

std::vector<std::uint32_t> ReadPng(const std::string& path, int& width, int& height)
{
    cairo_surface_t* surface = cairo_image_surface_create_from_png(path.c_str());
    std::vector<std::uint32_t> out;
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
    {
        width = cairo_image_surface_get_width(surface);
        height = cairo_image_surface_get_height(surface);
        const int stride = cairo_image_surface_get_stride(surface) / 4;
        const auto* data = reinterpret_cast<const std::uint32_t*>(cairo_image_surface_get_data(surface));
        for (int y = 0; y < height; ++y)
        {
            for (int x = 0; x < width; ++x)
            {
                out.push_back(data[y * stride + x]); // premultiplied; the skin's panel is opaque
            }
        }
    }
    cairo_surface_destroy(surface);
    return out;
}
} // namespace KVX::Test
