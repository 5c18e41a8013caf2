// SPDX-License-Identifier: GPL-3.0-or-later
// The DLL's exports as a Windows host finds them with GetProcAddress, and its module resources.
#include "binary_host.h"
#include "host/module_loader.h"

#include <windows.h>

namespace KVX::Test
{
namespace
{
using Entry = AEffect*(VSTCALLBACK*)(audioMasterCallback);
using Factory = void*(VSTCALLBACK*)();

VstIntPtr VSTCALLBACK MinimalHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float)
{
    return opcode == audioMasterVersion ? 2400 : 0;
}

class Exports : public ::testing::Test
{
protected:
    void SetUp() override
    {
        std::string error;
        module = Host::OpenModule(KVX_PLUGIN_PATH, error);
        ASSERT_NE(module, nullptr) << error;
    }
    void TearDown() override { Host::CloseModule(module); }

    void* module = nullptr;
};

TEST_F(Exports, TheEntryPointAnswersUnderAllThreeNames)
{
    void* entry = Host::ModuleSymbol(module, "VSTPluginMain");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(Host::ModuleSymbol(module, "main"), entry);
    EXPECT_EQ(Host::ModuleSymbol(module, "MAIN"), entry);
    for (const char* name : {"VSTPluginMain", "main", "MAIN"})
    {
        AEffect* effect = reinterpret_cast<Entry>(Host::ModuleSymbol(module, name))(&MinimalHost);
        ASSERT_NE(effect, nullptr) << name;
        EXPECT_EQ(effect->magic, CCONST('V', 's', 't', 'P')) << name;
        EXPECT_EQ(effect->uniqueID, CCONST('T', 'v', 'k', '1')) << name;
        EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1) << name;
    }
}

TEST_F(Exports, TheFactoryNameExistsAndOffersNoFactory)
{
    auto factory = reinterpret_cast<Factory>(Host::ModuleSymbol(module, "GetPluginFactory"));
    ASSERT_NE(factory, nullptr);
    EXPECT_EQ(factory(), nullptr);
    EXPECT_NE(Host::ModuleSymbol(module, "KVXTovikSetMessageBoxHandler"), nullptr);
    EXPECT_EQ(Host::ModuleSymbol(module, "DllMain"), nullptr) << "the entry routine is not an export";
}

TEST_F(Exports, TheModuleCarriesItsManifestVersionAndSkin)
{
    auto instance = static_cast<HMODULE>(module);
    // Resource 2 of type RT_MANIFEST: the loader binds the DLL's common-controls import to version 6.
    HRSRC manifest = FindResourceW(instance, MAKEINTRESOURCEW(2), MAKEINTRESOURCEW(24));
    ASSERT_NE(manifest, nullptr);
    const auto* text = static_cast<const char*>(LockResource(LoadResource(instance, manifest)));
    const std::string body(text, SizeofResource(instance, manifest));
    EXPECT_NE(body.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(body.find("6.0.0.0"), std::string::npos);

    EXPECT_NE(FindResourceW(instance, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16)), nullptr)
        << "version record";
    // The skin and the default preset, found in any letter case.
    EXPECT_NE(FindResourceW(instance, L"pnl##Sz-1x-1pxSb0.png", L"IMG"), nullptr);
    EXPECT_NE(FindResourceW(instance, L"FADER01((64X18))##SZ-1X-1PXSB0.PNG", L"img"), nullptr);
    // The other nine fader sheets are the same bytes: each name holds the first one's, embedded once.
    HRSRC alias = FindResourceW(instance, L"FADER10((64X18))##SZ-1X-1PXSB0.PNG", L"imgalias");
    ASSERT_NE(alias, nullptr);
    const std::string first(static_cast<const char*>(LockResource(LoadResource(instance, alias))),
                            SizeofResource(instance, alias));
    EXPECT_EQ(first.rfind("Fader01((64x18))##Sz-1x-1pxSb0.png", 0), 0u) << first;
    EXPECT_EQ(FindResourceW(instance, L"FADER10((64X18))##SZ-1X-1PXSB0.PNG", L"img"), nullptr);
    EXPECT_NE(FindResourceW(instance, L"+default.fxp", L"FXP"), nullptr);
    EXPECT_EQ(FindResourceW(instance, L"pnl##Sz-1x-1pxSb0.png", L"FXP"), nullptr);
}
} // namespace
} // namespace KVX::Test
