// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Linux only: lets a wait on an editor window's own thread end when the host closes that window. The
// window names a descriptor that becomes readable when it is being closed; a blocking call made on its
// thread (the error box) watches it too, so that closing never waits for the user.
namespace KVX::Platform::Linux
{
// Marks the calling thread as a window's thread whose closing makes `fd` readable; -1 clears the mark.
void SetWindowClosingSignal(int fd);
// The calling thread's descriptor, or -1 when it runs no window.
int WindowClosingSignal();
} // namespace KVX::Platform::Linux
