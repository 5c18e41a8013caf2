// SPDX-License-Identifier: GPL-3.0-or-later
// jalv.gtk3, an LV2 host we did not write, runs the plug-in on a JACK server of the test's own (its dummy
// driver, no realtime) and embeds the panel in its window on a private X server: the panel appears and
// draws what the VST editor draws for the values jalv was told to set.
#include <gtest/gtest.h>

#include "lv2/lv2_names.h"
#include "lv2/port_values.h"
#include "support/panel_pixels.h"
#include "support/program_runner.h"
#include "support/scaled_panel.h"
#include "support/xvfb.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

extern char** environ;

namespace fs = std::filesystem;

namespace KVX::Test
{
namespace
{
const std::string kJackd = "/usr/bin/jackd";
const std::string kJackWait = "/usr/bin/jack_wait";
const std::string kJalv = "/usr/bin/jalv.gtk3";

// A program left running in a process group of its own, ended (the whole group, by its id) when this
// goes; its output goes to a file.
class Background
{
public:
    Background(const std::vector<std::string>& argv, const std::map<std::string, std::string>& environment,
               const fs::path& log)
        : m_Log(log)
    {
        std::vector<std::string> env;
        for (char** entry = environ; *entry != nullptr; ++entry)
        {
            const std::string text(*entry);
            if (environment.count(text.substr(0, text.find('='))) == 0)
            {
                env.push_back(text);
            }
        }
        for (const auto& [name, value] : environment)
        {
            env.push_back(name + "=" + value);
        }
        std::vector<char*> args, envp;
        for (const auto& a : argv)
        {
            args.push_back(const_cast<char*>(a.c_str()));
        }
        args.push_back(nullptr);
        for (const auto& e : env)
        {
            envp.push_back(const_cast<char*>(e.c_str()));
        }
        envp.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        posix_spawnattr_t attributes;
        posix_spawnattr_init(&attributes);
        posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
        posix_spawnattr_setpgroup(&attributes, 0);
        if (posix_spawn(&m_Pid, argv[0].c_str(), &actions, &attributes, args.data(), envp.data()) != 0)
        {
            m_Pid = -1;
        }
        posix_spawnattr_destroy(&attributes);
        posix_spawn_file_actions_destroy(&actions);
    }

    ~Background() { Stop(); }

    bool Running() { return m_Pid > 0 && waitpid(m_Pid, &m_Status, WNOHANG) == 0; }

    void Stop()
    {
        if (m_Pid <= 0)
        {
            return;
        }
        kill(-m_Pid, SIGTERM);
        for (int i = 0; i < 100 && waitpid(m_Pid, &m_Status, WNOHANG) == 0; ++i)
        {
            usleep(20000);
        }
        kill(-m_Pid, SIGKILL);
        waitpid(m_Pid, &m_Status, 0);
        m_Pid = -1;
    }

    std::string Output() const
    {
        std::ifstream file(m_Log);
        std::ostringstream text;
        text << file.rdbuf();
        return text.str();
    }

private:
    pid_t m_Pid = -1;
    int m_Status = 0;
    fs::path m_Log;
};

// jalv makes and drops windows while it starts; one gone between the query and the look at it must not
// end the test process (Xlib's own handler exits, leaving jalv and JACK behind).
int IgnoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// The panel's window: a viewable leaf window of the given size somewhere below the root.
::Window FindPanel(Display* display, ::Window window, int width = Device::Description::kPanelWidth,
                   int height = Device::Description::kPanelHeight)
{
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, window, &root, &parent, &children, &count) == 0)
    {
        return 0;
    }
    ::Window found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i)
    {
        found = FindPanel(display, children[i], width, height);
    }
    if (children != nullptr)
    {
        XFree(children);
    }
    if (found == 0 && count == 0)
    {
        XWindowAttributes attributes;
        if (XGetWindowAttributes(display, window, &attributes) != 0 && attributes.map_state == IsViewable &&
            attributes.width == width && attributes.height == height)
        {
            found = window;
        }
    }
    return found;
}

bool JalvInstalled()
{
    for (const auto& program : {kJackd, kJackWait, kJalv})
    {
        if (!IsExecutable(program))
        {
            return false;
        }
    }
    return true;
}

// jalv with the bundle, on a JACK server and an X server of the test's own, told to set the given controls.
// Before jalv starts, `prepare` gets the display (to publish the screen's density, say); once it shows a
// panel of `width` × `height`, `look` gets the display and the panel's window.
void RunJalv(const Xvfb::Options& screen, const std::vector<std::string>& controls, int width, int height,
             const std::function<void(Display*)>& prepare,
             const std::function<void(Display*, ::Window)>& look)
{
    Xvfb server(screen);
    std::string pattern = (fs::temp_directory_path() / "kvx-jalv-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path root = pattern;
    fs::create_directories(root / "lv2");
    fs::create_directories(root / "home");
    fs::create_directory_symlink(KVX_LV2_BUNDLE_DIR, root / "lv2" / std::string(LV2::kBundleName));

    // A server name of this test's own, and never an automatically started server on real hardware.
    const std::map<std::string, std::string> environment = {
        {"JACK_DEFAULT_SERVER", "kvx-lv2-test-" + std::to_string(getpid())},
        {"JACK_NO_START_SERVER", "1"},
        {"LV2_PATH", (root / "lv2").string()},
        {"HOME", (root / "home").string()},
        {"XDG_CONFIG_HOME", (root / "home" / ".config").string()},
        {"DISPLAY", server.DisplayName()}};
    {
        Background jack({kJackd, "--no-realtime", "-d", "dummy", "-r", "48000", "-p", "512"}, environment,
                        root / "jackd.log");
        const ProgramRun ready =
            RunProgram({kJackWait, "-w", "-t", "10"}, environment, std::chrono::seconds(15));
        ASSERT_EQ(ready.exitCode, 0) << ready.out << ready.err << jack.Output();

        Display* display = XOpenDisplay(server.DisplayName().c_str());
        ASSERT_NE(display, nullptr);
        if (prepare)
        {
            prepare(display);
        }
        std::vector<std::string> arguments{kJalv};
        for (const std::string& control : controls)
        {
            arguments.insert(arguments.end(), {"-c", control});
        }
        arguments.emplace_back(LV2::kPluginUri);
        Background jalv(arguments, environment, root / "jalv.log");
        XErrorHandler previousHandler = XSetErrorHandler(&IgnoreXError);
        ::Window panel = 0;
        const bool appeared = WaitUntil(
            [&]
            {
                panel = FindPanel(display, DefaultRootWindow(display), width, height);
                return panel != 0 || !jalv.Running();
            },
            std::chrono::seconds(20));
        EXPECT_TRUE(appeared && panel != 0) << jalv.Output();
        if (panel != 0)
        {
            look(display, panel);
        }
        EXPECT_TRUE(jalv.Running()) << "jalv ended early:\n" << jalv.Output();
        XCloseDisplay(display);
        XSetErrorHandler(previousHandler);
    }
    fs::remove_all(root);
}

TEST(Jalv, ShowsThePanelInItsWindowWithTheValuesItWasGiven)
{
    if (!JalvInstalled())
    {
        GTEST_SKIP() << "jalv or jackd is not installed (scripts/setup.sh --all installs jalv and jackd2)";
    }
    RunJalv({}, {"band_1khz=9", "in=1"}, Device::Description::kPanelWidth, Device::Description::kPanelHeight,
            {},
            [](Display* display, ::Window panel)
            {
                // jalv's window sits at the top left; the reference goes below it.
                VstPanel vst(40, 500);
                const float band = LV2::NormalisedFromPort(Device::Description::kParameters[5], 9.0f);
                const auto expected = vst.Pixels({{5, band}});
                // jalv sends its values to the UI on its own clock, which a loaded machine may delay.
                int differing = -1;
                WaitUntil(
                    [&]
                    {
                        differing = DifferingPixels(SettledPanelPixels(display, panel), expected);
                        return differing == 0;
                    },
                    std::chrono::seconds(10));
                EXPECT_EQ(differing, 0);
            });
}

// This jalv passes no ui:scaleFactor; the screen's density decides, and jalv's window takes the size the
// UI tells it through ui:resize.
TEST(Jalv, OnADenseScreenOpensThePanelAtTwiceItsSize)
{
    if (!JalvInstalled())
    {
        GTEST_SKIP() << "jalv or jackd is not installed (scripts/setup.sh --all installs jalv and jackd2)";
    }
    Xvfb::Options wide;
    wide.screen = "2048x1280x24";
    RunJalv(
        wide, {}, 2 * Device::Description::kPanelWidth, 2 * Device::Description::kPanelHeight,
        [](Display* display) { SetScreenDpi(display, 192); },
        [](Display* display, ::Window panel)
        {
            ScaledVstPanel vst(40, 700, 2.0f);
            const auto expected = vst.Pixels({});
            int differing = -1;
            WaitUntil(
                [&]
                {
                    differing = DifferingPixels(SettledWindowPixels(display, panel, 1800, 516), expected);
                    return differing == 0;
                },
                std::chrono::seconds(10));
            EXPECT_EQ(differing, 0) << "not the panel as the VST 2.4 editor draws it at 200 %";
        });
}
} // namespace
} // namespace KVX::Test
