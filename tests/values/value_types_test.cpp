// SPDX-License-Identifier: GPL-3.0-or-later
#include "values/linear_value.h"
#include "values/switch_value.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>

namespace KVX::Values
{
namespace
{
const CLinearValue kBand(-12.0f, 12.0f, 1, "dB");
const CSwitchValue kIn("Off", "On");

TEST(LinearValue, ShowsTheScaleValueWithASignOnPositiveValues)
{
    EXPECT_EQ(kBand.Format(0.5f), "0.0");
    EXPECT_EQ(kBand.Format(0.7f), "+4.8");
    EXPECT_EQ(kBand.Format(0.0f), "-12.0");
    EXPECT_EQ(kBand.FormatWithUnit(1.0f), "+12.0 dB");
    EXPECT_EQ(kBand.Format(std::nextafter(0.5f, 1.0f)), "+0.0");
    EXPECT_EQ(kBand.Format(std::nextafter(0.5f, 0.0f)), "-0.0");
    EXPECT_EQ(CLinearValue(0.0f, 10.0f, 2, "ms").Format(0.5f), "5.00"); // no sign on an unsigned scale
}

TEST(LinearValue, ReadsNumbersWithOrWithoutTheUnitAndClampsThemToTheScale)
{
    EXPECT_EQ(kBand.Parse("+4.8"), kBand.ToNormalised(4.8));
    EXPECT_EQ(kBand.Parse(" -3 dB "), 0.375f);
    EXPECT_EQ(kBand.Parse("-3dB"), 0.375f);
    EXPECT_EQ(kBand.Parse("-3 DB"), 0.375f);
    EXPECT_EQ(kBand.Parse("6"), 0.75f);
    EXPECT_EQ(kBand.Parse("+20 dB"), 1.0f);
    EXPECT_EQ(kBand.Parse("12.1"), 1.0f);
    EXPECT_EQ(kBand.Parse("-1e3"), 0.0f);
    for (const char* text : {"", " ", "dB", "+-3", "--3", "- 3", "3 dBx", "1,5", "abc", "nan", "inf", "-inf",
                             "0x10", "4.8 dB dB", "1e999"})
    {
        EXPECT_EQ(kBand.Parse(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(LinearValue, EveryTextItShowsReadsBackAsAValueShowingTheSameText)
{
    const auto check = [](float v)
    {
        const std::string shown = kBand.FormatWithUnit(v);
        const auto read = kBand.Parse(shown);
        ASSERT_TRUE(read.has_value()) << shown;
        EXPECT_EQ(kBand.FormatWithUnit(*read), shown) << "from " << v;
        EXPECT_EQ(kBand.Parse(kBand.Format(v)), read) << shown;
    };
    for (int i = 0; i <= 24000; ++i)
    {
        check(static_cast<float>(i) / 24000.0f);
    }
    float below = 0.5f;
    float above = 0.5f;
    for (int i = 0; i < 2000; ++i)
    {
        check(below = std::nextafter(below, 0.0f));
        check(above = std::nextafter(above, 1.0f));
    }
}

TEST(LinearValue, EverySingleNormalisedValueSurvivesTheWayToPlainAndBack)
{
    // A float in every 97 from 2^-30 up to 1 (all binades, all mantissa patterns mod 97): a host that
    // echoes what it reads must set exactly what was there.
    for (std::uint32_t bits = 0x30800000u; bits <= 0x3F800000u; bits += 97)
    {
        float v;
        std::memcpy(&v, &bits, sizeof v);
        ASSERT_EQ(kBand.ToNormalised(kBand.ToPlain(v)), v) << v;
    }
    for (float v : {0.0f, 1.0f, 0x1p-30f, 0x1p-21f})
    {
        EXPECT_EQ(kBand.ToNormalised(kBand.ToPlain(v)), v);
    }
}

TEST(LinearValue, PlainValuesSelectTheNormalisedValueAVstHostWouldSet)
{
    EXPECT_EQ(kBand.ToPlain(0.75f), 6.0);
    EXPECT_EQ(kBand.ToPlain(2.0f), 12.0);
    EXPECT_EQ(kBand.ToPlain(std::numeric_limits<float>::quiet_NaN()), -12.0);
    EXPECT_EQ(kBand.ToNormalised(std::nan("")), std::nullopt);
    EXPECT_EQ(kBand.ToNormalised(99.0), 1.0f);
    EXPECT_EQ(kBand.FromHostNormalised(-0.5), 0.0f);
    EXPECT_EQ(kBand.FromHostNormalised(0.3), 0.3f);
}

TEST(SwitchValue, HostValuesAndNumbersRoundToTheNearerEndWithHalfOn)
{
    EXPECT_EQ(kIn.FromHostNormalised(0.49), 0.0f);
    EXPECT_EQ(kIn.FromHostNormalised(0.5), 1.0f);
    EXPECT_EQ(kIn.ToNormalised(7.0), 1.0f);
    EXPECT_EQ(kIn.ToNormalised(std::nan("")), std::nullopt);
    EXPECT_EQ(kIn.Parse(" on "), 1.0f);
    EXPECT_EQ(kIn.Parse("OFF"), 0.0f);
    EXPECT_EQ(kIn.Parse("1"), 1.0f);
    EXPECT_EQ(kIn.Parse("0.7"), 1.0f);
    EXPECT_EQ(kIn.Parse("0.3"), 0.0f);
    EXPECT_EQ(kIn.Parse("+0.5"), 1.0f);
    for (const char* text : {"", "onn", "yes", "+-1", "nan"})
    {
        EXPECT_EQ(kIn.Parse(text), std::nullopt) << '"' << text << '"';
    }
}

TEST(SwitchValue, AHeldValueIsOnUnlessItIsZeroAsTheEngineReadsIt)
{
    EXPECT_EQ(kIn.Format(0.0f), "Off");
    EXPECT_EQ(kIn.Format(0.3f), "On");
    EXPECT_EQ(kIn.FormatWithUnit(1.0f), "On");
    EXPECT_EQ(kIn.ToPlain(0.3f), 1.0);
    for (float v : {0.0f, 0.3f, 1.0f})
    {
        EXPECT_EQ(kIn.Format(*kIn.Parse(kIn.Format(v))), kIn.Format(v));
    }
}
} // namespace
} // namespace KVX::Values
