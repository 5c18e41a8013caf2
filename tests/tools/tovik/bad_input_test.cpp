// SPDX-License-Identifier: GPL-3.0-or-later
// Bad input: one line on standard error, a non-zero exit code, and nothing left where the output belongs.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace KVX::Test
{
namespace
{
constexpr const char* kKept = "an earlier file that a failed run must leave alone";

class BadInput : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteSound(folder.Path("good.wav"), MakeSound(2400, 2));
        WriteBytes(folder.Path("kept.wav"), kKept);
    }

    // Runs tovik and checks the failure's outward signs; returns its message.
    std::string Fails(const std::vector<std::string>& args, const std::string& output = "")
    {
        const auto before = folder.Files();
        const auto run = RunTovik(args);
        EXPECT_NE(run.exitCode, 0);
        EXPECT_LT(run.exitCode, 128) << "tovik died of a signal";
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_EQ(run.err.rfind("tovik: ", 0), 0u) << run.err;
        if (!output.empty())
        {
            EXPECT_FALSE(Exists(folder.Path(output))) << output;
        }
        EXPECT_EQ(ReadBytes(folder.Path("kept.wav")), kKept);
        // No temporary file stays behind.
        auto after = folder.Files();
        std::sort(after.begin(), after.end());
        auto expected = before;
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(after, expected);
        return run.err;
    }

    std::string RenderFails(const std::string& input, const std::vector<std::string>& extra = {},
                            const std::string& plugin = KVX_PLUGIN_PATH)
    {
        std::vector<std::string> args{"render", plugin, input, folder.Path("out.wav")};
        args.insert(args.end(), extra.begin(), extra.end());
        const std::string message = Fails(args, "out.wav");
        // Over an existing file, too: the earlier file stays as it was.
        args[3] = folder.Path("kept.wav");
        Fails(args);
        return message;
    }

    TempFolder folder;
};

void ExpectMention(const std::string& message, const std::string& words)
{
    EXPECT_NE(message.find(words), std::string::npos) << "'" << words << "' not in: " << message;
}

TEST_F(BadInput, AudioFilesThatCannotBeRendered)
{
    ExpectMention(RenderFails(folder.Path("missing.wav")), "cannot open");
    ExpectMention(RenderFails(folder.Path("")), "not a sound file");

    WriteBytes(folder.Path("text.wav"), "RIFF, but only in name: this is a line of text.\n");
    ExpectMention(RenderFails(folder.Path("text.wav")), "not a sound file");

    const std::string good = ReadBytes(folder.Path("good.wav"));
    WriteBytes(folder.Path("cut.wav"), good.substr(0, good.size() / 2));
    ExpectMention(RenderFails(folder.Path("cut.wav")), "truncated");

    // FLAC reveals its truncation only while decoding, after the output has been started.
    Sound flac = MakeSound(48000, 2);
    flac.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    WriteSound(folder.Path("long.flac"), flac);
    const std::string whole = ReadBytes(folder.Path("long.flac"));
    WriteBytes(folder.Path("cut.flac"), whole.substr(0, whole.size() * 2 / 3));
    ExpectMention(RenderFails(folder.Path("cut.flac")), "truncated");

    WriteSound(folder.Path("empty.wav"), MakeSound(0, 2));
    ExpectMention(RenderFails(folder.Path("empty.wav")), "no audio frames");

    WriteSound(folder.Path("three.wav"), MakeSound(100, 3));
    ExpectMention(RenderFails(folder.Path("three.wav")), "3 channels");
}

TEST_F(BadInput, PlugInsThatAreNotVst24PlugIns)
{
    WriteBytes(folder.Path("text.so"), "not a shared library");
    const std::string input = folder.Path("good.wav");
    ExpectMention(RenderFails(input, {}, folder.Path("text.so")), "cannot load");
    ExpectMention(RenderFails(input, {}, folder.Path("missing.so")), "cannot load");
    ExpectMention(RenderFails(input, {}, KVX_FAKE_NO_ENTRY_PATH), "no VSTPluginMain or main entry point");
    ExpectMention(RenderFails(input, {}, KVX_FAKE_NULL_EFFECT_PATH), "returned no effect");
    ExpectMention(RenderFails(input, {}, KVX_FAKE_BAD_MAGIC_PATH), "without the VST magic number");

    for (const char* plugin : {KVX_FAKE_NO_ENTRY_PATH, KVX_FAKE_NULL_EFFECT_PATH, KVX_FAKE_BAD_MAGIC_PATH})
    {
        Fails({"info", plugin});
        Fails({"response", plugin, "--plot", folder.Path("r.png")}, "r.png");
        Fails({"preset", "save", plugin, folder.Path("p.fxp")}, "p.fxp");
        Fails({"bench", KVX_PLUGIN_PATH, plugin, "--seconds", "0.1"});
    }
}

TEST_F(BadInput, SettingsAndOptions)
{
    const std::string input = folder.Path("good.wav");
    ExpectMention(RenderFails(input, {"--set", "3k=+1dB"}), "unknown parameter '3k'");
    ExpectMention(RenderFails(input, {"--set", "1k=+13dB"}), "out of range");
    ExpectMention(RenderFails(input, {"--set", "1k=1.5"}), "out of range");
    ExpectMention(RenderFails(input, {"--set", "in"}), "NAME=VALUE");
    for (const char* block : {"0", "-512", "100000000", "many", "512.5"})
    {
        ExpectMention(RenderFails(input, {"--block", block}), "--block");
    }
    ExpectMention(RenderFails(input, {"--preroll", "-1"}), "--preroll");
    ExpectMention(RenderFails(input, {"--frobnicate", "1"}), "unknown option");
    ExpectMention(RenderFails(input, {"--preset", folder.Path("missing.fxp")}), "cannot open");
    WriteBytes(folder.Path("junk.fxp"), std::string("CcnK\0\0\0\x40"
                                                    "FPCh",
                                                    12));
    ExpectMention(RenderFails(input, {"--preset", folder.Path("junk.fxp")}), "truncated preset");

    ExpectMention(
        Fails({"response", KVX_PLUGIN_PATH, "--rate", "0", "--plot", folder.Path("r.png")}, "r.png"),
        "--rate");
    ExpectMention(
        Fails({"response", KVX_PLUGIN_PATH, "--set", "loud=1", "--plot", folder.Path("r.png")}, "r.png"),
        "unknown parameter");
    ExpectMention(Fails({"bench", KVX_PLUGIN_PATH, "--block", "0"}), "--block");
    ExpectMention(Fails({"bench", KVX_PLUGIN_PATH, "--set", "3:1k=0.5"}), "names plug-in 3 of 1");
    ExpectMention(Fails({"render", KVX_PLUGIN_PATH, input, folder.Path("no/such/folder/out.wav")}),
                  "cannot write");
    ExpectMention(Fails({"frobnicate"}), "unknown command");
}
} // namespace
} // namespace KVX::Test
