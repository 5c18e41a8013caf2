// SPDX-License-Identifier: GPL-3.0-or-later
// A build without a window system shows its error boxes on standard error.
#include "platform/message_box.h"

namespace KVX::Platform
{
void ShowNativeMessageBox(const std::u16string& caption, const std::u16string& text, void*, unsigned)
{
    PrintMessageBox(caption, text);
}
} // namespace KVX::Platform
