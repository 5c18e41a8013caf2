// SPDX-License-Identifier: GPL-3.0-or-later
// Each factory preset as an FXP file that tovik loads into the VST 2.4 build, and as a VST3 preset of our
// class that carries the very same state.
#include "bank.h"
#include "formats/fxp.h"
#include "formats/vst3_preset.h"
#include "support/program_runner.h"

#include <gtest/gtest.h>

#include <cstring>

namespace KVX::Test
{
namespace
{
const std::string kPresets = KVX_FACTORY_PRESETS_DIR;

float ChunkValue(const std::vector<std::uint8_t>& chunk, std::size_t index)
{
    float value = -1.0f;
    std::memcpy(&value, chunk.data() + 8 * index + 4, 4);
    return value;
}

TEST(FactoryPresets, EachLoadsInTovikAndCarriesTheSameStateAsItsVst3Twin)
{
    const auto bank = ReadBank();
    ASSERT_GE(bank.size(), 12u);
    for (const BankPreset& preset : bank)
    {
        const std::string fxpPath = kPresets + "/fxp/" + preset.name + ".fxp";
        const auto fxp = ReadFile(fxpPath);
        Formats::Fxp::Program program;
        ASSERT_EQ(Formats::Fxp::Decode(fxp.data(), fxp.size(), program), Formats::Fxp::DecodeError::None)
            << preset.name;
        EXPECT_EQ(program.name, preset.name);
        ASSERT_EQ(program.chunk.size(), 88u);
        for (std::size_t i = 0; i < preset.values.size(); ++i)
        {
            EXPECT_EQ(ChunkValue(program.chunk, i), preset.values[i]) << preset.name << " parameter " << i;
        }

        const auto vst3 = ReadFile(kPresets + "/vst3/" + preset.name + ".vstpreset");
        Formats::Vst3Preset::Preset state;
        ASSERT_EQ(Formats::Vst3Preset::Decode(vst3.data(), vst3.size(), state),
                  Formats::Vst3Preset::DecodeError::None)
            << preset.name;
        EXPECT_EQ(state.classId, "4B5658546F76696B54766B3100000001");
        EXPECT_EQ(state.component, program.chunk) << preset.name;

        const ProgramRun load = RunProgram({KVX_TOVIK_PATH, "preset", "load", KVX_PLUGIN_PATH, fxpPath}, {},
                                           std::chrono::seconds(60));
        EXPECT_EQ(load.exitCode, 0) << load.err;
        EXPECT_NE(load.out.find("Loaded " + fxpPath), std::string::npos) << load.out;
    }
}
} // namespace
} // namespace KVX::Test
