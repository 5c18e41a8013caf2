// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ardour 7 run headless for a test: a private configuration, cache and plug-in folder in a temporary
// folder, its Lua session tool and its exporter, and the engine's designed response to check what it
// rendered against.
#include "spectrum.h"
#include "support/program_runner.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace KVX::Test
{
class ArdourSession
{
public:
    static constexpr double kRate = 48000.0;

    // Empty when Ardour's tools are installed, else the first one missing.
    static std::string MissingProgram();

    // Fails the calling test when the temporary folder cannot be made.
    ArdourSession();
    ~ArdourSession();
    ArdourSession(const ArdourSession&) = delete;
    ArdourSession& operator=(const ArdourSession&) = delete;

    const std::filesystem::path& Root() const { return m_Root; }
    // Where Ardour looks for plug-ins of every kind (LXVST_PATH and LV2_PATH).
    std::filesystem::path PluginFolder() const { return m_Root / "plug"; }
    std::filesystem::path Session() const { return m_Root / "session"; }

    // A clean Ardour configuration and cache in the test's own folder, and no display.
    std::map<std::string, std::string> Environment() const;
    ProgramRun ScanVst(const std::filesystem::path& plugin) const;
    // ardour7-lua with one of the scripts beside it, after the shared engine start.
    ProgramRun Lua(const std::string& script, std::vector<std::string> args,
                   const std::map<std::string, std::string>& extraEnvironment = {}) const;
    // ardour7-export of the session, run again when the tool aborts in its own heap check.
    ProgramRun Export(const std::filesystem::path& output) const;

private:
    std::filesystem::path m_Root;
};

std::string Describe(const ProgramRun& run);
bool Succeeded(const ProgramRun& run);
// The "param|index|value" lines a script printed, by index.
std::map<int, double> PrintedParameters(const std::string& out);
// The engine's own response for the given normalised fader positions, as a power ratio averaged over the
// bins of a spectrum between lowHz and highHz.
double DesignedGainDb(const std::vector<double>& faders, const PowerSpectrum& spectrum, double lowHz,
                      double highHz);

std::string ReadText(const std::filesystem::path& path);
// The "param|…" lines of a script's output: exactly `count` of them, the first expected.size() within
// `tolerance` of what is expected. `what` names them in failures ("parameter", "port"), `when` the moment.
void ExpectPrintedParameters(const std::string& out, std::size_t count, const std::vector<double>& expected,
                             double tolerance, const std::string& what, const std::string& when);
// The two exports in `root` (equalised.wav, bypassed.wav): stereo, over two seconds, and their ratio
// within 1 dB of the engine's designed response at the low end, around 1 kHz and at the top.
void ExpectDesignedResponse(const std::filesystem::path& root, const std::vector<double>& faders);
} // namespace KVX::Test
