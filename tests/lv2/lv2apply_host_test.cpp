// SPDX-License-Identifier: GPL-3.0-or-later
// lv2apply, the reference LV2 host's file renderer, runs a file through the bundle as installed; the VST
// build rendered in the same blocks gives the same samples.
#include "support/spectrum.h"
#include "lv2/lv2_names.h"
#include "scripted_session.h"
#include "support/program_runner.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace KVX::Test
{
namespace
{
const std::string kLv2Apply = "/usr/bin/lv2apply";

bool WriteFloatWav(const fs::path& path, const Stereo& audio, int rate)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
    {
        return false;
    }
    std::vector<float> interleaved;
    for (std::size_t i = 0; i < audio.left.size(); ++i)
    {
        interleaved.push_back(audio.left[i]);
        interleaved.push_back(audio.right[i]);
    }
    const auto frames = static_cast<sf_count_t>(audio.left.size());
    const bool written = sf_writef_float(file, interleaved.data(), frames) == frames;
    return sf_close(file) == 0 && written;
}

class Lv2Apply : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (!IsExecutable(kLv2Apply))
        {
            GTEST_SKIP() << kLv2Apply << " is not installed (scripts/setup.sh --all installs lilv-utils)";
        }
        std::string pattern = (fs::temp_directory_path() / "kvx-lv2apply-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_Root = pattern;
        // A folder holding only this bundle, as a user's ~/.lv2 would.
        fs::create_directories(m_Root / "lv2");
        fs::create_directory_symlink(KVX_LV2_BUNDLE_DIR, m_Root / "lv2" / std::string(LV2::kBundleName));
    }
    void TearDown() override
    {
        if (!m_Root.empty())
        {
            fs::remove_all(m_Root);
        }
    }
    fs::path m_Root;
};

TEST_F(Lv2Apply, RendersAFileExactlyAsTheVstBuildDoesInTheSameBlocks)
{
    constexpr int kRate = 48000;
    const Stereo input = TestSignal(kRate, 11);
    ASSERT_TRUE(WriteFloatWav(m_Root / "in.wav", input, kRate));

    const std::vector<std::pair<std::uint32_t, float>> ports = {{0, 12.0f}, {5, 4.5f}, {9, -12.0f}};
    std::vector<std::string> argv = {kLv2Apply, "-i", (m_Root / "in.wav").string(), "-o",
                                     (m_Root / "out.wav").string()};
    for (const auto& [port, value] : ports)
    {
        argv.insert(argv.end(), {"-c", std::string(Device::Description::kParameters[port].symbol),
                                 std::to_string(value)});
    }
    argv.push_back(std::string(LV2::kPluginUri));
    const ProgramRun run = RunProgram(argv, {{"LV2_PATH", (m_Root / "lv2").string()}, {"DISPLAY", ""}},
                                      std::chrono::seconds(120));
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;

    const AudioFile rendered = ReadAudio((m_Root / "out.wav").string());
    ASSERT_EQ(rendered.channels, 2);
    ASSERT_EQ(rendered.samples.size(), input.left.size() * 2);

    // lv2apply runs the plug-in one frame at a time.
    std::vector<Block> script(input.left.size(), Block{1, {}});
    script.front().ports = ports;
    const Stereo vst = RenderVst(KVX_VST_PLUGIN_PATH, kRate, script, input);
    std::size_t differing = 0;
    for (std::size_t i = 0; i < vst.left.size(); ++i)
    {
        differing += std::memcmp(&rendered.samples[2 * i], &vst.left[i], sizeof(float)) != 0 ? 1 : 0;
        differing += std::memcmp(&rendered.samples[2 * i + 1], &vst.right[i], sizeof(float)) != 0 ? 1 : 0;
    }
    EXPECT_EQ(differing, 0u) << "samples differing from the VST build";
    EXPECT_NE(std::memcmp(rendered.samples.data() + 2 * 1000, input.left.data(), sizeof(float)), 0)
        << "the plug-in left the file as it was";
}
} // namespace
} // namespace KVX::Test
