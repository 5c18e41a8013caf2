// SPDX-License-Identifier: GPL-3.0-or-later
// Geometry of the skin: where the widgets sit on the panel, how a fader frame is laid out and where the
// printed labels go. The device description places the controls and names the bands; the generator draws
// from these numbers and the skin tests check against them.
#pragma once

#include "device/description.h"

#include <array>

namespace KVX::Skin
{
namespace D = Device::Description;
using Box = D::Box;

inline constexpr int kPanelWidth = D::kPanelWidth;
inline constexpr int kPanelHeight = D::kPanelHeight;

// The ten band faders, as the panel places them.
inline constexpr int kBandCount = D::kBandCount;
inline constexpr std::array<int, kBandCount> kFaderX = D::kFaderX;
inline constexpr int kFaderY = D::kFaderY;

// The description's texts are whole string literals, so their data ends in a zero byte.
constexpr std::array<const char*, kBandCount> BandNames()
{
    std::array<const char*, kBandCount> names{};
    for (int band = 0; band < kBandCount; ++band)
    {
        names[static_cast<std::size_t>(band)] = D::kParameters[static_cast<std::size_t>(band)].name.data();
    }
    return names;
}
inline constexpr std::array<const char*, kBandCount> kBandNames = BandNames();

// A fader sheet: 64 positions in rows of 18 frames.
inline constexpr int kFaderFrameWidth = D::kFaderWidth;
inline constexpr int kFaderFrameHeight = D::kFaderHeight;
inline constexpr int kFaderFrames = 64;
inline constexpr int kFaderColumns = 18;
inline constexpr int kFaderRows = (kFaderFrames + kFaderColumns - 1) / kFaderColumns;
inline constexpr int kFaderSheetWidth = kFaderFrameWidth * kFaderColumns;
inline constexpr int kFaderSheetHeight = kFaderFrameHeight * kFaderRows;
static_assert(kFaderSheetWidth == D::kFaderImages[0].width && kFaderSheetHeight == D::kFaderImages[0].height);

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

inline constexpr Box kButton = D::kButtonBox;
inline constexpr int kButtonFrames = 2;
inline constexpr Box kLamp = D::kLampBox;
inline constexpr int kLampFrames = 2;
inline constexpr int kHintSize = D::kHintImage.width;
static_assert(kButton.width == D::kButtonImage.width &&
              kButton.height * kButtonFrames == D::kButtonImage.height);
static_assert(kLamp.width == D::kLampImage.width && kLamp.height * kLampFrames == D::kLampImage.height);
static_assert(D::kHintImage.width == D::kHintImage.height);
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

// The band scale's marks from the top (+12 dB) down, printed with a true minus sign.
inline constexpr int kScaleRows = static_cast<int>(D::kDbScalePoints.size());
inline constexpr std::array<const char*, kScaleRows> kScaleTexts = {"+12", "+6", "0", "\u22126", "\u221212"};

constexpr double ScaleRowDb(int row)
{
    return D::kDbScalePoints[static_cast<std::size_t>(kScaleRows - 1 - row)];
}

constexpr double ScaleRowY(int row) // panel y of a scale row's centre; row 0 is +12 dB
{
    const D::Parameter& band = D::kParameters[0];
    return kFaderY + CapCentreY((ScaleRowDb(row) - band.displayMin) / (band.displayMax - band.displayMin));
}

inline constexpr int kLabelCount = 3 + kBandCount + 2 * kScaleRows + 2 + 2;

constexpr std::array<Label, kLabelCount> PanelLabels()
{
    std::array<Label, kLabelCount> labels{};
    int n = 0;
    labels[n++] = {D::kIdentity.name.data(), {14, 30, 86, 24}, LabelStyle::Brand};
    labels[n++] = {"GRAPHIC EQUALISER", {14, 56, 86, 10}, LabelStyle::Subtitle};
    labels[n++] = {D::kIdentity.vendor.data(), {14, 222, 86, 18}, LabelStyle::Vendor};
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
