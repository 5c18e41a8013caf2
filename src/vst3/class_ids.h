// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// This plug-in's class in the factory. Hosts remember plug-ins by class id: it never changes.
#include "vst3/abi/types.h"

namespace KVX::Vst3
{
// "KVXTovikTvk1" followed by the class number.
constexpr Uid kProcessorClassId = Uid::FromWords(0x4B565854, 0x6F76696B, 0x54766B31, 0x00000001);

constexpr const char* kAudioEffectCategory = "Audio Module Class";
constexpr const char* kSubCategories = "Fx|EQ";
// The interface version these records follow.
constexpr const char* kInterfaceVersion = "VST 3.7.0";
} // namespace KVX::Vst3
