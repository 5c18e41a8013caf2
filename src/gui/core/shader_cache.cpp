// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/shader_cache.h"

#include "gui/core/opengl.h"
#include "gui/core/resource_stream.h"
#include "platform/text.h"

#include <string>

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
        const std::size_t split = source.find("//PS");
        OpenGL::Program built;
        // Without the OpenGL 2.0 entry points (no extension loader) there is nothing to build with.
        if (!source.empty() &&
            OpenGL::BuildProgram(source.substr(0, split),
                                 split == std::string::npos ? std::string() : source.substr(split), built))
        {
            entry.program = built.program;
            entry.vertexShader = built.vertexShader;
            entry.fragmentShader = built.fragmentShader;
            entry.usable = built.compiled && built.linked ? 1 : 0;
            m_Log = u"NO ERROR";
            if (!built.compiled)
            {
                m_Log = u"SHADER LOG: \r\n" + WithCrLf(built.vertexLog) + WithCrLf(built.fragmentLog);
            }
            if (!built.linked)
            {
                // A compile report stays in front of the link report it explains.
                const std::u16string report = u"PROGRAM LOG: \r\n" + WithCrLf(built.programLog);
                m_Log = built.compiled ? report : m_Log + u"\r\n" + report;
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
                    OpenGL::DeleteProgram(it->second.program, it->second.vertexShader,
                                          it->second.fragmentShader);
                    m_Entries.erase(it);
                }
                break;
            }
        }
    }
    slot = ShaderSlot{};
}
} // namespace KVX
