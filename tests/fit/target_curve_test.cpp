// SPDX-License-Identifier: GPL-3.0-or-later
// Curves as they are published and written by hand, and what cannot be a curve.
#include "fit/target_curve.h"

#include <gtest/gtest.h>

#include <cmath>

namespace KVX::Fit
{
namespace
{
std::vector<CurvePoint> Parsed(const std::string& text)
{
    std::vector<CurvePoint> points;
    std::string error;
    EXPECT_TRUE(ParseCurve(text, points, error)) << error;
    return points;
}

std::string Refusal(const std::string& text)
{
    std::vector<CurvePoint> points;
    std::string error;
    EXPECT_FALSE(ParseCurve(text, points, error)) << text;
    EXPECT_TRUE(points.empty());
    return error;
}

TEST(TargetCurve, ReadsThePublishedLineAndTablesWithAnySeparator)
{
    const auto line = Parsed("GraphicEQ: 20 -1.2; 21 -1.3; 22 -1.25; 19871 4.5\n");
    ASSERT_EQ(line.size(), 4u);
    EXPECT_EQ(line[1].frequency, 21.0);
    EXPECT_EQ(line[1].gainDb, -1.3);
    EXPECT_EQ(line[3].frequency, 19871.0);

    for (const char* table : {"frequency,raw\n20,1.5\n1000,-2\n", "# a comment\n20;1.5\r\n1000;-2\r\n",
                              "Hz\tdB\n20\t1.5\n\n1000\t-2\n", "\xEF\xBB\xBF  20 1.5 7\n1000   -2\n"})
    {
        const auto points = Parsed(table);
        ASSERT_EQ(points.size(), 2u) << table;
        EXPECT_EQ(points[0].gainDb, 1.5) << table;
        EXPECT_EQ(points[1].gainDb, -2.0) << table;
    }
}

TEST(TargetCurve, RefusesWhatIsNotACurveAndSaysWhere)
{
    EXPECT_NE(Refusal("").find("no frequency"), std::string::npos);
    EXPECT_NE(Refusal("frequency,gain\n").find("no frequency"), std::string::npos);
    EXPECT_NE(Refusal("hello world\nthis is text\n").find("line 2"), std::string::npos);
    EXPECT_NE(Refusal("20 1\n100 nan\n").find("line 2"), std::string::npos);
    EXPECT_NE(Refusal("GraphicEQ: 20 1; 30 inf").find("pair 2"), std::string::npos);
    EXPECT_NE(Refusal("20 1\n100 1e300\n").find("beyond"), std::string::npos);
    EXPECT_NE(Refusal("-20 1\n100 2\n").find("not above 0"), std::string::npos);
    EXPECT_NE(Refusal("20 1\n100 2\n50 3\n").find("must rise"), std::string::npos);
    EXPECT_NE(Refusal("20 1\n20 2\n").find("must rise"), std::string::npos);
    EXPECT_NE(Refusal("GraphicEQ: 1000 3").find("one point"), std::string::npos);
    EXPECT_NE(Refusal("20\n").find("line 1"), std::string::npos);
}

TEST(TargetCurve, IsLinearOverLogFrequencyAndLevelBeyondItsEnds)
{
    const std::vector<CurvePoint> points = {{100.0, 0.0}, {400.0, 6.0}};
    const auto values = SampleCurve(points, {20.0, 100.0, 200.0, 400.0, 20000.0});
    EXPECT_EQ(values[0], 0.0);
    EXPECT_EQ(values[1], 0.0);
    EXPECT_NEAR(values[2], 3.0, 1e-12);
    EXPECT_EQ(values[3], 6.0);
    EXPECT_EQ(values[4], 6.0);
}
} // namespace
} // namespace KVX::Fit
