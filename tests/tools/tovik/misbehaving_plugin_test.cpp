// SPDX-License-Identifier: GPL-3.0-or-later
// Plug-ins and inputs that misbehave: tovik answers with one line and an exit code, never a crash or a
// hang.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>

namespace KVX::Test
{
namespace
{
// A hang shows as a time-out well before the runner's own five minutes.
RunResult RunBriefly(const std::vector<std::string>& args)
{
    std::vector<std::string> argv{KVX_TOVIK_PATH};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProgram(argv, {}, std::chrono::seconds(30));
}

void ExpectRefusal(const RunResult& run, const std::string& words)
{
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find(words), std::string::npos) << "'" << words << "' not in: " << run.err;
}

TEST(MisbehavingPlugIn, TextsBeyondTheirRoomAndMissingParameterCallsAreSurvived)
{
    for (const char* plugin : {KVX_FAKE_LONG_TEXTS_PATH, KVX_FAKE_NO_PARAMETER_CALLS_PATH})
    {
        const auto run = RunBriefly({"info", plugin});
        ASSERT_EQ(run.exitCode, 0) << plugin << "\n" << run.err;
        EXPECT_NE(run.out.find("Name        AAAA"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("Parameters  2"), std::string::npos) << run.out;
    }
    TempFolder folder;
    WriteSound(folder.Path("in.wav"), MakeSound(2000, 2));
    const auto render = RunBriefly({"render", KVX_FAKE_NO_PARAMETER_CALLS_PATH, folder.Path("in.wav"),
                                    folder.Path("out.wav"), "--set", "0=0.5"});
    EXPECT_EQ(render.exitCode, 0) << render.err;
}

TEST(MisbehavingPlugIn, UnusableRecordsAndModulesAreRefusedBeforeUse)
{
    ExpectRefusal(RunBriefly({"info", KVX_FAKE_NULL_DISPATCHER_PATH}), "no dispatcher");

    // A module cut short: the loader would map pages the file does not have.
    TempFolder folder;
    const std::string whole = ReadBytes(KVX_PLUGIN_PATH);
    for (std::size_t keep : {whole.size() / 2, std::size_t{4096}, std::size_t{100}})
    {
        WriteBytes(folder.Path("cut.so"), whole.substr(0, keep));
        ExpectRefusal(RunBriefly({"info", folder.Path("cut.so")}), "cannot load");
    }
    WriteBytes(folder.Path("cut.so"), whole.substr(0, whole.size() / 2));
    ExpectRefusal(RunBriefly({"info", folder.Path("cut.so")}), "truncated");

    ASSERT_EQ(mkfifo(folder.Path("fifo.so").c_str(), 0600), 0);
    ExpectRefusal(RunBriefly({"info", folder.Path("fifo.so")}), "not a regular file");
}

TEST(MisbehavingInput, AFifoWithoutAWriterIsReadAsEmptyInsteadOfWaitedFor)
{
    TempFolder folder;
    const std::string fifo = folder.Path("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    WriteSound(folder.Path("in.wav"), MakeSound(2000, 2));
    ExpectRefusal(RunBriefly({"render", KVX_PLUGIN_PATH, fifo, folder.Path("out.wav")}), "not a sound file");
    ExpectRefusal(RunBriefly({"preset", "load", KVX_PLUGIN_PATH, fifo}), "not a preset file");
    ExpectRefusal(RunBriefly({"render", KVX_PLUGIN_PATH, folder.Path("in.wav"), folder.Path("out.wav"),
                              "--preset", fifo}),
                  "not a preset file");
    EXPECT_FALSE(Exists(folder.Path("out.wav")));
}
} // namespace
} // namespace KVX::Test
