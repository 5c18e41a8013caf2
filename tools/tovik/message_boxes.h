// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A command-line host must never wait for a click: our plug-in modules (VST and CLAP) let a host take
// their error boxes, and tovik prints them on standard error.
namespace KVX::Tovik
{
// Hands the module's error boxes to tovik where the module offers that; other modules are left alone.
void TakeMessageBoxes(void* module);
} // namespace KVX::Tovik
