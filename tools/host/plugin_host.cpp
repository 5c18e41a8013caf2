// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/plugin_host.h"

#include "host/module_loader.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace KVX::Host
{
namespace
{
using EntryProc = AEffect*(VSTCALLBACK*)(audioMasterCallback);

// Every text request gets this much room: the documented limits are 8 to 64 characters, and plug-ins that
// write past them are common enough that a host must not be the one to pay for it.
constexpr std::size_t kTextRoom = 64 * 1024;

// Host opcodes beyond the ones our own interface layer names; their numbers are fixed by the ABI.
constexpr VstInt32 kHostGetSampleRate = 16;
constexpr VstInt32 kHostGetBlockSize = 17;

// The callback learns its plug-in only from the record; the version query arrives before any record
// exists, so the loading plug-in is remembered for the duration of the entry call.
std::mutex g_LoadMutex;
Plugin* g_Loading = nullptr;
std::mutex g_LiveMutex;
std::vector<std::pair<AEffect*, Plugin*>> g_Live;

Plugin* Find(AEffect* effect)
{
    std::lock_guard lock(g_LiveMutex);
    for (auto& [e, p] : g_Live)
    {
        if (e == effect)
        {
            return p;
        }
    }
    return nullptr;
}
} // namespace

std::string FourCharCode(VstInt32 code)
{
    std::string out;
    for (int shift = 24; shift >= 0; shift -= 8)
    {
        const char c = static_cast<char>((static_cast<std::uint32_t>(code) >> shift) & 0xFF);
        out.push_back(c >= 32 && c < 127 ? c : '?');
    }
    return out;
}

VstIntPtr VSTCALLBACK Plugin::Callback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value,
                                       void*, float opt)
{
    Plugin* plugin = effect != nullptr ? Find(effect) : nullptr;
    if (plugin == nullptr)
    {
        plugin = g_Loading;
    }
    if (plugin != nullptr && plugin->m_Listener)
    {
        plugin->m_Listener(opcode, index, value, opt);
    }
    switch (opcode)
    {
    case audioMasterVersion:
        if (plugin != nullptr)
        {
            ++plugin->m_Log.versionQueries;
            return plugin->m_HostVersion;
        }
        return kVstVersion;
    case audioMasterAutomate:
        if (plugin != nullptr)
        {
            ++plugin->m_Log.automations;
            plugin->m_Log.lastAutomatedIndex = index;
            plugin->m_Log.lastAutomatedValue = opt;
        }
        return 0;
    case audioMasterCurrentId:
        return effect != nullptr ? effect->uniqueID : 0;
    case kHostGetSampleRate:
        return plugin != nullptr ? static_cast<VstIntPtr>(plugin->m_SampleRate) : 0;
    case kHostGetBlockSize:
        return plugin != nullptr ? plugin->m_BlockSize : 0;
    case audioMasterSizeWindow:
        return plugin != nullptr && plugin->m_SizeWindow &&
                       plugin->m_SizeWindow(static_cast<int>(index), static_cast<int>(value))
                   ? 1
                   : 0;
    default:
        return 0;
    }
}

std::unique_ptr<Plugin> Plugin::Load(const std::string& path, std::string& error, VstIntPtr hostVersion,
                                     const std::function<void(void* module)>& beforeEntry)
{
    std::unique_ptr<Plugin> plugin(new Plugin);
    plugin->m_HostVersion = hostVersion;
    plugin->m_Module = OpenModule(path, error);
    if (plugin->m_Module == nullptr)
    {
        return nullptr;
    }
    auto entry = reinterpret_cast<EntryProc>(ModuleSymbol(plugin->m_Module, "VSTPluginMain"));
    if (entry == nullptr)
    {
        entry = reinterpret_cast<EntryProc>(ModuleSymbol(plugin->m_Module, "main"));
    }
    if (entry == nullptr)
    {
        error = path + " is not a VST 2.4 plug-in (no VSTPluginMain or main entry point)";
        return nullptr;
    }
    if (beforeEntry)
    {
        beforeEntry(plugin->m_Module);
    }
    {
        std::lock_guard lock(g_LoadMutex);
        g_Loading = plugin.get();
        plugin->m_Effect = entry(&Plugin::Callback);
        g_Loading = nullptr;
    }
    if (plugin->m_Effect == nullptr)
    {
        error = path + ": the plug-in's entry point returned no effect";
        return nullptr;
    }
    if (plugin->m_Effect->magic != kEffectMagic)
    {
        error = path + ": the entry point returned a record without the VST magic number";
        plugin->m_Effect = nullptr;
        return nullptr;
    }
    if (plugin->m_Effect->dispatcher == nullptr)
    {
        error = path + ": the plug-in's record has no dispatcher";
        plugin->m_Effect = nullptr;
        return nullptr;
    }
    std::lock_guard lock(g_LiveMutex);
    g_Live.emplace_back(plugin->m_Effect, plugin.get());
    return plugin;
}

VstIntPtr Plugin::Dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) const
{
    return m_Effect != nullptr ? m_Effect->dispatcher(m_Effect, opcode, index, value, ptr, opt) : 0;
}

std::string Plugin::Text(VstInt32 opcode, VstInt32 index, std::size_t capacity) const
{
    std::vector<char> buffer(std::max(kTextRoom, capacity + 1), 0);
    Dispatch(opcode, index, 0, buffer.data());
    buffer.back() = 0;
    std::string text = buffer.data();
    if (text.size() > capacity)
    {
        text.resize(capacity);
    }
    return text;
}

VstIntPtr Plugin::Close()
{
    if (m_Effect == nullptr)
    {
        return 0;
    }
    AEffect* effect = m_Effect;
    m_Effect = nullptr;
    {
        std::lock_guard lock(g_LiveMutex);
        std::erase_if(g_Live, [effect](const auto& entry) { return entry.first == effect; });
    }
    return effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
}

Plugin::~Plugin()
{
    Close();
    CloseModule(m_Module);
}
} // namespace KVX::Host
