// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/module_loader.h"

#include <windows.h>

#include <string>

namespace KVX::Host
{
namespace
{
std::wstring Wide(const std::string& utf8)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0)
    {
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), n);
    }
    return out;
}

std::string SystemMessage(DWORD code)
{
    char* text = nullptr;
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string out = length > 0 && text != nullptr ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' '))
    {
        out.pop_back();
    }
    return out + " (error " + std::to_string(code) + ")";
}
} // namespace

void* OpenModule(const std::string& path, std::string& error)
{
    // No "cannot find the DLL" box from the system: a test host must never block.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE module = LoadLibraryW(Wide(path).c_str());
    const DWORD code = GetLastError();
    SetErrorMode(previous);
    if (module == nullptr)
    {
        error = "cannot load " + path + ": " + SystemMessage(code);
    }
    return reinterpret_cast<void*>(module);
}

void* ModuleSymbol(void* module, const char* name)
{
    if (module == nullptr)
    {
        return nullptr;
    }
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

void CloseModule(void* module)
{
    if (module != nullptr)
    {
        FreeLibrary(static_cast<HMODULE>(module));
    }
}
} // namespace KVX::Host
