// SPDX-License-Identifier: GPL-3.0-or-later
// The exported entry points a host looks for: VSTPluginMain, and main for older hosts. On Windows the
// module-definition file (shell/windows/exports.def) exports them, with MAIN and GetPluginFactory.
#include "platform/message_box.h"
#include "vst/effect_factory.h"

#if defined(_WIN32)
#define KVX_EXPORT
#else
#define KVX_EXPORT __attribute__((visibility("default")))
#endif

namespace
{
AEffect* CreatePlugin(audioMasterCallback audioMaster)
{
    if (audioMaster == nullptr || audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
    {
        return nullptr;
    }
    AudioEffect* effect = KVX::createEffectInstance(audioMaster);
    return effect != nullptr ? effect->getAeffect() : nullptr;
}
} // namespace

extern "C"
{
    KVX_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster)
    {
        return CreatePlugin(audioMaster);
    }

#if !defined(_WIN32)
    // Older hosts look for this name; the compiler knows main as the program entry, hence the alias.
    __attribute__((visibility("default"))) AEffect*
    VSTPluginMainAlias(audioMasterCallback audioMaster) __asm__("main");
    AEffect* VSTPluginMainAlias(audioMasterCallback audioMaster)
    {
        return CreatePlugin(audioMaster);
    }
#else
    // Exists by name only; a host that asks for a factory of this kind learns that there is none.
    void* VSTCALLBACK GetPluginFactory()
    {
        return nullptr;
    }
#endif
}

// Lets a host that must never block (a headless renderer, a test host) receive the plug-in's error boxes
// instead of having them shown. Null restores the native box.
extern "C" KVX_EXPORT void KVXTovikSetMessageBoxHandler(void (*handler)(const char16_t* caption,
                                                                        const char16_t* text, void* owner,
                                                                        unsigned style))
{
    KVX::Platform::SetMessageBoxHandler(handler);
}
