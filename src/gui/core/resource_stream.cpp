// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/core/resource_stream.h"

#include "gui/core/exceptions.h"

namespace KVX
{
bool OpenResourceStream(const std::u16string& name, const std::u16string& type, Platform::ResourceView& out,
                        bool throwIfMissing)
{
    if (Platform::FindModuleResource(name, type, out))
    {
        return true;
    }
    if (throwIfMissing)
    {
        throw Exceptions::Std(u"Can't find resource \"" + name + u"\" of type \"" + type + u"\".",
                              u"RESOURCE");
    }
    return false;
}
} // namespace KVX
