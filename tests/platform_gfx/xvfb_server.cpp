#include "xvfb_server.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace KVX::Test
{
bool XvfbServer::Start(int width, int height)
{
    if (m_Pid > 0)
    {
        return true;
    }
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
    {
        return false;
    }
    // The child gets the write end as descriptor 3 (without close-on-exec) and reports its display there.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    std::vector<std::string> args{"Xvfb", "-displayfd", "3",   "-screen", "0",
                                  screen, "-nolisten",  "tcp", "-noreset"};
    std::vector<char*> argv;
    for (auto& a : args)
    {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned = posix_spawnp(&pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0)
    {
        close(fds[0]);
        return false;
    }
    m_Pid = pid;

    std::string number;
    pollfd waiter{fds[0], POLLIN, 0};
    while (number.empty() || number.back() != '\n')
    {
        if (poll(&waiter, 1, 10000) <= 0)
        {
            break;
        }
        char buffer[32];
        const ssize_t n = read(fds[0], buffer, sizeof buffer);
        if (n <= 0)
        {
            break;
        }
        number.append(buffer, static_cast<std::size_t>(n));
    }
    close(fds[0]);
    if (number.empty() || number.back() != '\n')
    {
        Stop();
        return false;
    }
    number.pop_back();
    m_Display = ":" + number;
    if (const char* old = std::getenv("DISPLAY"))
    {
        m_HadDisplay = true;
        m_SavedDisplay = old;
    }
    setenv("DISPLAY", m_Display.c_str(), 1);
    return true;
}

void XvfbServer::Stop()
{
    if (m_Pid <= 0)
    {
        return;
    }
    kill(m_Pid, SIGTERM);
    int status = 0;
    while (waitpid(m_Pid, &status, 0) < 0 && errno == EINTR)
    {
    }
    m_Pid = -1;
    if (!m_Display.empty())
    {
        if (m_HadDisplay)
        {
            setenv("DISPLAY", m_SavedDisplay.c_str(), 1);
        }
        else
        {
            unsetenv("DISPLAY");
        }
    }
    m_Display.clear();
}
} // namespace KVX::Test
