// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/band_tuning.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace KVX;

namespace
{

void ExpectStep(int32_t band, double position, float gainDb, float q, float frequency)
{
    const BandTuning t = LookupBandTuning(band, position);
    EXPECT_EQ(t.gainDb, static_cast<double>(gainDb)) << "band " << band << " position " << position;
    EXPECT_EQ(t.q, static_cast<double>(q)) << "band " << band << " position " << position;
    EXPECT_EQ(t.frequency, static_cast<double>(frequency)) << "band " << band << " position " << position;
}

} // namespace

TEST(BandTuning, WholeStepsGiveTheStoredValuesExactly)
{
    ExpectStep(0, 0.0, -12.05f, 0.66f, 28.0f);
    ExpectStep(9, 1.0, 10.5f, 0.36f, 18000.0f);
    ExpectStep(5, 0.25, -2.06f, 0.22f, 960.0f);
    ExpectStep(8, 0.5, 0.0f, 0.0f, 11520.0f);
    ExpectStep(3, 19.0 / 24.0, 2.55f, 0.27f, 235.0f);
    ExpectStep(3, 20.0 / 24.0, 3.21f, 0.29f, 230.0f);
}

TEST(BandTuning, CentreIsFlatWithZeroQInEveryBand)
{
    const float centres[kBandCount] = {20, 43, 116, 220, 490, 960, 2200, 4100, 11520, 19000};
    for (int32_t band = 0; band < kBandCount; ++band)
        ExpectStep(band, 0.5, 0.0f, 0.0f, centres[band]);
}

TEST(BandTuning, InterpolatesEachRunLinearlyBetweenSteps)
{
    // x = 7.2: gain between -1.8 and -1.4, Q and frequency flat between the two steps.
    const BandTuning t = LookupBandTuning(0, 0.3);
    EXPECT_NEAR(t.gainDb, -1.72, 1e-6);
    EXPECT_DOUBLE_EQ(t.q, static_cast<double>(0.2f));
    EXPECT_EQ(t.frequency, 21.0);

    // Halfway between steps 3 and 4 of the 8 kHz band: 9480 and 10320 Hz.
    EXPECT_NEAR(LookupBandTuning(8, 3.5 / 24.0).frequency, 9900.0, 1e-9);
}

TEST(BandTuning, OutOfRangeInputIsClampedToTheTable)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    ExpectStep(0, nan, -12.05f, 0.66f, 28.0f);
    ExpectStep(0, -3.0, -12.05f, 0.66f, 28.0f);
    ExpectStep(9, 7.0, 10.5f, 0.36f, 18000.0f);
    ExpectStep(9, std::nextafter(1.0, 2.0), 10.5f, 0.36f, 18000.0f);
    ExpectStep(-4, 0.0, -12.05f, 0.66f, 28.0f);
    ExpectStep(12, 1.0, 10.5f, 0.36f, 18000.0f);
}
