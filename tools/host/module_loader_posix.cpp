// SPDX-License-Identifier: GPL-3.0-or-later
#include "host/module_loader.h"

#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

namespace KVX::Host
{
namespace
{
bool ReadAt(int fd, std::uint64_t offset, void* out, std::size_t size)
{
    return pread(fd, out, size, static_cast<off_t>(offset)) == static_cast<ssize_t>(size);
}

// Whether the ELF headers of class `Ehdr`/`Phdr` describe only bytes the file holds. The loader maps
// the segments straight from the file, and touching a page past the end of a cut-off file raises SIGBUS
// in the middle of dlopen, where no error can be returned.
template <typename Ehdr, typename Phdr> bool HeadersFit(int fd, std::uint64_t size, std::uint64_t& needed)
{
    Ehdr header{};
    if (!ReadAt(fd, 0, &header, sizeof header))
    {
        needed = sizeof header;
        return false;
    }
    needed = 0;
    auto need = [&needed, size](std::uint64_t end) { needed = end > needed ? end : needed; };
    need(static_cast<std::uint64_t>(header.e_phoff) +
         static_cast<std::uint64_t>(header.e_phnum) * header.e_phentsize);
    if (header.e_shoff != 0)
    {
        need(static_cast<std::uint64_t>(header.e_shoff) +
             static_cast<std::uint64_t>(header.e_shnum) * header.e_shentsize);
    }
    if (needed > size || header.e_phentsize < sizeof(Phdr))
    {
        return needed <= size;
    }
    for (unsigned i = 0; i < header.e_phnum; ++i)
    {
        Phdr segment{};
        if (!ReadAt(fd, header.e_phoff + static_cast<std::uint64_t>(i) * header.e_phentsize, &segment,
                    sizeof segment))
        {
            return false;
        }
        if (segment.p_type == PT_LOAD || segment.p_type == PT_DYNAMIC)
        {
            need(static_cast<std::uint64_t>(segment.p_offset) + segment.p_filesz);
        }
    }
    return needed <= size;
}

// A module dlopen could not load safely: not a regular file (a FIFO would block, a device is no library)
// or an ELF file shorter than its headers say. Anything else is left to dlopen and its messages.
bool CheckModuleFile(const std::string& path, std::string& error)
{
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
    {
        // A bare name is looked up along the library path by dlopen itself.
        return true;
    }
    struct stat status
    {
    };
    bool fine = fstat(fd, &status) == 0;
    if (fine && !S_ISREG(status.st_mode))
    {
        error = "cannot load " + path + ": " +
                (S_ISDIR(status.st_mode) ? "it is a folder" : "not a regular file");
        fine = false;
    }
    unsigned char ident[EI_NIDENT] = {};
    if (fine && ReadAt(fd, 0, ident, sizeof ident) && std::memcmp(ident, ELFMAG, SELFMAG) == 0 &&
        ident[EI_DATA] == ELFDATA2LSB)
    {
        const auto size = static_cast<std::uint64_t>(status.st_size);
        std::uint64_t needed = 0;
        const bool fits = ident[EI_CLASS] == ELFCLASS64 ? HeadersFit<Elf64_Ehdr, Elf64_Phdr>(fd, size, needed)
                          : ident[EI_CLASS] == ELFCLASS32
                              ? HeadersFit<Elf32_Ehdr, Elf32_Phdr>(fd, size, needed)
                              : true;
        if (!fits)
        {
            error = "cannot load " + path + ": the file is truncated (" + std::to_string(size) +
                    " bytes, its headers describe " + std::to_string(needed) + ")";
            fine = false;
        }
    }
    close(fd);
    return fine;
}
} // namespace

void* OpenModule(const std::string& path, std::string& error)
{
    if (!CheckModuleFile(path, error))
    {
        return nullptr;
    }
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
