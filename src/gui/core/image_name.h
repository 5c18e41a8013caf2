// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Image names: base [ "((" frames [ "x" columns ] "))" ] [ "##Sz" W "x" H "px" "Sb" blur ] "." extension.
// The frame part says how a sprite sheet is cut; the load part under which parameters it is cached.
#include <cstdint>
#include <string>

namespace KVX
{
// The cache key of an image loaded at W × H (−1 × −1 = own size) with `blur` passes.
std::u16string BuildImageName(const std::u16string& name, std::int32_t width, std::int32_t height,
                              std::int32_t blur);

// The name of an image's finer twin, drawn at `density` pixels per panel unit: "@2x" (for density 2)
// inserted right after the base name, before the first "((", "##" or "." of its file name (the part after
// the last '/' or '\\'). "Fader01((64x18))##Sz-1x-1pxSb0.png" → "Fader01@2x((64x18))##Sz-1x-1pxSb0.png".
// Density 1 (or less) gives the name itself; a name whose base is empty (a folder, "((2)).png") has no
// twin and gives "".
std::u16string TwinImageName(const std::u16string& name, std::int32_t density);

struct FrameLayout
{
    std::int32_t frames = 1;
    std::int32_t columns = 1;
};

// The frame layout a name declares; a name without a complete "((...))" part has one frame in one
// column. A part that does not begin with a number counts as one frame.
FrameLayout ParseFrameLayout(const std::u16string& name);
} // namespace KVX
