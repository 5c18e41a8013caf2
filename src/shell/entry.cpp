// The exported entry points a host looks for: VSTPluginMain, and main for older hosts.
#include "device/device_dsp.h"
#include "platform/message_box.h"

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
__attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback audioMaster)
{
    return CreatePlugin(audioMaster);
}

// Older hosts look for this name; the compiler knows main as the program entry, hence the alias.
__attribute__((visibility("default"))) AEffect* VSTPluginMainAlias(audioMasterCallback audioMaster) __asm__("main");
AEffect* VSTPluginMainAlias(audioMasterCallback audioMaster)
{
    return CreatePlugin(audioMaster);
}
}

// Lets a host that must never block (a headless renderer, a test host) receive the plug-in's error boxes
// instead of having them shown. Null restores the native box.
extern "C" __attribute__((visibility("default"))) void
KVXTovikSetMessageBoxHandler(void (*handler)(const char16_t* caption, const char16_t* text, void* owner,
                                             unsigned style))
{
    KVX::Platform::SetMessageBoxHandler(handler);
}
