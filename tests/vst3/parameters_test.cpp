// The plain conversion code on its own, where a host's odd values are easiest to reach.
#include "vst3/parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace KVX::Vst3
{
namespace
{
TEST(Vst3Parameters, DeviceValuesAreClampedSwitchesRoundAtTheMiddleAndNaNIsNoValue)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(DeviceValue(0, 0.3), 0.3f);
    EXPECT_EQ(DeviceValue(0, -1.0), 0.0f);
    EXPECT_EQ(DeviceValue(9, 7.0), 1.0f);
    EXPECT_EQ(DeviceValue(10, 0.4999), 0.0f);
    EXPECT_EQ(DeviceValue(10, 0.5), 1.0f);
    EXPECT_EQ(DeviceValue(kBypassId, 0.9), 1.0f);
    EXPECT_FALSE(DeviceValue(0, nan).has_value());
    EXPECT_FALSE(DeviceValue(12, 0.5).has_value());
    EXPECT_EQ(ToPlain(0, nan), -12.0);
    EXPECT_EQ(ToNormalised(0, nan), 0.0);
    EXPECT_EQ(ToNormalised(0, -1e300), 0.0);
    EXPECT_EQ(ToNormalised(0, std::numeric_limits<double>::infinity()), 1.0);
}

TEST(Vst3Parameters, TextCopiesAreCutAndAlwaysTerminated)
{
    TChar wide[4] = {u'x', u'x', u'x', u'x'};
    CopyText(std::string_view("abcdef"), wide, 4);
    EXPECT_EQ(std::u16string(wide), u"abc");
    char narrow[3] = {'x', 'x', 'x'};
    CopyText(std::string_view("abcdef"), narrow, 3);
    EXPECT_STREQ(narrow, "ab");
    CopyText(std::string_view("abc"), static_cast<char*>(nullptr), 3); // nothing to write into
}
} // namespace
} // namespace KVX::Vst3
