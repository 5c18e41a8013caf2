// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// This device's layout: fifteen widget records, built when the module loads from the description and
// the positions below.
#include "device/description.h"
#include "gui/widgets/widget_record.h"

#include <array>

namespace KVX::Device
{
constexpr int kBandCount = Description::kBandCount;
constexpr int kInParam = Description::kInParameter;

extern const WidgetSpec g_HintSpec;
extern const WidgetSpec g_LightSpec;
extern const WidgetSpec g_BackgroundSpec;
extern const std::array<WidgetSpec, kBandCount> g_FaderSpecs;
extern const WidgetSpec g_InButtonSpec;
extern const WidgetSpec g_LampSpec;
} // namespace KVX::Device
