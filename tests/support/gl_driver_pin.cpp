// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/gl_driver_pin.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace KVX::Test
{
namespace
{
std::vector<std::string> DriverFolders()
{
    std::vector<std::string> folders;
    if (const char* path = std::getenv("LIBGL_DRIVERS_PATH"); path && *path)
    {
        std::stringstream list(path);
        for (std::string folder; std::getline(list, folder, ':');)
        {
            if (!folder.empty())
            {
                folders.push_back(folder);
            }
        }
    }
#ifdef KVX_SYSTEM_DRI_DIR
    folders.emplace_back(KVX_SYSTEM_DRI_DIR);
#endif
    return folders;
}
} // namespace

int PinGLDriver()
{
    // Under Xvfb there is no hardware: GLX uses the software rasteriser, loaded under either name.
    static const char* const kDrivers[] = {"swrast_dri.so", "kms_swrast_dri.so"};
    int held = 0;
    for (const std::string& folder : DriverFolders())
    {
        for (const char* driver : kDrivers)
        {
            const std::string path = folder + "/" + driver;
            if (access(path.c_str(), R_OK) != 0)
            {
                continue;
            }
            // The handle is never closed; RTLD_NODELETE keeps the module even if someone else's
            // dlclose would drop the last reference.
            if (dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE) != nullptr)
            {
                ++held;
            }
        }
    }
    return held;
}

void PinGLDriverForThisProcessAndChildren()
{
    static const bool done = [] {
        PinGLDriver();
#ifdef KVX_GL_DRIVER_PIN_PRELOAD
        // A preloaded module comes before the sanitiser's runtime in the load order, which the runtime
        // would otherwise refuse; the order does not matter for a module that only loads another.
        const auto append = [](const char* name, const char* value, const char* separator) {
            const char* old = std::getenv(name);
            const std::string joined = old && *old ? std::string(old) + separator + value : value;
            setenv(name, joined.c_str(), 1);
        };
        append("LD_PRELOAD", KVX_GL_DRIVER_PIN_PRELOAD, ":");
        append("ASAN_OPTIONS", "verify_asan_link_order=0", ":");
#endif
        return true;
    }();
    (void)done;
}
} // namespace KVX::Test
