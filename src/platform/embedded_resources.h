// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Module resources carried inside the shared object (Linux). Each build of a module links one generated
// table; a module that embeds nothing sees an empty one.
#include <span>

namespace KVX::Platform
{
struct EmbeddedResource
{
    const char16_t* name;
    const char16_t* type;
    const unsigned char* begin;
    const unsigned char* end;
};

std::span<const EmbeddedResource> EmbeddedResources();
} // namespace KVX::Platform
