// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's editor window: creation and destruction from the host's thread, and everything that runs on
// the window's own thread with its OpenGL context current (set-up, frames, release).
#include "gui/core/exceptions.h"
#include "gui/core/gui.h"
#include "gui/core/opengl.h"
#include "gui/widgets/meter.h"
#include "platform/text.h"

namespace KVX
{
namespace
{
// The panel's report for a failing platform call.
void ThrowReport(const Platform::SystemError& error)
{
    if (error.openGL)
    {
        throw Exceptions::OGL(Platform::Utf8ToUtf16(error.function), static_cast<std::int32_t>(error.code));
    }
    throw Exceptions::StdFunc(u"CreateWindow", static_cast<std::int32_t>(error.code), u"KVXGUIWindow");
}
} // namespace

void CGUI::CreatePanelWindow()
{
    if (m_Window || m_ParentWindow == 0)
    {
        return;
    }
    try
    {
        Platform::WindowOptions options;
        options.parent = m_ParentWindow;
        ScaledSize(options.width, options.height);
        options.framePeriodMs = static_cast<unsigned>(1000.0f / static_cast<float>(m_FrameRate));
        try
        {
            Platform::Window::Create(options, this, m_Window);
        }
        catch (const Platform::SystemError& error)
        {
            ThrowReport(error);
        }
    }
    catch (const Exceptions::Std& error)
    {
        // The editor stays open in the host's eyes, blank; the panel and its values are unharmed.
        error.Show(m_ErrorCaption, nullptr);
    }
}

void CGUI::OnContextFailed(std::exception_ptr failure)
{
    try
    {
        try
        {
            std::rethrow_exception(failure);
        }
        catch (const Platform::SystemError& error)
        {
            ThrowReport(error);
        }
    }
    catch (const Exceptions::Std& error)
    {
        // The window stays, blank, as after a failed window creation.
        error.Show(m_ErrorCaption, nullptr);
    }
}

void CGUI::DestroyPanelWindow()
{
    if (!m_Window)
    {
        return;
    }
    // The window's thread may read m_Window until it has been joined by the window's destructor.
    Platform::Window* window = m_Window.get();
    delete window;
    (void)m_Window.release();
    m_Shown = false;
}

void CGUI::InitGL()
{
    int width = m_Width;
    int height = m_Height;
    if (m_Window)
    {
        m_Window->Size(width, height);
    }
    OpenGL::SetUpPixelDrawing(m_Width, m_Height, width, height);
    ApplyView(width, height);
}

void CGUI::OnResized(int width, int height)
{
    if (!m_GLReady)
    {
        return;
    }
    m_Edit.Deactivate(); // the field sits where the old size put it
    OpenGL::SetView(m_Width, m_Height, width, height);
    ApplyView(width, height);
    m_RedrawPending = true;
}

void CGUI::ApplyView(int width, int height)
{
    m_ViewWidth = width > 0 ? width : m_Width;
    m_ViewHeight = height > 0 ? height : m_Height;
    const std::int32_t density = ViewScale() > 1.0 ? 2 : 1;
    // Text is rendered for the pixels it lands on, and pictures come from the sheets that match them:
    // every widget loads again, lazily, at the next frame.
    for (CWidget* widget : m_Widgets)
    {
        widget->ReleaseTextures();
    }
    m_Density = density;
}

void CGUI::OnContextCreated()
{
    InitGL();
    m_GLReady = true;
    m_Shown = true;
    m_RedrawPending = true;
    ReDraw(0);
}

bool CGUI::OnFrame(std::uint32_t timeMs)
{
    // The clock keeps ticking so that animations advance, but an unchanged picture is neither drawn nor
    // presented: on a software renderer a full redraw is the editor's whole cost.
    return RunFrame(timeMs, false);
}

void CGUI::OnExposed()
{
    m_RedrawPending = true;
}

std::uint64_t CGUI::PresentedFrames() const
{
    return m_Window ? m_Window->PresentedFrames() : 0;
}

namespace
{
// FNV-1a over the values a frame's picture is made from.
struct DrawStamp
{
    std::uint64_t hash = 14695981039346656037ull;

    void Bytes(const void* data, std::size_t size)
    {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < size; ++i)
        {
            hash = (hash ^ bytes[i]) * 1099511628211ull;
        }
    }
    template <typename T> void Add(const T& value) { Bytes(&value, sizeof value); }
    void Add(const std::u16string& text)
    {
        Add(text.size());
        Bytes(text.data(), text.size() * sizeof(char16_t));
    }
};
} // namespace

std::uint64_t CGUI::PictureStamp() const
{
    DrawStamp stamp;
    for (const CWidget* widget : m_Widgets)
    {
        stamp.Add(widget->X());
        stamp.Add(widget->Y());
        stamp.Add(widget->Width());
        stamp.Add(widget->Height());
        stamp.Add(widget->Opacity());
        stamp.Add(widget->OpacityTarget());
        stamp.Add(widget->HoverLevel());
        stamp.Add(widget->IsEnabled());
        stamp.Add(widget->GetText(false));
        if (const auto* meter = dynamic_cast<const CMeter*>(widget))
        {
            stamp.Add(meter->Value());
            stamp.Add(meter->ShownValue());
        }
    }
    stamp.Add(m_HintTarget);
    stamp.Add(m_Edit.Target());
    stamp.Add(m_Hovered);
    stamp.Add(m_Pressed);
    return stamp.hash;
}

void CGUI::OnContextReleasing()
{
    ReleaseGL();
}

void CGUI::ReleaseGL()
{
    if (!m_GLReady)
    {
        return;
    }
    for (CWidget* widget : m_Widgets)
    {
        widget->ReleaseTextures();
        widget->ReleaseShader();
    }
    m_GLReady = false;
}

bool CGUI::ReDraw(std::uint32_t timeMs)
{
    return RunFrame(timeMs, true);
}

bool CGUI::RunFrame(std::uint32_t timeMs, bool always)
{
    if (!m_GLReady || m_ShowingError)
    {
        return false; // ticks from inside the error box's modal loop wait until it is closed
    }
    auto elapsed = static_cast<std::int32_t>(timeMs - m_LastFrameTime);
    m_LastFrameTime = timeMs;
    if (elapsed < 0)
    {
        elapsed = 0; // a clock that steps back must not run the animations backwards
    }
    const auto elapsedMs = static_cast<float>(elapsed);
    for (CWidget* widget : m_Widgets)
    {
        widget->Tick(elapsedMs);
    }
    m_HintTarget = m_Hint.Update(elapsedMs, m_Hovered);
    const std::uint64_t stamp = PictureStamp();
    if (!always && !m_RedrawPending && stamp == m_LastStamp)
    {
        return false;
    }
    try
    {
        long code = 0;
        if (m_Window && !m_Window->MakeContextCurrent(code))
        {
            throw Exceptions::OGL(u"ReDraw::wglMakeCurrent", static_cast<std::int32_t>(code));
        }
        // Until this frame is complete the shown picture is not known to match.
        m_RedrawPending = true;
        OpenGL::ClearFrame();
        for (CWidget* widget : m_Widgets)
        {
            if (widget == &m_Hint || widget == &m_Edit)
            {
                continue; // drawn last, on top of everything
            }
            if (widget->Opacity() != 0.0f || widget->OpacityTarget() != 0.0f)
            {
                widget->Draw();
            }
        }
        if (m_HintTarget != nullptr)
        {
            m_Hint.Draw();
        }
        m_Edit.Draw();
        m_LastStamp = stamp;
        m_RedrawPending = false;
        return true;
    }
    catch (const Exceptions::Std& error)
    {
        const std::uintptr_t owner = m_Window ? m_Window->NativeHandle() : 0;
        struct Showing
        {
            bool& flag;
            ~Showing() { flag = false; }
        } showing{m_ShowingError = true};
        error.Show(m_ErrorCaption, reinterpret_cast<void*>(owner));
        return false;
    }
}

TextureSlot CGUI::GetTexture(const std::u16string& name, const std::u16string& path, std::int32_t width,
                             std::int32_t height, std::int32_t blur)
{
    return m_Textures.GetTexture(name, path, width, height, blur, m_Density);
}

void CGUI::FreeTexture(TextureSlot& slot)
{
    m_Textures.FreeTexture(slot);
}

ShaderSlot CGUI::GetShader(const std::u16string& shaderName)
{
    return m_Shaders.GetShader(shaderName);
}

void CGUI::FreeShader(ShaderSlot& slot)
{
    m_Shaders.FreeShader(slot);
}

Platform::TextBox CGUI::MeasureText(const std::u16string& text, const Platform::Font& font) const
{
    return Platform::MeasureText(text, font);
}
} // namespace KVX
