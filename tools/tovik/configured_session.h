// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A session with a preset file and --set values applied, in that order, before it is started.
#include "plugin_session.h"

#include <optional>
#include <string>
#include <vector>

namespace KVX::Tovik
{
std::unique_ptr<Session> OpenConfigured(const PluginChoice& choice, const std::optional<std::string>& preset,
                                        const std::vector<std::string>& sets, std::string& error);
}
