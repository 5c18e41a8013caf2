// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The panel's reference-counted shader programs. A shader name starts with "//"; its key is the rest of
// its first line. A key whose part after the first '.' is "ps" names a resource of type "GLSL"; any other
// name is the source itself. The vertex part precedes the first "//PS", the fragment part follows it.
#include "gui/core/slots.h"

#include <map>
#include <string>

namespace KVX
{
class CShaderCache
{
public:
    // The entry for the shader, building it on first use; adds a reference when it holds a program.
    ShaderSlot GetShader(const std::u16string& shaderName);
    // Drops one reference, deleting program and shaders with the last; clears the slot.
    void FreeShader(ShaderSlot& slot);

    // The reports of the last build: "NO ERROR", or the compile and link logs.
    const std::u16string& Log() const { return m_Log; }
    std::size_t Size() const { return m_Entries.size(); }

private:
    std::map<std::u16string, ShaderSlot> m_Entries;
    std::u16string m_Log;
};

// The key of a shader name, or empty when the text is not a shader name.
std::u16string ShaderKey(const std::u16string& shaderName);
} // namespace KVX
