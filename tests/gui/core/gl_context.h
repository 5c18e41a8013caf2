// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An OpenGL context current on the test's thread, on the private X server, for tests of code that
// needs one (texture uploads, shaders).
#include <X11/Xlib.h>

namespace KVX::Test
{
class GLContext
{
public:
    GLContext();
    ~GLContext();
    GLContext(const GLContext&) = delete;
    GLContext& operator=(const GLContext&) = delete;

    bool Ok() const { return m_Context != nullptr; }

private:
    Display* m_Display = nullptr;
    ::Window m_Window = 0;
    void* m_Context = nullptr;
};
} // namespace KVX::Test
