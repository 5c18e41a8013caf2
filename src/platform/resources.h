// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Read-only access to the module's own resources, found by name and type without regard to letter case.
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace KVX::Platform
{
struct ResourceView
{
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
};

// True when the module holds a non-empty resource of that name and type.
bool FindModuleResource(std::u16string_view name, std::u16string_view type, ResourceView& out);
} // namespace KVX::Platform
