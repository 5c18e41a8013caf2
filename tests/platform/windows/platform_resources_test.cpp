// SPDX-License-Identifier: GPL-3.0-or-later
// Module resources and host text conversion of the Windows platform layer, linked into this program.
#include "platform/resources.h"
#include "platform/text.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace KVX::Platform
{
namespace
{
TEST(ModuleResources, AreFoundWithoutRegardToLetterCase)
{
    ResourceView exact;
    ASSERT_TRUE(FindModuleResource(u"Fader06((64x18))##Sz-1x-1pxSb0.png", u"IMG", exact));
    ASSERT_NE(exact.data, nullptr);
    // The PNG signature: the bytes are the file's.
    ASSERT_GT(exact.size, 8u);
    EXPECT_EQ(std::memcmp(exact.data, "\x89PNG\r\n\x1a\n", 8), 0);
    for (const char16_t* name :
         {u"fader06((64x18))##sz-1x-1pxsb0.png", u"FADER06((64X18))##SZ-1X-1PXSB0.PNG"})
    {
        ResourceView other;
        ASSERT_TRUE(FindModuleResource(name, u"img", other));
        EXPECT_EQ(other.data, exact.data);
        EXPECT_EQ(other.size, exact.size);
    }
}

TEST(ModuleResources, MissingWrongTypeAndEmptyCountAsAbsent)
{
    ResourceView view;
    EXPECT_FALSE(FindModuleResource(u"Nothing.png", u"IMG", view));
    EXPECT_FALSE(FindModuleResource(u"Hint##Sz-1x-1pxSb0.png", u"FXP", view));
    EXPECT_FALSE(FindModuleResource(u"Empty.png", u"IMG", view)) << "a zero-size resource is missing";
    EXPECT_FALSE(FindModuleResource(u"", u"IMG", view));
    EXPECT_FALSE(FindModuleResource(u"Hint##Sz-1x-1pxSb0.png", u"", view));
    EXPECT_EQ(view.data, nullptr);
    EXPECT_TRUE(FindModuleResource(u"Hint##Sz-1x-1pxSb0.png", u"IMG", view));
}

std::string Written(const std::u16string& text, std::size_t capacity)
{
    std::string buffer(capacity + 4, 'x');
    WriteCodePageText(text, buffer.data(), capacity);
    EXPECT_EQ(buffer[capacity], 'x') << "nothing beyond the capacity";
    return buffer.substr(0, buffer.find('\0'));
}

TEST(CodePageText, FitsTheHostBufferAndEndsWithAZero)
{
    EXPECT_EQ(Written(u"Brellmoor", 64), "Brellmoor");
    EXPECT_EQ(Written(u"Brellmoor", 5), "Brel");
    EXPECT_EQ(Written(u"KVX", 1), "");
    EXPECT_EQ(Written(u"", 8), "");
    WriteCodePageText(u"ignored", nullptr, 8);
    char untouched = 'x';
    WriteCodePageText(u"ignored", &untouched, 0);
    EXPECT_EQ(untouched, 'x');
}

TEST(CodePageText, UsesTheAnsiCodePageAndNeverSplitsACharacter)
{
    if (GetACP() != 1252)
    {
        GTEST_SKIP() << "the checks below assume Windows-1252; this system uses " << GetACP();
    }
    EXPECT_EQ(Written(u"\u00e9t\u00e9", 8), "\xe9t\xe9");
    // A character outside the code page becomes one replacement; a surrogate pair stays one character.
    const std::u16string pair = u"ab\U0001F600c";
    const std::string whole = Written(pair, 64);
    for (std::size_t capacity = 1; capacity <= whole.size() + 1; ++capacity)
    {
        const std::string cut = Written(pair, capacity);
        EXPECT_EQ(whole.compare(0, cut.size(), cut), 0) << capacity;
        EXPECT_LT(cut.size(), capacity);
    }
}
} // namespace
} // namespace KVX::Platform
