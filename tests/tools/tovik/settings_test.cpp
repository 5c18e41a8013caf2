// SPDX-License-Identifier: GPL-3.0-or-later
// --set parsing: names, band frequencies, dB, on/off and the refusals.
#include "tovik/settings.h"

#include <gtest/gtest.h>

#include <limits>

namespace KVX::Tovik
{
namespace
{
ParameterNames Equaliser()
{
    return {
        {"31 Hz", "63", "125 Hz", "250 Hz", "500 Hz", "1 kHz", "2 kHz", "4 kHz", "8 kHz", "16 kHz", "Btn IN"},
        true};
}

Setting Parsed(const ParameterNames& names, const std::string& text)
{
    Setting setting{-1, -1.0f};
    std::string error;
    EXPECT_TRUE(ParseSetting(names, text, setting, error)) << text << ": " << error;
    return setting;
}

std::string Refusal(const ParameterNames& names, const std::string& text)
{
    Setting setting;
    std::string error;
    EXPECT_FALSE(ParseSetting(names, text, setting, error)) << text;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    return error;
}

TEST(Settings, BandsAnswerToTheirFrequencyInAnySpellingAndTakeDecibels)
{
    const auto eq = Equaliser();
    struct Case
    {
        const char* text;
        int index;
        float value;
    };
    for (const Case& c :
         {Case{"1k=+6dB", 5, 0.75f}, Case{"1kHz=+6dB", 5, 0.75f}, Case{"1 kHz=+6 dB", 5, 0.75f},
          Case{"1000=6dB", 5, 0.75f}, Case{"1000 Hz=6DB", 5, 0.75f}, Case{"5=0.75", 5, 0.75f},
          Case{"31=-3dB", 0, 0.375f}, Case{"31.25hz=-3dB", 0, 0.375f}, Case{"63=+2dB", 1, 14.0f / 24.0f},
          Case{"62.5=0", 1, 0.0f}, Case{"16k=-12dB", 9, 0.0f}, Case{"16000=+12dB", 9, 1.0f},
          Case{"125 HZ=0dB", 2, 0.5f}, Case{"2K=-0.5dB", 6, 11.5f / 24.0f}, Case{"0=1", 0, 1.0f}})
    {
        const Setting s = Parsed(eq, c.text);
        EXPECT_EQ(s.index, c.index) << c.text;
        EXPECT_FLOAT_EQ(s.value, c.value) << c.text;
    }
}

TEST(Settings, TheInSwitchTakesOnAndOff)
{
    const auto eq = Equaliser();
    for (const char* text : {"in=off", "IN=OFF", "Btn IN=off", "10=0"})
    {
        const Setting s = Parsed(eq, text);
        EXPECT_EQ(s.index, 10) << text;
        EXPECT_EQ(s.value, 0.0f) << text;
    }
    EXPECT_EQ(Parsed(eq, "in=on").value, 1.0f);
    EXPECT_NE(Refusal(eq, "in=+3dB").find("only the bands take dB"), std::string::npos);
}

TEST(Settings, OutOfRangeAndMalformedValuesAreRefused)
{
    const auto eq = Equaliser();
    for (const char* text : {"1k=+12.5dB", "1k=-13dB", "1k=1.01", "1k=-0.1", "in=2"})
    {
        EXPECT_NE(Refusal(eq, text).find("out of range"), std::string::npos) << text;
    }
    for (const char* text :
         {"1k=", "=0.5", "1k", "1k=loud", "1k=nan", "1k=inf", "1k=0.5x", "1k=dB", "1k=1e999"})
    {
        Refusal(eq, text);
    }
}

TEST(Settings, UnknownNamesAreRefusedWithTheListOfNames)
{
    const auto eq = Equaliser();
    for (const char* text : {"3k=0.5", "11=0.5", "gain=0.5", "-1=0.5", "40=0.5"})
    {
        const std::string error = Refusal(eq, text);
        EXPECT_NE(error.find("unknown parameter"), std::string::npos) << text;
        EXPECT_NE(error.find("'Btn IN'"), std::string::npos) << error;
        EXPECT_NE(error.find("'16 kHz'"), std::string::npos) << error;
    }
}

TEST(Settings, OtherPlugInsTakeNamesAndIndicesWithNormalisedValuesOnly)
{
    const ParameterNames other{{"Low", "Mid", "High", "Master", "1kHz"}, false};
    EXPECT_EQ(Parsed(other, "low=0.8").index, 0);
    EXPECT_EQ(Parsed(other, "MASTER=0.1").index, 3);
    EXPECT_EQ(Parsed(other, "2=0.3").index, 2);
    EXPECT_EQ(Parsed(other, "1 khz=0.3").index, 4);
    // Frequencies and decibels belong to our equaliser alone.
    Refusal(other, "1k=0.5");
    Refusal(other, "low=+3dB");
    Refusal(other, "5=0.5");
}

// LV2 control ports: the index is the port's (audio ports come between), the symbol works as a name, and
// values are in the port's own units and range.
TEST(Settings, Lv2PortsTakeTheirIndexSymbolAndOwnRange)
{
    const float inf = std::numeric_limits<float>::infinity();
    const ParameterNames ports{
        {"Master Gain", "32Hz", "Open"},
        false,
        {{2, "master", -30.0f, 30.0f, "dB"}, {3, "band1", -12.0f, 12.0f, "dB"}, {7, "open", -inf, inf, ""}}};
    EXPECT_EQ(Parsed(ports, "master=-3").index, 2);
    EXPECT_EQ(Parsed(ports, "master=-3").value, -3.0f);
    EXPECT_EQ(Parsed(ports, "Master Gain=25").value, 25.0f);
    EXPECT_EQ(Parsed(ports, "3=1.5").index, 3);
    EXPECT_EQ(Parsed(ports, "open=-1e6").value, -1e6f);
    EXPECT_EQ(Parsed(ports, "band1=on").value, 1.0f);
    // Positions are not port indices.
    EXPECT_NE(Refusal(ports, "0=1").find("2 master 'Master Gain', 3 band1 '32Hz', 7 open 'Open'"),
              std::string::npos);
    EXPECT_NE(Refusal(ports, "band1=12.5").find("out of range (-12 to 12 dB)"), std::string::npos);
    EXPECT_NE(Refusal(ports, "master=+3dB").find("own units"), std::string::npos);
    Refusal(ports, "1k=3");
}

// Our LV2 bundle: the same band and switch names as the VST build, but gains go to the ports as dB.
TEST(Settings, OurLv2BandsTakeDecibelsAsThePortValue)
{
    ParameterNames eq = Equaliser();
    for (int i = 0; i < 10; ++i)
    {
        eq.ports.push_back({i, "band" + std::to_string(i), -12.0f, 12.0f, "dB"});
    }
    eq.ports.push_back({10, "in", 0.0f, 1.0f, ""});
    EXPECT_EQ(Parsed(eq, "1k=+6dB").index, 5);
    EXPECT_EQ(Parsed(eq, "1k=+6dB").value, 6.0f);
    EXPECT_EQ(Parsed(eq, "16 kHz=-12dB").value, -12.0f);
    EXPECT_EQ(Parsed(eq, "in=off").index, 10);
    EXPECT_EQ(Parsed(eq, "in=off").value, 0.0f);
    Refusal(eq, "1k=+13dB");
    Refusal(eq, "in=2");
}
} // namespace
} // namespace KVX::Tovik
