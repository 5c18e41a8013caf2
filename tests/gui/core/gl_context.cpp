// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "gl_context.h"
#include "support/xvfb.h"

#include <GL/glew.h>
#include <GL/glx.h>

namespace KVX::Test
{
namespace
{
const auto* const g_Server = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);
}

GLContext::GLContext()
{
    m_Display = XOpenDisplay(nullptr);
    if (m_Display == nullptr)
    {
        return;
    }
    int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_RED_SIZE, 8, GLX_GREEN_SIZE, 8, GLX_BLUE_SIZE, 8,
                        None};
    XVisualInfo* visual = glXChooseVisual(m_Display, DefaultScreen(m_Display), attributes);
    if (visual == nullptr)
    {
        return;
    }
    XSetWindowAttributes set{};
    set.colormap =
        XCreateColormap(m_Display, RootWindow(m_Display, visual->screen), visual->visual, AllocNone);
    m_Window = XCreateWindow(m_Display, RootWindow(m_Display, visual->screen), 0, 0, 64, 64, 0, visual->depth,
                             InputOutput, visual->visual, CWColormap, &set);
    GLXContext context = glXCreateContext(m_Display, visual, nullptr, True);
    XFree(visual);
    if (context == nullptr || !glXMakeCurrent(m_Display, m_Window, context))
    {
        return;
    }
    m_Context = context;
    glewExperimental = GL_TRUE;
    glewInit();
    while (glGetError() != GL_NO_ERROR)
    {
    }
}

GLContext::~GLContext()
{
    if (m_Context != nullptr)
    {
        glXMakeCurrent(m_Display, 0, nullptr);
        glXDestroyContext(m_Display, static_cast<GLXContext>(m_Context));
    }
    if (m_Window != 0)
    {
        XDestroyWindow(m_Display, m_Window);
    }
    if (m_Display != nullptr)
    {
        XCloseDisplay(m_Display);
    }
}
} // namespace KVX::Test
