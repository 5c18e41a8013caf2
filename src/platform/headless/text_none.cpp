// SPDX-License-Identifier: GPL-3.0-or-later
// A build without fonts: text measures empty and draws nothing, as on a machine without any font.
#include "platform/font.h"

namespace KVX::Platform
{
TextBox MeasureText(std::u16string_view, const Font&)
{
    return {};
}

bool RenderText(Bitmap&, std::u16string_view, const Font&, std::uint32_t, const TextBox&, TextAlign,
                TextAlign, bool)
{
    return false;
}

std::u16string ResolvedFontFamily(const Font&)
{
    return {};
}
} // namespace KVX::Platform
