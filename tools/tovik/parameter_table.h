// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The parameter table `info` and `preset load` print: index, name, normalised value, display, label.
namespace KVX::Host
{
class Plugin;
}

namespace KVX::Tovik
{
void PrintParameterTable(const Host::Plugin& plugin);
}
