// SPDX-License-Identifier: GPL-3.0-or-later
// The hint as the user sees it, and failures while opening.
#include "editor_host.h"

#include <X11/Xlib.h>

#include <dlfcn.h>

#include <filesystem>
#include <thread>

namespace KVX::Test
{
namespace
{
using EditorHint = EditorHost;

// Pixels of a rectangle that differ from the same rectangle of another capture.
int Changed(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int x0, int y0, int x1, int y1)
{
    int changed = 0;
    for (int y = y0; y < y1; ++y)
    {
        for (int x = x0; x < x1; ++x)
        {
            changed += ColourDistance(PixelAt(a, x, y), PixelAt(b, x, y)) > 8 ? 1 : 0;
        }
    }
    return changed;
}

TEST_F(EditorHint, AppearsAfterTheMouseRestsOverAFaderAndGoesWhenItMoves)
{
    plugin->SetParameter(5, 0.7f);
    ASSERT_TRUE(OpenEditor());
    MoveTo(600, 10);
    const auto before = SettledPanelPixels();
    MoveTo(470, 120); // over the 1 kHz fader
    // A stalled machine only delays the editor's frames, never hastens the hint: 400 ms on, none yet.
    // (The exact wait and fades are held frame by frame in the panel's own tests.)
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    EXPECT_LT(Changed(before, PanelPixels(), 480, 120, 600, 160), 20) << "no hint before half a second";
    ASSERT_TRUE(WaitUntil([&] { return Changed(before, PanelPixels(), 470, 120, 570, 145) > 300; }))
        << "the hint is drawn beside the pointer";
    Frames(10); // fully faded in
    std::filesystem::create_directories(KVX_ARTIFACT_DIR);
    WritePng(std::string(KVX_ARTIFACT_DIR) + "/editor-hint.png", PanelPixels(), 900, 258);

    MoveTo(600, 10);
    EXPECT_TRUE(WaitUntil([&] { return Changed(before, PanelPixels(), 470, 120, 570, 145) < 20; }))
        << "moving away fades it out";
}

std::vector<std::u16string> g_Boxes;

TEST_F(EditorHint, AParentWindowThatDoesNotExistIsReportedAndLeavesTheEditorBlank)
{
    using Setter = void (*)(void (*)(const char16_t*, const char16_t*, void*, unsigned));
    auto setter = reinterpret_cast<Setter>(dlsym(plugin->Module(), "KVXTovikSetMessageBoxHandler"));
    ASSERT_NE(setter, nullptr);
    g_Boxes.clear();
    setter([](const char16_t*, const char16_t* text, void*, unsigned) { g_Boxes.emplace_back(text); });
    EXPECT_EQ(plugin->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(std::uintptr_t{0x7FFFFFF0})), 1);
    ASSERT_EQ(g_Boxes.size(), 1u);
    EXPECT_EQ(g_Boxes[0].rfind(u"KVX Tovik 1.0.0.283 KVXGUIWindow ERROR:\r\n\r\n\r\n\r\nFunction: CreateWindow(): error = ", 0),
              0u);
    EXPECT_EQ(plugin->Dispatch(effEditClose), 0);
    EXPECT_TRUE(OpenEditor()) << "a later open with a real window works";
    setter(nullptr);
}
} // namespace
} // namespace KVX::Test
