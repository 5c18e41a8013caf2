// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/xvfb.h"

#include "support/gl_driver_pin.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <stdexcept>
#include <thread>
#include <vector>

extern char** environ;

namespace KVX::Test
{
namespace
{
std::unique_ptr<Xvfb> g_Shared;

// Waits for a child to end, for at most `timeout`.
bool Reap(pid_t pid, std::chrono::milliseconds timeout)
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true)
    {
        const pid_t done = waitpid(pid, nullptr, WNOHANG);
        if (done == pid || (done < 0 && errno == ECHILD))
        {
            return true;
        }
        if (std::chrono::steady_clock::now() >= deadline)
        {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void Stop(pid_t pid)
{
    kill(pid, SIGTERM);
    if (!Reap(pid, std::chrono::seconds(5)))
    {
        kill(pid, SIGKILL);
        Reap(pid, std::chrono::seconds(5));
    }
}
} // namespace

Xvfb::Xvfb() : Xvfb(Options{}) {}

Xvfb::Xvfb(const Options& options)
{
    if (options.framebufferFile)
    {
        char folder[] = "/tmp/kvx-xvfb-XXXXXX";
        if (mkdtemp(folder) == nullptr)
        {
            throw std::runtime_error("Xvfb: cannot make a folder for the screen file");
        }
        m_framebufferDir = folder;
    }
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0)
    {
        RemoveFramebufferDir();
        throw std::runtime_error("Xvfb: pipe2 failed");
    }
    // The server writes its display number to this descriptor number, inherited without close-on-exec.
    const int childFd = pipeEnds[1] == 63 ? 64 : 63;
    const std::string childFdText = std::to_string(childFd);

    std::vector<std::string> args = {"Xvfb",         "-displayfd", childFdText, "-screen", "0",
                                     options.screen, "-nolisten",  "tcp",       "-noreset"};
    if (!m_framebufferDir.empty())
    {
        args.insert(args.end(), {"-fbdir", m_framebufferDir});
    }
    args.insert(args.end(), options.arguments.begin(), options.arguments.end());
    std::vector<char*> argv;
    for (auto& a : args)
    {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], childFd);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&m_pid, "Xvfb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    if (spawned != 0)
    {
        close(pipeEnds[0]);
        RemoveFramebufferDir();
        throw std::runtime_error("Xvfb: cannot start the server (is Xvfb installed?)");
    }

    std::string number;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (number.empty() || number.back() != '\n')
    {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        pollfd readable{pipeEnds[0], POLLIN, 0};
        char buffer[16];
        ssize_t got = 0;
        if (left.count() <= 0 || poll(&readable, 1, static_cast<int>(left.count())) <= 0 ||
            (got = read(pipeEnds[0], buffer, sizeof buffer)) <= 0)
        {
            close(pipeEnds[0]);
            Stop(m_pid);
            RemoveFramebufferDir();
            throw std::runtime_error("Xvfb: the server did not report a display");
        }
        number.append(buffer, static_cast<std::size_t>(got));
    }
    close(pipeEnds[0]);
    number.pop_back();
    m_displayName = ":" + number;

    if (const char* previous = std::getenv("DISPLAY"))
    {
        m_previousDisplay = previous;
    }
    setenv("DISPLAY", m_displayName.c_str(), 1);
    // Everything that draws on this server goes through Mesa's driver.
    PinGLDriverForThisProcessAndChildren();
}

Xvfb::~Xvfb()
{
    if (m_previousDisplay)
    {
        setenv("DISPLAY", m_previousDisplay->c_str(), 1);
    }
    else
    {
        unsetenv("DISPLAY");
    }
    Stop(m_pid);
    RemoveFramebufferDir();
}

std::string Xvfb::FramebufferFile() const
{
    return m_framebufferDir.empty() ? std::string() : m_framebufferDir + "/Xvfb_screen0";
}

void Xvfb::RemoveFramebufferDir()
{
    if (!m_framebufferDir.empty())
    {
        unlink(FramebufferFile().c_str());
        rmdir(m_framebufferDir.c_str());
    }
}

void XvfbEnvironment::SetUp()
{
    try
    {
        g_Shared = std::make_unique<Xvfb>(m_options);
    }
    catch (const std::exception& e)
    {
        ADD_FAILURE() << e.what();
    }
}

void XvfbEnvironment::TearDown()
{
    g_Shared.reset();
}

Xvfb* XvfbEnvironment::Server()
{
    return g_Shared.get();
}
} // namespace KVX::Test
