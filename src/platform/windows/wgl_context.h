// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows only: the panel's pixel format and OpenGL rendering context.
#include <windows.h>

namespace KVX::Platform::Windows
{
// Gives the window behind `dc` a double-buffered 32-bit RGBA pixel format without depth, stencil or
// alpha, creates a context for it and makes it current on the calling thread. Throws SystemError (as an
// OpenGL failure) naming the call that failed; nothing is left behind then.
HGLRC CreateCurrentContext(HDC dc);

// A context and the device context it draws to; restores whatever was current before when it ends.
class CurrentContextScope
{
public:
    CurrentContextScope(HDC dc, HGLRC context);
    ~CurrentContextScope();
    CurrentContextScope(const CurrentContextScope&) = delete;
    CurrentContextScope& operator=(const CurrentContextScope&) = delete;

    bool Current() const { return m_Current; }

private:
    HDC m_PreviousDC;
    HGLRC m_PreviousContext;
    HGLRC m_Context;
    bool m_Current;
};
} // namespace KVX::Platform::Windows
