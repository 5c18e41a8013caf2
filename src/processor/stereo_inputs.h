// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Moving a host's two input channels into the two output buffers the processor filters in place.
#include <algorithm>
#include <cstddef>
#include <cstring>

namespace KVX
{
// Hosts may hand any output the buffer of any input (the same, crossed or shared); no input is
// overwritten before it has been read.
inline void CopyStereoInputs(float* const in[2], float* const out[2], std::size_t frames) noexcept
{
    if (out[0] == in[1] && out[1] == in[0])
    {
        if (in[0] != in[1])
        {
            std::swap_ranges(out[0], out[0] + frames, out[1]);
        }
        return;
    }
    // The channel whose input the other's output would overwrite goes first.
    const int first = out[0] == in[1] ? 1 : 0;
    for (const int c : {first, 1 - first})
    {
        if (in[c] != out[c])
        {
            std::memmove(out[c], in[c], frames * sizeof(float));
        }
    }
}
} // namespace KVX
