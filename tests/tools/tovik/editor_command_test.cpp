// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik editor`: the plug-in's editor in a window of its own, on a private X server.
#include <gtest/gtest.h>

#include "support/screen_dpi.h"
#include "support/xvfb.h"
#include "tool_runner.h"

#include <X11/Xlib.h>
#include <cairo.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

namespace KVX::Test
{
namespace
{
using Size = std::pair<int, int>;

// Room for the editor at 200 %.
Xvfb::Options WideScreen()
{
    Xvfb::Options options;
    options.screen = "2048x1280x24";
    return options;
}

Size PngSize(const std::string& path)
{
    cairo_surface_t* image = cairo_image_surface_create_from_png(path.c_str());
    const Size size = cairo_surface_status(image) == CAIRO_STATUS_SUCCESS
                          ? Size(cairo_image_surface_get_width(image), cairo_image_surface_get_height(image))
                          : Size(0, 0);
    cairo_surface_destroy(image);
    return size;
}

// The window's size as a screenshot shows it, or (0, 0) when tovik failed.
Size EditorWindowSize(const std::vector<std::string>& args)
{
    TempFolder folder;
    std::vector<std::string> command{"editor"};
    command.insert(command.end(), args.begin(), args.end());
    for (const char* more : {"--seconds", "1", "--screenshot"})
    {
        command.emplace_back(more);
    }
    command.push_back(folder.Path("shot.png"));
    const RunResult result = RunTovik(command);
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Btn IN   On"), std::string::npos) << result.out;
    return PngSize(folder.Path("shot.png"));
}
TEST(EditorCommand, OpensThePanelInItsOwnWindowAndClosesCleanly)
{
    Xvfb server;
    const std::string shot = (std::filesystem::temp_directory_path() / "tovik-editor-test.png").string();
    std::filesystem::remove(shot);
    const RunResult result = RunTovik({"editor", KVX_PLUGIN_PATH, "--seconds", "1.5", "--screenshot", shot});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(result.out.find("Btn IN   On"), std::string::npos) << result.out;

    cairo_surface_t* image = cairo_image_surface_create_from_png(shot.c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    EXPECT_EQ(cairo_image_surface_get_width(image), 900);
    EXPECT_EQ(cairo_image_surface_get_height(image), 258);
    // With noise running through the plug-in and IN on, the signal lamp is lit.
    const auto* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    const auto lamp = *reinterpret_cast<const std::uint32_t*>(data + 75 * stride + 840 * 4);
    EXPECT_GT(((lamp >> 16) & 0xFF) + ((lamp >> 8) & 0xFF), 250u) << std::hex << lamp;
    cairo_surface_destroy(image);
    std::filesystem::remove(shot);
}

// The pointer resting on a fader makes the panel draw its value with the system's fonts, which the
// plug-in then holds until it is unloaded: the exit must leave them alone.
TEST(EditorCommand, ExitsCleanlyAfterThePointerRestedOnAFader)
{
    Xvfb server;
    std::thread pointer(
        []
        {
            Display* display = XOpenDisplay(nullptr);
            if (display == nullptr)
            {
                return;
            }
            // tovik's window sits at the screen's origin; the 31 Hz fader's handle is at (153, 130).
            std::this_thread::sleep_for(std::chrono::milliseconds(700));
            for (int step = 0; step < 6; ++step)
            {
                XWarpPointer(display, None, DefaultRootWindow(display), 0, 0, 0, 0, 150 + step, 130);
                XFlush(display);
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
            }
            XCloseDisplay(display);
        });
    const RunResult result = RunTovik({"editor", KVX_PLUGIN_PATH, "--seconds", "3"});
    pointer.join();
    EXPECT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.err, "");
}

// Some plug-ins can tell their editor's size only once it is open.
TEST(EditorCommand, OpensAnEditorThatReportsItsSizeOnlyWhenOpen)
{
    const std::string peer = "/usr/lib/vst/lsp-plugins/graph-equalizer-x16-stereo.so";
    if (!std::filesystem::exists(peer))
    {
        GTEST_SKIP() << peer << " is not installed (scripts/setup.sh --all installs it)";
    }
    Xvfb server;
    const std::string shot = (std::filesystem::temp_directory_path() / "tovik-editor-peer.png").string();
    std::filesystem::remove(shot);
    const RunResult result = RunTovik({"editor", peer, "--seconds", "2", "--screenshot", shot});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    cairo_surface_t* image = cairo_image_surface_create_from_png(shot.c_str());
    ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
    // The window took the size the plug-in reported after opening, not a stand-in's.
    EXPECT_GT(cairo_image_surface_get_width(image), 0);
    EXPECT_FALSE(cairo_image_surface_get_width(image) == 640 && cairo_image_surface_get_height(image) == 480);
    cairo_surface_destroy(image);
    std::filesystem::remove(shot);
}

TEST(EditorCommand, TellsThePluginTheScaleThroughItsFormatAndTakesTheSizeItGets)
{
    Xvfb server(WideScreen());
    EXPECT_EQ(EditorWindowSize({KVX_CLAP_PLUGIN_PATH, "--scale", "2"}), Size(1800, 516));
    EXPECT_EQ(EditorWindowSize({KVX_PLUGIN_PATH, "--scale", "150%"}), Size(1350, 387));
}

TEST(EditorCommand, WithoutAScaleTheEditorFollowsTheScreensDensity)
{
    Xvfb server(WideScreen());
    // Held open: the server forgets its resources when its last client leaves.
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    SetScreenDpi(display, 192);
    EXPECT_EQ(EditorWindowSize({KVX_CLAP_PLUGIN_PATH}), Size(1800, 516));
    // The VST editor asks for the larger window once open, and tovik's window follows.
    EXPECT_EQ(EditorWindowSize({KVX_PLUGIN_PATH}), Size(1800, 516));
    XCloseDisplay(display);
}

TEST(EditorCommand, RefusesAScaleOutsideOneToTwo)
{
    for (const char* scale : {"0.5", "2.01", "250%", "99%", "big", "%", "nan"})
    {
        const RunResult result = RunTovik({"editor", KVX_CLAP_PLUGIN_PATH, "--scale", scale});
        EXPECT_EQ(result.exitCode, 2) << scale;
        EXPECT_NE(result.err.find("--scale"), std::string::npos) << result.err;
    }
}

TEST(EditorCommand, RefusesAMissingOrBrokenPlugin)
{
    const RunResult noPlugin = RunTovik({"editor"});
    EXPECT_EQ(noPlugin.exitCode, 2);
    const RunResult broken = RunTovik({"editor", KVX_FAKE_NO_ENTRY_PATH});
    EXPECT_EQ(broken.exitCode, 1);
    EXPECT_FALSE(broken.err.empty());
}
} // namespace
} // namespace KVX::Test
