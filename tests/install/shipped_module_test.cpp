// SPDX-License-Identifier: GPL-3.0-or-later
// Every Linux module we ship can be unloaded: hosts close plug-ins they no longer use and rescan or
// reload them, and a module the loader keeps mapped after dlclose (a GNU-unique symbol, a thread-local
// destructor, a callback left registered) leaks on every cycle and runs stale code on the next load.
// Also what the modules bring with them: no GNU-unique symbol, and no shared GLEW a host may lack.
#include "host/plugin_host.h"
#include "support/program_runner.h"
#include "support/xvfb.h"
// After GoogleTest: Xlib's macros (None, Bool) clash with its names.
#include "support/host_window.h"

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <link.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace KVX::Test
{
namespace
{
struct ShippedModule
{
    std::string kind; // vst2, lv2, lv2ui, vst3 or clap
    fs::path path;
};

void PrintTo(const ShippedModule& module, std::ostream* out)
{
    *out << module.kind << " " << module.path.filename();
}

// "kind=path|kind=path|..." as the build lists the modules it made.
std::vector<ShippedModule> ShippedModules()
{
    std::vector<ShippedModule> modules;
    std::stringstream list(KVX_SHIPPED_MODULES);
    std::string entry;
    while (std::getline(list, entry, '|'))
    {
        const auto equals = entry.find('=');
        if (equals != std::string::npos)
        {
            modules.push_back({entry.substr(0, equals), entry.substr(equals + 1)});
        }
    }
    return modules;
}

// The function or object through which a host enters each kind of module.
const char* EntrySymbol(const std::string& kind)
{
    if (kind == "vst2")
    {
        return "VSTPluginMain";
    }
    if (kind == "lv2")
    {
        return "lv2_descriptor";
    }
    if (kind == "lv2ui")
    {
        return "lv2ui_descriptor";
    }
    if (kind == "vst3")
    {
        return "GetPluginFactory";
    }
    return "clap_entry";
}

// Whether the loader still lists the module, or any of its file is still mapped: the first is what
// dlclose promises, the second what really frees the memory.
bool Loaded(const fs::path& module)
{
    struct Search
    {
        fs::path module;
        bool found = false;
    } search{fs::canonical(module)};
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* data)
        {
            auto* search = static_cast<Search*>(data);
            std::error_code error;
            if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0' &&
                fs::equivalent(info->dlpi_name, search->module, error))
            {
                search->found = true;
            }
            return 0;
        },
        &search);
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (!search.found && std::getline(maps, line))
    {
        const auto slash = line.find('/');
        search.found = slash != std::string::npos && fs::path(line.substr(slash)) == search.module;
    }
    return search.found;
}

std::string Readelf(const std::vector<std::string>& arguments)
{
    std::vector<std::string> argv{"/usr/bin/readelf"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const ProgramRun run = RunProgram(argv, {{"LC_ALL", "C"}}, std::chrono::seconds(60));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    return run.out;
}

class ShippedModuleTest : public ::testing::TestWithParam<ShippedModule>
{
};

TEST_P(ShippedModuleTest, UnloadsOnEveryDlclose)
{
    const ShippedModule& module = GetParam();
    ASSERT_FALSE(Loaded(module.path));
    for (int cycle = 0; cycle < 3; ++cycle)
    {
        void* handle = dlopen(module.path.c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(handle, nullptr) << dlerror();
        EXPECT_TRUE(Loaded(module.path));
        EXPECT_NE(dlsym(handle, EntrySymbol(module.kind)), nullptr) << EntrySymbol(module.kind);
        ASSERT_EQ(dlclose(handle), 0) << dlerror();
        EXPECT_FALSE(Loaded(module.path)) << module.path << " is still mapped after cycle " << cycle;
    }
}

TEST_P(ShippedModuleTest, HasNoGnuUniqueSymbol)
{
    // Column 5 of readelf's symbol table is the binding.
    std::stringstream table(Readelf({"--dyn-syms", "--wide", GetParam().path.string()}));
    std::string line;
    while (std::getline(table, line))
    {
        std::stringstream fields(line);
        std::string number, value, size, type, binding;
        fields >> number >> value >> size >> type >> binding;
        EXPECT_NE(binding, "UNIQUE") << line;
    }
}

TEST_P(ShippedModuleTest, NeedsNoSharedGlew)
{
    const std::string dynamic = Readelf({"--dynamic", GetParam().path.string()});
    EXPECT_NE(dynamic.find("(NEEDED)"), std::string::npos) << dynamic;
    EXPECT_EQ(dynamic.find("libGLEW"), std::string::npos) << dynamic;
    // Linked in, GLEW's own symbols stay private: a host's GLEW must not stand in for ours.
    EXPECT_EQ(Readelf({"--dyn-syms", "--wide", GetParam().path.string()}).find("glew"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(Linux, ShippedModuleTest, ::testing::ValuesIn(ShippedModules()),
                         [](const ::testing::TestParamInfo<ShippedModule>& info) { return info.param.kind; });

// The plug-in in use, as a host has it: instantiated, processing, its editor open on a real display and
// closed again, then unloaded. The editor's thread, its X connection, Mesa and cairo are where a module
// is most easily pinned.
TEST(ShippedVstModule, UnloadsAfterItsEditorWasOpen)
{
    const fs::path path = KVX_PLUGIN_PATH;
    Xvfb server;
    for (int cycle = 0; cycle < 2; ++cycle)
    {
        {
            std::string error;
            auto plugin = Host::Plugin::Load(path.string(), error);
            ASSERT_NE(plugin, nullptr) << error;
            plugin->Dispatch(effSetSampleRate, 0, 0, nullptr, 48000.0f);
            plugin->Dispatch(effSetBlockSize, 0, 256);
            plugin->Dispatch(effMainsChanged, 0, 1);
            std::vector<float> left(256, 0.25f), right(256, -0.25f);
            float* inputs[] = {left.data(), right.data()};
            float* outputs[] = {left.data(), right.data()};
            plugin->Effect()->processReplacing(plugin->Effect(), inputs, outputs, 256);

            HostWindow host(0, 0, 1000, 330);
            const auto parent = static_cast<std::uintptr_t>(host.Id());
            ASSERT_EQ(plugin->Dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (host.Children().empty() && std::chrono::steady_clock::now() < deadline)
            {
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
            ASSERT_FALSE(host.Children().empty()) << "the editor window never appeared";
            // A few frames of the editor's clock, so that its GL context has drawn.
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            plugin->Dispatch(effEditClose);
            plugin->Dispatch(effMainsChanged, 0, 0);
            EXPECT_TRUE(Loaded(path));
        }
        EXPECT_FALSE(Loaded(path)) << path << " is still mapped after cycle " << cycle;
    }
}
} // namespace
} // namespace KVX::Test
