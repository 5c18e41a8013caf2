// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor benchmarks' reading of this process's resident memory.
#include <fstream>
#include <string>

namespace KVX::Bench
{
// VmRSS from /proc/self/status, in KiB (0 when it cannot be read).
inline long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
    {
        if (line.rfind("VmRSS:", 0) == 0)
        {
            return std::stol(line.substr(6));
        }
    }
    return 0;
}
} // namespace KVX::Bench
