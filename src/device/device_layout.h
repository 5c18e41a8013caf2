#pragma once
// This device's layout: fifteen widget records, built when the module loads.
#include "gui/widgets/widget_record.h"

#include <array>

namespace KVX::Device
{
constexpr int kBandCount = 10;
constexpr int kInParam = 10;

extern const WidgetSpec g_HintSpec;
extern const WidgetSpec g_LightSpec;
extern const WidgetSpec g_BackgroundSpec;
extern const std::array<WidgetSpec, kBandCount> g_FaderSpecs;
extern const WidgetSpec g_InButtonSpec;
extern const WidgetSpec g_LampSpec;
} // namespace KVX::Device
