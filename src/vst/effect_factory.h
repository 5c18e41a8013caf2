// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one function a plug-in module's entry point needs from the device it carries: the entry is written
// once against this, and the device that is linked in defines it.
#include "vst/audioeffect.h"

namespace KVX
{
// The device's processor, or null after the device has reported why it could not be made.
AudioEffect* createEffectInstance(audioMasterCallback audioMaster);
} // namespace KVX
