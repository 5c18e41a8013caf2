// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/embedded_resources.h"
#include "platform/resources.h"
#include "platform/text.h"

namespace KVX::Platform
{
// A module that embeds nothing links no table of its own and sees this empty one.
[[gnu::weak]] std::span<const EmbeddedResource> EmbeddedResources()
{
    return {};
}

bool FindModuleResource(std::u16string_view name, std::u16string_view type, ResourceView& out)
{
    const std::u16string wantedName = AsciiLower(name);
    const std::u16string wantedType = AsciiLower(type);
    for (const auto& resource : EmbeddedResources())
    {
        if (AsciiLower(resource.name) == wantedName && AsciiLower(resource.type) == wantedType)
        {
            const auto size = static_cast<std::size_t>(resource.end - resource.begin);
            if (size == 0)
            {
                return false; // an empty resource counts as missing
            }
            out.data = resource.begin;
            out.size = size;
            return true;
        }
    }
    return false;
}
} // namespace KVX::Platform
