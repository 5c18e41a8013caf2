// SPDX-License-Identifier: GPL-3.0-or-later
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
// An LV2 control input: addressed by port index, symbol or name, and set in its own units.
struct PortControl
{
    VstInt32 index = 0;
    std::string symbol;
    // Either may be infinite where the plug-in gives no bound.
    float minimum = 0.0f;
    float maximum = 1.0f;
    std::string unit;
};

// The parameters of one loaded plug-in, as far as settings need them.
struct ParameterNames
{
    std::vector<std::string> names;
    // Our own equaliser: its bands also answer to their frequencies ("1k", "1 kHz", "1000") and take
    // values in dB, and its IN switch answers to "in".
    bool isEqualiser = false;
    // One per name for an LV2 plug-in; empty for VST, whose parameters are normalised and indexed by
    // position.
    std::vector<PortControl> ports;
};

struct Setting
{
    VstInt32 index = 0;
    float value = 0.0f;
};

ParameterNames DescribeParameters(const Host::Plugin& plugin);

// Parses one "NAME_OR_INDEX=VALUE". Names match case-insensitively and without regard to spaces; a whole
// number below the parameter count is an index (for LV2: a control port's index; ports also answer to
// their symbol). Values are normalised 0…1 (LV2: within the port's range, in its units), "on"/"off", or
// for our bands a gain from -12 to +12 dB ("+6dB"). False with a one-line `error` otherwise.
bool ParseSetting(const ParameterNames& parameters, const std::string& text, Setting& out,
                  std::string& error);
bool ParseSettings(const ParameterNames& parameters, const std::vector<std::string>& texts,
                   std::vector<Setting>& out, std::string& error);

// The settings as a short caption: "31=+6dB 1k=-4dB".
std::string DescribeSettings(const std::vector<std::string>& texts);
} // namespace KVX::Tovik
