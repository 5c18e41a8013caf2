// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What this device is, as plain data: identity, the host parameters, the panel and its images. Every
// plug-in format and tool derives its view of the device from here, so nothing below includes anything
// but the standard library.
#include "device/identity.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace KVX::Device::Description
{
// Four-character codes are read with the first character in the most significant byte.
constexpr std::int32_t FourCharCode(char a, char b, char c, char d)
{
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(static_cast<unsigned char>(a)) << 24) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(b)) << 16) |
                                     (static_cast<std::uint32_t>(static_cast<unsigned char>(c)) << 8) |
                                     static_cast<std::uint32_t>(static_cast<unsigned char>(d)));
}

struct Identity
{
    std::string_view name;
    std::string_view vendor;
    std::int32_t uniqueId;
    std::int32_t version;
    std::string_view versionText;
    // The version text's four numbers.
    std::array<int, 4> versionParts;
    // What the other formats' hosts remember the plug-in by: never change them.
    std::string_view clapId;
    std::string_view lv2Uri;
    std::string_view homepage;
};

constexpr Identity kIdentity{KVX_IDENTITY_NAME,
                             KVX_IDENTITY_VENDOR,
                             FourCharCode('T', 'v', 'k', '1'),
                             1000,
                             KVX_IDENTITY_VERSION_TEXT,
                             {1, 0, 0, 283},
                             KVX_IDENTITY_CLAP_ID,
                             KVX_IDENTITY_LV2_URI,
                             KVX_IDENTITY_HOMEPAGE};

// The version text is the four numbers.
constexpr bool VersionTextMatches()
{
    std::string_view text = kIdentity.versionText;
    for (int part : kIdentity.versionParts)
    {
        int value = 0;
        std::size_t used = 0;
        while (used < text.size() && text[used] >= '0' && text[used] <= '9')
        {
            value = value * 10 + (text[used++] - '0');
        }
        if (used == 0 || value != part)
        {
            return false;
        }
        text.remove_prefix(used < text.size() ? used + 1 : used);
    }
    return text.empty();
}
static_assert(VersionTextMatches());

// Sample rates the plug-in formats run at: every rate a host or a format's validator asks for, with a
// margin; far below the lowest the band designs ring far above their marks.
constexpr double kMinSampleRate = 1000.0;
constexpr double kMaxSampleRate = 1536000.0;

constexpr int kInputs = 2;
constexpr int kOutputs = 2;

enum class ParameterKind
{
    BandFader, // normalised 0 … 1 shown as displayMin … displayMax in the unit
    Switch     // 0 = off, anything else = on
};

struct Parameter
{
    std::int32_t index;
    std::string_view name;   // also what the host shows; the 63 Hz band really is named "63"
    std::string_view symbol; // a stable machine name (a C identifier)
    ParameterKind kind;
    std::string_view unit;
    float displayMin;
    float displayMax;
    float recordDefault;  // the widget's own value (Ctrl+click resets a fader to it)
    float programDefault; // the value after construction, from the default program
    float frequencyHz;    // the band's nominal centre; 0 for the switch
    std::string_view offText;
    std::string_view onText;
    std::string_view group; // where hosts that group parameters list it
    int decimals = 1;       // digits after the point in the value text
};

constexpr Parameter Band(std::int32_t index, std::string_view name, std::string_view symbol, float hz)
{
    return {index, name, symbol, ParameterKind::BandFader, "dB", -12.0f, 12.0f, 0.5f, 0.5f, hz, {}, {}, "Bands"};
}

constexpr int kBandCount = 10;
constexpr int kParameterCount = 11;
constexpr std::int32_t kInParameter = 10;

// clang-format off
constexpr std::array<Parameter, kParameterCount> kParameters = {
    Band(0, "31 Hz",  "band_31hz",     31.0f),
    Band(1, "63",     "band_63hz",     63.0f),
    Band(2, "125 Hz", "band_125hz",   125.0f),
    Band(3, "250 Hz", "band_250hz",   250.0f),
    Band(4, "500 Hz", "band_500hz",   500.0f),
    Band(5, "1 kHz",  "band_1khz",   1000.0f),
    Band(6, "2 kHz",  "band_2khz",   2000.0f),
    Band(7, "4 kHz",  "band_4khz",   4000.0f),
    Band(8, "8 kHz",  "band_8khz",   8000.0f),
    Band(9, "16 kHz", "band_16khz", 16000.0f),
    Parameter{10, "Btn IN", "in", ParameterKind::Switch, "", 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, "Off", "On"},
};
// clang-format on

// Marks worth labelling on a band's dB scale.
constexpr std::array<float, 5> kDbScalePoints = {-12.0f, -6.0f, 0.0f, 6.0f, 12.0f};

// The state chunk: one little-endian (int32 index, float32 value) entry per parameter, 8 bytes each.
constexpr int kChunkBytes = kParameterCount * 8;

// The default program, a module resource.
constexpr std::string_view kDefaultProgramName = "Default";
constexpr std::string_view kDefaultProgramResource = "+Default.fxp";

// The panel: a fixed size, the size of its background image.
constexpr int kPanelWidth = 900;
constexpr int kPanelHeight = 258;

struct Image
{
    std::string_view resourceName; // in the image-name grammar: frames and load parameters included
    int width;
    int height;
};

constexpr Image kBackgroundImage{"pnl##Sz-1x-1pxSb0.png", 900, 258};
constexpr std::array<Image, kBandCount> kFaderImages = {{
    {"Fader01((64x18))##Sz-1x-1pxSb0.png", 900, 940},
    {"Fader02((64x18))##Sz-1x-1pxSb0.png", 900, 940},
    {"Fader03((64x18))##Sz-1x-1pxSb0.png", 900, 940},
    {"Fader04((64x18))##Sz-1x-1pxSb0.png", 900, 940},
    {"Fader05((64x18))##Sz-1x-1pxSb0.png", 900, 940},
    {"Fader06((64x18))##Sz-1x-1pxSb0.png", 900, 940},
    {"Fader07((64x18))##Sz-1x-1pxSb0.png", 900, 940},
    {"Fader08((64x18))##Sz-1x-1pxSb0.png", 900, 940},
    {"Fader09((64x18))##Sz-1x-1pxSb0.png", 900, 940},
    {"Fader10((64x18))##Sz-1x-1pxSb0.png", 900, 940},
}};
constexpr Image kButtonImage{"Button((2))##Sz-1x-1pxSb0.png", 60, 120};
constexpr Image kLampImage{"Lamp((2))##Sz-1x-1pxSb0.png", 50, 100};
constexpr Image kHintImage{"Hint##Sz-1x-1pxSb0.png", 8, 8};

// Where the controls sit on the panel, in panel pixels; a fader's box is one frame of its sheet.
struct Box
{
    int x;
    int y;
    int width;
    int height;
};

constexpr std::array<int, kBandCount> kFaderX = {141, 205, 269, 334, 399, 463, 528, 592, 657, 721};
constexpr int kFaderY = 33;
constexpr int kFaderWidth = 50;
constexpr int kFaderHeight = 235;
constexpr Box kButtonBox{813, 129, 60, 60};
constexpr Box kLampBox{815, 50, 50, 50};

// Indices match positions, so a parameter can be found by its index directly.
constexpr bool IndicesArePositions()
{
    for (int i = 0; i < kParameterCount; ++i)
    {
        if (kParameters[static_cast<std::size_t>(i)].index != i)
        {
            return false;
        }
    }
    return true;
}
static_assert(IndicesArePositions());
static_assert(kParameters[kInParameter].kind == ParameterKind::Switch);
} // namespace KVX::Device::Description
