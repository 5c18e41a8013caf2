#pragma once
// Single-program preset files (.fxp): a big-endian header naming the plug-in, then either an opaque
// state chunk or one normalised value per parameter.
#include "vst/aeffect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace KVX::Tovik
{
struct ProgramFile
{
    VstInt32 pluginId = 0;
    VstInt32 pluginVersion = 0;
    std::string name;
    // An opaque chunk ('FPCh') when true, else one value per parameter ('FxCk').
    bool opaque = true;
    std::vector<std::uint8_t> chunk;
    std::vector<float> parameters;
};

// The name keeps at most 27 bytes so that the field stays terminated.
std::vector<std::uint8_t> EncodeProgram(const ProgramFile& program);
// False with a one-line `error` for anything but a complete single-program file.
bool DecodeProgram(const std::vector<std::uint8_t>& bytes, ProgramFile& program, std::string& error);

bool ReadProgramFile(const std::string& path, ProgramFile& program, std::string& error);
// Through a temporary file beside `path`, renamed when complete.
bool WriteProgramFile(const std::string& path, const ProgramFile& program, std::string& error);
} // namespace KVX::Tovik
