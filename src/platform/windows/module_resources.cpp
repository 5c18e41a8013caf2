// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/resources.h"
#include "platform/text.h"
#include "platform/windows/module_instance.h"

#include <string>
#include <string_view>

namespace KVX::Platform
{
namespace
{
// Resource names and types are compared without regard to case by the system itself.
HRSRC FindNamed(HINSTANCE instance, std::u16string_view name, std::u16string_view type)
{
    const std::u16string wantedName = AsciiLower(name);
    const std::u16string wantedType(type);
    return FindResourceW(instance, reinterpret_cast<LPCWSTR>(wantedName.c_str()),
                         reinterpret_cast<LPCWSTR>(wantedType.c_str()));
}

// A name whose bytes equal an earlier resource's is embedded as "<type>ALIAS", holding that earlier
// resource's name in UTF-8; only one step is followed, so a malformed module cannot loop.
HRSRC FindAliased(HINSTANCE instance, std::u16string_view name, std::u16string_view type)
{
    HRSRC alias = FindNamed(instance, name, std::u16string(type) + u"ALIAS");
    if (alias == nullptr)
    {
        return nullptr;
    }
    const DWORD size = SizeofResource(instance, alias);
    HGLOBAL loaded = LoadResource(instance, alias);
    const char* data = loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (data == nullptr || size == 0)
    {
        return nullptr;
    }
    std::string_view target(data, size);
    while (!target.empty() && (target.back() == '\n' || target.back() == '\r' || target.back() == '\0'))
    {
        target.remove_suffix(1);
    }
    if (target.empty())
    {
        return nullptr;
    }
    return FindNamed(instance, Utf8ToUtf16(target), type);
}
} // namespace

bool FindModuleResource(std::u16string_view name, std::u16string_view type, ResourceView& out)
{
    if (name.empty() || type.empty())
    {
        return false;
    }
    HINSTANCE instance = Windows::ModuleInstance();
    HRSRC found = FindNamed(instance, name, type);
    if (found == nullptr)
    {
        found = FindAliased(instance, name, type);
    }
    if (found == nullptr)
    {
        return false;
    }
    const DWORD size = SizeofResource(instance, found);
    if (size == 0)
    {
        return false; // an empty resource counts as missing
    }
    HGLOBAL loaded = LoadResource(instance, found);
    const void* data = loaded != nullptr ? LockResource(loaded) : nullptr;
    if (data == nullptr)
    {
        return false;
    }
    // Resource memory stays mapped for as long as the module is loaded.
    out.data = static_cast<const std::uint8_t*>(data);
    out.size = size;
    return true;
}
} // namespace KVX::Platform
