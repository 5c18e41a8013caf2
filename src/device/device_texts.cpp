// SPDX-License-Identifier: GPL-3.0-or-later
#include "device/device_texts.h"

#include "device/description.h"

namespace KVX::Device
{
std::u16string Wide(std::string_view text)
{
    return std::u16string(text.begin(), text.end());
}

std::u16string ErrorCaption()
{
    return Wide(Description::kIdentity.name) + u" " + Wide(Description::kIdentity.versionText);
}
} // namespace KVX::Device
