// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Conversions at the text boundaries. Wide strings are UTF-16 everywhere.
#include <cstddef>
#include <string>
#include <string_view>

namespace KVX::Platform
{
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// Converts to the system's 8-bit code page (UTF-8 where the system has none) into a host buffer of
// `capacity` bytes including the terminating zero; a longer text is cut at a character boundary.
void WriteCodePageText(std::u16string_view text, char* buffer, std::size_t capacity);

// ASCII-only lower-casing, used for resource names.
std::u16string AsciiLower(std::u16string_view text);
} // namespace KVX::Platform
