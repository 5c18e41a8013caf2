// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The module's resources as the panel and the preset loader read them.
#include "platform/resources.h"

#include <string>

namespace KVX
{
// Finds a resource by name and type (letter case ignored). A missing or empty resource gives false, or
// throws Exceptions::Std naming the resource and its type when `throwIfMissing` is set.
bool OpenResourceStream(const std::u16string& name, const std::u16string& type, Platform::ResourceView& out,
                        bool throwIfMissing);
} // namespace KVX
