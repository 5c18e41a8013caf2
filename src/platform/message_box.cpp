// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/message_box.h"

#include "platform/text.h"

#include <atomic>
#include <cstdio>

namespace KVX::Platform
{
namespace
{
std::atomic<MessageBoxHandler> g_Handler{nullptr};

// Report texts break lines with "\r\n"; a lone "\r" or "\n" counts as one too.
std::string ForTerminal(const std::u16string& text)
{
    const std::string utf8 = Utf16ToUtf8(text);
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i)
    {
        if (utf8[i] == '\r' || utf8[i] == '\n')
        {
            if (utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n')
            {
                ++i;
            }
            out.push_back('\n');
        }
        else
        {
            out.push_back(utf8[i]);
        }
    }
    return out;
}
} // namespace

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

void PrintMessageBox(const std::u16string& caption, const std::u16string& text)
{
    std::fprintf(stderr, "%s: %s\n", ForTerminal(caption).c_str(), ForTerminal(text).c_str());
    std::fflush(stderr);
}
} // namespace KVX::Platform
