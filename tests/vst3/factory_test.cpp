// SPDX-License-Identifier: GPL-3.0-or-later
// The module's factory as a host scanning plug-ins reads it, and the identifiers' byte order.
#include "plugin_fixture.h"

#include <string>

namespace KVX::Test::Vst3
{
namespace
{
std::u16string Wide(const TChar* text, std::size_t capacity)
{
    std::u16string out;
    for (std::size_t i = 0; i < capacity && text[i] != 0; ++i)
    {
        out.push_back(text[i]);
    }
    return out;
}

using Vst3Factory = Vst3Plugin;

TEST_F(Vst3Factory, DescribesOneEqualiserClassAlikeThroughAllThreeFactoryInterfaces)
{
    IPluginFactory* factory = m_Module->Factory();
    PFactoryInfo info{};
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Brellmoor");
    EXPECT_EQ(info.flags & PFactoryInfo::kUnicode, PFactoryInfo::kUnicode);

    ASSERT_EQ(factory->countClasses(), 1);
    PClassInfo one{};
    ASSERT_EQ(factory->getClassInfo(0, &one), kResultOk);
    EXPECT_STREQ(one.category, "Audio Module Class");
    EXPECT_STREQ(one.name, "KVX Tovik");
    EXPECT_EQ(one.cardinality, PClassInfo::kManyInstances);
    EXPECT_NE(factory->getClassInfo(1, &one), kResultOk);
    EXPECT_NE(factory->getClassInfo(-1, &one), kResultOk);

    ASSERT_NE(m_Module->Factory2(), nullptr);
    PClassInfo2 two{};
    ASSERT_EQ(m_Module->Factory2()->getClassInfo2(0, &two), kResultOk);
    EXPECT_EQ(std::memcmp(two.cid, one.cid, 16), 0);
    EXPECT_STREQ(two.category, "Audio Module Class");
    EXPECT_STREQ(two.subCategories, "Fx|EQ");
    EXPECT_STREQ(two.vendor, "Brellmoor");
    EXPECT_STREQ(two.version, "1.0.0.283");
    EXPECT_STRNE(two.sdkVersion, "");

    ASSERT_NE(m_Module->Factory3(), nullptr);
    PClassInfoW three{};
    ASSERT_EQ(m_Module->Factory3()->getClassInfoUnicode(0, &three), kResultOk);
    EXPECT_EQ(std::memcmp(three.cid, one.cid, 16), 0);
    EXPECT_EQ(Wide(three.name, 64), u"KVX Tovik");
    EXPECT_EQ(Wide(three.vendor, 64), u"Brellmoor");
    EXPECT_EQ(Wide(three.version, 64), u"1.0.0.283");
    EXPECT_STREQ(three.subCategories, "Fx|EQ");
    EXPECT_EQ(m_Module->Factory3()->setHostContext(&m_Instance->Host()), kResultOk);
    EXPECT_NE(m_Module->Factory2()->getClassInfo2(1, &two), kResultOk);
    EXPECT_NE(m_Module->Factory3()->getClassInfoUnicode(1, &three), kResultOk);
}

TEST_F(Vst3Factory, MakesOnlyItsOwnClassAndHandsOutOnlyTheInterfacesItHas)
{
    IPluginFactory* factory = m_Module->Factory();
    void* object = reinterpret_cast<void*>(1);
    char other[16] = {1, 2, 3};
    EXPECT_NE(factory->createInstance(other, Iid::IComponent.Data(), &object), kResultOk);
    EXPECT_EQ(object, nullptr);
    object = reinterpret_cast<void*>(1);
    EXPECT_EQ(factory->createInstance(m_Class.cid, Iid::IPlugView.Data(), &object), kNoInterface);
    EXPECT_EQ(object, nullptr);
    EXPECT_NE(factory->createInstance(m_Class.cid, Iid::IComponent.Data(), nullptr), kResultOk);

    // One object answers for component, processor and controller, and each side finds the others.
    ASSERT_NE(Processor(), nullptr);
    ASSERT_NE(Controller(), nullptr);
    EXPECT_FALSE(m_Instance->SeparateController());
    TUID ignored{};
    EXPECT_NE(Component()->getControllerClassId(ignored), kResultOk);
    void* identityA = nullptr;
    void* identityB = nullptr;
    ASSERT_EQ(Processor()->queryInterface(Iid::FUnknown.Data(), &identityA), kResultOk);
    ASSERT_EQ(Controller()->queryInterface(Iid::FUnknown.Data(), &identityB), kResultOk);
    EXPECT_EQ(identityA, identityB);
    static_cast<FUnknown*>(identityA)->release();
    static_cast<FUnknown*>(identityB)->release();
    void* back = nullptr;
    ASSERT_EQ(Controller()->queryInterface(Iid::IAudioProcessor.Data(), &back), kResultOk);
    EXPECT_EQ(back, Processor());
    static_cast<FUnknown*>(back)->release();
    EXPECT_EQ(Component()->queryInterface(Iid::IPlugFrame.Data(), &back), kNoInterface);
    EXPECT_EQ(back, nullptr);

    // A second instance is independent of the first.
    auto second = NewInstance();
    ASSERT_NE(second, nullptr);
    EXPECT_NE(second->Component(), Component());
}

// A host compares identifiers byte for byte; Windows lays them out as COM does.
TEST(Vst3Uid, IdentifiersHaveThePlatformsByteOrder)
{
    const Uid component = Iid::IComponent;
#if defined(_WIN32)
    const unsigned char expected[16] = {0x31, 0xFF, 0x31, 0xE8, 0xD5, 0xF2, 0x01, 0x43,
                                        0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
#else
    const unsigned char expected[16] = {0xE8, 0x31, 0xFF, 0x31, 0xF2, 0xD5, 0x43, 0x01,
                                        0x92, 0x8E, 0xBB, 0xEE, 0x25, 0x69, 0x78, 0x02};
#endif
    EXPECT_EQ(std::memcmp(component.bytes.data(), expected, 16), 0) << UidText(component.Data());
    const unsigned char unknown[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0xC0, 0, 0, 0, 0, 0, 0, 0x46};
    EXPECT_EQ(std::memcmp(Iid::FUnknown.bytes.data(), unknown, 16), 0);
}
} // namespace
} // namespace KVX::Test::Vst3
