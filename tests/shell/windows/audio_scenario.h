// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One fixed run of the plug-in's audio path per (sample rate, block size): the Linux build writes its
// output as the reference, and the Windows builds must reproduce it within the rounding of their C
// runtime's sin, cos and pow.
#include "vst/aeffect.h"

#include <string>
#include <vector>

namespace KVX::Test
{
struct AudioCase
{
    float sampleRate = 0.0f; // hostile rates (0, NaN) included
    int blockSize = 0;
};

// Every sample rate with every block size.
std::vector<AudioCase> AudioCases();

constexpr int kScenarioFrames = 8192;

// Sets the case's rate and block size and a fixed fader pattern with IN on, then processes
// kScenarioFrames frames of a deterministic stereo input (made with integer arithmetic only, so it is
// the same bit for bit everywhere), moving one fader half-way through. Returns the left output followed
// by the right one.
std::vector<float> RunAudioCase(AEffect* effect, const AudioCase& audioCase);

struct AudioReference
{
    std::vector<AudioCase> cases;
    std::vector<std::vector<float>> outputs; // one per case
};

bool WriteAudioReference(const std::string& path, const AudioReference& reference);
// False when the file is missing or malformed.
bool ReadAudioReference(const std::string& path, AudioReference& reference);
} // namespace KVX::Test
