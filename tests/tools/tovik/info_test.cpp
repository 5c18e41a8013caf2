// SPDX-License-Identifier: GPL-3.0-or-later
// `tovik info` on our own plug-in: the identity a host reads and the parameter table after effOpen.
#include "tool_runner.h"

#include <gtest/gtest.h>

namespace KVX::Test
{
namespace
{
TEST(Info, ShowsTheIdentityAndAllElevenParameters)
{
    const auto run = RunTovik({"info", KVX_PLUGIN_PATH});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.err, "");
    for (const char* line :
         {"Name        KVX Tovik", "Unique ID   'Tvk1' (0x54766B31)", "Inputs      2", "Outputs     2",
          "Parameters  11", "    0  31 Hz", "    5  1 kHz", "   10  Btn IN"})
    {
        EXPECT_NE(run.out.find(line), std::string::npos) << line << " not in\n" << run.out;
    }
}

TEST(Info, TheCommandLineItselfIsChecked)
{
    EXPECT_EQ(RunTovik({}).exitCode, 2);
    EXPECT_EQ(RunTovik({"help"}).exitCode, 0);
    EXPECT_EQ(RunTovik({"info"}).exitCode, 2);
    EXPECT_EQ(RunTovik({"info", KVX_PLUGIN_PATH, "extra"}).exitCode, 2);
    EXPECT_EQ(RunTovik({"render", KVX_PLUGIN_PATH, "in.wav"}).exitCode, 2);
    EXPECT_EQ(RunTovik({"response", KVX_PLUGIN_PATH}).exitCode, 2);
    EXPECT_EQ(RunTovik({"preset", "swap", KVX_PLUGIN_PATH, "p.fxp"}).exitCode, 2);
    EXPECT_EQ(RunTovik({"bench"}).exitCode, 2);
}
} // namespace
} // namespace KVX::Test
