// SPDX-License-Identifier: GPL-3.0-or-later
// One record per widget. Names, units, ranges, defaults, images and the panel's size come from the
// device description; what is only the panel's own (insets, shadows, timings) is set here.
#include "device/device_layout.h"

#include "device/device_texts.h"

namespace KVX::Device
{
namespace
{
namespace D = Description;

WidgetSpec Record(const char16_t* name, std::int32_t paramIndex, std::int32_t x, std::int32_t y,
                  std::int32_t width, std::int32_t height, std::u16string image)
{
    WidgetSpec record;
    record.name = name;
    record.paramIndex = paramIndex;
    record.x = x;
    record.y = y;
    record.width = width;
    record.height = height;
    record.image = std::move(image);
    return record;
}

// A parameter's own texts and values, taken into its widget's record.
void TakeParameter(WidgetSpec& record, const D::Parameter& parameter)
{
    record.name = Wide(parameter.name);
    record.paramIndex = parameter.index;
    record.unit = Wide(parameter.unit);
    record.defaultValue = parameter.recordDefault;
    record.minDisplay = parameter.displayMin;
    record.maxDisplay = parameter.displayMax;
    record.decimals = static_cast<std::uint8_t>(parameter.decimals);
}

WidgetSpec HintRecord()
{
    WidgetSpec record = Record(u"Hint", -1, 43, 16, 86, 28, Wide(D::kHintImage.resourceName));
    record.insetLeft = record.insetRight = record.insetTop = record.insetBottom = 5;
    record.sliceLeft = record.sliceTop = record.sliceRight = record.sliceBottom = 3;
    record.labelText = u"Background";
    return record;
}

WidgetSpec BackgroundRecord()
{
    return Record(u"Background", -1, 0, 0, D::kPanelWidth, D::kPanelHeight,
                  Wide(D::kBackgroundImage.resourceName));
}

WidgetSpec FaderRecord(int band)
{
    const auto at = static_cast<std::size_t>(band);
    WidgetSpec record = Record(u"", -1, D::kFaderX[at], D::kFaderY, D::kFaderWidth, D::kFaderHeight,
                               Wide(D::kFaderImages[at].resourceName));
    TakeParameter(record, D::kParameters[at]);
    record.insetRight = 25;
    record.insetBottom = 45;
    record.shadowOffsetX = -10;
    record.shadowOffsetY = 20;
    record.shadowAlpha = 128;
    record.shadowBlur = 2;
    record.riseMs = 500.0f;
    record.fallMs = 500.0f;
    return record;
}

std::array<WidgetSpec, kBandCount> FaderRecords()
{
    std::array<WidgetSpec, kBandCount> records;
    for (int band = 0; band < kBandCount; ++band)
    {
        records[static_cast<std::size_t>(band)] = FaderRecord(band);
    }
    return records;
}

WidgetSpec InButtonRecord()
{
    const D::Box& box = D::kButtonBox;
    WidgetSpec record =
        Record(u"", -1, box.x, box.y, box.width, box.height, Wide(D::kButtonImage.resourceName));
    TakeParameter(record, D::kParameters[D::kInParameter]);
    return record;
}

WidgetSpec LampRecord()
{
    const D::Box& box = D::kLampBox;
    WidgetSpec record =
        Record(u"LED In", -1, box.x, box.y, box.width, box.height, Wide(D::kLampImage.resourceName));
    record.riseMs = 250.0f;
    record.fallMs = 250.0f;
    return record;
}
} // namespace

const WidgetSpec g_HintSpec = HintRecord();
const WidgetSpec g_LightSpec = Record(u"Light", -1, 0, 0, 32, 32, u"");
const WidgetSpec g_BackgroundSpec = BackgroundRecord();
const std::array<WidgetSpec, kBandCount> g_FaderSpecs = FaderRecords();
const WidgetSpec g_InButtonSpec = InButtonRecord();
const WidgetSpec g_LampSpec = LampRecord();
} // namespace KVX::Device
