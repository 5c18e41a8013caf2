// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs another program the way CI would: no standard input, no display, in a process group of its own that
// is taken down whole when the program overruns its time.
#include <chrono>
#include <map>
#include <string>
#include <vector>

namespace KVX::Test
{
struct ProgramRun
{
    int exitCode = -1;
    bool timedOut = false;
    // Processes of its group were still alive after the program itself had ended (they are killed).
    bool leftProcesses = false;
    std::string out;
    std::string err;
};

// `environment` entries replace the inherited ones of the same name; an empty value removes the variable.
ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::map<std::string, std::string>& environment, std::chrono::seconds timeout);

bool IsExecutable(const std::string& path);
} // namespace KVX::Test
