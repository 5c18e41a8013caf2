// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/linux/window_closing.h"

namespace KVX::Platform::Linux
{
namespace
{
thread_local int t_ClosingSignal = -1;
}

void SetWindowClosingSignal(int fd)
{
    t_ClosingSignal = fd;
}

int WindowClosingSignal()
{
    return t_ClosingSignal;
}
} // namespace KVX::Platform::Linux
