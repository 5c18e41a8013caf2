// One record per widget. Parameter names, units, ranges and defaults come only from here.
#include "device/device_layout.h"

namespace KVX::Device
{
namespace
{
WidgetSpec Record(const char16_t* name, std::int32_t paramIndex, std::int32_t x, std::int32_t y,
                  std::int32_t width, std::int32_t height, const char16_t* image)
{
    WidgetSpec record;
    record.name = name;
    record.paramIndex = paramIndex;
    record.x = x;
    record.y = y;
    record.width = width;
    record.height = height;
    record.image = image;
    return record;
}

WidgetSpec HintRecord()
{
    WidgetSpec record = Record(u"Hint", -1, 43, 16, 86, 28, u"Hint##Sz-1x-1pxSb0.png");
    record.insetLeft = record.insetRight = record.insetTop = record.insetBottom = 5;
    record.sliceLeft = record.sliceTop = record.sliceRight = record.sliceBottom = 3;
    record.labelText = u"Background";
    return record;
}

WidgetSpec FaderRecord(const char16_t* name, std::int32_t band, std::int32_t x, const char16_t* image)
{
    WidgetSpec record = Record(name, band, x, 33, 50, 235, image);
    record.insetRight = 25;
    record.insetBottom = 45;
    record.shadowOffsetX = -10;
    record.shadowOffsetY = 20;
    record.shadowAlpha = 128;
    record.shadowBlur = 2;
    record.unit = u"dB";
    record.defaultValue = 0.5f;
    record.minDisplay = -12.0f;
    record.maxDisplay = 12.0f;
    record.riseMs = 500.0f;
    record.fallMs = 500.0f;
    return record;
}

WidgetSpec LampRecord()
{
    WidgetSpec record = Record(u"LED In", -1, 815, 50, 50, 50, u"Lamp((2))##Sz-1x-1pxSb0.png");
    record.riseMs = 250.0f;
    record.fallMs = 250.0f;
    return record;
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
