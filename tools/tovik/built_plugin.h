// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

namespace KVX::Tovik
{
// The equaliser built beside this program, as the build lays them out (and the install: tovik and the
// plug-in are found together only in a build folder, so commands take --plugin as well).
std::string BuiltPlugin();
} // namespace KVX::Tovik
