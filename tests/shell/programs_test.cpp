// SPDX-License-Identifier: GPL-3.0-or-later
// Program selection and names.
#include "binary_host.h"

#include <cstring>
#include <string>

namespace KVX::Test
{
namespace
{
using ProgramsTest = PluginTest;

TEST_F(ProgramsTest, ALongNameIsStoredWholeAndReadBackAsTwentyFourBytesAndAZero)
{
    std::string name = "A very long program name of forty chars";
    name += "!";
    ASSERT_EQ(name.size(), 40u);
    EXPECT_EQ(Dispatch(effSetProgramName, 0, 0, name.data()), 0);
    char buffer[64];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(Dispatch(effGetProgramName, 0, 0, buffer), 0);
    EXPECT_EQ(std::string(buffer), name.substr(0, 24));
    EXPECT_EQ(buffer[24], 0);
    EXPECT_EQ(buffer[25], 'x') << "exactly 25 bytes are written";
}

TEST_F(ProgramsTest, AShortNameIsZeroFilledToTwentyFiveBytes)
{
    char name[] = "Mix";
    Dispatch(effSetProgramName, 0, 0, name);
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    Dispatch(effGetProgramName, 0, 0, buffer);
    for (int i = 3; i < 25; ++i)
    {
        EXPECT_EQ(buffer[i], 0) << i;
    }
    EXPECT_EQ(buffer[25], 'x');
}

TEST_F(ProgramsTest, IndexedNamesComeFromTheProgramTable)
{
    char buffer[32];
    std::memset(buffer, 'x', sizeof buffer);
    EXPECT_EQ(Dispatch(effGetProgramNameIndexed, 0, 7, buffer), 1);
    EXPECT_EQ(std::string(buffer), "Default");
    EXPECT_EQ(buffer[25], 'x');

    char renamed[] = "Renamed";
    Dispatch(effSetProgramName, 0, 0, renamed);
    EXPECT_EQ(Dispatch(effGetProgramNameIndexed, 0, 0, buffer), 1);
    EXPECT_EQ(std::string(buffer), "Default");
}

TEST_F(ProgramsTest, IndexedNamesOutsideTheTableAreEmptyAndRefused)
{
    for (VstInt32 index : {1, -1, 99})
    {
        char buffer[32] = "stale";
        EXPECT_EQ(Dispatch(effGetProgramNameIndexed, index, 0, buffer), 0) << index;
        EXPECT_EQ(buffer[0], 0) << index;
    }
    EXPECT_EQ(Dispatch(effGetProgramNameIndexed, 0, 0, nullptr), 1);
}

TEST_F(ProgramsTest, SelectingTheCurrentProgramReloadsNothing)
{
    plugin->SetParameter(0, 0.9f);
    plugin->SetParameter(10, 0.0f);
    EXPECT_EQ(Dispatch(effSetProgram, 0, 0), 0);
    EXPECT_EQ(Dispatch(effSetProgram, 0, 1), 0);  // equal to the number of programs: ignored
    EXPECT_EQ(Dispatch(effSetProgram, 0, -1), 0); // negative: the last program, which is current
    EXPECT_EQ(Dispatch(effSetProgram, 0, 5000), 0);
    EXPECT_EQ(plugin->GetParameter(0), 0.9f);
    EXPECT_EQ(plugin->GetParameter(10), 0.0f);
    EXPECT_EQ(Dispatch(effGetProgram), 0);
    EXPECT_EQ(Text(effGetProgramName), "Default");
}

TEST_F(ProgramsTest, NamesAreUtf8AndCutAtTheFieldEnd)
{
    const std::string e = "\xC3\xA9";                       // 2 bytes
    const std::string euro = "\xE2\x82\xAC";                // 3 bytes
    std::string exact = e + "t" + e + std::string(19, 'x'); // 24 bytes: kept whole
    ASSERT_EQ(exact.size(), 24u);
    Dispatch(effSetProgramName, 0, 0, exact.data());
    EXPECT_EQ(Text(effGetProgramName), exact);
    // A character whose bytes cross byte 24 is dropped whole; the rest of the field is zeros.
    for (std::size_t lead : {23u, 22u})
    {
        std::string name = std::string(lead, 'a') + euro + "tail";
        Dispatch(effSetProgramName, 0, 0, name.data());
        EXPECT_EQ(Text(effGetProgramName), std::string(lead, 'a')) << lead;
    }
    std::string twoByte = std::string(23, 'b') + e;
    Dispatch(effSetProgramName, 0, 0, twoByte.data());
    EXPECT_EQ(Text(effGetProgramName), std::string(23, 'b'));
    std::string fits = std::string(21, 'c') + euro + "d";
    Dispatch(effSetProgramName, 0, 0, fits.data());
    EXPECT_EQ(Text(effGetProgramName), std::string(21, 'c') + euro);
}
} // namespace
} // namespace KVX::Test
