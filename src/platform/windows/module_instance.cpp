// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/windows/module_instance.h"

#include <atomic>

namespace
{
std::atomic<HINSTANCE> g_Instance{nullptr};
}

// The module's entry routine: remembers the instance on every call, whatever the reason. It lives in the
// same object file as ModuleInstance, which the resource and window code use, so a module that links
// this library always links it too.
extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reason;
    (void)reserved;
    g_Instance.store(instance);
    return TRUE;
}

namespace KVX::Platform::Windows
{
HINSTANCE ModuleInstance()
{
    HINSTANCE instance = g_Instance.load();
    if (instance == nullptr)
    {
        // Linked into a program rather than a DLL, no entry routine of ours runs: ask which module holds
        // this very function.
        HMODULE module = nullptr;
        GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                               GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCWSTR>(&ModuleInstance), &module);
        instance = module;
    }
    return instance;
}
} // namespace KVX::Platform::Windows
