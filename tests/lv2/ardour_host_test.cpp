// SPDX-License-Identifier: GPL-3.0-or-later
// Ardour 7, headless, as an LV2 host we did not write: it finds the bundle, inserts the plug-in on a
// track, sets bands in decibels, renders recorded noise through it, saves the plug-in's state with the
// session and brings it back on load.
#include "support/ardour_session.h"
#include "lv2/lv2_names.h"
#include "lv2/port_values.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace KVX::Test
{
namespace
{
const std::map<std::string, std::string> kLv2 = {{"KVX_PLUGIN_TYPE", "LV2"}};

// The saved state files of the session that hold the plug-in's chunk.
int StateFilesWithTheChunk(const fs::path& session)
{
    int count = 0;
    for (const auto& entry : fs::recursive_directory_iterator(session))
    {
        if (entry.is_regular_file() && entry.path().extension() == ".ttl" &&
            ReadText(entry.path()).find(std::string(LV2::kStateChunkKey)) != std::string::npos)
        {
            ++count;
        }
    }
    return count;
}

TEST(ArdourLv2, RendersTheSetBandsAndRestoresThemFromTheSavedSession)
{
    const std::string missing = ArdourSession::MissingProgram();
    if (!missing.empty())
    {
        GTEST_SKIP() << missing << " is not installed (scripts/setup.sh --all installs Ardour)";
    }
    ArdourSession ardour;
    ASSERT_FALSE(ardour.Root().empty());
    fs::create_directory_symlink(KVX_LV2_BUNDLE_DIR, ardour.PluginFolder() / std::string(LV2::kBundleName));

    // 31 Hz full up, 16 kHz full down, in the ports' decibels; IN on.
    const ProgramRun record = ardour.Lua(
        "record_session.lua", {ardour.Session().string(), "KVX Tovik", "2.5", "0=12", "9=-12", "10=1"}, kLv2);
    ASSERT_TRUE(Succeeded(record)) << Describe(record);
    EXPECT_NE(record.out.find("listed|KVX Tovik|Brellmoor|" + std::string(LV2::kPluginUri)),
              std::string::npos)
        << record.out;
    EXPECT_NE(record.out.find("regions|1"), std::string::npos) << record.out;
    std::vector<double> ports(11, 0.0);
    ports[0] = 12.0;
    ports[9] = -12.0;
    ports[10] = 1.0;
    // Ardour counts every port as a parameter; the audio ports come after the eleven controls.
    ASSERT_NO_FATAL_FAILURE(
        ExpectPrintedParameters(record.out, LV2::kPortCount, ports, 1e-6, "port", "as set"));
    EXPECT_GE(StateFilesWithTheChunk(ardour.Session()), 1) << "Ardour saved no state of the plug-in";

    const ProgramRun equalised = ardour.Export(ardour.Root() / "equalised.wav");
    ASSERT_TRUE(Succeeded(equalised)) << Describe(equalised);

    const ProgramRun reload = ardour.Lua("reload_session.lua", {ardour.Session().string(), "10=0"}, kLv2);
    ASSERT_TRUE(Succeeded(reload)) << Describe(reload);
    EXPECT_NE(reload.out.find("plugin|KVX Tovik|true"), std::string::npos) << reload.out;
    ASSERT_NO_FATAL_FAILURE(
        ExpectPrintedParameters(reload.out, LV2::kPortCount, ports, 1e-6, "port", "after reload"));
    const ProgramRun bypassed = ardour.Export(ardour.Root() / "bypassed.wav");
    ASSERT_TRUE(Succeeded(bypassed)) << Describe(bypassed);

    // The same fader positions as normalised values, for the engine's designed response.
    std::vector<double> faders(11, 0.5);
    faders[0] = 1.0;
    faders[9] = 0.0;
    ExpectDesignedResponse(ardour.Root(), faders);
}
} // namespace
} // namespace KVX::Test
