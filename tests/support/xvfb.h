// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A private X server for the editor tests: Xvfb on a display number it picks itself, with DISPLAY set for
// this process while it runs. Mesa renders GLX into it in software.
//
// Either own one in a test or fixture:
//     KVX::Test::Xvfb server;                      // throws std::runtime_error when it cannot start
// or share one per test program through the global environment:
//     static auto* const env = ::testing::AddGlobalTestEnvironment(new KVX::Test::XvfbEnvironment);
//     ... ASSERT_NE(KVX::Test::XvfbEnvironment::Server(), nullptr);
#include <gtest/gtest.h>

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace KVX::Test
{
class Xvfb
{
public:
    struct Options
    {
        std::string screen = "1280x1024x24";
        // When set, the server keeps its screen in a file of a temporary folder (an XWD file, see
        // FramebufferFile), which shows what is really on the screen, the software cursor included.
        bool framebufferFile = false;
        // Further server arguments, such as "-extension", "GLX" for a server without OpenGL.
        std::vector<std::string> arguments;
    };

    Xvfb();
    explicit Xvfb(const Options& options);
    // Stops the server (by its process id) and puts DISPLAY back as it was.
    ~Xvfb();
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    const std::string& DisplayName() const { return m_displayName; }
    pid_t Pid() const { return m_pid; }
    // The screen's XWD file, empty unless asked for.
    std::string FramebufferFile() const;

private:
    void RemoveFramebufferDir();

    pid_t m_pid = -1;
    std::string m_framebufferDir;
    std::string m_displayName;
    std::optional<std::string> m_previousDisplay;
};

// One server for the whole test program, started before the first test and stopped after the last.
class XvfbEnvironment : public ::testing::Environment
{
public:
    XvfbEnvironment() = default;
    explicit XvfbEnvironment(Xvfb::Options options) : m_options(std::move(options)) {}
    void SetUp() override;
    void TearDown() override;
    // The running server, or null when it could not start (the failure is reported).
    static Xvfb* Server();

private:
    Xvfb::Options m_options;
};
} // namespace KVX::Test
