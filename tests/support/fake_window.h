// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A window that records what the panel asks of it, for routing tests without a display.
#include "platform/window.h"

#include <vector>

namespace KVX::Test
{
class FakeWindow : public Platform::Window
{
public:
    std::uintptr_t NativeHandle() const override { return 1; }
    bool HasContext() const override { return false; }
    void SetCapture() override { ++captures; }
    void ReleaseCapture() override { ++releases; }
    void SetFocus() override {}
    bool GetCursorScreenPos(int& x, int& y) override
    {
        x = cursorX;
        y = cursorY;
        return true;
    }
    void SetCursorScreenPos(int x, int y) override
    {
        cursorX = x;
        cursorY = y;
        ++warps;
    }
    void ShowCursor(bool show) override { cursorVisible = show; }
    void Resize(int w, int h) override
    {
        width = w;
        height = h;
    }
    void Size(int& w, int& h) const override
    {
        w = width;
        h = height;
    }

    int captures = 0;
    int releases = 0;
    int warps = 0;
    int cursorX = 400;
    int cursorY = 300;
    bool cursorVisible = true;
    int width = 900;
    int height = 258;
};
} // namespace KVX::Test
