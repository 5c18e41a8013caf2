// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/text.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace KVX::Platform
{
namespace
{
// Bytes that `text` takes in the ANSI code page.
int AnsiLength(const wchar_t* text, int length)
{
    return length > 0 ? WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr) : 0;
}
} // namespace

// Host texts are in the system's ANSI code page. A text too long for the buffer is cut after the last
// whole character that fits: never inside a surrogate pair, never between the two bytes of a double-byte
// character.
void WriteCodePageText(std::u16string_view text, char* buffer, std::size_t capacity)
{
    if (buffer == nullptr || capacity == 0)
    {
        return;
    }
    const auto* wide = reinterpret_cast<const wchar_t*>(text.data());
    const int limit = static_cast<int>(capacity - 1 < 0x7FFFFFFF ? capacity - 1 : 0x7FFFFFFF);
    int length = static_cast<int>(text.size() < 0x7FFFFFFF ? text.size() : 0x7FFFFFFF);
    if (AnsiLength(wide, length) > limit)
    {
        int fits = 0;
        int i = 0;
        while (i < length)
        {
            int next = i + 1;
            if (text[i] >= 0xD800 && text[i] <= 0xDBFF && next < length && text[next] >= 0xDC00 &&
                text[next] <= 0xDFFF)
            {
                ++next;
            }
            if (AnsiLength(wide, next) > limit)
            {
                break;
            }
            fits = next;
            i = next;
        }
        length = fits;
    }
    const int written =
        length > 0 ? WideCharToMultiByte(CP_ACP, 0, wide, length, buffer, limit, nullptr, nullptr) : 0;
    buffer[written > 0 ? written : 0] = '\0';
}
} // namespace KVX::Platform
