// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every OpenGL call the panel and its widgets make, in one place. A module that never opens a window (the
// LV2 plug-in binary, which only processes audio) is built with headless/opengl.cpp in place of
// opengl.cpp and so needs no OpenGL library; its panel never has a context, so none of this is reached
// there, and the headless versions report no driver, make nothing and draw nothing.
//
// Everything here acts on the context current on the calling thread (the panel's window thread).
#include "platform/image.h"

#include <cstdint>
#include <functional>
#include <string>

namespace KVX::OpenGL
{
// One corner of a quad: texture coordinate, colour bytes (R, G, B, A), position. The layout is OpenGL's
// T2F_C4UB_V3F, which the quads are drawn from as they are.
struct Vertex
{
    float u;
    float v;
    std::uint8_t colour[4];
    float x;
    float y;
    float z;
};
static_assert(sizeof(Vertex) == 24);

enum class DriverText
{
    Vendor,
    Renderer,
    Version
};

// The oldest error flag of the context, which the read clears; 0 when none is set.
std::uint32_t TakeError();
// The driver's text (UTF-8 turned into UTF-16); false when it gives none, as without a current context.
bool GetDriverText(DriverText which, std::u16string& text);
// The largest texture side the driver takes; 0 when it does not say.
std::int32_t MaxTextureSize();

// Sets the fixed pipeline up for drawing in panel units, origin top left, on a panel of width × height
// units shown on viewWidth × viewHeight pixels (blending, textures, no lighting) and binds the extension
// loader to the context. Throws Exceptions::OGL naming the step that failed.
void SetUpPixelDrawing(std::int32_t width, std::int32_t height, std::int32_t viewWidth,
                       std::int32_t viewHeight);
// The same panel on a window of a new size.
void SetView(std::int32_t width, std::int32_t height, std::int32_t viewWidth, std::int32_t viewHeight);
void ClearFrame();

// A new texture with linear filtering, textureWidth × textureHeight, holding the bitmap in its top-left
// corner. Throws Exceptions::OGL, or OGLTexImage2D naming `imageName` when the storage cannot be made,
// and leaves no texture behind then.
std::uint32_t CreateTexture(const Platform::Bitmap& bitmap, std::int32_t textureWidth,
                            std::int32_t textureHeight, const std::u16string& imageName);
void DeleteTexture(std::uint32_t texture);
// Quads of four vertices each, from one texture on unit 0.
void DrawQuads(std::uint32_t texture, const Vertex* vertices, int count);

// A shader program made of a vertex and a fragment part; both are attached even when one failed to
// compile. The logs are read only for a step that failed.
struct Program
{
    std::uint32_t program = 0;
    std::uint32_t vertexShader = 0;
    std::uint32_t fragmentShader = 0;
    bool compiled = false; // both parts
    bool linked = false;
    std::string vertexLog;
    std::string fragmentLog;
    std::string programLog;
};
// False (and nothing made) without the OpenGL 2.0 entry points.
bool BuildProgram(const std::string& vertexSource, const std::string& fragmentSource, Program& out);
void DeleteProgram(std::uint32_t program, std::uint32_t vertexShader, std::uint32_t fragmentShader);

// Makes the program current for a widget's passes: its colour (ARGB) goes to the uniform g_Color, and
// the textures that `specular` and `normal` give go to units 1 and 2 for g_TexSpec and g_TexNorm; each
// is asked for only when the program reads that sampler. False (and nothing bound) when programs cannot
// be used. UseNoProgram goes back to the fixed pipeline.
bool UseProgram(std::uint32_t program, std::uint32_t argb, const std::function<std::uint32_t()>& specular,
                const std::function<std::uint32_t()>& normal);
void UseNoProgram();
} // namespace KVX::OpenGL
