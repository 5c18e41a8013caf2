// SPDX-License-Identifier: GPL-3.0-or-later
// The module's export: the CLAP entry, its plug-in factory and the one descriptor it lists.
#include "clap/clap_abi.h"
#include "clap/plugin.h"
#include "device/description.h"
#include "platform/message_box.h"

#include <atomic>
#include <cstring>

#if defined(_WIN32)
#define KVX_EXPORT __declspec(dllexport)
#else
#define KVX_EXPORT __attribute__((visibility("default")))
#endif

namespace KVX::Clap
{
namespace
{
using Device::Description::kIdentity;

// Hosts remember the plug-in by this id: it never changes.
constexpr const char* kPluginId = kIdentity.clapId.data();
constexpr const char* kFeatures[] = {"audio-effect", "equalizer", "stereo", nullptr};
// The identity's texts are views into literals, so they end in a terminator.
static_assert(kIdentity.name.data()[kIdentity.name.size()] == '\0');

std::atomic<int> g_InitCount{0};
} // namespace

extern const PluginDescriptor g_Descriptor;
const PluginDescriptor g_Descriptor = {kVersion,
                                       kPluginId,
                                       kIdentity.name.data(),
                                       kIdentity.vendor.data(),
                                       kIdentity.homepage.data(),
                                       "",
                                       "",
                                       kIdentity.versionText.data(),
                                       "Ten-band graphic equaliser",
                                       kFeatures};

namespace
{
std::uint32_t KVX_CLAP_CALL FactoryCount(const PluginFactory*)
{
    return 1;
}

const PluginDescriptor* KVX_CLAP_CALL FactoryDescriptor(const PluginFactory*, std::uint32_t index)
{
    return index == 0 ? &g_Descriptor : nullptr;
}

const Plugin* KVX_CLAP_CALL FactoryCreate(const PluginFactory*, const Host* host, const char* id)
{
    if (host == nullptr || id == nullptr || std::strcmp(id, kPluginId) != 0 ||
        !IsCompatible(host->clapVersion))
    {
        return nullptr;
    }
    CPlugin* plugin = CPlugin::Create(host);
    return plugin != nullptr ? plugin->Record() : nullptr;
}

const PluginFactory g_Factory = {FactoryCount, FactoryDescriptor, FactoryCreate};

bool KVX_CLAP_CALL EntryInit(const char*)
{
    g_InitCount.fetch_add(1);
    return true;
}

void KVX_CLAP_CALL EntryDeinit()
{
    // Unbalanced calls from a host must not drive the count below zero.
    int count = g_InitCount.load();
    while (count > 0 && !g_InitCount.compare_exchange_weak(count, count - 1))
    {
    }
}

const void* KVX_CLAP_CALL EntryGetFactory(const char* id)
{
    return id != nullptr && std::strcmp(id, kPluginFactoryId) == 0 ? &g_Factory : nullptr;
}
} // namespace
} // namespace KVX::Clap

extern "C"
{
    KVX_EXPORT extern const KVX::Clap::PluginEntry clap_entry;
    const KVX::Clap::PluginEntry clap_entry = {KVX::Clap::kVersion, KVX::Clap::EntryInit,
                                               KVX::Clap::EntryDeinit, KVX::Clap::EntryGetFactory};

    // Lets a host that must never block (a headless renderer, a test host) receive the plug-in's error boxes
    // instead of having them shown. Null restores the native box.
    KVX_EXPORT void KVXTovikSetMessageBoxHandler(void (*handler)(const char16_t* caption,
                                                                 const char16_t* text, void* owner,
                                                                 unsigned style))
    {
        KVX::Platform::SetMessageBoxHandler(handler);
    }
}
