// SPDX-License-Identifier: GPL-3.0-or-later
// The edit controller as a host's generic editor and automation lanes use it: parameter descriptions,
// value texts that match the VST 2.4 build's display, conversions, and host-set values.
#include "host/plugin_host.h"
#include "plugin_fixture.h"

#include <cmath>
#include <limits>

namespace KVX::Test::Vst3
{
namespace
{
std::u16string Wide(const char* text)
{
    std::u16string out;
    for (; *text != 0; ++text)
    {
        out.push_back(static_cast<char16_t>(*text));
    }
    return out;
}

class Vst3Controller : public Vst3Plugin
{
protected:
    std::string Text(ParamID id, double value)
    {
        String128 text{};
        EXPECT_EQ(Controller()->getParamStringByValue(id, value, text), kResultOk);
        return Narrow(text, 128);
    }

    std::optional<double> Parse(ParamID id, const char* text)
    {
        std::u16string wide = Wide(text);
        wide.push_back(0);
        double value = -1.0;
        if (Controller()->getParamValueByString(id, wide.data(), value) != kResultOk)
        {
            return std::nullopt;
        }
        return value;
    }
};

TEST_F(Vst3Controller, DescribesTheElevenDeviceParametersAndTheBypass)
{
    const char* titles[] = {"31 Hz", "63",    "125 Hz", "250 Hz", "500 Hz", "1 kHz",
                            "2 kHz", "4 kHz", "8 kHz",  "16 kHz", "Btn IN", "Bypass"};
    ASSERT_EQ(Controller()->getParameterCount(), 12);
    for (std::int32_t i = 0; i < 12; ++i)
    {
        ParameterInfo info{};
        ASSERT_EQ(Controller()->getParameterInfo(i, info), kResultOk);
        EXPECT_EQ(info.id, static_cast<ParamID>(i));
        EXPECT_EQ(Narrow(info.title, 128), titles[i]);
        EXPECT_EQ(Narrow(info.shortTitle, 128), titles[i]);
        EXPECT_EQ(Narrow(info.units, 128), i < 10 ? "dB" : "");
        EXPECT_EQ(info.stepCount, i < 10 ? 0 : 1) << "IN and bypass are toggles";
        EXPECT_EQ(info.defaultNormalizedValue, i < 10 ? 0.5 : (i == 10 ? 1.0 : 0.0));
        EXPECT_EQ(info.unitId, 0);
        EXPECT_TRUE(info.flags & ParameterInfo::kCanAutomate);
        EXPECT_EQ((info.flags & ParameterInfo::kIsBypass) != 0, i == 11);
        EXPECT_FALSE(info.flags & ParameterInfo::kIsReadOnly);
    }
    ParameterInfo info{};
    EXPECT_NE(Controller()->getParameterInfo(12, info), kResultOk);
    EXPECT_NE(Controller()->getParameterInfo(-1, info), kResultOk);
}

TEST_F(Vst3Controller, ValueTextsAreTheVst24DisplayTexts)
{
    std::string error;
    auto vst = Host::Plugin::Load(KVX_VST_PLUGIN_PATH, error);
    ASSERT_NE(vst, nullptr) << error;
    for (int step = 0; step <= 200; ++step)
    {
        const float value = static_cast<float>(step) / 200.0f;
        for (ParamID id = 0; id < 11; ++id)
        {
            vst->SetParameter(static_cast<VstInt32>(id), id == 10 ? (value >= 0.5f ? 1.0f : 0.0f) : value);
            ASSERT_EQ(Text(id, value), vst->Text(effGetParamDisplay, static_cast<VstInt32>(id)))
                << "parameter " << id << " at " << value;
        }
    }
    EXPECT_EQ(Text(10, 0.0), "Off");
    EXPECT_EQ(Text(10, 1.0), "On");
    EXPECT_EQ(Text(11, 1.0), "On");
    EXPECT_EQ(Text(0, 1.7), "+12.0") << "beyond the range: the end of the range";
    String128 text{};
    EXPECT_NE(Controller()->getParamStringByValue(12, 0.5, text), kResultOk);
    EXPECT_NE(Controller()->getParamStringByValue(0, std::numeric_limits<double>::quiet_NaN(), text),
              kResultOk);
    vst->Close();
}

TEST_F(Vst3Controller, ConvertsBetweenNormalisedAndPlainAndReadsTypedValues)
{
    EXPECT_DOUBLE_EQ(Controller()->normalizedParamToPlain(5, 0.75), 6.0);
    EXPECT_DOUBLE_EQ(Controller()->normalizedParamToPlain(5, 0.0), -12.0);
    EXPECT_DOUBLE_EQ(Controller()->normalizedParamToPlain(5, 1.0), 12.0);
    EXPECT_DOUBLE_EQ(Controller()->plainParamToNormalized(5, 6.0), 0.75);
    EXPECT_DOUBLE_EQ(Controller()->plainParamToNormalized(5, 40.0), 1.0);
    for (double v = 0.0; v <= 1.0; v += 0.0625)
    {
        EXPECT_NEAR(Controller()->plainParamToNormalized(3, Controller()->normalizedParamToPlain(3, v)), v,
                    1e-12);
    }
    EXPECT_EQ(Controller()->normalizedParamToPlain(10, 0.4), 0.0);
    EXPECT_EQ(Controller()->normalizedParamToPlain(10, 0.6), 1.0);
    EXPECT_EQ(Controller()->plainParamToNormalized(11, 1.0), 1.0);
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(Controller()->normalizedParamToPlain(0, nan), -12.0) << "NaN reads as the bottom, never as NaN";
    EXPECT_EQ(Controller()->plainParamToNormalized(0, nan), 0.0);
    EXPECT_EQ(Controller()->plainParamToNormalized(0, std::numeric_limits<double>::infinity()), 1.0);

    // A typed value reads as the value the device then holds, in single precision.
    EXPECT_EQ(*Parse(5, "+4.8"), static_cast<float>((4.8 + 12.0) / 24.0));
    EXPECT_EQ(*Parse(5, " -3 dB "), 9.0 / 24.0);
    EXPECT_EQ(*Parse(5, "0"), 0.5);
    EXPECT_EQ(*Parse(5, "99"), 1.0);
    EXPECT_EQ(*Parse(10, "Off"), 0.0);
    EXPECT_EQ(*Parse(10, "on"), 1.0);
    EXPECT_EQ(*Parse(11, "1"), 1.0);
    for (const char* garbage : {"", "loud", "4.8.1", "dB", "nan", "inf", "1e999"})
    {
        EXPECT_FALSE(Parse(5, garbage).has_value()) << garbage;
    }
    EXPECT_FALSE(Parse(10, "maybe").has_value());
    EXPECT_FALSE(Parse(12, "1").has_value());
    double ignored = 0.0;
    EXPECT_NE(Controller()->getParamValueByString(5, nullptr, ignored), kResultOk);
}

TEST_F(Vst3Controller, KeepsHostSetValuesWithoutReportingThemBackAndSharesThemWithTheProcessor)
{
    CComponentHandler handler;
    ASSERT_EQ(Controller()->setComponentHandler(&handler), kResultOk);
    EXPECT_EQ(Controller()->setParamNormalized(3, 0.25), kResultOk);
    EXPECT_EQ(Controller()->getParamNormalized(3), 0.25);
    EXPECT_EQ(Controller()->setParamNormalized(3, 1.5), kResultOk);
    EXPECT_EQ(Controller()->getParamNormalized(3), 1.0);
    EXPECT_NE(Controller()->setParamNormalized(3, std::numeric_limits<double>::quiet_NaN()), kResultOk);
    EXPECT_EQ(Controller()->getParamNormalized(3), 1.0);
    EXPECT_EQ(Controller()->setParamNormalized(10, 0.2), kResultOk);
    EXPECT_EQ(Controller()->getParamNormalized(10), 0.0);
    EXPECT_EQ(Controller()->setParamNormalized(11, 1.0), kResultOk);
    EXPECT_EQ(Controller()->getParamNormalized(11), 1.0);
    EXPECT_NE(Controller()->setParamNormalized(12, 0.5), kResultOk);
    EXPECT_EQ(Controller()->getParamNormalized(12), 0.0);
    EXPECT_TRUE(handler.Calls().empty()) << "host-set values are not edits";
    // One object: the state saved right after a host set holds the value.
    EXPECT_EQ(StateValue(m_Instance->State(), 3), 1.0f);
    EXPECT_EQ(StateValue(m_Instance->State(), 10), 0.0f);
    EXPECT_EQ(Controller()->setComponentHandler(nullptr), kResultOk);
    EXPECT_EQ(handler.References(), 1u) << "the handler was given back";
    CMemoryStream empty;
    EXPECT_EQ(Controller()->getState(&empty), kResultOk);
    EXPECT_EQ(Controller()->setState(&empty), kResultOk);
}

TEST_F(Vst3Controller, TerminateGivesTheHostsHandlerBack)
{
    CComponentHandler handler;
    ASSERT_EQ(Controller()->setComponentHandler(&handler), kResultOk);
    ASSERT_EQ(handler.References(), 2u);
    EXPECT_EQ(Component()->terminate(), kResultOk);
    EXPECT_EQ(handler.References(), 1u) << "the plug-in holds nothing of the host's after terminate";
    Controller()->setComponentHandler(nullptr); // the handler goes before the instance does
}
} // namespace
} // namespace KVX::Test::Vst3
