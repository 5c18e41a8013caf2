// SPDX-License-Identifier: GPL-3.0-or-later
// What a host looks up in the module: the factory, and the calls that bracket the module's use (Linux:
// ModuleEntry and ModuleExit; Windows: InitDll and ExitDll, exported through entry_windows.def).
#include "platform/message_box.h"
#include "vst3/factory.h"

#if defined(_WIN32)
#define KVX_EXPORT
#else
#define KVX_EXPORT __attribute__((visibility("default")))
#endif

// Without arguments the stdcall and cdecl conventions are the same call, so one plain declaration serves
// every platform (and keeps the exported name undecorated on 32-bit Windows).
extern "C" KVX_EXPORT KVX::Vst3::IPluginFactory* GetPluginFactory()
{
    KVX::Vst3::CFactory& factory = KVX::Vst3::CFactory::Instance();
    factory.addRef();
    return &factory;
}

// Nothing to set up or tear down: the device is built per instance. The calls exist because hosts
// require them.
#if defined(_WIN32)
extern "C" bool InitDll()
{
    return true;
}

extern "C" bool ExitDll()
{
    return true;
}
#else
extern "C" KVX_EXPORT bool ModuleEntry(void*)
{
    return true;
}

extern "C" KVX_EXPORT bool ModuleExit()
{
    return true;
}
#endif

// Lets a host that must never block (a headless renderer, a test host) receive the plug-in's error boxes
// instead of having them shown. Null restores the native box.
extern "C" KVX_EXPORT void KVXTovikSetMessageBoxHandler(void (*handler)(const char16_t* caption,
                                                                        const char16_t* text, void* owner,
                                                                        unsigned style))
{
    KVX::Platform::SetMessageBoxHandler(handler);
}
