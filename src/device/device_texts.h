// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The description's texts as the framework takes them: wide strings.
#include <string>
#include <string_view>

namespace KVX::Device
{
// The description's texts are ASCII, so each byte is one character.
std::u16string Wide(std::string_view text);

// Caption of every error box: the product's name, one blank and its version text.
std::u16string ErrorCaption();
} // namespace KVX::Device
