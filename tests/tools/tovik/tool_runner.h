// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Runs the built tovik as a separate program, and makes and reads the files it works on.
#include "support/program_runner.h"

#include <sndfile.h>

#include <string>
#include <vector>

namespace KVX::Test
{
using RunResult = ProgramRun;

// Times out (and fails) after five minutes.
RunResult RunTovik(const std::vector<std::string>& args);

// A fresh folder, removed with everything in it when the object goes.
class TempFolder
{
public:
    TempFolder();
    ~TempFolder();
    std::string Path(const std::string& name) const { return m_Path + "/" + name; }
    // The names of the files in the folder.
    std::vector<std::string> Files() const;

private:
    std::string m_Path;
};

struct Sound
{
    int sampleRate = 48000;
    int channels = 2;
    int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    std::vector<float> samples; // interleaved
    long Frames() const { return static_cast<long>(samples.size()) / channels; }
};

// Deterministic noise with a few tones, `frames` long.
Sound MakeSound(long frames, int channels, int sampleRate = 48000,
                int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT);
void WriteSound(const std::string& path, const Sound& sound);
Sound ReadSound(const std::string& path);

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
bool Exists(const std::string& path);
} // namespace KVX::Test
