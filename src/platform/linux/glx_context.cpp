// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/glx_context.h"

#include "platform/window.h"

namespace KVX::Platform
{
namespace
{
int Attribute(Display* display, GLXFBConfig config, int attribute)
{
    int value = 0;
    glXGetFBConfigAttrib(display, config, attribute, &value);
    return value;
}
} // namespace

bool ChooseGlxFormat(Display* display, int screen, GlxFormat& format)
{
    int errorBase = 0;
    int eventBase = 0;
    int major = 0;
    int minor = 0;
    if (!glXQueryExtension(display, &errorBase, &eventBase) || !glXQueryVersion(display, &major, &minor) ||
        major < 1 || (major == 1 && minor < 3))
    {
        return false;
    }

    const int wanted[] = {GLX_X_RENDERABLE,
                          True,
                          GLX_DRAWABLE_TYPE,
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
    if (configs == nullptr)
    {
        return false;
    }

    // The server sorts deeper depth buffers first; walk the list for the plainest format with a visual.
    int best = -1;
    int bestExtras = 0;
    for (int i = 0; i < count; ++i)
    {
        XVisualInfo* visual = glXGetVisualFromFBConfig(display, configs[i]);
        if (visual == nullptr)
        {
            continue;
        }
        const int extras =
            Attribute(display, configs[i], GLX_ALPHA_SIZE) + Attribute(display, configs[i], GLX_DEPTH_SIZE) +
            Attribute(display, configs[i], GLX_STENCIL_SIZE) + (visual->depth == 24 ? 0 : 1000);
        XFree(visual);
        if (best < 0 || extras < bestExtras)
        {
            best = i;
            bestExtras = extras;
        }
    }

    bool found = false;
    if (best >= 0)
    {
        XVisualInfo* visual = glXGetVisualFromFBConfig(display, configs[best]);
        if (visual != nullptr)
        {
            format.config = configs[best];
            format.visual = *visual;
            XFree(visual);
            found = true;
        }
    }
    XFree(configs);
    return found;
}

GLXContext CreateCurrentContext(Display* display, const GlxFormat& format, ::Window window,
                                X11ErrorTrap& trap)
{
    GLXContext context = glXCreateNewContext(display, format.config, GLX_RGBA_TYPE, nullptr, True);
    int error = trap.Sync();
    if (context == nullptr || error != Success)
    {
        if (context != nullptr)
        {
            glXDestroyContext(display, context);
            trap.Sync();
        }
        throw SystemError("glXCreateContext", error, true);
    }
    const Bool current = glXMakeCurrent(display, window, context);
    error = trap.Sync();
    if (!current || error != Success)
    {
        DestroyContext(display, context);
        trap.Sync();
        throw SystemError("glXMakeCurrent", error, true);
    }
    return context;
}

void DestroyContext(Display* display, GLXContext context)
{
    glXMakeCurrent(display, None, nullptr);
    glXDestroyContext(display, context);
}
} // namespace KVX::Platform
