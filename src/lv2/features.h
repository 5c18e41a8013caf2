// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Looking up a host feature by its URI in the null-ended list a host hands an instance.
#include <lv2/core/lv2.h>

#include <string_view>

namespace KVX::LV2
{
// Null when the host did not offer it (or handed no list).
inline const LV2_Feature* FindFeature(const LV2_Feature* const* features, std::string_view uri)
{
    for (; features != nullptr && *features != nullptr; ++features)
    {
        if ((*features)->URI != nullptr && uri == (*features)->URI)
        {
            return *features;
        }
    }
    return nullptr;
}
} // namespace KVX::LV2
