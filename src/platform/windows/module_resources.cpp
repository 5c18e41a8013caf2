#include "platform/resources.h"
#include "platform/text.h"
#include "platform/windows/module_instance.h"

#include <string>

namespace KVX::Platform
{
// Resource names and types are compared without regard to case by the system itself.
bool FindModuleResource(std::u16string_view name, std::u16string_view type, ResourceView& out)
{
    if (name.empty() || type.empty())
    {
        return false;
    }
    const std::u16string wantedName = AsciiLower(name);
    const std::u16string wantedType(type);
    HINSTANCE instance = Windows::ModuleInstance();
    HRSRC found = FindResourceW(instance, reinterpret_cast<LPCWSTR>(wantedName.c_str()),
                                reinterpret_cast<LPCWSTR>(wantedType.c_str()));
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
