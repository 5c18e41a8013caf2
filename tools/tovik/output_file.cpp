// SPDX-License-Identifier: GPL-3.0-or-later
#include "output_file.h"

#include <fcntl.h>
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
// Temporary paths still pending, for the signal handler: fixed slots of fixed size, because a signal
// handler may only read memory that nothing reallocates.
constexpr std::size_t kSlots = 8;
constexpr std::size_t kPathBytes = 4096;
std::array<std::array<char, kPathBytes>, kSlots> g_Pending{};
std::array<std::atomic<bool>, kSlots> g_Used{};

// Signals whose default action ends the process and that a handler may catch.
constexpr int kEndingSignals[] = {SIGHUP,  SIGINT,    SIGQUIT, SIGILL,  SIGTRAP, SIGABRT, SIGBUS,
                                  SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2, SIGPIPE, SIGALRM, SIGTERM,
                                  SIGXCPU, SIGVTALRM, SIGPROF, SIGIO,   SIGPWR,  SIGSYS,  SIGSTKFLT};
// What was installed before us, so that a sanitiser's or the default action still follows ours.
struct sigaction g_Previous[NSIG];

// Symbolic links are followed this many times at most, as the kernel does.
constexpr int kMaxLinks = 40;

void RemovePending()
{
    for (std::size_t i = 0; i < kSlots; ++i)
    {
        if (g_Used[i].load())
        {
            unlink(g_Pending[i].data());
        }
    }
}

void OnEndingSignal(int signal, siginfo_t* info, void*)
{
    const int saved = errno;
    RemovePending();
    sigaction(signal, &g_Previous[signal], nullptr);
    errno = saved;
    // A fault raised by the kernel happens again when the handler returns, now reaching the previous
    // action; a sent signal is sent again.
    const bool fault = info != nullptr && info->si_code > 0 &&
                       (signal == SIGSEGV || signal == SIGBUS || signal == SIGFPE || signal == SIGILL ||
                        signal == SIGTRAP || signal == SIGSYS);
    if (!fault)
    {
        raise(signal);
    }
}

void Remember(const std::string& path)
{
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

std::string FolderOf(const std::string& path)
{
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// The file a chain of symbolic links ends at (which need not exist yet); `path` itself when it is none.
bool FollowLinks(const std::string& path, std::string& target, std::string& error)
{
    target = path;
    for (int hop = 0; hop <= kMaxLinks; ++hop)
    {
        struct stat info
        {
        };
        if (lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
        {
            return true;
        }
        std::vector<char> link(static_cast<std::size_t>(info.st_size > 0 ? info.st_size : 255) + 2);
        const ssize_t length = readlink(target.c_str(), link.data(), link.size() - 1);
        if (length < 0)
        {
            error = "cannot follow the link " + path + ": " + std::strerror(errno);
            return false;
        }
        const std::string next(link.data(), static_cast<std::size_t>(length));
        target = !next.empty() && next.front() == '/' ? next : FolderOf(target) + next;
    }
    error = "cannot follow the link " + path + ": " + std::strerror(ELOOP);
    return false;
}
} // namespace

void OutputFile::InstallSignalCleanup()
{
    static bool installed = false;
    if (installed)
    {
        return;
    }
    installed = true;
    std::vector<int> signals(std::begin(kEndingSignals), std::end(kEndingSignals));
    for (int s = SIGRTMIN; s <= SIGRTMAX; ++s)
    {
        signals.push_back(s);
    }
    struct sigaction action
    {
    };
    action.sa_sigaction = OnEndingSignal;
    action.sa_flags = SA_SIGINFO;
    sigfillset(&action.sa_mask);
    for (int s : signals)
    {
        // A signal the caller chose to ignore (nohup, an ignored SIGPIPE) stays ignored.
        if (sigaction(s, nullptr, &g_Previous[s]) == 0 && g_Previous[s].sa_handler != SIG_IGN)
        {
            sigaction(s, &action, nullptr);
        }
    }
    // Past the file-size limit a write then fails with EFBIG, which is reported, rather than ending the
    // process without a word.
    std::signal(SIGXFSZ, SIG_IGN);
}

OutputFile::~OutputFile()
{
    Discard();
}

std::string OutputFile::Failure(int code) const
{
    return "cannot write " + m_Destination + ": " + std::strerror(code);
}

bool OutputFile::Create(const std::string& destination, std::string& error)
{
    Discard();
    m_Destination = destination;
    const auto slash = destination.rfind('/');
    const std::string base = slash == std::string::npos ? destination : destination.substr(slash + 1);
    if (base.empty())
    {
        error = "'" + destination + "' names a folder, not a file";
        return false;
    }
    if (!FollowLinks(destination, m_Target, error))
    {
        return false;
    }
    struct stat info
    {
    };
    const bool exists = stat(m_Target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode))
    {
        error = "'" + destination + "' is a folder, not a file";
        return false;
    }
    if (exists && !S_ISREG(info.st_mode))
    {
        // A device or a FIFO takes the bytes as they come; there is nothing to replace.
        m_Fd = open(m_Target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (m_Fd < 0)
        {
            error = Failure(errno);
            return false;
        }
        return true;
    }

    const std::string folder = FolderOf(m_Target);
    const auto targetSlash = m_Target.rfind('/');
    const std::string targetBase =
        targetSlash == std::string::npos ? m_Target : m_Target.substr(targetSlash + 1);
    std::string pattern = folder + "." + targetBase + ".partial-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0)
    {
        error =
            "cannot write in " + (folder.empty() ? std::string(".") : folder) + ": " + std::strerror(errno);
        return false;
    }
    if (exists)
    {
        // The replacement keeps what the file was: its permissions and, where allowed, its owner (only
        // root may give a file away, and a file of one's own keeps its owner anyway).
        [[maybe_unused]] const int owned = fchown(fd, info.st_uid, info.st_gid);
        fchmod(fd, info.st_mode & 07777);
    }
    else
    {
        // mkstemp makes the file private; a new file gets the usual permissions.
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
    }
    m_Fd = fd;
    m_Temporary = name.data();
    Remember(m_Temporary);
    return true;
}

bool OutputFile::Write(const void* data, std::size_t size, std::string& error)
{
    const auto* bytes = static_cast<const char*>(data);
    while (size > 0)
    {
        const ssize_t written = write(m_Fd, bytes, size);
        if (written < 0 && errno == EINTR)
        {
            continue;
        }
        if (written <= 0)
        {
            error = Failure(written < 0 ? errno : ENOSPC);
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

bool OutputFile::Commit(std::string& error)
{
    if (m_Fd < 0)
    {
        error = "nothing to write to " + m_Destination;
        return false;
    }
    const int fd = m_Fd;
    m_Fd = -1;
    if (close(fd) != 0)
    {
        error = Failure(errno);
        Discard();
        return false;
    }
    if (m_Temporary.empty())
    {
        return true;
    }
    if (std::rename(m_Temporary.c_str(), m_Target.c_str()) != 0)
    {
        error = Failure(errno);
        Discard();
        return false;
    }
    Forget(m_Temporary);
    m_Temporary.clear();
    return true;
}

void OutputFile::Discard()
{
    if (m_Fd >= 0)
    {
        close(m_Fd);
        m_Fd = -1;
    }
    if (!m_Temporary.empty())
    {
        Forget(m_Temporary);
        unlink(m_Temporary.c_str());
        m_Temporary.clear();
    }
}
} // namespace KVX::Tovik
