// SPDX-License-Identifier: GPL-3.0-or-later
#include "binary_host.h"

#include "host/module_loader.h"

#include <algorithm>

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

namespace
{
constexpr unsigned char kUnwritten = 0xA5;

// The size of the host's field for a text request, terminator included.
std::size_t FieldSize(VstInt32 opcode)
{
    switch (opcode)
    {
    case effGetEffectName:
        return 32;
    case effGetVendorString:
    case effGetProductString:
        return 64;
    case effGetParamName:
    case effGetParamLabel:
    case effGetParamDisplay:
        return 8;
    case effGetProgramName:
    case effGetProgramNameIndexed:
        return 25;
    default:
        return 0;
    }
}
} // namespace

std::string ReadText(const Host::Plugin& plugin, VstInt32 opcode, VstInt32 index)
{
    const std::size_t field = FieldSize(opcode);
    if (field == 0)
    {
        ADD_FAILURE() << "opcode " << opcode << " is no text request";
        return {};
    }
    std::vector<unsigned char> buffer(field + 32, kUnwritten);
    plugin.Dispatch(opcode, index, 0, buffer.data());
    const auto fieldEnd = buffer.begin() + static_cast<std::ptrdiff_t>(field);
    const auto past = std::find_if(fieldEnd, buffer.end(), [](unsigned char b) { return b != kUnwritten; });
    EXPECT_EQ(past, buffer.end()) << "opcode " << opcode << " index " << index << " wrote byte "
                                  << (past - buffer.begin()) << " beyond its " << field << "-byte field";
    const auto terminator = std::find(buffer.begin(), fieldEnd, 0);
    if (terminator == fieldEnd)
    {
        ADD_FAILURE() << "opcode " << opcode << " index " << index << " left no terminator in its " << field
                      << "-byte field";
        return std::string(buffer.begin(), fieldEnd);
    }
    if (opcode == effGetProgramName || opcode == effGetProgramNameIndexed)
    {
        EXPECT_TRUE(std::all_of(terminator, fieldEnd, [](unsigned char b) { return b == 0; }))
            << "a program name is zero-filled to 25 bytes";
    }
    return std::string(buffer.begin(), terminator);
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

int g_VersionQueries = 0;

VstIntPtr VSTCALLBACK CountingHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    if (opcode == audioMasterVersion)
    {
        ++g_VersionQueries;
        return kVstVersion;
    }
    return 0;
}

TEST(Loading, MainIsAnEntryPointLikeVSTPluginMain)
{
    using Entry = AEffect*(VSTCALLBACK*)(audioMasterCallback);
    RecordedBoxes().clear();
    std::string error;
    void* module = Host::OpenModule(KVX_PLUGIN_PATH, error);
    ASSERT_NE(module, nullptr) << error;
    reinterpret_cast<HandlerSetter>(Host::ModuleSymbol(module, "KVXTovikSetMessageBoxHandler"))(Record);
    auto vstPluginMain = reinterpret_cast<Entry>(Host::ModuleSymbol(module, "VSTPluginMain"));
    auto main = reinterpret_cast<Entry>(Host::ModuleSymbol(module, "main"));
    ASSERT_NE(vstPluginMain, nullptr);
    ASSERT_NE(main, nullptr);

    g_VersionQueries = 0;
    AEffect* viaMain = main(CountingHost);
    EXPECT_EQ(g_VersionQueries, 1) << "main asks for the host version";
    AEffect* viaEntry = vstPluginMain(CountingHost);
    EXPECT_EQ(g_VersionQueries, 2);
    ASSERT_NE(viaMain, nullptr);
    ASSERT_NE(viaEntry, nullptr);
    EXPECT_NE(viaMain, viaEntry) << "each call builds its own instance";
    EXPECT_EQ(viaMain->magic, viaEntry->magic);
    EXPECT_EQ(viaMain->uniqueID, CCONST('T', 'v', 'k', '1'));
    EXPECT_EQ(viaMain->uniqueID, viaEntry->uniqueID);
    EXPECT_EQ(viaMain->version, viaEntry->version);
    EXPECT_EQ(viaMain->flags, viaEntry->flags);
    EXPECT_EQ(viaMain->numParams, viaEntry->numParams);
    EXPECT_EQ(viaMain->numPrograms, viaEntry->numPrograms);
    EXPECT_EQ(viaMain->numInputs, viaEntry->numInputs);
    EXPECT_EQ(viaMain->numOutputs, viaEntry->numOutputs);
    EXPECT_EQ(viaMain->dispatcher, viaEntry->dispatcher);
    EXPECT_EQ(viaMain->processReplacing, viaEntry->processReplacing);
    for (VstInt32 i = 0; i < viaEntry->numParams; ++i)
    {
        EXPECT_EQ(viaMain->getParameter(viaMain, i), viaEntry->getParameter(viaEntry, i)) << i;
    }
    viaMain->setParameter(viaMain, 2, 0.9f);
    EXPECT_EQ(viaMain->getParameter(viaMain, 2), 0.9f);
    EXPECT_EQ(viaEntry->getParameter(viaEntry, 2), 0.5f);
    EXPECT_TRUE(RecordedBoxes().empty());
    EXPECT_EQ(viaMain->dispatcher(viaMain, effClose, 0, 0, nullptr, 0.0f), 1);
    EXPECT_EQ(viaEntry->dispatcher(viaEntry, effClose, 0, 0, nullptr, 0.0f), 1);
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
    EXPECT_EQ(ReadText(*plugin, effGetProgramName), "");
    EXPECT_EQ(ReadText(*plugin, effGetParamDisplay, 10), "Off");
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
