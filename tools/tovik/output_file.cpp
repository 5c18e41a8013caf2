#include "output_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <vector>

namespace KVX::Tovik
{
namespace
{
// Temporary paths still pending, for the interrupt handler: fixed slots of fixed size, because a signal
// handler may only read memory that nothing reallocates.
constexpr std::size_t kSlots = 8;
constexpr std::size_t kPathBytes = 4096;
std::array<std::array<char, kPathBytes>, kSlots> g_Pending{};
std::array<std::atomic<bool>, kSlots> g_Used{};

void OnInterrupt(int signal)
{
    for (std::size_t i = 0; i < kSlots; ++i)
    {
        if (g_Used[i].load())
        {
            unlink(g_Pending[i].data());
        }
    }
    std::signal(signal, SIG_DFL);
    raise(signal);
}

void Remember(const std::string& path)
{
    static bool installed = false;
    if (!installed)
    {
        installed = true;
        std::signal(SIGINT, OnInterrupt);
        std::signal(SIGTERM, OnInterrupt);
        std::signal(SIGHUP, OnInterrupt);
    }
    if (path.size() >= kPathBytes)
    {
        return;
    }
    for (std::size_t i = 0; i < kSlots; ++i)
    {
        if (!g_Used[i].load())
        {
            std::memcpy(g_Pending[i].data(), path.c_str(), path.size() + 1);
            g_Used[i].store(true);
            return;
        }
    }
}

void Forget(const std::string& path)
{
    for (std::size_t i = 0; i < kSlots; ++i)
    {
        if (g_Used[i].load() && path == g_Pending[i].data())
        {
            g_Used[i].store(false);
        }
    }
}
} // namespace

OutputFile::~OutputFile()
{
    Discard();
}

bool OutputFile::Create(const std::string& destination, std::string& error)
{
    Discard();
    const auto slash = destination.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : destination.substr(0, slash + 1);
    const std::string base = slash == std::string::npos ? destination : destination.substr(slash + 1);
    if (base.empty())
    {
        error = "'" + destination + "' names a folder, not a file";
        return false;
    }
    struct stat info
    {
    };
    if (stat(destination.c_str(), &info) == 0 && S_ISDIR(info.st_mode))
    {
        error = "'" + destination + "' is a folder, not a file";
        return false;
    }
    std::string pattern = (slash == std::string::npos ? "" : folder) + "." + base + ".partial-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkstemp(name.data());
    if (fd < 0)
    {
        error = "cannot write in " + folder + ": " + std::strerror(errno);
        return false;
    }
    // mkstemp makes the file private; the finished file gets the usual permissions.
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    close(fd);
    m_Destination = destination;
    m_Temporary = name.data();
    Remember(m_Temporary);
    return true;
}

bool OutputFile::Commit(std::string& error)
{
    if (m_Temporary.empty())
    {
        error = "nothing to write to " + m_Destination;
        return false;
    }
    if (std::rename(m_Temporary.c_str(), m_Destination.c_str()) != 0)
    {
        error = "cannot write " + m_Destination + ": " + std::strerror(errno);
        Discard();
        return false;
    }
    Forget(m_Temporary);
    m_Temporary.clear();
    return true;
}

void OutputFile::Discard()
{
    if (!m_Temporary.empty())
    {
        Forget(m_Temporary);
        unlink(m_Temporary.c_str());
        m_Temporary.clear();
    }
}
} // namespace KVX::Tovik
