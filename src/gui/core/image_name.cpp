// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/image_name.h"

#include "gui/core/exceptions.h"

#include <algorithm>

namespace KVX
{
namespace
{
// The leading decimal integer of `text` (an optional sign, then digits); false when there is none.
bool LeadingInteger(const std::u16string& text, std::int32_t& value)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
    {
        negative = text[i] == u'-';
        ++i;
    }
    if (i >= text.size() || text[i] < u'0' || text[i] > u'9')
    {
        return false;
    }
    std::int64_t v = 0;
    for (; i < text.size() && text[i] >= u'0' && text[i] <= u'9'; ++i)
    {
        v = v * 10 + (text[i] - u'0');
        if (v > 1'000'000)
        {
            v = 1'000'000; // far beyond any sheet; keeps later arithmetic finite
        }
    }
    value = static_cast<std::int32_t>(negative ? -v : v);
    return true;
}
} // namespace

std::u16string BuildImageName(const std::u16string& name, std::int32_t width, std::int32_t height,
                              std::int32_t blur)
{
    const std::size_t hashes = name.find(u"##");
    const std::u16string stemPart = hashes == std::u16string::npos ? name : name.substr(0, hashes);
    const std::size_t fullDot = name.find(u'.');
    const std::u16string extension = fullDot == std::u16string::npos ? u"" : name.substr(fullDot + 1);
    std::u16string stem = stemPart.substr(0, stemPart.find(u'.'));
    for (auto& c : stem)
    {
        if (c == u' ')
        {
            c = u'_';
        }
    }
    return stem + u"##Sz" + Exceptions::Decimal(width) + u"x" + Exceptions::Decimal(height) + u"pxSb" +
           Exceptions::Decimal(blur) + u"." + extension;
}

std::u16string TwinImageName(const std::u16string& name, std::int32_t density)
{
    if (density <= 1)
    {
        return name;
    }
    const std::size_t separator = name.find_last_of(u"/\\");
    const std::size_t start = separator == std::u16string::npos ? 0 : separator + 1;
    std::size_t end = name.size();
    for (const char16_t* mark : {u"((", u"##", u"."})
    {
        end = std::min(end, name.find(mark, start));
    }
    if (end == start)
    {
        return {};
    }
    return name.substr(0, end) + u"@" + Exceptions::Decimal(density) + u"x" + name.substr(end);
}

FrameLayout ParseFrameLayout(const std::u16string& name)
{
    FrameLayout layout;
    const std::size_t open = name.find(u"((");
    if (open == std::u16string::npos)
    {
        return layout;
    }
    const std::size_t close = name.find(u"))", open + 2);
    if (close == std::u16string::npos)
    {
        return layout;
    }
    const std::u16string part = name.substr(open + 2, close - open - 2);
    std::int32_t frames = 0;
    if (!part.empty() && !LeadingInteger(part, frames))
    {
        return layout;
    }
    // Frame selection divides by both counts: a sheet has at least one frame and one column.
    layout.frames = frames > 0 ? frames : 1;
    const std::size_t x = part.find(u'x');
    if (x != std::u16string::npos)
    {
        std::int32_t columns = 1;
        if (LeadingInteger(part.substr(x + 1), columns))
        {
            layout.columns = columns > 0 ? columns : 1;
        }
    }
    return layout;
}
} // namespace KVX
