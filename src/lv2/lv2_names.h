// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names under which LV2 hosts know this device: URIs, the bundle and its binaries. Changing any of
// them makes hosts treat the plug-in as a different one and lose saved sessions.
#include "device/description.h"

#include <string_view>

namespace KVX::LV2
{
#define KVX_LV2_PLUGIN_URI KVX_IDENTITY_LV2_URI

constexpr std::string_view kPluginUri = Device::Description::kIdentity.lv2Uri;
constexpr std::string_view kUiUri = KVX_LV2_PLUGIN_URI "#ui";
// The key under which the state holds the program chunk.
constexpr std::string_view kStateChunkKey = KVX_LV2_PLUGIN_URI "#chunk";
constexpr std::string_view kDefaultPresetUri = KVX_LV2_PLUGIN_URI "#default";

constexpr std::string_view kBundleName = "kvx-tovik.lv2";
constexpr std::string_view kPluginBinary = "kvx-tovik-lv2.so";
constexpr std::string_view kUiBinary = "kvx-tovik-lv2-ui.so";
constexpr std::string_view kPluginTurtle = "kvx-tovik.ttl";
constexpr std::string_view kPresetsTurtle = "presets.ttl";
} // namespace KVX::LV2
