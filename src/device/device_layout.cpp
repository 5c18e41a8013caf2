// One record per widget. Parameter names, units, ranges and defaults come only from here.
#include "device/device_layout.h"

namespace KVX::Device
{
namespace
{
WidgetSpec Record(const char16_t* name, std::int32_t paramIndex, std::int32_t x, std::int32_t y,
                  std::int32_t width, std::int32_t height, const char16_t* image)
{
    WidgetSpec spec;
    spec.name = name;
    spec.paramIndex = paramIndex;
    spec.x = x;
    spec.y = y;
    spec.width = width;
    spec.height = height;
    spec.image = image;
    return spec;
}

WidgetSpec HintRecord()
{
    WidgetSpec spec = Record(u"Hint", -1, 43, 16, 86, 28, u"Hint##Sz-1x-1pxSb0.png");
    spec.insetLeft = spec.insetRight = spec.insetTop = spec.insetBottom = 5;
    spec.sliceLeft = spec.sliceTop = spec.sliceRight = spec.sliceBottom = 3;
    spec.labelText = u"Background";
    return spec;
}

WidgetSpec FaderRecord(const char16_t* name, std::int32_t band, std::int32_t x, const char16_t* image)
{
    WidgetSpec spec = Record(name, band, x, 33, 50, 235, image);
    spec.insetRight = 25;
    spec.insetBottom = 45;
    spec.shadowOffsetX = -10;
    spec.shadowOffsetY = 20;
    spec.shadowAlpha = 128;
    spec.shadowBlur = 2;
    spec.unit = u"dB";
    spec.defaultValue = 0.5f;
    spec.minDisplay = -12.0f;
    spec.maxDisplay = 12.0f;
    spec.riseMs = 500.0f;
    spec.fallMs = 500.0f;
    return spec;
}

WidgetSpec LampRecord()
{
    WidgetSpec spec = Record(u"LED In", -1, 815, 50, 50, 50, u"Lamp((2))##Sz-1x-1pxSb0.png");
    spec.riseMs = 250.0f;
    spec.fallMs = 250.0f;
    return spec;
}
} // namespace

// clang-format off
const WidgetSpec g_HintSpec       = HintRecord();
const WidgetSpec g_LightSpec      = Record(u"Light",      -1,   0,   0,  32,  32, u"");
const WidgetSpec g_BackgroundSpec = Record(u"Background", -1,   0,   0, 900, 258, u"pnl##Sz-1x-1pxSb0.png");
const std::array<WidgetSpec, kBandCount> g_FaderSpecs = {
    FaderRecord(u"31 Hz",  0, 141, u"Fader01((64x18))##Sz-1x-1pxSb0.png"),
    FaderRecord(u"63",     1, 205, u"Fader02((64x18))##Sz-1x-1pxSb0.png"),
    FaderRecord(u"125 Hz", 2, 269, u"Fader03((64x18))##Sz-1x-1pxSb0.png"),
    FaderRecord(u"250 Hz", 3, 334, u"Fader04((64x18))##Sz-1x-1pxSb0.png"),
    FaderRecord(u"500 Hz", 4, 399, u"Fader05((64x18))##Sz-1x-1pxSb0.png"),
    FaderRecord(u"1 kHz",  5, 463, u"Fader06((64x18))##Sz-1x-1pxSb0.png"),
    FaderRecord(u"2 kHz",  6, 528, u"Fader07((64x18))##Sz-1x-1pxSb0.png"),
    FaderRecord(u"4 kHz",  7, 592, u"Fader08((64x18))##Sz-1x-1pxSb0.png"),
    FaderRecord(u"8 kHz",  8, 657, u"Fader09((64x18))##Sz-1x-1pxSb0.png"),
    FaderRecord(u"16 kHz", 9, 721, u"Fader10((64x18))##Sz-1x-1pxSb0.png"),
};
const WidgetSpec g_InButtonSpec   = Record(u"Btn IN",     10, 813, 129, 60,  60, u"Button((2))##Sz-1x-1pxSb0.png");
const WidgetSpec g_LampSpec       = LampRecord();
// clang-format on
} // namespace KVX::Device
