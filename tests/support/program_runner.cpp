// SPDX-License-Identifier: GPL-3.0-or-later
#include "program_runner.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace KVX::Test
{
namespace
{
std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& changes)
{
    std::vector<std::string> merged;
    for (char** entry = environ; *entry != nullptr; ++entry)
    {
        const std::string text(*entry);
        const std::string name = text.substr(0, text.find('='));
        if (changes.find(name) == changes.end())
        {
            merged.push_back(text);
        }
    }
    for (const auto& [name, value] : changes)
    {
        if (!value.empty())
        {
            merged.push_back(name + "=" + value);
        }
    }
    return merged;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (auto& text : strings)
    {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

std::string Slurp(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool GroupAlive(pid_t group)
{
    return kill(-group, 0) == 0 || errno == EPERM;
}
} // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv,
                      const std::map<std::string, std::string>& environment, std::chrono::seconds timeout)
{
    std::string folder = (std::filesystem::temp_directory_path() / "kvx-run-XXXXXX").string();
    if (mkdtemp(folder.data()) == nullptr)
    {
        return {};
    }
    const std::string outPath = folder + "/stdout";
    const std::string errPath = folder + "/stderr";

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);

    std::vector<std::string> args = argv;
    std::vector<std::string> env = MergedEnvironment(environment);
    auto argPointers = Pointers(args);
    auto envPointers = Pointers(env);

    ProgramRun run;
    pid_t pid = 0;
    if (posix_spawn(&pid, args[0].c_str(), &actions, &attributes, argPointers.data(), envPointers.data()) ==
        0)
    {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (waitpid(pid, &status, WNOHANG) == 0)
        {
            if (std::chrono::steady_clock::now() > deadline)
            {
                run.timedOut = true;
                kill(-pid, SIGKILL);
                waitpid(pid, &status, 0);
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!run.timedOut)
        {
            run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        // Anything the program started and left behind still carries its group id; give orphans a moment
        // to be reaped before calling them left over.
        const auto grace = std::chrono::steady_clock::now() + std::chrono::seconds(2);
        while (GroupAlive(pid) && std::chrono::steady_clock::now() < grace)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (GroupAlive(pid))
        {
            run.leftProcesses = true;
            kill(-pid, SIGKILL);
        }
    }
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    run.out = Slurp(outPath);
    run.err = Slurp(errPath);
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return run;
}

bool IsExecutable(const std::string& path)
{
    return access(path.c_str(), X_OK) == 0;
}
} // namespace KVX::Test
