#include "platform/message_box.h"
#include "platform/text.h"

#include <cstdio>

namespace KVX::Platform
{
// Placeholder until the X11 box exists: the caption and text go to standard error.
void ShowNativeMessageBox(const std::u16string& caption, const std::u16string& text, void*, unsigned)
{
    std::fprintf(stderr, "[%s] %s\n", Utf16ToUtf8(caption).c_str(), Utf16ToUtf8(text).c_str());
}
} // namespace KVX::Platform
