#include "binary_host.h"

#include "host/module_loader.h"

namespace KVX::Test
{
namespace
{
using HandlerSetter = void (*)(void (*)(const char16_t*, const char16_t*, void*, unsigned));

void Record(const char16_t* caption, const char16_t* text, void*, unsigned style)
{
    RecordedBoxes().push_back({caption, text, style});
}
} // namespace

std::vector<RecordedBox>& RecordedBoxes()
{
    static std::vector<RecordedBox> boxes;
    return boxes;
}

std::string U8(const std::u16string& text)
{
    std::string out;
    for (char16_t c : text)
    {
        out.push_back(c < 128 ? static_cast<char>(c) : '?');
    }
    return out;
}

std::unique_ptr<Host::Plugin> LoadPlugin(const std::string& path, VstIntPtr hostVersion)
{
    std::string error;
    auto plugin = Host::Plugin::Load(path, error, hostVersion, [](void* module) {
        auto setter =
            reinterpret_cast<HandlerSetter>(Host::ModuleSymbol(module, "KVXTovikSetMessageBoxHandler"));
        ASSERT_NE(setter, nullptr);
        setter(Record);
    });
    if (!plugin)
    {
        ADD_FAILURE() << error;
    }
    return plugin;
}

namespace
{
TEST(Loading, AHostThatAnswersVersionZeroGetsNoRecordAndNoBox)
{
    RecordedBoxes().clear();
    std::string error;
    auto plugin = Host::Plugin::Load(KVX_PLUGIN_PATH, error, 0);
    EXPECT_EQ(plugin, nullptr);
    EXPECT_NE(error.find("returned no effect"), std::string::npos) << error;
    EXPECT_TRUE(RecordedBoxes().empty());
}

TEST(Loading, BothEntryNamesAreExported)
{
    std::string error;
    void* module = Host::OpenModule(KVX_PLUGIN_PATH, error);
    ASSERT_NE(module, nullptr) << error;
    EXPECT_NE(Host::ModuleSymbol(module, "VSTPluginMain"), nullptr);
    EXPECT_NE(Host::ModuleSymbol(module, "main"), nullptr);
    EXPECT_EQ(Host::ModuleSymbol(module, "main"), Host::ModuleSymbol(module, "main"));
    Host::CloseModule(module);
}

TEST(Loading, AMissingDefaultPresetIsReportedOnceAndYieldsNoRecord)
{
    RecordedBoxes().clear();
    std::string error;
    auto plugin = Host::Plugin::Load(KVX_NO_PRESET_PLUGIN_PATH, error, kVstVersion, [](void* module) {
        reinterpret_cast<HandlerSetter>(Host::ModuleSymbol(module, "KVXTovikSetMessageBoxHandler"))(Record);
    });
    EXPECT_EQ(plugin, nullptr);
    ASSERT_EQ(RecordedBoxes().size(), 1u);
    EXPECT_EQ(RecordedBoxes()[0].caption, u"KVX Tovik 1.0.0.283");
    EXPECT_EQ(RecordedBoxes()[0].text, u"KVX Tovik 1.0.0.283 RESOURCE ERROR:\r\n\r\n"
                                       u"Can't find resource \"+Default.fxp\" of type \"FXP\".");
    EXPECT_EQ(RecordedBoxes()[0].style, 0x10u);
}

TEST(Loading, APresetMadeForAnotherPluginIsRefusedWithABoxAndChangesNothing)
{
    RecordedBoxes().clear();
    auto plugin = LoadPlugin(KVX_FOREIGN_PRESET_PLUGIN_PATH);
    ASSERT_NE(plugin, nullptr);
    ASSERT_EQ(RecordedBoxes().size(), 1u);
    EXPECT_EQ(RecordedBoxes()[0].caption, u"FXP loading error");
    EXPECT_EQ(RecordedBoxes()[0].text, u"This preset was created for another Plugin!");
    // The widgets keep their records' values: bands centred, IN off; the program is 0 with no name.
    for (VstInt32 i = 0; i < 10; ++i)
    {
        EXPECT_EQ(plugin->GetParameter(i), 0.5f) << i;
    }
    EXPECT_EQ(plugin->GetParameter(10), 0.0f);
    EXPECT_EQ(plugin->Dispatch(effGetProgram), 0);
    EXPECT_EQ(plugin->Text(effGetProgramName), "");
    EXPECT_EQ(plugin->Text(effGetParamDisplay, 10), "Off");
}

TEST(Loading, CloseAnswersOneAndDestroysTheObject)
{
    auto plugin = LoadPlugin(KVX_PLUGIN_PATH);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(plugin->Close(), 1);
}

TEST(Loading, ManyInstancesLiveSideBySideWithTheirOwnValues)
{
    auto a = LoadPlugin(KVX_PLUGIN_PATH);
    auto b = LoadPlugin(KVX_PLUGIN_PATH);
    ASSERT_TRUE(a && b);
    a->SetParameter(3, 0.9f);
    EXPECT_EQ(a->GetParameter(3), 0.9f);
    EXPECT_EQ(b->GetParameter(3), 0.5f);
}
} // namespace
} // namespace KVX::Test
