// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Keeps Mesa's driver mapped for the rest of the process.
//
// Mesa loads its DRI driver when a GLX display is first used and unloads it when the display goes. Memory
// the driver holds for its whole life then looks leaked to LeakSanitizer, and the report cannot even
// name the module, so it cannot be suppressed by name either. Holding one more reference with
// RTLD_NODELETE keeps that memory reachable from the driver's globals, and anything still reported names
// the driver. Harmless in unsanitised runs.
namespace KVX::Test
{
// Loads every software driver found in the driver folders (LIBGL_DRIVERS_PATH, else the system's);
// returns how many are now held. Safe to call more than once.
int PinGLDriver();

// PinGLDriver for this process, and, in sanitised builds, for the programs it starts from now on (they
// inherit a preload of a module that does the same). Once per process.
void PinGLDriverForThisProcessAndChildren();
} // namespace KVX::Test
