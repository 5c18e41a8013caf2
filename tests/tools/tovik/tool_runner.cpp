// SPDX-License-Identifier: GPL-3.0-or-later
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace KVX::Test
{
RunResult RunTovik(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{KVX_TOVIK_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, {}, std::chrono::minutes(5));
}

TempFolder::TempFolder()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "kvx-tool-XXXXXX").string();
    m_Path = mkdtemp(pattern.data());
}

TempFolder::~TempFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_Path, ignored);
}

std::vector<std::string> TempFolder::Files() const
{
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(m_Path))
    {
        names.push_back(entry.path().filename().string());
    }
    return names;
}

Sound MakeSound(long frames, int channels, int sampleRate, int format)
{
    Sound sound;
    sound.sampleRate = sampleRate;
    sound.channels = channels;
    sound.format = format;
    std::uint32_t state = 12345;
    for (long n = 0; n < frames; ++n)
    {
        for (int c = 0; c < channels; ++c)
        {
            state = state * 1664525u + 1013904223u;
            const double noise = static_cast<double>(state >> 8) / 16777216.0 - 0.5;
            const double tone = std::sin(0.0131 * static_cast<double>(n) * (c + 1)) +
                                0.5 * std::sin(0.7 * static_cast<double>(n));
            sound.samples.push_back(static_cast<float>(0.2 * tone + 0.1 * noise));
        }
    }
    return sound;
}

void WriteSound(const std::string& path, const Sound& sound)
{
    SF_INFO info{};
    info.samplerate = sound.sampleRate;
    info.channels = sound.channels;
    info.format = sound.format;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr) << sf_strerror(nullptr);
    EXPECT_EQ(sf_writef_float(file, sound.samples.data(), sound.Frames()), sound.Frames());
    sf_close(file);
}

Sound ReadSound(const std::string& path)
{
    Sound sound;
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
    {
        ADD_FAILURE() << "cannot read " << path;
        return sound;
    }
    sound.sampleRate = info.samplerate;
    sound.channels = info.channels;
    sound.format = info.format;
    sound.samples.resize(static_cast<std::size_t>(info.frames * info.channels));
    EXPECT_EQ(sf_readf_float(file, sound.samples.data(), info.frames), info.frames);
    sf_close(file);
    return sound;
}

void WriteBytes(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

std::string ReadBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool Exists(const std::string& path)
{
    return std::filesystem::exists(path);
}
} // namespace KVX::Test
