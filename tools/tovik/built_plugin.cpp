// SPDX-License-Identifier: GPL-3.0-or-later
#include "built_plugin.h"

#include <unistd.h>

namespace KVX::Tovik
{
std::string BuiltPlugin()
{
    char self[4096];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    if (length <= 0)
    {
        return "kvx-tovik.so";
    }
    std::string path(self, static_cast<std::size_t>(length));
    const auto slash = path.rfind('/');
    return (slash == std::string::npos ? std::string(".") : path.substr(0, slash)) + "/kvx-tovik.so";
}
} // namespace KVX::Tovik
