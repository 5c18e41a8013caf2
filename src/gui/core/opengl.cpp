// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/opengl.h"

#include "gui/core/exceptions.h"
#include "platform/text.h"

#include <GL/glew.h>

#include <vector>

namespace KVX::OpenGL
{
namespace
{
GLenum DriverName(DriverText which)
{
    switch (which)
    {
    case DriverText::Vendor:
        return GL_VENDOR;
    case DriverText::Renderer:
        return GL_RENDERER;
    case DriverText::Version:
        break;
    }
    return GL_VERSION;
}

std::string ShaderLog(GLuint shader)
{
    GLint length = 0;
    glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 1), 0);
    glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return log.data();
}

std::string ProgramLog(GLuint program)
{
    GLint length = 0;
    glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
    std::vector<char> log(static_cast<std::size_t>(length > 0 ? length : 1), 0);
    glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
    return log.data();
}

bool Compile(GLuint shader, const std::string& source)
{
    const char* text = source.c_str();
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    GLint ok = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    return ok == GL_TRUE;
}

void BindSampler(GLuint program, const char* name, GLenum unit, GLint unitIndex,
                 const std::function<std::uint32_t()>& texture)
{
    const GLint location = glGetUniformLocation(program, name);
    if (location == -1 || !texture)
    {
        return;
    }
    if (const std::uint32_t bound = texture(); bound != 0)
    {
        glActiveTexture(unit);
        glBindTexture(GL_TEXTURE_2D, bound);
        glUniform1i(location, unitIndex);
    }
}
} // namespace

std::uint32_t TakeError()
{
    return glGetError();
}

bool GetDriverText(DriverText which, std::u16string& text)
{
    const auto* s = reinterpret_cast<const char*>(glGetString(DriverName(which)));
    if (s == nullptr)
    {
        return false;
    }
    text = Platform::Utf8ToUtf16(s);
    return true;
}

std::int32_t MaxTextureSize()
{
    GLint maximum = 0; // stays 0 when the query sets nothing
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maximum);
    return maximum;
}

void SetView(std::int32_t width, std::int32_t height, std::int32_t viewWidth, std::int32_t viewHeight)
{
    glViewport(0, 0, viewWidth, viewHeight);
    Exceptions::CheckGLError(u"glViewport");
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0); // one unit per panel unit, origin top left, y down
    Exceptions::CheckGLError(u"gluOrtho2D");
    Exceptions::CheckGLError(u"glMatrixMode");
}

void SetUpPixelDrawing(std::int32_t width, std::int32_t height, std::int32_t viewWidth,
                       std::int32_t viewHeight)
{
    glDisable(GL_LIGHTING);
    Exceptions::CheckGLError(u"glDisable(GL_LIGHTING)");
    glEnable(GL_BLEND);
    Exceptions::CheckGLError(u"glEnable(GL_BLEND)");
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    Exceptions::CheckGLError(u"glBlendFunc");
    SetView(width, height, viewWidth, viewHeight);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    Exceptions::CheckGLError(u"glClearColor");
    glEnable(GL_TEXTURE_2D);
    Exceptions::CheckGLError(u"glEnable(GL_TEXTURE_2D)");
    // The extension loader is bound to the context that is current: initialise it for every new one.
    glewExperimental = GL_TRUE;
    (void)glewInit();
    // The loader's probing may leave error flags behind; they are not the panel's.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i)
    {
    }
}

void ClearFrame()
{
    glClear(GL_COLOR_BUFFER_BIT);
}

std::uint32_t CreateTexture(const Platform::Bitmap& bitmap, std::int32_t textureWidth,
                            std::int32_t textureHeight, const std::u16string& imageName)
{
    GLuint texture = 0;
    glGenTextures(1, &texture);
    Exceptions::CheckGLError(u"glGenTextures");
    try
    {
        if (glActiveTexture != nullptr)
        {
            glActiveTexture(GL_TEXTURE0);
        }
        glBindTexture(GL_TEXTURE_2D, texture);
        Exceptions::CheckGLError(u"glBindTexture");
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        const GLenum format = bitmap.hasAlpha ? GL_BGRA : GL_BGR;
        glTexImage2D(GL_TEXTURE_2D, 0, bitmap.hasAlpha ? GL_RGBA8 : GL_RGB8, textureWidth, textureHeight, 0,
                     format, GL_UNSIGNED_BYTE, nullptr);
        Exceptions::CheckTexImageError(imageName, textureWidth, textureHeight);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, bitmap.stride / (bitmap.hasAlpha ? 4 : 3));
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, bitmap.width, bitmap.height, format, GL_UNSIGNED_BYTE,
                        bitmap.pixels.data());
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    }
    catch (...)
    {
        glDeleteTextures(1, &texture);
        throw;
    }
    return texture;
}

void DeleteTexture(std::uint32_t texture)
{
    const GLuint name = texture;
    glDeleteTextures(1, &name);
}

void DrawQuads(std::uint32_t texture, const Vertex* vertices, int count)
{
    if (glActiveTexture != nullptr)
    {
        glActiveTexture(GL_TEXTURE0);
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    glInterleavedArrays(GL_T2F_C4UB_V3F, 0, vertices);
    glDrawArrays(GL_QUADS, 0, count);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

bool BuildProgram(const std::string& vertexSource, const std::string& fragmentSource, Program& out)
{
    out = Program{};
    if (glCreateShader == nullptr)
    {
        return false;
    }
    out.vertexShader = glCreateShader(GL_VERTEX_SHADER);
    out.fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
    const bool vertexOk = Compile(out.vertexShader, vertexSource);
    const bool fragmentOk = Compile(out.fragmentShader, fragmentSource);
    out.compiled = vertexOk && fragmentOk;
    if (!out.compiled)
    {
        out.vertexLog = ShaderLog(out.vertexShader);
        out.fragmentLog = ShaderLog(out.fragmentShader);
    }
    // Both parts are attached: a program without its vertex part would not run on core drivers.
    out.program = glCreateProgram();
    glAttachShader(out.program, out.vertexShader);
    glAttachShader(out.program, out.fragmentShader);
    glLinkProgram(out.program);
    GLint linked = GL_FALSE;
    glGetProgramiv(out.program, GL_LINK_STATUS, &linked);
    out.linked = linked == GL_TRUE;
    if (!out.linked)
    {
        out.programLog = ProgramLog(out.program);
    }
    return true;
}

void DeleteProgram(std::uint32_t program, std::uint32_t vertexShader, std::uint32_t fragmentShader)
{
    glDeleteProgram(program);
    glDeleteShader(fragmentShader);
    glDeleteShader(vertexShader);
}

bool UseProgram(std::uint32_t program, std::uint32_t argb, const std::function<std::uint32_t()>& specular,
                const std::function<std::uint32_t()>& normal)
{
    if (glUseProgram == nullptr)
    {
        return false;
    }
    glUseProgram(program);
    const GLint colour = glGetUniformLocation(program, "g_Color");
    BindSampler(program, "g_TexSpec", GL_TEXTURE1, 1, specular);
    BindSampler(program, "g_TexNorm", GL_TEXTURE2, 2, normal);
    if (colour != -1)
    {
        glUniform4f(colour, static_cast<float>((argb >> 16) & 0xFF) / 255.0f,
                    static_cast<float>((argb >> 8) & 0xFF) / 255.0f, static_cast<float>(argb & 0xFF) / 255.0f,
                    static_cast<float>(argb >> 24) / 255.0f);
    }
    glActiveTexture(GL_TEXTURE0);
    return true;
}

void UseNoProgram()
{
    glUseProgram(0);
}
} // namespace KVX::OpenGL
