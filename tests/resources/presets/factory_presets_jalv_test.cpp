// SPDX-License-Identifier: GPL-3.0-or-later
// jalv, an LV2 host we did not write, lists the factory presets from the bundle and loads each one: its
// controls then hold the dB values that select the preset's fader values. It runs on a JACK server of the
// test's own (the dummy driver: no sound card).
#include "bank.h"
#include "lv2/lv2_names.h"
#include "lv2/port_values.h"
#include "support/program_runner.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>

namespace fs = std::filesystem;

namespace KVX::Test
{
namespace
{
TEST(FactoryPresetsInJalv, AreListedAndLoaded)
{
    for (const char* program : {"/usr/bin/jackd", "/usr/bin/jack_wait", "/usr/bin/jalv"})
    {
        if (!IsExecutable(program))
        {
            GTEST_SKIP() << program << " is not installed (scripts/setup.sh --all installs jalv and jackd2)";
        }
    }
    std::string pattern = (fs::temp_directory_path() / "kvx-presets-jalv-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    const fs::path root = pattern;
    fs::create_directories(root / "lv2");
    fs::create_directories(root / "home");
    fs::create_directory_symlink(KVX_LV2_BUNDLE_DIR, root / "lv2" / std::string(LV2::kBundleName));

    // jalv's console takes one command a line; each preset is applied, then the controls printed.
    const auto bank = ReadBank();
    std::string commands = "presets\n";
    for (const BankPreset& preset : bank)
    {
        commands += "preset " + std::string(LV2::kPluginUri) + "#preset-" + preset.slug + "\ncontrols\n";
    }
    {
        std::ofstream file(root / "commands");
        file << commands;
    }
    ASSERT_TRUE(fs::is_regular_file(root / "commands"));
    // The server is this test's own, ended with the group when jalv is done.
    const std::string script = "jackd --no-realtime -d dummy -r 48000 -p 512 >jackd.log 2>&1 & jack=$!; "
                               "jack_wait -w -t 10 >/dev/null && jalv -n kvx-presets " +
                               std::string(LV2::kPluginUri) +
                               " <commands; status=$?; kill $jack; wait $jack; "
                               "exit $status";
    const ProgramRun run = RunProgram({"/bin/sh", "-c", "cd '" + root.string() + "' || exit 1; " + script},
                                      {{"JACK_DEFAULT_SERVER", "kvx-presets-" + std::to_string(getpid())},
                                       {"JACK_NO_START_SERVER", "1"},
                                       {"LV2_PATH", (root / "lv2").string()},
                                       {"HOME", (root / "home").string()}},
                                      std::chrono::seconds(60));
    ASSERT_EQ(run.exitCode, 0) << run.out << run.err;

    // Each preset's listing line; after the listing, its controls once it was applied (jalv prints them after
    // a preset as well as when asked).
    std::size_t at = 0;
    for (const BankPreset& preset : bank)
    {
        const std::size_t listed = run.out.find("#preset-" + preset.slug + " (" + preset.name + ")");
        ASSERT_NE(listed, std::string::npos) << run.out;
        at = std::max(at, listed);
    }
    std::vector<std::vector<double>> shown;
    const auto& parameters = Device::Description::kParameters;
    while ((at = run.out.find(std::string(parameters[0].symbol) + " = ", at)) != std::string::npos)
    {
        std::vector<double> values;
        for (const auto& parameter : parameters)
        {
            const std::string key = std::string(parameter.symbol) + " = ";
            at = run.out.find(key, at);
            if (at == std::string::npos)
            {
                break;
            }
            values.push_back(std::strtod(run.out.c_str() + at + key.size(), nullptr));
        }
        shown.push_back(values);
    }
    std::size_t block = 0;
    for (const BankPreset& preset : bank)
    {
        auto matches = [&](const std::vector<double>& values)
        {
            for (const auto& parameter : parameters)
            {
                const auto i = static_cast<std::size_t>(parameter.index);
                if (values.size() <= i ||
                    std::fabs(values[i] - LV2::PortFromNormalised(parameter, preset.values[i])) > 1e-5)
                {
                    return false;
                }
            }
            return true;
        };
        while (block < shown.size() && !matches(shown[block]))
        {
            ++block;
        }
        EXPECT_LT(block, shown.size()) << preset.name << " was not loaded:\n" << run.out;
    }
    fs::remove_all(root);
}
} // namespace
} // namespace KVX::Test
