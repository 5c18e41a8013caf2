// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the panel's texture and shader caches hand out and a widget keeps per image or program.
#include <cstdint>

namespace KVX
{
struct TextureSlot
{
    std::uint32_t texture = 0; // OpenGL texture name, 0 = none
    std::int32_t width = 0;    // panel units covered by the loaded image: its pixels / density
    std::int32_t height = 0;
    float uExtent = 1.0f; // image pixel width / texture width
    float vExtent = 1.0f;
    std::int32_t columns = 1;
    std::int32_t frames = 1;
    std::int32_t density = 1; // image pixels per panel unit: 2 for an image drawn for 200 % screens

    bool IsLoaded() const { return texture != 0 && width != 0 && height != 0; }
};

struct ShaderSlot
{
    std::uint32_t program = 0;
    std::uint32_t vertexShader = 0;
    std::uint32_t fragmentShader = 0;
    std::int32_t references = 0;
    std::uint8_t usable = 0;
};
} // namespace KVX
