// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The modal error box. Every box the system shows goes through ShowMessageBox, so a test (or a host
// that must never block) can install a handler that records the box instead of showing it.
#include <string>

namespace KVX::Platform
{
enum : unsigned
{
    kMessageBoxErrorOk = 0x10 // error icon, one OK button
};

using MessageBoxHandler = void (*)(const char16_t* caption, const char16_t* text, void* owner,
                                   unsigned style);

void ShowMessageBox(const std::u16string& caption, const std::u16string& text, void* owner, unsigned style);

// Replaces the box; null restores the native one. Returns the previous handler.
MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler);

// The platform's own box; blocks until the user closes it. Implemented per platform. On Linux a call from
// an editor window's own thread returns when the host closes that window, and leaves the box up.
void ShowNativeMessageBox(const std::u16string& caption, const std::u16string& text, void* owner,
                          unsigned style);

// Where no box can be shown: "caption: text" on standard error, line breaks as the terminal's.
void PrintMessageBox(const std::u16string& caption, const std::u16string& text);
} // namespace KVX::Platform
