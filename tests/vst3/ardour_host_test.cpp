// SPDX-License-Identifier: GPL-3.0-or-later
// Ardour 7, headless, as a VST3 host we did not write: it scans the bundle, inserts the plug-in on a
// track, sets bands, renders recorded noise through it, saves the plug-in's state with the session and
// brings it back on load.
#include "support/ardour_session.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace KVX::Test
{
namespace
{
TEST(ArdourVst3, RendersTheSetBandsAndRestoresThemFromTheSavedSession)
{
    const std::string missing = ArdourSession::MissingProgram();
    if (!missing.empty())
    {
        GTEST_SKIP() << missing << " is not installed (scripts/setup.sh --all installs Ardour)";
    }
    ArdourSession ardour;
    ASSERT_FALSE(ardour.Root().empty());
    // A copy, so that the build output is never touched; Ardour trusts its scan cache only when the
    // entry is newer than the module, at one-second resolution.
    const fs::path bundle = ardour.PluginFolder() / "KVX Tovik.vst3";
    fs::copy(KVX_VST3_BUNDLE, bundle, fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(bundle))
    {
        fs::last_write_time(entry.path(), fs::file_time_type::clock::now() - std::chrono::seconds(2));
    }
    const ProgramRun scan = RunProgram({"/usr/lib/ardour7/ardour-vst3-scanner", "-f", "-q", bundle.string()},
                                       ardour.Environment(), std::chrono::seconds(60));
    ASSERT_TRUE(Succeeded(scan)) << Describe(scan);
    std::string cache;
    for (const auto& entry : fs::recursive_directory_iterator(ardour.Root() / "home" / ".cache"))
    {
        if (entry.path().extension() == ".v3i")
        {
            cache += ReadText(entry.path());
        }
    }
    for (const char* field : {"name=\"KVX Tovik\"", "vendor=\"Brellmoor\"", "category=\"Fx|EQ\"",
                              "version=\"1.0.0.283\"", "n_inputs=\"2\"", "n_outputs=\"2\""})
    {
        EXPECT_NE(cache.find(field), std::string::npos) << field << " missing from\n" << cache;
    }
    // Ardour's exporter loads the session with the same search path as the session tool.
    ::setenv("VST3_PATH", ardour.PluginFolder().c_str(), 1);
    const std::map<std::string, std::string> vst3 = {{"KVX_PLUGIN_TYPE", "VST3"}};

    // 31 Hz full up, 16 kHz full down, IN on: Ardour speaks in the plain values, decibels for the bands.
    const ProgramRun record = ardour.Lua(
        "record_session.lua", {ardour.Session().string(), "KVX Tovik", "2.5", "0=12", "9=-12", "10=1"}, vst3);
    ASSERT_TRUE(Succeeded(record)) << Describe(record);
    EXPECT_NE(record.out.find("listed|KVX Tovik|Brellmoor|"), std::string::npos) << record.out;
    EXPECT_NE(record.out.find("regions|1"), std::string::npos) << record.out;
    std::vector<double> plain(12, 0.0);
    plain[0] = 12.0;
    plain[9] = -12.0;
    plain[10] = 1.0;
    // Ardour lists the bypass too, off.
    ASSERT_NO_FATAL_FAILURE(ExpectPrintedParameters(record.out, 12, plain, 1e-5, "parameter", "as set"));
    // The saved session holds the component's state.
    const std::string saved = ReadText(ardour.Session() / "s.ardour");
    EXPECT_NE(saved.find("KVX Tovik"), std::string::npos);

    const ProgramRun equalised = ardour.Export(ardour.Root() / "equalised.wav");
    ASSERT_TRUE(Succeeded(equalised)) << Describe(equalised);

    const ProgramRun reload = ardour.Lua("reload_session.lua", {ardour.Session().string(), "10=0"}, vst3);
    ASSERT_TRUE(Succeeded(reload)) << Describe(reload);
    EXPECT_NE(reload.out.find("plugin|KVX Tovik|true"), std::string::npos) << reload.out;
    ASSERT_NO_FATAL_FAILURE(
        ExpectPrintedParameters(reload.out, 12, plain, 1e-5, "parameter", "after reload"));
    const ProgramRun bypassed = ardour.Export(ardour.Root() / "bypassed.wav");
    ASSERT_TRUE(Succeeded(bypassed)) << Describe(bypassed);
    ::unsetenv("VST3_PATH");

    // The same fader positions as normalised values, for the engine's designed response.
    std::vector<double> faders(11, 0.5);
    faders[0] = 1.0;
    faders[9] = 0.0;
    ExpectDesignedResponse(ardour.Root(), faders);
}
} // namespace
} // namespace KVX::Test
