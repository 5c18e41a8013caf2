// SPDX-License-Identifier: GPL-3.0-or-later
// Text at the boundaries, and the module's resources.
#include "platform/resources.h"
#include "platform/text.h"

#include <gtest/gtest.h>

#include <cstring>

namespace KVX
{
namespace
{
TEST(Text, Utf8RoundTripsThroughUtf16)
{
    const std::string text = "1 kHz \xC3\xA9 \xE2\x88\x9E \xF0\x9F\x8E\xB5";
    const std::u16string wide = Platform::Utf8ToUtf16(text);
    EXPECT_EQ(wide, u"1 kHz \u00E9 \u221E \U0001F3B5");
    EXPECT_EQ(Platform::Utf16ToUtf8(wide), text);
}

TEST(Text, MalformedUtf8BecomesReplacementCharacters)
{
    EXPECT_EQ(Platform::Utf8ToUtf16("a\xFF"
                                    "b"),
              u"a\uFFFDb");
    EXPECT_EQ(Platform::Utf8ToUtf16("\xC3"), u"\uFFFD");
    EXPECT_EQ(Platform::Utf8ToUtf16("\xC0\x80"), u"\uFFFD\uFFFD") << "overlong forms are refused";
    EXPECT_EQ(Platform::Utf16ToUtf8(u"\xD800x"), "\xEF\xBF\xBDx");
}

TEST(Text, HostBuffersAreFilledWithinTheirCapacityAtACharacterBoundary)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof buffer);
    Platform::WriteCodePageText(u"1234567890", buffer, 8);
    EXPECT_STREQ(buffer, "1234567");
    Platform::WriteCodePageText(u"123456\u00E9", buffer, 8); // the two-byte character does not fit
    EXPECT_STREQ(buffer, "123456");
    Platform::WriteCodePageText(u"dB", nullptr, 8);
}

TEST(Resources, AreFoundByNameAndTypeWithoutRegardToCase)
{
    Platform::ResourceView view;
    ASSERT_TRUE(Platform::FindModuleResource(u"+DEFAULT.FXP", u"fxp", view));
    EXPECT_EQ(view.size, 148u);
    EXPECT_EQ(std::memcmp(view.data, "CcnK", 4), 0);
    EXPECT_FALSE(Platform::FindModuleResource(u"+Default.fxp", u"IMG", view));
    EXPECT_FALSE(Platform::FindModuleResource(u"Default.fxp", u"FXP", view));
}
} // namespace
} // namespace KVX
