// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Writing a measured response as a plot and as a table of numbers.
#include "response_measurement.h"

#include <optional>
#include <string>

namespace KVX::Tovik
{
// Either file may be absent; each appears only when complete.
bool WriteResponseFiles(const ResponseCurves& curves, const std::string& title, const std::string& subtitle,
                        const std::optional<std::string>& plotPath, const std::optional<std::string>& csvPath,
                        std::string& error);
} // namespace KVX::Tovik
