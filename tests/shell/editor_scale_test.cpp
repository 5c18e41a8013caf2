// SPDX-License-Identifier: GPL-3.0-or-later
// The editor on a screen of higher density: a host's scale ('PreS'/'AeCs') or the screen's Xft.dpi gives a
// window of the scaled size, drawn from the finer sheets, that behaves exactly like the one at 100 %.
#include "editor_host.h"
#include "support/screen_dpi.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/keysym.h>

#include <cmath>
#include <filesystem>
#include <thread>

namespace KVX::Test
{
namespace
{
constexpr VstInt32 FourCharacters(const char (&code)[5])
{
    return static_cast<VstInt32>(
        (static_cast<std::uint32_t>(code[0]) << 24) | (static_cast<std::uint32_t>(code[1]) << 16) |
        (static_cast<std::uint32_t>(code[2]) << 8) | static_cast<std::uint32_t>(code[3]));
}

constexpr int kFaderX = 463 + 12; // the 1 kHz fader, in panel units
constexpr int kFaderY = 150;
constexpr int kParameter = 5;

class EditorScale : public EditorHost
{
protected:
    void SetUp() override
    {
        EditorHost::SetUp();
        host = std::make_unique<HostWindow>(kHostX, kHostY, 1900, 600);
    }
    void TearDown() override
    {
        SetScreenDpi(0);
        EditorHost::TearDown();
    }

    VstIntPtr AskScale(float scale)
    {
        return plugin->Dispatch(effVendorSpecific, FourCharacters("PreS"), FourCharacters("AeCs"), nullptr,
                                scale);
    }
    std::pair<int, int> Rect() const
    {
        ERect* rect = nullptr;
        if (plugin->Dispatch(effEditGetRect, 0, 0, &rect) != 1 || rect == nullptr)
        {
            return {0, 0};
        }
        return {rect->right - rect->left, rect->bottom - rect->top};
    }
    std::pair<int, int> ChildSize() const
    {
        XWindowAttributes attributes{};
        if (EditorWindow() == 0 || !XGetWindowAttributes(host->GetDisplay(), EditorWindow(), &attributes))
        {
            return {0, 0};
        }
        return {attributes.width, attributes.height};
    }
    // The screen's text density as desktops publish it; 0 takes it away.
    void SetScreenDpi(int dpi) { KVX::Test::SetScreenDpi(host->GetDisplay(), dpi); }
    std::vector<std::uint32_t> Pixels(int width, int height) const
    {
        return ReadWindowPixels(host->GetDisplay(), host->Id(), 0, 0, width, height);
    }
    std::vector<std::uint32_t> SettledPixels(int width, int height) const
    {
        std::vector<std::uint32_t> previous = Pixels(width, height);
        for (int attempt = 0; attempt < 50; ++attempt)
        {
            Frames(3);
            std::vector<std::uint32_t> current = Pixels(width, height);
            if (current == previous)
            {
                return current;
            }
            previous = std::move(current);
        }
        return previous;
    }
    void Drag(int x, int y, int dy)
    {
        MoveTo(x, y);
        Frames(1);
        Button(1, true);
        const int steps = 10;
        for (int i = 1; i <= steps; ++i)
        {
            MoveTo(x, y + dy * i / steps);
            Frames(1);
        }
        Button(1, false);
    }
    bool ParameterBecomes(float wanted)
    {
        return WaitUntil([&] { return std::abs(plugin->GetParameter(kParameter) - wanted) < 1e-5f; });
    }
};

std::uint32_t At(const std::vector<std::uint32_t>& pixels, int width, int x, int y)
{
    return pixels.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) +
                     static_cast<std::size_t>(x));
}

// The colour a sheet pixel (straight ARGB as decoded) gives over an opaque pixel with alpha blending.
std::uint32_t Over(std::uint32_t top, std::uint32_t under)
{
    const double a = static_cast<double>(top >> 24) / 255.0;
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8)
    {
        const double t = static_cast<double>((top >> shift) & 0xFF);
        const double u = static_cast<double>((under >> shift) & 0xFF);
        out |= static_cast<std::uint32_t>(std::lround(t * a + u * (1.0 - a))) << shift;
    }
    return out;
}

void CursorHotSpot(Display* display, int& x, int& y)
{
    x = 0;
    y = 0;
    if (XFixesCursorImage* image = XFixesGetCursorImage(display))
    {
        x = image->xhot;
        y = image->yhot;
        XFree(image);
    }
}

struct Sheet
{
    std::vector<std::uint32_t> pixels;
    int width = 0;
    int height = 0;
};

Sheet LoadSheet(const std::string& file)
{
    Sheet sheet;
    sheet.pixels = ReadPng(std::string(KVX_IMAGE_DIR) + "/" + file, sheet.width, sheet.height);
    return sheet;
}

// Pixels of the 1 kHz fader's rectangle at `scale` that differ from frame `index` of a sheet drawn for
// that scale, laid over the panel sheet of the same scale.
int FaderMismatches(const std::vector<std::uint32_t>& screen, int screenWidth, const Sheet& fader,
                    const Sheet& panel, int scale, int index)
{
    const int frameWidth = 50 * scale;
    const int frameHeight = 235 * scale;
    const int column = index % 18;
    const int row = index / 18;
    int mismatches = 0;
    for (int y = 0; y < (258 - 33) * scale; ++y)
    {
        for (int x = 0; x < frameWidth; ++x)
        {
            const std::uint32_t frame = fader.pixels.at(static_cast<std::size_t>(row * frameHeight + y) *
                                                            static_cast<std::size_t>(fader.width) +
                                                        static_cast<std::size_t>(column * frameWidth + x));
            const int px = 463 * scale + x;
            const int py = 33 * scale + y;
            const std::uint32_t under =
                panel.pixels.at(static_cast<std::size_t>(py) * static_cast<std::size_t>(panel.width) +
                                static_cast<std::size_t>(px));
            if (ColourDistance(At(screen, screenWidth, px, py), Over(frame, under) & 0xFFFFFF) > 4)
            {
                ++mismatches;
            }
        }
    }
    return mismatches;
}

// The bounding box of pixels that differ between two captures, right of x0.
struct Box
{
    int left = 1 << 30;
    int top = 1 << 30;
    int right = -1;
    int bottom = -1;
};

Box Changes(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b, int width, int height,
            int x0)
{
    Box box;
    for (int y = 0; y < height; ++y)
    {
        for (int x = x0; x < width; ++x)
        {
            if (ColourDistance(At(a, width, x, y), At(b, width, x, y)) > 8)
            {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x);
                box.bottom = std::max(box.bottom, y);
            }
        }
    }
    return box;
}

TEST_F(EditorScale, AHostsScaleGivesTheScaledWindowDrawnFromTheFinerSheets)
{
    EXPECT_EQ(Rect(), std::make_pair(900, 258)) << "the panel's own size until a host speaks of scale";
    // What no scale is: refused, and the rectangle stays.
    EXPECT_EQ(AskScale(std::nanf("")), 0);
    EXPECT_EQ(AskScale(0.0f), 0);
    EXPECT_EQ(AskScale(-2.0f), 0);
    EXPECT_EQ(plugin->Dispatch(effVendorSpecific, FourCharacters("PreS"), 1, nullptr, 2.0f), 0);
    EXPECT_EQ(Rect(), std::make_pair(900, 258));

    ASSERT_EQ(AskScale(2.0f), 1);
    EXPECT_EQ(Rect(), std::make_pair(1800, 516));
    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(ChildSize(), std::make_pair(1800, 516));

    const Sheet fader2 = LoadSheet("fader06@2x.png");
    const Sheet panel2 = LoadSheet("panel@2x.png");
    ASSERT_EQ(fader2.width, 1800);
    ASSERT_EQ(panel2.width, 1800);
    std::vector<std::uint32_t> screen;
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            screen = Pixels(1800, 516);
            return !screen.empty() && FaderMismatches(screen, 1800, fader2, panel2, 2, 31) == 0;
        }))
        << "0.5 shows frame 31 of the 2x sheet, pixel for pixel: "
        << FaderMismatches(screen, 1800, fader2, panel2, 2, 31) << " differ";
    std::filesystem::create_directories(KVX_ARTIFACT_DIR);
    WritePng(std::string(KVX_ARTIFACT_DIR) + "/editor-scale-2x.png", screen, 1800, 516);

    // Not the 100 % frame made larger: its edges would be soft where the 2x artwork is sharp.
    const Sheet fader1 = LoadSheet("fader06.png");
    const Sheet panel1 = LoadSheet("panel.png");
    Sheet faderUp{std::vector<std::uint32_t>(static_cast<std::size_t>(1800) * 1880), 1800, 1880};
    Sheet panelUp{std::vector<std::uint32_t>(static_cast<std::size_t>(1800) * 516), 1800, 516};
    for (int y = 0; y < 1880; ++y)
    {
        for (int x = 0; x < 1800; ++x)
        {
            faderUp.pixels[static_cast<std::size_t>(y) * 1800 + x] = At(fader1.pixels, 900, x / 2, y / 2);
            if (y < 516)
            {
                panelUp.pixels[static_cast<std::size_t>(y) * 1800 + x] = At(panel1.pixels, 900, x / 2, y / 2);
            }
        }
    }
    EXPECT_GT(FaderMismatches(screen, 1800, faderUp, panelUp, 2, 31), 1000);

    // The 88 bytes hold the values, not the screen.
    void* chunk = nullptr;
    EXPECT_EQ(plugin->Dispatch(effGetChunk, 1, 0, &chunk), 88);
}

TEST_F(EditorScale, ADragOfTwoHundredPixelsAtTwiceTheSizeMovesAFaderAsAHundredAtOnce)
{
    ASSERT_EQ(AskScale(2.0f), 1);
    ASSERT_TRUE(OpenEditor());
    MoveTo(1200, 40);
    Frames(3);
    Drag(kFaderX * 2, kFaderY * 2, -200);
    ASSERT_TRUE(ParameterBecomes(0.7f)) << plugin->GetParameter(kParameter);
    EXPECT_EQ(plugin->GetParameter(kParameter - 1), 0.5f);
    Frames(3); // the release puts the pointer back where the drag began; only then move on

    // The wheel and the hit test follow the units as well: one notch on the next fader down.
    MoveTo((463 - 63 + 12) * 2, kFaderY * 2);
    Frames(2);
    Button(4, true);
    Button(4, false);
    EXPECT_TRUE(WaitUntil([&] { return std::abs(plugin->GetParameter(kParameter - 1) - 0.52f) < 1e-5f; }))
        << plugin->GetParameter(kParameter - 1);
}

TEST_F(EditorScale, TheHintSitsAtTheScaledPlaceWithTheScaledText)
{
    const auto hintBox = [&](int scale)
    {
        const int width = 900 * scale;
        const int height = 258 * scale;
        MoveTo(600 * scale, 10 * scale);
        const auto before = SettledPixels(width, height);
        MoveTo(470 * scale, 120 * scale);
        Box box;
        WaitUntil(
            [&]
            {
                Frames(10);
                box = Changes(before, Pixels(width, height), width, height, 520 * scale);
                return box.right >= 0;
            });
        Frames(10); // fully faded in
        return Changes(before, SettledPixels(width, height), width, height, 520 * scale);
    };
    ASSERT_TRUE(OpenEditor());
    const Box one = hintBox(1);
    ASSERT_GE(one.right, 0) << "no hint at 100 %";
    CloseEditor();
    ASSERT_EQ(AskScale(2.0f), 1);
    ASSERT_TRUE(OpenEditor());
    const Box two = hintBox(2);
    ASSERT_GE(two.right, 0) << "no hint at 200 %";
    // The same box in units, give or take a pixel of rounding and of text rendered at its own size; only
    // the cursor keeps its size, and the hint keeps clear of it by the cursor's own pixels.
    int hotX = 0;
    int hotY = 0;
    CursorHotSpot(host->GetDisplay(), hotX, hotY);
    EXPECT_NEAR(two.top, one.top * 2 - hotY, 2);
    EXPECT_NEAR(two.bottom, one.bottom * 2 + 1 - hotY, 3);
    EXPECT_NEAR(two.right, one.right * 2 + 1 - hotX, 3);
}

TEST_F(EditorScale, TheTextFieldTakesATypedValueAtOneAndAHalf)
{
    ASSERT_EQ(AskScale(1.5f), 1);
    EXPECT_EQ(Rect(), std::make_pair(1350, 387));
    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(ChildSize(), std::make_pair(1350, 387));
    MoveTo(712, 180); // the 1 kHz fader
    Frames(2);
    Button(1, true);
    Button(1, false);
    Button(1, true);
    Button(1, false);
    Display* display = host->GetDisplay();
    ::Window field = 0;
    ASSERT_TRUE(WaitUntil(
        [&]
        {
            ::Window focus = 0;
            int revert = 0;
            XGetInputFocus(display, &focus, &revert);
            field = focus != EditorWindow() && focus != host->Id() ? focus : 0;
            return field > 1;
        }))
        << "no field with the focus";
    XWindowAttributes attributes{};
    ASSERT_TRUE(XGetWindowAttributes(display, field, &attributes));
    EXPECT_EQ(attributes.width, 75) << "50 units wide";
    EXPECT_NEAR(attributes.height, 22, 1) << "15 units high";
    for (const unsigned long key : {XK_6, XK_Return})
    {
        Key(key, true);
        Key(key, false);
    }
    ASSERT_TRUE(ParameterBecomes(0.75f)) << plugin->GetParameter(kParameter);
}

TEST_F(EditorScale, AnOpenEditorFollowsANewScale)
{
    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(ChildSize(), std::make_pair(900, 258));
    ASSERT_EQ(AskScale(2.0f), 1);
    EXPECT_TRUE(WaitUntil([&] { return ChildSize() == std::make_pair(1800, 516); }));
    EXPECT_TRUE(WaitUntil(
        [&]
        {
            const auto corner = ReadWindowPixels(host->GetDisplay(), host->Id(), 1790, 505, 1, 1);
            return !corner.empty() && corner[0] != kHostGrey;
        }))
        << "the panel fills the new size";
    ASSERT_EQ(AskScale(8.0f), 1) << "beyond 200 % is 200 %";
    EXPECT_EQ(Rect(), std::make_pair(1800, 516));
    ASSERT_EQ(AskScale(1.0f), 1);
    EXPECT_TRUE(WaitUntil([&] { return ChildSize() == std::make_pair(900, 258); }));
}

TEST_F(EditorScale, TheScreensDensityIsTakenWhenTheHostAgreesToTheSize)
{
    SetScreenDpi(192);
    std::vector<std::pair<int, int>> asked;
    plugin->SetSizeWindowHandler(
        [&](int width, int height)
        {
            asked.emplace_back(width, height);
            return true;
        });
    EXPECT_EQ(Rect(), std::make_pair(900, 258)) << "a host that has not asked gets the panel's own size";
    ASSERT_TRUE(OpenEditor());
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked[0], std::make_pair(1800, 516));
    EXPECT_EQ(Rect(), std::make_pair(1800, 516));
    EXPECT_TRUE(WaitUntil([&] { return ChildSize() == std::make_pair(1800, 516); }));
}

TEST_F(EditorScale, AHostThatRefusesTheSizeKeepsThePanelsOwn)
{
    SetScreenDpi(192);
    int asked = 0;
    plugin->SetSizeWindowHandler(
        [&](int, int)
        {
            ++asked;
            return false;
        });
    ASSERT_TRUE(OpenEditor());
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(Rect(), std::make_pair(900, 258));
    EXPECT_EQ(ChildSize(), std::make_pair(900, 258));
}
} // namespace
} // namespace KVX::Test
