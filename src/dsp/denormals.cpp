// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/denormals.h"

#if defined(__SSE__) || defined(__x86_64__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 1)
#define KVX_HAS_MXCSR 1
#include <xmmintrin.h>
#else
#define KVX_HAS_MXCSR 0
#endif

namespace KVX
{

#if KVX_HAS_MXCSR

namespace
{

constexpr uint32_t kFlushToZero = 0x8000;
constexpr uint32_t kDenormalsAreZero = 0x0040;

// Setting a control bit that the processor lacks raises a fault. Some early SSE2 processors have no
// denormals-are-zero; the mask that FXSAVE reports says which bits are writable.
uint32_t QueryFlushBits()
{
#if defined(__GNUC__)
    alignas(16) unsigned char area[512] = {};
    __asm__ volatile("fxsave %0" : "=m"(area));
    uint32_t mask = static_cast<uint32_t>(area[28]) | static_cast<uint32_t>(area[29]) << 8 |
                    static_cast<uint32_t>(area[30]) << 16 | static_cast<uint32_t>(area[31]) << 24;
    if (mask == 0)
        mask = 0xFFBF; // the architectural default: everything but denormals-are-zero
    return (kFlushToZero | kDenormalsAreZero) & mask;
#else
    return kFlushToZero | kDenormalsAreZero;
#endif
}

// Queried once when the module loads, so the audio path does no more than read and write MXCSR.
const uint32_t g_FlushBits = QueryFlushBits();

} // namespace

ScopedFlushDenormals::ScopedFlushDenormals() noexcept : saved(_mm_getcsr())
{
    _mm_setcsr(saved | g_FlushBits);
}

ScopedFlushDenormals::~ScopedFlushDenormals()
{
    _mm_setcsr(saved);
}

#else

ScopedFlushDenormals::ScopedFlushDenormals() noexcept = default;
ScopedFlushDenormals::~ScopedFlushDenormals() = default;

#endif

} // namespace KVX
