// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/wgl_context.h"

#include "platform/window.h"

namespace KVX::Platform::Windows
{
HGLRC CreateCurrentContext(HDC dc)
{
    PIXELFORMATDESCRIPTOR wanted{};
    wanted.nSize = sizeof wanted;
    wanted.nVersion = 1;
    wanted.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER | PFD_GENERIC_ACCELERATED;
    wanted.iPixelType = PFD_TYPE_RGBA;
    wanted.cColorBits = 32;
    wanted.iLayerType = PFD_MAIN_PLANE;
    // A driver without a matching format answers 0, which SetPixelFormat then refuses.
    const int format = ChoosePixelFormat(dc, &wanted);
    if (!SetPixelFormat(dc, format, &wanted))
    {
        throw SystemError("SetPixelFormat", static_cast<long>(GetLastError()), true);
    }
    HGLRC context = wglCreateContext(dc);
    if (context == nullptr)
    {
        throw SystemError("wglCreateContext", static_cast<long>(GetLastError()), true);
    }
    if (!wglMakeCurrent(dc, context))
    {
        const DWORD code = GetLastError();
        wglDeleteContext(context);
        throw SystemError("wglMakeCurrent", static_cast<long>(code), true);
    }
    return context;
}

CurrentContextScope::CurrentContextScope(HDC dc, HGLRC context)
    : m_PreviousDC(wglGetCurrentDC()), m_PreviousContext(wglGetCurrentContext()), m_Context(context),
      m_Current(m_PreviousContext == context || wglMakeCurrent(dc, context))
{
}

CurrentContextScope::~CurrentContextScope()
{
    // Another panel's context (another instance of the plug-in) goes back to being current.
    if (m_PreviousContext != nullptr && m_PreviousContext != m_Context)
    {
        wglMakeCurrent(m_PreviousDC, m_PreviousContext);
    }
}
} // namespace KVX::Platform::Windows
