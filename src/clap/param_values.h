// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The host's view of a parameter: ids equal the device's parameter indices, values are plain (a band in
// dB, the switch 0 or 1), converted and shown by the device's value types.
#include "clap/clap_abi.h"

#include <cstdint>

namespace KVX::Clap
{
std::uint32_t ParamCount();

// `index` is below ParamCount().
ParamInfo InfoOf(std::uint32_t index);
} // namespace KVX::Clap
