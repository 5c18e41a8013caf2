// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A top-level window standing in for the window a host gives the editor, on a display connection of its
// own, plus reading pixels back from the screen.
#include <X11/Xlib.h>

#include <cstdint>
#include <vector>

namespace KVX::Test
{
class HostWindow
{
public:
    // Creates and maps the window at (x, y) of the root window, grey with an arrow cursor, and waits until
    // it is viewable.
    HostWindow(int x, int y, int width, int height);
    ~HostWindow();
    HostWindow(const HostWindow&) = delete;
    HostWindow& operator=(const HostWindow&) = delete;

    Display* GetDisplay() const { return m_display; }
    ::Window Id() const { return m_window; }
    int X() const { return m_x; }
    int Y() const { return m_y; }

    // Destroys the window now, as a host does that closes its window before the editor.
    void Destroy();
    // The window's children, as the server sees them.
    std::vector<::Window> Children() const;

private:
    Display* m_display = nullptr;
    ::Window m_window = 0;
    int m_x;
    int m_y;
};

// Colours (0xRRGGBB) of a rectangle of a viewable window, row by row; empty when it cannot be read.
std::vector<std::uint32_t> ReadWindowPixels(Display* display, ::Window window, int x, int y, int width,
                                            int height);
} // namespace KVX::Test
