// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The subcommands of the command-line host.
#include <string>
#include <vector>

namespace KVX::Tovik
{
using Arguments = std::vector<std::string>;

// Each returns the process exit code (2 for a malformed command line, 1 for any other failure) and
// reports failures as one line on standard error.
int Info(const Arguments& args);
int Render(const Arguments& args);
int Response(const Arguments& args);
int Preset(const Arguments& args);
int Bench(const Arguments& args);
int Demo(const Arguments& args);
int Editor(const Arguments& args);
int Fit(const Arguments& args);
int Match(const Arguments& args);
} // namespace KVX::Tovik
