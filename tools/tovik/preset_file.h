// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Single-program preset files (.fxp): a big-endian header naming the plug-in, then either an opaque
// state chunk or one normalised value per parameter.
#include "formats/fxp.h"
#include "vst/aeffect.h" // plug-in ids are VstInt32, often written with CCONST

#include <cstdint>
#include <string>
#include <vector>

namespace KVX::Tovik
{
// The file's content; the byte format itself is the formats library's.
using ProgramFile = Formats::Fxp::Program;

// The name keeps at most 27 bytes so that the field stays terminated.
std::vector<std::uint8_t> EncodeProgram(const ProgramFile& program);
// False with a one-line `error` for anything but a complete single-program file.
bool DecodeProgram(const std::vector<std::uint8_t>& bytes, ProgramFile& program, std::string& error);

bool ReadProgramFile(const std::string& path, ProgramFile& program, std::string& error);
// The program name a preset file gives: "presets/warm.fxp" is named "warm".
std::string StemOf(const std::string& path);

// Through a temporary file beside `path`, renamed when complete.
bool WriteProgramFile(const std::string& path, const ProgramFile& program, std::string& error);
} // namespace KVX::Tovik
