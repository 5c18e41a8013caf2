// Geometry of the skin: where the widgets sit on the panel, how a fader frame is laid out and where the
// printed labels go. The generator draws from these numbers and the skin tests check against them.
#pragma once

#include <array>

namespace KVX::Skin
{
struct Box
{
    int x;
    int y;
    int width;
    int height;
};

inline constexpr int kPanelWidth = 900;
inline constexpr int kPanelHeight = 258;

// The ten band faders, as the panel places them.
inline constexpr int kBandCount = 10;
inline constexpr std::array<int, kBandCount> kFaderX = {141, 205, 269, 334, 399, 463, 528, 592, 657, 721};
inline constexpr int kFaderY = 33;
inline constexpr std::array<const char*, kBandCount> kBandNames = {
    "31 Hz", "63", "125 Hz", "250 Hz", "500 Hz", "1 kHz", "2 kHz", "4 kHz", "8 kHz", "16 kHz"};

// A fader sheet: 64 positions in rows of 18 frames.
inline constexpr int kFaderFrameWidth = 50;
inline constexpr int kFaderFrameHeight = 235;
inline constexpr int kFaderFrames = 64;
inline constexpr int kFaderColumns = 18;
inline constexpr int kFaderRows = (kFaderFrames + kFaderColumns - 1) / kFaderColumns;
inline constexpr int kFaderSheetWidth = kFaderFrameWidth * kFaderColumns;
inline constexpr int kFaderSheetHeight = kFaderFrameHeight * kFaderRows;

// The mouse takes a fader only in its frame minus 25 px on the right and 45 px at the bottom, and the
// bottom 10 px of the frame hang below the panel: the cap must live inside the grab area.
inline constexpr int kFaderGrabWidth = kFaderFrameWidth - 25;
inline constexpr int kFaderGrabHeight = kFaderFrameHeight - 45;
inline constexpr int kFaderVisibleHeight = kPanelHeight - kFaderY;

// The cap, in frame pixels. Centres sit on pixel centres at both ends of the travel so that the index
// line is crisp at +12 and -12 dB.
inline constexpr double kCapCentreX = 13.0;
inline constexpr double kCapWidth = 24.0;
inline constexpr double kCapHeight = 24.0;
inline constexpr double kCapTopCentreY = 16.5;     // position 1.0, +12 dB
inline constexpr double kCapBottomCentreY = 177.5; // position 0.0, -12 dB

constexpr double CapCentreY(double position)
{
    return kCapBottomCentreY - (kCapBottomCentreY - kCapTopCentreY) * position;
}

// The slot the cap rides in, painted on the panel under each fader (frame-relative).
inline constexpr double kSlotTop = 5.0;
inline constexpr double kSlotBottom = 190.0;
inline constexpr double kSlotWidth = 4.0;

inline constexpr Box kButton = {813, 129, 60, 60};
inline constexpr int kButtonFrames = 2;
inline constexpr Box kLamp = {815, 50, 50, 50};
inline constexpr int kLampFrames = 2;
inline constexpr int kHintSize = 8;
inline constexpr int kHintMargin = 3;

// Printed legends of the background. The text is placed inside its box (aligned as the style says,
// centred vertically on the box), so a test can look for ink there.
enum class LabelStyle
{
    Brand,     // product name
    Subtitle,  // small spaced caps under the product name
    Vendor,    // maker's name
    Band,      // band names under the faders
    Scale,     // dB numbers beside the travel, right-aligned
    ScaleLeft, // dB numbers beside the travel, left-aligned
    Unit,      // "dB" over a scale
    Caption,   // captions of the button and the lamp
};

struct Label
{
    const char* text;
    Box box;
    LabelStyle style;
};

inline constexpr int kScaleRows = 5;
inline constexpr std::array<const char*, kScaleRows> kScaleTexts = {"+12", "+6", "0", "\u22126", "\u221212"};

constexpr double ScaleRowY(int row) // panel y of a scale row's centre; row 0 is +12 dB
{
    return kFaderY + CapCentreY(1.0 - row * 0.25);
}

inline constexpr int kLabelCount = 3 + kBandCount + 2 * kScaleRows + 2 + 2;

constexpr std::array<Label, kLabelCount> PanelLabels()
{
    std::array<Label, kLabelCount> labels{};
    int n = 0;
    labels[n++] = {"KVX Tovik", {14, 30, 86, 24}, LabelStyle::Brand};
    labels[n++] = {"GRAPHIC EQUALISER", {14, 56, 86, 10}, LabelStyle::Subtitle};
    labels[n++] = {"Brellmoor", {14, 222, 86, 18}, LabelStyle::Vendor};
    for (int band = 0; band < kBandCount; ++band)
    {
        const int centre = kFaderX[band] + static_cast<int>(kCapCentreX);
        labels[n++] = {kBandNames[band], {centre - 30, 228, 60, 14}, LabelStyle::Band};
    }
    for (int row = 0; row < kScaleRows; ++row)
    {
        const int y = static_cast<int>(ScaleRowY(row)) - 6;
        labels[n++] = {kScaleTexts[row], {108, y, 23, 12}, LabelStyle::Scale};
        labels[n++] = {kScaleTexts[row], {760, y, 23, 12}, LabelStyle::ScaleLeft};
    }
    labels[n++] = {"dB", {108, 28, 23, 11}, LabelStyle::Unit};
    labels[n++] = {"dB", {760, 28, 23, 11}, LabelStyle::Unit};
    labels[n++] = {"SIGNAL", {kLamp.x - 15, 34, kLamp.width + 30, 12}, LabelStyle::Caption};
    labels[n++] = {"IN", {kButton.x - 10, 194, kButton.width + 20, 14}, LabelStyle::Caption};
    return labels;
}
} // namespace KVX::Skin
