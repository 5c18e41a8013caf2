// SPDX-License-Identifier: GPL-3.0-or-later
// The committed sprite sheets: sizes and pixel format the panel relies on, 2x twins that are the same
// pictures drawn finer, fader frames that show the cap where the frame index says, switch and lamp frames
// that read as off and on, a hint frame that survives nine-slicing, and a background whose legends really
// carry ink.
#include "layout.h"
#include "png_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <set>
#include <string>
#include <vector>

namespace
{
using namespace KVX::Skin;
using namespace KVX::SkinTest;

struct SheetSize
{
    std::string file;
    int width;
    int height;
};

std::vector<SheetSize> AllSheets()
{
    std::vector<SheetSize> sheets = {
        {"panel.png", 900, 258}, {"button.png", 60, 120}, {"lamp.png", 50, 100}, {"hint.png", 8, 8}};
    for (int band = 1; band <= kBandCount; ++band)
    {
        sheets.push_back({(band < 10 ? "fader0" : "fader") + std::to_string(band) + ".png", 900, 940});
    }
    return sheets;
}

// "panel.png" → "panel@2x.png"
std::string TwinFile(const std::string& file)
{
    return file.substr(0, file.rfind('.')) + "@2x.png";
}

std::vector<SheetSize> AllSheetsWithTwins()
{
    std::vector<SheetSize> sheets = AllSheets();
    for (const SheetSize& sheet : AllSheets())
    {
        sheets.push_back({TwinFile(sheet.file), 2 * sheet.width, 2 * sheet.height});
    }
    return sheets;
}

std::uint32_t BigEndian(const std::vector<std::uint8_t>& bytes, std::size_t at)
{
    return (std::uint32_t(bytes[at]) << 24) | (std::uint32_t(bytes[at + 1]) << 16) |
           (std::uint32_t(bytes[at + 2]) << 8) | std::uint32_t(bytes[at + 3]);
}

TEST(SkinSheets, EverySheetHasItsSizeAndIsAnEightBitRgbaPng)
{
    const std::vector<std::uint8_t> signature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    for (const SheetSize& sheet : AllSheetsWithTwins())
    {
        SCOPED_TRACE(sheet.file);
        const auto bytes = ReadBytes(ImageDir() / sheet.file);
        ASSERT_GE(bytes.size(), 33u);
        EXPECT_TRUE(std::equal(signature.begin(), signature.end(), bytes.begin()));
        EXPECT_EQ(BigEndian(bytes, 16), std::uint32_t(sheet.width));
        EXPECT_EQ(BigEndian(bytes, 20), std::uint32_t(sheet.height));
        EXPECT_EQ(bytes[24], 8) << "bit depth";
        EXPECT_EQ(bytes[25], 6) << "colour type: RGB with alpha";

        const PngImage image = LoadPng(ImageDir() / sheet.file);
        EXPECT_EQ(image.width, sheet.width);
        EXPECT_EQ(image.height, sheet.height);
        EXPECT_TRUE(image.argb32);
    }
}

// Mean absolute difference, per premultiplied channel, between a cell of a sheet and the same cell of its
// twin averaged over 2 x 2 pixel blocks, over the pixels that either draws. The same drawing at twice the
// resolution lands within about 2 levels of the 1x pixels; a part drawn one unit off gives 7 or more.
double TwinDifference(const PngImage& sheet, const PngImage& twin, const Box& cell)
{
    double sum = 0.0;
    int drawn = 0;
    for (int y = cell.y; y < cell.y + cell.height; ++y)
    {
        for (int x = cell.x; x < cell.x + cell.width; ++x)
        {
            const std::uint32_t pixel = sheet.At(x, y);
            const std::uint32_t block[4] = {twin.At(2 * x, 2 * y), twin.At(2 * x + 1, 2 * y),
                                            twin.At(2 * x, 2 * y + 1), twin.At(2 * x + 1, 2 * y + 1)};
            if (pixel == 0 &&
                std::all_of(std::begin(block), std::end(block), [](std::uint32_t p) { return p == 0; }))
            {
                continue;
            }
            for (int shift = 0; shift < 32; shift += 8)
            {
                double mean = 0.0;
                for (const std::uint32_t p : block)
                {
                    mean += ((p >> shift) & 0xFF) / 4.0;
                }
                sum += std::abs(mean - static_cast<double>((pixel >> shift) & 0xFF)) / 4.0;
            }
            ++drawn;
        }
    }
    return drawn > 0 ? sum / drawn : 0.0;
}

struct SheetGrid
{
    std::string file;
    int columns;
    int rows;
};

// Frame by frame (the background in tiles of 100 x 86 units), so that one part out of place stands out.
TEST(SkinSheets, EveryTwinIsItsSheetDrawnFinerOnTheSameGrid)
{
    std::vector<SheetGrid> grids = {{"panel.png", 9, 3},
                                    {"button.png", 1, kButtonFrames},
                                    {"lamp.png", 1, kLampFrames},
                                    {"hint.png", 1, 1}};
    for (int band = 1; band <= kBandCount; ++band)
    {
        grids.push_back(
            {(band < 10 ? "fader0" : "fader") + std::to_string(band) + ".png", kFaderColumns, kFaderRows});
    }
    for (const SheetGrid& grid : grids)
    {
        SCOPED_TRACE(grid.file);
        const PngImage image = LoadPng(ImageDir() / grid.file);
        const PngImage twin = LoadPng(ImageDir() / TwinFile(grid.file));
        ASSERT_EQ(twin.width, 2 * image.width);
        ASSERT_EQ(twin.height, 2 * image.height);
        const int width = image.width / grid.columns;
        const int height = image.height / grid.rows;
        for (int cell = 0; cell < grid.columns * grid.rows; ++cell)
        {
            const Box box = {cell % grid.columns * width, cell / grid.columns * height, width, height};
            EXPECT_LT(TwinDifference(image, twin, box), 3.0) << "cell " << cell;
        }
    }
}

// ---- Faders ----

struct FrameStats
{
    double centroidY = 0.0; // mean row of the opaque cap pixels
    int indexRow = -1;      // brightest row across the cap: its index line
};

FrameStats Measure(const PngImage& sheet, int frame)
{
    const int ox = (frame % kFaderColumns) * kFaderFrameWidth;
    const int oy = (frame / kFaderColumns) * kFaderFrameHeight;
    FrameStats stats;
    double sum = 0.0;
    int count = 0;
    double brightest = -1.0;
    for (int y = 0; y < kFaderFrameHeight; ++y)
    {
        double rowLuma = 0.0;
        for (int x = 0; x < kFaderFrameWidth; ++x)
        {
            if (sheet.Alpha(ox + x, oy + y) >= 250)
            {
                sum += y;
                ++count;
            }
            rowLuma += sheet.Luma(ox + x, oy + y);
        }
        if (rowLuma > brightest)
        {
            brightest = rowLuma;
            stats.indexRow = y;
        }
    }
    stats.centroidY = count > 0 ? sum / count : -1.0;
    return stats;
}

std::vector<std::uint32_t> FramePixels(const PngImage& sheet, int frame)
{
    const int ox = (frame % kFaderColumns) * kFaderFrameWidth;
    const int oy = (frame / kFaderColumns) * kFaderFrameHeight;
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < kFaderFrameHeight; ++y)
    {
        for (int x = 0; x < kFaderFrameWidth; ++x)
        {
            pixels.push_back(sheet.At(ox + x, oy + y));
        }
    }
    return pixels;
}

class FaderSheets : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        for (int band = 1; band <= kBandCount; ++band)
        {
            const std::string file = (band < 10 ? "fader0" : "fader") + std::to_string(band) + ".png";
            s_Sheets.push_back(LoadPng(ImageDir() / file));
        }
    }
    static void TearDownTestSuite() { s_Sheets.clear(); }

    void SetUp() override
    {
        for (const PngImage& sheet : s_Sheets)
        {
            ASSERT_EQ(sheet.width, kFaderSheetWidth);
            ASSERT_EQ(sheet.height, kFaderSheetHeight);
        }
    }

    static std::vector<PngImage> s_Sheets;
};
std::vector<PngImage> FaderSheets::s_Sheets;

TEST_F(FaderSheets, EveryFrameIsDistinctAndTheCapRisesWithTheFrameIndex)
{
    for (std::size_t band = 0; band < s_Sheets.size(); ++band)
    {
        SCOPED_TRACE(kBandNames[band]);
        std::set<std::vector<std::uint32_t>> distinct;
        double previous = 1e9;
        for (int frame = 0; frame < kFaderFrames; ++frame)
        {
            distinct.insert(FramePixels(s_Sheets[band], frame));
            const double y = Measure(s_Sheets[band], frame).centroidY;
            ASSERT_GE(y, 0.0) << "frame " << frame << " has no cap";
            // One frame moves the cap by the travel / 63, about 2.6 px.
            EXPECT_LT(y, previous - 2.0) << "frame " << frame;
            previous = y;
        }
        EXPECT_EQ(distinct.size(), std::size_t(kFaderFrames));
    }
}

TEST_F(FaderSheets, IndexLineMovesLinearlyFromMinusTwelveToPlusTwelve)
{
    for (std::size_t band = 0; band < s_Sheets.size(); ++band)
    {
        SCOPED_TRACE(kBandNames[band]);
        for (int frame = 0; frame < kFaderFrames; ++frame)
        {
            const double expected = CapCentreY(static_cast<double>(frame) / (kFaderFrames - 1));
            EXPECT_NEAR(Measure(s_Sheets[band], frame).indexRow + 0.5, expected, 1.0) << "frame " << frame;
        }
    }
    // The scale's ticks sit at the panel rows of the two ends and the centre.
    EXPECT_DOUBLE_EQ(kFaderY + CapCentreY(0.0), ScaleRowY(kScaleRows - 1));
    EXPECT_DOUBLE_EQ(kFaderY + CapCentreY(1.0), ScaleRowY(0));
}

TEST_F(FaderSheets, CapStaysInsideTheGrabAreaAndNothingHangsBelowThePanel)
{
    for (std::size_t band = 0; band < s_Sheets.size(); ++band)
    {
        SCOPED_TRACE(kBandNames[band]);
        const PngImage& sheet = s_Sheets[band];
        for (int frame = 0; frame < kFaderFrames; ++frame)
        {
            const int ox = (frame % kFaderColumns) * kFaderFrameWidth;
            const int oy = (frame / kFaderColumns) * kFaderFrameHeight;
            int outside = 0;
            int belowPanel = 0;
            for (int y = 0; y < kFaderFrameHeight; ++y)
            {
                for (int x = 0; x < kFaderFrameWidth; ++x)
                {
                    const int alpha = sheet.Alpha(ox + x, oy + y);
                    if (alpha >= 128 && (x >= kFaderGrabWidth || y >= kFaderGrabHeight))
                    {
                        ++outside;
                    }
                    if (alpha > 0 && y >= kFaderVisibleHeight)
                    {
                        ++belowPanel;
                    }
                }
            }
            EXPECT_EQ(outside, 0) << "frame " << frame;
            EXPECT_EQ(belowPanel, 0) << "frame " << frame;
        }
    }
}

TEST_F(FaderSheets, CellsAfterTheLastFrameAreTransparent)
{
    for (std::size_t band = 0; band < s_Sheets.size(); ++band)
    {
        SCOPED_TRACE(kBandNames[band]);
        for (int cell = kFaderFrames; cell < kFaderColumns * kFaderRows; ++cell)
        {
            const auto pixels = FramePixels(s_Sheets[band], cell);
            EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t p) { return p == 0; }))
                << "cell " << cell;
        }
    }
}

// ---- Switch, lamp and hint ----

struct FrameSummary
{
    double meanLuma = 0.0;
    double meanChannelDifference = 0.0; // against the other frame
};

// Mean brightness of each of two frames stacked in one column, and how far apart they are.
std::pair<FrameSummary, FrameSummary> CompareFrames(const PngImage& sheet)
{
    const int h = sheet.height / 2;
    std::pair<FrameSummary, FrameSummary> result;
    double difference = 0.0;
    for (int y = 0; y < h; ++y)
    {
        for (int x = 0; x < sheet.width; ++x)
        {
            result.first.meanLuma += sheet.Luma(x, y);
            result.second.meanLuma += sheet.Luma(x, y + h);
            for (int shift = 0; shift < 32; shift += 8)
            {
                difference += std::abs(int((sheet.At(x, y) >> shift) & 0xFF) -
                                       int((sheet.At(x, y + h) >> shift) & 0xFF));
            }
        }
    }
    const double n = static_cast<double>(sheet.width) * h;
    result.first.meanLuma /= n;
    result.second.meanLuma /= n;
    result.first.meanChannelDifference = result.second.meanChannelDifference = difference / (4 * n);
    return result;
}

TEST(SkinSwitch, OnFrameIsLitAndClearlyApartFromTheOffFrame)
{
    const PngImage sheet = LoadPng(ImageDir() / "button.png");
    ASSERT_EQ(sheet.height, kButton.height * kButtonFrames);
    const auto [off, on] = CompareFrames(sheet);
    EXPECT_GT(on.meanChannelDifference, 10.0);
    EXPECT_GT(on.meanLuma, off.meanLuma + 10.0);
    // Both states cover the button's centre: the cap never disappears.
    EXPECT_EQ(sheet.Alpha(kButton.width / 2, kButton.height / 2), 255);
    EXPECT_EQ(sheet.Alpha(kButton.width / 2, kButton.height + kButton.height / 2), 255);
}

TEST(SkinLamp, LitFrameIsClearlyBrighterThanTheDarkFrame)
{
    const PngImage sheet = LoadPng(ImageDir() / "lamp.png");
    ASSERT_EQ(sheet.height, kLamp.height * kLampFrames);
    const auto [dark, lit] = CompareFrames(sheet);
    EXPECT_GT(lit.meanLuma, 1.5 * dark.meanLuma);
    EXPECT_GT(lit.meanLuma, dark.meanLuma + 20.0);
    const int cx = kLamp.width / 2;
    const int cy = kLamp.height / 2 + 3; // below the glass's highlight
    EXPECT_LT(sheet.Luma(cx, cy), 90.0);
    EXPECT_GT(sheet.Luma(cx, kLamp.height + cy), 170.0);
}

TEST(SkinHint, StretchedMiddleIsPlainAndTheBorderIsLighterThanTheFill)
{
    for (const auto& [file, scale] : {std::pair{"hint.png", 1}, {"hint@2x.png", 2}})
    {
        SCOPED_TRACE(file);
        const PngImage hint = LoadPng(ImageDir() / file);
        const int size = kHintSize * scale;
        const int margin = kHintMargin * scale;
        ASSERT_EQ(hint.width, size);
        ASSERT_EQ(hint.height, size);
        // The nine-slice stretches the columns and rows between the margins: they must repeat exactly.
        for (int i = 0; i < size; ++i)
        {
            for (int m = margin + 1; m < size - margin; ++m)
            {
                EXPECT_EQ(hint.At(margin, i), hint.At(m, i)) << "row " << i;
                EXPECT_EQ(hint.At(i, margin), hint.At(i, m)) << "column " << i;
            }
        }
        const int middle = size / 2;
        EXPECT_GT(hint.Alpha(middle, middle), 160);
        EXPECT_LT(hint.Alpha(middle, middle), 255) << "the fill is translucent";
        EXPECT_LT(hint.Luma(middle, middle), 40.0);
        for (const auto& [x, y] : {std::pair{middle, 0}, {middle, size - 1}, {0, middle}, {size - 1, middle}})
        {
            EXPECT_GT(hint.Luma(x, y), hint.Luma(middle, middle) + 80.0) << x << "," << y;
        }
        EXPECT_LT(hint.Alpha(0, 0), hint.Alpha(middle, 0)) << "the corners are rounded off";
    }
}

// ---- Background ----

class SkinPanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_Panel = LoadPng(ImageDir() / "panel.png");
        ASSERT_EQ(m_Panel.width, kPanelWidth);
        ASSERT_EQ(m_Panel.height, kPanelHeight);
    }
    PngImage m_Panel;
};

TEST_F(SkinPanel, IsOpaqueEverywhere)
{
    int seeThrough = 0;
    for (int y = 0; y < kPanelHeight; ++y)
    {
        for (int x = 0; x < kPanelWidth; ++x)
        {
            seeThrough += m_Panel.Alpha(x, y) != 255;
        }
    }
    EXPECT_EQ(seeThrough, 0);
}

// A font that fails to load makes cairo draw nothing without an error: every legend must leave
// bright strokes over the plate inside its box.
TEST_F(SkinPanel, EveryLegendLeavesInkInItsBox)
{
    for (const Label& label : PanelLabels())
    {
        SCOPED_TRACE(label.text);
        std::vector<double> luma;
        for (int y = label.box.y; y < label.box.y + label.box.height; ++y)
        {
            for (int x = label.box.x; x < label.box.x + label.box.width; ++x)
            {
                luma.push_back(m_Panel.Luma(x, y));
            }
        }
        std::vector<double> sorted = luma;
        std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
        const double plate = sorted[sorted.size() / 2];
        const auto ink = std::count_if(luma.begin(), luma.end(), [&](double v) { return v > plate + 50.0; });
        EXPECT_GE(ink, 6);
    }
}

TEST_F(SkinPanel, SlotRunsUnderEveryCapAlongTheWholeTravel)
{
    for (int band = 0; band < kBandCount; ++band)
    {
        SCOPED_TRACE(kBandNames[band]);
        const int x = kFaderX[band] + static_cast<int>(kCapCentreX);
        for (int y = kFaderY + static_cast<int>(kCapTopCentreY);
             y <= kFaderY + static_cast<int>(kCapBottomCentreY); ++y)
        {
            ASSERT_LT(m_Panel.Luma(x, y), 25.0) << "row " << y;
        }
    }
}
} // namespace
