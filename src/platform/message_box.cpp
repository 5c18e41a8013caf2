// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/message_box.h"

#include <atomic>

namespace KVX::Platform
{
namespace
{
std::atomic<MessageBoxHandler> g_Handler{nullptr};
}

void ShowMessageBox(const std::u16string& caption, const std::u16string& text, void* owner, unsigned style)
{
    if (auto handler = g_Handler.load())
    {
        handler(caption.c_str(), text.c_str(), owner, style);
        return;
    }
    ShowNativeMessageBox(caption, text, owner, style);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    return g_Handler.exchange(handler);
}
} // namespace KVX::Platform
