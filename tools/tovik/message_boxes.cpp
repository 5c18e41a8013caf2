// SPDX-License-Identifier: GPL-3.0-or-later
#include "message_boxes.h"

#include "host/module_loader.h"

#include <cstdio>
#include <string>

namespace KVX::Tovik
{
namespace
{
using MessageBoxHandler = void (*)(const char16_t* caption, const char16_t* text, void* owner,
                                   unsigned style);
using HandlerSetter = void (*)(MessageBoxHandler);

std::string Narrow(const char16_t* text)
{
    std::string out;
    for (; text != nullptr && *text != 0; ++text)
    {
        out.push_back(*text < 128 ? static_cast<char>(*text) : '?');
    }
    return out;
}

void PrintBox(const char16_t* caption, const char16_t* text, void*, unsigned)
{
    std::fprintf(stderr, "tovik: plug-in says: [%s] %s\n", Narrow(caption).c_str(), Narrow(text).c_str());
}
} // namespace

void TakeMessageBoxes(void* module)
{
    if (auto setter =
            reinterpret_cast<HandlerSetter>(Host::ModuleSymbol(module, "KVXTovikSetMessageBoxHandler")))
    {
        setter(PrintBox);
    }
}
} // namespace KVX::Tovik
