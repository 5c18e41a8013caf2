// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/host_window.h"

#include <X11/Xutil.h>
#include <X11/cursorfont.h>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace KVX::Test
{
HostWindow::HostWindow(int x, int y, int width, int height) : m_x(x), m_y(y)
{
    m_display = XOpenDisplay(nullptr);
    if (m_display == nullptr)
    {
        throw std::runtime_error("HostWindow: no display");
    }
    const int screen = DefaultScreen(m_display);
    m_window =
        XCreateSimpleWindow(m_display, RootWindow(m_display, screen), x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, 0, 0x404040);
    // Hosts show an arrow; without a cursor of its own Xvfb draws none on the screen.
    XDefineCursor(m_display, m_window, XCreateFontCursor(m_display, XC_left_ptr));
    XMapWindow(m_display, m_window);
    // Without a window manager mapping takes effect at once; still, wait for it.
    for (int i = 0; i < 1000; ++i)
    {
        XWindowAttributes attributes{};
        XGetWindowAttributes(m_display, m_window, &attributes);
        if (attributes.map_state == IsViewable)
        {
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    throw std::runtime_error("HostWindow: the window did not become viewable");
}

HostWindow::~HostWindow()
{
    Destroy();
    XCloseDisplay(m_display);
}

void HostWindow::Destroy()
{
    if (m_window != 0)
    {
        XDestroyWindow(m_display, m_window);
        XSync(m_display, False);
        m_window = 0;
    }
}

std::vector<::Window> HostWindow::Children() const
{
    std::vector<::Window> result;
    ::Window root = 0;
    ::Window parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (m_window != 0 && XQueryTree(m_display, m_window, &root, &parent, &children, &count))
    {
        result.assign(children, children + count);
        XFree(children);
    }
    return result;
}

std::vector<std::uint32_t> ReadWindowPixels(Display* display, ::Window window, int x, int y, int width,
                                            int height)
{
    std::vector<std::uint32_t> pixels;
    XImage* image = XGetImage(display, window, x, y, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
    {
        return pixels;
    }
    // Scale each channel by its mask so any true-colour layout reads as 0xRRGGBB.
    auto channel = [](unsigned long pixel, unsigned long mask) -> std::uint32_t
    {
        if (mask == 0)
        {
            return 0;
        }
        int shift = 0;
        while (((mask >> shift) & 1u) == 0)
        {
            ++shift;
        }
        const unsigned long max = mask >> shift;
        return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255u / max);
    };
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (int row = 0; row < height; ++row)
    {
        for (int column = 0; column < width; ++column)
        {
            const unsigned long pixel = XGetPixel(image, column, row);
            pixels.push_back(channel(pixel, image->red_mask) << 16 | channel(pixel, image->green_mask) << 8 |
                             channel(pixel, image->blue_mask));
        }
    }
    XDestroyImage(image);
    return pixels;
}
} // namespace KVX::Test
