// SPDX-License-Identifier: GPL-3.0-or-later
// Preloaded into programs the tests start (LD_PRELOAD), so that a child that draws through Mesa keeps the
// driver mapped too; see gl_driver_pin.h.
#include "support/gl_driver_pin.h"

namespace
{
[[maybe_unused]] const int g_Pinned = KVX::Test::PinGLDriver();
}
