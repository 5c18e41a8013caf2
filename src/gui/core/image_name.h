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

struct FrameLayout
{
    std::int32_t frames = 1;
    std::int32_t columns = 1;
};

// The frame layout a name declares; a name without a complete "((...))" part has one frame in one
// column. A part that does not begin with a number counts as one frame.
FrameLayout ParseFrameLayout(const std::u16string& name);
} // namespace KVX
