// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The test host: loads a built module through VSTPluginMain, with the plug-in's error boxes recorded
// instead of shown.
#include "host/plugin_host.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace KVX::Test
{
struct RecordedBox
{
    std::u16string caption;
    std::u16string text;
    unsigned style = 0;
};

std::vector<RecordedBox>& RecordedBoxes();

// Reads a text request into a buffer filled with a pattern, as a host's uninitialised buffer would be.
// Fails the test unless the plug-in writes a terminator inside the field's size and nothing after the
// field; program names must fill exactly their 25 bytes with zeros after the name.
std::string ReadText(const Host::Plugin& plugin, VstInt32 opcode, VstInt32 index = 0);

// Loads the module at `path`; fails the test when it cannot be loaded at all.
std::unique_ptr<Host::Plugin> LoadPlugin(const std::string& path, VstIntPtr hostVersion = kVstVersion);

class PluginTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        RecordedBoxes().clear();
        plugin = LoadPlugin(KVX_PLUGIN_PATH);
        ASSERT_NE(plugin, nullptr);
        effect = plugin->Effect();
    }

    VstIntPtr Dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr,
                       float opt = 0.0f)
    {
        return plugin->Dispatch(opcode, index, value, ptr, opt);
    }
    std::string Text(VstInt32 opcode, VstInt32 index = 0) { return ReadText(*plugin, opcode, index); }

    std::unique_ptr<Host::Plugin> plugin;
    AEffect* effect = nullptr;
};

std::string U8(const std::u16string& text);
} // namespace KVX::Test
