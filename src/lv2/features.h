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

// A feature whose data is a record of host functions, e.g. FeatureWith(features, LV2_UI__resize,
// &LV2UI_Resize::ui_resize): null unless the host offered it with its data and that function, so that a
// feature handed in without the function counts as not offered.
template <class Record, class Function>
const Record* FeatureWith(const LV2_Feature* const* features, std::string_view uri,
                          Function Record::*function)
{
    const LV2_Feature* feature = FindFeature(features, uri);
    const auto* record = feature != nullptr ? static_cast<const Record*>(feature->data) : nullptr;
    return record != nullptr && record->*function != nullptr ? record : nullptr;
}
} // namespace KVX::LV2
