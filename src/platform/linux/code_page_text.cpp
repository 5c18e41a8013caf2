// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text.h"

#include <cstring>

namespace KVX::Platform
{
// Linux has no 8-bit code page of its own: host texts are UTF-8, cut at a character boundary.
void WriteCodePageText(std::u16string_view text, char* buffer, std::size_t capacity)
{
    if (buffer == nullptr || capacity == 0)
    {
        return;
    }
    const std::string utf8 = Utf16ToUtf8(text);
    std::size_t n = utf8.size() < capacity - 1 ? utf8.size() : capacity - 1;
    while (n > 0 && n < utf8.size() && (static_cast<unsigned char>(utf8[n]) & 0xC0) == 0x80)
    {
        --n;
    }
    std::memcpy(buffer, utf8.data(), n);
    buffer[n] = '\0';
}
} // namespace KVX::Platform
