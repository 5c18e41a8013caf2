#include "host/module_loader.h"

#include <dlfcn.h>

namespace KVX::Host
{
void* OpenModule(const std::string& path, std::string& error)
{
    int flags = RTLD_NOW | RTLD_LOCAL;
#ifdef KVX_SANITIZE
    // Sanitised test runs keep modules mapped, so that a leak report can still name the code that leaked.
    flags |= RTLD_NODELETE;
#endif
    void* module = dlopen(path.c_str(), flags);
    if (module == nullptr)
    {
        const char* reason = dlerror();
        error = "cannot load " + path + ": " + (reason != nullptr ? reason : "unknown error");
    }
    return module;
}

void* ModuleSymbol(void* module, const char* name)
{
    return module != nullptr ? dlsym(module, name) : nullptr;
}

void CloseModule(void* module)
{
    if (module != nullptr)
    {
        dlclose(module);
    }
}
} // namespace KVX::Host
