// SPDX-License-Identifier: GPL-3.0-or-later
// tovik hosting LV2 plug-ins through lilv: installed peers by URI and by bundle, our own bundle against
// our VST build, and the refusals of things that are not usable plug-ins.
#include "tool_runner.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <sstream>

namespace KVX::Test
{
namespace
{
constexpr const char* kGeq31 = "urn:zamaudio:ZamGEQ31";
constexpr const char* kGeq31Bundle = "/usr/lib/lv2/ZamGEQ31.lv2";
constexpr const char* kAceEqBundle = "/usr/lib/lv2/a-eq.lv2";
// Two plug-ins (mono and stereo) in one bundle; the stereo one has control outputs and a sidechain.
constexpr const char* kAceCompBundle = "/usr/lib/lv2/a-comp.lv2";
// An atom input and control outputs.
constexpr const char* kAceDelay = "urn:ardour:a-delay";

#define SKIP_UNLESS_INSTALLED(path)                                                                          \
    if (!Exists(path))                                                                                       \
    {                                                                                                        \
        GTEST_SKIP() << (path) << " is not installed (scripts/setup.sh --all installs it)";                  \
    }

// Column `column` (1 = first channel) of a response CSV at the row nearest `hz`.
double GainAt(const std::string& csv, double hz, int column = 1)
{
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    double best = 1e9;
    double gain = NAN;
    while (std::getline(lines, line))
    {
        std::istringstream fields(line);
        std::string field;
        std::vector<double> values;
        while (std::getline(fields, field, ','))
        {
            values.push_back(std::strtod(field.c_str(), nullptr));
        }
        if (values.size() > static_cast<std::size_t>(column) && std::fabs(std::log(values[0] / hz)) < best)
        {
            best = std::fabs(std::log(values[0] / hz));
            gain = values[static_cast<std::size_t>(column)];
        }
    }
    return gain;
}

// A bundle folder with `manifest` as its manifest.ttl.
std::string MakeBundle(const TempFolder& folder, const std::string& name, const std::string& manifest)
{
    const std::string path = folder.Path(name);
    mkdir(path.c_str(), 0755);
    WriteBytes(path + "/manifest.ttl", manifest);
    return path;
}

void ExpectOneLineFailure(const RunResult& run, const std::string& expected)
{
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_TRUE(run.out.empty()) << run.out;
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(expected), std::string::npos) << run.err;
}

TEST(Lv2Peers, InfoByUriAndByBundleShowsIdentityAndPorts)
{
    SKIP_UNLESS_INSTALLED(kGeq31Bundle);
    for (const char* plugin : {kGeq31, kGeq31Bundle})
    {
        const auto run = RunTovik({"info", plugin});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        EXPECT_TRUE(run.err.empty()) << run.err;
        EXPECT_NE(run.out.find("Format      LV2"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("URI         urn:zamaudio:ZamGEQ31"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("Name        ZamGEQ31"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("Inputs      1"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("Requires    options:options urid:map"), std::string::npos) << run.out;
        EXPECT_NE(
            run.out.find("master           Master Gain              control in            0        -30"),
            std::string::npos)
            << run.out;
    }
}

TEST(Lv2Peers, RenderThroughAMonoPeerKeepsShapeAndChannelsApart)
{
    SKIP_UNLESS_INSTALLED(kAceEqBundle);
    TempFolder folder;
    for (int channels : {1, 2})
    {
        const Sound sound = MakeSound(9600, channels);
        WriteSound(folder.Path("in.wav"), sound);
        const auto run = RunTovik({"render", kAceEqBundle, folder.Path("in.wav"), folder.Path("out.wav"),
                                   "--set", "g1=6", "--block", "300"});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const Sound out = ReadSound(folder.Path("out.wav"));
        ASSERT_EQ(out.channels, channels);
        ASSERT_EQ(out.Frames(), sound.Frames());
        double energy = 0.0;
        double difference = 0.0;
        for (long i = 0; i < out.Frames(); ++i)
        {
            const float first = out.samples[static_cast<std::size_t>(i * channels)];
            ASSERT_TRUE(std::isfinite(first));
            energy += static_cast<double>(first) * first;
            if (channels == 2)
            {
                difference += std::fabs(first - out.samples[static_cast<std::size_t>(i * 2 + 1)]);
            }
        }
        EXPECT_GT(energy, 1.0);
        if (channels == 2)
        {
            EXPECT_GT(difference, 1.0) << "one instance per channel, each fed its own channel";
        }
    }
}

// The control values reach the plug-in: a band set by name, by symbol or by port index lifts the
// response at its centre by the gain given in the port's own unit (dB), and defaults leave it flat.
TEST(Lv2Peers, ResponseFollowsPortSettingsInTheirOwnUnits)
{
    SKIP_UNLESS_INSTALLED(kGeq31Bundle);
    TempFolder folder;
    const auto flat = RunTovik({"response", kGeq31, "--csv", folder.Path("flat.csv")});
    ASSERT_EQ(flat.exitCode, 0) << flat.err;
    EXPECT_NEAR(GainAt(ReadBytes(folder.Path("flat.csv")), 1000.0), 0.0, 0.1);
    // Port 18 is band16, named "999Hz"; port 2 the master gain.
    for (const std::string& setting : {"999Hz=6", "band16=6", "18=6"})
    {
        const auto run = RunTovik({"response", kGeq31, "--set", setting, "--csv", folder.Path("r.csv")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
        const std::string csv = ReadBytes(folder.Path("r.csv"));
        EXPECT_GT(GainAt(csv, 1000.0), 4.0) << setting;
        EXPECT_NEAR(GainAt(csv, 100.0), 0.0, 0.5) << setting;
    }
    const auto master =
        RunTovik({"response", kGeq31, "--set", "Master Gain=-3", "--csv", folder.Path("m.csv")});
    ASSERT_EQ(master.exitCode, 0) << master.err;
    EXPECT_NEAR(GainAt(ReadBytes(folder.Path("m.csv")), 1000.0), -3.0, 0.1);
}

TEST(Lv2Peers, SettingsOutsideAPortsRangeOrUnitsAreRefusedWithTheRange)
{
    SKIP_UNLESS_INSTALLED(kGeq31Bundle);
    TempFolder folder;
    const auto range = RunTovik({"response", kGeq31, "--set", "band16=13", "--csv", folder.Path("r.csv")});
    ExpectOneLineFailure(range, "value 13 for 'band16' is out of range (-12 to 12 dB)");
    const auto db = RunTovik({"response", kGeq31, "--set", "band16=+6dB", "--csv", folder.Path("r.csv")});
    ExpectOneLineFailure(db, "takes a value in its own units");
    const auto unknown = RunTovik({"response", kGeq31, "--set", "nope=1", "--csv", folder.Path("r.csv")});
    ExpectOneLineFailure(unknown, "2 master 'Master Gain'");
    EXPECT_FALSE(Exists(folder.Path("r.csv")));
}

// Atom inputs get an empty sequence, control outputs a place to write, extra (sidechain) inputs silence.
TEST(Lv2Peers, PluginsWithAtomPortsControlOutputsAndSidechainsRun)
{
    SKIP_UNLESS_INSTALLED(kAceCompBundle);
    TempFolder folder;
    const Sound sound = MakeSound(4800, 2);
    WriteSound(folder.Path("in.wav"), sound);
    const auto delay = RunTovik({"render", kAceDelay, folder.Path("in.wav"), folder.Path("d.wav")});
    ASSERT_EQ(delay.exitCode, 0) << delay.err;
    EXPECT_EQ(ReadSound(folder.Path("d.wav")).Frames(), sound.Frames());
    const auto comp = RunTovik({"render", kAceCompBundle, folder.Path("in.wav"), folder.Path("c.wav"),
                                "--uri", "urn:ardour:a-comp#stereo", "--block", "64"});
    ASSERT_EQ(comp.exitCode, 0) << comp.err;
    EXPECT_EQ(ReadSound(folder.Path("c.wav")).Frames(), sound.Frames());
}

TEST(Lv2Peers, ABundleOfSeveralPluginsNeedsUriAndNamesThem)
{
    SKIP_UNLESS_INSTALLED(kAceCompBundle);
    const auto several = RunTovik({"info", kAceCompBundle});
    ExpectOneLineFailure(
        several, "holds 2 plug-ins; name one with --uri: urn:ardour:a-comp, urn:ardour:a-comp#stereo");
    const auto chosen = RunTovik({"info", kAceCompBundle, "--uri", "urn:ardour:a-comp#stereo"});
    ASSERT_EQ(chosen.exitCode, 0) << chosen.err;
    EXPECT_NE(chosen.out.find("Inputs      3"), std::string::npos) << chosen.out;
    const auto wrong = RunTovik({"info", kAceCompBundle, "--uri", "urn:ardour:a-eq"});
    ExpectOneLineFailure(wrong, "holds no plug-in urn:ardour:a-eq; it holds urn:ardour:a-comp");
}

TEST(Lv2Refusals, NamesThatAreNoPluginAreCleanErrors)
{
    TempFolder folder;
    ExpectOneLineFailure(RunTovik({"info", "urn:kvx-test:no-such-plugin"}),
                         "no LV2 plug-in has the URI urn:kvx-test:no-such-plugin");
    mkdir(folder.Path("plain").c_str(), 0755);
    ExpectOneLineFailure(RunTovik({"info", folder.Path("plain")}), "is a folder but not an LV2 bundle");
    const std::string empty =
        MakeBundle(folder, "empty.lv2", "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n");
    ExpectOneLineFailure(RunTovik({"info", empty}), "holds no LV2 plug-in");
    // lilv's reader reports a broken manifest in several lines; tovik gives one.
    const std::string broken = MakeBundle(folder, "broken.lv2", "this is { not turtle\n");
    ExpectOneLineFailure(RunTovik({"info", broken}), "holds no LV2 plug-in");
    ExpectOneLineFailure(RunTovik({"info", KVX_PLUGIN_PATH, "--uri", "urn:x"}), "is not a bundle folder");
    EXPECT_EQ(RunTovik({"info", kGeq31, "--uri"}).exitCode, 2);
}

TEST(Lv2Refusals, RequiredFeaturesTovikLacksAreNamed)
{
    TempFolder folder;
    const std::string bundle =
        MakeBundle(folder, "needy.lv2",
                   "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                   "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
                   "<urn:kvx-test:needy> a lv2:Plugin ;\n"
                   "  lv2:binary <needy.so> ;\n"
                   "  doap:name \"Needy\" ;\n"
                   "  lv2:requiredFeature <http://lv2plug.in/ns/ext/worker#schedule> ,\n"
                   "      <http://lv2plug.in/ns/ext/urid#map> , <urn:kvx-test:telepathy> ;\n"
                   "  lv2:port [ a lv2:AudioPort , lv2:OutputPort ; lv2:index 0 ;\n"
                   "             lv2:symbol \"out\" ; lv2:name \"Out\" ] .\n");
    WriteBytes(bundle + "/needy.so", "");
    const auto run = RunTovik({"info", bundle});
    ExpectOneLineFailure(run, "needs features tovik does not offer: ");
    EXPECT_NE(run.err.find("worker:schedule"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("urn:kvx-test:telepathy"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("urid"), std::string::npos) << run.err;
}

// Our LV2 build is the same processor as our VST build: the same settings give the same audio, bit for bit.
TEST(Lv2Ours, RenderAndResponseEqualTheVstBuildBitForBit)
{
    TempFolder folder;
    WriteSound(folder.Path("in.wav"), MakeSound(24000, 2, 44100));
    const std::vector<std::vector<std::string>> settings = {
        {},
        {"--set", "1k=+6dB", "--set", "31=-7.5dB", "--set", "16 kHz=+12dB"},
        {"--set", "band_250hz=3", "--set", "in=off"},
    };
    for (const auto& sets : settings)
    {
        for (const char* format : {"so", "lv2"})
        {
            std::vector<std::string> args = {"render",
                                             format == std::string("so") ? KVX_PLUGIN_PATH
                                                                         : KVX_LV2_BUNDLE_PATH,
                                             folder.Path("in.wav"),
                                             folder.Path(std::string("out.") + format + ".wav"),
                                             "--block",
                                             "333"};
            // The LV2 band ports take dB themselves; the VST parameters take normalised values.
            for (std::string setting : sets)
            {
                if (format == std::string("so") && setting == "band_250hz=3")
                {
                    setting = "250=+3dB";
                }
                args.push_back(setting);
            }
            const auto run = RunTovik(args);
            ASSERT_EQ(run.exitCode, 0) << run.err;
        }
        const Sound vst = ReadSound(folder.Path("out.so.wav"));
        const Sound lv2 = ReadSound(folder.Path("out.lv2.wav"));
        ASSERT_EQ(vst.samples.size(), lv2.samples.size());
        EXPECT_TRUE(vst.samples == lv2.samples) << ::testing::PrintToString(sets);
    }
    for (const char* plugin : {KVX_PLUGIN_PATH, KVX_LV2_BUNDLE_PATH})
    {
        const auto run =
            RunTovik({"response", plugin, "--set", "63=-4dB", "--rate", "96000", "--block", "1000", "--csv",
                      folder.Path(std::string(plugin) == KVX_PLUGIN_PATH ? "vst.csv" : "lv2.csv")});
        ASSERT_EQ(run.exitCode, 0) << run.err;
    }
    EXPECT_EQ(ReadBytes(folder.Path("vst.csv")), ReadBytes(folder.Path("lv2.csv")));
    EXPECT_LT(GainAt(ReadBytes(folder.Path("lv2.csv")), 63.0), -1.0);
}

TEST(Lv2Ours, InfoShowsBandsInDecibelsAndBenchRunsBothFormats)
{
    const auto info = RunTovik({"info", KVX_LV2_BUNDLE_PATH});
    ASSERT_EQ(info.exitCode, 0) << info.err;
    EXPECT_NE(info.out.find("Name        KVX Tovik"), std::string::npos) << info.out;
    EXPECT_NE(
        info.out.find(
            "band_1khz        1 kHz                    control in            0        -12         12  dB"),
        std::string::npos)
        << info.out;

    const auto bench = RunTovik({"bench", KVX_PLUGIN_PATH, KVX_LV2_BUNDLE_PATH, "--seconds", "0.1", "--runs",
                                 "2", "--set", "1k=+6dB"});
    ASSERT_EQ(bench.exitCode, 0) << bench.err;
    EXPECT_NE(bench.out.find("kvx-tovik.so"), std::string::npos) << bench.out;
    EXPECT_NE(bench.out.find("kvx-tovik.lv2"), std::string::npos) << bench.out;
}

TEST(Lv2Ours, VstOnlyCommandsRefuseAnLv2PluginCleanly)
{
    TempFolder folder;
    ExpectOneLineFailure(RunTovik({"preset", "save", KVX_LV2_BUNDLE_PATH, folder.Path("p.fxp")}),
                         "preset files hold VST programs");
    ExpectOneLineFailure(RunTovik({"response", KVX_LV2_BUNDLE_PATH, "--preset", folder.Path("p.fxp"), "--csv",
                                   folder.Path("r.csv")}),
                         "p.fxp");
    EXPECT_FALSE(Exists(folder.Path("p.fxp")));
}
} // namespace
} // namespace KVX::Test
