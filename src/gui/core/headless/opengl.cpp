// SPDX-License-Identifier: GPL-3.0-or-later
// The panel's OpenGL calls in a module built without OpenGL: its panel holds the parameter values but
// never opens a window, so no context ever exists. Should anything ask all the same, there is no driver,
// no error, and nothing is made or drawn.
#include "gui/core/opengl.h"

namespace KVX::OpenGL
{
std::uint32_t TakeError()
{
    return 0;
}

bool GetDriverText(DriverText, std::u16string&)
{
    return false;
}

std::int32_t MaxTextureSize()
{
    return 0;
}

void SetView(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}

void SetUpPixelDrawing(std::int32_t, std::int32_t, std::int32_t, std::int32_t) {}

void ClearFrame() {}

std::uint32_t CreateTexture(const Platform::Bitmap&, std::int32_t, std::int32_t, const std::u16string&)
{
    return 0;
}

void DeleteTexture(std::uint32_t) {}

void DrawQuads(std::uint32_t, const Vertex*, int) {}

bool BuildProgram(const std::string&, const std::string&, Program& out)
{
    out = Program{};
    return false;
}

void DeleteProgram(std::uint32_t, std::uint32_t, std::uint32_t) {}

bool UseProgram(std::uint32_t, std::uint32_t, const std::function<std::uint32_t()>&,
                const std::function<std::uint32_t()>&)
{
    return false;
}

void UseNoProgram() {}
} // namespace KVX::OpenGL
