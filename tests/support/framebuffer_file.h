// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads the screen that Xvfb keeps in a file (its -fbdir option): unlike XGetImage, this shows the
// software cursor as it is drawn on the screen.
#include <cstdint>
#include <string>
#include <vector>

namespace KVX::Test
{
// Colours (0xRRGGBB) of a screen rectangle, row by row; empty when the file cannot be read as a
// 24- or 32-bit true-colour XWD screen or the rectangle is not inside it.
std::vector<std::uint32_t> ReadFramebufferFile(const std::string& path, int x, int y, int width, int height);
} // namespace KVX::Test
