// SPDX-License-Identifier: GPL-3.0-or-later
#include "dsp/peaking_batch.h"

#include "dsp/cascade_kernel.h"

#if KVX_CASCADE_SSE2
#include <emmintrin.h>
#endif

namespace KVX
{

// 32-bit Windows hands over a stack aligned to 4 bytes only; the vector spills need 16.
#if KVX_CASCADE_SSE2 && defined(__i386__) && defined(_WIN32)
__attribute__((force_align_arg_pointer))
#endif
void FinishPeakings(const PeakingTerms* terms, BiquadCoefficients* const* out, int32_t count) noexcept
{
    int32_t i = 0;
#if KVX_CASCADE_SSE2
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d two = _mm_set1_pd(2.0);
    const __m128d minusTwo = _mm_set1_pd(-2.0);
    for (; i + 2 <= count; i += 2)
    {
        const PeakingTerms& t0 = terms[i];
        const PeakingTerms& t1 = terms[i + 1];
        const __m128d sine = _mm_setr_pd(t0.sine, t1.sine);
        const __m128d cosine = _mm_setr_pd(t0.cosine, t1.cosine);
        const __m128d a = _mm_setr_pd(t0.amplitude, t1.amplitude);
        const __m128d q = _mm_setr_pd(t0.q, t1.q);

        const __m128d alpha = _mm_div_pd(sine, _mm_mul_pd(two, q));
        const __m128d alphaOverA = _mm_div_pd(alpha, a);
        const __m128d alphaTimesA = _mm_mul_pd(alpha, a);
        const __m128d a0 = _mm_add_pd(one, alphaOverA);
        const __m128d minusTwoCos = _mm_div_pd(_mm_mul_pd(minusTwo, cosine), a0);
        const __m128d b0 = _mm_div_pd(_mm_add_pd(one, alphaTimesA), a0);
        const __m128d b2 = _mm_div_pd(_mm_sub_pd(one, alphaTimesA), a0);
        const __m128d a2 = _mm_div_pd(_mm_sub_pd(one, alphaOverA), a0);

        BiquadCoefficients& c0 = *out[i];
        BiquadCoefficients& c1 = *out[i + 1];
        c0.type = kBiquadPeaking;
        c1.type = kBiquadPeaking;
        _mm_storel_pd(&c0.b0, b0);
        _mm_storeh_pd(&c1.b0, b0);
        _mm_storel_pd(&c0.b1, minusTwoCos);
        _mm_storeh_pd(&c1.b1, minusTwoCos);
        _mm_storel_pd(&c0.b2, b2);
        _mm_storeh_pd(&c1.b2, b2);
        _mm_storel_pd(&c0.a1, minusTwoCos);
        _mm_storeh_pd(&c1.a1, minusTwoCos);
        _mm_storel_pd(&c0.a2, a2);
        _mm_storeh_pd(&c1.a2, a2);
    }
#endif
    for (; i < count; ++i)
        FinishPeaking(terms[i], *out[i]);
}

} // namespace KVX
