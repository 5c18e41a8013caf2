#pragma once
// The subcommands of the command-line host.
#include <string>
#include <vector>

namespace KVX::Tovik
{
using Arguments = std::vector<std::string>;

// Each returns the process exit code and reports failures as one line on standard error.
int Info(const Arguments& args);
} // namespace KVX::Tovik
