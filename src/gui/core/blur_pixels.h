// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The load-time blur of images that are loaded with a blur count (shadows): a cheap in-place diagonal
// average whose reach grows by one pixel per pass.
#include <cstdint>

namespace KVX
{
// Bytes per pixel = stride / width (3 or 4). For k = 1 … passes, one in-place sweep from the top row down
// and left to right within a row: each channel of (x, y) becomes the sum of that channel at
// (x ∓ k, y ∓ k) — coordinates clamped to the image — shifted right by 2. With hasAlpha all four
// channels, else the first three. Rows above the current one are already blurred when they are read.
// Null pixels, sizes ≤ 0 or a stride too small for one byte per pixel leave the image untouched.
void BlurPixels(std::uint8_t* pixels, int width, int height, int passes, int stride, bool hasAlpha);
} // namespace KVX
