// SPDX-License-Identifier: GPL-3.0-or-later
// The record and the dispatcher as a host sees them.
#include "binary_host.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace KVX::Test
{
namespace
{
using IdentityTest = PluginTest;

TEST_F(IdentityTest, RecordCarriesTheDeviceIdentity)
{
    EXPECT_EQ(effect->magic, CCONST('V', 's', 't', 'P'));
    EXPECT_EQ(effect->numPrograms, 1);
    EXPECT_EQ(effect->numParams, 11);
    EXPECT_EQ(effect->numInputs, 2);
    EXPECT_EQ(effect->numOutputs, 2);
    EXPECT_EQ(effect->flags, 0x31);
    EXPECT_EQ(effect->resvd1, 0);
    EXPECT_EQ(effect->resvd2, 0);
    EXPECT_EQ(effect->initialDelay, 0);
    EXPECT_EQ(effect->realQualities, 0);
    EXPECT_EQ(effect->offQualities, 0);
    EXPECT_EQ(effect->ioRatio, 1.0f);
    EXPECT_NE(effect->object, nullptr);
    EXPECT_EQ(effect->user, nullptr);
    EXPECT_EQ(effect->uniqueID, CCONST('T', 'v', 'k', '1'));
    EXPECT_EQ(effect->version, 1000);
    EXPECT_NE(effect->dispatcher, nullptr);
    EXPECT_NE(effect->process, nullptr);
    EXPECT_NE(effect->setParameter, nullptr);
    EXPECT_NE(effect->getParameter, nullptr);
    EXPECT_NE(effect->processReplacing, nullptr);
    EXPECT_NE(effect->processDoubleReplacing, nullptr);
    const char zeros[sizeof effect->future] = {};
    EXPECT_EQ(std::memcmp(effect->future, zeros, sizeof zeros), 0);
    EXPECT_EQ(plugin->Log().versionQueries, 1);
}

TEST_F(IdentityTest, NamesAreWrittenAndNullBuffersAreTolerated)
{
    EXPECT_EQ(Text(effGetEffectName), "KVX Tovik");
    EXPECT_EQ(Text(effGetProductString), "KVX Tovik");
    EXPECT_EQ(Text(effGetVendorString), "Brellmoor");
    EXPECT_EQ(Dispatch(effGetEffectName, 0, 0, nullptr), 1);
    EXPECT_EQ(Dispatch(effGetVendorString, 0, 0, nullptr), 1);
    EXPECT_EQ(Dispatch(effGetProductString, 0, 0, nullptr), 1);
    char name[64];
    EXPECT_EQ(Dispatch(effGetEffectName, 0, 0, name), 1);
}

TEST_F(IdentityTest, FixedAnswersOfTheDispatcherTable)
{
    EXPECT_EQ(Dispatch(effOpen), 0);
    EXPECT_EQ(Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f), 0);
    EXPECT_EQ(Dispatch(effSetBlockSize, 0, 512), 0);
    EXPECT_EQ(Dispatch(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(Dispatch(effMainsChanged, 0, 0), 0);
    EXPECT_EQ(Dispatch(effEditIdle), 0);
    EXPECT_EQ(Dispatch(effIdentify), CCONST('N', 'v', 'E', 'f'));
    EXPECT_EQ(Dispatch(effProcessEvents), 0);
    EXPECT_EQ(Dispatch(effString2Parameter, 0, 0, const_cast<char*>("1.0")), 0);
    EXPECT_EQ(Dispatch(effGetInputProperties), 0);
    EXPECT_EQ(Dispatch(effGetOutputProperties), 0);
    EXPECT_EQ(Dispatch(effGetPlugCategory), 1);
    EXPECT_EQ(Dispatch(effOfflineNotify), 0);
    EXPECT_EQ(Dispatch(effOfflinePrepare), 0);
    EXPECT_EQ(Dispatch(effOfflineRun), 0);
    EXPECT_EQ(Dispatch(effProcessVarIo), 0);
    EXPECT_EQ(Dispatch(effSetSpeakerArrangement), 0);
    EXPECT_EQ(Dispatch(effSetBypass, 0, 1), 0);
    EXPECT_EQ(Dispatch(effSetBypass, 0, 0), 0);
    EXPECT_EQ(Dispatch(effGetVendorVersion), 0);
    EXPECT_EQ(Dispatch(effVendorSpecific, 1, 2, nullptr, 3.0f), 0);
    EXPECT_EQ(Dispatch(effGetTailSize), 0);
    EXPECT_EQ(Dispatch(effGetParameterProperties), 0);
    EXPECT_EQ(Dispatch(effGetVstVersion), 2400);
    EXPECT_EQ(Dispatch(effEditKeyDown, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(Dispatch(effEditKeyUp, 'a', 0, nullptr, 0.0f), 0);
    EXPECT_EQ(Dispatch(effSetEditKnobMode, 0, 2), 0);
    EXPECT_EQ(Dispatch(effGetMidiProgramName), 0);
    EXPECT_EQ(Dispatch(effGetCurrentMidiProgram), -1);
    EXPECT_EQ(Dispatch(effGetMidiProgramCategory), 0);
    EXPECT_EQ(Dispatch(effHasMidiProgramsChanged), 0);
    EXPECT_EQ(Dispatch(effGetMidiKeyName), 0);
    EXPECT_EQ(Dispatch(effBeginSetProgram), 0);
    EXPECT_EQ(Dispatch(effEndSetProgram), 0);
    EXPECT_EQ(Dispatch(effShellGetNextPlugin), 0);
    EXPECT_EQ(Dispatch(effStartProcess), 0);
    EXPECT_EQ(Dispatch(effStopProcess), 0);
    EXPECT_EQ(Dispatch(effSetTotalSampleToProcess, 0, 12345), 12345);
    EXPECT_EQ(Dispatch(effSetPanLaw, 0, 0, nullptr, 1.0f), 0);
    EXPECT_EQ(Dispatch(effBeginLoadBank), 0);
    EXPECT_EQ(Dispatch(effBeginLoadProgram), 0);
    EXPECT_EQ(Dispatch(effSetProcessPrecision, 0, 1), 0);
    EXPECT_EQ(Dispatch(effGetNumMidiInputChannels), 0);
    EXPECT_EQ(Dispatch(effGetNumMidiOutputChannels), 0);
    for (VstInt32 opcode :
         {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 81, 1000})
    {
        EXPECT_EQ(Dispatch(opcode), 0) << "opcode " << opcode;
    }
}

TEST_F(IdentityTest, KeyMessagesWithAnyNumbersAreAnsweredWithZero)
{
    const float inf = std::numeric_limits<float>::infinity();
    for (float opt : {0.0f, 1.0f, 255.0f, 256.0f, -1.0f, 1e30f, -1e30f, inf, -inf, std::nanf("")})
    {
        for (VstIntPtr value : {VstIntPtr{0}, VstIntPtr{1}, VstIntPtr{255}, VstIntPtr{256}, VstIntPtr{-1}})
        {
            EXPECT_EQ(Dispatch(effEditKeyDown, 'a', value, nullptr, opt), 0) << opt << " " << value;
            EXPECT_EQ(Dispatch(effEditKeyUp, 'a', value, nullptr, opt), 0) << opt << " " << value;
        }
    }
}

TEST_F(IdentityTest, EveryTextFitsItsField)
{
    // ReadText checks the terminator and the field size of each request.
    EXPECT_FALSE(Text(effGetEffectName).empty());
    EXPECT_FALSE(Text(effGetVendorString).empty());
    EXPECT_FALSE(Text(effGetProductString).empty());
    EXPECT_EQ(Text(effGetProgramName), "Default");
    EXPECT_EQ(Text(effGetProgramNameIndexed, 0), "Default");
    for (float value : {0.0f, 0.03f, 0.5f, 0.97f, 1.0f})
    {
        for (VstInt32 i = 0; i <= 11; ++i)
        {
            plugin->SetParameter(i, value);
            const bool bound = i < 11;
            EXPECT_EQ(Text(effGetParamName, i).empty(), !bound) << i;
            EXPECT_EQ(Text(effGetParamDisplay, i).empty(), !bound) << i;
            EXPECT_EQ(Text(effGetParamLabel, i).empty(), i >= 10) << i;
        }
    }
}

TEST_F(IdentityTest, NoCapabilityIsClaimed)
{
    for (const char* text : {"receiveVstMidiEvent", "sendVstEvents", "bypass", "plugAsChannelInsert", ""})
    {
        EXPECT_EQ(Dispatch(effCanDo, 0, 0, const_cast<char*>(text)), 0) << text;
    }
    EXPECT_EQ(Dispatch(effCanDo, 0, 0, nullptr), 0);
}

TEST_F(IdentityTest, EveryParameterCanBeAutomated)
{
    for (VstInt32 i : {-1, 0, 5, 10, 11, 1000})
    {
        EXPECT_EQ(Dispatch(effCanBeAutomated, i), 1) << i;
    }
}

TEST_F(IdentityTest, SpeakerArrangementQuerySetsBothPointersToNull)
{
    int dummy = 0;
    void* input = &dummy;
    void* output = &dummy;
    EXPECT_EQ(Dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&input), &output), 0);
    EXPECT_EQ(input, nullptr);
    EXPECT_EQ(output, nullptr);
}

TEST_F(IdentityTest, EditorRectangleIsThePanelSizeBeforeAnyOpen)
{
    ERect* rect = nullptr;
    EXPECT_EQ(Dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 258);
    EXPECT_EQ(rect->right, 900);
}
} // namespace
} // namespace KVX::Test
