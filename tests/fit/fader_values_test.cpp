// SPDX-License-Identifier: GPL-3.0-or-later
// Fitted values reach every format unchanged, and read as the panel shows them.
#include "fit/fader_values.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace KVX::Fit
{
namespace
{
TEST(FaderValues, AStoredValueComesBackFromItsPortValueAndItsSetting)
{
    Faders faders{};
    for (int n = 0; n < 100000; ++n)
    {
        faders.fill(static_cast<float>(n) / 100000.0f);
        const float stored = StoredExactly(faders)[0];
        EXPECT_LE(std::abs(stored - faders[0]), 1e-6f);
        ASSERT_EQ(NormalisedFromDb(0, PortDb(0, stored)), stored) << faders[0];
        // The setting's text is the port value to the last bit.
        const std::string setting = GainSetting(0, stored);
        ASSERT_EQ(std::strtof(setting.substr(3, setting.size() - 5).c_str(), nullptr), PortDb(0, stored))
            << setting;
    }
}

TEST(FaderValues, ReadAsThePanelShowsThem)
{
    EXPECT_EQ(DisplayText(5, 0.7f), "+4.8");
    EXPECT_EQ(DisplayText(5, 0.5f), "0.0");
    EXPECT_EQ(DisplayText(0, 0.0f), "-12.0");
    EXPECT_EQ(DisplayText(9, 1.0f), "+12.0");
    EXPECT_EQ(GainSetting(5, 0.75f), "1k=+6dB");
    EXPECT_EQ(GainSetting(9, 0.25f), "16k=-6dB");
    // Not "+0dB": a signed zero reads as the value beside the centre that shows "+0.0".
    EXPECT_EQ(GainSetting(0, 0.5f), "31=0dB");
}
} // namespace
} // namespace KVX::Fit
