// Ardour 7, headless, as an LV2 host we did not write: it finds the bundle, inserts the plug-in on a
// track, sets bands in decibels, renders recorded noise through it, saves the plug-in's state with the
// session and brings it back on load.
#include "daw/ardour_session.h"
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

std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

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
    const auto set = PrintedParameters(record.out);
    ASSERT_EQ(set.size(), static_cast<std::size_t>(LV2::kPortCount)) << record.out;
    for (int i = 0; i < 11; ++i)
    {
        EXPECT_NEAR(set.at(i), ports[static_cast<std::size_t>(i)], 1e-6) << "port " << i << " as set";
    }
    EXPECT_GE(StateFilesWithTheChunk(ardour.Session()), 1) << "Ardour saved no state of the plug-in";

    const ProgramRun equalised = ardour.Export(ardour.Root() / "equalised.wav");
    ASSERT_TRUE(Succeeded(equalised)) << Describe(equalised);

    const ProgramRun reload = ardour.Lua("reload_session.lua", {ardour.Session().string(), "10=0"}, kLv2);
    ASSERT_TRUE(Succeeded(reload)) << Describe(reload);
    EXPECT_NE(reload.out.find("plugin|KVX Tovik|true"), std::string::npos) << reload.out;
    const auto restored = PrintedParameters(reload.out);
    ASSERT_EQ(restored.size(), static_cast<std::size_t>(LV2::kPortCount)) << reload.out;
    for (int i = 0; i < 11; ++i)
    {
        EXPECT_NEAR(restored.at(i), ports[static_cast<std::size_t>(i)], 1e-6)
            << "port " << i << " after reload";
    }
    const ProgramRun bypassed = ardour.Export(ardour.Root() / "bypassed.wav");
    ASSERT_TRUE(Succeeded(bypassed)) << Describe(bypassed);

    const AudioFile wet = ReadAudio((ardour.Root() / "equalised.wav").string());
    const AudioFile dry = ReadAudio((ardour.Root() / "bypassed.wav").string());
    ASSERT_EQ(wet.channels, 2);
    ASSERT_EQ(dry.channels, 2);
    ASSERT_GT(wet.samples.size(), static_cast<std::size_t>(2 * 2 * ArdourSession::kRate));

    // The same fader positions as normalised values, for the engine's designed response.
    std::vector<double> faders(11, 0.5);
    faders[0] = 1.0;
    faders[9] = 0.0;
    constexpr int kSegment = 8192;
    const std::pair<double, double> regions[] = {{15.0, 60.0}, {700.0, 1400.0}, {14000.0, 18000.0}};
    for (int channel = 0; channel < 2; ++channel)
    {
        const PowerSpectrum wetSpectrum(wet, channel, kSegment);
        const PowerSpectrum drySpectrum(dry, channel, kSegment);
        for (const auto& [low, high] : regions)
        {
            const double measured = RatioDb(wetSpectrum.Mean(low, high), drySpectrum.Mean(low, high));
            const double designed = DesignedGainDb(faders, wetSpectrum, low, high);
            std::printf("channel %d, %.0f-%.0f Hz: measured %+.2f dB, designed %+.2f dB\n", channel, low,
                        high, measured, designed);
            EXPECT_NEAR(measured, designed, 1.0) << low << "-" << high << " Hz, channel " << channel;
        }
    }
}
} // namespace
} // namespace KVX::Test
