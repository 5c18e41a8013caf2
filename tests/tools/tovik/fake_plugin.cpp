// SPDX-License-Identifier: GPL-3.0-or-later
// Stand-ins for broken plug-ins; each build carries one fault a host must survive.
#include "vst/aeffect.h"

#include <cstring>

#if defined(KVX_FAKE_NO_ENTRY)
// A shared library, but neither VSTPluginMain nor main.
extern "C" __attribute__((visibility("default"))) int KVXFakeNothing()
{
    return 0;
}
#else
namespace
{
#if defined(KVX_FAKE_LONG_TEXTS) || defined(KVX_FAKE_NO_PARAMETER_CALLS)
// Every text is far longer than its documented room (8 to 64 characters).
VstIntPtr VSTCALLBACK Dispatch(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void* ptr, float)
{
    switch (opcode)
    {
    case effGetEffectName:
    case effGetVendorString:
    case effGetProductString:
    case effGetParamName:
    case effGetParamLabel:
    case effGetParamDisplay:
        std::memset(ptr, 'A', 299);
        static_cast<char*>(ptr)[299] = 0;
        return 1;
    default:
        return 0;
    }
}

void VSTCALLBACK Process(AEffect*, float** inputs, float** outputs, VstInt32 frames)
{
    for (int c = 0; c < 2; ++c)
    {
        std::memcpy(outputs[c], inputs[c], sizeof(float) * static_cast<std::size_t>(frames));
    }
}

#endif
#if defined(KVX_FAKE_LONG_TEXTS)
float VSTCALLBACK Get(AEffect*, VstInt32)
{
    return 0.5f;
}

void VSTCALLBACK Set(AEffect*, VstInt32, float) {}
#endif
} // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback)
{
#if !defined(KVX_FAKE_NULL_EFFECT)
    static AEffect effect{};
#endif
#if defined(KVX_FAKE_BAD_MAGIC)
    // A record of the right size whose magic number is missing.
    return &effect;
#elif defined(KVX_FAKE_NULL_DISPATCHER)
    // A proper record in every way but the one function a host cannot do without.
    effect.magic = kEffectMagic;
    effect.numInputs = 2;
    effect.numOutputs = 2;
    return &effect;
#elif defined(KVX_FAKE_LONG_TEXTS) || defined(KVX_FAKE_NO_PARAMETER_CALLS)
    effect.magic = kEffectMagic;
    effect.dispatcher = Dispatch;
    effect.processReplacing = Process;
    effect.numInputs = 2;
    effect.numOutputs = 2;
    effect.numParams = 2;
    effect.flags = effFlagsCanReplacing;
#if defined(KVX_FAKE_LONG_TEXTS)
    effect.getParameter = Get;
    effect.setParameter = Set;
#endif
    return &effect;
#else
    return nullptr;
#endif
}
#endif
