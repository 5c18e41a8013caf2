// SPDX-License-Identifier: GPL-3.0-or-later
#include "ardour_session.h"

#include "dsp/band_tuning.h"
#include "dsp/biquad.h"
#include "dsp/output_lowpass.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace KVX::Test
{
namespace
{
const std::string kLua = "/usr/bin/ardour7-lua";
const std::string kExport = "/usr/bin/ardour7-export";
const std::string kScanner = "/usr/lib/ardour7/ardour-vst-scanner";
const std::string kScripts = KVX_DAW_SCRIPTS;
constexpr auto kRunLimit = std::chrono::seconds(180);
} // namespace

std::string ArdourSession::MissingProgram()
{
    for (const auto& program : {kLua, kExport, kScanner})
    {
        if (!IsExecutable(program))
        {
            return program;
        }
    }
    return {};
}

ArdourSession::ArdourSession()
{
    std::string pattern = (fs::temp_directory_path() / "kvx-daw-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
    {
        ADD_FAILURE() << "cannot make a temporary folder";
        return;
    }
    m_Root = pattern;
    fs::create_directories(PluginFolder());
    fs::create_directories(m_Root / "home");
}

ArdourSession::~ArdourSession()
{
    if (!m_Root.empty())
    {
        std::error_code error;
        fs::remove_all(m_Root, error);
        EXPECT_FALSE(fs::exists(m_Root)) << m_Root << ": " << error.message();
    }
}

std::map<std::string, std::string> ArdourSession::Environment() const
{
    const fs::path home = m_Root / "home";
    return {{"HOME", home.string()},
            {"XDG_CONFIG_HOME", (home / ".config").string()},
            {"XDG_CACHE_HOME", (home / ".cache").string()},
            {"LXVST_PATH", PluginFolder().string()},
            {"LV2_PATH", PluginFolder().string()},
            {"LD_LIBRARY_PATH", "/usr/lib/ardour7"},
            {"DISPLAY", ""},
            {"WAYLAND_DISPLAY", ""}};
}

ProgramRun ArdourSession::ScanVst(const fs::path& plugin) const
{
    return RunProgram({kScanner, "-f", "-q", plugin.string()}, Environment(), kRunLimit);
}

ProgramRun ArdourSession::Lua(const std::string& script, std::vector<std::string> args,
                              const std::map<std::string, std::string>& extraEnvironment) const
{
    args.insert(args.begin(), {kLua, kScripts + "/" + script, kScripts + "/start_engine.lua"});
    auto environment = Environment();
    for (const auto& [name, value] : extraEnvironment)
    {
        environment[name] = value;
    }
    return RunProgram(args, environment, kRunLimit);
}

// Ardour 7's export tool now and then aborts in glibc's heap check while it tears down its export
// channels (about one run in twenty on a loaded machine, just as often with no plug-in in the session),
// so an aborted export is run again; any other failure, or three aborts in a row, fails the test.
ProgramRun ArdourSession::Export(const fs::path& output) const
{
    constexpr int kAbortExit = 128 + SIGABRT;
    ProgramRun run;
    for (int attempt = 0; attempt < 3; ++attempt)
    {
        run = RunProgram({kExport, "-b", "float", "-o", output.string(), Session().string(), "s"},
                         Environment(), kRunLimit);
        if (run.exitCode != kAbortExit || run.timedOut)
        {
            break;
        }
        std::error_code ignored;
        fs::remove(output, ignored);
    }
    return run;
}

std::string Describe(const ProgramRun& run)
{
    std::ostringstream text;
    text << "exit " << run.exitCode << (run.timedOut ? ", timed out" : "")
         << (run.leftProcesses ? ", left processes running" : "") << "\n--- stdout\n"
         << run.out << "\n--- stderr\n"
         << run.err;
    return text.str();
}

bool Succeeded(const ProgramRun& run)
{
    return run.exitCode == 0 && !run.timedOut && !run.leftProcesses;
}

std::map<int, double> PrintedParameters(const std::string& out)
{
    std::map<int, double> values;
    std::istringstream lines(out);
    for (std::string line; std::getline(lines, line);)
    {
        int index = 0;
        double value = 0.0;
        if (std::sscanf(line.c_str(), "param|%d|%lf", &index, &value) == 2)
        {
            values[index] = value;
        }
    }
    return values;
}

double DesignedGainDb(const std::vector<double>& faders, const PowerSpectrum& spectrum, double lowHz,
                      double highHz)
{
    constexpr double kRate = ArdourSession::kRate;
    COutputLowPass lowPass;
    lowPass.SetSampleRate(static_cast<float>(kRate));
    std::vector<BiquadCoefficients> sections{{0, lowPass.b0, lowPass.b1, lowPass.b2, lowPass.a1, lowPass.a2}};
    for (int band = 0; band < kBandCount; ++band)
    {
        if (faders[static_cast<std::size_t>(band)] != 0.5)
        {
            const BandTuning tuning = LookupBandTuning(band, faders[static_cast<std::size_t>(band)]);
            BiquadCoefficients c;
            Design(kBiquadPeaking, kRate, tuning.q, tuning.gainDb,
                   std::min(tuning.frequency, kRate * CBiquad::kMaxFrequencyRatio), c);
            sections.push_back(c);
        }
    }
    double sum = 0.0;
    int count = 0;
    for (double f = std::ceil(lowHz / spectrum.BinHz()) * spectrum.BinHz(); f <= highHz;
         f += spectrum.BinHz())
    {
        const std::complex<double> z1 = std::polar(1.0, -2.0 * 3.141592653589793 * f / kRate);
        double power = 1.0;
        for (const auto& c : sections)
        {
            power *= std::norm((c.b0 + c.b1 * z1 + c.b2 * z1 * z1) / (1.0 + c.a1 * z1 + c.a2 * z1 * z1));
        }
        sum += power;
        ++count;
    }
    return 10.0 * std::log10(sum / count);
}
std::string ReadText(const fs::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

void ExpectPrintedParameters(const std::string& out, std::size_t count, const std::vector<double>& expected,
                             double tolerance, const std::string& what, const std::string& when)
{
    const auto printed = PrintedParameters(out);
    ASSERT_EQ(printed.size(), count) << out;
    for (std::size_t i = 0; i < expected.size(); ++i)
    {
        EXPECT_NEAR(printed.at(static_cast<int>(i)), expected[i], tolerance)
            << what << " " << i << " " << when;
    }
}

void ExpectDesignedResponse(const fs::path& root, const std::vector<double>& faders)
{
    const AudioFile wet = ReadAudio((root / "equalised.wav").string());
    const AudioFile dry = ReadAudio((root / "bypassed.wav").string());
    ASSERT_EQ(wet.channels, 2);
    ASSERT_EQ(dry.channels, 2);
    ASSERT_GT(wet.samples.size(), static_cast<std::size_t>(2 * 2 * ArdourSession::kRate));

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
} // namespace KVX::Test
