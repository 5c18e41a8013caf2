// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/shader_cache.h"

#include "gui/core/resource_stream.h"
#include "platform/text.h"

#include <GL/glew.h>

#include <string>
#include <vector>

namespace KVX
{
namespace
{
std::u16string WithCrLf(const std::string& log)
{
    std::u16string out;
    for (char16_t c : Platform::Utf8ToUtf16(log))
    {
        if (c == u'\n')
        {
            out += u"\r\n";
        }
        else
        {
            out.push_back(c);
        }
    }
    return out;
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
} // namespace

std::u16string ShaderKey(const std::u16string& shaderName)
{
    if (shaderName.size() < 3 || shaderName.compare(0, 2, u"//") != 0)
    {
        return {};
    }
    const std::size_t end = shaderName.find(u"\r\n", 2);
    return shaderName.substr(2, end == std::u16string::npos ? std::u16string::npos : end - 2);
}

ShaderSlot CShaderCache::GetShader(const std::u16string& shaderName)
{
    const std::u16string key = ShaderKey(shaderName);
    if (key.empty())
    {
        return {};
    }
    ShaderSlot& entry = m_Entries[key];
    if (entry.program == 0)
    {
        std::string source;
        const std::size_t dot = key.find(u'.');
        if (dot != std::u16string::npos && key.substr(dot + 1) == u"ps")
        {
            Platform::ResourceView resource;
            if (OpenResourceStream(key, u"GLSL", resource, false))
            {
                source.assign(reinterpret_cast<const char*>(resource.data), resource.size);
            }
        }
        else
        {
            source = Platform::Utf16ToUtf8(shaderName);
        }
        // Without the OpenGL 2.0 entry points (no extension loader) there is nothing to build with.
        if (!source.empty() && glCreateShader != nullptr)
        {
            entry.usable = 1;
            m_Log = u"NO ERROR";
            const std::size_t split = source.find("//PS");
            const std::string vertexSource = source.substr(0, split);
            const std::string fragmentSource =
                split == std::string::npos ? std::string() : source.substr(split);
            entry.vertexShader = glCreateShader(GL_VERTEX_SHADER);
            entry.fragmentShader = glCreateShader(GL_FRAGMENT_SHADER);
            const bool vertexOk = Compile(entry.vertexShader, vertexSource);
            const bool fragmentOk = Compile(entry.fragmentShader, fragmentSource);
            if (!vertexOk || !fragmentOk)
            {
                m_Log = u"SHADER LOG: \r\n" + WithCrLf(ShaderLog(entry.vertexShader)) +
                        WithCrLf(ShaderLog(entry.fragmentShader));
                entry.usable = 0;
            }
            // Both parts are attached: a program without its vertex part would not run on core drivers.
            entry.program = glCreateProgram();
            glAttachShader(entry.program, entry.vertexShader);
            glAttachShader(entry.program, entry.fragmentShader);
            glLinkProgram(entry.program);
            GLint linked = GL_FALSE;
            glGetProgramiv(entry.program, GL_LINK_STATUS, &linked);
            if (linked != GL_TRUE)
            {
                // A compile report stays in front of the link report it explains.
                const std::u16string report = u"PROGRAM LOG: \r\n" + WithCrLf(ProgramLog(entry.program));
                m_Log = entry.usable != 0 ? report : m_Log + u"\r\n" + report;
                entry.usable = 0;
            }
        }
    }
    if (entry.program != 0)
    {
        ++entry.references;
    }
    return entry;
}

void CShaderCache::FreeShader(ShaderSlot& slot)
{
    if (slot.program != 0)
    {
        for (auto it = m_Entries.begin(); it != m_Entries.end(); ++it)
        {
            if (it->second.program == slot.program)
            {
                if (--it->second.references <= 0)
                {
                    glDeleteProgram(it->second.program);
                    glDeleteShader(it->second.fragmentShader);
                    glDeleteShader(it->second.vertexShader);
                    m_Entries.erase(it);
                }
                break;
            }
        }
    }
    slot = ShaderSlot{};
}
} // namespace KVX
