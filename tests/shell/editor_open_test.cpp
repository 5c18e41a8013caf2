// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and closing the editor as a host does, and what it draws.
#include "editor_host.h"

#include <X11/Xlib.h>

#include <dirent.h>

#include <filesystem>

namespace KVX::Test
{
namespace
{
using EditorOpen = EditorHost;

int CountEntries(const char* folder)
{
    int count = 0;
    if (DIR* dir = opendir(folder))
    {
        while (readdir(dir) != nullptr)
        {
            ++count;
        }
        closedir(dir);
    }
    return count;
}

struct Skin
{
    std::vector<std::uint32_t> panel;
    std::vector<std::uint32_t> fader;
    int faderWidth = 0;
};

const Skin& LoadSkin()
{
    static const Skin skin = [] {
        Skin s;
        int w = 0, h = 0;
        s.panel = ReadPng(std::string(KVX_IMAGE_DIR) + "/panel.png", w, h);
        s.fader = ReadPng(std::string(KVX_IMAGE_DIR) + "/fader06.png", s.faderWidth, h);
        return s;
    }();
    return skin;
}

// The colour a frame pixel (premultiplied ARGB) gives over the opaque panel pixel with alpha blending.
std::uint32_t Over(std::uint32_t frame, std::uint32_t panel)
{
    const double a = static_cast<double>(frame >> 24) / 255.0;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const double premultiplied = static_cast<double>((frame >> shift) & 0xFF);
        const double straight = a > 0.0 ? premultiplied / a : 0.0;
        const double d = static_cast<double>((panel >> shift) & 0xFF);
        const auto c = static_cast<std::uint32_t>(straight * a + d * (1.0 - a) + 0.5);
        out |= (c > 255 ? 255 : c) << shift;
    }
    return out;
}

// How many pixels of the 1 kHz fader's rectangle differ from frame `index` of its sheet over the panel.
int FaderMismatches(const std::vector<std::uint32_t>& screen, int index)
{
    const Skin& skin = LoadSkin();
    const int column = index % 18;
    const int row = index / 18;
    int mismatches = 0;
    for (int y = 0; y < 258 - 33; ++y)
    {
        for (int x = 0; x < 50; ++x)
        {
            const std::uint32_t frame =
                skin.fader.at(static_cast<std::size_t>(row * 235 + y) * skin.faderWidth + column * 50 + x);
            const std::uint32_t panel = skin.panel.at(static_cast<std::size_t>(33 + y) * 900 + 463 + x);
            if (ColourDistance(PixelAt(screen, 463 + x, 33 + y), Over(frame, panel) & 0xFFFFFF) > 4)
            {
                ++mismatches;
            }
        }
    }
    return mismatches;
}

TEST_F(EditorOpen, TheEditorDrawsTheSkinInsideTheHostWindow)
{
    ASSERT_TRUE(OpenEditor());
    const auto pixels = SettledPanelPixels();
    ASSERT_EQ(pixels.size(), 900u * 258u);
    std::filesystem::create_directories(KVX_ARTIFACT_DIR);
    EXPECT_TRUE(WritePng(std::string(KVX_ARTIFACT_DIR) + "/editor-screenshot.png", pixels, 900, 258));

    // Away from the controls the screen shows the background image itself.
    const Skin& skin = LoadSkin();
    int checked = 0;
    for (int y = 2; y < 256; y += 7)
    {
        for (int x = 2; x < 898; x += 11)
        {
            const bool overFader = x >= 141 && x < 771 && y >= 33;
            const bool overSwitch = x >= 805 && y >= 45 && y < 195;
            if (overFader || overSwitch)
            {
                continue;
            }
            ++checked;
            EXPECT_LE(ColourDistance(PixelAt(pixels, x, y), skin.panel[static_cast<std::size_t>(y) * 900 + x]), 2)
                << "at " << x << ", " << y;
        }
    }
    EXPECT_GT(checked, 1000);
}

TEST_F(EditorOpen, AFaderShowsTheFrameItsValueSelects)
{
    ASSERT_TRUE(OpenEditor());
    EXPECT_TRUE(WaitUntil([this] { return FaderMismatches(PanelPixels(), 31) == 0; })) << "0.5 shows frame 31";
    plugin->SetParameter(5, 1.0f);
    ASSERT_TRUE(WaitUntil([this] { return FaderMismatches(PanelPixels(), 63) == 0; }))
        << "1.0 shows frame 63";
    plugin->SetParameter(5, 0.999f);
    ASSERT_TRUE(WaitUntil([this] { return FaderMismatches(PanelPixels(), 62) == 0; }))
        << "frame 63 only at 1.0";
}

TEST_F(EditorOpen, ASecondOpenChangesNothing)
{
    ASSERT_TRUE(OpenEditor());
    const unsigned long first = EditorWindow();
    EXPECT_EQ(plugin->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(static_cast<std::uintptr_t>(host->Id()))),
              1);
    Frames(3);
    EXPECT_EQ(host->Children().size(), 1u);
    EXPECT_EQ(EditorWindow(), first);
}

TEST_F(EditorOpen, OpeningAndClosingFiftyTimesLeavesNothingBehind)
{
    ASSERT_TRUE(OpenEditor());
    Frames(2);
    CloseEditor();
    const int fds = CountEntries("/proc/self/fd");
    const int threads = CountEntries("/proc/self/task");
    for (int i = 0; i < 50; ++i)
    {
        ASSERT_TRUE(OpenEditor()) << i;
        if (i % 10 == 0)
        {
            Frames(1);
        }
        CloseEditor();
        ASSERT_TRUE(host->Children().empty()) << i;
    }
    EXPECT_EQ(CountEntries("/proc/self/fd"), fds);
    EXPECT_EQ(CountEntries("/proc/self/task"), threads);
}

TEST_F(EditorOpen, ValuesLiveInTheWidgetsAcrossOpenAndClose)
{
    plugin->SetParameter(2, 0.8f);
    ASSERT_TRUE(OpenEditor());
    Frames(2);
    CloseEditor();
    CloseEditor(); // a second close does nothing
    EXPECT_EQ(plugin->GetParameter(2), 0.8f);
    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(plugin->GetParameter(2), 0.8f);
}

TEST_F(EditorOpen, ClosingThePluginWithTheEditorOpenIsSafe)
{
    ASSERT_TRUE(OpenEditor());
    Frames(2);
    EXPECT_EQ(plugin->Close(), 1);
    EXPECT_TRUE(WaitUntil([this] { return host->Children().empty(); }));
}

TEST_F(EditorOpen, AHostWindowThatIsGoneFirstDoesNotTakeThePluginDown)
{
    ASSERT_TRUE(OpenEditor());
    Frames(2);
    host->Destroy();
    Frames(2);
    CloseEditor();
    EXPECT_EQ(plugin->GetParameter(0), 0.5f);
}
} // namespace
} // namespace KVX::Test
