// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

namespace KVX
{

// Sets flush-to-zero and denormals-are-zero for the current thread while it lives and restores the
// previous control state afterwards, so that decaying filter tails never fall into the slow subnormal
// range. Results in the normal range are unchanged. On targets without SSE it does nothing.
class ScopedFlushDenormals
{
public:
    ScopedFlushDenormals() noexcept;
    ~ScopedFlushDenormals();

    ScopedFlushDenormals(const ScopedFlushDenormals&) = delete;
    ScopedFlushDenormals& operator=(const ScopedFlushDenormals&) = delete;

private:
    uint32_t saved = 0;
};

} // namespace KVX
