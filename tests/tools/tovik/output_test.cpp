// SPDX-License-Identifier: GPL-3.0-or-later
// Where outputs go: devices and FIFOs are written in place, links are followed, a replaced file keeps its
// mode, and a write that fails or a signal that ends the run leaves no partial file, with the reason said.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <thread>

extern char** environ;

namespace KVX::Test
{
namespace
{
constexpr const char* kPngSignature = "\x89PNG\r\n\x1a\n";

mode_t ModeOf(const std::string& path)
{
    struct stat info
    {
    };
    return lstat(path.c_str(), &info) == 0 ? info.st_mode : 0;
}

// A private copy of a memory device (1,3 is null, 1,7 is full): a test never risks the system's own
// /dev/null on a tovik that would replace it. Empty when this machine does not let us make one.
std::string MakeDevice(const TempFolder& folder, const std::string& name, unsigned minor)
{
    const std::string path = folder.Path(name);
    return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, minor)) == 0 ? path : std::string();
}

bool HasPartialFile(const TempFolder& folder)
{
    const auto files = folder.Files();
    return std::any_of(files.begin(), files.end(),
                       [](const std::string& name) { return name.find(".partial-") != std::string::npos; });
}

void ExpectFailure(const RunResult& run, const std::string& words)
{
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(words), std::string::npos) << "'" << words << "' not in: " << run.err;
}

TEST(Output, DevicesAndFifosAreWrittenInPlace)
{
    TempFolder folder;
    WriteSound(folder.Path("in.wav"), MakeSound(2000, 2));
    const std::string null = MakeDevice(folder, "null", 3);
    if (!null.empty())
    {
        const auto plot = RunTovik({"response", KVX_PLUGIN_PATH, "--set", "31=+6dB", "--plot", null});
        EXPECT_EQ(plot.exitCode, 0) << plot.err;
        const auto render = RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("in.wav"), null});
        EXPECT_EQ(render.exitCode, 0) << render.err;
        EXPECT_TRUE(S_ISCHR(ModeOf(null)));
    }

    // The test holds the FIFO's read end, with room for the whole picture, and reads it after the run.
    const std::string fifo = folder.Path("plot.png");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    fcntl(reader, F_SETPIPE_SZ, 1 << 20);
    const auto run = RunTovik({"response", KVX_PLUGIN_PATH, "--plot", fifo});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string bytes;
    char buffer[65536];
    ssize_t got = 0;
    while ((got = read(reader, buffer, sizeof buffer)) > 0)
    {
        bytes.append(buffer, static_cast<std::size_t>(got));
    }
    close(reader);
    EXPECT_EQ(bytes.substr(0, 8), kPngSignature);
    EXPECT_GT(bytes.size(), 1000u);
    EXPECT_TRUE(S_ISFIFO(ModeOf(fifo)));
    EXPECT_FALSE(HasPartialFile(folder));
}

TEST(Output, LinksAreFollowedAndAReplacedFileKeepsItsMode)
{
    TempFolder folder;
    WriteBytes(folder.Path("real.png"), "old");
    ASSERT_EQ(chmod(folder.Path("real.png").c_str(), 0600), 0);
    ASSERT_EQ(symlink("real.png", folder.Path("link.png").c_str()), 0);
    ASSERT_EQ(symlink("new.csv", folder.Path("dangling.csv").c_str()), 0);
    const auto run = RunTovik({"response", KVX_PLUGIN_PATH, "--plot", folder.Path("link.png"), "--csv",
                               folder.Path("dangling.csv")});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(S_ISLNK(ModeOf(folder.Path("link.png"))));
    EXPECT_TRUE(S_ISLNK(ModeOf(folder.Path("dangling.csv"))));
    EXPECT_EQ(ReadBytes(folder.Path("real.png")).substr(0, 8), kPngSignature);
    EXPECT_EQ(ModeOf(folder.Path("real.png")) & 07777, 0600u);
    EXPECT_EQ(ReadBytes(folder.Path("new.csv")).rfind("frequency_hz", 0), 0u);
    EXPECT_FALSE(HasPartialFile(folder));
}

TEST(Output, AFullDiskOrAFileSizeLimitIsReportedWithItsReason)
{
    TempFolder folder;
    Sound sound = MakeSound(96000, 2);
    sound.format = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
    WriteSound(folder.Path("in.wav"), sound);
    const std::string full = MakeDevice(folder, "full", 7);
    if (!full.empty())
    {
        const std::string noSpace = "cannot write " + full + ": No space left on device";
        ExpectFailure(RunTovik({"preset", "save", KVX_PLUGIN_PATH, full}), noSpace);
        ExpectFailure(RunTovik({"response", KVX_PLUGIN_PATH, "--plot", full}), noSpace);
        ExpectFailure(RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("in.wav"), full}), noSpace);
        EXPECT_TRUE(S_ISCHR(ModeOf(full)));
    }

    // A limit of 16 blocks of 1 KiB: the render needs 375 KiB.
    const auto limited =
        RunProgram({"/bin/sh", "-c", "ulimit -f 16 && exec \"$0\" \"$@\"", KVX_TOVIK_PATH, "render",
                    KVX_PLUGIN_PATH, folder.Path("in.wav"), folder.Path("out.wav")},
                   {}, std::chrono::minutes(2));
    ExpectFailure(limited, "cannot write " + folder.Path("out.wav") + ": File too large");
    EXPECT_FALSE(Exists(folder.Path("out.wav")));
    EXPECT_FALSE(HasPartialFile(folder));

    // A real full file system, where this machine lets us make a small one.
    const std::string small = folder.Path("small");
    ASSERT_EQ(mkdir(small.c_str(), 0700), 0);
    if (mount("tmpfs", small.c_str(), "tmpfs", 0, "size=64k") != 0)
    {
        GTEST_SKIP() << "cannot mount a small tmpfs here";
    }
    ExpectFailure(RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("in.wav"), small + "/out.flac"}),
                  "cannot write " + small + "/out.flac: No space left on device");
    WriteBytes(small + "/fill", std::string(64 * 1024, 'x'));
    ExpectFailure(RunTovik({"preset", "save", KVX_PLUGIN_PATH, small + "/p.fxp"}),
                  "cannot write " + small + "/p.fxp: No space left on device");
    unlink((small + "/fill").c_str());
    const auto left = [&small]
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(small))
        {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }();
    umount(small.c_str());
    EXPECT_TRUE(left.empty()) << left.front();
}

// tovik reading a sound from a FIFO that the test feeds: it waits mid-render for data that the test holds
// back while it sends a signal.
class SignalledRender
{
public:
    explicit SignalledRender(const TempFolder& folder) : m_Folder(folder)
    {
        Sound sound = MakeSound(48000 * 4, 2);
        WriteSound(folder.Path("whole.wav"), sound);
        const std::string fifo = folder.Path("in.fifo");
        mkfifo(fifo.c_str(), 0600);
        // Read and write ends at once, so that tovik finds a writer when it opens the FIFO.
        m_Writer = open(fifo.c_str(), O_RDWR);
        const std::string whole = ReadBytes(folder.Path("whole.wav"));
        const std::string start = whole.substr(0, 32768);
        EXPECT_EQ(write(m_Writer, start.data(), start.size()), static_cast<ssize_t>(start.size()));

        std::vector<std::string> args{KVX_TOVIK_PATH, "render", KVX_PLUGIN_PATH, fifo, folder.Path("out.wav"),
                                      "--preroll",    "0"};
        std::vector<char*> argv;
        for (auto& arg : args)
        {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addclose(&actions, m_Writer);
        EXPECT_EQ(posix_spawn(&m_Pid, args[0].c_str(), &actions, nullptr, argv.data(), environ), 0);
        posix_spawn_file_actions_destroy(&actions);
    }

    ~SignalledRender()
    {
        if (m_Pid > 0)
        {
            kill(m_Pid, SIGKILL);
            waitpid(m_Pid, nullptr, 0);
        }
        close(m_Writer);
    }

    // Whether tovik's temporary output has appeared within ten seconds.
    bool Started() const
    {
        for (int i = 0; i < 500 && !HasPartialFile(m_Folder); ++i)
        {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return HasPartialFile(m_Folder);
    }

    // Sends `signal`, then ends the input early; the wait status.
    int Signal(int signal)
    {
        // Long enough for tovik to have drained the FIFO and to be waiting on it.
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        kill(m_Pid, signal);
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        close(m_Writer);
        m_Writer = -1;
        int status = 0;
        waitpid(m_Pid, &status, 0);
        m_Pid = -1;
        return status;
    }

private:
    const TempFolder& m_Folder;
    int m_Writer = -1;
    pid_t m_Pid = -1;
};

TEST(Output, EverySignalThatEndsTheRunRemovesThePartialFile)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGALRM, SIGUSR1, SIGUSR2, SIGVTALRM,
                       SIGPROF, SIGRTMIN + 1})
    {
        TempFolder folder;
        SignalledRender render(folder);
        ASSERT_TRUE(render.Started()) << "signal " << signal;
        const int status = render.Signal(signal);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal)
            << "signal " << signal << ": " << status;
        EXPECT_FALSE(HasPartialFile(folder)) << "signal " << signal;
        EXPECT_FALSE(Exists(folder.Path("out.wav"))) << "signal " << signal;
    }
    // SIGXFSZ does not end the run: a write past the limit fails instead and is reported. Here the input
    // then ends early, which is a failure of its own.
    TempFolder folder;
    SignalledRender render(folder);
    ASSERT_TRUE(render.Started());
    const int status = render.Signal(SIGXFSZ);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
    EXPECT_FALSE(HasPartialFile(folder));
}
} // namespace
} // namespace KVX::Test
