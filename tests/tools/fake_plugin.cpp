// Stand-ins for broken plug-ins; each build carries one fault a host must survive.
#include "vst/aeffect.h"

#if defined(KVX_FAKE_NO_ENTRY)
// A shared library, but neither VSTPluginMain nor main.
extern "C" __attribute__((visibility("default"))) int KVXFakeNothing()
{
    return 0;
}
#else
extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback)
{
#if defined(KVX_FAKE_BAD_MAGIC)
    // A record of the right size whose magic number is missing.
    static AEffect effect{};
    return &effect;
#else
    return nullptr;
#endif
}
#endif
