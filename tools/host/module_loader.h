// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Loading a plug-in module and finding its exports: dlopen on Linux, LoadLibraryW on Windows.
#include <string>

namespace KVX::Host
{
// The module at `path` (UTF-8), or null with `error` set to a one-line reason.
void* OpenModule(const std::string& path, std::string& error);
// An exported function or variable by name, or null.
void* ModuleSymbol(void* module, const char* name);
void CloseModule(void* module);
} // namespace KVX::Host
