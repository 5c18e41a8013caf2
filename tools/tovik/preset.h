// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moving a program between a loaded plug-in and a preset file.
#include "preset_file.h"

#include <string>

namespace KVX::Host
{
class Plugin;
}

namespace KVX::Tovik
{
// The plug-in's current program: its chunk when it keeps programs as chunks, else its parameter values.
bool CaptureProgram(const Host::Plugin& plugin, const std::string& name, ProgramFile& program,
                    std::string& error);
// Refuses a program made for another plug-in, or one whose kind or size the plug-in cannot take.
bool ApplyProgram(const Host::Plugin& plugin, const ProgramFile& program, std::string& error);
} // namespace KVX::Tovik
