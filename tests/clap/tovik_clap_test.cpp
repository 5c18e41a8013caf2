// SPDX-License-Identifier: GPL-3.0-or-later
// tovik as a program on CLAP files: choosing one of several plug-ins with --id, settings as parameter
// events, and our CLAP build giving the same files and measurements as our VST build.
#include "tools/tovik/tool_runner.h"

#include <gtest/gtest.h>

namespace KVX::Test
{
namespace
{
constexpr const char* kHalf = "example.test.half";
constexpr const char* kDouble = "example.test.double";

TEST(TovikClap, AFileWithSeveralPluginsNeedsAnIdAndListsThem)
{
    const auto bare = RunTovik({"info", KVX_FAKE_CLAP_PATH});
    EXPECT_EQ(bare.exitCode, 1);
    EXPECT_NE(bare.err.find("--id"), std::string::npos) << bare.err;
    EXPECT_NE(bare.err.find(kHalf), std::string::npos) << bare.err;
    EXPECT_NE(bare.err.find(kDouble), std::string::npos) << bare.err;

    const auto chosen = RunTovik({"info", KVX_FAKE_CLAP_PATH, "--id", kDouble});
    EXPECT_EQ(chosen.exitCode, 0) << chosen.err;
    EXPECT_NE(chosen.out.find("Double"), std::string::npos) << chosen.out;
    EXPECT_NE(chosen.out.find("Also here   example.test.half"), std::string::npos) << chosen.out;
    EXPECT_NE(chosen.out.find("Gain"), std::string::npos) << chosen.out;

    const auto unknown = RunTovik({"info", KVX_FAKE_CLAP_PATH, "--id", "example.test.none"});
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no plug-in 'example.test.none'"), std::string::npos) << unknown.err;

    const auto notClap = RunTovik({"info", KVX_VST_PLUGIN_PATH, "--id", kHalf});
    EXPECT_EQ(notClap.exitCode, 1);
    EXPECT_NE(notClap.err.find("--id picks a plug-in from a CLAP file"), std::string::npos) << notClap.err;
    const auto uri = RunTovik({"info", KVX_CLAP_PLUGIN_PATH, "--uri", "urn:x"});
    EXPECT_EQ(uri.exitCode, 1);
    EXPECT_NE(uri.err.find("use --id"), std::string::npos) << uri.err;
}

TEST(TovikClap, RenderRunsTheChosenPluginWithTheSettingsInItsUnits)
{
    TempFolder folder;
    Sound sound = MakeSound(4800, 2);
    WriteSound(folder.Path("in.wav"), sound);
    for (const auto& [id, sets, factor] :
         {std::tuple<const char*, std::vector<std::string>, float>{kHalf, {}, 0.5f},
          {kDouble, {}, 2.0f},
          {kHalf, {"--set", "Gain=3"}, 3.0f}})
    {
        std::vector<std::string> args = {"render",
                                         KVX_FAKE_CLAP_PATH,
                                         folder.Path("in.wav"),
                                         folder.Path("out.wav"),
                                         "--id",
                                         id,
                                         "--preroll",
                                         "0"};
        args.insert(args.end(), sets.begin(), sets.end());
        const auto run = RunTovik(args);
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Sound out = ReadSound(folder.Path("out.wav"));
        ASSERT_EQ(out.samples.size(), sound.samples.size());
        for (std::size_t i = 0; i < out.samples.size(); i += 97)
        {
            ASSERT_EQ(out.samples[i], static_cast<float>(sound.samples[i] * static_cast<double>(factor)))
                << id << " sample " << i;
        }
    }
    const auto outOfRange = RunTovik({"render", KVX_FAKE_CLAP_PATH, folder.Path("in.wav"),
                                      folder.Path("x.wav"), "--id", kHalf, "--set", "Gain=5"});
    EXPECT_EQ(outOfRange.exitCode, 1);
    EXPECT_NE(outOfRange.err.find("out of range (0 to 4)"), std::string::npos) << outOfRange.err;
}

TEST(TovikClap, OurClapBuildRendersAndMeasuresWhatOurVstBuildDoes)
{
    TempFolder folder;
    WriteSound(folder.Path("in.wav"), MakeSound(48000, 2));
    const std::vector<std::string> sets = {"--set", "1k=+6dB", "--set", "31=-12dB", "--set", "16k=+3.5dB"};
    for (const char* plugin : {KVX_VST_PLUGIN_PATH, KVX_CLAP_PLUGIN_PATH})
    {
        const std::string name = std::string(plugin) == KVX_VST_PLUGIN_PATH ? "vst" : "clap";
        std::vector<std::string> render = {
            "render", plugin, folder.Path("in.wav"), folder.Path(name + ".wav"), "--block", "333"};
        render.insert(render.end(), sets.begin(), sets.end());
        const auto rendered = RunTovik(render);
        ASSERT_EQ(rendered.exitCode, 0) << rendered.err;
        std::vector<std::string> response = {"response", plugin, "--csv", folder.Path(name + ".csv")};
        response.insert(response.end(), sets.begin(), sets.end());
        const auto measured = RunTovik(response);
        ASSERT_EQ(measured.exitCode, 0) << measured.err;
    }
    EXPECT_EQ(ReadBytes(folder.Path("vst.wav")), ReadBytes(folder.Path("clap.wav")));
    EXPECT_EQ(ReadBytes(folder.Path("vst.csv")), ReadBytes(folder.Path("clap.csv")));
    EXPECT_NE(ReadBytes(folder.Path("clap.csv")).find("1000"), std::string::npos);

    const auto bench = RunTovik({"bench", KVX_CLAP_PLUGIN_PATH, KVX_VST_PLUGIN_PATH, "--seconds", "0.05",
                                 "--runs", "1", "--set", "1k=+6dB"});
    EXPECT_EQ(bench.exitCode, 0) << bench.err;
    EXPECT_NE(bench.out.find("KVX Tovik"), std::string::npos) << bench.out;
}
} // namespace
} // namespace KVX::Test
