// SPDX-License-Identifier: GPL-3.0-or-later
// The conversion between LV2 port values and the device's normalised values.
#include "lv2/port_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace KVX::LV2
{
namespace
{
using Device::Description::kParameters;
const auto& kBand = kParameters[5];
const auto& kSwitch = kParameters[Device::Description::kInParameter];

float NextFloat(float v, std::uint32_t steps)
{
    std::uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    bits += steps;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

// Whole decibels select the nearest float to their twenty-fourth; the way back lands within a float's
// step of the whole number, not always on it (each normalised value stands for several dB floats).
TEST(BandPortValues, WholeDecibelsSelectTheirTwentyFourths)
{
    for (int db = -12; db <= 12; ++db)
    {
        const float v = NormalisedFromPort(kBand, static_cast<float>(db));
        EXPECT_EQ(v, static_cast<float>((db + 12) / 24.0)) << db << " dB";
        EXPECT_NEAR(PortFromNormalised(kBand, v), static_cast<float>(db), 1e-6f) << db << " dB";
    }
    EXPECT_EQ(NormalisedFromPort(kBand, 0.0f), 0.5f);
    EXPECT_EQ(PortFromNormalised(kBand, 0.5f), 0.0f);
    EXPECT_EQ(PortFromNormalised(kBand, 0.75f), 6.0f);
}

// A VST host's value reaches the LV2 plug-in unchanged through a dB port (sampled densely: every 61st
// float from 0.25 to 1).
TEST(BandPortValues, NormalisedValuesFromAQuarterUpSurviveTheWayThroughDecibels)
{
    long failures = 0;
    for (float v = 0.25f; v <= 1.0f; v = NextFloat(v, 61))
    {
        failures += NormalisedFromPort(kBand, PortFromNormalised(kBand, v)) != v ? 1 : 0;
    }
    EXPECT_EQ(failures, 0);
    EXPECT_EQ(NormalisedFromPort(kBand, PortFromNormalised(kBand, 1.0f)), 1.0f);
}

TEST(BandPortValues, BelowAQuarterTheWayBackStaysWithinAMillionthOfADecibel)
{
    float worst = 0.0f;
    float last = -1.0f;
    for (float v = 0.0f; v < 0.25f; v = NextFloat(v, 4099))
    {
        const float back = NormalisedFromPort(kBand, PortFromNormalised(kBand, v));
        worst = std::max(worst, std::fabs(back - v) * 24.0f);
        EXPECT_GE(back, last) << "not monotonic at " << v;
        last = back;
    }
    EXPECT_LT(worst, 1e-6f);
}

TEST(PortValues, AreClampedToTheRangeAndNanIsLeftForTheCallerToIgnore)
{
    EXPECT_EQ(NormalisedFromPort(kBand, 30.0f), 1.0f);
    EXPECT_EQ(NormalisedFromPort(kBand, -1e30f), 0.0f);
    EXPECT_EQ(NormalisedFromPort(kBand, std::numeric_limits<float>::infinity()), 1.0f);
    EXPECT_TRUE(std::isnan(NormalisedFromPort(kBand, std::numeric_limits<float>::quiet_NaN())));
    EXPECT_TRUE(std::isnan(NormalisedFromPort(kSwitch, std::numeric_limits<float>::quiet_NaN())));
    EXPECT_EQ(PortFromNormalised(kBand, 2.0f), 12.0f);
    EXPECT_EQ(PortFromNormalised(kBand, std::numeric_limits<float>::quiet_NaN()), -12.0f);
    // The switch rounds to the nearer end, as every format's host values do.
    EXPECT_EQ(NormalisedFromPort(kSwitch, 0.5f), 1.0f);
    EXPECT_EQ(NormalisedFromPort(kSwitch, 0.3f), 0.0f);
    EXPECT_EQ(NormalisedFromPort(kSwitch, 7.0f), 1.0f);
    EXPECT_EQ(NormalisedFromPort(kSwitch, -1.0f), 0.0f);
}

TEST(PortValues, DefaultsAreTheDefaultProgramsValues)
{
    for (const auto& parameter : kParameters)
    {
        const PortRange range = RangeOf(parameter);
        EXPECT_EQ(NormalisedFromPort(parameter, range.defaultValue), parameter.programDefault)
            << parameter.name;
        EXPECT_LT(range.minimum, range.maximum);
    }
    EXPECT_EQ(RangeOf(kBand).defaultValue, 0.0f);
    EXPECT_EQ(RangeOf(kSwitch).defaultValue, 1.0f);
}
} // namespace
} // namespace KVX::LV2
