#pragma once
// --set NAME_OR_INDEX=VALUE: which parameter, and the normalised value it receives.
#include "vst/aeffect.h"

#include <string>
#include <vector>

namespace KVX::Host
{
class Plugin;
}

namespace KVX::Tovik
{
// The parameters of one loaded plug-in, as far as settings need them.
struct ParameterNames
{
    std::vector<std::string> names;
    // Our own equaliser: its bands also answer to their frequencies ("1k", "1 kHz", "1000") and take
    // values in dB, and its IN switch answers to "in".
    bool isEqualiser = false;
};

struct Setting
{
    VstInt32 index = 0;
    float value = 0.0f;
};

ParameterNames DescribeParameters(const Host::Plugin& plugin);

// Parses one "NAME_OR_INDEX=VALUE". Names match case-insensitively and without regard to spaces; a whole
// number below the parameter count is an index. Values are normalised 0…1, "on"/"off", or for our bands
// a gain from -12 to +12 dB ("+6dB"). False with a one-line `error` otherwise.
bool ParseSetting(const ParameterNames& parameters, const std::string& text, Setting& out,
                  std::string& error);
bool ParseSettings(const ParameterNames& parameters, const std::vector<std::string>& texts,
                   std::vector<Setting>& out, std::string& error);

void ApplySettings(const Host::Plugin& plugin, const std::vector<Setting>& settings);

// The settings as a short caption: "31=+6dB 1k=-4dB".
std::string DescribeSettings(const std::vector<std::string>& texts);
} // namespace KVX::Tovik
