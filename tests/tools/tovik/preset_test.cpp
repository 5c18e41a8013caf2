// SPDX-License-Identifier: GPL-3.0-or-later
// Preset files: save and load through tovik, the file's layout, and files that must be refused.
#include "tool_runner.h"
#include "tovik/preset_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace KVX::Test
{
namespace
{
std::uint32_t BigEndianAt(const std::string& bytes, std::size_t offset)
{
    std::uint32_t value = 0;
    for (std::size_t i = 0; i < 4; ++i)
    {
        value = value << 8 | static_cast<std::uint8_t>(bytes[offset + i]);
    }
    return value;
}

// The normalised value in the row of parameter `index` of a printed parameter table.
double TableValue(const std::string& table, int index)
{
    std::size_t start = 0;
    while (start < table.size())
    {
        const auto end = table.find('\n', start);
        const std::string line = table.substr(start, end - start);
        int row = -1;
        if (std::sscanf(line.c_str(), "%d", &row) == 1 && row == index && line.size() > 30)
        {
            return std::stod(line.substr(20, 10));
        }
        start = end == std::string::npos ? table.size() : end + 1;
    }
    ADD_FAILURE() << "no row " << index << " in\n" << table;
    return -1.0;
}

TEST(Preset, SaveThenLoadRestoresTheSettingsAndRenderAppliesThePresetBeforeSet)
{
    TempFolder folder;
    const std::string fxp = folder.Path("warm.fxp");
    auto run = RunTovik({"preset", "save", KVX_PLUGIN_PATH, fxp, "--set", "1k=+6dB", "--set", "63=-12dB"});
    ASSERT_EQ(run.exitCode, 0) << run.err;

    const std::string bytes = ReadBytes(fxp);
    ASSERT_EQ(bytes.size(), 60u + 88u);
    EXPECT_EQ(bytes.substr(0, 4), "CcnK");
    EXPECT_EQ(BigEndianAt(bytes, 4), bytes.size() - 8);
    EXPECT_EQ(bytes.substr(8, 4), "FPCh");
    EXPECT_EQ(BigEndianAt(bytes, 12), 1u);
    EXPECT_EQ(bytes.substr(16, 4), "Tvk1");
    EXPECT_EQ(BigEndianAt(bytes, 20), 1000u);
    EXPECT_EQ(BigEndianAt(bytes, 24), 1u);
    EXPECT_EQ(bytes.substr(28, 5), std::string("warm\0", 5));
    EXPECT_EQ(BigEndianAt(bytes, 56), 88u);

    run = RunTovik({"preset", "load", KVX_PLUGIN_PATH, fxp});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(TableValue(run.out, 5), 0.75);
    EXPECT_EQ(TableValue(run.out, 1), 0.0);
    EXPECT_EQ(TableValue(run.out, 10), 1.0);
    EXPECT_EQ(TableValue(run.out, 0), 0.5);

    // A later --set wins over the preset.
    run = RunTovik({"preset", "load", KVX_PLUGIN_PATH, fxp, "--set", "1k=0.25"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(TableValue(run.out, 5), 0.25);
    EXPECT_EQ(TableValue(run.out, 1), 0.0);

    WriteSound(folder.Path("in.wav"), MakeSound(6000, 2));
    run = RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("in.wav"), folder.Path("a.wav"), "--preset", fxp,
                    "--set", "8k=+3dB"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    run = RunTovik({"render", KVX_PLUGIN_PATH, folder.Path("in.wav"), folder.Path("b.wav"), "--set",
                    "1k=+6dB", "--set", "63=-12dB", "--set", "8k=+3dB"});
    ASSERT_EQ(run.exitCode, 0) << run.err;
    // Samples, not bytes: the float WAV header carries a time stamp.
    const Sound a = ReadSound(folder.Path("a.wav"));
    EXPECT_TRUE(a.samples == ReadSound(folder.Path("b.wav")).samples);
    EXPECT_EQ(a.Frames(), 6000);
}

TEST(Preset, APresetForAnotherPlugInIsRefused)
{
    TempFolder folder;
    const std::string fxp = folder.Path("p.fxp");
    ASSERT_EQ(RunTovik({"preset", "save", KVX_PLUGIN_PATH, fxp}).exitCode, 0);
    std::string bytes = ReadBytes(fxp);
    bytes.replace(16, 4, "Oth1");
    WriteBytes(fxp, bytes);
    const auto run = RunTovik({"preset", "load", KVX_PLUGIN_PATH, fxp});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("for plug-in 'Oth1', not 'Tvk1'"), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
}

TEST(PresetFile, EncodesAndDecodesBothKindsAndRefusesIncompleteFiles)
{
    Tovik::ProgramFile chunked;
    chunked.pluginId = CCONST('A', 'b', 'c', 'd');
    chunked.pluginVersion = 7;
    chunked.name = "a name longer than the twenty-eight bytes of its field";
    chunked.chunk = {1, 2, 3, 4, 5};
    Tovik::ProgramFile values;
    values.pluginId = 42;
    values.opaque = false;
    values.name = "values";
    values.parameters = {0.0f, 0.25f, 1.0f};

    for (const auto& program : {chunked, values})
    {
        const auto bytes = Tovik::EncodeProgram(program);
        Tovik::ProgramFile decoded;
        std::string error;
        ASSERT_TRUE(Tovik::DecodeProgram(bytes, decoded, error)) << error;
        EXPECT_EQ(decoded.pluginId, program.pluginId);
        EXPECT_EQ(decoded.pluginVersion, program.pluginVersion);
        EXPECT_EQ(decoded.name, program.name.substr(0, 27));
        EXPECT_EQ(decoded.opaque, program.opaque);
        EXPECT_EQ(decoded.chunk, program.chunk);
        EXPECT_EQ(decoded.parameters, program.parameters);

        // Every shortened copy is refused, none is read past its end.
        for (std::size_t size = 0; size < bytes.size(); ++size)
        {
            const std::vector<std::uint8_t> cut(bytes.begin(),
                                                bytes.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_FALSE(Tovik::DecodeProgram(cut, decoded, error)) << size;
        }
    }

    // A chunk size field that reaches past the end of the file.
    auto bytes = Tovik::EncodeProgram(chunked);
    bytes[56] = 0x7F;
    Tovik::ProgramFile decoded;
    std::string error;
    EXPECT_FALSE(Tovik::DecodeProgram(bytes, decoded, error));
    bytes = Tovik::EncodeProgram(chunked);
    bytes[8] = 'F', bytes[9] = 'B', bytes[10] = 'C', bytes[11] = 'h';
    EXPECT_FALSE(Tovik::DecodeProgram(bytes, decoded, error));
    EXPECT_NE(error.find("bank"), std::string::npos);
}
} // namespace
} // namespace KVX::Test
