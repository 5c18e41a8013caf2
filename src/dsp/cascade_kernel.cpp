// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/cascade_kernel.h"

#include <cmath>
#include <cstring>

#if KVX_CASCADE_SSE2
#include <emmintrin.h>
#endif

namespace KVX
{

namespace
{

bool DetectAvx2() noexcept
{
#if KVX_CASCADE_AVX2
    // Also checks that the operating system saves the 256-bit registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

bool HasAvx2() noexcept
{
    static const bool has = DetectAvx2();
    return has;
}

uint32_t Bits(float value) noexcept
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

uint64_t Bits(double value) noexcept
{
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// With +0.0 in and in both states, w0 = 0 - a1*0 - a2*0 is +0.0 for any finite a1 and a2, and the output
// b0*0 + b1*0 + b2*0 is +0.0 unless all three products are -0.0.
template <typename T> bool ZeroStaysZero(T b0, T b1, T b2, T a1, T a2) noexcept
{
    if (!std::isfinite(b0) || !std::isfinite(b1) || !std::isfinite(b2) || !std::isfinite(a1) ||
        !std::isfinite(a2))
        return false;
    return !(std::signbit(b0) && std::signbit(b1) && std::signbit(b2));
}

} // namespace

bool CascadeKernelAvailable(CascadeKernel kernel) noexcept
{
    switch (kernel)
    {
    case CascadeKernel::Scalar:
        return true;
    case CascadeKernel::Sse2:
        return KVX_CASCADE_SSE2 != 0;
    case CascadeKernel::Avx2:
        return HasAvx2();
    }
    return false;
}

CascadeKernel BestCascadeKernel() noexcept
{
    if (HasAvx2())
        return CascadeKernel::Avx2;
    return KVX_CASCADE_SSE2 ? CascadeKernel::Sse2 : CascadeKernel::Scalar;
}

bool CascadeAtRest(const Cascade& cascade, const float* left, const float* right, int32_t count) noexcept
{
    const CascadeOutput& o = cascade.output;
    if ((Bits(o.s1[0]) | Bits(o.s1[1]) | Bits(o.s2[0]) | Bits(o.s2[1])) != 0 ||
        !ZeroStaysZero(o.b0, o.b1, o.b2, o.a1, o.a2))
        return false;
    for (int32_t k = 0; k < cascade.sectionCount; ++k)
    {
        const CascadeSection& s = cascade.sections[k];
        if ((Bits(s.s1[0]) | Bits(s.s1[1]) | Bits(s.s2[0]) | Bits(s.s2[1])) != 0 ||
            !ZeroStaysZero(s.b0, s.b1, s.b2, s.a1, s.a2))
            return false;
    }
    // Bits, not values: a -0.0 sample is not at rest, its sign may come out of the filters.
    int32_t i = 0;
    uint32_t any = 0;
#if KVX_CASCADE_SSE2
    __m128i vector = _mm_setzero_si128();
    for (; i + 4 <= count; i += 4)
        vector =
            _mm_or_si128(vector, _mm_or_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(left + i)),
                                              _mm_loadu_si128(reinterpret_cast<const __m128i*>(right + i))));
    any = static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(vector, _mm_setzero_si128())) ^ 0xFFFF);
#endif
    for (; i < count; ++i)
        any |= Bits(left[i]) | Bits(right[i]);
    return any == 0;
}

void RunCascade(CascadeKernel kernel, Cascade& cascade, float* left, float* right, int32_t count) noexcept
{
    // The engine only ever holds a kernel that CascadeKernelAvailable accepted.
    if (kernel == CascadeKernel::Avx2)
        RunCascadeAvx2(cascade, left, right, count);
    else
        RunCascadeSse2(cascade, left, right, count);
}

} // namespace KVX
