// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The construction record of every widget: one per widget, copied by the constructors.
#include <cstdint>
#include <string>

namespace KVX
{
// Maps between normalised and display values: direction 0 normalised → display, 1 display → normalised.
using ValueMapper = float (*)(float value, float minimum, float maximum, int direction);

// Alignment bits of label text.
enum : std::int32_t
{
    kAlignCentreH = 1,
    kAlignRight = 2,
    kAlignCentreV = 4,
    kAlignBottom = 8
};

// Edge anchoring bits.
enum : std::uint32_t
{
    kAnchorLeft = 1,
    kAnchorRight = 2,
    kAnchorTop = 4,
    kAnchorBottom = 8
};

struct WidgetSpec
{
    std::int32_t paramIndex = -1;
    std::int32_t fontSize = 10;
    std::int32_t textAlign = kAlignCentreH | kAlignCentreV;
    std::int32_t textRenderingHint = 3;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t insetLeft = 0;
    std::int32_t insetRight = 0;
    std::int32_t insetTop = 0;
    std::int32_t insetBottom = 0;
    std::int32_t sliceLeft = 0;
    std::int32_t sliceTop = 0;
    std::int32_t sliceRight = 0;
    std::int32_t sliceBottom = 0;
    std::int32_t fadeInMs = 250;
    std::int32_t fadeOutMs = 250;
    std::uint32_t anchors = 0;
    std::int32_t shadowOffsetX = 0;
    std::int32_t shadowOffsetY = 0;
    std::int32_t overlayOffsetX = 0;
    std::int32_t overlayOffsetY = 0;
    std::u16string image;
    std::u16string specularImage;
    std::u16string normalImage;
    std::u16string overlayImage;
    std::u16string name;
    std::u16string unit;
    std::u16string fontFace = u"Tahoma";
    std::u16string labelText;
    std::u16string shaderName;
    std::uint8_t bold = 0;
    std::uint8_t italic = 0;
    std::uint8_t upperCase = 0;
    std::uint8_t tile = 0;
    std::uint8_t visible = 1;
    std::uint8_t enabled = 0;
    std::uint8_t showHint = 1;
    std::uint8_t shadow = 0;
    std::uint8_t scaleImages = 0;
    float defaultValue = 0.0f;
    float minDisplay = 0.0f;
    float maxDisplay = 0.0f;
    float riseMs = 0.0f;
    float fallMs = 0.0f;
    ValueMapper valueMapper = nullptr;
    std::uint8_t shadowAlpha = 255;
    std::uint8_t shadowBlur = 0;
    std::uint32_t colour = 0xFFFFFFFF;
    std::uint32_t hoverColour = 0xFFFFFFFF;
    std::uint32_t onColour = 0xFFFFFFFF;
    std::uint32_t overlayColour = 0xFFFFFFFF;
    std::uint32_t overlayOnColour = 0xFFFFFFFF;
    std::uint32_t reserved = 0;
    std::uint32_t textColour = 0xFFFFFFFF;
    std::uint8_t decimals = 1;
    std::u16string valueTexts;
    std::int32_t dragPixels = 500;
    std::int32_t wheelDivisor = 500;
};
} // namespace KVX
