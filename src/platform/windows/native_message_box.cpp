// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/message_box.h"

#include <windows.h>

#include <atomic>

namespace KVX::Platform
{
namespace
{
// The box's modal loop keeps delivering the panel's timer, so a frame that fails on every tick would
// stack a box per tick: while one is open, further requests are dropped.
std::atomic<bool> g_BoxOpen{false};

struct BoxGuard
{
    ~BoxGuard() { g_BoxOpen.store(false); }
};
} // namespace

void ShowNativeMessageBox(const std::u16string& caption, const std::u16string& text, void* owner,
                          unsigned style)
{
    bool expected = false;
    if (!g_BoxOpen.compare_exchange_strong(expected, true))
    {
        return;
    }
    BoxGuard guard;
    MessageBoxW(static_cast<HWND>(owner), reinterpret_cast<LPCWSTR>(text.c_str()),
                reinterpret_cast<LPCWSTR>(caption.c_str()), style);
}
} // namespace KVX::Platform
