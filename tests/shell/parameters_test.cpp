// SPDX-License-Identifier: GPL-3.0-or-later
// Parameters through the host's entries: names, units, value texts, clamping and hostile input.
#include "binary_host.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace KVX::Test
{
namespace
{
using ParametersTest = PluginTest;

const char* const kNames[] = {"31 Hz", "63",    "125 Hz", "250 Hz", "500 Hz", "1 kHz",
                              "2 kHz", "4 kHz", "8 kHz",  "16 kHz", "Btn IN"};

TEST_F(ParametersTest, StateRightAfterConstructionIsTheDefaultProgram)
{
    for (VstInt32 i = 0; i < 11; ++i)
    {
        EXPECT_EQ(Text(effGetParamName, i), kNames[i]) << i;
        EXPECT_EQ(plugin->GetParameter(i), i < 10 ? 0.5f : 1.0f) << i;
        EXPECT_EQ(Text(effGetParamLabel, i), i < 10 ? "dB" : "") << i;
        EXPECT_EQ(Text(effGetParamDisplay, i), i < 10 ? "0.0" : "On") << i;
    }
    EXPECT_EQ(Dispatch(effGetProgram), 0);
    EXPECT_EQ(Text(effGetProgramName), "Default");
}

TEST_F(ParametersTest, DisplayFollowsTheValueInDecibels)
{
    plugin->SetParameter(2, 0.75f);
    EXPECT_EQ(Text(effGetParamDisplay, 2), "+6.0");
    plugin->SetParameter(2, 0.25f);
    EXPECT_EQ(Text(effGetParamDisplay, 2), "-6.0");
    plugin->SetParameter(2, 1.0f);
    EXPECT_EQ(Text(effGetParamDisplay, 2), "+12.0");
    plugin->SetParameter(2, 0.0f);
    EXPECT_EQ(Text(effGetParamDisplay, 2), "-12.0");
    plugin->SetParameter(5, 0.7f);
    EXPECT_EQ(Text(effGetParamDisplay, 5), "+4.8");
    plugin->SetParameter(10, 0.0f);
    EXPECT_EQ(Text(effGetParamDisplay, 10), "Off");
    plugin->SetParameter(10, 0.3f);
    EXPECT_EQ(Text(effGetParamDisplay, 10), "On");
}

TEST_F(ParametersTest, ValuesAreClampedToTheUnitRange)
{
    plugin->SetParameter(3, 1.7f);
    EXPECT_EQ(plugin->GetParameter(3), 1.0f);
    plugin->SetParameter(3, -0.2f);
    EXPECT_EQ(plugin->GetParameter(3), 0.0f);
    plugin->SetParameter(3, std::numeric_limits<float>::infinity());
    EXPECT_EQ(plugin->GetParameter(3), 1.0f);
    plugin->SetParameter(3, -std::numeric_limits<float>::infinity());
    EXPECT_EQ(plugin->GetParameter(3), 0.0f);
}

TEST_F(ParametersTest, ANaNWriteIsIgnored)
{
    plugin->SetParameter(4, 0.75f);
    plugin->SetParameter(4, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(plugin->GetParameter(4), 0.75f);
    EXPECT_EQ(Text(effGetParamDisplay, 4), "+6.0");
    plugin->SetParameter(10, std::numeric_limits<float>::signaling_NaN());
    plugin->SetParameter(10, -std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(plugin->GetParameter(10), 1.0f) << "IN stays on";
    EXPECT_EQ(Text(effGetParamDisplay, 10), "On");
}

TEST_F(ParametersTest, IndicesOutsideTheTableFindNoParameter)
{
    for (VstInt32 i :
         {11, 12, -1, -2, 1000, std::numeric_limits<VstInt32>::min(), std::numeric_limits<VstInt32>::max()})
    {
        plugin->SetParameter(i, 0.3f);
        EXPECT_EQ(plugin->GetParameter(i), 0.0f) << i;
        EXPECT_EQ(Text(effGetParamName, i), "") << i;
        EXPECT_EQ(Text(effGetParamLabel, i), "") << i;
        EXPECT_EQ(Text(effGetParamDisplay, i), "") << i;
    }
    for (VstInt32 i = 0; i < 11; ++i)
    {
        EXPECT_EQ(plugin->GetParameter(i), i < 10 ? 0.5f : 1.0f) << i;
    }
}

TEST_F(ParametersTest, TextRequestsWithANullBufferWriteNothing)
{
    EXPECT_EQ(Dispatch(effGetParamName, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetParamLabel, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetParamDisplay, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effGetProgramName, 0, 0, nullptr), 0);
    EXPECT_EQ(Dispatch(effSetProgramName, 0, 0, nullptr), 0);
}

TEST_F(ParametersTest, ParameterTextsFitTheHostsEightByteField)
{
    for (VstInt32 i = 0; i < 11; ++i)
    {
        for (VstInt32 opcode : {effGetParamName, effGetParamLabel, effGetParamDisplay})
        {
            char buffer[16];
            std::memset(buffer, 'x', sizeof buffer);
            Dispatch(opcode, i, 0, buffer);
            EXPECT_EQ(buffer[8], 'x') << "opcode " << opcode << " index " << i;
        }
    }
}
} // namespace
} // namespace KVX::Test
