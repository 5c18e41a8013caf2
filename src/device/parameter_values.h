// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Each host parameter's value type, made from the description: a band is a linear dB value, the IN
// switch an on/off value. Every format and tool that converts or shows a value asks here.
#include "device/description.h"
#include "values/value_type.h"

namespace KVX::Device
{
// `index` is a parameter's index (0 … kParameterCount − 1).
const Values::CValueType& ValueTypeOf(int index);
} // namespace KVX::Device
